#include "encoder/input/Mp4Tags.h"

#include "platform/Mp4Boxes.h"

#include <QDateTime>
#include <QTimeZone>
#include <QtEndian>

namespace {

// Boxes of a header are small; anything larger is not read.
constexpr qint64 kMostRead = 1 << 20;

QByteArray Content(QIODevice &file, const Mp4Box &box)
{
    const qint64 size = box.size - 8;
    if (size <= 0 || size > kMostRead || !file.seek(box.at + 8))
        return {};
    return file.read(size);
}

quint32 Be32(const QByteArray &b, qsizetype at)
{
    return at >= 0 && at + 4 <= b.size() ? qFromBigEndian<quint32>(b.constData() + at) : 0;
}

// The movie header's creation time, seconds since 1904 in UTC; empty for zero or a time past
// the year 9999.
QString HeaderTime(const QByteArray &mvhd)
{
    if (mvhd.isEmpty())
        return {};
    const quint64 seconds
        = mvhd.at(0) == 1 ? (quint64(Be32(mvhd, 4)) << 32 | Be32(mvhd, 8)) : Be32(mvhd, 4);
    constexpr quint64 from1904 = 2082844800;
    if (seconds <= from1904 || seconds - from1904 > 253402300799ULL)
        return {};
    return QDateTime::fromSecsSinceEpoch(qint64(seconds - from1904), QTimeZone::utc())
        .toString(Qt::ISODate);
}

// QuickTime's text of a user data box: its length, a language, the text.
QString QuickTimeText(const QByteArray &content)
{
    if (content.size() < 4)
        return {};
    const int size = qFromBigEndian<quint16>(content.constData());
    return QString::fromUtf8(content.mid(4, size));
}

// The 3GPP place box: a name, a role, then longitude, latitude and altitude in 16.16 fixed
// point, written the ISO 6709 way.
QString PlaceBox(const QByteArray &loci)
{
    qsizetype at = 6; // version, flags, language
    at = loci.indexOf('\0', at);
    if (at < 0 || at + 1 + 12 > loci.size())
        return {};
    at += 2; // the name's end, the role
    const auto fixed = [&](qsizetype i) { return double(qint32(Be32(loci, i))) / 65536.0; };
    const double longitude = fixed(at), latitude = fixed(at + 4), altitude = fixed(at + 8);
    QString text = QString::asprintf("%+08.4f%+09.4f", latitude, longitude);
    if (altitude != 0)
        text += QString::asprintf("%+.3f", altitude);
    return text + u'/';
}

// The named keys of a meta box ("keys" and "ilst" under an "mdta" handler) with text values.
void NamedKeys(QIODevice &file, const Mp4Box &meta, FileTags *tags)
{
    // QuickTime's meta box has no version and flags; ISO's has them.
    qint64 from = meta.at + 8;
    if (const auto first = ReadMp4Box(file, from, meta.End()); !first || first->type != "hdlr")
        from += 4;
    const auto hdlr = FindMp4Box(file, from, meta.End(), "hdlr");
    if (!hdlr || Content(file, *hdlr).mid(8, 4) != "mdta")
        return;
    const auto keysBox = FindMp4Box(file, from, meta.End(), "keys");
    const auto ilst = FindMp4Box(file, from, meta.End(), "ilst");
    if (!keysBox || !ilst)
        return;
    const QByteArray keys = Content(file, *keysBox);
    QList<QByteArray> names;
    for (qsizetype at = 8, n = Be32(keys, 4); n > 0 && at + 8 <= keys.size(); --n) {
        const quint32 size = Be32(keys, at);
        if (size < 8 || at + qint64(size) > keys.size())
            break;
        names << keys.mid(at + 8, size - 8);
        at += size;
    }
    for (qint64 at = ilst->at + 8; at < ilst->End();) {
        const auto item = ReadMp4Box(file, at, ilst->End());
        if (!item)
            break;
        at = item->End();
        const quint32 index = qFromBigEndian<quint32>(item->type.constData());
        const auto data = FindMp4Box(file, item->at + 8, item->End(), "data");
        if (index == 0 || index > quint32(names.size()) || !data)
            continue;
        const QByteArray value = Content(file, *data);
        if (Be32(value, 0) == 1) // UTF-8 text
            tags->push_back(
                {QString::fromUtf8(names.at(index - 1)), QString::fromUtf8(value.mid(8))});
    }
}

} // namespace

std::optional<FileTags> ReadMp4Tags(QIODevice &file)
{
    const auto moov = FindMp4Box(file, 0, file.size(), "moov");
    const auto mvhd = moov ? FindMp4Box(file, moov->at + 8, moov->End(), "mvhd") : std::nullopt;
    if (!mvhd)
        return std::nullopt;
    FileTags tags;
    if (const QString time = HeaderTime(Content(file, *mvhd)); !time.isEmpty())
        tags.push_back({QStringLiteral("creation_time"), time});
    if (const auto meta = FindMp4Box(file, moov->at + 8, moov->End(), "meta"))
        NamedKeys(file, *meta, &tags);
    if (const auto udta = FindMp4Box(file, moov->at + 8, moov->End(), "udta")) {
        const struct
        {
            const char *type;
            const char *key;
        } texts[] = {{"\xa9xyz", "location"}, {"\xa9mak", "make"}, {"\xa9mod", "model"}};
        for (const auto &t : texts)
            if (const auto box = FindMp4Box(file, udta->at + 8, udta->End(), t.type))
                tags.push_back({QString::fromLatin1(t.key), QuickTimeText(Content(file, *box))});
        if (const auto loci = FindMp4Box(file, udta->at + 8, udta->End(), "loci"))
            tags.push_back({QStringLiteral("location"), PlaceBox(Content(file, *loci))});
        if (const auto meta = FindMp4Box(file, udta->at + 8, udta->End(), "meta"))
            NamedKeys(file, *meta, &tags);
    }
    return tags;
}
