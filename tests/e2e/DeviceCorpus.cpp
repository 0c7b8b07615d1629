#include "DeviceCorpus.h"

#include "EncoderTestSupport.h"

#include <QDir>
#include <QFile>
#include <QLockFile>

#include <cmath>
#include <iostream>

namespace qvj::test {

namespace {

QStringList Words(const char *text)
{
    return S(text).split(u' ', Qt::SkipEmptyParts);
}

QString Number(double value)
{
    return QString::number(value, 'f', 4);
}

// The picture: a black frame, a grey square that is square once the pixel shape is applied,
// drifting to the right, and white flashes of 0.1 s.
QString PictureSource(const DeviceClip &c)
{
    const double sar = double(c.sarNum) / c.sarDen;
    const int side = int(std::lround(0.3 * c.height));
    const int squareWidth = int(std::lround(side / sar));
    const double from = 0.1 * c.width, speed = 0.4 * (c.width - squareWidth) / c.seconds;
    QString flashes;
    for (double t : FlashTimes(c))
        flashes += QStringLiteral("%1between(t\\,%2\\,%3)")
                       .arg(flashes.isEmpty() ? S("") : S("+"), Number(t), Number(t + 0.0999));
    QString graph = QStringLiteral(
                        "color=c=black:s=%1x%2:r=%3:d=%4[bg];"
                        "color=c=0x808080:s=%5x%6:r=%3:d=%4[sq];"
                        "[bg][sq]overlay=x='%7+t*%8':y=%9:eval=frame:format=yuv420,format=yuv420p,")
                        .arg(c.width)
                        .arg(c.height)
                        .arg(c.fps, Number(c.seconds))
                        .arg(squareWidth)
                        .arg(side)
                        .arg(Number(from), Number(speed))
                        .arg((c.height - side) / 2);
    graph += QStringLiteral("drawbox=c=white:t=fill:enable='%1',setsar=%2/%3")
                 .arg(flashes)
                 .arg(c.sarNum)
                 .arg(c.sarDen);
    if (c.variableRate) // a phone that halves its rate in low light
        graph += S(",select='lt(t\\,1.2)+not(mod(n\\,2))'");
    return graph + S("[out0]");
}

// The sound on its own clock, which starts soundDelay after the picture's: beeps of 50 ms at
// the flashes, in every channel.
QString SoundSource(const DeviceClip &c)
{
    QString beeps;
    for (double t : FlashTimes(c))
        beeps += QStringLiteral("+between(t,%1,%2)")
                     .arg(Number(t - c.soundDelay), Number(t - c.soundDelay + 0.05));
    static const char *layouts[] = {"mono", "stereo", "2.1", "4.0", "5.0", "5.1", "6.1", "7.1"};
    return QStringLiteral("aevalsrc='0.8*sin(2*PI*1000*t)*(%1)':c=%2:s=%3:d=%4")
        .arg(beeps.mid(1), S(layouts[c.channels - 1]))
        .arg(c.sampleRate)
        .arg(Number(c.seconds - c.soundDelay - c.soundShort));
}

// Turns the first track's picture a quarter clockwise in its header's matrix, as phones do.
bool WriteRotation(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadWrite))
        return false;
    QByteArray bytes = f.readAll();
    const qsizetype box = bytes.indexOf("tkhd");
    if (box < 0 || bytes.at(box + 4) != 0) // version 0 headers only, as ffmpeg writes them
        return false;
    // After version and flags, times, track id, duration, layer, group and volume.
    const qsizetype matrix = box + 4 + 40;
    const quint32 values[9] = {0, 0x10000, 0, 0xFFFF0000u, 0, 0, 0, 0, 0x40000000};
    for (int i = 0; i < 9; ++i)
        for (int b = 0; b < 4; ++b)
            bytes[matrix + 4 * i + b] = char((values[i] >> (24 - 8 * b)) & 0xFF);
    return f.seek(0) && f.write(bytes) == bytes.size();
}

} // namespace

std::vector<double> FlashTimes(const DeviceClip &clip)
{
    return {0.8, clip.seconds - 0.6};
}

double ShownAspect(const DeviceClip &c)
{
    const double aspect = double(c.width) * c.sarNum / (double(c.height) * c.sarDen);
    return c.rotation == 90 || c.rotation == 270 ? 1 / aspect : aspect;
}

std::vector<DeviceClip> DeviceCorpus()
{
    const auto x264 = [](const char *more = "") {
        return Words("-c:v libx264 -preset ultrafast -pix_fmt yuv420p") + Words(more);
    };
    std::vector<DeviceClip> clips;
    auto add = [&](DeviceClip c) { clips.push_back(std::move(c)); };
    // clang-format off
    // A DVD's program stream: anamorphic 16:9 MPEG-2, AC3, its clock starting near 0.5 s.
    add({.name = S("dvd.vob"), .width = 720, .height = 576, .sarNum = 64, .sarDen = 45, .codecs = Words("-c:v mpeg2video -q:v 3 -c:a ac3 -f vob")});
    // A camcorder's transport stream: 50 frames a second, AC3, its clock starting near 1.4 s.
    add({.name = S("camcorder.mts"), .width = 1280, .height = 720, .fps = S("50"), .codecs = x264("-c:a ac3 -f mpegts")});
    // A camera's Blu-ray style stream (192-byte packets), 5.1 sound that stops early.
    add({.name = S("avchd.m2ts"), .width = 640, .height = 360, .soundShort = 0.4, .channels = 6, .codecs = x264("-c:a ac3 -f mpegts -mpegts_m2ts_mode 1")});
    // A phone held upright: stored lying, turned by the track header.
    add({.name = S("phone upright.mp4"), .width = 640, .height = 360, .rotation = 90, .fps = S("30"), .sampleRate = 44100, .codecs = x264("-c:a aac")});
    // Sound that starts after the picture, and sound that starts before it.
    add({.name = S("late sound.mkv"), .width = 480, .height = 270, .soundDelay = 0.5, .sampleRate = 44100, .channels = 1, .codecs = x264("-c:a libvorbis")});
    add({.name = S("early sound.m4v"), .width = 320, .height = 240, .soundDelay = -0.3, .codecs = Words("-c:v mpeg4 -q:v 3 -c:a aac -fps_mode passthrough")});
    // A screen recording whose rate drops by half, VP8 in WebM.
    add({.name = S("variable rate.webm"), .width = 320, .height = 180, .fps = S("30"), .variableRate = true, .codecs = Words("-c:v libvpx -deadline realtime -cpu-used 8 -b:v 400k -c:a libopus -fps_mode vfr")});
    // HEVC at full HD with 5.1 sound.
    add({.name = S("hevc 5.1.mp4"), .width = 1920, .height = 1080, .seconds = 2.0, .channels = 6, .codecs = Words("-c:v libx265 -preset ultrafast -x265-params log-level=error -tag:v hvc1 -c:a aac")});
    // AAC priming and B-frames: edit lists in both tracks; a cover picture beside the video.
    add({.name = S("priming.mp4"), .width = 400, .height = 224, .coverArt = true, .codecs = x264("-preset fast -bf:v:0 3 -c:a aac")});
    // NTSC: 29.97 frames a second, interlaced MPEG-2 at 4:3, MP2 in a program stream.
    add({.name = S("ntsc interlaced.mpg"), .width = 720, .height = 480, .sarNum = 8, .sarDen = 9, .fps = S("30000/1001"), .codecs = Words("-c:v mpeg2video -q:v 3 -flags +ilme+ildct -top 1 -c:a mp2 -f vob")});
    // A DV camcorder's tape, NTSC 4:3, with PCM sound.
    add({.name = S("tape.dv"), .width = 720, .height = 480, .sarNum = 8, .sarDen = 9, .fps = S("30000/1001"), .codecs = Words("-c:v dvvideo -pix_fmt yuv411p -c:a pcm_s16le")});
    // A 4:3 clip of square pixels in AVI, with MP3 sound.
    add({.name = S("old camera.avi"), .width = 640, .height = 480, .soundShort = -0.5, .sampleRate = 44100, .codecs = Words("-c:v mpeg4 -q:v 3 -c:a libmp3lame")});
    // An odd frame size in VP9, Opus sound.
    add({.name = S("odd size.webm"), .width = 321, .height = 241, .fps = S("24"), .codecs = Words("-c:v libvpx-vp9 -deadline realtime -cpu-used 8 -b:v 300k -c:a libopus")});
    // AV1 with 7.1 sound at 96 kHz, and a first sound track that is not the default.
    add({.name = S("av1 7.1.mkv"), .width = 320, .height = 180, .fps = S("24"), .sampleRate = 96000, .channels = 8, .decoyTrack = true, .codecs = Words("-c:v libaom-av1 -cpu-used 8 -row-mt 1 -c:a flac")});
    // An old phone's 3GP: H.263 at 176x144, 8 kHz mono AAC.
    add({.name = S("old phone.3gp"), .width = 176, .height = 144, .fps = S("15"), .sampleRate = 8000, .channels = 1, .codecs = Words("-c:v h263 -q:v 4 -c:a aac")});
    // A web video of the last decade: Sorenson video and MP3 at 22 kHz.
    add({.name = S("web.flv"), .width = 320, .height = 240, .sampleRate = 22050, .codecs = Words("-c:v flv1 -q:v 4 -c:a libmp3lame")});
    // clang-format on
    return clips;
}

bool MakeDeviceClip(const QString &dir, const DeviceClip &c)
{
    const QString path = QDir(dir).filePath(c.name);
    QStringList args = Words("-hide_banner -loglevel error -y");
    if (c.soundDelay < 0)
        args << S("-itsoffset") << Number(-c.soundDelay);
    args << Words("-f lavfi -i") << PictureSource(c);
    QStringList maps = Words("-map 0:v");
    int inputs = 1;
    if (c.decoyTrack) { // a hum that would hide every beep
        args << Words("-f lavfi -i")
             << QStringLiteral("sine=f=300:r=%1:d=%2").arg(c.sampleRate).arg(Number(c.seconds));
        maps << S("-map") << QStringLiteral("%1:a").arg(inputs++);
    }
    if (c.sound) {
        if (c.soundDelay > 0)
            args << S("-itsoffset") << Number(c.soundDelay);
        args << Words("-f lavfi -i") << SoundSource(c);
        maps << S("-map") << QStringLiteral("%1:a").arg(inputs++);
    }
    if (c.coverArt) {
        args << Words("-f lavfi -i color=c=red:s=200x200:d=0.04");
        maps << S("-map") << QStringLiteral("%1:v").arg(inputs++);
        maps << Words("-c:v:1 mjpeg -disposition:v:1 attached_pic");
    }
    if (c.decoyTrack)
        maps << Words("-disposition:a:0 0 -disposition:a:1 default");
    // The stream choices after the codecs, so that they win for their streams.
    args << c.codecs << maps << path;
    QString output;
    if (RunProgram(S("ffmpeg"), args, &output) != 0) {
        std::cerr << "ffmpeg could not make " << path.toStdString() << ": " << output.toStdString()
                  << "\n";
        return false;
    }
    if (c.rotation == 90 && !WriteRotation(path)) {
        std::cerr << "could not turn " << path.toStdString() << "\n";
        return false;
    }
    return true;
}

std::vector<QString> CorpusFiles()
{
    // Made once per build tree; the stamp names the corpus's make-up, so a changed corpus is
    // made again.
    const QString dir = BuildProgramDirectory() + S("../tests/device-corpus/");
    QDir().mkpath(dir);
    QLockFile lock(dir + S(".lock"));
    lock.setStaleLockTime(0);
    if (!lock.lock())
        return {};
    QString recipe;
    for (const DeviceClip &c : DeviceCorpus())
        recipe += QStringLiteral("%1 %2x%3 %4/%5 %6 %7 %8 %9")
                      .arg(c.name)
                      .arg(c.width)
                      .arg(c.height)
                      .arg(c.sarNum)
                      .arg(c.sarDen)
                      .arg(c.rotation)
                      .arg(c.fps, Number(c.seconds), Number(c.soundDelay))
            + QStringLiteral(" %1 %2 %3 %4 %5%6%7 ")
                  .arg(Number(c.soundShort))
                  .arg(c.sound)
                  .arg(c.sampleRate)
                  .arg(c.channels)
                  .arg(c.variableRate)
                  .arg(c.decoyTrack)
                  .arg(c.coverArt)
            + c.codecs.join(u' ') + u'\n';
    std::vector<QString> files;
    const bool made = ReadFile(dir + S("stamp")) == recipe.toUtf8();
    for (const DeviceClip &c : DeviceCorpus()) {
        if (!made && !MakeDeviceClip(dir, c))
            return {};
        files.push_back(dir + c.name);
    }
    if (!made)
        WriteFile(dir + S("stamp"), recipe.toUtf8());
    return files;
}

} // namespace qvj::test
