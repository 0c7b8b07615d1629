#include "encoder/input/ChapterReader.h"

#include "encoder/input/MediaLibrary.h"
#include "platform/RawNames.h"

#include <algorithm>

namespace {

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
            : s->codecpar->codec_type == AVMEDIA_TYPE_AUDIO ? 1
                                                            : -1;
        if (kind >= 0 && wanted[kind] < 0)
            wanted[kind] = int(i);
    }
    int64_t earliest = fileStartUs;
    bool seen[2] = {wanted[0] < 0, wanted[1] < 0};
    for (int n = 0; n < 64 && !(seen[0] && seen[1]) && l.readFrame(ctx, packet) >= 0; ++n) {
        for (int k = 0; k < 2; ++k)
            if (packet->stream_index == wanted[k] && !seen[k] && packet->pts != AV_NOPTS_VALUE) {
                seen[k] = true;
                earliest = std::min(earliest,
                                    Microseconds(packet->pts, ctx->streams[wanted[k]]->time_base));
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
    // Opened as the concat demuxer opens its files, so that the length is the one it counts.
    // The stream facts are read only when needed: for the times, or to place own chapters.
    AVFormatContext *ctx = OpenFile(l, path, &deadline, error);
    if (!ctx)
        return std::nullopt;
    // An MP4 or MOV file states every time in its index: its streams need not be decoded to
    // tell them, which would cost more than the rest of the reading together.
    if (QByteArray(ctx->iformat->name).split(',').contains("mov"))
        l.optSet(ctx, "codec_whitelist", "none", 0);
    if ((times || ctx->nb_chapters > 0) && l.findStreamInfo(ctx, nullptr) < 0) {
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
