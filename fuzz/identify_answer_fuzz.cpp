// The encoder's answer to "-identify" as the program reads it, and ffprobe's answer as the
// encoder reads it: any text gives facts (or a refusal) without a fault, and the comparison of
// whatever facts came out names every file at most once.
#include "encoder/Identify.h"
#include "pipeline/SourceFit.h"

#include <QString>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const std::vector<SourceFacts> facts = ParseIdentifyOutput(QString::fromUtf8(bytes));
    QStringList names;
    for (size_t i = 0; i < facts.size(); ++i)
        names << QStringLiteral("f%1").arg(i);
    for (const char *extension : {".mp4", ".mkv"})
        if (SourceMisfits(facts, names, QString::fromLatin1(extension)).size()
            > qsizetype(facts.size()))
            std::abort();
    QString error;
    const auto file = ParseIdentifyProbe(QStringLiteral("/v/x.mp4"), bytes, &error);
    if (file) {
        const std::vector<SourceFacts> again
            = ParseIdentifyOutput(IdentifyLines(*file).join(QLatin1Char('\n')));
        if (again.size() != 1 || again.front().width != file->width)
            std::abort(); // what the encoder says, the program reads back
    } else if (error.isEmpty()) {
        std::abort(); // a refusal always says why
    }
    return 0;
}

std::vector<std::string> FuzzSeeds()
{
    return {
        "ID_FILENAME=/v/a.mp4\nID_VIDEO_FORMAT=H264\nID_VIDEO_PROFILE=High\nID_VIDEO_WIDTH=1920\n"
        "ID_VIDEO_HEIGHT=1080\nID_VIDEO_FPS=29.970\nID_VIDEO_FRAME_RATE=30000/1001\n"
        "ID_VIDEO_VARIABLE_FPS=0\nID_VIDEO_PIXEL_FORMAT=yuv420p\nID_VIDEO_SAR=1:1\n"
        "ID_AUDIO_FORMAT=AAC\nID_AUDIO_RATE=48000\nID_AUDIO_NCH=2\nID_AUDIO_LAYOUT=stereo\n"
        "ID_FILENAME=/v/b.avi\nID_ERROR=Cannot read\nID_EXIT=EOF\n",
        R"({"packets": [{"stream_index": 0, "pts_time": "0.000000"},
          {"stream_index": 0, "pts_time": "0.040000"}, {"stream_index": 0}],
          "streams": [{"index": 0, "codec_type": "video", "codec_name": "h264", "width": 320,
          "height": 240, "sample_aspect_ratio": "4:3", "avg_frame_rate": "25/1",
          "r_frame_rate": "0/0", "disposition": {"attached_pic": 0}},
          {"index": 1, "codec_type": "audio", "codec_name": "aac", "sample_rate": "44100",
          "channels": 2}], "format": {"format_name": "mov,mp4", "duration": "1.6"}})",
        ""};
}
