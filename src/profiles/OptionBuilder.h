#pragma once
// Turns the current output settings into what the encoder is given. Values of the selected
// choices are read from the profile file now, once per call; nothing is written.

#include <QString>

class ProfileSettings;

// The frame size "width:height": the list size's value ("640:480" when the profile has none)
// or the manual width and height as typed.
QString GetVideoSizeValue(const ProfileSettings &settings, const QString &profilePath);

// The complete video and audio option string, beginning with a blank, for example
// " -ovc lavc -lavcopts vcodec=mpeg4:vbitrate=1000:mbd=2:autoaspect -oac mp3lame -lameopts
// vbr=2:q=6 -channels 2 -vf scale=640:480 -srate 44100" (on one line). A profile that copies
// the streams gives " -ovc copy -oac copy".
QString BuildEncoderOptions(const ProfileSettings &settings, const QString &profilePath);
