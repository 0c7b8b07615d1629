#include "encoder/plan/Spans.h"

#include <QHash>
#include <QList>

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

namespace {

Span Encoded(int input, double from, std::optional<double> to)
{
    return Span {input, from, to, true, false};
}

// Without an encoder: the copy starts on the keyframe nearest the cut's start that can start
// one (the input's first frame always can) and ends where the group of the keyframe nearest
// the cut's end begins, or at the input's end when that is nearer.
CutSpans Snapped(int input, const std::vector<KeyFrame> &keys, double from,
                 std::optional<double> to, double length)
{
    double start = 0;
    for (const KeyFrame &k : keys)
        if (k.StartsCopy() && std::abs(k.time - from) < std::abs(start - from))
            start = k.time;
    CutSpans out;
    out.startMoved = start - from;
    std::optional<double> end;
    if (to) {
        double best = length > 0 ? length : std::numeric_limits<double>::infinity();
        for (const KeyFrame &k : keys)
            if (k.endsCleanly && k.groupStart > start
                && std::abs(k.groupStart - *to) < std::abs(best - *to))
                best = k.groupStart;
        if (std::isfinite(best) && (length <= 0 || best < length))
            end = best;
        out.endMoved = std::isfinite(best) ? best - *to : 0;
    }
    out.spans.push_back(Span {input, start, end});
    return out;
}

std::vector<PacketTimes> ReadPackets(const QByteArray &packets, int videoStream)
{
    std::vector<PacketTimes> read;
    for (const QByteArray &line : packets.split('\n')) {
        PacketTimes p;
        bool stream = false;
        for (const QByteArray &field : line.trimmed().split('|')) {
            const qsizetype eq = field.indexOf('=');
            const QByteArray key = field.left(std::max<qsizetype>(eq, 0));
            const QByteArray value = field.mid(eq + 1);
            bool ok = false;
            if (key == "stream_index") {
                p.video = value.toInt(&ok) == videoStream;
                stream = ok;
            } else if (key == "pts_time" || key == "dts_time") {
                const double t = value.toDouble(&ok);
                (key == "pts_time" ? p.pts : p.dts) = ok && std::isfinite(t) ? t : NAN;
            } else if (key == "flags") {
                p.key = value.startsWith('K');
            }
        }
        if (stream)
            read.push_back(p);
    }

    return read;
}

} // namespace

CutSpans DecideCutSpans(int input, const std::vector<KeyFrame> &keys, double from,
                        std::optional<double> to, double length, double frameSeconds,
                        bool canEncode)
{
    const double half = frameSeconds / 2;
    // A cut that reaches the input's end keeps it to its end.
    if (to && length > 0 && *to >= length - half)
        to.reset();
    if (!canEncode)
        return Snapped(input, keys, from, to, length);

    const auto start = std::find_if(keys.begin(), keys.end(), [&](const KeyFrame &k) {
        return k.StartsCopy() && k.time >= from - half && (!to || k.time < *to - half);
    });
    const KeyFrame *end = nullptr;
    if (start != keys.end() && to)
        for (auto k = start + 1; k != keys.end(); ++k)
            if (k->endsCleanly && k->groupStart > start->time + half && k->groupStart <= *to + half)
                end = &*k;

    CutSpans out;
    if (start == keys.end() || (to && !end)) {
        out.spans.push_back(Encoded(input, from, to));
        return out;
    }
    if (start->time > from + half)
        out.spans.push_back(Encoded(input, from, start->time));
    out.spans.push_back(Span {input, start->time, end ? std::optional(end->groupStart) : to});
    if (end && end->groupStart < *to - half)
        out.spans.push_back(Encoded(input, end->groupStart, to));
    return out;
}

std::vector<KeyFrame> ParseKeyFrames(const QByteArray &packets, int videoStream, double clockStart,
                                     double frameSeconds, int *delay)
{
    return KeyFramesOf(ReadPackets(packets, videoStream), clockStart, frameSeconds, delay);
}

std::vector<KeyFrame> KeyFramesOf(const std::vector<PacketTimes> &read, double clockStart,
                                  double frameSeconds, int *delay)
{
    std::vector<KeyFrame> keys;
    double latestOther = -std::numeric_limits<double>::infinity();
    double otherBeforeLastPicture = latestOther;
    *delay = -1;
    for (size_t i = 0; i < read.size(); ++i) {
        const PacketTimes &p = read[i];
        if (!p.video) {
            if (!std::isnan(p.dts))
                latestOther = std::max(latestOther, p.dts);
            continue;
        }
        const double otherBefore = std::exchange(otherBeforeLastPicture, latestOther);
        if (!p.key || std::isnan(p.pts) || std::isnan(p.dts))
            continue;
        KeyFrame k;
        k.time = p.pts - clockStart;
        k.decodeTime = p.dts - clockStart;
        k.groupStart = k.time;
        // Pictures decoded after it up to the next keyframe that are shown before it.
        for (size_t j = i + 1; j < read.size() && !(read[j].video && read[j].key); ++j)
            if (read[j].video && read[j].pts < p.pts)
                k.groupStart = std::min(k.groupStart, read[j].pts - clockStart);
        // A copy ending here stops at the first packet of any stream decoded from half a frame
        // before the keyframe on: every other stream's packet read before the picture that
        // precedes the keyframe must be decoded earlier, or it would end the copy too soon.
        k.endsCleanly = otherBefore < p.dts - frameSeconds / 2;
        k.refreshes = p.refreshes;
        if (*delay < 0 && k.StartsCopy() && frameSeconds > 0)
            *delay = int(std::lround((k.time - k.decodeTime) / frameSeconds));
        keys.push_back(k);
    }
    *delay = std::max(*delay, 0);
    return keys;
}

namespace {

// The NAL units of a packet, each from its header byte on.
std::vector<QByteArrayView> NalUnits(QByteArrayView packet, int lengthSize)
{
    std::vector<QByteArrayView> units;
    const auto *b = reinterpret_cast<const uchar *>(packet.data());
    const qsizetype n = packet.size();
    if (lengthSize > 0) {
        for (qsizetype at = 0; at + lengthSize <= n;) {
            qint64 size = 0;
            for (int i = 0; i < lengthSize; ++i)
                size = size << 8 | b[at + i];
            at += lengthSize;
            if (size <= 0 || size > n - at)
                break;
            units.push_back(packet.sliced(at, size));
            at += size;
        }
        return units;
    }
    // Start codes: 00 00 01, the unit running to the next one.
    qsizetype begin = -1;
    for (qsizetype i = 0; i + 2 < n; ++i)
        if (b[i] == 0 && b[i + 1] == 0 && b[i + 2] == 1) {
            if (begin >= 0)
                units.push_back(packet.sliced(begin, i - begin));
            begin = i + 3;
            i += 2;
        }
    if (begin >= 0 && begin < n)
        units.push_back(packet.sliced(begin));
    return units;
}

} // namespace

bool FirstPictureRefreshes(QByteArrayView packet, int lengthSize, bool hevc)
{
    for (const QByteArrayView unit : NalUnits(packet, lengthSize)) {
        if (unit.isEmpty())
            continue;
        const int type = hevc ? (uchar(unit[0]) >> 1) & 0x3f : uchar(unit[0]) & 0x1f;
        // The first picture's slice: IDR in H.264; IDR or BLA in HEVC.
        if (hevc ? type < 32 : type >= 1 && type <= 5)
            return hevc ? type >= 16 && type <= 20 : type == 5;
    }
    return false;
}

int NalLengthSize(QByteArrayView extradata, bool hevc)
{
    // avcC and hvcC begin with version 1 and state their length field's size; anything else
    // (Annex B parameter sets) means start codes.
    const qsizetype at = hevc ? 21 : 4;
    if (extradata.size() <= at || extradata[0] != 1)
        return 0;
    return (uchar(extradata[at]) & 3) + 1;
}
