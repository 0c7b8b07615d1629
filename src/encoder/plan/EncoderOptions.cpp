#include "encoder/plan/EncoderOptions.h"

#include "encoder/plan/AudioFilters.h"
#include "encoder/plan/InputCut.h"
#include <algorithm>

#include "settings/NumberSyntax.h"

#include <QRegularExpression>

#include <cmath>
#include <numeric>

namespace {

const QStringList kVideoCodecs {
    QStringLiteral("mpeg4"),      QStringLiteral("msmpeg4v2"), QStringLiteral("msmpeg4"),
    QStringLiteral("wmv1"),       QStringLiteral("wmv2"),      QStringLiteral("flv"),
    QStringLiteral("h263p"),      QStringLiteral("mjpeg"),     QStringLiteral("mpeg1video"),
    QStringLiteral("mpeg2video"), QStringLiteral("libx264")};

const QStringList kAudioCodecs {QStringLiteral("ac3"),   QStringLiteral("mp2"),
                                QStringLiteral("aac"),   QStringLiteral("wmav2"),
                                QStringLiteral("wmav1"), QStringLiteral("libmp3lame")};

// Other spellings of a codec or format, as older tools and users write them.
QString CanonicalName(const QString &name)
{
    static const QList<std::pair<QString, QString>> aliases {
        {QStringLiteral("msmpeg4v3"), QStringLiteral("msmpeg4")},
        {QStringLiteral("h264"), QStringLiteral("libx264")},
        {QStringLiteral("mp3"), QStringLiteral("libmp3lame")},
        {QStringLiteral("mpg"), QStringLiteral("mpeg")},
        {QStringLiteral("dvd"), QStringLiteral("vob")},
        {QStringLiteral("wmv"), QStringLiteral("asf")},
        {QStringLiteral("mkv"), QStringLiteral("matroska")}};
    const QString lower = name.trimmed().toLower();
    for (const auto &[alias, canonical] : aliases)
        if (lower == alias)
            return canonical;
    return lower;
}

const QStringList kFormats {QStringLiteral("avi"), QStringLiteral("mpeg"),    QStringLiteral("vob"),
                            QStringLiteral("mp4"), QStringLiteral("mov"),     QStringLiteral("asf"),
                            QStringLiteral("flv"), QStringLiteral("matroska")};

QString BadValue(const QString &what, const QString &value)
{
    return QStringLiteral("Bad value for %1: \"%2\"").arg(what, value);
}

std::optional<int> WholeIn(const QString &text, int lo, int hi)
{
    const auto n = ParseWholeNumber(text);
    if (!n || *n < lo || *n > hi)
        return std::nullopt;
    return int(*n);
}

std::optional<double> DecimalIn(const QString &text, double lo, double hi)
{
    const auto d = ParseDecimal(text);
    if (!d || *d < lo || *d > hi)
        return std::nullopt;
    return d;
}

// "30", "29.97", "30000/1001" or "16:9" (with the separator given).
std::optional<Fraction> ParseRatio(const QString &text, QChar separator, double lo, double hi)
{
    const qsizetype at = text.indexOf(separator);
    std::optional<Fraction> f;
    if (at < 0) {
        if (const auto d = ParseDecimal(text))
            f = FractionFromDecimal(*d);
    } else {
        const auto a = ParseDecimal(text.left(at));
        const auto b = ParseDecimal(text.mid(at + 1));
        if (a && b && *b > 0 && *a > 0) {
            const auto fa = FractionFromDecimal(*a);
            const auto fb = FractionFromDecimal(*b);
            if (fa && fb)
                f = Reduced(fa->num * fb->den, fa->den * fb->num);
        }
    }
    if (!f || !f->IsValid() || f->Value() < lo || f->Value() > hi)
        return std::nullopt;
    return f;
}

std::optional<ScaleSide> ParseScaleSide(const QString &text)
{
    if (text.trimmed().isEmpty())
        return ScaleSide {};
    const auto n = ParseWholeNumber(text);
    if (!n)
        return std::nullopt;
    switch (*n) {
    case -1:
        return ScaleSide {};
    case 0:
        return ScaleSide {ScaleSide::Display, 0};
    case -2:
    case -3:
        return ScaleSide {ScaleSide::FromOther, 0};
    default:
        if (*n < 1 || *n > 8192)
            return std::nullopt;
        return ScaleSide {ScaleSide::Fixed, int(*n)};
    }
}

QString ParseVideoFilters(const QString &value, EncoderOptions &o)
{
    for (const QString &filter : value.split(QLatin1Char(','))) {
        const qsizetype eq = filter.indexOf(QLatin1Char('='));
        const QString name = filter.left(eq < 0 ? filter.size() : eq).trimmed().toLower();
        const QString args = eq < 0 ? QString() : filter.mid(eq + 1);
        if (name == u"harddup")
            continue; // every frame is always written
        if (name != u"scale")
            return QStringLiteral("Unknown video filter: \"%1\"").arg(filter);
        const QStringList sides = args.split(QLatin1Char(':'));
        const auto w = ParseScaleSide(sides.value(0));
        const auto h = ParseScaleSide(sides.value(1));
        if (!w || !h || sides.size() > 2)
            return BadValue(QStringLiteral("-vf scale"), args);
        o.scale = true;
        o.scaleWidth = *w;
        o.scaleHeight = *h;
    }
    return {};
}

// Splits "a=1:b:c=2" into its parts; a bare number after "aspect=..." continues the aspect
// ("aspect=16:9" is one part).
QStringList SplitSuboptions(const QString &value)
{
    static const QRegularExpression bareNumber(QStringLiteral("^\\s*[0-9.]+\\s*$"));
    QStringList parts;
    for (const QString &piece : value.split(QLatin1Char(':'))) {
        if (!parts.isEmpty()
            && parts.last().startsWith(QLatin1String("aspect="), Qt::CaseInsensitive)
            && !parts.last().contains(QLatin1Char(':')) && bareNumber.match(piece).hasMatch()) {
            parts.last() += QLatin1Char(':') + piece;
            continue;
        }
        parts << piece;
    }
    return parts;
}

QString ParseLavcopts(const QString &value, EncoderOptions &o)
{
    for (const QString &part : SplitSuboptions(value)) {
        if (part.trimmed().isEmpty())
            continue;
        const qsizetype eq = part.indexOf(QLatin1Char('='));
        const QString key = part.left(eq < 0 ? part.size() : eq).trimmed().toLower();
        const QString val = eq < 0 ? QString() : part.mid(eq + 1);
        const QString what = QStringLiteral("-lavcopts ") + key;
        const bool blank = val.trimmed().isEmpty();
        if (key == u"autoaspect" && eq < 0) {
            o.aspect.reset();
        } else if (key == u"aspect" && eq >= 0) {
            const auto a = ParseRatio(val, QLatin1Char(val.contains(u'/') ? '/' : ':'), 0.1, 10);
            if (!a)
                return BadValue(what, val);
            o.aspect = a;
        } else if (key == u"vcodec" && eq >= 0) {
            o.videoCodec = CanonicalName(val);
            if (!kVideoCodecs.contains(o.videoCodec))
                return QStringLiteral("Unknown video codec: \"%1\"").arg(val);
        } else if (key == u"acodec" && eq >= 0) {
            o.audioCodec = CanonicalName(val);
            if (!kAudioCodecs.contains(o.audioCodec))
                return QStringLiteral("Unknown audio codec: \"%1\"").arg(val);
        } else if (key == u"vbitrate" && eq >= 0) {
            if (blank) {
                o.videoBitrate.reset();
                continue;
            }
            const auto b = WholeIn(val, 1, 100000000);
            if (!b)
                return BadValue(what, val);
            // Up to 16000 the figure is kbit/s, above it bit/s.
            o.videoBitrate = *b <= 16000 ? int64_t(*b) * 1000 : int64_t(*b);
        } else if (key == u"abitrate" && eq >= 0) {
            if (blank) {
                o.audioBitrateKbit.reset();
                continue;
            }
            const auto b = WholeIn(val, 1, 10000);
            if (!b)
                return BadValue(what, val);
            o.audioBitrateKbit = b;
        } else if (key == u"vqscale" && eq >= 0) {
            const auto q = WholeIn(val, 1, 31);
            if (!q)
                return BadValue(what, val);
            o.videoQuantizer = q;
        } else if (key == u"mbd" && eq >= 0) {
            const auto m = WholeIn(val, 0, 2);
            if (!m)
                return BadValue(what, val);
            o.macroblockDecision = *m;
        } else if (key == u"keyint" && eq >= 0) {
            const auto k = WholeIn(val, 1, 10000);
            if (!k)
                return BadValue(what, val);
            o.keyInterval = k;
        } else {
            return QStringLiteral("Unknown -lavcopts option: \"%1\"").arg(part);
        }
    }
    return {};
}

QString ParseLameopts(const QString &value, EncoderOptions &o)
{
    for (const QString &part : value.split(QLatin1Char(':'))) {
        if (part.trimmed().isEmpty())
            continue;
        const qsizetype eq = part.indexOf(QLatin1Char('='));
        const QString key = part.left(eq < 0 ? part.size() : eq).trimmed().toLower();
        const QString val = eq < 0 ? QString() : part.mid(eq + 1);
        const QString what = QStringLiteral("-lameopts ") + key;
        if (key == u"abr" && eq < 0) {
            o.mp3Mode = Mp3Mode::Abr;
        } else if (key == u"cbr" && eq < 0) {
            o.mp3Mode = Mp3Mode::Cbr;
        } else if (key == u"vbr") {
            // 0 constant, 3 average, the others variable; a bare "vbr" is variable.
            const auto v = eq < 0 ? std::optional<int>(2) : WholeIn(val, 0, 4);
            if (!v)
                return BadValue(what, val);
            o.mp3Mode = *v == 0 ? Mp3Mode::Cbr : *v == 3 ? Mp3Mode::Abr : Mp3Mode::Vbr;
        } else if (key == u"q" && eq >= 0) {
            const auto q = DecimalIn(val, 0, 9);
            if (!q)
                return BadValue(what, val);
            o.mp3Quality = *q;
        } else if (key == u"br" && eq >= 0) {
            const auto b = WholeIn(val, 8, 320);
            if (!b)
                return BadValue(what, val);
            o.mp3BitrateKbit = *b;
        } else {
            return QStringLiteral("Unknown -lameopts option: \"%1\"").arg(part);
        }
    }
    return {};
}

QString ParseLavfopts(const QString &value, QString &format)
{
    for (const QString &part : value.split(QLatin1Char(':'))) {
        const qsizetype eq = part.indexOf(QLatin1Char('='));
        const QString key = part.left(eq < 0 ? part.size() : eq).trimmed().toLower();
        if (key.isEmpty() || key == u"i_certify_that_my_video_stream_does_not_use_b_frames")
            continue;
        if (key != u"format" || eq < 0)
            return QStringLiteral("Unknown -lavfopts option: \"%1\"").arg(part);
        format = CanonicalName(part.mid(eq + 1));
        if (!kFormats.contains(format))
            return QStringLiteral("Unknown output format: \"%1\"").arg(part.mid(eq + 1));
    }
    return {};
}

} // namespace

QString Fraction::Text() const
{
    return den == 1 ? QString::number(num) : QStringLiteral("%1/%2").arg(num).arg(den);
}

Fraction Reduced(int64_t num, int64_t den)
{
    const int64_t g = std::gcd(num, den);
    return g ? Fraction {num / g, den / g} : Fraction {num, den};
}

std::optional<Fraction> FractionFromDecimal(double value)
{
    if (!std::isfinite(value) || value <= 0 || value > 1e9)
        return std::nullopt;
    const double scaled = std::round(value * 10000);
    if (scaled < 1)
        return std::nullopt;
    return Reduced(int64_t(scaled), 10000);
}

std::optional<double> ParseDecimal(const QString &text)
{
    if (const auto whole = ParseWholeNumber(text))
        return double(*whole);
    static const QRegularExpression decimal(
        QStringLiteral("^\\s*[+-]?([0-9]+\\.?[0-9]*|\\.[0-9]+)\\s*$"));
    if (!decimal.match(text).hasMatch())
        return std::nullopt;
    return text.trimmed().toDouble();
}

bool EncoderOptions::AnyCut() const
{
    return std::any_of(cuts.begin(), cuts.end(), [](const InputCutTimes &c) { return c.Any(); });
}

ParsedCommandLine ParseEncoderCommandLine(const QStringList &args)
{
    ParsedCommandLine result;
    EncoderOptions &o = result.options;
    enum class Muxer { Unset, Avi, Mpeg, Lavf } muxer = Muxer::Unset;
    QString lavfFormat;
    bool haveVideoEncoder = false, haveAudioEncoder = false;

    const QStringList valued {
        QStringLiteral("-o"),        QStringLiteral("-oac"),      QStringLiteral("-ovc"),
        QStringLiteral("-ofps"),     QStringLiteral("-vf"),       QStringLiteral("-lavcopts"),
        QStringLiteral("-lameopts"), QStringLiteral("-channels"), QStringLiteral("-srate"),
        QStringLiteral("-of"),       QStringLiteral("-lavfopts"), QStringLiteral("-chapters"),
        QStringLiteral("-fit"),      QStringLiteral("-aid"),      QStringLiteral("-ss"),
        QStringLiteral("-endpos"),   QStringLiteral("-af"),       QStringLiteral("-crossfade"),
        QStringLiteral("-cutkind")};
    auto fail = [&](const QString &error) {
        result.error = error;
        return result;
    };

    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString &arg = args.at(i);
        if (!arg.startsWith(QLatin1Char('-')) || arg.size() == 1) {
            o.inputs << arg;
            o.cuts.emplace_back();
            continue;
        }
        if (arg == u"-identify") {
            o.identify = true;
            continue;
        }
        if (arg == u"-keepdates") {
            o.keepDates = true;
            continue;
        }
        if (arg == u"-alltracks") {
            o.allTracks = true;
            continue;
        }
        if (!valued.contains(arg))
            return fail(QStringLiteral("Unknown option: %1").arg(arg));
        // An empty sample rate box ends the option string, so that what follows it (the end
        // of the line, or the chapter list the program appends) is no value: the input's
        // rate is kept.
        if (arg == u"-srate"
            && (i + 1 >= args.size() || args.at(i + 1) == u"-chapters"
                || args.at(i + 1) == u"-crossfade"))
            continue;
        if (i + 1 >= args.size())
            return fail(QStringLiteral("Option %1 needs a value").arg(arg));
        const QString value = args.at(++i);
        QString error;
        if (arg == u"-o") {
            o.output = value;
        } else if (arg == u"-ovc") {
            o.copyVideo = value == u"copy";
            if (value != u"lavc" && !o.copyVideo)
                return fail(QStringLiteral("Unsupported video encoder: -ovc %1").arg(value));
            haveVideoEncoder = true;
        } else if (arg == u"-oac") {
            o.copyAudio = false;
            if (value == u"copy")
                o.copyAudio = true; // the sound is copied as it is
            else if (value == u"mp3lame")
                o.audioEncoder = AudioEncoder::Mp3Lame;
            else if (value == u"lavc")
                o.audioEncoder = AudioEncoder::Lavc;
            else if (value == u"pcm")
                o.audioEncoder = AudioEncoder::Pcm;
            else
                return fail(QStringLiteral("Unsupported audio encoder: -oac %1").arg(value));
            haveAudioEncoder = true;
        } else if (arg == u"-ofps") {
            o.outputFps = ParseRatio(value, QLatin1Char('/'), 1, 1000);
            if (!o.outputFps)
                return fail(BadValue(arg, value));
        } else if (arg == u"-vf") {
            error = ParseVideoFilters(value, o);
        } else if (arg == u"-af") {
            error = ParseAudioFilters(value, &o.volumeDb);
        } else if (arg == u"-lavcopts") {
            error = ParseLavcopts(value, o);
        } else if (arg == u"-lameopts") {
            error = ParseLameopts(value, o);
        } else if (arg == u"-channels") {
            o.channels = WholeIn(value, 1, 8);
            if (!o.channels)
                return fail(BadValue(arg, value));
        } else if (arg == u"-srate") {
            o.sampleRate = WholeIn(value, 8000, 192000);
            if (!o.sampleRate)
                return fail(BadValue(arg, value));
        } else if (arg == u"-of") {
            const QString kind = value.trimmed().toLower();
            if (kind == u"avi")
                muxer = Muxer::Avi;
            else if (kind == u"mpeg")
                muxer = Muxer::Mpeg;
            else if (kind == u"lavf")
                muxer = Muxer::Lavf;
            else
                return fail(QStringLiteral("Unsupported output format: -of %1").arg(value));
        } else if (arg == u"-fit") {
            o.fit = value;
            if (o.fit.isEmpty())
                return fail(BadValue(arg, value));
        } else if (arg == u"-cutkind") {
            o.cutKind = value;
        } else if (arg == u"-lavfopts") {
            error = ParseLavfopts(value, lavfFormat);
        } else if (arg == u"-chapters") {
            o.chapterList = value;
        } else if (arg == u"-aid") {
            o.audioStream = WholeIn(value, 0, 65535);
            if (!o.audioStream)
                return fail(BadValue(arg, value));
        } else if (arg == u"-ss" || arg == u"-endpos") {
            const auto seconds = ParseEncoderTime(value);
            if (!seconds || (arg == u"-endpos" && *seconds <= 0))
                return fail(BadValue(arg, value));
            (arg == u"-ss" ? o.startSeconds : o.endPosSeconds) = seconds;
            if (!o.cuts.empty())
                (arg == u"-ss" ? o.cuts.back().start : o.cuts.back().length) = seconds;
        } else if (arg == u"-crossfade") {
            o.crossfadeSeconds = ParseDecimal(value);
            if (!o.crossfadeSeconds || !(*o.crossfadeSeconds > 0 && *o.crossfadeSeconds <= 60))
                return fail(BadValue(arg, value));
        }
        if (!error.isEmpty())
            return fail(error);
    }

    if (o.inputs.isEmpty())
        return fail(QStringLiteral("No input file given"));
    if (o.identify)
        return result;
    if (o.output.isEmpty())
        return fail(QStringLiteral("No output file given (-o)"));
    if (!haveVideoEncoder)
        return fail(QStringLiteral("No video encoder given (-ovc lavc)"));
    if (!haveAudioEncoder)
        return fail(QStringLiteral("No audio encoder given (-oac)"));
    if (o.copyVideo != o.copyAudio)
        return fail(QStringLiteral("Stream copy needs both -ovc copy and -oac copy"));
    // A fit encodes the sound whatever -oac says: its gain goes into the sound it makes.
    if (o.volumeDb != 0 && o.copyAudio && o.fit.isEmpty())
        return fail(QStringLiteral("-af volume needs a run that encodes the sound (-oac mp3lame "
                                   "or lavc, or -fit)"));
    if (o.crossfadeSeconds && (o.copyVideo || !o.fit.isEmpty()))
        return fail(QStringLiteral("-crossfade needs a join that encodes (-ovc lavc)"));
    if (o.copyVideo && (o.startSeconds || o.endPosSeconds) && !o.AnyCut())
        return fail(QStringLiteral("-ss and -endpos follow the input file they cut"));
    if (!o.copyVideo && (o.startSeconds || o.endPosSeconds) && o.inputs.size() > 1)
        return fail(QStringLiteral("-ss and -endpos take one input file"));
    // A conversion (or a fit) cuts its one input wherever the options stand.
    if (!o.copyVideo)
        o.cuts.assign(o.inputs.size(), InputCutTimes {o.startSeconds, o.endPosSeconds});
    o.format = muxer == Muxer::Avi ? QStringLiteral("avi")
        : muxer == Muxer::Mpeg     ? QStringLiteral("mpeg")
                                   : lavfFormat;
    return result;
}
