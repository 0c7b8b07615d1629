#pragma once
// The rules both readers of an input (ffprobe's answer for an encoding run, the media library
// for -identify) follow alike, so that what a check states is what a run does.

#include "encoder/plan/EncoderOptions.h"

#include <QString>

// Whether path names a regular file this process may read (opened by its bytes, so that a
// name that is not UTF-8 needs no link in a temporary folder).
bool IsReadableFile(const QString &path);

// Which sound stream a run takes: the default track, else the first. Each usable sound stream
// is offered in the file's order; Takes says whether it becomes the one taken.
class SoundChoice
{
public:
    bool Takes(bool isDefault)
    {
        if (m_chosen && (m_default || !isDefault))
            return false;
        m_chosen = true;
        m_default = isDefault;
        return true;
    }

private:
    bool m_chosen = false;
    bool m_default = false;
};

// The picture's rate from the stream's average rate and its real (base) rate: the common rate
// that either lies near (the real rate's first, where the average is within 1 % of it), else
// the real rate when its terms are those of a clock, else the average in thousandths. A file
// that was itself joined or looped has an average such as 752640/25211 (29.85), which no
// encoder keeps evenly. Invalid when neither is a rate up to 1000.
Fraction NominalFrameRate(const Fraction &average, const Fraction &real);
