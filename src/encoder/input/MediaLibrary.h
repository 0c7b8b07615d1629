#pragma once
// ffmpeg's libraries as this process reads files with them: loaded by name on first use, a
// reading that gives up at a deadline or on a stop signal, and several files read at once.
// For the readers of this folder only: it brings ffmpeg's headers with it.

#include <QString>

#include <chrono>
#include <cstdint>
#include <functional>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/display.h>
#include <libavutil/opt.h>
#include <libavutil/pixdesc.h>
}

// The functions taken from the libraries. The headers they were built with carry the same
// major version as the library loaded by name, so the structures agree.
struct Libav
{
    decltype(&avformat_alloc_context) allocContext = nullptr;
    decltype(&avformat_open_input) openInput = nullptr;
    decltype(&avformat_find_stream_info) findStreamInfo = nullptr;
    decltype(&avformat_close_input) closeInput = nullptr;
    decltype(&av_read_frame) readFrame = nullptr;
    decltype(&avformat_seek_file) seekFile = nullptr;
    decltype(&av_guess_sample_aspect_ratio) guessSampleAspect = nullptr;
    decltype(&av_packet_alloc) packetAlloc = nullptr;
    decltype(&av_packet_free) packetFree = nullptr;
    decltype(&av_packet_unref) packetUnref = nullptr;
    decltype(&avcodec_descriptor_get) codecDescriptor = nullptr;
    decltype(&avcodec_profile_name) profileName = nullptr;
    decltype(&av_get_pix_fmt_name) pixelFormatName = nullptr;
    decltype(&av_channel_layout_describe) describeLayout = nullptr;
    decltype(&av_dict_set) dictSet = nullptr;
    decltype(&av_dict_free) dictFree = nullptr;
    decltype(&av_dict_get) dictGet = nullptr;
    decltype(&av_log_set_level) logSetLevel = nullptr;
    decltype(&av_opt_set) optSet = nullptr;
    // How the picture is shown and what its colours mean.
    decltype(&av_stream_get_side_data) streamSideData = nullptr;
    decltype(&av_display_rotation_get) displayRotation = nullptr;
    decltype(&av_color_primaries_name) primariesName = nullptr;
    decltype(&av_color_transfer_name) transferName = nullptr;
    decltype(&av_color_space_name) matrixName = nullptr;
    decltype(&av_color_range_name) rangeName = nullptr;
    QString error; // why the libraries could not be used; empty when they can
};

// The libraries, loaded once; their error says why they cannot be used.
const Libav &Library();

// How long one file may take; a file on a stalled network share must not hold the check.
constexpr auto kFileTimeLimit = std::chrono::seconds(60);

struct Deadline
{
    std::chrono::steady_clock::time_point end;
};

// The interrupt callback of a context whose opaque is a Deadline: 1 once it passed or a stop
// signal came.
int Interrupted(void *opaque);

// A context for reading one file that gives up at the deadline; nullptr with *error when the
// library could not be loaded or the memory is short.
AVFormatContext *NewContext(const Libav &l, const QString &path, Deadline *deadline,
                            QString *error);

// The file opened for reading by its real bytes, with a context that gives up at the deadline;
// nullptr with *error ("Cannot read the media file: ...") when it cannot be opened.
AVFormatContext *OpenFile(const Libav &l, const QString &path, Deadline *deadline, QString *error);

// Runs read(i) for every i below count, a few at once: each file mostly waits for its reads.
void ReadEach(qsizetype count, const std::function<void(qsizetype)> &read);

// A time in base as whole microseconds.
int64_t Microseconds(int64_t value, AVRational base);
