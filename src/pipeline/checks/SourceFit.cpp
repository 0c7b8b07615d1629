#include "pipeline/checks/SourceFit.h"

#include <QCoreApplication>

#include <QHash>
#include <QLocale>

#include <algorithm>
#include <cmath>

namespace {

// The codec names the user knows, by the encoder's format names.
QString CodecName(const QString &format)
{
    static const QList<std::pair<QString, QString>> names {
        {QStringLiteral("H264"), QStringLiteral("H.264")},
        {QStringLiteral("HEVC"), QStringLiteral("HEVC")},
        {QStringLiteral("MPEG4"), QStringLiteral("MPEG-4 Part 2")},
        {QStringLiteral("AV1"), QStringLiteral("AV1")},
        {QStringLiteral("MPEG2VIDEO"), QStringLiteral("MPEG-2")},
        {QStringLiteral("MPEG1VIDEO"), QStringLiteral("MPEG-1")},
        {QStringLiteral("AAC"), QStringLiteral("AAC")},
        {QStringLiteral("AC3"), QStringLiteral("AC3")},
        {QStringLiteral("EAC3"), QStringLiteral("E-AC3")},
        {QStringLiteral("MP3"), QStringLiteral("MP3")},
        {QStringLiteral("MP2"), QStringLiteral("MP2")}};
    for (const auto &[key, name] : names)
        if (format == key)
            return name;
    return format.isEmpty() ? QStringLiteral("unknown") : format;
}

QString WithProfile(const QString &format, const QString &profile)
{
    return profile.isEmpty() ? CodecName(format)
                             : QStringLiteral("%1 (%2)").arg(CodecName(format), profile);
}

// "29.97", "30", "23.976": at most three places, no trailing zeros.
QString FpsText(double fps)
{
    QString text = QString::number(fps, 'f', 3);
    while (text.endsWith(u'0'))
        text.chop(1);
    if (text.endsWith(u'.'))
        text.chop(1);
    return text;
}

// The frame size and rate; the exact rate when the rounded one reads like the other file's.
QString PictureText(const SourceFacts &f, const SourceFacts &other)
{
    QString rate = FpsText(f.fps) + QStringLiteral(" fps");
    if (f.variableRate)
        rate = QStringLiteral("a variable frame rate");
    else if (!other.variableRate && FpsText(f.fps) == FpsText(other.fps)
             && f.frameRate != other.frameRate)
        rate = f.frameRate + QStringLiteral(" fps");
    return QStringLiteral("%1x%2 at %3").arg(f.width).arg(f.height).arg(rate);
}

// The sound as the user knows it; the layout and the rate are named when they are what
// differs from the other file's.
QString SoundText(const SourceFacts &f, const SourceFacts &other)
{
    if (!f.hasAudio)
        return QStringLiteral("no sound");
    QString text
        = QStringLiteral("%1 %2 %3")
              .arg(WithProfile(f.audioFormat, f.audioProfile))
              .arg(f.channels)
              .arg(f.channels == 1 ? QStringLiteral("channel") : QStringLiteral("channels"));
    if (other.hasAudio && f.channels == other.channels && f.channelLayout != other.channelLayout)
        text += QStringLiteral(" (%1)").arg(f.channelLayout.isEmpty() ? QStringLiteral("no layout")
                                                                      : f.channelLayout);
    if (other.hasAudio && f.sampleRate != other.sampleRate)
        text += QStringLiteral(" at %1 Hz").arg(f.sampleRate);
    return text;
}

bool SamePicture(const SourceFacts &a, const SourceFacts &b)
{
    if (a.width != b.width || a.height != b.height || a.variableRate != b.variableRate)
        return false;
    // Files of variable rate state no rate that must agree.
    return a.variableRate || a.frameRate == b.frameRate;
}

bool SameSound(const SourceFacts &a, const SourceFacts &b)
{
    if (!a.hasAudio || !b.hasAudio)
        return a.hasAudio == b.hasAudio;
    return a.audioFormat == b.audioFormat && a.audioProfile == b.audioProfile
        && a.sampleRate == b.sampleRate && a.channels == b.channels
        && a.channelLayout == b.channelLayout;
}

// How the picture is shown, in the words of someone looking at it: rotation counts quarter
// turns clockwise, as players turn the stored picture for showing.
QString TurnText(int rotation)
{
    switch (rotation) {
    case 90:
        return QCoreApplication::translate("SourceFit", "shown turned a quarter to the right");
    case 180:
        return QCoreApplication::translate("SourceFit", "shown upside down");
    case 270:
        return QCoreApplication::translate("SourceFit", "shown turned a quarter to the left");
    default:
        return QCoreApplication::translate("SourceFit", "shown upright");
    }
}

QString FieldsText(const QString &order)
{
    if (order == u"tt" || order == u"tb")
        return QStringLiteral("interlaced, top field first");
    if (order == u"bb" || order == u"bt")
        return QStringLiteral("interlaced, bottom field first");
    return QStringLiteral("progressive");
}

// Colour values that change how a picture looks far beyond what an unstated one may mean.
bool WideOrHigh(const QString &value)
{
    static const QStringList values {QStringLiteral("bt2020"),       QStringLiteral("smpte2084"),
                                     QStringLiteral("arib-std-b67"), QStringLiteral("bt2020nc"),
                                     QStringLiteral("bt2020c"),      QStringLiteral("smpte432")};
    return values.contains(value);
}

// An unstated part agrees with any stated one of the usual range (players take the usual
// then); an HDR or wide-gamut part agrees only with itself. An unstated range is "tv".
bool SameColours(const SourceFacts &a, const SourceFacts &b)
{
    const auto same = [](const QString &x, const QString &y) {
        if (x == y)
            return true;
        if (x.isEmpty() || y.isEmpty())
            return !WideOrHigh(x) && !WideOrHigh(y);
        return false;
    };
    const auto range = [](const QString &r) { return r.isEmpty() ? QStringLiteral("tv") : r; };
    return same(a.colorPrimaries, b.colorPrimaries) && same(a.colorTransfer, b.colorTransfer)
        && same(a.colorMatrix, b.colorMatrix) && range(a.colorRange) == range(b.colorRange);
}

QString ColoursText(const SourceFacts &f)
{
    const auto part = [](const QString &v) { return v.isEmpty() ? QStringLiteral("-") : v; };
    return QStringLiteral("%1/%2/%3 %4 range")
        .arg(part(f.colorPrimaries), part(f.colorTransfer), part(f.colorMatrix),
             f.colorRange.isEmpty() ? QStringLiteral("tv") : f.colorRange);
}

} // namespace

// Why the file's streams cannot go into the container at all, or empty.
QStringList ContainerMisfits(const SourceFacts &f, const QString &extension)
{
    const bool mp4 = extension == u".mp4";
    const QString container = extension.mid(1).toUpper();
    QStringList why;
    static const QStringList mp4Video {QStringLiteral("H264"), QStringLiteral("HEVC"),
                                       QStringLiteral("MPEG4"), QStringLiteral("AV1")};
    static const QStringList mp4Audio {QStringLiteral("AAC"), QStringLiteral("MP3"),
                                       QStringLiteral("AC3")};
    // Frames kept without their times (AVI with reordered frames) would come out in the
    // wrong order of display in any container.
    if ((mp4 && !mp4Video.contains(f.videoFormat)) || f.untimedFrames)
        why << QStringLiteral("%1 video cannot be stored in an %2 file with this route")
                   .arg(CodecName(f.videoFormat), container);
    if (mp4 && f.hasAudio && !mp4Audio.contains(f.audioFormat))
        why << QStringLiteral("%1 sound cannot be stored in an %2 file with this route")
                   .arg(CodecName(f.audioFormat), container);
    // ffmpeg marks no turned picture in Matroska: the copy would be shown lying on its side.
    if (extension == u".mkv" && f.rotation != 0)
        why << QStringLiteral("a picture %1 cannot be marked so in an MKV file; \"MP4 - Same as "
                              "Source (No Re-encoding)\" keeps it")
                   .arg(TurnText(f.rotation));
    return why;
}

QStringList Differences(const SourceFacts &f, const SourceFacts &first)
{
    QStringList why;
    if (f.videoFormat != first.videoFormat || f.videoProfile != first.videoProfile)
        why << QStringLiteral("%1 video; most of the video is %2 video")
                   .arg(WithProfile(f.videoFormat, f.videoProfile),
                        WithProfile(first.videoFormat, first.videoProfile));
    // A copy decodes every HEVC file with the parameter sets of the first: pictures coded
    // with others would come out as garbage.
    else if (!f.videoSetup.isEmpty() && !first.videoSetup.isEmpty()
             && f.videoSetup != first.videoSetup)
        why << QStringLiteral("HEVC video coded with other settings than most of the video");
    if (!SamePicture(f, first))
        why << QStringLiteral("%1; most of the video is %2")
                   .arg(PictureText(f, first), PictureText(first, f));
    if (f.pixelFormat != first.pixelFormat)
        why << QStringLiteral("pixel format %1; most of the video has %2")
                   .arg(f.pixelFormat, first.pixelFormat);
    if (f.pixelAspect != first.pixelAspect)
        why << QStringLiteral("pixel aspect %1; most of the video has %2")
                   .arg(f.pixelAspect, first.pixelAspect);
    if (f.rotation != first.rotation)
        why << QStringLiteral("%1; most of the video is %2")
                   .arg(TurnText(f.rotation), TurnText(first.rotation));
    if (FieldsText(f.fieldOrder) != FieldsText(first.fieldOrder))
        why << QStringLiteral("%1; most of the video is %2")
                   .arg(FieldsText(f.fieldOrder), FieldsText(first.fieldOrder));
    if (!SameColours(f, first))
        why << QStringLiteral("colours %1; most of the video has %2")
                   .arg(ColoursText(f), ColoursText(first));
    if (!SameSound(f, first))
        why << (f.hasAudio ? QStringLiteral("sound ") : QString()) + SoundText(f, first)
                + QStringLiteral("; most of the video has ") + SoundText(first, f);
    else if (f.hasAudio && f.audioStream != first.audioStream)
        why << QStringLiteral("its sound is stream %1; most of the video has it in stream %2")
                   .arg(f.audioStream)
                   .arg(first.audioStream);
    // A copy reads every file's packets on the first file's clocks as they are.
    const auto clock = [&why](const char *what, int own, int kind) {
        if (own > 0 && kind > 0 && own != kind)
            why << QStringLiteral("%1 clock 1/%2 s; most of the video has 1/%3 s")
                       .arg(QLatin1String(what))
                       .arg(own)
                       .arg(kind);
    };
    clock("picture", f.videoTimescale, first.videoTimescale);
    if (f.hasAudio && first.hasAudio)
        clock("sound", f.audioTimescale, first.audioTimescale);
    why << TrackDifferences(f.tracks, first.tracks, f.audioStream);
    return why;
}

int KeptKind(const std::vector<SourceFacts> &facts)
{
    int best = -1;
    double bestLength = -1;
    int bestCount = 0;
    std::vector<bool> seen(facts.size(), false);
    for (size_t i = 0; i < facts.size(); ++i) {
        if (seen[i] || !facts[i].error.isEmpty() || !facts[i].hasVideo)
            continue;
        double length = 0;
        int count = 0;
        for (size_t j = i; j < facts.size(); ++j) {
            if (seen[j] || !facts[j].error.isEmpty() || !facts[j].hasVideo
                || !Differences(facts[j], facts[i]).isEmpty())
                continue;
            seen[j] = true;
            length += std::max(facts[j].length, 0.0);
            ++count;
        }
        if (length > bestLength + 1e-6
            || (std::abs(length - bestLength) <= 1e-6 && count > bestCount)) {
            best = int(i);
            bestLength = length;
            bestCount = count;
        }
    }
    return best;
}

std::vector<SourceFacts> ParseIdentifyOutput(const QString &text)
{
    using Setter = void (*)(SourceFacts &, const QString &);
    static const QHash<QString, Setter> setters {
        {QStringLiteral("ID_ERROR"), [](SourceFacts &f, const QString &v) { f.error = v; }},
        {QStringLiteral("ID_VIDEO_FORMAT"),
         [](SourceFacts &f, const QString &v) { f.hasVideo = true, f.videoFormat = v; }},
        {QStringLiteral("ID_VIDEO_PROFILE"),
         [](SourceFacts &f, const QString &v) { f.videoProfile = v; }},
        {QStringLiteral("ID_VIDEO_WIDTH"),
         [](SourceFacts &f, const QString &v) { f.width = v.trimmed().toInt(); }},
        {QStringLiteral("ID_VIDEO_HEIGHT"),
         [](SourceFacts &f, const QString &v) { f.height = v.trimmed().toInt(); }},
        {QStringLiteral("ID_VIDEO_FPS"),
         [](SourceFacts &f, const QString &v) { f.fps = QLocale::c().toDouble(v.trimmed()); }},
        {QStringLiteral("ID_VIDEO_FRAME_RATE"),
         [](SourceFacts &f, const QString &v) { f.frameRate = v; }},
        {QStringLiteral("ID_VIDEO_VARIABLE_FPS"),
         [](SourceFacts &f, const QString &v) { f.variableRate = v.trimmed().toInt() != 0; }},
        {QStringLiteral("ID_VIDEO_UNTIMED_FRAMES"),
         [](SourceFacts &f, const QString &v) { f.untimedFrames = v.trimmed().toInt() != 0; }},
        {QStringLiteral("ID_VIDEO_PIXEL_FORMAT"),
         [](SourceFacts &f, const QString &v) { f.pixelFormat = v; }},
        {QStringLiteral("ID_VIDEO_SAR"),
         [](SourceFacts &f, const QString &v) { f.pixelAspect = v; }},
        {QStringLiteral("ID_AUDIO_FORMAT"),
         [](SourceFacts &f, const QString &v) { f.hasAudio = true, f.audioFormat = v; }},
        {QStringLiteral("ID_AUDIO_PROFILE"),
         [](SourceFacts &f, const QString &v) { f.audioProfile = v; }},
        {QStringLiteral("ID_AUDIO_RATE"),
         [](SourceFacts &f, const QString &v) { f.sampleRate = v.trimmed().toInt(); }},
        {QStringLiteral("ID_AUDIO_NCH"),
         [](SourceFacts &f, const QString &v) { f.channels = v.trimmed().toInt(); }},
        {QStringLiteral("ID_AUDIO_LAYOUT"),
         [](SourceFacts &f, const QString &v) { f.channelLayout = v; }},
        {QStringLiteral("ID_VIDEO_ROTATION"),
         [](SourceFacts &f, const QString &v) { f.rotation = v.trimmed().toInt(); }},
        {QStringLiteral("ID_VIDEO_FIELD_ORDER"),
         [](SourceFacts &f, const QString &v) { f.fieldOrder = v; }},
        {QStringLiteral("ID_VIDEO_COLOR_PRIMARIES"),
         [](SourceFacts &f, const QString &v) { f.colorPrimaries = v; }},
        {QStringLiteral("ID_VIDEO_COLOR_TRANSFER"),
         [](SourceFacts &f, const QString &v) { f.colorTransfer = v; }},
        {QStringLiteral("ID_VIDEO_COLOR_MATRIX"),
         [](SourceFacts &f, const QString &v) { f.colorMatrix = v; }},
        {QStringLiteral("ID_VIDEO_COLOR_RANGE"),
         [](SourceFacts &f, const QString &v) { f.colorRange = v; }},
        {QStringLiteral("ID_VIDEO_SETUP"),
         [](SourceFacts &f, const QString &v) { f.videoSetup = v.trimmed(); }},
        {QStringLiteral("ID_VIDEO_LEVEL"),
         [](SourceFacts &f, const QString &v) { f.videoLevel = v.trimmed().toInt(); }},
        {QStringLiteral("ID_VIDEO_TIMESCALE"),
         [](SourceFacts &f, const QString &v) { f.videoTimescale = v.trimmed().toInt(); }},
        {QStringLiteral("ID_VIDEO_BITRATE"),
         [](SourceFacts &f, const QString &v) { f.videoBitrate = v.trimmed().toLongLong(); }},
        {QStringLiteral("ID_VIDEO_STREAM"),
         [](SourceFacts &f, const QString &v) { f.videoStream = v.trimmed().toInt(); }},
        {QStringLiteral("ID_AUDIO_STREAM"),
         [](SourceFacts &f, const QString &v) { f.audioStream = v.trimmed().toInt(); }},
        {QStringLiteral("ID_AUDIO_TIMESCALE"),
         [](SourceFacts &f, const QString &v) { f.audioTimescale = v.trimmed().toInt(); }},
        {QStringLiteral("ID_AUDIO_BITRATE"),
         [](SourceFacts &f, const QString &v) { f.audioBitrate = v.trimmed().toLongLong(); }},
        {QStringLiteral("ID_LENGTH"),
         [](SourceFacts &f, const QString &v) { f.length = QLocale::c().toDouble(v.trimmed()); }},
    };
    std::vector<SourceFacts> files;
    for (QString line : text.split(u'\n')) {
        if (line.endsWith(u'\r'))
            line.chop(1);
        const qsizetype eq = line.indexOf(u'=');
        if (!line.startsWith(QLatin1String("ID_")) || eq < 0)
            continue;
        const QString key = line.left(eq);
        if (key == u"ID_FILENAME") {
            files.emplace_back().file = line.mid(eq + 1);
        } else if (files.empty()) {
            continue;
        } else if (ReadTrackLine(files.back().tracks, key, line.mid(eq + 1))) {
            continue;
        } else if (const Setter set = setters.value(key)) {
            set(files.back(), line.mid(eq + 1));
        }
    }
    return files;
}

QStringList SourceMisfits(const std::vector<SourceFacts> &facts, const QStringList &names,
                          const QString &outputExtension)
{
    const QString extension = outputExtension.toLower();
    const int kept = KeptKind(facts);
    QStringList lines;
    for (size_t i = 0; i < facts.size(); ++i) {
        const SourceFacts &f = facts[i];
        const QString name = qsizetype(i) < names.size() ? names.at(qsizetype(i)) : f.file;
        QStringList why;
        if (!f.error.isEmpty())
            why << QStringLiteral("cannot be read (%1)").arg(f.error);
        else if (!f.hasVideo)
            why << QStringLiteral("has no video");
        else {
            why << ContainerMisfits(f, extension);
            if (kept >= 0)
                why << Differences(f, facts[size_t(kept)]);
        }
        if (!why.isEmpty())
            lines << name + QStringLiteral(": ") + why.join(QStringLiteral("; "));
    }
    return lines;
}

QString MisfitMessage(const QStringList &misfits)
{
    return QStringLiteral("These files cannot be joined without re-encoding:\n")
        + misfits.join(u'\n')
        + QStringLiteral("\nChoose a re-encoding profile such as \"MP4 - H.264 Video\", which "
                         "joins anything.");
}
