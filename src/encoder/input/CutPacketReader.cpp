#include "encoder/input/CutPacketReader.h"

#include "encoder/input/MediaLibrary.h"

#include <cmath>
#include <memory>

namespace {

double Seconds(int64_t value, AVRational base)
{
    return value == AV_NOPTS_VALUE ? NAN : double(value) * av_q2d(base);
}

// The packets of one stretch, after a seek to the keyframe before its start; false when the
// file cannot be read there.
bool ReadWindow(const Libav &l, AVFormatContext *ctx, const InputMedia &media, double start,
                double end, std::vector<PacketTimes> &out)
{
    const int64_t target = std::llround(start * AV_TIME_BASE);
    if (l.seekFile(ctx, -1, INT64_MIN, target, INT64_MAX, 0) < 0)
        return false;
    const AVStream *video = ctx->streams[media.videoStream];
    const AVCodecID codec = video->codecpar->codec_id;
    const bool hevc = codec == AV_CODEC_ID_HEVC;
    const bool nal = hevc || codec == AV_CODEC_ID_H264;
    const int lengthSize
        = NalLengthSize(QByteArrayView(reinterpret_cast<const char *>(video->codecpar->extradata),
                                       video->codecpar->extradata_size),
                        hevc);
    std::unique_ptr<AVPacket, void (*)(AVPacket *)> packet(
        l.packetAlloc(), [](AVPacket *p) { Library().packetFree(&p); });
    if (!packet)
        return false;
    while (l.readFrame(ctx, packet.get()) >= 0) {
        const AVPacket &p = *packet;
        const AVRational base = ctx->streams[p.stream_index]->time_base;
        PacketTimes t;
        t.video = p.stream_index == media.videoStream;
        t.key = (p.flags & AV_PKT_FLAG_KEY) != 0;
        t.pts = Seconds(p.pts, base);
        t.dts = Seconds(p.dts, base);
        if (t.video && t.key && nal)
            t.refreshes = FirstPictureRefreshes(
                QByteArrayView(reinterpret_cast<const char *>(p.data), p.size), lengthSize, hevc);
        l.packetUnref(packet.get());
        if (!std::isnan(t.pts) && t.pts >= end)
            break;
        out.push_back(t);
    }
    return true;
}

} // namespace

std::optional<CutPackets> ReadCutPackets(const InputMedia &media,
                                         const std::vector<std::pair<double, double>> &windows,
                                         QString *error)
{
    const Libav &l = Library();
    Deadline deadline {std::chrono::steady_clock::now() + kFileTimeLimit};
    AVFormatContext *ctx = OpenFile(l, media.path, &deadline, error);
    if (!ctx)
        return std::nullopt;
    CutPackets read;
    // MP4 states every stream's packets in its index; other containers are looked into first.
    bool ok = (QString::fromLatin1(ctx->iformat->name).startsWith(u"mov")
               || l.findStreamInfo(ctx, nullptr) >= 0)
        && media.videoStream >= 0 && media.videoStream < int(ctx->nb_streams);
    if (ok) {
        if (const AVRational base = ctx->streams[media.videoStream]->time_base; base.num == 1)
            read.timescale = QString::number(base.den);
        for (const auto &[start, end] : windows)
            ok = ok && ReadWindow(l, ctx, media, start, end, read.packets);
    }
    l.closeInput(&ctx);
    if (!ok) {
        *error = QStringLiteral("Cannot read the keyframes of %1").arg(media.path);
        return std::nullopt;
    }
    return read;
}
