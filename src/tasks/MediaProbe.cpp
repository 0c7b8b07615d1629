#include "tasks/MediaProbe.h"

#include "platform/RawNames.h"
#include "platform/System.h"
#include "tasks/RecordingLength.h"
#include "tasks/RecordingTime.h"
#include "tasks/TimeText.h"

#include <cstddef>
// The library's C interface; UNICODE (set by its pkg-config flags) selects the wchar_t calls.
#include <MediaInfoDLL/MediaInfoDLL_Static.h>

#include <algorithm>
#include <cmath>
#include <optional>
#include <string>

#ifdef Q_OS_UNIX
#include <langinfo.h>
#include <strings.h>
#endif

namespace {

// A decimal number as the library writes one ("5005", "5005.000000", "-1.5e3"): an optional
// sign, digits with at most one ".", an optional exponent. No blanks, no group separators,
// "." whatever the user's locale.
std::optional<double> ParseDecimalNumber(const QString &text)
{
    qsizetype i = 0;
    const qsizetype n = text.size();
    auto isDigit = [&](qsizetype k) {
        return k < n && text.at(k) >= QLatin1Char('0') && text.at(k) <= QLatin1Char('9');
    };
    if (i < n && (text.at(i) == QLatin1Char('+') || text.at(i) == QLatin1Char('-')))
        ++i;
    qsizetype digits = 0;
    while (isDigit(i))
        ++i, ++digits;
    if (i < n && text.at(i) == QLatin1Char('.')) {
        ++i;
        while (isDigit(i))
            ++i, ++digits;
    }
    if (digits == 0)
        return std::nullopt;
    if (i < n && (text.at(i) == QLatin1Char('e') || text.at(i) == QLatin1Char('E'))) {
        ++i;
        if (i < n && (text.at(i) == QLatin1Char('+') || text.at(i) == QLatin1Char('-')))
            ++i;
        if (!isDigit(i))
            return std::nullopt;
        while (isDigit(i))
            ++i;
    }
    if (i != n)
        return std::nullopt;
    bool ok = false;
    const double value = text.toDouble(&ok); // always the C locale's rules
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

// The library turns wide paths into file names with the C library's character locale, so a
// name with letters beyond ASCII opens only under a UTF-8 one. Start-up sets one, but Qt's
// application object sets the locale again from the environment (plain "C" under LANG=C).
void EnsureUtf8CharacterLocale()
{
#ifdef Q_OS_UNIX
    const char *codeset = nl_langinfo(CODESET);
    if (codeset && (strcasecmp(codeset, "UTF-8") == 0 || strcasecmp(codeset, "utf8") == 0))
        return;
    SetUpCharacterLocale();
#endif
}

// One library handle, released however the probe ends.
class MediaInfoHandle
{
public:
    MediaInfoHandle()
        : m_handle(MediaInfo_New())
    {
    }
    ~MediaInfoHandle()
    {
        if (m_handle) {
            MediaInfo_Close(m_handle);
            MediaInfo_Delete(m_handle);
        }
    }
    MediaInfoHandle(const MediaInfoHandle &) = delete;
    MediaInfoHandle &operator=(const MediaInfoHandle &) = delete;

    bool Valid() const { return m_handle != nullptr; }

    void Open(const QString &path)
    {
        // The headers and the first frames tell the play time and the picture size; reading
        // further into the file (a transport stream is otherwise read for a large part of its
        // length) takes far longer and changes neither.
        MediaInfo_Option(m_handle, L"ParseSpeed", L"0");
        // The result is not needed: a file that does not open has no play time.
        const std::wstring file = OpenablePath(path).toStdWString();
        MediaInfo_Open(m_handle, file.c_str());
    }

    // The value copied at once: the next call on the same handle overwrites the library's text.
    QString Get(MediaInfo_stream_C kind, const wchar_t *parameter)
    {
        const wchar_t *value
            = MediaInfo_Get(m_handle, kind, 0, parameter, MediaInfo_Info_Text, MediaInfo_Info_Name);
        return value ? QString::fromWCharArray(value) : QString();
    }

private:
    void *m_handle;
};

// The time the file says it was recorded, or else encoded.
std::optional<QDateTime> StatedTime(MediaInfoHandle &info)
{
    for (const wchar_t *field : {L"Recorded_Date", L"Encoded_Date"})
        if (std::optional<QDateTime> stated
            = ParseStatedTime(info.Get(MediaInfo_Stream_General, field)))
            return stated;
    return std::nullopt;
}

} // namespace

std::optional<QDateTime> ReadStatedTime(const QString &path)
{
    MediaInfoHandle info;
    if (!info.Valid())
        return std::nullopt;
    info.Open(path);
    return StatedTime(info);
}

MediaProbeResult RefusedRecording(const QString &path, const QString &playTime, bool soundOnly)
{
    MediaProbeResult result;
    result.error = RecordingTroubleText(path, DiagnoseRecording(path, soundOnly));
    result.details = InvalidFloatingPointText(playTime) + QLatin1Char('.');
    return result;
}

void PrepareMediaProbes()
{
    EnsureUtf8CharacterLocale();
}

QString InvalidFloatingPointText(const QString &text)
{
    return QStringLiteral("'%1' is not a valid floating point value").arg(text);
}

MediaProbeResult MediaProbeResultFromTexts(const QString &playTime, const QString &width,
                                           const QString &height, const QString &videoDuration,
                                           const QString &audioDuration)
{
    MediaProbeResult result;
    const std::optional<double> ms = ParseDecimalNumber(playTime);
    if (!ms) {
        result.error = InvalidFloatingPointText(playTime);
        return result;
    }
    result.ok = true;
    result.lengthText = SecondsToTimeText(*ms / 1000.0);
    result.sizeText = width + QLatin1Char('x') + height;
    double longest = *ms;
    for (const QString &duration : {videoDuration, audioDuration})
        if (const std::optional<double> streamMs = ParseDecimalNumber(duration); streamMs)
            longest = std::max(longest, *streamMs);
    result.longestSeconds = longest / 1000.0;
    return result;
}

MediaProbeResult ProbeMedia(const QString &path)
{
    EnsureUtf8CharacterLocale();
    MediaInfoHandle info;
    if (!info.Valid())
        return MediaProbeResultFromTexts(QString(), QString(), QString());
    info.Open(path);
    QString playTime = info.Get(MediaInfo_Stream_General, L"PlayTime");
    const QString width = info.Get(MediaInfo_Stream_Video, L"Width");
    const QString height = info.Get(MediaInfo_Stream_Video, L"Height");
    // A recorder that stopped without finishing its file (or wrote it to a pipe) leaves no
    // duration in the header: the time stamps near its end tell it.
    if (!ParseDecimalNumber(playTime) && !width.isEmpty())
        if (const std::optional<double> seconds = MatroskaSeconds(path))
            playTime = QString::number(*seconds * 1000, 'f', 0);
    if (!ParseDecimalNumber(playTime) || width.isEmpty()) {
        const bool soundOnly
            = width.isEmpty() && !info.Get(MediaInfo_Stream_Audio, L"Format").isEmpty();
        return RefusedRecording(path, width.isEmpty() ? QString() : playTime, soundOnly);
    }
    MediaProbeResult result = MediaProbeResultFromTexts(
        playTime, width, height, info.Get(MediaInfo_Stream_Video, L"Duration"),
        info.Get(MediaInfo_Stream_Audio, L"Duration"));
    result.statedTime = StatedTime(info);
    return result;
}
