// Every failure of an encoder run that the fault matrix forces, and those the encoder names
// besides, starts its message with the reason in words; the encoder's lines are the details.
#include "pipeline/runs/RunFailure.h"
#include "common/TestSupport.h"

#include <gtest/gtest.h>

namespace {

using qvj::test::S;
using Stage = RunFailure::Stage;

struct Case
{
    const char *name;
    Stage stage;
    bool crashed;
    int exitCode;
    QStringList lines;
    const char *text; // the whole first part of the message
};

TEST(RunFailure, EachFailureStartsWithItsReasonInWords)
{
    const QString input = S("/home/u/clips/a.avi");
    const QString intermediate = S("/home/u/tmp/qvj-Ab12Cd/0.avi");
    const QString output = S("/media/usb/joined.avi");
    const QString gone = S("ffmpeg failed with exit code 1; nothing was written");
    const Case cases[] = {
        {"encoder crashing",
         Stage::Converting,
         true,
         0,
         {},
         "The encoder was ended from outside, or crashed, while converting a.avi (the system "
         "ends programs this way when memory runs short). The output file was not touched. Try "
         "again."},
        {"encoder killed while joining",
         Stage::Joining,
         true,
         0,
         {S("Encoder: 2 input file(s)")},
         "The encoder was ended from outside, or crashed, while joining the files (the system "
         "ends programs this way when memory runs short). Nothing was written; the older file "
         "is unchanged. Try again."},
        {"ffmpeg killed",
         Stage::Converting,
         false,
         1,
         {S("ffmpeg died of signal 9; nothing was written")},
         "The encoder was ended from outside, or crashed, while converting a.avi (the system "
         "ends programs this way when memory runs short). The output file was not touched. Try "
         "again."},
        {"encoder failing after progress",
         Stage::Converting,
         false,
         3,
         {S("Boom: the disk is on fire")},
         "The encoder failed while converting a.avi (exit status 3). The output file was not "
         "touched.\nIt said: Boom: the disk is on fire"},
        {"encoder hanging",
         Stage::Converting,
         false,
         1,
         {S("ffmpeg made no progress for 2 s and was ended; nothing was written")},
         "The encoder made no progress for 2 s while converting a.avi and was ended. The output "
         "file was not touched. Try again; if it happens again, one of the files may be "
         "damaged."},
        {"output folder full",
         Stage::Joining,
         false,
         1,
         {S("[avi @ 0x55] Error writing trailer: No space left on device"), gone},
         "The disk that holds /media/usb is full. Nothing was written; the older file is "
         "unchanged. Free some space there, or choose an output folder on another disk."},
        {"temporary folder full",
         Stage::Converting,
         false,
         1,
         {S("av_interleaved_write_frame(): No space left on device"), gone},
         "The disk that holds the temporary folder /home/u/tmp is full. The output file was not "
         "touched. Free some space there, or choose a temporary folder on another disk in "
         "Settings."},
        {"output folder read-only",
         Stage::Joining,
         false,
         1,
         {S("Cannot write /media/usb/joined.avi: Read-only file system")},
         "The folder /media/usb cannot be written to: its disk is read-only. Nothing was "
         "written; the older file is unchanged. Choose another output folder."},
        {"output folder not the user's",
         Stage::Joining,
         false,
         1,
         {S("Cannot write /media/usb/joined.avi: Permission denied")},
         "The folder /media/usb cannot be written to: it is not yours to write. Nothing was "
         "written; the older file is unchanged. Choose another output folder."},
        {"name too long",
         Stage::Joining,
         false,
         1,
         {S("Cannot write /media/usb/joined.avi: File name too long")},
         "The name of /media/usb/joined.avi is too long for its disk. Nothing was written; the "
         "older file is unchanged. Choose a shorter name."},
        {"input gone",
         Stage::Converting,
         false,
         1,
         {S("/home/u/clips/a.avi: No such file or directory"), gone},
         "The file /home/u/clips/a.avi is missing: it was moved, renamed or deleted after it was "
         "added to the list. The output file was not touched. Put it back, or remove it from the "
         "list."},
        {"input damaged",
         Stage::Converting,
         false,
         1,
         {S("/home/u/clips/a.avi: Invalid data found when processing input"), gone},
         "The file /home/u/clips/a.avi cannot be read as a video: it may be damaged, cut short, "
         "or not a video at all. The output file was not touched. Remove it from the list, or "
         "join another copy of it."},
        {"input unreadable when copying",
         Stage::Reading,
         false,
         1,
         {S("Cannot read the media file: /home/u/clips/b.mp4")},
         "The file /home/u/clips/b.mp4 cannot be read as a video: it may be damaged, cut short, "
         "or not a video at all. Nothing was written. Remove it from the list, or join another "
         "copy of it."},
        // The encoder's lines as it prints them with ffmpeg, or ffprobe alone, not on PATH.
        {"ffmpeg missing",
         Stage::Joining,
         false,
         1,
         {S("ffmpeg is missing: it is not on PATH. The Debian package \"ffmpeg\" installs it.")},
         "ffmpeg is missing: the encoder does its work with it. Nothing was written; the older "
         "file is unchanged. Install the Debian package \"ffmpeg\", which brings it."},
        {"ffprobe missing",
         Stage::Converting,
         false,
         1,
         {S("ffprobe is missing: it is not on PATH. The Debian package \"ffmpeg\" installs it.")},
         "ffprobe is missing: the encoder does its work with it. The output file was not "
         "touched. Install the Debian package \"ffmpeg\", which brings it."},
        {"ffmpeg not starting",
         Stage::Joining,
         false,
         1,
         {S("Cannot start ffmpeg (/usr/bin/ffmpeg)")},
         "The encoder could not start ffmpeg, which does its work. Nothing was written; the "
         "older file is unchanged. Install the ffmpeg package, or re-install Quintor Video "
         "Joiner."},
        {"no file and no word",
         Stage::Converting,
         false,
         0,
         {},
         "The encoder ended without writing /home/u/tmp/qvj-Ab12Cd/0.avi. The output file was "
         "not touched."},
        {"no answer about the files",
         Stage::Reading,
         false,
         0,
         {},
         "The encoder gave no answer about some of the files. Nothing was written."},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        RunFailure f;
        f.stage = c.stage;
        f.input = input;
        f.target = c.stage == Stage::Converting ? intermediate : output;
        f.targetExisted = c.stage == Stage::Joining;
        f.crashed = c.crashed;
        f.exitCode = c.exitCode;
        f.lastLines = c.lines;
        const FailureMessage m = DescribeRunFailure(f);
        EXPECT_EQ(m.text, S(c.text));
        // The encoder's lines are the details, or a word on how it ended.
        if (!c.lines.isEmpty())
            EXPECT_EQ(m.details, c.lines.join(QLatin1Char('\n')));
        else
            EXPECT_TRUE(m.details.startsWith(QLatin1Char('('))) << m.details.toStdString();
    }
}

} // namespace
