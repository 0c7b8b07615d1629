#include "profiles/ProfileOption.h"

QString SectionName(ProfileOption option)
{
    switch (option) {
    case ProfileOption::VideoCodec:
        return QStringLiteral("Video Codec");
    case ProfileOption::VideoSize:
        return QStringLiteral("Video Size");
    case ProfileOption::VideoBitrate:
        return QStringLiteral("Video Bitrate");
    case ProfileOption::Aspect:
        return QStringLiteral("Aspect");
    case ProfileOption::AudioCodec:
        return QStringLiteral("Audio Codec");
    case ProfileOption::Mp3Encode:
        return QStringLiteral("MP3 Encode");
    case ProfileOption::VbrQuality:
        return QStringLiteral("VBR Quality");
    case ProfileOption::AbrCbrBitrate:
        return QStringLiteral("ABR CBR Bitrate");
    case ProfileOption::AudioBitrate:
        return QStringLiteral("Audio Bitrate");
    case ProfileOption::SampleRate:
        return QStringLiteral("Sample Rate");
    case ProfileOption::Channels:
        return QStringLiteral("Channels");
    }
    return QString();
}

bool IsEditable(ProfileOption option)
{
    return option == ProfileOption::VideoBitrate || option == ProfileOption::AbrCbrBitrate
        || option == ProfileOption::AudioBitrate || option == ProfileOption::SampleRate;
}
