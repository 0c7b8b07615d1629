// Chapters of joined files, measured: device-like clips with names of every alphabet, one with
// chapters of its own, joined by quintor-join through both routes; every chapter must start
// within one output frame of where its file's first frame really landed (told by the clips'
// flashes) and carry the file's name or its own chapter's title.
#include "DeviceCorpus.h"
#include "EncoderTestSupport.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cmath>
#include <iostream>

namespace qvj::test {
namespace {

struct Found
{
    double start;
    QString title;
};

std::vector<Found> ChaptersOf(const QString &path)
{
    QProcess p;
    p.start(S("ffprobe"), {S("-v"), S("error"), S("-show_chapters"), S("-of"), S("json"), path});
    p.waitForFinished(60000);
    std::vector<Found> found;
    const QJsonArray list = QJsonDocument::fromJson(p.readAllStandardOutput())
                                .object()
                                .value(S("chapters"))
                                .toArray();
    for (const QJsonValue &c : list)
        found.push_back(
            {c[S("start_time")].toString().toDouble(), c[S("tags")][S("title")].toString()});
    return found;
}

// Own chapters, relative to the clip's first frame.
const std::vector<Found> kOwn {{0, S("Kapitel 1")}, {0.9, S("Chapitre « deux »")}, {1.7, S("三")}};

// Gives the clip the chapters of kOwn, written into it by ffmpeg.
bool AddOwnChapters(const QString &dir, const QString &name)
{
    QString meta = S(";FFMETADATA1\n");
    for (size_t k = 0; k < kOwn.size(); ++k)
        meta += QStringLiteral("[CHAPTER]\nTIMEBASE=1/1000\nSTART=%1\nEND=%2\ntitle=%3\n")
                    .arg(std::lround(kOwn[k].start * 1000))
                    .arg(k + 1 < kOwn.size() ? std::lround(kOwn[k + 1].start * 1000) : 2400)
                    .arg(kOwn[k].title);
    QFile file(dir + S("/meta.txt"));
    const QString plain = dir + S("/plain-") + name, own = dir + u'/' + name;
    return file.open(QIODevice::WriteOnly) && file.write(meta.toUtf8()) > 0 && file.flush()
        && QFile::rename(own, plain)
        && QProcess::execute(S("ffmpeg"),
                             {S("-v"), S("error"), S("-i"), plain, S("-i"), file.fileName(),
                              S("-map"), S("0"), S("-map_chapters"), S("1"), S("-c"), S("copy"),
                              own})
        == 0;
}

DeviceClip Clip(const char *corpusName, const char *name, double seconds = 0)
{
    for (DeviceClip c : DeviceCorpus())
        if (c.name == S(corpusName)) {
            c.name = S(name);
            c.coverArt = false;
            if (seconds > 0)
                c.seconds = seconds;
            return c;
        }
    return {};
}

struct Route
{
    const char *profile;
    const char *extension;
    std::vector<DeviceClip> clips; // the second one has chapters of its own
};

TEST(ChaptersE2E, EveryChapterStartsAtItsFilesFirstFrameWithItsName)
{
    const std::vector<Route> routes {
        {"MP4 - H.264 Video",
         ".mp4",
         {Clip("dvd.vob", "Été à Zürich.vob"), Clip("late sound.mkv", "late #2; a=b \\ c.mkv"),
          Clip("early sound.m4v", "早い音 \"quoted\".m4v")}},
        {"MOV - H.264 Video",
         ".mov",
         {Clip("camcorder.mts", "Ελληνικά.mts"), Clip("late sound.mkv", "مرحبا.mkv"),
          Clip("phone upright.mp4", "телефон.mp4")}},
        {"MP4 - Same as Source (No Re-encoding)",
         ".mp4",
         {Clip("priming.mp4", "première.mp4"), Clip("priming.mp4", "zweite Straße.mp4", 2.0),
          Clip("priming.mp4", "🎬 third.mp4")}},
        {"MKV - Same as Source (No Re-encoding)",
         ".mkv",
         {Clip("late sound.mkv", "один.mkv", 2.0), Clip("late sound.mkv", "two = 2; #.mkv"),
          Clip("late sound.mkv", "trois.mkv")}},
    };
    for (const Route &route : routes) {
        const std::string what = route.profile;
        QTemporaryDir work;
        QStringList args {
            S("--profile"),           S(route.profile), S("--chapters"),           S("--temp"),
            work.filePath(S("temp")), S("-o"),          work.filePath(S("joined"))};
        for (const DeviceClip &c : route.clips) {
            ASSERT_TRUE(MakeDeviceClip(work.path(), c)) << what;
            args << work.filePath(c.name);
        }
        ASSERT_TRUE(AddOwnChapters(work.path(), route.clips[1].name)) << what;
        const QString output = work.filePath(S("joined") + S(route.extension));
        const JoinRun run = RunQuintorJoin(args);
        ASSERT_EQ(run.code, 0) << what << run.err.toStdString();
        EXPECT_EQ(QDir(work.filePath(S("temp")))
                      .entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot),
                  QStringList())
            << what;

        // Where each file's first frame is: its first flash less the flash's time in the clip.
        const std::vector<double> flashes = FlashTimesIn(output);
        ASSERT_EQ(flashes.size(), 2 * route.clips.size()) << what;
        std::vector<Found> expected;
        for (size_t i = 0; i < route.clips.size(); ++i) {
            const double start = flashes[2 * i] - FlashTimes(route.clips[i])[0];
            if (i == 1)
                for (const Found &own : kOwn)
                    expected.push_back({start + own.start, own.title});
            else
                expected.push_back({start, route.clips[i].name.section(u'.', 0, -2)});
        }
        const std::vector<Found> found = ChaptersOf(output);
        ASSERT_EQ(found.size(), expected.size()) << what;
        const double frame = 1 / ProbeFile(output).fps;
        double worst = 0;
        for (size_t k = 0; k < found.size(); ++k) {
            EXPECT_EQ(found[k].title, expected[k].title) << what;
            const double off = found[k].start - expected[k].start;
            worst = std::max(worst, std::abs(off));
            EXPECT_LE(std::abs(off), frame + 0.002) << what << ", " << found[k].title.toStdString();
        }
        std::cout << "[ measured ] " << what << ": " << found.size() << " chapters, worst start "
                  << worst * 1000 << " ms from the file's first "
                  << "frame (one frame: " << frame * 1000 << " ms)\n";
    }
}

// A name as long as the file system allows, of every kind of character, and a file with
// hundreds of chapters of its own still give a file that plays, with their chapters.
TEST(ChaptersE2E, LongNamesAndHundredsOfChaptersPlay)
{
    QTemporaryDir work;
    QString name = S("ä\"'=;#\\%$`!&*?|<>{}[]()\t 日本 🎬");
    while (name.toUtf8().size() < 250)
        name += S("é");
    name += S(".mkv");
    const std::vector<DeviceClip> clips {Clip("late sound.mkv", qPrintable(name)),
                                         Clip("late sound.mkv", "many.mkv")};
    QStringList args {S("--profile"), S("MKV - Same as Source (No Re-encoding)"), S("-o"),
                      work.filePath(S("out.mkv"))};
    for (const DeviceClip &c : clips) {
        ASSERT_TRUE(MakeDeviceClip(work.path(), c));
        args << work.filePath(c.name);
    }
    QString meta = S(";FFMETADATA1\n");
    for (int k = 0; k < 400; ++k)
        meta += QStringLiteral("[CHAPTER]\nTIMEBASE=1/1000\nSTART=%1\nEND=%2\ntitle=%3 %4\n")
                    .arg(k * 6)
                    .arg(k * 6 + 6)
                    .arg(QString(200, u'ß'))
                    .arg(k);
    QFile file(work.filePath(S("meta.txt")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(meta.toUtf8()) > 0 && file.flush());
    const QString many = work.filePath(S("many.mkv"));
    ASSERT_EQ(QProcess::execute(S("ffmpeg"),
                                {S("-v"), S("error"), S("-y"), S("-i"), many, S("-i"),
                                 file.fileName(), S("-map"), S("0"), S("-map_chapters"), S("1"),
                                 S("-c"), S("copy"), work.filePath(S("own.mkv"))}),
              0);
    args.last() = work.filePath(S("own.mkv"));
    const JoinRun run = RunQuintorJoin(args);
    ASSERT_EQ(run.code, 0) << run.err.toStdString();
    const std::vector<Found> found = ChaptersOf(work.filePath(S("out.mkv")));
    ASSERT_EQ(found.size(), 401u); // the own chapters within the file's 2.4 s: all of them
    EXPECT_EQ(found[0].title, name.chopped(4));
    EXPECT_EQ(FlashTimesIn(work.filePath(S("out.mkv"))).size(), 4u);
}

} // namespace
} // namespace qvj::test
