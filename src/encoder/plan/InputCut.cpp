#include "encoder/plan/InputCut.h"

#include <algorithm>
#include <cmath>

namespace {

bool AllDigits(QStringView text)
{
    return !text.isEmpty() && std::all_of(text.begin(), text.end(), [](QChar c) {
        return c >= QLatin1Char('0') && c <= QLatin1Char('9');
    });
}

} // namespace

std::optional<double> ParseEncoderTime(const QString &text)
{
    const QStringList fields = text.split(QLatin1Char(':'));
    if (fields.size() > 3)
        return std::nullopt;
    const QString &last = fields.last();
    const qsizetype dot = last.indexOf(QLatin1Char('.'));
    if (!AllDigits(dot < 0 ? QStringView(last) : QStringView(last).left(dot))
        || (dot >= 0 && !AllDigits(QStringView(last).mid(dot + 1))) || last.size() > 18)
        return std::nullopt;
    double seconds = last.toDouble();
    if (fields.size() > 1 && seconds >= 60)
        return std::nullopt;
    double unit = 60;
    for (qsizetype i = fields.size() - 2; i >= 0; --i, unit *= 60) {
        if (!AllDigits(fields[i]) || fields[i].size() > 6)
            return std::nullopt;
        const double value = fields[i].toDouble();
        if (i > 0 && value >= 60)
            return std::nullopt;
        seconds += value * unit;
    }
    return seconds;
}

QString ApplyInputCut(const EncoderOptions &options, InputMedia &media)
{
    return ApplyInputCut(InputCutTimes {options.startSeconds, options.endPosSeconds}, media);
}

QString ApplyInputCut(const InputCutTimes &options, InputMedia &media)
{
    if (!options.Any())
        return QString();
    const double fps = media.frameRate.IsValid() ? media.frameRate.Value() : 0.0;
    // The first kept frame, and the moment it is shown counted from the picture's start.
    const double start
        = fps > 0 ? std::llround(options.start.value_or(0) * fps) / fps : options.start.value_or(0);
    const double length = media.videoSeconds.value_or(media.estimatedSeconds);
    if (length > 0 && start >= length)
        return QStringLiteral("The start (-ss %1) lies beyond the end of %2")
            .arg(start, 0, 'f', 3)
            .arg(media.path);
    double kept = std::max(length - start, 0.0);
    if (options.length)
        kept = length > 0 ? std::min(*options.length, kept) : *options.length;
    if (fps > 0)
        kept = std::max<double>(1, std::llround(kept * fps)) / fps;
    // ffmpeg starts a quarter frame early, so that the rounding of times never loses the first
    // frame; the picture's start is moved by as much, so that this frame and the sound of its
    // moment both come first. It reads a frame more than is kept; the plan cuts it off.
    // ffmpeg counts the times after a seek from the seek point.
    if (start > 0) {
        const double lead = fps > 0 ? 0.25 / fps : 0.0;
        media.cutSeek = PictureOffset(media) + start - lead;
        media.videoStart = media.formatStart + lead;
    }
    media.cutRead = kept + (fps > 0 ? 1 / fps : 0.0);
    if (media.videoSeconds)
        media.videoSeconds = kept;
    media.estimatedSeconds = kept;
    return QString();
}

QStringList InputCutArguments(const InputMedia &media)
{
    QStringList args;
    if (media.cutSeek > 0)
        args << QStringLiteral("-ss") << QString::number(media.cutSeek, 'f', 6);
    if (media.cutRead)
        args << QStringLiteral("-t") << QString::number(*media.cutRead, 'f', 6);
    return args;
}
