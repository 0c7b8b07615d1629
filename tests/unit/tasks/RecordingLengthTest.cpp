// The length of a Matroska recording without a stated duration, from its time stamps: lengths
// its bytes cannot hold, time that runs backwards and times at the ends of the number range are
// refused, in words naming the file.
#include "tasks/RecordingLength.h"
#include "common/TestSupport.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace {

QByteArray Unsigned(uint64_t value)
{
    QByteArray bytes(8, '\0');
    for (int i = 7; i >= 0; --i, value >>= 8)
        bytes[i] = char(value & 0xFF);
    return bytes;
}

// An element with its size written in eight bytes.
QByteArray Element(const QByteArray &id, const QByteArray &content)
{
    QByteArray size = Unsigned(uint64_t(content.size()));
    size[0] = '\x01';
    return id + size + content;
}

// A cluster at that time with one block of track 1 at each offset (milliseconds).
QByteArray Cluster(uint64_t time, const std::vector<int16_t> &offsets)
{
    QByteArray content = Element("\xE7", Unsigned(time));
    for (const int16_t offset : offsets) {
        QByteArray block("\x81");
        block += char(uint16_t(offset) >> 8);
        block += char(offset & 0xFF);
        block += '\x80';
        block += QByteArray(200, 'p');
        content += Element("\xA3", block);
    }
    return Element("\x1F\x43\xB6\x75", content);
}

// A recording whose writer never went back to state the segment's size or duration.
QByteArray Recording(const std::vector<QByteArray> &clusters)
{
    QByteArray file = Element("\x1A\x45\xDF\xA3", "") + "\x18\x53\x80\x67"
        + QByteArray("\x01\xFF\xFF\xFF\xFF\xFF\xFF\xFF", 8)
        + Element("\x15\x49\xA9\x66", Element("\x2A\xD7\xB1", Unsigned(1000000)));
    for (const QByteArray &cluster : clusters)
        file += cluster;
    return file;
}

TEST(RecordingLength, TimeStampsBeyondBeliefAreRefused)
{
    const std::vector<int16_t> frames {0, 40, 80};
    const struct
    {
        const char *name;
        QByteArray file;
        double seconds; // -1: refused
    } cases[] = {
        {"whole", Recording({Cluster(0, frames), Cluster(1000, frames)}), 1.12},
        {"blocks before their cluster", Recording({Cluster(500, {-500, 0}), Cluster(1000, {0})}),
         1.0},
        {"last at the largest time", Recording({Cluster(0, frames), Cluster(INT64_MAX, frames)}),
         -1},
        {"last at the largest number", Recording({Cluster(0, frames), Cluster(~0ULL, frames)}), -1},
        {"first at the most negative time",
         Recording({Cluster(uint64_t(INT64_MIN), {-32768, 0}), Cluster(1000, frames)}), -1},
        {"last 2^40 ms on", Recording({Cluster(0, frames), Cluster(1ULL << 40, frames)}), -1},
        {"last 2^62 ms on", Recording({Cluster(0, frames), Cluster(1ULL << 62, frames)}), -1},
        // Twelve days in a few kilobytes, at the rate of its last cluster.
        {"last 2^30 ms on", Recording({Cluster(0, frames), Cluster(1ULL << 30, frames)}), -1},
        {"time running backwards", Recording({Cluster(50000, frames), Cluster(1000, frames)}), -1},
    };
    QTemporaryDir dir;
    for (const auto &c : cases) {
        const auto seconds = MatroskaSecondsFromBytes(c.file, c.file, c.file.size());
        const QString path = dir.filePath(QString::fromLatin1(c.name) + QStringLiteral(".webm"));
        qvj::test::WriteFile(path, c.file);
        if (c.seconds < 0) {
            EXPECT_FALSE(seconds) << c.name << ' ' << *seconds;
            EXPECT_FALSE(MatroskaSeconds(path)) << c.name;
            EXPECT_EQ(RecordingTroubleText(path, DiagnoseRecording(path, false)),
                      QString::fromLatin1(c.name)
                          + QStringLiteral(".webm states a length its bytes cannot hold: its "
                                           "time stamps are damaged, and its real length "
                                           "cannot be told."));
            continue;
        }
        ASSERT_TRUE(seconds) << c.name;
        EXPECT_NEAR(*seconds, c.seconds, 1e-9) << c.name;
        EXPECT_EQ(MatroskaSeconds(path), seconds) << c.name;
    }
}

} // namespace
