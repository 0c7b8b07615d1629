#include "common/BrokenRecordings.h"

#include "common/TestSupport.h"
#include "platform/RawNames.h"

#include <QFile>
#include <QProcess>

#include <gtest/gtest.h>

#include <unistd.h>

namespace qvj::test {
namespace {

// Cuts the file to keep of its bytes (a negative keep: that many fewer).
void Cut(const QString &path, qint64 keep)
{
    QFile f(path);
    const qint64 size = f.size();
    ASSERT_TRUE(f.resize(keep >= 0 ? keep : size + keep)) << path.toStdString();
}

} // namespace

std::vector<BrokenRecording> MakeBrokenRecordings(const QString &dir, double seconds)
{
    const QStringList live {QStringLiteral("-live"), QStringLiteral("1")};
    const QStringList h264 {QStringLiteral("-c:v"), QStringLiteral("libx264"),
                            QStringLiteral("-c:a"), QStringLiteral("aac")};
    const QStringList fragments = h264
        + QStringList {QStringLiteral("-g"), QStringLiteral("25"), QStringLiteral("-movflags"),
                       QStringLiteral("frag_keyframe+empty_moov"), QStringLiteral("-frag_duration"),
                       QStringLiteral("1000000")};
    const QStringList vp8 {QStringLiteral("-c:v"), QStringLiteral("libvpx"),
                           QStringLiteral("-deadline"), QStringLiteral("realtime"),
                           QStringLiteral("-c:a"), QStringLiteral("libopus")};
    // name, what to give ffmpeg, bytes kept (0 all, below 0 that many fewer, 1 a third of
    // them cut off), and the refusal.
    const struct
    {
        const char *name;
        QStringList extra;
        bool audio, video;
        qint64 keep;
        const char *refusal;
    } kinds[] = {
        {"crashed.mkv", h264 + live, true, true, -3000, ""},
        {"live.webm", vp8 + live, true, true, 0, ""},
        {"fragmented.mp4", fragments, true, true, 0, ""},
        {"cut.ts", h264, true, true, -1000, ""},
        {"cut.mp4", h264, true, true, 1, "index"},
        {"cut.mov", h264, true, true, 1, "index"},
        {"sound.mp4", {QStringLiteral("-c:a"), QStringLiteral("aac")}, true, false, 0, "sound only"},
    };
    std::vector<BrokenRecording> set;
    for (const auto &k : kinds) {
        const QString path = dir + QLatin1String(k.name);
        ClipSpec clip;
        clip.seconds = seconds;
        clip.audio = k.audio;
        clip.extra = k.extra;
        if (!k.video)
            clip.extra << QStringLiteral("-vn");
        if (!MakeClip(path, clip))
            continue;
        if (k.keep == 1)
            Cut(path, QFile(path).size() * 2 / 3);
        else if (k.keep < 0)
            Cut(path, k.keep);
        set.push_back({path, QLatin1String(k.refusal)});
    }
    const QString empty = dir + QStringLiteral("empty.mp4");
    WriteFile(empty, QByteArray());
    set.push_back({empty, QStringLiteral("empty")});
    // A name from an old disk: "café" in Latin-1, whose é is no UTF-8.
    const QString made = dir + QStringLiteral("latin.mp4");
    const QString latin = NameFromBytes(QFile::encodeName(dir) + "caf\xE9 d\xE9j\xE0.mp4");
    if (MakeClip(made, {.seconds = seconds})
        && ::rename(QFile::encodeName(made).constData(), NameToBytes(latin).constData()) == 0)
        set.push_back({latin, QString()});
    else
        ADD_FAILURE() << "cannot make the Latin-1 name";
    return set;
}

void RemoveRawNamedFiles(const QStringList &paths)
{
    for (const QString &path : paths)
        if (HoldsRawBytes(path))
            ::unlink(NameToBytes(path).constData());
}

double DecodableSeconds(const QString &path)
{
    QProcess p;
    p.start(QStringLiteral("ffprobe"),
            {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-select_streams"),
             QStringLiteral("v:0"), QStringLiteral("-count_frames"), QStringLiteral("-show_entries"),
             QStringLiteral("stream=nb_read_frames,avg_frame_rate"), QStringLiteral("-of"),
             QStringLiteral("default=nw=1"), OpenablePath(path)});
    p.waitForFinished(120000);
    double frames = 0, rate = 0;
    for (const QString &line : QString::fromUtf8(p.readAllStandardOutput()).split(u'\n')) {
        if (line.startsWith(QLatin1String("nb_read_frames=")))
            frames = line.section(u'=', 1).toDouble();
        else if (line.startsWith(QLatin1String("avg_frame_rate="))) {
            const QString r = line.section(u'=', 1);
            const double den = r.section(u'/', 1).toDouble();
            rate = den > 0 ? r.section(u'/', 0, 0).toDouble() / den : 0;
        }
    }
    return rate > 0 ? frames / rate : 0;
}

} // namespace qvj::test
