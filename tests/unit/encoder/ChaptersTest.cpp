// The chapters of a joined file: where each input's chapters land, how their text is written
// for ffmpeg, and how the program's list reaches the encoder.
#include "encoder/plan/Chapters.h"
#include "common/TestSupport.h"
#include "encoder/plan/EncoderOptions.h"
#include "encoder/routes/ChapterFile.h"
#include "settings/ChapterList.h"

#include <gtest/gtest.h>

namespace {

using namespace qvj::test;

TEST(Chapters, EachInputGetsItsOwnOrItsNamesChaptersWhereItLands)
{
    const QString longName = QString(300, u'é'); // 600 bytes of UTF-8
    const struct
    {
        const char *what;
        std::vector<ChapterInput> inputs;
        int64_t end;
        std::vector<Chapter> chapters;
    } cases[] = {
        {"one per input, each ending where the next begins",
         {{S("a"), {}, 0, 1000}, {S("b"), {}, 1000, 2500}},
         2500,
         {{0, 1000, S("a")}, {1000, 2500, S("b")}}},
        {"an input that adds nothing gets none",
         {{S("a"), {}, 0, 1000}, {S("empty"), {}, 1000, 1000}, {S("c"), {}, 1000, 2000}},
         2000,
         {{0, 1000, S("a")}, {1000, 2000, S("c")}}},
        {"own chapters moved, the first to the input's first frame, those past its end dropped",
         {{S("a"), {}, 0, 1000},
          {S("dvd"),
           {{300, S("Two")}, {-40, S("One")}, {900, S("")}, {2000, S("late")}},
           1000,
           2000}},
         2000,
         {{0, 1000, S("a")},
          {1000, 1300, S("One")},
          {1300, 1900, S("Two")},
          {1900, 2000, S("dvd")}}},
        {"chapters at one time keep the first; the last never ends before it starts",
         {{S("x"), {{0, S("p")}, {0, S("q")}}, 0, 500}, {S("y"), {}, 500, 600}},
         100,
         {{0, 500, S("p")}, {500, 500, S("y")}}},
        {"titles keep every character but zero, cut whole to 255 bytes",
         {{S("a=b;c#d\\e\nf") + QChar(0) + S("g"), {}, 0, 10}, {longName, {}, 10, 20}},
         20,
         {{0, 10, S("a=b;c#d\\e\nfg")}, {10, 20, QString(127, u'é')}}},
    };
    for (const auto &c : cases)
        EXPECT_EQ(BuildChapters(c.inputs, c.end), c.chapters) << c.what;
}

TEST(Chapters, FfmetadataEscapesWhatItsReaderTakesApart)
{
    EXPECT_EQ(FfmetadataText({{0, 33367, S("été=;#\\\nx")}}),
              QByteArray(";FFMETADATA1\n[CHAPTER]\nTIMEBASE=1/1000000\nSTART=0\nEND=33367\n"
                         "title=été\\=\\;\\#\\\\\\\nx\n"));
}

TEST(Chapters, TheProgramsListComesBackWholeAndOnlyWhole)
{
    const std::vector<ChapterListEntry> entries {
        {S("plain"), S("/v/plain.mp4")},
        {S("tab\there\\n not a break\nreal break\r"), S("/v/tab\there.mkv")},
        {S(""), S("/v/.mp4")},
        {S("日本語 ünïcödé \"quoted\" 'x'"), S("/v/日本語.mov")}};
    QString error;
    EXPECT_EQ(ParseChapterList(ChapterListText(entries), &error), entries);
    EXPECT_EQ(ParseChapterList("", &error), std::vector<ChapterListEntry> {});
    EXPECT_FALSE(ParseChapterList("title without a path\n", &error));
    EXPECT_EQ(error, S("Line 1 of the chapter list has no tab"));
}

TEST(Chapters, TheListIsTheLastOptionOfTheJoin)
{
    const struct
    {
        const char *line;
        const char *list;
        std::optional<int> rate;
        const char *error;
    } cases[] = {
        {"a b -o o.mp4 -ovc lavc -oac pcm -srate 44100 -chapters /t/chapters.txt",
         "/t/chapters.txt", 44100, ""},
        // an empty sample rate box leaves -srate without its value
        {"a b -o o.mp4 -ovc lavc -oac pcm -srate -chapters /t/c.txt", "/t/c.txt", {}, ""},
        {"a b -o o.mp4 -ovc lavc -oac pcm -srate", "", {}, ""},
        {"a b -o o.mp4 -ovc lavc -oac pcm -chapters", "", {}, "Option -chapters needs a value"},
    };
    for (const auto &c : cases) {
        const ParsedCommandLine p = ParseEncoderCommandLine(S(c.line).split(u' '));
        EXPECT_EQ(p.error, S(c.error)) << c.line;
        EXPECT_EQ(p.options.chapterList, S(c.list)) << c.line;
        EXPECT_EQ(p.options.sampleRate, c.rate) << c.line;
    }
    // The chapters are one more input, after the last one, and the output takes them.
    const QStringList args = S("-y -i file:a -i pipe:3 -map 0:v -f mp4 out").split(u' ');
    EXPECT_EQ(WithChapters(args, S("/t/m.txt")),
              S("-y -i file:a -i pipe:3 -f ffmetadata -i file:/t/m.txt -map_chapters 2 -map 0:v "
                "-f mp4 out")
                  .split(u' '));
    EXPECT_EQ(WithChapters(args, QString()),
              S("-y -i file:a -i pipe:3 -map_chapters -1 -map 0:v -f mp4 out").split(u' '));
}

} // namespace
