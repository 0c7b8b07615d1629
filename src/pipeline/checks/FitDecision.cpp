#include "pipeline/checks/FitDecision.h"

#include "tasks/TimeText.h"

#include <QCoreApplication>
#include <QHash>
#include <QRegularExpression>

#include <cmath>

namespace {

// The encoder's profile names, by the names the files state.
QString ProfileFor(const SourceFacts &kind)
{
    static const QHash<QString, QString> h264 {
        {QStringLiteral("Baseline"), QStringLiteral("baseline")},
        {QStringLiteral("Constrained Baseline"), QStringLiteral("baseline")},
        {QStringLiteral("Main"), QStringLiteral("main")},
        {QStringLiteral("High"), QStringLiteral("high")},
        {QStringLiteral("High 10"), QStringLiteral("high10")},
        {QStringLiteral("High 4:2:2"), QStringLiteral("high422")},
        {QStringLiteral("High 4:4:4 Predictive"), QStringLiteral("high444")}};
    static const QHash<QString, QString> hevc {
        {QStringLiteral("Main"), QStringLiteral("main")},
        {QStringLiteral("Main 10"), QStringLiteral("main10")}};
    return (kind.videoFormat == u"H264" ? h264 : hevc).value(kind.videoProfile);
}

// The kind's tracks besides its picture and sound as the fit makes them (a/aac/48000/2/stereo
// for a sound track, s for a subtitle track, "_" between them), or empty when there are none
// or one cannot be made: the converted files are MP4 files, whose subtitles are MP4 text,
// and a track must lie where the kind has it, so data tracks and attachments come last.
QString FurtherTracks(const SourceFacts &kind, const QHash<QString, QString> &sounds)
{
    QStringList items;
    bool ended = false; // a data track or an attachment came
    for (const SourceTrack &t : kind.tracks) {
        if (t.kind == SourceTrack::Kind::Data || t.kind == SourceTrack::Kind::Attachment) {
            ended = true;
            continue;
        }
        if (ended)
            return QString();
        if (t.kind == SourceTrack::Kind::Subtitle) {
            if (t.format != u"MOV_TEXT")
                return QString();
            items << QStringLiteral("s");
        } else if (t.stream != kind.audioStream) {
            const QString codec = sounds.value(t.format);
            static const QRegularExpression layoutName(QStringLiteral("^[A-Za-z0-9.()-]*$"));
            if (codec.isEmpty() || (codec == u"aac" && t.profile != u"LC") || t.sampleRate < 8000
                || t.sampleRate > 192000 || t.channels < 1 || t.channels > 8
                || !layoutName.match(t.channelLayout).hasMatch())
                return QString();
            items << QStringLiteral("a/%1/%2/%3/%4")
                         .arg(codec)
                         .arg(t.sampleRate)
                         .arg(t.channels)
                         .arg(t.channelLayout);
        }
    }
    return items.join(u'_');
}

} // namespace

double FitPace(FitPart part)
{
    return part == FitPart::Sound ? 0.04 : 1.2;
}

QString FitValue(const QString &settings, FitPart part)
{
    return part == FitPart::Sound ? settings + QStringLiteral(":vcopy=1") : settings;
}

FitPart PartToConvert(const SourceFacts &f, const SourceFacts &kind, const QString &extension)
{
    // The file with the kind's sound in its place: what then still differs is in its picture.
    SourceFacts picture = f;
    picture.hasAudio = kind.hasAudio;
    picture.audioFormat = kind.audioFormat, picture.audioProfile = kind.audioProfile;
    picture.sampleRate = kind.sampleRate, picture.channels = kind.channels;
    picture.channelLayout = kind.channelLayout, picture.audioStream = kind.audioStream;
    picture.audioBitrate = kind.audioBitrate, picture.audioTimescale = kind.audioTimescale;
    // A copied picture takes the kind's clock as it is written.
    picture.videoTimescale = kind.videoTimescale;
    return Differences(picture, kind).isEmpty()
            && ContainerMisfits(picture, extension.toLower()).isEmpty()
        ? FitPart::Sound
        : FitPart::Whole;
}

bool MadePictureJoins(const SourceFacts &kind)
{
    return kind.videoFormat != u"HEVC";
}

QString FitSettingsFor(const SourceFacts &kind, QString *why)
{
    const bool h264 = kind.videoFormat == u"H264", hevc = kind.videoFormat == u"HEVC";
    static const QHash<QString, QString> sounds {{QStringLiteral("AAC"), QStringLiteral("aac")},
                                                 {QStringLiteral("AC3"), QStringLiteral("ac3")},
                                                 {QStringLiteral("MP3"), QStringLiteral("mp3")},
                                                 {QStringLiteral("OPUS"), QStringLiteral("opus")}};
    const QString profile = ProfileFor(kind);
    const QString sound = sounds.value(kind.audioFormat);
    if (!h264 && !hevc)
        *why = QStringLiteral("no encoder here makes %1 video").arg(kind.videoFormat);
    else if (profile.isEmpty() && !kind.videoProfile.isEmpty())
        *why = QStringLiteral("no encoder here makes the %1 profile").arg(kind.videoProfile);
    else if (kind.width < 16 || kind.height < 16 || kind.width > 8192 || kind.height > 8192
             || kind.width % 2 != 0 || kind.height % 2 != 0)
        *why = QStringLiteral("no encoder here makes pictures of %1x%2")
                   .arg(kind.width)
                   .arg(kind.height);
    else if (kind.hasAudio
             && (kind.sampleRate < 8000 || kind.sampleRate > 192000 || kind.channels < 1
                 || kind.channels > 8))
        *why = QStringLiteral("no encoder here makes its sound");
    else if (kind.pixelFormat.isEmpty())
        *why = QStringLiteral("the kind states no pixel format to make");
    else if (kind.variableRate || kind.fps <= 0
             || !QRegularExpression(QStringLiteral("^[1-9][0-9]{0,9}(/[1-9][0-9]{0,9})?$"))
                     .match(kind.frameRate)
                     .hasMatch())
        *why = QStringLiteral("the kind has no steady frame rate to make");
    else if (kind.fieldOrder.size() == 2) // "tt", "bb", "tb", "bt"
        *why = QStringLiteral("no encoder here makes interlaced pictures");
    else if (kind.hasAudio && (sound.isEmpty() || (sound == u"aac" && kind.audioProfile != u"LC")))
        *why = QStringLiteral("no encoder here makes its sound");
    // The converted files hold the picture, then the sound: a copy takes each file's streams
    // by their place.
    else if (kind.videoStream != 0 || (kind.hasAudio && kind.audioStream != 1))
        *why = QStringLiteral("its streams are not stored picture first, then sound");
    // A copy reads every file's packets on the first file's clocks as they are; a converted
    // file (MP4) keeps the picture's clock of the kind, but counts its sound in samples.
    else if (kind.hasAudio && kind.audioTimescale > 0 && kind.audioTimescale != kind.sampleRate)
        *why = QStringLiteral("a converted file cannot keep its sound's clock (1/%1)")
                   .arg(kind.audioTimescale);
    if (!why->isEmpty())
        return QString();
    QStringList parts {QStringLiteral("vcodec=")
                       + (h264 ? QStringLiteral("h264") : QStringLiteral("hevc"))};
    if (!profile.isEmpty())
        parts << QStringLiteral("vprofile=") + profile;
    if (kind.videoLevel > 0)
        parts << QStringLiteral("level=%1").arg(kind.videoLevel);
    parts << QStringLiteral("size=%1x%2").arg(kind.width).arg(kind.height)
          << QStringLiteral("fps=") + kind.frameRate
          << QStringLiteral("pix=") + kind.pixelFormat
          // A kind that states no pixel shape has square pixels.
          << QStringLiteral("sar=")
            + QString(kind.pixelAspect.isEmpty() ? QStringLiteral("1:1") : kind.pixelAspect)
                  .replace(u':', u'/')
          << QStringLiteral("rotate=%1").arg(kind.rotation);
    const std::pair<const char *, QString> colours[] = {{"prim", kind.colorPrimaries},
                                                        {"trc", kind.colorTransfer},
                                                        {"matrix", kind.colorMatrix},
                                                        {"range", kind.colorRange}};
    for (const auto &[key, value] : colours)
        if (!value.isEmpty())
            parts << QLatin1String(key) + QLatin1Char('=') + value;
    if (kind.videoBitrate > 0)
        parts << QStringLiteral("vbitrate=%1").arg(kind.videoBitrate);
    // A copy reads every file's packets on the first file's clock: a converted file must keep
    // the kind's.
    if (kind.videoTimescale > 0)
        parts << QStringLiteral("tbn=%1").arg(kind.videoTimescale);
    if (kind.hasAudio) {
        parts << QStringLiteral("acodec=") + sound
              << QStringLiteral("srate=%1").arg(kind.sampleRate)
              << QStringLiteral("channels=%1").arg(kind.channels);
        if (!kind.channelLayout.isEmpty())
            parts << QStringLiteral("layout=") + kind.channelLayout;
        if (kind.audioBitrate > 0)
            parts << QStringLiteral("abitrate=%1").arg(kind.audioBitrate);
    }
    if (const QString tracks = FurtherTracks(kind, sounds); !tracks.isEmpty())
        parts << QStringLiteral("tracks=") + tracks;
    // Every value goes on the encoder's command line as one word of names and numbers; a
    // value's "=" would be read as another key's.
    for (const QString &part : parts)
        for (const QChar c : part.mid(part.indexOf(u'=') + 1))
            if (!c.isLetterOrNumber() && !QStringLiteral("_-./()x").contains(c)) {
                *why = QStringLiteral("the kind's description holds a character \"%1\"").arg(c);
                return QString();
            }
    return parts.join(u':');
}

FitDecision DecideFit(const std::vector<SourceFacts> &facts, const QStringList &names,
                      const QString &outputExtension)
{
    FitDecision d;
    d.misfits = SourceMisfits(facts, names, outputExtension);
    d.kept = KeptKind(facts);
    if (d.misfits.isEmpty())
        return d;
    const QString extension = outputExtension.toLower();
    if (d.kept < 0) {
        d.refusals << QStringLiteral("no file can be read");
        return d;
    }
    const SourceFacts &kind = facts[size_t(d.kept)];
    if (!ContainerMisfits(kind, extension).isEmpty()) {
        d.refusals << QStringLiteral("most of the video cannot be stored in this file kind");
        return d;
    }
    QString why;
    d.settings = FitSettingsFor(kind, &why);
    if (!why.isEmpty())
        d.refusals << why;
    for (size_t i = 0; i < facts.size(); ++i) {
        const SourceFacts &f = facts[i];
        const QString name = qsizetype(i) < names.size() ? names.at(qsizetype(i)) : f.file;
        const auto high = [](const QString &transfer) {
            return transfer == u"smpte2084" || transfer == u"arib-std-b67";
        };
        if (!f.error.isEmpty() || !f.hasVideo) {
            d.refusals << QStringLiteral("%1 cannot be converted").arg(name);
        } else if ((high(f.colorTransfer) || high(kind.colorTransfer))
                   && f.colorTransfer != kind.colorTransfer) {
            // Bringing an HDR picture to SDR colours, or the other way, is not a conversion
            // that keeps what the picture looks like.
            d.refusals
                << QStringLiteral("%1: its colours (HDR or not) cannot be converted").arg(name);
        } else if (!Differences(f, kind).isEmpty() || !ContainerMisfits(f, extension).isEmpty()) {
            d.convert.push_back(int(i));
            if (PartToConvert(f, kind, extension) == FitPart::Sound)
                d.soundOnly.push_back(int(i));
        }
    }
    return d;
}

QString FitQuestion(const QStringList &misfits, double seconds, int soundOnly,
                    const QStringList &evened)
{
    const bool one = misfits.size() == 1;
    QString kept;
    if (soundOnly == 1)
        kept = QLatin1Char('\n')
            + QCoreApplication::translate(
                   "FitDecision",
                   "The sound of one file is converted; its picture is kept as it is.");
    else if (soundOnly > 1)
        kept = QLatin1Char('\n')
            + QCoreApplication::translate(
                   "FitDecision",
                   "The sound of %n files is converted; their picture is kept as it is.", nullptr,
                   soundOnly);
    if (evened.size() == 1)
        kept += QLatin1Char('\n')
            + QCoreApplication::translate(
                  "FitDecision",
                  "The loudness of %1 is evened out: its sound is converted with a gain.")
                  .arg(evened.front());
    else if (evened.size() > 1)
        kept += QLatin1Char('\n')
            + QCoreApplication::translate(
                  "FitDecision",
                  "The loudness of %n files is evened out, their sound converted with a gain: "
                  "%1.",
                  nullptr, int(evened.size()))
                  .arg(evened.join(QStringLiteral(", ")));
    // The files converted: those that differ, and those whose loudness alone is evened out.
    qsizetype converted = misfits.size();
    for (const QString &name : evened)
        converted += std::none_of(misfits.begin(), misfits.end(), [&name](const QString &line) {
            return line.startsWith(name + QStringLiteral(": "));
        });
    return (one ? QStringLiteral("This file differs from most of the video:\n")
                : QStringLiteral("These files differ from most of the video:\n"))
        + misfits.join(u'\n') + kept
        + QStringLiteral("\nConverting %1 takes about %2; the other files are joined as they "
                         "are.")
              .arg(converted == 1 ? QStringLiteral("it") : QStringLiteral("them"),
                   SecondsToTimeText(std::ceil(std::max(seconds, 1.0))));
}

QString FitRefusal(const QStringList &misfits)
{
    return MisfitMessage(misfits)
        + QStringLiteral("\n--fit converts only the files listed and joins them with the others "
                         "without re-encoding those.");
}
