#include "encoder/run/Mp4ChapterList.h"

#include "platform/Mp4Boxes.h"

#include <QBuffer>
#include <QFile>
#include <QtEndian>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <functional>
#include <optional>

namespace {

// A box with a version and flags word before its content.
QByteArray FullBox(const char *type, quint32 versionAndFlags, const QByteArray &content)
{
    return MakeMp4Box(type, BigEndian32(versionAndFlags) + content);
}

// What the chapter track needs of the movie header (mvhd).
struct Movie
{
    quint32 timescale = 0;
    quint32 nextTrack = 0;
};

std::optional<Movie> ReadMovie(const QByteArray &mvhd)
{
    if (mvhd.size() < 8 + 4 + 20 + 4)
        return std::nullopt;
    const char *d = mvhd.constData();
    const bool wide = d[8] == 1;
    Movie m;
    m.timescale = qFromBigEndian<quint32>(d + (wide ? 28 : 20));
    m.nextTrack = qFromBigEndian<quint32>(d + mvhd.size() - 4);
    if (m.timescale == 0 || m.nextTrack == 0 || m.nextTrack == 0xffffffff)
        return std::nullopt;
    return m;
}

// The chapter track's times: the start of each chapter and the end of the last, in
// milliseconds, and the samples: each title as a text sample (a length, UTF-8, its encoding).
struct TextSamples
{
    std::vector<qint64> times;
    std::vector<QByteArray> samples;
};

TextSamples ChapterSamples(const std::vector<Chapter> &chapters)
{
    TextSamples t;
    static const char encd[] = {0, 0, 0, 12, 'e', 'n', 'c', 'd', 0, 0, 1, 0};
    for (const Chapter &c : chapters) {
        const qint64 ms
            = std::max<qint64>((c.startUs + 500) / 1000, t.times.empty() ? 0 : t.times.back());
        t.times.push_back(ms);
        const QByteArray title = c.title.toUtf8();
        t.samples.push_back(BigEndian16(quint16(title.size())) + title
                            + QByteArray(encd, sizeof encd));
    }
    if (!chapters.empty())
        t.times.push_back(
            std::max<qint64>((chapters.back().endUs + 500) / 1000, t.times.back() + 1));
    return t;
}

// The sample description of a chapter text track, as QuickTime's chapter readers expect it.
QByteArray TextSampleEntry()
{
    static const char entry[]
        = {0, 0, 0, 1,  0,   0,   0,   0,   0, 0, // display flags, justification, background colour
           0, 0, 0, 0,  0,   0,   0,   0, // default text box
           0, 0, 0, 0,  0,   1,   0,   0,   0, 0, 0, 0, // style record: characters, font 1, colour
           0, 0, 0, 13, 'f', 't', 'a', 'b', 0, 1, 0, 1, 0}; // font table: font 1, no name
    return MakeMp4Box("text",
                      QByteArray(6, '\0') + BigEndian16(1) + QByteArray(entry, sizeof entry));
}

// The generic media header of a text track.
QByteArray TextMediaHeader()
{
    const QByteArray gmin = FullBox("gmin", 0,
                                    BigEndian16(0x40) + BigEndian16(0x8000) + BigEndian16(0x8000)
                                        + BigEndian16(0x8000) + BigEndian16(0) + BigEndian16(0));
    QByteArray text = BigEndian16(1);
    for (quint32 word : {0u, 0u, 0u, 1u, 0u, 0u, 0u, 0x4000u})
        text += BigEndian32(word);
    return MakeMp4Box("gmhd", gmin + MakeMp4Box("text", text + BigEndian16(0)));
}

QByteArray Matrix()
{
    QByteArray m;
    for (quint32 word : {0x10000u, 0u, 0u, 0u, 0x10000u, 0u, 0u, 0u, 0x40000000u})
        m += BigEndian32(word);
    return m;
}

// The chapter track: samples in one chunk at dataAt; an edit holds back the first chapter
// when it starts after the movie's start.
QByteArray ChapterTrack(const TextSamples &t, quint32 id, const Movie &movie, qint64 dataAt,
                        bool quickTime)
{
    const qint64 first = t.times.front();
    const qint64 end = t.times.back();
    const auto movieTime = [&](qint64 ms) { return quint32(ms * movie.timescale / 1000); };
    const QByteArray tkhd = FullBox(
        "tkhd", 2, // in the movie, not shown as a track of its own
        BigEndian32(0) + BigEndian32(0) + BigEndian32(id) + BigEndian32(0)
            + BigEndian32(movieTime(end)) + QByteArray(8, '\0') + BigEndian16(0) + BigEndian16(0)
            + BigEndian16(0) + BigEndian16(0) + Matrix() + BigEndian32(0) + BigEndian32(0));
    QByteArray edts;
    if (first > 0)
        edts = MakeMp4Box("edts",
                          FullBox("elst", 0,
                                  BigEndian32(2) + BigEndian32(movieTime(first))
                                      + BigEndian32(0xffffffff) + BigEndian32(0x10000)
                                      + BigEndian32(movieTime(end - first)) + BigEndian32(0)
                                      + BigEndian32(0x10000)));
    const QByteArray mdhd
        = FullBox("mdhd", 0,
                  BigEndian32(0) + BigEndian32(0) + BigEndian32(1000)
                      + BigEndian32(quint32(end - first)) + BigEndian16(0x55c4) + BigEndian16(0));
    // A QuickTime handler's name is counted, an MP4 one's ends in a zero.
    const QByteArray name = QByteArrayLiteral("ChapterHandler");
    const QByteArray handlerName
        = quickTime ? QByteArray(1, char(name.size())) + name : name + QByteArray(1, '\0');
    const QByteArray hdlr = FullBox("hdlr", 0,
                                    (quickTime ? QByteArray("mhlr") : BigEndian32(0)) + "text"
                                        + QByteArray(12, '\0') + handlerName);
    const QByteArray dinf
        = MakeMp4Box("dinf", FullBox("dref", 0, BigEndian32(1) + FullBox("url ", 1, {})));
    QByteArray stts = BigEndian32(quint32(t.samples.size()));
    QByteArray stsz = BigEndian32(0) + BigEndian32(quint32(t.samples.size()));
    for (size_t i = 0; i < t.samples.size(); ++i) {
        stts += BigEndian32(1) + BigEndian32(quint32(t.times[i + 1] - t.times[i]));
        stsz += BigEndian32(quint32(t.samples[i].size()));
    }
    const bool wide = dataAt > qint64(0xffffffff);
    const QByteArray stbl = MakeMp4Box(
        "stbl",
        FullBox("stsd", 0, BigEndian32(1) + TextSampleEntry()) + FullBox("stts", 0, stts)
            + FullBox("stsc", 0,
                      BigEndian32(1) + BigEndian32(1) + BigEndian32(quint32(t.samples.size()))
                          + BigEndian32(1))
            + FullBox("stsz", 0, stsz)
            + (wide ? FullBox("co64", 0, BigEndian32(1) + BigEndian64(quint64(dataAt)))
                    : FullBox("stco", 0, BigEndian32(1) + BigEndian32(quint32(dataAt)))));
    const QByteArray minf = MakeMp4Box("minf", TextMediaHeader() + dinf + stbl);
    return MakeMp4Box("trak", tkhd + edts + MakeMp4Box("mdia", mdhd + hdlr + minf));
}

// The boxes inside a box (whole, header included), each as it is written; nothing when they do
// not fill it exactly or one claims to run to the end (which would no longer hold once
// something is added after it).
std::optional<QByteArray>
Children(const QByteArray &box, const QByteArray &drop,
         const std::function<void(const QByteArray &, QByteArray &)> &edit)
{
    QBuffer buffer;
    buffer.setData(box);
    buffer.open(QIODevice::ReadOnly);
    const qint64 end = box.size();
    QByteArray content;
    for (qint64 at = qFromBigEndian<quint32>(box.constData()) == 1 ? 16 : 8; at < end;) {
        const std::optional<Mp4Box> child = ReadMp4Box(buffer, at, end);
        if (!child || child->End() > end || qFromBigEndian<quint32>(box.constData() + at) == 0)
            return std::nullopt;
        QByteArray bytes = box.mid(at, child->size);
        if (child->type != drop) {
            edit(child->type, bytes);
            content += bytes;
        }
        at = child->End();
    }
    return content;
}

QByteArray UserDataWith(const QByteArray &udta, const QByteArray &chapterList)
{
    const auto content = Children(udta, "chpl", [](const QByteArray &, QByteArray &) {});
    return content ? MakeMp4Box("udta", *content + chapterList) : QByteArray();
}

// A track that names the chapter track (a "chap" reference), in a reference box of its own
// after its header or added to the one it has; empty when the track cannot be read (or the
// movie header did not come first).
QByteArray TrackWithChapterReference(const QByteArray &trak, quint32 chapterTrack)
{
    if (chapterTrack == 0)
        return {};
    const QByteArray chap = MakeMp4Box("chap", BigEndian32(chapterTrack));
    bool referred = false;
    bool broken = false;
    const auto content = Children(trak, "", [&](const QByteArray &type, QByteArray &bytes) {
        if (type == "tref" && !referred) {
            const auto refs = Children(bytes, "chap", [](const QByteArray &, QByteArray &) {});
            bytes = refs ? MakeMp4Box("tref", *refs + chap) : QByteArray();
            referred = true;
            broken = !refs;
        }
    });
    if (!content || broken)
        return {};
    if (referred)
        return MakeMp4Box("trak", *content);
    // After the track header, which comes first.
    const qint64 header = qFromBigEndian<quint32>(content->constData());
    if (content->size() < 8 || content->mid(4, 4) != "tkhd" || header > content->size())
        return {};
    return MakeMp4Box("trak",
                      content->left(header) + MakeMp4Box("tref", chap) + content->mid(header));
}

QString SystemError()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

} // namespace

QByteArray Mp4ChapterListBox(const std::vector<Chapter> &chapters)
{
    const size_t count = std::min(chapters.size(), kMp4ChapterListMost);
    // Version 1 with a reserved word, as the list's readers expect it.
    QByteArray content = BigEndian32(0x01000000) + BigEndian32(0) + char(count);
    for (size_t i = 0; i < count; ++i) {
        const Chapter &c = chapters[i];
        QByteArray start(8, '\0');
        qToBigEndian<quint64>(quint64(std::max<int64_t>(c.startUs, 0)) * 10, start.data());
        // Titles come cut to a length byte's reach (see BuildChapters).
        const QByteArray title = c.title.toUtf8().left(kChapterTitleBytes);
        content += start + char(title.size()) + title;
    }
    return MakeMp4Box("chpl", content);
}

QByteArray ChapterData(const std::vector<Chapter> &chapters)
{
    QByteArray data;
    for (const QByteArray &sample : ChapterSamples(chapters).samples)
        data += sample;
    return MakeMp4Box("mdat", data);
}

QByteArray MovieHeaderWithChapters(const QByteArray &moov, const std::vector<Chapter> &chapters,
                                   qint64 dataAt, bool quickTime)
{
    if (moov.size() < 8 || moov.mid(4, 4) != "moov" || chapters.empty())
        return {};
    std::optional<Movie> movie;
    bool edited = false;
    bool broken = false;
    const auto content
        = Children(moov, QByteArray(), [&](const QByteArray &type, QByteArray &bytes) {
              if (type == "mvhd") {
                  movie = ReadMovie(bytes);
                  if (movie) // the chapter track takes the next number
                      qToBigEndian(movie->nextTrack + 1, bytes.data() + bytes.size() - 4);
              } else if (type == "trak") {
                  bytes = TrackWithChapterReference(bytes, movie ? movie->nextTrack : 0);
              } else if (type == "udta" && !edited) {
                  edited = true;
                  bytes = UserDataWith(bytes, Mp4ChapterListBox(chapters));
              } else {
                  return;
              }
              broken = broken || bytes.isEmpty();
          });
    if (!content || broken || !movie)
        return {};
    const QByteArray udta = edited ? QByteArray() : MakeMp4Box("udta", Mp4ChapterListBox(chapters));
    return MakeMp4Box(
        "moov",
        *content + udta
            + ChapterTrack(ChapterSamples(chapters), movie->nextTrack, *movie, dataAt, quickTime));
}

bool WriteMp4ChapterList(const QByteArray &path, const std::vector<Chapter> &chapters,
                         bool quickTime, QString *error)
{
    QFile file;
    if (!OpenToUpdate(path, file)) {
        *error = QStringLiteral("Cannot add the chapters: %1").arg(SystemError());
        return false;
    }
    const qint64 size = file.size();
    std::optional<Mp4Box> moov;
    for (qint64 at = 0; at < size;) {
        const std::optional<Mp4Box> box = ReadMp4Box(file, at, size);
        if (!box)
            break;
        if (box->type == "moov")
            moov = box;
        at = box->End();
    }
    if (!moov || moov->End() > size || !file.seek(moov->at)) {
        *error = QStringLiteral("Cannot add the chapters: the file has no movie header");
        return false;
    }
    // The last box is rewritten where it is; a header before the sample data cannot grow
    // there without moving that data, so it is marked free and its new form goes at the end.
    // The chapter track's samples go just before the new header.
    const bool last = moov->End() == size;
    const qint64 place = last ? moov->at : size;
    const QByteArray data = ChapterData(chapters);
    const QByteArray header
        = MovieHeaderWithChapters(file.read(moov->size), chapters, place + 8, quickTime);
    if (header.isEmpty()) {
        *error = QStringLiteral("Cannot add the chapters: the movie header cannot be read");
        return false;
    }
    const bool written = file.seek(place) && file.write(data) == data.size()
        && file.write(header) == header.size()
        && (last ? file.resize(place + data.size() + header.size())
                 : file.seek(moov->at + 4) && file.write("free", 4) == 4);
    if (!written || !file.flush()) {
        *error = QStringLiteral("Cannot add the chapters: %1").arg(file.errorString());
        return false;
    }
    return true;
}
