#include "encoder/plan/EncoderOptions.h"

#include "encoder/plan/AudioFilters.h"
#include "encoder/plan/InputCut.h"
#include "encoder/plan/SubOptions.h"
#include "settings/NumberSyntax.h"

#include <QRegularExpression>

#include <algorithm>
#include <cmath>
#include <numeric>

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
