// Phone clips that state when, where and with what they were filmed, joined by quintor-join
// without re-encoding: the joined file states the first clip's date, place and device (also
// when that clip is the one converted to fit), takes the last clip's modification time, and
// stays in step; with --no-dates it states none of them.
#include "DeviceCorpus.h"
#include "EncoderTestSupport.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTimeZone>

#include <gtest/gtest.h>

#include <iostream>

namespace qvj::test {
namespace {

// The file's global tags, by ffprobe.
QJsonObject FormatTags(const QString &path)
{
    QString json;
    RunProgram(S("ffprobe"),
               {S("-v"), S("error"), S("-print_format"), S("json"), S("-show_entries"),
                S("format_tags"), path},
               &json);
    return QJsonDocument::fromJson(json.toUtf8())
        .object()
        .value(S("format"))
        .toObject()
        .value(S("tags"))
        .toObject();
}

// A tag's value in any case of its name (Matroska writes them in capitals).
QString Tag(const QJsonObject &tags, const char *name)
{
    for (auto it = tags.begin(); it != tags.end(); ++it)
        if (it.key().compare(S(name), Qt::CaseInsensitive) == 0)
            return it.value().toString();
    return {};
}

// A stated time to the second, in UTC, whichever way it is written ("...30.000000Z" from a
// header, "...30.000Z" from a named key).
QString Moment(const QString &text)
{
    return text.size() >= 19 && text.endsWith(u'Z') ? text.left(19) + u'Z' : text;
}

// x264 and AAC with more flags, and the tags stated as a device states them.
QStringList Stating(const char *flags, const QStringList &tags)
{
    QStringList args = S("-c:v libx264 -preset veryfast -pix_fmt yuv420p -c:a aac ")
                           .append(S(flags))
                           .split(u' ', Qt::SkipEmptyParts);
    for (const QString &tag : tags)
        args << S("-metadata") << tag;
    return args;
}

TEST(RecordingDate, TheFirstClipsDatePlaceAndDeviceAndTheLastOnesTimeAreKept)
{
    QTemporaryDir work;
    const QString dir = work.path();
    const auto phone = [](const char *name, const char *date, const char *place) {
        DeviceClip c {.name = S(name), .width = 320, .height = 240, .fps = S("30"), .seconds = 2.4};
        c.codecs = Stating("-movflags +use_metadata_tags",
                           {S("creation_time=") + S(date), S("location=") + S(place),
                            S("make=Acme"), S("model=Phone 7 Pro")});
        return c;
    };
    // The first clip's sound differs from the others': it is the one converted to fit.
    std::vector<DeviceClip> clips {
        phone("first.mp4", "2024-05-01T10:20:30.000000Z", "+48.8584+002.2945/"),
        phone("second.mp4", "2024-05-02T08:00:00.000000Z", "+51.5007-000.1246/"),
        phone("third.mp4", "2024-05-03T09:00:00.000000Z", "+40.6892-074.0445/")};
    clips[0].sampleRate = 44100, clips[0].channels = 1;
    for (const DeviceClip &c : clips)
        ASSERT_TRUE(MakeDeviceClip(dir, c));
    // The files' own times: the last one's is the one the joined file takes.
    const QDateTime last = QDateTime(QDate(2024, 5, 3), QTime(9, 5, 7), QTimeZone::utc());
    for (size_t i = 0; i < clips.size(); ++i) {
        QFile f(dir + S("/") + clips[i].name);
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        ASSERT_TRUE(f.setFileTime(last.addDays(qint64(i) - 2), QFileDevice::FileModificationTime));
    }

    double worstSync = 0;
    const struct
    {
        const char *profile;
        const char *extension;
        bool dates;
    } runs[] = {{"MP4 - Same as Source (No Re-encoding)", ".mp4", true},
                {"MKV - Same as Source (No Re-encoding)", ".mkv", true},
                {"MP4 - Same as Source (No Re-encoding)", ".mp4", false}};
    for (const auto &r : runs) {
        const QString output = dir + S("/joined") + S(r.extension);
        QFile::remove(output);
        QStringList args {S("--profile"), S(r.profile), S("--temp"), dir + S("/temp"),
                          S("--fit"),     S("-o"),      output};
        if (!r.dates)
            args << S("--no-dates");
        std::vector<JoinedInput> inputs;
        for (const DeviceClip &c : clips) {
            args << dir + S("/") + c.name;
            inputs.push_back({args.back(), c.seconds, ShownAspect(c), FlashTimes(c)});
        }
        const JoinRun run = RunQuintorJoin(args);
        ASSERT_EQ(run.code, 0) << run.err.toStdString();

        const QJsonObject tags = FormatTags(output);
        const QString what = S("%1%2").arg(S(r.extension), r.dates ? S("") : S(" --no-dates"));
        const QDateTime modified = QFileInfo(output).lastModified();
        if (r.dates) {
            EXPECT_EQ(Moment(Tag(tags, "creation_time")), S("2024-05-01T10:20:30Z"))
                << what.toStdString();
            EXPECT_TRUE(Tag(tags, "location").startsWith(S("+48.8584+002.2945")))
                << what.toStdString() << Tag(tags, "location").toStdString();
            EXPECT_EQ(Tag(tags, "make"), S("Acme")) << what.toStdString();
            EXPECT_EQ(Tag(tags, "model"), S("Phone 7 Pro")) << what.toStdString();
            EXPECT_EQ(modified, last) << what.toStdString();
        } else {
            EXPECT_EQ(Tag(tags, "creation_time"), QString());
            EXPECT_EQ(Tag(tags, "location"), QString());
            EXPECT_EQ(Tag(tags, "make"), QString());
            EXPECT_GT(modified, QDateTime::currentDateTimeUtc().addSecs(-600));
        }
        JoinFigures figures;
        CheckCorpusJoin(output, inputs, r.profile, &figures);
        worstSync = std::max(worstSync, figures.sync);
    }
    std::cout << "[ measured ] recording date kept in MP4 and MKV through a fitted first clip, "
                 "worst sync "
              << worstSync * 1000 << " ms\n";
}

// A phone's own keys: an iPhone-like MOV copied into MP4 states them as written; a Matroska
// camera clip (whose tags the copy's writer reads itself) gives its date and device too.
TEST(RecordingDate, APhonesOwnKeysAreKept)
{
    QTemporaryDir work;
    const QString dir = work.path();
    const struct
    {
        const char *clip, *flags, *profile, *output;
        QStringList tags; // stated in the clip, and expected in the joined file
    } cases[] = {
        {"IMG_0001.mov",
         "-movflags +use_metadata_tags",
         "MP4 - Same as Source (No Re-encoding)",
         "joined.mp4",
         {S("creation_time=2024-05-01T10:20:30Z"),
          S("com.apple.quicktime.creationdate=2024-05-01T12:20:30+0200"),
          S("com.apple.quicktime.location.ISO6709=+48.8584+002.2945+035.000/"),
          S("com.apple.quicktime.make=Apple"), S("com.apple.quicktime.model=iPhone 12")}},
        {"camera.mkv",
         "",
         "MKV - Same as Source (No Re-encoding)",
         "joined.mkv",
         {S("creation_time=2023-12-24T18:00:00Z"), S("make=Acme")}},
    };
    for (const auto &c : cases) {
        const DeviceClip clip {
            .name = S(c.clip), .fps = S("25"), .codecs = Stating(c.flags, c.tags)};
        ASSERT_TRUE(MakeDeviceClip(dir, clip));
        const QString input = dir + S("/") + S(c.clip), output = dir + S("/") + S(c.output);
        const JoinRun run = RunQuintorJoin({S("--profile"), S(c.profile), S("--temp"),
                                            dir + S("/temp"), S("-o"), output, input, input});
        ASSERT_EQ(run.code, 0) << run.err.toStdString();
        const QJsonObject tags = FormatTags(output);
        for (const QString &tag : c.tags) {
            const QString key = tag.section(u'=', 0, 0), value = tag.section(u'=', 1);
            EXPECT_EQ(Moment(Tag(tags, key.toUtf8().constData())), value) << c.output;
        }
    }
}

} // namespace
} // namespace qvj::test
