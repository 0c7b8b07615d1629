#include "tasks/RecordingLength.h"

#include "platform/RawNames.h"

#include <QFile>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <map>
#include <vector>

namespace {

// Matroska's element IDs (with their length markers, as they stand in the file).
constexpr uint32_t kEbml = 0x1A45DFA3;
constexpr uint32_t kSegment = 0x18538067;
constexpr uint32_t kInfo = 0x1549A966;
constexpr uint32_t kTimestampScale = 0x2AD7B1;
constexpr uint32_t kTracks = 0x1654AE6B;
constexpr uint32_t kTrackEntry = 0xAE;
constexpr uint32_t kTrackNumber = 0xD7;
constexpr uint32_t kDefaultDuration = 0x23E383;
constexpr uint32_t kCluster = 0x1F43B675;
constexpr uint32_t kTimestamp = 0xE7;
constexpr uint32_t kSimpleBlock = 0xA3;
constexpr uint32_t kBlockGroup = 0xA0;
constexpr uint32_t kBlock = 0xA1;
constexpr uint32_t kBlockDuration = 0x9B;
constexpr uint32_t kCrc32 = 0xBF;
constexpr uint32_t kVoid = 0xEC;
constexpr uint64_t kUnknownSize = ~uint64_t(0);

// The most ticks a time or a duration may count: far beyond any recording (2^60 nanoseconds
// are 36 years), and small enough that sums and differences of such times never overflow.
constexpr uint64_t kMostTicks = uint64_t(1) << 60;
// The longest recording believed, in seconds (115 days).
constexpr double kLongestSeconds = 1e7;
// How much longer than its size allows at the rate of its last cluster a recording may be (and
// a minute more): a still picture or silence costs little, so only lengths far beyond are
// refused.
constexpr double kMostStretch = 1000;

// A time or duration read from the file, or nothing when it is beyond belief.
std::optional<int64_t> Ticks(uint64_t value)
{
    return value <= kMostTicks ? std::optional<int64_t>(int64_t(value)) : std::nullopt;
}

std::optional<int64_t> Sum(int64_t a, int64_t b)
{
    int64_t sum = 0;
    return __builtin_add_overflow(a, b, &sum) ? std::nullopt : std::optional<int64_t>(sum);
}

std::optional<int64_t> Difference(int64_t a, int64_t b)
{
    int64_t difference = 0;
    return __builtin_sub_overflow(a, b, &difference) ? std::nullopt
                                                     : std::optional<int64_t>(difference);
}

// A variable-length number at pos: an ID keeps its length marker, a size loses it (and one of
// all ones means "unknown", as a recorder that cannot go back writes it).
struct Vint
{
    uint64_t value = 0;
    int length = 0; // 0 when there is none
};

Vint ReadVint(const QByteArray &b, qsizetype pos, bool keepMarker)
{
    if (pos >= b.size())
        return {};
    const auto first = uint8_t(b.at(pos));
    int length = 1;
    while (length <= 8 && !(first & (0x80 >> (length - 1))))
        ++length;
    if (length > 8 || pos + length > b.size() || (keepMarker && length > 4))
        return {};
    uint64_t value = keepMarker ? first : first & (0xFF >> length);
    bool allOnes = value == uint64_t(0xFF >> length);
    for (int i = 1; i < length; ++i) {
        const auto byte = uint8_t(b.at(pos + i));
        value = value << 8 | byte;
        allOnes = allOnes && byte == 0xFF;
    }
    if (!keepMarker && allOnes)
        value = kUnknownSize;
    return {value, length};
}

uint64_t ReadUnsigned(const QByteArray &b, qsizetype pos, uint64_t size)
{
    uint64_t value = 0;
    for (uint64_t i = 0; i < std::min<uint64_t>(size, 8); ++i)
        value = value << 8 | uint8_t(b.at(pos + qsizetype(i)));
    return value;
}

struct Element
{
    uint32_t id = 0;
    qsizetype data = 0; // where its content begins
    uint64_t size = 0; // kUnknownSize when not stated
    bool Whole(const QByteArray &b) const
    {
        return size != kUnknownSize && size <= uint64_t(b.size() - data);
    }
    qsizetype End() const { return data + qsizetype(size); }
};

std::optional<Element> ReadElement(const QByteArray &b, qsizetype pos)
{
    const Vint id = ReadVint(b, pos, true);
    if (id.length == 0)
        return std::nullopt;
    const Vint size = ReadVint(b, pos + id.length, false);
    if (size.length == 0)
        return std::nullopt;
    return Element {uint32_t(id.value), pos + id.length + size.length, size.value};
}

// The times of one track's whole blocks in a cluster (in the order stored, which is not the
// order shown when frames are reordered), and the duration its last block states, if any.
struct TrackTimes
{
    std::vector<int64_t> times;
    int64_t duration = 0;
    int64_t Last() const { return *std::max_element(times.begin(), times.end()); }
    // The shortest spacing of its frames in the order shown, 0 with a single block. (The
    // spacing before the last frame is not it: a recording cut off between a frame and the
    // reordered ones shown before it lacks those.)
    int64_t Spacing() const
    {
        std::vector<int64_t> shown = times;
        std::sort(shown.begin(), shown.end());
        int64_t spacing = 0;
        for (size_t i = 1; i < shown.size(); ++i)
            if (const auto d = Difference(shown[i], shown[i - 1]);
                d && *d > 0 && (spacing == 0 || *d < spacing))
                spacing = *d;
        return spacing;
    }
};

// A block's track and time (cluster time plus its own signed offset).
std::optional<std::pair<uint64_t, int64_t>> BlockTime(const QByteArray &b, const Element &block,
                                                      int64_t clusterTime)
{
    const Vint track = ReadVint(b, block.data, false);
    if (track.length == 0 || block.size < uint64_t(track.length) + 3)
        return std::nullopt;
    const qsizetype at = block.data + track.length;
    const auto offset = int16_t(uint16_t(uint8_t(b.at(at))) << 8 | uint8_t(b.at(at + 1)));
    const std::optional<int64_t> time = Sum(clusterTime, offset);
    if (!time)
        return std::nullopt;
    return std::pair {track.value, *time};
}

struct Cluster
{
    int64_t time = 0; // the cluster's own time
    std::map<uint64_t, TrackTimes> tracks;
    bool beyondBelief = false; // its time is beyond any recording's: nothing else was read
    qsizetype bytes = 0; // read of it, from its ID to its last whole element
    int64_t First() const
    {
        int64_t first = INT64_MAX;
        for (const auto &[number, track] : tracks)
            first = std::min(first, *std::min_element(track.times.begin(), track.times.end()));
        return first;
    }
};

// The whole blocks of the cluster at pos, to the end of the cluster or of the bytes; a block
// cut off by the file's end does not count. Nothing unless the cluster begins with its time
// and holds a block: a chance match of the cluster's ID inside picture data then fails, and so
// does a cluster whose time is beyond belief.
std::optional<Cluster> ClusterBlocks(const QByteArray &b, qsizetype pos)
{
    const std::optional<Element> cluster = ReadElement(b, pos);
    if (!cluster || cluster->id != kCluster)
        return std::nullopt;
    const qsizetype end = cluster->Whole(b) ? cluster->End() : b.size();
    std::optional<int64_t> time;
    std::map<uint64_t, TrackTimes> tracks;
    auto take = [&](const Element &block, int64_t duration) {
        const auto t = BlockTime(b, block, *time);
        if (!t)
            return false;
        TrackTimes &track = tracks[t->first];
        track.times.push_back(t->second);
        track.duration = duration;
        return true;
    };
    qsizetype at = cluster->data;
    for (; at < end;) {
        const std::optional<Element> e = ReadElement(b, at);
        if (!e || !e->Whole(b))
            break; // the end of what was written
        // Only a checksum or padding may come before the cluster's time.
        if (!time && e->id != kTimestamp && e->id != kCrc32 && e->id != kVoid)
            return std::nullopt;
        if (e->id == kCluster)
            break;
        if (e->id == kTimestamp) {
            if (e->size == 0 || e->size > 8)
                return std::nullopt;
            time = Ticks(ReadUnsigned(b, e->data, e->size));
            if (!time)
                return Cluster {0, {}, true};
        } else if (e->id == kSimpleBlock) {
            if (!take(*e, 0))
                return std::nullopt;
        } else if (e->id == kBlockGroup) {
            std::optional<Element> block;
            int64_t duration = 0;
            for (qsizetype in = e->data; in < e->End();) {
                const std::optional<Element> c = ReadElement(b, in);
                if (!c || !c->Whole(b) || c->End() > e->End())
                    return std::nullopt;
                if (c->id == kBlock)
                    block = c;
                else if (c->id == kBlockDuration && c->size <= 8)
                    duration = Ticks(ReadUnsigned(b, c->data, c->size)).value_or(0);
                in = c->End();
            }
            if (block && !take(*block, duration))
                return std::nullopt;
        } else if (e->id >= 0x10000000) {
            break; // an element of the segment's level: cues, tags...
        }
        at = e->End();
    }
    if (tracks.empty())
        return std::nullopt;
    return Cluster {*time, std::move(tracks), false, at - pos};
}

struct MatroskaHead
{
    uint64_t scale = 1000000; // nanoseconds a tick
    std::map<uint64_t, uint64_t> frameNs; // each track's stated frame duration
    std::optional<int64_t> start; // the first cluster's earliest block
    bool startBeyondBelief = false;
};

void ReadTracks(const QByteArray &b, const Element &tracks, MatroskaHead &head)
{
    for (qsizetype at = tracks.data; at < tracks.End();) {
        const std::optional<Element> entry = ReadElement(b, at);
        if (!entry || !entry->Whole(b))
            return;
        if (entry->id == kTrackEntry) {
            uint64_t number = 0, frame = 0;
            for (qsizetype in = entry->data; in < entry->End();) {
                const std::optional<Element> c = ReadElement(b, in);
                if (!c || !c->Whole(b))
                    break;
                if (c->id == kTrackNumber)
                    number = ReadUnsigned(b, c->data, c->size);
                else if (c->id == kDefaultDuration)
                    frame = ReadUnsigned(b, c->data, c->size);
                in = c->End();
            }
            if (number && frame)
                head.frameNs[number] = frame;
        }
        at = entry->End();
    }
}

std::optional<MatroskaHead> ReadHead(const QByteArray &b)
{
    const std::optional<Element> ebml = ReadElement(b, 0);
    if (!ebml || ebml->id != kEbml || !ebml->Whole(b))
        return std::nullopt;
    const std::optional<Element> segment = ReadElement(b, ebml->End());
    if (!segment || segment->id != kSegment)
        return std::nullopt;
    MatroskaHead head;
    for (qsizetype at = segment->data; at < b.size();) {
        const std::optional<Element> e = ReadElement(b, at);
        if (!e)
            break;
        if (e->id == kCluster) {
            if (const auto cluster = ClusterBlocks(b, at)) {
                head.startBeyondBelief = cluster->beyondBelief;
                // The first blocks of each track; the earliest of them starts the file.
                for (const auto &[track, times] : cluster->tracks)
                    head.start
                        = std::min(head.start.value_or(INT64_MAX),
                                   *std::min_element(times.times.begin(), times.times.end()));
            }
            break;
        }
        if (!e->Whole(b))
            break;
        if (e->id == kInfo) {
            for (qsizetype in = e->data; in < e->End();) {
                const std::optional<Element> c = ReadElement(b, in);
                if (!c || !c->Whole(b))
                    break;
                if (c->id == kTimestampScale && c->size > 0 && c->size <= 8)
                    head.scale = std::max<uint64_t>(1, ReadUnsigned(b, c->data, c->size));
                in = c->End();
            }
        } else if (e->id == kTracks) {
            ReadTracks(b, *e, head);
        }
        at = e->End();
    }
    return head;
}

// Where the ID of a cluster may begin, from the last such place backward.
qsizetype PreviousCluster(const QByteArray &b, qsizetype before)
{
    static const QByteArray id("\x1F\x43\xB6\x75", 4);
    return before < 0 ? -1 : b.lastIndexOf(id, before);
}

// What the time stamps tell of a recording's length: a length, nothing, or a length the file
// cannot hold.
struct Reading
{
    std::optional<double> seconds;
    bool beyondBelief = false;
};

// The end of the cluster's last frame: each track ends one frame after its last block (the
// stated duration of its frames or of that block, else the spacing of its last two blocks).
std::optional<int64_t> ClusterEnd(const Cluster &cluster, const MatroskaHead &h)
{
    std::optional<int64_t> end;
    for (const auto &[number, track] : cluster.tracks) {
        int64_t frame = track.duration;
        if (frame == 0 && h.frameNs.count(number))
            frame = Ticks(h.frameNs.at(number) / h.scale).value_or(0);
        if (frame == 0)
            frame = track.Spacing();
        const std::optional<int64_t> trackEnd = Sum(track.Last(), frame);
        if (!trackEnd)
            return std::nullopt;
        end = std::max(end.value_or(INT64_MIN), *trackEnd);
    }
    return end;
}

// fileSize: the whole file's, to weigh the length against the bytes; 0 when not known.
Reading ReadLength(const QByteArray &head, const QByteArray &tail, qint64 fileSize)
{
    const std::optional<MatroskaHead> h = ReadHead(head);
    if (!h)
        return {};
    if (h->startBeyondBelief)
        return {std::nullopt, true};
    for (qsizetype at = PreviousCluster(tail, tail.size() - 4); at >= 0;
         at = PreviousCluster(tail, at - 1)) {
        const std::optional<Cluster> cluster = ClusterBlocks(tail, at);
        if (!cluster)
            continue;
        const std::optional<int64_t> end
            = cluster->beyondBelief ? std::nullopt : ClusterEnd(*cluster, *h);
        const int64_t start = h->start.value_or(0);
        // A recording that ends before it starts has time stamps gone wrong.
        if (!end || *end < start)
            return {std::nullopt, true};
        const double tick = double(h->scale) / 1e9;
        const double seconds = double(*end - start) * tick;
        if (!std::isfinite(seconds) || seconds > kLongestSeconds)
            return {std::nullopt, true};
        // The last cluster's bytes for its time are the rate the recording ends at: at that
        // rate, the whole file holds so long.
        const double span = double(*end - cluster->First()) * tick;
        if (fileSize > 0 && span > 0) {
            const double held = double(fileSize) / (double(cluster->bytes) / span);
            if (seconds > kMostStretch * held + 60)
                return {std::nullopt, true};
        }
        return {seconds, false};
    }
    return {};
}

// The reading of the file: its head and a growing window at its end.
Reading ReadFileLength(const QString &path)
{
    QFile file(OpenablePath(path));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray head = file.read(1 << 20);
    if (!ReadHead(head))
        return {};
    // A cluster holds a few seconds at most; the window grows only for files of a high rate.
    for (qint64 window = 1 << 20;; window *= 8) {
        const qint64 from = std::max<qint64>(0, file.size() - window);
        if (!file.seek(from))
            return {};
        const Reading reading = ReadLength(head, file.read(window), file.size());
        if (reading.seconds || reading.beyondBelief)
            return reading;
        if (from == 0 || window >= (qint64(64) << 20))
            return {};
    }
}

} // namespace

std::optional<double> MatroskaSecondsFromBytes(const QByteArray &head, const QByteArray &tail,
                                               qint64 fileSize)
{
    return ReadLength(head, tail, fileSize).seconds;
}

std::optional<double> MatroskaSeconds(const QString &path)
{
    return ReadFileLength(path).seconds;
}

bool MatroskaLengthBeyondBelief(const QString &path)
{
    return ReadFileLength(path).beyondBelief;
}
