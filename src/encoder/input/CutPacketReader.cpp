#include "encoder/input/CutPacketReader.h"

#include "encoder/input/MediaLibrary.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

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

// A time as ffprobe writes it: seconds as text, absent where the file states none.
void PutTime(QJsonObject &o, const char *key, int64_t value, AVRational base)
{
    if (value != AV_NOPTS_VALUE)
        o.insert(QLatin1String(key), QString::number(double(value) * av_q2d(base), 'f', 6));
}

QString Ratio(AVRational r, char separator)
{
    return QStringLiteral("%1%2%3").arg(r.num).arg(QLatin1Char(separator)).arg(r.den);
}

// A stream as ffprobe describes it with the entries ProbeArguments asks for.
QJsonObject StreamEntries(const Libav &l, AVFormatContext *ctx, AVStream *st)
{
    const AVCodecParameters *p = st->codecpar;
    QJsonObject o {{QStringLiteral("index"), st->index}};
    if (p->codec_type == AVMEDIA_TYPE_VIDEO) {
        o.insert(QStringLiteral("codec_type"), QStringLiteral("video"));
        o.insert(QStringLiteral("width"), p->width);
        o.insert(QStringLiteral("height"), p->height);
        if (const AVRational sar = l.guessSampleAspect(ctx, st, nullptr); sar.num)
            o.insert(QStringLiteral("sample_aspect_ratio"), Ratio(sar, ':'));
        size_t size = 0;
        if (const uint8_t *m = l.streamSideData(st, AV_PKT_DATA_DISPLAYMATRIX, &size);
            m && size >= 9 * sizeof(int32_t)) {
            const double angle = l.displayRotation(reinterpret_cast<const int32_t *>(m));
            if (std::isfinite(angle))
                o.insert(QStringLiteral("side_data_list"),
                         QJsonArray {QJsonObject {{QStringLiteral("rotation"), int(angle)}}});
        }
        if (const AVDictionaryEntry *rotate = l.dictGet(st->metadata, "rotate", nullptr, 0))
            o.insert(QStringLiteral("tags"),
                     QJsonObject {{QStringLiteral("rotate"), QString::fromUtf8(rotate->value)}});
    } else if (p->codec_type == AVMEDIA_TYPE_AUDIO) {
        o.insert(QStringLiteral("codec_type"), QStringLiteral("audio"));
        o.insert(QStringLiteral("sample_rate"), QString::number(p->sample_rate));
        o.insert(QStringLiteral("channels"), p->ch_layout.nb_channels);
    } else {
        o.insert(QStringLiteral("codec_type"), QStringLiteral("other"));
    }
    o.insert(QStringLiteral("avg_frame_rate"), Ratio(st->avg_frame_rate, '/'));
    o.insert(QStringLiteral("r_frame_rate"), Ratio(st->r_frame_rate, '/'));
    PutTime(o, "start_time", st->start_time, st->time_base);
    PutTime(o, "duration", st->duration, st->time_base);
    o.insert(QStringLiteral("disposition"),
             QJsonObject {
                 {QStringLiteral("default"), (st->disposition & AV_DISPOSITION_DEFAULT) ? 1 : 0},
                 {QStringLiteral("attached_pic"),
                  (st->disposition & AV_DISPOSITION_ATTACHED_PIC) ? 1 : 0}});
    return o;
}

std::optional<InputMedia> ReadInput(const QString &path, QString *error)
{
    const Libav &l = Library();
    Deadline deadline {std::chrono::steady_clock::now() + kFileTimeLimit};
    AVFormatContext *ctx = OpenFile(l, path, &deadline, error);
    if (!ctx)
        return std::nullopt;
    if (l.findStreamInfo(ctx, nullptr) < 0) {
        l.closeInput(&ctx);
        *error = QStringLiteral("Cannot read the media file: %1").arg(path);
        return std::nullopt;
    }
    QJsonArray streams;
    for (unsigned i = 0; i < ctx->nb_streams; ++i)
        streams.append(StreamEntries(l, ctx, ctx->streams[i]));
    QJsonObject format {{QStringLiteral("format_name"), QString::fromLatin1(ctx->iformat->name)}};
    PutTime(format, "start_time", ctx->start_time, AV_TIME_BASE_Q);
    PutTime(format, "duration", ctx->duration, AV_TIME_BASE_Q);
    l.closeInput(&ctx);
    const QJsonObject answer {{QStringLiteral("streams"), streams},
                              {QStringLiteral("format"), format}};
    return ParseProbeOutput(path, QJsonDocument(answer).toJson(QJsonDocument::Compact), error);
}

} // namespace

std::vector<std::optional<InputMedia>> ReadInputs(const QStringList &paths, QStringList *errors)
{
    std::vector<std::optional<InputMedia>> read(size_t(paths.size()));
    std::vector<QString> reasons(size_t(paths.size()));
    ReadEach(paths.size(),
             [&](qsizetype i) { read[size_t(i)] = ReadInput(paths.at(i), &reasons[size_t(i)]); });
    *errors = QStringList(reasons.begin(), reasons.end());
    return read;
}

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
