// The fit stage of a join without re-encoding, against a fake encoder: the file that differs
// (here one whose name is not UTF-8) is converted into the job's folder, then copied with the
// others; a conversion that fails or is stopped ends the job with nothing left behind.
#include "unit/pipeline/FakeEncoderJob.h"

#include "platform/RawNames.h"

#include <QRegularExpression>

namespace {

using namespace qvj::test;

class FitStage : public JoinJobCopyTest
{
};

TEST_F(FitStage, TheOddFileIsConvertedThenCopiedOrTheJobEndsCleanly)
{
    // The odd file's name holds a Latin-1 byte; its texts show the letter.
    inputs.rows[2].InputFile = root + NameFromBytes("\xE9t\xE9 c.mp4");
    const QString shown = S("été c.mp4");
    inputs.tempDir = root + S("temp");
    const struct
    {
        const char *name;
        const char *fitBody; // what the conversion run does, before the fake's own ending
        bool stop; // Stop is pressed while the conversion runs
        JobOutcome outcome;
        QStringList oddRow; // the statuses of the odd file's row
        const char *message; // the start of the last message's text
    } cases[] = {
        {"converted",
         "",
         false,
         JobOutcome::Completed,
         {S("Converting"), S("Waiting for joining"), S("Joining"), S("Complete")},
         "The joining is completed successfully."},
        {"failed",
         "echo 'Error while encoding'; exit 1",
         false,
         JobOutcome::Failed,
         {S("Converting"), S("Failed")},
         "The encoder failed while converting été c.mp4"},
        {"stopped",
         "sleep 1000",
         true,
         JobOutcome::Stopped,
         {S("Converting"), S("Stop")},
         "The Coversion is canceled."},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        WriteFile(programDir + S("asapi.dll.log"), "");
        Encoder(
            "1280x720",
            QByteArray("case \"$*\" in *-fit*) ").append(c.fitBody).append(";; esac").constData(),
            "echo ID_VIDEO_PIXEL_FORMAT=yuv420p; echo ID_VIDEO_SAR=1:1; "
            "echo ID_VIDEO_STREAM=0;");
        statuses.clear();
        currentFiles.clear();
        desktop.calls.clear();
        ASSERT_TRUE(job.Start(S("p")));
        if (c.stop) {
            ASSERT_TRUE(WaitFor([&] { return Log().size() >= 2; }, 5000));
            EXPECT_TRUE(job.Stop());
        }
        ASSERT_TRUE(WaitForFinished());
        EXPECT_EQ(outcome, c.outcome);
        EXPECT_EQ(statuses[2], c.oddRow);
        EXPECT_EQ(currentFiles.mid(1), QStringList {shown});
        // The question named the odd file by its letters.
        ASSERT_EQ(desktop.Of(S("question")).size(), 1u);
        EXPECT_TRUE(desktop.Of(S("question"))[0].text.contains(shown));
        const RecordingDesktop::Call message = desktop.calls.back();
        EXPECT_TRUE(message.text.startsWith(S(c.message))) << message.text.toStdString();
        EXPECT_FALSE(HoldsRawBytes(message.text));
        // The conversion wrote into the job's folder; the copy took it in the odd file's place.
        const QStringList log = Log();
        ASSERT_GE(log.size(), 2);
        EXPECT_TRUE(log[1].contains(
            QRegularExpression(S("\\|-o\\|%1temp/qvj-\\w{6}/2\\.mp4\\|.*-fit\\|").arg(root))))
            << log[1].toStdString();
        if (c.outcome == JobOutcome::Completed) {
            ASSERT_EQ(log.size(), 3);
            EXPECT_TRUE(log[2].contains(QRegularExpression(
                S("^%1a\\.mp4\\|%1b b\\.mp4\\|%1temp/qvj-\\w{6}/2\\.mp4\\|-o\\|%1movie\\.mp4\\|")
                    .arg(root))))
                << log[2].toStdString();
            EXPECT_EQ(ReadFile(inputs.outputFile), QByteArray("x"));
        } else {
            EXPECT_EQ(log.size(), 2);
            EXPECT_FALSE(QFile::exists(inputs.outputFile));
        }
        // Nothing of the job is left in the temporary folder.
        EXPECT_EQ(QDir(inputs.tempDir).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
                  QStringList());
        QFile::remove(inputs.outputFile);
    }
}

} // namespace
