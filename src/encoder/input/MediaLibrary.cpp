#include "encoder/input/MediaLibrary.h"

#include "platform/RawNames.h"

#include "encoder/run/FfmpegRun.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <thread>
#include <vector>

#include <dlfcn.h>

namespace {

template<typename F> void Take(void *library, const char *name, F &f, QString &error)
{
    f = reinterpret_cast<F>(::dlsym(library, name));
    if (!f && error.isEmpty())
        error = QStringLiteral("ffmpeg's libraries lack %1").arg(QLatin1String(name));
}

Libav LoadLibav()
{
    Libav l;
    // libavformat brings libavcodec and libavutil with it, and a look-up through its handle
    // searches them too.
    void *lib = ::dlopen(QVJ_LIBAVFORMAT_SONAME, RTLD_LAZY | RTLD_LOCAL);
    if (!lib) {
        l.error = QStringLiteral("ffmpeg's libraries cannot be loaded (%1); please install the "
                                 "ffmpeg package")
                      .arg(QString::fromLocal8Bit(::dlerror()));
        return l;
    }
    Take(lib, "avformat_alloc_context", l.allocContext, l.error);
    Take(lib, "avformat_open_input", l.openInput, l.error);
    Take(lib, "avformat_find_stream_info", l.findStreamInfo, l.error);
    Take(lib, "avformat_close_input", l.closeInput, l.error);
    Take(lib, "av_read_frame", l.readFrame, l.error);
    Take(lib, "avformat_seek_file", l.seekFile, l.error);
    Take(lib, "av_guess_sample_aspect_ratio", l.guessSampleAspect, l.error);
    Take(lib, "av_packet_alloc", l.packetAlloc, l.error);
    Take(lib, "av_packet_free", l.packetFree, l.error);
    Take(lib, "av_packet_unref", l.packetUnref, l.error);
    Take(lib, "avcodec_descriptor_get", l.codecDescriptor, l.error);
    Take(lib, "avcodec_profile_name", l.profileName, l.error);
    Take(lib, "av_get_pix_fmt_name", l.pixelFormatName, l.error);
    Take(lib, "av_channel_layout_describe", l.describeLayout, l.error);
    Take(lib, "av_dict_set", l.dictSet, l.error);
    Take(lib, "av_dict_free", l.dictFree, l.error);
    Take(lib, "av_dict_get", l.dictGet, l.error);
    Take(lib, "av_log_set_level", l.logSetLevel, l.error);
    Take(lib, "av_opt_set", l.optSet, l.error);
    Take(lib, "av_stream_get_side_data", l.streamSideData, l.error);
    Take(lib, "av_display_rotation_get", l.displayRotation, l.error);
    Take(lib, "av_color_primaries_name", l.primariesName, l.error);
    Take(lib, "av_color_transfer_name", l.transferName, l.error);
    Take(lib, "av_color_space_name", l.matrixName, l.error);
    Take(lib, "av_color_range_name", l.rangeName, l.error);
    if (l.error.isEmpty())
        l.logSetLevel(AV_LOG_QUIET); // a damaged file is told by its ID_ERROR line alone
    return l;
}

} // namespace

const Libav &Library()
{
    static const Libav library = LoadLibav();
    return library;
}

int Interrupted(void *opaque)
{
    const auto *d = static_cast<const Deadline *>(opaque);
    return StopRequested() || std::chrono::steady_clock::now() > d->end ? 1 : 0;
}

AVFormatContext *NewContext(const Libav &l, const QString &path, Deadline *deadline, QString *error)
{
    if (!l.error.isEmpty()) {
        *error = l.error;
        return nullptr;
    }
    AVFormatContext *ctx = l.allocContext();
    if (!ctx) {
        *error = QStringLiteral("Cannot read the media file: %1").arg(path);
        return nullptr;
    }
    ctx->interrupt_callback = {Interrupted, deadline};
    return ctx;
}

AVFormatContext *OpenFile(const Libav &l, const QString &path, Deadline *deadline, QString *error)
{
    AVFormatContext *ctx = NewContext(l, path, deadline, error);
    if (!ctx)
        return nullptr;
    const QByteArray url = "file:" + NameToBytes(path);
    if (l.openInput(&ctx, url.constData(), nullptr, nullptr) < 0) { // frees ctx on failure
        if (ctx)
            l.closeInput(&ctx);
        *error = QStringLiteral("Cannot read the media file: %1").arg(path);
        return nullptr;
    }
    return ctx;
}

void ReadEach(qsizetype count, const std::function<void(qsizetype)> &read)
{
    std::atomic<qsizetype> next {0};
    const auto work = [&] {
        for (qsizetype i = next++; i < count; i = next++)
            read(i);
    };
    const unsigned workers = std::clamp(std::thread::hardware_concurrency(), 1u, 4u);
    std::vector<std::thread> threads;
    for (unsigned t = 1; t < workers && qsizetype(t) < count; ++t)
        threads.emplace_back(work);
    work();
    for (std::thread &t : threads)
        t.join();
}

int64_t Microseconds(int64_t value, AVRational base)
{
    return std::llround(double(value) * av_q2d(base) * 1e6);
}
