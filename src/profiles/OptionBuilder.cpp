#include "profiles/OptionBuilder.h"

#include "profiles/ProfileSettings.h"
#include "settings/IniDocument.h"
#include "settings/NumberSyntax.h"

namespace {

// MP2 audio takes at most this bitrate (kbit/s).
constexpr int32_t kMp2MaxBitrate = 128;

// The value of the option's selected choice: key "value" and the index ("value-1" with none,
// which no profile holds, so the default applies).
QString SelectedValue(const IniDocument &profile, const ProfileSettings &settings,
                      ProfileOption option, const QString &def)
{
    return profile.Text(SectionName(option),
                        QStringLiteral("value") + QString::number(settings.Index(option)), def);
}

QString VideoSize(const IniDocument &profile, const ProfileSettings &settings)
{
    if (settings.SelectSize())
        return SelectedValue(profile, settings, ProfileOption::VideoSize,
                             QStringLiteral("640:480"));
    return settings.ManualWidth() + QLatin1Char(':') + settings.ManualHeight();
}

// Choice 0 is automatic; any other selection, none included, names the aspect value.
QString Aspect(const IniDocument &profile, const ProfileSettings &settings)
{
    if (settings.Index(ProfileOption::Aspect) == 0)
        return QStringLiteral("autoaspect");
    return QStringLiteral("aspect=")
        + SelectedValue(profile, settings, ProfileOption::Aspect, QStringLiteral("16:9"));
}

// Variable bitrate by quality when the mode's value is exactly "vbr"; any other value is a
// bitrate mode word followed by the bitrate choice (looked up by index, typed text unused).
QString Mp3Options(const IniDocument &profile, const ProfileSettings &settings)
{
    const QString mode
        = SelectedValue(profile, settings, ProfileOption::Mp3Encode, QStringLiteral("vbr"));
    if (mode == QLatin1String("vbr"))
        return QStringLiteral("vbr=2:q=")
            + SelectedValue(profile, settings, ProfileOption::VbrQuality, QStringLiteral("6"));
    return mode + QStringLiteral(":br=")
        + SelectedValue(profile, settings, ProfileOption::AbrCbrBitrate, QStringLiteral("224"));
}

// The audio bitrate as typed, limited for MP2; a text that is no whole number stays as it is.
QString AudioBitrate(const ProfileSettings &settings)
{
    const QString bitrate = settings.Text(ProfileOption::AudioBitrate);
    if (settings.Text(ProfileOption::AudioCodec) == QLatin1String("MP2")) {
        const auto number = ParseWholeNumber(bitrate);
        if (number && *number > kMp2MaxBitrate)
            return QString::number(kMp2MaxBitrate);
    }
    return bitrate;
}

} // namespace

QString GetVideoSizeValue(const ProfileSettings &settings, const QString &profilePath)
{
    return VideoSize(IniDocument::Read(profilePath), settings);
}

QString BuildEncoderOptions(const ProfileSettings &settings, const QString &profilePath)
{
    if (settings.StreamCopy())
        return QStringLiteral(" -ovc copy -oac copy");
    const IniDocument profile = IniDocument::Read(profilePath);

    const QString videoCodec
        = SelectedValue(profile, settings, ProfileOption::VideoCodec, QStringLiteral("mpeg4"));
    const QString videoBitrate = settings.Text(ProfileOption::VideoBitrate);
    const QString aspect = Aspect(profile, settings);
    const QString audioCodec
        = SelectedValue(profile, settings, ProfileOption::AudioCodec, QStringLiteral("ac3"));
    const QString audioBitrate = AudioBitrate(settings);
    const QString channels
        = SelectedValue(profile, settings, ProfileOption::Channels, QStringLiteral("2"));
    const QString mp3Options = Mp3Options(profile, settings);
    const QString videoSize = VideoSize(profile, settings);
    const QString sampleRate = settings.Text(ProfileOption::SampleRate);

    QString audioEncoder;
    QString audioSwitch;
    QString audioOptions;
    const QString family = settings.Text(ProfileOption::AudioCodec);
    if (family == QLatin1String("MP3")) {
        audioEncoder = QStringLiteral("mp3lame");
        audioSwitch = QStringLiteral("-lameopts");
        audioOptions = mp3Options;
    } else if (family == QLatin1String("PCM")) {
        audioEncoder = QStringLiteral("pcm");
    } else {
        audioEncoder = QStringLiteral("lavc");
        audioSwitch = QStringLiteral("-lavcopts");
        audioOptions
            = QStringLiteral("acodec=") + audioCodec + QStringLiteral(":abitrate=") + audioBitrate;
    }

    const QString video = QStringLiteral("vcodec=") + videoCodec + QStringLiteral(":vbitrate=")
        + videoBitrate + QStringLiteral(":mbd=2:") + aspect;
    return QStringLiteral(" -ovc lavc -lavcopts ") + video + QStringLiteral(" -oac ") + audioEncoder
        + QLatin1Char(' ') + audioSwitch + QLatin1Char(' ') + audioOptions
        + QStringLiteral(" -channels ") + channels + QStringLiteral(" -vf scale=") + videoSize
        + QStringLiteral(" -srate ") + sampleRate;
}
