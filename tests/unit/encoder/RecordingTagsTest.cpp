// The recording facts a join states: the time read from whichever tag states it, and the
// output options for each kind of file, with the named-keys flag only where a device or a
// phone's keys need it.
#include "encoder/plan/RecordingTags.h"
#include "common/TestSupport.h"
#include "encoder/input/Mp4Tags.h"

#include <QFile>

#include <gtest/gtest.h>

namespace {

using qvj::test::S;

TEST(RecordingTags, TheTimeIsReadFromWhicheverTagStatesIt)
{
    const struct
    {
        FileTags tags;
        const char *time;
    } cases[] = {
        {{{S("creation_time"), S("2024-05-01T10:20:30.000000Z")}}, "2024-05-01T10:20:30.000Z"},
        // A phone's local time with its zone; the container's time wins over it.
        {{{S("com.apple.quicktime.creationdate"), S("2024-05-01T12:20:30+0200")}},
         "2024-05-01T10:20:30.000Z"},
        {{{S("com.apple.quicktime.creationdate"), S("2024-05-01T12:20:30+0200")},
          {S("creation_time"), S("2024-05-01T10:20:31Z")}},
         "2024-05-01T10:20:31.000Z"},
        // AVI's date (as a full time or a day), Matroska's in capitals, a time without zone.
        {{{S("date"), S("2024-05-01T10:20:30.000000Z")}}, "2024-05-01T10:20:30.000Z"},
        {{{S("DATE_RECORDED"), S("2023-12-24")}}, "2023-12-24T00:00:00.000Z"},
        {{{S("date"), S("2024-05-01 10:20:30")}}, "2024-05-01T10:20:30.000Z"},
        // A header's zero, a year, text and nothing are no recording time.
        {{{S("creation_time"), S("1904-01-01T00:00:00.000000Z")}}, ""},
        {{{S("creation_time"), S("1970-01-01T00:00:00Z")}}, ""},
        {{{S("date"), S("2024")}}, ""},
        {{{S("date"), S("last summer")}, {S("title"), S("2024-05-01")}}, ""},
        {{}, ""},
    };
    for (const auto &c : cases)
        EXPECT_EQ(RecordingTime(c.tags), S(c.time))
            << (c.tags.empty() ? std::string() : c.tags.front().second.toStdString());
}

TEST(RecordingTags, EachKindOfFileStatesWhatItHasAPlaceFor)
{
    const FileTags android {{S("major_brand"), S("mp42")},
                            {S("creation_time"), S("2024-05-01T10:20:30.000000Z")},
                            {S("location"), S("+48.8584+002.2945/")},
                            {S("location-eng"), S("+48.8584+002.2945/")},
                            {S("title"), S("Holiday")}};
    const FileTags phone {
        {S("com.apple.quicktime.creationdate"), S("2024-05-01T12:20:30+0200")},
        {S("com.apple.quicktime.location.ISO6709"), S("+48.8584+002.2945+035.000/")},
        {S("com.apple.quicktime.make"), S("Apple")},
        {S("com.apple.quicktime.model"), S("iPhone 12")}};
    // A Matroska file read back: its tags in capitals.
    const FileTags matroska {{S("creation_time"), S("2024-05-01T10:20:30.000000Z")},
                             {S("MAKE"), S("Acme")},
                             {S("MODEL"), S("Cam 2")}};
    const QString time = S("-metadata creation_time=2024-05-01T10:20:30.000Z");
    const struct
    {
        const FileTags &tags;
        const char *muxer;
        QString arguments;
    } cases[] = {
        {android, "mp4", time + S(" -metadata location=+48.8584+002.2945/")},
        {android, "matroska", time + S(" -metadata location=+48.8584+002.2945/")},
        {android, "avi", S("-metadata date=2024-05-01T10:20:30.000Z")},
        {android, "asf", time},
        {android, "mpeg", time},
        {phone, "mov",
         time
             + S(" -metadata location=+48.8584+002.2945+035.000/ -metadata make=Apple -metadata "
                 "model=iPhone 12 -metadata "
                 "com.apple.quicktime.creationdate=2024-05-01T12:20:30+0200"
                 " -metadata com.apple.quicktime.location.ISO6709=+48.8584+002.2945+035.000/"
                 " -metadata com.apple.quicktime.make=Apple -metadata "
                 "com.apple.quicktime.model=iPhone 12 -movflags +use_metadata_tags")},
        {matroska, "mp4",
         time + S(" -metadata make=Acme -metadata model=Cam 2 -movflags +use_metadata_tags")},
        {matroska, "matroska", time + S(" -metadata make=Acme -metadata model=Cam 2")},
        {FileTags {{S("title"), S("Holiday")}}, "mp4", QString()},
    };
    for (const auto &c : cases)
        EXPECT_EQ(RecordingArguments(c.tags, S(c.muxer)).join(u' '), c.arguments) << c.muxer;
    // A copy's writer reads the tags itself.
    EXPECT_EQ(CopiedTagArguments(1, S("mov")).join(u' '),
              S("-map_metadata 1 -movflags +use_metadata_tags"));
    EXPECT_EQ(CopiedTagArguments(1, S("matroska")).join(u' '), S("-map_metadata 1"));
}

// An MP4 or MOV header read box by box gives what ffmpeg reads of it: the movie header's
// time, a place from named keys or from the place box, a phone's keys; a file cut short before
// its movie header gives nothing.
TEST(Mp4Tags, TheHeaderStatesWhatFfmpegReadsOfIt)
{
    const struct
    {
        const char *file;
        const char *facts; // the output options for MP4, or "-" for nothing read
    } cases[] = {
        {"phone-keys",
         "-metadata creation_time=2024-05-01T10:20:30.000Z -metadata "
         "location=+48.8584+002.2945+035.000/ -metadata make=Apple -metadata "
         "com.apple.quicktime.location.ISO6709=+48.8584+002.2945+035.000/ -metadata "
         "com.apple.quicktime.make=Apple -movflags +use_metadata_tags"},
        {"place-box",
         "-metadata creation_time=2024-05-01T10:20:30.000Z -metadata "
         "location=+48.8584+002.2945/"},
        {"cut-short", "-"},
    };
    for (const auto &c : cases) {
        QFile file(S(QVJ_SOURCE_DIR "/tests/fuzz/corpus/mp4tags/") + S(c.file));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << c.file;
        const auto tags = ReadMp4Tags(file);
        EXPECT_EQ(tags ? RecordingArguments(*tags, S("mp4")).join(u' ') : S("-"), S(c.facts))
            << c.file;
    }
}

} // namespace
