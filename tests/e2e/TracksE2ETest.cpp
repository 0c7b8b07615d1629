// Clips of a picture, two sound tracks of two languages and a subtitle track, joined by the
// copy into MP4 and MKV through quintor-join: every track is kept with its language, title
// and default flag, every beep stays by its flash on every sound track, each sound track is as
// long as the picture, and the second clip's cues and chapter follow the first clip's length.
#include "EncoderTestSupport.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cmath>
#include <iostream>

namespace {

using namespace qvj::test;

// The cues of each clip, on its picture's clock: one on each flash.
constexpr double kCues[] = {0.4, 1.2};

QString Probe(const QString &path, const QStringList &what)
{
    QString out;
    RunProgram(S("ffprobe"), QStringList {S("-v"), S("error")} + what + QStringList {path}, &out);
    return out;
}

// A clip of MakeSyncClip's with its sound twice (the camera's in English, a second
// microphone's in German, not the default) and an SRT subtitle of a cue on each flash.
bool MakeTrackClip(const QString &path, bool secondSound = true)
{
    const QString base = path + S(".base.mp4"), cues = path + S(".srt");
    if (!MakeSyncClip(base, {.extra = {S("-c:v"), S("libx264"), S("-c:a"), S("aac")}}))
        return false;
    WriteFile(cues,
              "1\n00:00:00,400 --> 00:00:00,800\nFlash one\n\n"
              "2\n00:00:01,200 --> 00:00:01,500\nFlash two\n");
    QString line = S("-v error -y -i %1 -i %2 -map 0:v -map 0:a ").arg(base, cues);
    if (secondSound)
        line += S("-map 0:a ");
    line += S("-map 1 -c copy -c:s mov_text -metadata:s:a:0 language=eng -metadata:s:s:0 "
              "language=eng -metadata creation_time=2026-05-01T10:00:00Z");
    if (secondSound)
        line += S(" -metadata:s:a:1 language=deu -disposition:a:1 0");
    QStringList args = line.split(u' ');
    args << S("-metadata:s:a:0") << S("handler_name=Camera");
    if (secondSound)
        args << S("-metadata:s:a:1") << S("handler_name=Second microphone");
    args << path;
    return RunProgram(S("ffmpeg"), args) == 0;
}

// The picture (v:0) or one sound track (a:N) of a file with its picture, as a file of its own.
QString TrackFile(const QString &path, int sound)
{
    const QString out = path + S(".a%1.mkv").arg(sound);
    RunProgram(S("ffmpeg"),
               {S("-v"), S("error"), S("-y"), S("-i"), path, S("-map"), S("0:v:0"), S("-map"),
                S("0:a:%1").arg(sound), S("-c"), S("copy"), out});
    return out;
}

// Where the last packet of the stream ends, in seconds of the file's clock.
double StreamEnd(const QString &path, const char *stream)
{
    double end = 0;
    const QString csv = Probe(path,
                              {S("-select_streams"), S(stream), S("-show_entries"),
                               S("packet=pts_time,duration_time"), S("-of"), S("csv=p=0")});
    for (const QString &line : csv.split(u'\n', Qt::SkipEmptyParts)) {
        const QStringList parts = line.split(u',');
        if (parts.size() >= 2)
            end = std::max(end, parts[0].toDouble() + parts[1].toDouble());
    }
    return end;
}

// Where the picture starts on the file's clock.
double PictureStart(const QString &path)
{
    return Probe(path,
                 {S("-select_streams"), S("v:0"), S("-show_entries"), S("stream=start_time"),
                  S("-of"), S("csv=p=0")})
        .trimmed()
        .toDouble();
}

// The starts of the subtitle track's cues with text, on the picture's clock.
std::vector<double> CueStarts(const QString &path)
{
    const double picture = PictureStart(path);
    std::vector<double> starts;
    const QString csv = Probe(path,
                              {S("-select_streams"), S("s:0"), S("-show_entries"),
                               S("packet=pts_time,size"), S("-of"), S("csv=p=0")});
    for (const QString &line : csv.split(u'\n', Qt::SkipEmptyParts)) {
        const QStringList parts = line.split(u',');
        // An MP4 file fills the time between cues with empty ones (two bytes).
        if (parts.size() >= 2 && parts[1].toInt() > 2)
            starts.push_back(parts[0].toDouble() - picture);
    }
    return starts;
}

// "video", "audio eng Camera default", "subtitle eng mov_text": each stream of the file.
QStringList Streams(const QString &path)
{
    const QJsonArray streams
        = QJsonDocument::fromJson(Probe(path, {S("-show_streams"), S("-of"), S("json")}).toUtf8())
              .object()
              .value(S("streams"))
              .toArray();
    QStringList lines;
    for (const auto &value : streams) {
        const QJsonObject s = value.toObject(), tags = s.value(S("tags")).toObject();
        const QString type = s.value(S("codec_type")).toString();
        // An MP4 file's chapter list is a text track of its own.
        if (s.value(S("codec_name")).toString() == u"bin_data")
            continue;
        if (type == u"video") {
            lines << type;
            continue;
        }
        // MP4 keeps a title as the track handler's name, MKV as the track's name.
        QString title = tags.value(S("title")).toString();
        if (title.isEmpty())
            title = tags.value(S("handler_name")).toString();
        QStringList line {type, tags.value(S("language")).toString()};
        if (type == u"audio") {
            line << title;
            if (s.value(S("disposition")).toObject().value(S("default")).toInt())
                line << S("default");
        } else {
            line << s.value(S("codec_name")).toString();
        }
        lines << line.join(u' ');
    }
    return lines;
}

TEST(TracksJoin, EveryTrackIsKeptInSyncByTheCopy)
{
    QTemporaryDir dir;
    const QString a = dir.filePath(S("a.mp4")), b = dir.filePath(S("b.mp4"));
    for (const QString &clip : {a, b})
        ASSERT_TRUE(MakeTrackClip(clip));
    const double firstLength = double(VideoFrames(a)) / 25;
    const struct
    {
        const char *profile, *extension, *subtitles;
    } outputs[] = {{"MP4 - Same as Source (No Re-encoding)", "mp4", "mov_text"},
                   {"MKV - Same as Source (No Re-encoding)", "mkv", "subrip"}};
    for (const auto &o : outputs) {
        SCOPED_TRACE(o.profile);
        const QString output = dir.filePath(S("joined.") + S(o.extension));
        const JoinRun joined = RunQuintorJoin({S("--profile"), S(o.profile), S("--chapters"),
                                               S("--temp"), dir.path(), S("-o"), output, a, b});
        ASSERT_EQ(joined.code, 0) << joined.err.toStdString() << joined.out.toStdString();
        const QStringList streams {S("video"), S("audio eng Camera default"),
                                   S("audio deu Second microphone"),
                                   S("subtitle eng ") + S(o.subtitles)};
        EXPECT_EQ(Streams(output), streams);

        const double picture = StreamEnd(output, "v:0");
        double worstSync = 0, worstLength = 0, worstTrackEnd = 0;
        for (int sound : {0, 1}) {
            CheckJoined(TrackFile(output, sound), {TrackFile(a, sound), TrackFile(b, sound)},
                        std::string(o.extension) + " sound track " + std::to_string(sound + 1),
                        &worstSync, &worstLength);
            const double end = std::abs(StreamEnd(output, sound ? "a:1" : "a:0") - picture);
            EXPECT_LE(end, 0.05) << "sound track " << sound + 1;
            worstTrackEnd = std::max(worstTrackEnd, end);
        }

        const std::vector<double> cues = CueStarts(output);
        ASSERT_EQ(cues.size(), 4u);
        double worstCue = 0;
        for (size_t i = 0; i < cues.size(); ++i) {
            const double expected = kCues[i % 2] + (i >= 2 ? firstLength : 0);
            worstCue = std::max(worstCue, std::abs(cues[i] - expected));
            EXPECT_LE(std::abs(cues[i] - expected), 1.0 / 25) << "cue " << i + 1;
        }
        // The chapter of the second clip starts with its picture.
        const QStringList chapters
            = Probe(output, {S("-show_entries"), S("chapter=start_time"), S("-of"), S("csv=p=0")})
                  .split(u'\n', Qt::SkipEmptyParts);
        ASSERT_EQ(chapters.size(), 2);
        const double chapterMiss
            = std::abs(chapters[1].toDouble() - PictureStart(output) - firstLength);
        EXPECT_LE(chapterMiss, 1.0 / 25);
        std::cout << o.extension << ": worst sync " << worstSync * 1000 << " ms on two sound "
                  << "tracks, sound ends " << worstTrackEnd * 1000 << " ms from the picture, "
                  << "worst cue " << worstCue * 1000 << " ms from its place, second chapter "
                  << chapterMiss * 1000 << " ms from its clip\n";
    }
}

// A clip without the second sound track among clips with it is converted to fit: it gets the
// track, silent, and every track of the join stays in place.
TEST(TracksJoin, AClipLackingATrackIsFittedWithIt)
{
    QTemporaryDir dir;
    const QString a = dir.filePath(S("a.mp4")), lacking = dir.filePath(S("lacking.mp4")),
                  b = dir.filePath(S("b.mp4")), output = dir.filePath(S("joined.mp4"));
    ASSERT_TRUE(MakeTrackClip(a) && MakeTrackClip(b) && MakeTrackClip(lacking, false));
    const JoinRun joined
        = RunQuintorJoin({S("--profile"), S("MP4 - Same as Source (No Re-encoding)"), S("--fit"),
                          S("--temp"), dir.path(), S("-o"), output, a, lacking, b});
    ASSERT_EQ(joined.code, 0) << joined.err.toStdString() << joined.out.toStdString();
    EXPECT_EQ(Streams(output),
              (QStringList {S("video"), S("audio eng Camera default"),
                            S("audio deu Second microphone"), S("subtitle eng mov_text")}));
    double worstSync = 0, worstLength = 0;
    CheckJoined(TrackFile(output, 0), {TrackFile(a, 0), TrackFile(lacking, 0), TrackFile(b, 0)},
                "sound track 1", &worstSync, &worstLength);
    const double picture = StreamEnd(output, "v:0");
    const double ends = std::abs(StreamEnd(output, "a:1") - picture);
    EXPECT_LE(ends, 0.05);
    EXPECT_EQ(CueStarts(output).size(), 6u);
    std::cout << "fitted: worst sync " << worstSync * 1000 << " ms on sound track 1, sound track "
              << "2 ends " << ends * 1000 << " ms from the picture\n";
}

} // namespace
