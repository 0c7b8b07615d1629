// The encoder replaces an older output only with a complete new file, in one rename, whether
// or not the file system makes nameless files (a preloaded shim takes that ability away), and
// takes output names up to the folder's limit.
#include "EncoderTestSupport.h"
#include "pipeline/runs/CommandLine.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>

namespace qvj::test {
namespace {

// A stand-in for ffmpeg that writes a stub to the target it was given, then fails or hangs.
void WriteFakeFfmpeg(const QString &folder, bool hang)
{
    QDir().mkpath(folder);
    const QString script = folder + S("/ffmpeg");
    WriteFile(script,
              QByteArray("#!/bin/sh\nfor a; do out=\"$a\"; done\nout=\"${out#file:}\"\n"
                         "printf 'half a film' > \"$out\"\n: > \"")
                  + QFile::encodeName(folder) + "/started\"\n"
                  + (hang ? "exec sleep 30\n" : "exit 1\n"));
    QFile::setPermissions(script, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

TEST(OutputReplace, AnOlderOutputIsReplacedOnlyByACompleteFile)
{
    QTemporaryDir dir;
    const QString input = dir.filePath(S("in.avi"));
    ASSERT_TRUE(MakeClip(input, {.seconds = 1, .width = 64, .height = 48, .extra = {}}));
    const QString fakes = dir.filePath(S("fakes"));
    const QString outDir = dir.filePath(S("out/"));
    QDir().mkdir(outDir);
    const QString longAscii = QString(246, QLatin1Char('a')) + S(".avi"); // 250 bytes
    QString longUtf8; // 250 bytes of two-byte letters
    while (longUtf8.toUtf8().size() < 246)
        longUtf8 += QChar(0xE9);
    longUtf8 += S(".avi");
    enum class Ffmpeg { Real, FailsAfterWriting, HangsUntilStopped };
    const struct
    {
        bool nameless; // the file system makes nameless files
        Ffmpeg ffmpeg;
        QString name;
        int code;
    } cases[] = {
        {false, Ffmpeg::Real, S("joined.avi"), 0},
        {false, Ffmpeg::FailsAfterWriting, S("joined.avi"), 1},
        {false, Ffmpeg::HangsUntilStopped, S("joined.avi"), 128 + SIGINT},
        {false, Ffmpeg::Real, longUtf8, 0},
        {true, Ffmpeg::Real, longAscii, 0},
        {true, Ffmpeg::Real, longUtf8, 0},
        {true, Ffmpeg::FailsAfterWriting, longAscii, 1},
        {true, Ffmpeg::HangsUntilStopped, S("joined.avi"), 128 + SIGINT},
    };
    for (const auto &c : cases) {
        const std::string what = std::string(c.nameless ? "nameless " : "no nameless ")
            + std::to_string(int(c.ffmpeg)) + " " + std::to_string(c.name.toUtf8().size());
        const QString output = outDir + c.name;
        WriteFile(output, "the user's older file");
        QDir(fakes).removeRecursively();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        if (!c.nameless)
            env.insert(S("LD_PRELOAD"), S(QVJ_NO_TMPFILE_SHIM));
        if (c.ffmpeg != Ffmpeg::Real) {
            WriteFakeFfmpeg(fakes, c.ffmpeg == Ffmpeg::HangsUntilStopped);
            env.insert(S("PATH"), fakes + u':' + env.value(S("PATH")));
        }
        QProcess encoder;
        encoder.setProcessEnvironment(env);
        encoder.start(EncoderProgram(),
                      SplitCommandLine(ConversionCommandLine(input, output, S("64:48"))));
        ASSERT_TRUE(encoder.waitForStarted());
        if (c.ffmpeg == Ffmpeg::HangsUntilStopped) {
            for (QDeadlineTimer t(20000); !QFile::exists(fakes + S("/started")) && !t.hasExpired();)
                encoder.waitForFinished(50);
            ::kill(pid_t(encoder.processId()), SIGINT);
        }
        ASSERT_TRUE(encoder.waitForFinished(60000)) << what;
        EXPECT_EQ(encoder.exitCode(), c.code) << what << "\n"
                                              << encoder.readAllStandardError().toStdString();
        const QByteArray now = ReadFile(output);
        if (c.code == 0) {
            EXPECT_GT(ProbeFile(output).seconds, 0.5) << what;
        } else {
            EXPECT_EQ(now, QByteArray("the user's older file")) << what;
        }
        // Nothing hidden is left beside it.
        EXPECT_EQ(QDir(outDir).entryList(QDir::Files | QDir::Hidden), QStringList {c.name}) << what;
        QFile::remove(output);
    }
}

} // namespace
} // namespace qvj::test
