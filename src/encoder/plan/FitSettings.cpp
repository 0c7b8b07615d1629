#include "encoder/plan/FitSettings.h"

#include "encoder/input/InputRules.h"
#include "encoder/plan/FilterGraph.h"
#include "encoder/run/OutputFile.h"

#include <QHash>

#include <cmath>
#include <functional>
#include <type_traits>

namespace {

std::optional<Fraction> FractionOf(const QString &text, QChar separator)
{
    const QStringList parts = text.split(separator);
    bool a = false, b = true;
    const qint64 num = parts.value(0).toLongLong(&a);
    const qint64 den = parts.size() == 2 ? parts.at(1).toLongLong(&b) : 1;
    if (!a || !b || parts.size() > 2 || num <= 0 || den <= 0 || num > INT32_MAX || den > INT32_MAX)
        return std::nullopt;
    return Fraction {num, den};
}

// A name of letters, digits and the few marks ffmpeg's names use.
bool IsName(const QString &text)
{
    for (const QChar c : text)
        if (!c.isLetterOrNumber() && c != u'-' && c != u'_' && c != u'.' && c != u'(' && c != u')')
            return false;
    return text.size() <= 40;
}

} // namespace

std::optional<FitSettings> ParseFitSettings(const QString &text, QString *error)
{
    FitSettings f;
    using Setter = std::function<bool(FitSettings &, const QString &)>;
    const auto name = [](QString FitSettings::*member) {
        return Setter([member](FitSettings &s, const QString &v) {
            s.*member = v;
            return IsName(v);
        });
    };
    const auto whole = [](auto FitSettings::*member, qint64 most) {
        return Setter([member, most](FitSettings &s, const QString &v) {
            bool ok = false;
            const qint64 n = v.toLongLong(&ok);
            s.*member = std::remove_reference_t<decltype(s.*member)>(n);
            return ok && n >= 0 && n <= most;
        });
    };
    const QHash<QString, Setter> setters {
        {QStringLiteral("vcodec"),
         [](FitSettings &s, const QString &v) {
             s.videoCodec = v;
             return v == u"h264" || v == u"hevc";
         }},
        {QStringLiteral("vprofile"), name(&FitSettings::videoProfile)},
        {QStringLiteral("level"), whole(&FitSettings::level, 255)},
        {QStringLiteral("size"),
         [](FitSettings &s, const QString &v) {
             const QStringList wh = v.split(u'x');
             bool a = false, b = false;
             s.width = wh.value(0).toInt(&a);
             s.height = wh.value(1).toInt(&b);
             return wh.size() == 2 && a && b && s.width >= 16 && s.height >= 16 && s.width <= 8192
                 && s.height <= 8192 && s.width % 2 == 0 && s.height % 2 == 0;
         }},
        {QStringLiteral("fps"),
         [](FitSettings &s, const QString &v) {
             // A rate with large terms (a file that was joined or looped states its average)
             // becomes the common rate it lies near, or one in thousandths: the encoders take
             // no other.
             const auto r = FractionOf(v, u'/');
             s.fps = r ? NominalFrameRate(*r, *r) : Fraction {};
             return r && s.fps.IsValid();
         }},
        {QStringLiteral("pix"), name(&FitSettings::pixelFormat)},
        {QStringLiteral("sar"),
         [](FitSettings &s, const QString &v) {
             const auto r = FractionOf(v, u'/');
             s.pixelAspect = r.value_or(Fraction {1, 1});
             return bool(r);
         }},
        {QStringLiteral("rotate"),
         [](FitSettings &s, const QString &v) {
             s.rotation = v.toInt();
             return v == u"0" || v == u"90" || v == u"180" || v == u"270";
         }},
        {QStringLiteral("prim"), name(&FitSettings::primaries)},
        {QStringLiteral("trc"), name(&FitSettings::transfer)},
        {QStringLiteral("matrix"), name(&FitSettings::matrix)},
        {QStringLiteral("range"),
         [](FitSettings &s, const QString &v) {
             s.range = v;
             return v.isEmpty() || v == u"tv" || v == u"pc";
         }},
        {QStringLiteral("vbitrate"), whole(&FitSettings::videoBitrate, 2000000000)},
        {QStringLiteral("tbn"), whole(&FitSettings::timescale, 2000000000)},
        {QStringLiteral("acodec"),
         [](FitSettings &s, const QString &v) {
             s.audioCodec = v;
             return v.isEmpty() || v == u"aac" || v == u"ac3" || v == u"mp3" || v == u"opus";
         }},
        {QStringLiteral("srate"), whole(&FitSettings::sampleRate, 192000)},
        {QStringLiteral("channels"), whole(&FitSettings::channels, 8)},
        {QStringLiteral("layout"), name(&FitSettings::channelLayout)},
        {QStringLiteral("abitrate"), whole(&FitSettings::audioBitrate, 10000000)},
        {QStringLiteral("vcopy"), whole(&FitSettings::copyPicture, 1)},
        {QStringLiteral("tracks"),
         [](FitSettings &s, const QString &v) {
             const auto tracks = ParseFitTracks(v);
             s.tracks = tracks.value_or(std::vector<FitTrack> {});
             return tracks.has_value();
         }},
    };
    for (const QString &part : text.split(u':', Qt::SkipEmptyParts)) {
        const qsizetype eq = part.indexOf(u'=');
        const QString key = part.left(eq), value = eq < 0 ? QString() : part.mid(eq + 1);
        const auto set = setters.find(key);
        if (eq < 0 || set == setters.end() || !(*set)(f, value)) {
            *error = QStringLiteral("Bad value in -fit: %1").arg(part);
            return std::nullopt;
        }
    }
    // The profiles each codec's encoder makes (libx264's and libx265's names).
    static const QStringList h264Profiles {QStringLiteral("baseline"), QStringLiteral("main"),
                                           QStringLiteral("high"),     QStringLiteral("high10"),
                                           QStringLiteral("high422"),  QStringLiteral("high444")};
    static const QStringList hevcProfiles {QStringLiteral("main"), QStringLiteral("main10"),
                                           QStringLiteral("main12")};
    if (!f.videoProfile.isEmpty()
        && !(f.videoCodec == u"hevc" ? hevcProfiles : h264Profiles).contains(f.videoProfile)) {
        *error = QStringLiteral("Bad value in -fit: no %1 encoder makes the profile %2")
                     .arg(f.videoCodec, f.videoProfile);
        return std::nullopt;
    }
    if (f.videoCodec.isEmpty() || f.width == 0 || !f.fps.IsValid() || f.pixelFormat.isEmpty()
        || (!f.audioCodec.isEmpty() && (f.sampleRate < 8000 || f.channels < 1))) {
        *error = QStringLiteral("-fit needs vcodec, size, fps, pix, and srate and channels "
                                "with acodec");
        return std::nullopt;
    }
    return f;
}

OutputPlan FitPlan(const FitSettings &fit, const QString &muxer, const InputMedia &input)
{
    // The upright frame: a quarter turn swaps the sides, and the pixel's shape with them.
    const bool quarter = fit.rotation == 90 || fit.rotation == 270;
    OutputPlan plan;
    plan.muxer = muxer;
    plan.width = quarter ? fit.height : fit.width;
    plan.height = quarter ? fit.width : fit.height;
    const Fraction pixel
        = quarter ? Fraction {fit.pixelAspect.den, fit.pixelAspect.num} : fit.pixelAspect;
    plan.displayAspect = Reduced(plan.width * pixel.num, plan.height * pixel.den);
    plan.fps = fit.fps;
    plan.pixelFormat = fit.pixelFormat;
    plan.sampleRate = fit.audioCodec.isEmpty() ? 48000 : fit.sampleRate;
    plan.channels = fit.audioCodec.isEmpty() ? 2 : fit.channels;
    plan.volumeDb = fit.gainDb;
    int64_t frames = 0;
    if (input.videoSeconds && std::isfinite(*input.videoSeconds) && *input.videoSeconds <= 1e7)
        frames = std::max<int64_t>(1, std::llround(*input.videoSeconds * plan.fps.Value()));
    plan.segmentFrames = {frames};
    plan.totalSeconds = frames ? double(frames) / plan.fps.Value() : input.estimatedSeconds;
    plan.lengthUnknown = frames == 0;
    return plan;
}

QString FitPictureTail(const FitSettings &fit)
{
    QString tail;
    // Stored turned back, so that the kind's mark shows it upright.
    if (fit.rotation == 90)
        tail += QStringLiteral(",transpose=cclock");
    else if (fit.rotation == 270)
        tail += QStringLiteral(",transpose=clock");
    else if (fit.rotation == 180)
        tail += QStringLiteral(",hflip,vflip");
    tail += QStringLiteral(",setsar=%1/%2").arg(fit.pixelAspect.num).arg(fit.pixelAspect.den);
    // The colours converted to the kind's matrix and range where it states them.
    static const QHash<QString, QString> matrices {
        {QStringLiteral("bt709"), QStringLiteral("bt709")},
        {QStringLiteral("smpte170m"), QStringLiteral("bt601")},
        {QStringLiteral("bt470bg"), QStringLiteral("bt601")},
        {QStringLiteral("bt2020nc"), QStringLiteral("bt2020")}};
    QStringList scale;
    if (const QString m = matrices.value(fit.matrix); !m.isEmpty())
        scale << QStringLiteral("out_color_matrix=") + m;
    if (!fit.range.isEmpty())
        scale << QStringLiteral("out_range=") + fit.range;
    if (!scale.isEmpty())
        tail += QStringLiteral(",scale=") + scale.join(u':');
    return tail + QStringLiteral(",format=") + fit.pixelFormat;
}

// The coarsest quantizer a fitted picture may have: on the hardest pictures (full of grain) it
// spends more than constant quality 17 does, so a picture is never worse than that quality.
constexpr int kFitQuantizerCeiling = 23;

QStringList FitEncodeArguments(const FitSettings &fit, const QString &muxer, const QString &target)
{
    return FitPictureArguments(fit) + FitSoundArguments(fit) + FitClockArguments(fit, muxer)
        + QStringList {QStringLiteral("-f"), muxer} + WriterArguments(target);
}

QStringList FitClockArguments(const FitSettings &fit, const QString &muxer)
{
    if (fit.timescale <= 0 || (muxer != u"mp4" && muxer != u"mov"))
        return {};
    return {QStringLiteral("-video_track_timescale"), QString::number(fit.timescale)};
}

QStringList FitPictureArguments(const FitSettings &fit)
{
    const bool hevc = fit.videoCodec == u"hevc";
    QStringList args {QStringLiteral("-c:v"),
                      hevc ? QStringLiteral("libx265") : QStringLiteral("libx264")};
    args << QStringLiteral("-preset") << QStringLiteral("veryfast");
    // A quality no one tells from the source. Where the kind's bitrate is known, the file gets
    // at least that bitrate on average, with no picture coarser than constant quality 17 would
    // make it (a ceiling on the quantizer); otherwise constant quality 17 alone. On a picture
    // within wide bars the encoder's average lands under what it is asked for, by a fifth on a
    // clip of two seconds (measured): it is asked for a tenth more and held close to it (x264's
    // rate tolerance; x265 without its tree of references, which saves those bits).
    QString capParam;
    if (fit.videoBitrate > 0) {
        args << QStringLiteral("-b:v") << QString::number(fit.videoBitrate + fit.videoBitrate / 10);
        if (hevc)
            capParam = QStringLiteral(":qpmax=%1:cutree=0").arg(kFitQuantizerCeiling);
        else
            args << QStringLiteral("-qmax") << QString::number(kFitQuantizerCeiling)
                 << QStringLiteral("-x264-params") << QStringLiteral("ratetol=0.1");
    } else {
        args << QStringLiteral("-crf") << QStringLiteral("17");
    }
    if (!fit.videoProfile.isEmpty())
        args << QStringLiteral("-profile:v") << fit.videoProfile;
    if (hevc) {
        // The tag phones write, which players of MP4 files look for.
        args << QStringLiteral("-tag:v") << QStringLiteral("hvc1");
        QString params = QStringLiteral("log-level=error") + capParam;
        if (fit.level > 0)
            params += QStringLiteral(":level-idc=") + QString::number(fit.level / 30.0, 'f', 1);
        args << QStringLiteral("-x265-params") << params;
    } else if (fit.level > 0) {
        args << QStringLiteral("-level:v") << QString::number(fit.level / 10.0, 'f', 1);
    }
    const std::pair<const char *, QString> colours[] = {{"-color_primaries", fit.primaries},
                                                        {"-color_trc", fit.transfer},
                                                        {"-colorspace", fit.matrix},
                                                        {"-color_range", fit.range}};
    for (const auto &[option, value] : colours)
        if (!value.isEmpty())
            args << QLatin1String(option) << value;
    return args;
}

QStringList FitSoundArguments(const FitSettings &fit)
{
    QStringList args;
    if (fit.audioCodec.isEmpty()) {
        args << QStringLiteral("-an");
    } else {
        static const QHash<QString, QString> encoders {
            {QStringLiteral("aac"), QStringLiteral("aac")},
            {QStringLiteral("ac3"), QStringLiteral("ac3")},
            {QStringLiteral("mp3"), QStringLiteral("libmp3lame")},
            {QStringLiteral("opus"), QStringLiteral("libopus")}};
        const int64_t bitrate = std::max<int64_t>(fit.audioBitrate, 96000 * fit.channels);
        args << QStringLiteral("-c:a") << encoders.value(fit.audioCodec) << QStringLiteral("-b:a")
             << QString::number(std::min<int64_t>(bitrate, 640000));
        args << QStringLiteral("-ar") << QString::number(fit.sampleRate);
        args << QStringLiteral("-channel_layout")
             << (fit.channelLayout.isEmpty() ? ChannelLayout(fit.channels) : fit.channelLayout);
    }
    return args;
}
