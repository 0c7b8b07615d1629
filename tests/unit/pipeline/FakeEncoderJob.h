#pragma once
// Jobs against fake encoders (shell scripts standing in for "asapi.dll"), with a record of
// what the job showed: the rows' statuses, the stage titles, the bars and the outcome.
#include "common/TestSupport.h"
#include "pipeline/job/JoinJob.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <map>
#include <optional>

namespace qvj::test {

// A job against a fake encoder, the program directory's "asapi.dll", with a record of the rows'
// statuses, the stage titles, the bars and the outcome.
class FakeEncoderJob : public testing::Test
{
protected:
    FakeEncoderJob()
    {
        for (const char *name : {"a.mp4", "b b.mp4", "c.mp4"}) {
            inputs.rows.emplace_back().InputFile = root + S(name);
            inputs.rows.back().LengthSeconds = 10;
        }
        QObject::connect(&job, &JoinJob::rowStatusChanged,
                         [this](int row, const QString &s) { statuses[row] << s; });
        QObject::connect(&job, &JoinJob::stageTitleChanged,
                         [this](const QString &t) { titles << t; });
        QObject::connect(&job, &JoinJob::currentFileChanged,
                         [this](const QString &f) { currentFiles << f; });
        QObject::connect(&job, &JoinJob::currentProgressChanged, [this](int p) { current << p; });
        QObject::connect(&job, &JoinJob::totalProgressChanged, [this](int p) { total << p; });
        QObject::connect(&job, &JoinJob::remainingTextChanged,
                         [this](const QString &t) { remaining = t; });
        QObject::connect(&job, &JoinJob::finished, [this](JobOutcome o, AfterJobAction a) {
            outcome = o;
            action = a;
        });
    }

    // Runs the event loop until the job has ended, or a minute passes (false then).
    bool WaitForFinished()
    {
        return WaitFor([this] { return !job.IsActive(); }, 60000);
    }

    // The one message the job showed.
    RecordingDesktop::Call Message() const
    {
        const auto messages = desktop.Of(S("message"));
        EXPECT_EQ(messages.size(), 1u);
        return messages.empty() ? RecordingDesktop::Call {} : messages.back();
    }

    QTemporaryDir work, program;
    QString root = work.path() + QLatin1Char('/'), programDir = program.path() + QLatin1Char('/');
    FakeJobInputs inputs;
    RecordingDesktop desktop;
    JoinJob job {inputs, desktop, programDir};
    std::map<int, QStringList> statuses;
    QStringList titles, currentFiles;
    QList<int> current, total;
    QString remaining; // the last remaining time shown
    std::optional<JobOutcome> outcome;
    AfterJobAction action = AfterJobAction::None;
};

// The job of a profile that copies the streams: the check of the inputs, the refusal that
// names what differs, the one stage, and Stop.
class JoinJobCopyTest : public FakeEncoderJob
{
protected:
    void SetUp() override
    {
        inputs.tempDir = S("/nonexistent/never/made");
        inputs.outputFile = root + S("movie.mp4");
        inputs.extension = S(".mp4");
        inputs.options = S(" -ovc copy -oac copy");
        inputs.copy = true;
    }

    // The encoder answers -identify with one block per file, c.mp4's of the given size, logs
    // every command line and copies by writing "x" after progress lines.
    void Encoder(const char *sizeOfC, const char *copyBody = "", const char *facts = "")
    {
        WriteScript(
            programDir + S("asapi.dll"),
            QByteArray("printf '%s|' \"$@\" >> \"$0.log\"; echo >> \"$0.log\"\n"
                       "if [ \"$1\" = -identify ]; then shift; for f; do\n"
                       " echo \"ID_FILENAME=$f\"; echo ID_VIDEO_FORMAT=H264\n"
                       " case \"$f\" in *c.mp4) s=")
                + sizeOfC
                + ";; *) s=1920x1080;; esac\n"
                  " echo ID_VIDEO_WIDTH=${s%x*}; echo ID_VIDEO_HEIGHT=${s#*x}\n"
                  " echo ID_VIDEO_FPS=25.000; echo ID_VIDEO_FRAME_RATE=25;"
                + facts + " done; exit 0; fi\n" + copyBody
                + "\nout=; while [ $# -gt 0 ]; do [ \"$1\" = -o ] && out=\"$2\"; shift; done\n"
                  "yes 'Pos:  15.0s  1f ' | head -c 100000; printf x > \"$out\"\n");
    }

    QStringList Log() const
    {
        return QString::fromUtf8(ReadFile(programDir + S("asapi.dll.log")))
            .split(u'\n', Qt::SkipEmptyParts);
    }
};

} // namespace qvj::test
