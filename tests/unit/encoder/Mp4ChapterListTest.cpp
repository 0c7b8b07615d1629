// The chapters put into a finished MP4 or MOV header: the chapter list, the chapter track and
// every track's reference to it, and the headers that are refused rather than damaged.
#include "encoder/run/Mp4ChapterList.h"
#include "common/TestSupport.h"
#include "platform/Mp4Boxes.h"

#include <QtEndian>

#include <gtest/gtest.h>

namespace {

using namespace qvj::test;

// A version 0 movie header of timescale 600 whose next track is 3.
QByteArray Mvhd()
{
    QByteArray content
        = BigEndian32(0) + BigEndian32(0) + BigEndian32(0) + BigEndian32(600) + BigEndian32(6000);
    content += QByteArray(96 - content.size() - 4, '\0') + BigEndian32(3);
    return MakeMp4Box("mvhd", content);
}

QByteArray Trak(const QByteArray &more = {})
{
    return MakeMp4Box("trak",
                      MakeMp4Box("tkhd", QByteArray(84, '\0')) + more + MakeMp4Box("mdia", {}));
}

int Count(const QByteArray &haystack, const char *type)
{
    return int(haystack.count(QByteArray(type, 4)));
}

TEST(Mp4ChapterList, HeaderGainsListTrackAndReferences)
{
    const std::vector<Chapter> two {{21000, 40000000, S("clip0")}, {40000000, 80000000, S("é")}};
    std::vector<Chapter> many;
    for (int i = 0; i < 300; ++i)
        many.push_back({i * 1000000LL, (i + 1) * 1000000LL, S("c%1").arg(i)});
    const QByteArray oldList = MakeMp4Box("chpl", QByteArray(9, '\0'));
    const struct
    {
        const char *what;
        QByteArray moov;
        std::vector<Chapter> chapters;
        int traks, udtas, chapRefs, trefs;
    } cases[] = {
        {"no user data: one is added", MakeMp4Box("moov", Mvhd() + Trak() + Trak()), two, 3, 1, 2,
         2},
        {"user data kept, its old list replaced",
         MakeMp4Box("moov",
                    Mvhd() + Trak() + MakeMp4Box("udta", MakeMp4Box("meta", "x") + oldList)),
         two, 2, 1, 1, 1},
        {"a track's references keep theirs and gain the chapters'",
         MakeMp4Box("moov", Mvhd() + Trak(MakeMp4Box("tref", MakeMp4Box("tmcd", BigEndian32(2))))),
         two, 2, 1, 1, 1},
        {"more chapters than the list holds", MakeMp4Box("moov", Mvhd() + Trak()), many, 2, 1, 1,
         1},
    };
    for (const auto &c : cases) {
        const QByteArray moov = MovieHeaderWithChapters(c.moov, c.chapters, 1000, false);
        ASSERT_FALSE(moov.isEmpty()) << c.what;
        EXPECT_EQ(qFromBigEndian<quint32>(moov.constData()), quint32(moov.size())) << c.what;
        EXPECT_EQ(Count(moov, "trak"), c.traks) << c.what;
        EXPECT_EQ(Count(moov, "udta"), c.udtas) << c.what;
        EXPECT_EQ(Count(moov, "chap"), c.chapRefs) << c.what;
        EXPECT_EQ(Count(moov, "tref"), c.trefs) << c.what;
        EXPECT_EQ(Count(moov, "chpl"), 1) << c.what;
        EXPECT_EQ(Count(moov, "tmcd"), Count(c.moov, "tmcd")) << c.what;
        // The list counts at most 255; the track holds a sample of every chapter.
        const qsizetype list = moov.indexOf("chpl");
        EXPECT_EQ(quint8(moov.at(list + 12)), std::min<size_t>(c.chapters.size(), 255)) << c.what;
        const qsizetype stsz = moov.indexOf("stsz");
        EXPECT_EQ(qFromBigEndian<quint32>(moov.constData() + stsz + 12), c.chapters.size())
            << c.what;
        // The chapter track is number 3, and the next one 4.
        const qsizetype mvhd = moov.indexOf("mvhd");
        EXPECT_EQ(qFromBigEndian<quint32>(moov.constData() + mvhd + 96), 4u) << c.what;
        EXPECT_EQ(qFromBigEndian<quint32>(moov.constData() + moov.indexOf("chap") + 4), 3u)
            << c.what;
    }
    EXPECT_EQ(ChapterData(two).size(), 8 + 2 + 5 + 12 + 2 + 2 + 12);

    const struct
    {
        const char *what;
        QByteArray moov;
    } refused[] = {
        {"not a movie header", MakeMp4Box("free", Mvhd())},
        {"a box running past its parent", MakeMp4Box("moov", Mvhd() + BigEndian32(400) + "trak")},
        {"no movie header box inside", MakeMp4Box("moov", Trak())},
        {"a track without its header first",
         MakeMp4Box("moov", Mvhd() + MakeMp4Box("trak", MakeMp4Box("mdia", {})))},
    };
    for (const auto &r : refused)
        EXPECT_TRUE(MovieHeaderWithChapters(r.moov, two, 1000, false).isEmpty()) << r.what;
}

} // namespace
