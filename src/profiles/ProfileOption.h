#pragma once
// The eleven options of a profile, each an ini section of the profile file.

#include <QString>

#include <array>

// In the order in which a profile is loaded.
enum class ProfileOption {
    VideoCodec,
    VideoSize,
    VideoBitrate,
    Aspect,
    AudioCodec,
    Mp3Encode,
    VbrQuality,
    AbrCbrBitrate,
    AudioBitrate,
    SampleRate,
    Channels
};

inline constexpr std::array<ProfileOption, 11> kProfileOptions
    = {ProfileOption::VideoCodec, ProfileOption::VideoSize,     ProfileOption::VideoBitrate,
       ProfileOption::Aspect,     ProfileOption::AudioCodec,    ProfileOption::Mp3Encode,
       ProfileOption::VbrQuality, ProfileOption::AbrCbrBitrate, ProfileOption::AudioBitrate,
       ProfileOption::SampleRate, ProfileOption::Channels};

// The option's section name in a profile file, such as "Video Codec".
QString SectionName(ProfileOption option);

// True for the options whose box also takes typed text: their current value is the box's
// text rather than a value looked up by the selection.
bool IsEditable(ProfileOption option);
