#include "encoder/input/MediaReader.h"

#include "encoder/input/InputRules.h"
#include "encoder/input/MediaLibrary.h"
#include "platform/RawNames.h"

#include <QCryptographicHash>

#include <algorithm>
#include <cmath>

namespace {

// The packets read from the start, whose frame times tell a variable rate.
constexpr int kPacketsRead = 240;

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
    // An HEVC copy is decoded with the parameter sets of its first file: files whose own
    // ones differ are told apart by them.
    if (p.codec_id == AV_CODEC_ID_HEVC && p.extradata && p.extradata_size > 0)
        f.videoSetup = QString::fromLatin1(
            QCryptographicHash::hash(QByteArrayView(p.extradata, p.extradata_size),
                                     QCryptographicHash::Sha1)
                .toHex()
                .left(16));
    f.width = p.width;
    f.height = p.height;
    const char *pixelFormat = l.pixelFormatName(AVPixelFormat(p.format));
    f.pixelFormat = pixelFormat ? QString::fromLatin1(pixelFormat) : QString();
    const Fraction sar = FromRational(l.guessSampleAspect(ctx, s, nullptr));
    if (sar.IsValid())
        f.pixelAspect = sar;
    f.frameRate = NominalFrameRate(FromRational(s->avg_frame_rate), FromRational(s->r_frame_rate));
    f.videoTimescale = s->time_base.num == 1 && s->time_base.den > 0 ? s->time_base.den : 0;
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

QString Tag(const Libav &l, const AVStream *s, const char *key)
{
    const AVDictionaryEntry *e = l.dictGet(s->metadata, key, nullptr, 0);
    return e && e->value ? QString::fromUtf8(e->value) : QString();
}

// A track's title; an MP4 file keeps it as the handler's name, which writers otherwise fill
// with a generic one ("SoundHandler", "Core Media Audio").
QString TrackName(const Libav &l, const AVStream *s)
{
    if (const QString title = Tag(l, s, "title"); !title.isEmpty())
        return title;
    const QString handler = Tag(l, s, "handler_name");
    const bool generic = handler.endsWith(QLatin1String("Handler"))
        || handler.startsWith(QLatin1String("Core Media"))
        || handler.contains(QLatin1String("Media Handler"));
    return generic ? QString() : handler;
}

// A stream besides the picture as a track; nothing for a stream of no kind a copy keeps.
std::optional<IdentifiedTrack> TakeTrack(const Libav &l, const AVStream *s, unsigned index)
{
    using Kind = IdentifiedTrack::Kind;
    const AVCodecParameters &p = *s->codecpar;
    IdentifiedTrack t;
    t.stream = int(index);
    t.codec = CodecName(l, p.codec_id);
    switch (p.codec_type) {
    case AVMEDIA_TYPE_AUDIO:
        if (p.sample_rate <= 0)
            return std::nullopt;
        t.kind = Kind::Sound;
        break;
    case AVMEDIA_TYPE_SUBTITLE:
        t.kind = Kind::Subtitle;
        break;
    case AVMEDIA_TYPE_DATA: {
        // An MP4 or MOV file's chapter list is a text track of its own; the chapters are kept
        // by the chapter list of the join.
        if (p.codec_tag == MKTAG('t', 'e', 'x', 't'))
            return std::nullopt;
        t.kind = Kind::Data;
        // A data track is known by its tag ("tmcd", "gpmd"), its codec rarely has a name.
        char tag[5] = {};
        for (int i = 0; i < 4; ++i) {
            const char c = char((p.codec_tag >> (8 * i)) & 0xff);
            tag[i] = c >= 0x20 && c < 0x7f ? c : '_';
        }
        if (p.codec_tag != 0)
            t.codec = QString::fromLatin1(tag);
        break;
    }
    case AVMEDIA_TYPE_ATTACHMENT:
        t.kind = Kind::Attachment;
        t.name = Tag(l, s, "filename");
        return t;
    default:
        return std::nullopt;
    }
    t.language = Tag(l, s, "language");
    if (t.language == u"und")
        t.language.clear();
    t.name = TrackName(l, s);
    t.isDefault = s->disposition & AV_DISPOSITION_DEFAULT;
    if (t.kind == Kind::Sound) {
        IdentifiedFile sound;
        TakeAudio(l, p, sound);
        t.profile = sound.audioProfile;
        t.sampleRate = sound.sampleRate;
        t.channels = sound.channels;
        t.channelLayout = sound.channelLayout;
    }
    return t;
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

} // namespace

std::optional<IdentifiedFile> ReadMediaFacts(const QString &path, QString *error)
{
    if (!IsReadableFile(path)) {
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
    const int opened
        = l.openInput(&ctx, url.constData(), nullptr, &options); // frees ctx on failure
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
    SoundChoice sound;
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
            continue;
        }
        if (p.codec_type == AVMEDIA_TYPE_AUDIO && p.sample_rate > 0
            && sound.Takes(s->disposition & AV_DISPOSITION_DEFAULT)) {
            TakeAudio(l, p, f);
            f.audioStream = int(i);
            f.audioBitrate = std::max<int64_t>(p.bit_rate, 0);
            f.audioTimescale = s->time_base.num == 1 && s->time_base.den > 0 ? s->time_base.den : 0;
        }
        // A second picture (a cover) is neither kept nor counted.
        if (auto track = TakeTrack(l, s, i))
            f.tracks.push_back(std::move(*track));
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
