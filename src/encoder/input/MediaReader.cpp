#include "encoder/input/MediaReader.h"
#include "platform/RawNames.h"

#include "encoder/run/FfmpegRun.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <functional>
#include <thread>

#include <dlfcn.h>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/display.h>
#include <libavutil/pixdesc.h>
}

namespace {

// The functions taken from the libraries. The headers they were built with carry the same
// major version as the library loaded by name, so the structures agree.
struct Libav
{
    decltype(&avformat_alloc_context) allocContext = nullptr;
    decltype(&avformat_open_input) openInput = nullptr;
    decltype(&avformat_find_stream_info) findStreamInfo = nullptr;
    decltype(&avformat_close_input) closeInput = nullptr;
    decltype(&av_read_frame) readFrame = nullptr;
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
    // How the picture is shown and what its colours mean.
    decltype(&av_stream_get_side_data) streamSideData = nullptr;
    decltype(&av_display_rotation_get) displayRotation = nullptr;
    decltype(&av_color_primaries_name) primariesName = nullptr;
    decltype(&av_color_transfer_name) transferName = nullptr;
    decltype(&av_color_space_name) matrixName = nullptr;
    decltype(&av_color_range_name) rangeName = nullptr;
    QString error; // why the libraries could not be used; empty when they can
};

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

const Libav &Library()
{
    static const Libav library = LoadLibav();
    return library;
}

// How long one file may take; a file on a stalled network share must not hold the check.
constexpr auto kFileTimeLimit = std::chrono::seconds(60);
// The packets read from the start, whose frame times tell a variable rate.
constexpr int kPacketsRead = 240;

struct Deadline
{
    std::chrono::steady_clock::time_point end;
};

int Interrupted(void *opaque)
{
    const auto *d = static_cast<const Deadline *>(opaque);
    return StopRequested() || std::chrono::steady_clock::now() > d->end ? 1 : 0;
}

QString CodecName(const Libav &l, AVCodecID id)
{
    const AVCodecDescriptor *d = l.codecDescriptor(id);
    return d ? QString::fromLatin1(d->name) : QString();
}

// A profile's name, or its number when the codec names none; empty when there is none.
QString ProfileName(const Libav &l, const AVCodecParameters &p)
{
    if (const char *name = l.profileName(p.codec_id, p.profile))
        return QString::fromLatin1(name);
    return p.profile != FF_PROFILE_UNKNOWN ? QString::number(p.profile) : QString();
}

Fraction FromRational(AVRational r)
{
    return r.num > 0 && r.den > 0 ? Fraction {r.num, r.den} : Fraction {0, 1};
}

void TakeVideo(const Libav &l, AVFormatContext *ctx, AVStream *s, IdentifiedFile &f)
{
    const AVCodecParameters &p = *s->codecpar;
    f.hasVideo = true;
    f.videoCodec = CodecName(l, p.codec_id);
    f.videoProfile = ProfileName(l, p);
    f.width = p.width;
    f.height = p.height;
    const char *pixelFormat = l.pixelFormatName(AVPixelFormat(p.format));
    f.pixelFormat = pixelFormat ? QString::fromLatin1(pixelFormat) : QString();
    const Fraction sar = FromRational(l.guessSampleAspect(ctx, s, nullptr));
    if (sar.IsValid())
        f.pixelAspect = sar;
    f.frameRate = FromRational(s->avg_frame_rate);
    if (!f.frameRate.IsValid() || f.frameRate.Value() > 1000)
        f.frameRate = FromRational(s->r_frame_rate);
}

// A colour name, empty for "unspecified" and "unknown".
QString ColorName(const char *name)
{
    const QString text = name ? QString::fromLatin1(name) : QString();
    return text == u"unknown" || text == u"unspecified" || text == u"reserved" ? QString() : text;
}

// The display matrix as quarter turns clockwise (ffmpeg counts its angle the other way);
// other angles are not turned.
int Rotation(const Libav &l, const AVStream *s)
{
    size_t size = 0;
    const uint8_t *matrix = l.streamSideData(s, AV_PKT_DATA_DISPLAYMATRIX, &size);
    if (!matrix || size < 9 * sizeof(int32_t))
        return 0;
    const double angle = -l.displayRotation(reinterpret_cast<const int32_t *>(matrix));
    if (!std::isfinite(angle))
        return 0;
    const double turned = std::fmod(std::fmod(angle, 360.0) + 360.0, 360.0);
    for (int quarter : {90, 180, 270})
        if (std::abs(turned - quarter) < 1.0)
            return quarter;
    return 0;
}

void TakeShowing(const Libav &l, const AVStream *s, IdentifiedFile &f)
{
    const AVCodecParameters &p = *s->codecpar;
    f.rotation = Rotation(l, s);
    static const char *const orders[] = {"", "progressive", "tt", "bb", "tb", "bt"};
    f.fieldOrder
        = QLatin1String(p.field_order >= 0 && p.field_order < 6 ? orders[p.field_order] : "");
    f.colorPrimaries = ColorName(l.primariesName(p.color_primaries));
    f.colorTransfer = ColorName(l.transferName(p.color_trc));
    f.colorMatrix = ColorName(l.matrixName(p.color_space));
    f.colorRange = ColorName(l.rangeName(p.color_range));
    f.videoLevel = p.level > 0 ? p.level : 0;
    f.videoBitrate = std::max<int64_t>(p.bit_rate, 0);
}

void TakeAudio(const Libav &l, const AVCodecParameters &p, IdentifiedFile &f)
{
    f.hasAudio = true;
    f.audioCodec = CodecName(l, p.codec_id);
    f.audioProfile = ProfileName(l, p);
    f.sampleRate = p.sample_rate;
    f.channels = p.ch_layout.nb_channels;
    char layout[128] = {};
    if (p.ch_layout.order != AV_CHANNEL_ORDER_UNSPEC
        && l.describeLayout(&p.ch_layout, layout, sizeof layout) > 0)
        f.channelLayout = QString::fromLatin1(layout);
}

// The times of the video stream's first packets tell a variable rate, and frames kept without
// a time.
void TakeFrameTimes(const Libav &l, AVFormatContext *ctx, int videoIndex, IdentifiedFile &f)
{
    AVPacket *packet = l.packetAlloc();
    if (!packet)
        return;
    std::vector<double> times;
    const double timeBase = av_q2d(ctx->streams[videoIndex]->time_base);
    int64_t lastDts = AV_NOPTS_VALUE;
    for (int n = 0; n < kPacketsRead && l.readFrame(ctx, packet) >= 0; ++n) {
        if (packet->stream_index == videoIndex) {
            if (packet->pts == AV_NOPTS_VALUE)
                f.untimedFrames = true;
            else
                times.push_back(double(packet->pts) * timeBase);
            if (packet->dts != AV_NOPTS_VALUE)
                lastDts = packet->dts;
        }
        l.packetUnref(packet);
    }
    l.packetFree(&packet);
    // With reordered frames the reading stops amid a group: frames shown after the last one
    // read in decoding order may still be missing, which would look like a gap. Every frame
    // shown up to that one has been read.
    if (lastDts != AV_NOPTS_VALUE) {
        const double complete = double(lastDts) * timeBase + 1e-9;
        times.erase(std::remove_if(times.begin(), times.end(),
                                   [complete](double t) { return t > complete; }),
                    times.end());
    }
    // Without every frame's time the spacing tells nothing.
    f.variableRate = !f.untimedFrames && IsVariableRate(std::move(times));
}

// A context for reading one file that gives up at the deadline; nullptr with *error when the
// library could not be loaded or the memory is short.
AVFormatContext *NewContext(const Libav &l, const QString &path, Deadline *deadline,
                            QString *error)
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

} // namespace

std::optional<IdentifiedFile> ReadMediaFacts(const QString &path, QString *error)
{
    if (!QFileInfo(OpenablePath(path)).isFile() || !QFileInfo(OpenablePath(path)).isReadable()) {
        *error = QStringLiteral("Cannot read the input file: %1").arg(path);
        return std::nullopt;
    }
    const Libav &l = Library();
    Deadline deadline {std::chrono::steady_clock::now() + kFileTimeLimit};
    AVFormatContext *ctx = NewContext(l, path, &deadline, error);
    if (!ctx)
        return std::nullopt;
    AVDictionary *options = nullptr;
    l.dictSet(&options, "scan_all_pmts", "1", 0); // every program of a transport stream
    const QByteArray url = "file:" + NameToBytes(path);
    const int opened = l.openInput(&ctx, url.constData(), nullptr, &options); // frees ctx on failure
    l.dictFree(&options);
    if (opened < 0 || l.findStreamInfo(ctx, nullptr) < 0) {
        if (opened >= 0)
            l.closeInput(&ctx);
        *error = Interrupted(&deadline)
            ? QStringLiteral("Reading %1 took too long").arg(path)
            : QStringLiteral("Cannot read the media file: %1").arg(path);
        return std::nullopt;
    }
    IdentifiedFile f;
    f.path = path;
    f.demuxer = QString::fromLatin1(ctx->iformat->name).section(u',', 0, 0);
    if (ctx->duration != AV_NOPTS_VALUE && ctx->duration > 0)
        f.length = double(ctx->duration) / AV_TIME_BASE;
    int videoIndex = -1;
    bool defaultSound = false; // a later track replaces the first only by being the default
    for (unsigned i = 0; i < ctx->nb_streams; ++i) {
        AVStream *s = ctx->streams[i];
        const AVCodecParameters &p = *s->codecpar;
        // A cover picture is not the video.
        if (p.codec_type == AVMEDIA_TYPE_VIDEO && !f.hasVideo
            && !(s->disposition & AV_DISPOSITION_ATTACHED_PIC) && p.width > 0) {
            videoIndex = int(i);
            TakeVideo(l, ctx, s, f);
            f.videoStream = int(i);
            TakeShowing(l, s, f);
        } else if (p.codec_type == AVMEDIA_TYPE_AUDIO && p.sample_rate > 0
                   && (!f.hasAudio
                       || (!defaultSound && (s->disposition & AV_DISPOSITION_DEFAULT)))) {
            // The default track, else the first: as the encoding route takes it.
            defaultSound = f.hasAudio;
            TakeAudio(l, p, f);
            f.audioStream = int(i);
            f.audioBitrate = std::max<int64_t>(p.bit_rate, 0);
        }
    }
    if (f.hasVideo)
        TakeFrameTimes(l, ctx, videoIndex, f);
    l.closeInput(&ctx);
    if (!f.hasVideo) {
        *error = QStringLiteral("No video in %1").arg(path);
        return std::nullopt;
    }
    return f;
}

namespace {

// Runs read(i) for every i below count, a few at once: each file mostly waits for its reads.
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

// The start of the first video stream that is not a cover picture, in microseconds, or the
// container's; 0 when neither is known.
int64_t VideoStartUs(const AVFormatContext *ctx)
{
    for (unsigned i = 0; i < ctx->nb_streams; ++i) {
        const AVStream *s = ctx->streams[i];
        if (s->codecpar->codec_type == AVMEDIA_TYPE_VIDEO
            && !(s->disposition & AV_DISPOSITION_ATTACHED_PIC) && s->start_time != AV_NOPTS_VALUE)
            return Microseconds(s->start_time, s->time_base);
    }
    return ctx->start_time != AV_NOPTS_VALUE ? ctx->start_time : 0;
}

// How far the first packets of the first video and sound stream lie before fileStartUs.
int64_t LeadUs(const Libav &l, AVFormatContext *ctx, int64_t fileStartUs)
{
    AVPacket *packet = l.packetAlloc();
    if (!packet)
        return 0;
    int wanted[2] = {-1, -1};
    for (unsigned i = 0; i < ctx->nb_streams; ++i) {
        const AVStream *s = ctx->streams[i];
        const int kind = s->codecpar->codec_type == AVMEDIA_TYPE_VIDEO
                && !(s->disposition & AV_DISPOSITION_ATTACHED_PIC)
            ? 0
            : s->codecpar->codec_type == AVMEDIA_TYPE_AUDIO ? 1 : -1;
        if (kind >= 0 && wanted[kind] < 0)
            wanted[kind] = int(i);
    }
    int64_t earliest = fileStartUs;
    bool seen[2] = {wanted[0] < 0, wanted[1] < 0};
    for (int n = 0; n < 64 && !(seen[0] && seen[1]) && l.readFrame(ctx, packet) >= 0; ++n) {
        for (int k = 0; k < 2; ++k)
            if (packet->stream_index == wanted[k] && !seen[k] && packet->pts != AV_NOPTS_VALUE) {
                seen[k] = true;
                earliest = std::min(earliest, Microseconds(packet->pts,
                                                           ctx->streams[wanted[k]]->time_base));
            }
        l.packetUnref(packet);
    }
    l.packetFree(&packet);
    return fileStartUs - earliest;
}

std::optional<ChapterFacts> ReadChapterFacts(const QString &path, bool times, QString *error)
{
    const Libav &l = Library();
    Deadline deadline {std::chrono::steady_clock::now() + kFileTimeLimit};
    AVFormatContext *ctx = NewContext(l, path, &deadline, error);
    if (!ctx)
        return std::nullopt;
    const QByteArray url = "file:" + NameToBytes(path);
    // Opened as the concat demuxer opens its files, so that the length is the one it counts.
    // The stream facts are read only when needed: for the times, or to place own chapters.
    if (l.openInput(&ctx, url.constData(), nullptr, nullptr) < 0
        || ((times || ctx->nb_chapters > 0) && l.findStreamInfo(ctx, nullptr) < 0)) {
        if (ctx)
            l.closeInput(&ctx);
        *error = QStringLiteral("Cannot read the media file: %1").arg(path);
        return std::nullopt;
    }
    ChapterFacts facts;
    const int64_t videoStart = VideoStartUs(ctx);
    if (times) {
        if (ctx->duration != AV_NOPTS_VALUE && ctx->duration > 0)
            facts.durationUs = ctx->duration;
        const int64_t fileStart = ctx->start_time != AV_NOPTS_VALUE ? ctx->start_time : 0;
        facts.firstFrameUs = std::max<int64_t>(0, videoStart - fileStart);
        facts.leadUs = LeadUs(l, ctx, fileStart);
    }
    for (unsigned i = 0; i < ctx->nb_chapters; ++i) {
        const AVChapter *c = ctx->chapters[i];
        const AVDictionaryEntry *title = l.dictGet(c->metadata, "title", nullptr, 0);
        facts.chapters.push_back({Microseconds(c->start, c->time_base) - videoStart,
                                  title ? QString::fromUtf8(title->value) : QString()});
    }
    l.closeInput(&ctx);
    return facts;
}

} // namespace

std::vector<std::optional<IdentifiedFile>> ReadMediaFacts(const QStringList &paths,
                                                          QStringList *errors)
{
    std::vector<std::optional<IdentifiedFile>> files(size_t(paths.size()));
    std::vector<QString> reasons(size_t(paths.size()));
    ReadEach(paths.size(), [&](qsizetype i) {
        files[size_t(i)] = ReadMediaFacts(paths.at(i), &reasons[size_t(i)]);
    });
    *errors = QStringList(reasons.begin(), reasons.end());
    return files;
}

std::vector<std::optional<ChapterFacts>> ReadChapterFacts(const QStringList &paths, bool times,
                                                          QStringList *errors)
{
    std::vector<std::optional<ChapterFacts>> files(size_t(paths.size()));
    std::vector<QString> reasons(size_t(paths.size()));
    ReadEach(paths.size(), [&](qsizetype i) {
        files[size_t(i)] = ReadChapterFacts(paths.at(i), times, &reasons[size_t(i)]);
    });
    *errors = QStringList(reasons.begin(), reasons.end());
    return files;
}
