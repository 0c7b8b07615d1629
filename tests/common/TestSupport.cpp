#include "common/TestSupport.h"

#include "platform/System.h"

#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTimer>

#include <gtest/gtest.h>

#include <cstdio>
#include <fcntl.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <clocale>
#include <iostream>

void PrintTo(const QString &s, std::ostream *os)
{
    *os << '"' << s.toStdString() << '"';
}

void PrintTo(const QStringList &l, std::ostream *os)
{
    *os << '[';
    for (qsizetype i = 0; i < l.size(); ++i)
        *os << (i ? ", \"" : "\"") << l.at(i).toStdString() << '"';
    *os << ']';
}

namespace qvj::test {

void PrepareProcess()
{
    SetUpCharacterLocale();
}

QString BuildProgramDirectory()
{
    return QDir(QStringLiteral(QVJ_BIN_DIR)).absolutePath() + QLatin1Char('/');
}

QString BuiltProgramDirectory()
{
    const QString program = BuildProgramDirectory();
    if (QFile::exists(program + QStringLiteral("quintor-join"))
        && QFile::exists(program + QStringLiteral("asapi.dll")))
        return program;
    std::fprintf(stderr, "Build quintor-join and qvj-encoder first.\n");
    return QString();
}

void RecordingDesktop::ShowError(const QString &error)
{
    calls.push_back({QStringLiteral("error"), QString::fromLatin1(kProductName),
                     GeneralErrorText(error), MessageIcon::Error});
}

void RecordingDesktop::ShowMessage(const QString &title, const QString &text, MessageIcon icon)
{
    calls.push_back({QStringLiteral("message"), title, text, icon});
}

bool RecordingDesktop::AskQuestion(const QString &title, const QString &text)
{
    calls.push_back({QStringLiteral("question"), title, text, MessageIcon::Question});
    if (answers.empty())
        return defaultAnswer;
    const bool answer = answers.front();
    answers.pop_front();
    return answer;
}

void RecordingDesktop::AskToFitThen(const QString &question, const QString &refusal, int count,
                                    std::function<void(bool)> then)
{
    if (!holdFit)
        return Desktop::AskToFitThen(question, refusal, count, std::move(then));
    calls.push_back({QStringLiteral("fit"), QString(), question, MessageIcon::Question});
    heldFit = std::move(then);
}

QString RecordingDesktop::OpenPath(const QString &path)
{
    calls.push_back({QStringLiteral("open"), QString(), path, MessageIcon::Information});
    return openAnswer;
}

QString RecordingDesktop::PowerOff()
{
    calls.push_back({QStringLiteral("poweroff"), QString(), QString(), MessageIcon::Information});
    return powerOffAnswer;
}

std::vector<RecordingDesktop::Call> RecordingDesktop::Of(const QString &kind) const
{
    std::vector<Call> out;
    for (const Call &c : calls)
        if (c.kind == kind)
            out.push_back(c);
    return out;
}

bool MakeClip(const QString &path, const ClipSpec &clip)
{
    const QString secs = QString::number(clip.seconds, 'f', 3);
    QStringList args = QStringLiteral("-hide_banner -loglevel error -y -f lavfi -i").split(u' ');
    args << QStringLiteral("testsrc2=size=%1x%2:rate=%3:duration=%4")
                .arg(clip.width)
                .arg(clip.height)
                .arg(clip.fps, secs);
    if (clip.audio) {
        args << QStringLiteral("-f") << QStringLiteral("lavfi") << QStringLiteral("-i")
             << QStringLiteral("sine=frequency=440:sample_rate=%1:duration=%2")
                    .arg(clip.sampleRate)
                    .arg(secs)
             << QStringLiteral("-ac") << QString::number(clip.channels);
    }
    args << clip.extra << QStringLiteral("-t") << secs << path;
    QString output;
    const int code = RunProgram(QStringLiteral("ffmpeg"), args, &output);
    if (code != 0)
        std::cerr << "ffmpeg could not make " << path.toStdString() << ":\n"
                  << output.toStdString() << '\n';
    return code == 0;
}

void WriteFile(const QString &path, const QByteArray &data)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
    ASSERT_EQ(f.write(data), data.size()) << path.toStdString();
}

QByteArray ReadFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

int RunProgram(const QString &program, const QStringList &args, QString *output, int timeoutMs)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(program, args);
    if (!p.waitForStarted())
        return -1;
    p.closeWriteChannel();
    const bool finished = p.waitForFinished(timeoutMs);
    if (output)
        *output = QString::fromUtf8(p.readAll());
    if (!finished) {
        p.kill();
        p.waitForFinished();
        return -1;
    }
    return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
}

void WriteScript(const QString &path, const QByteArray &body)
{
    QDir().mkpath(QFileInfo(path).path());
    WriteFile(path, "#!/bin/sh\n" + body + '\n');
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

bool WaitFor(const std::function<bool()> &done, int ms)
{
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > ms)
            return false;
        QEventLoop loop;
        QTimer::singleShot(10, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return true;
}

bool SetCommaLocale(const QString &dir)
{
    if (!std::setlocale(LC_NUMERIC, "de_DE.UTF-8")) {
        QProcess::execute(QStringLiteral("localedef"),
                          {QStringLiteral("-i"), QStringLiteral("de_DE"), QStringLiteral("-f"),
                           QStringLiteral("UTF-8"), dir + QStringLiteral("/de_DE.UTF-8")});
        qputenv("LOCPATH", QFile::encodeName(dir));
        const bool set = std::setlocale(LC_NUMERIC, "de_DE.UTF-8") != nullptr;
        qunsetenv("LOCPATH");
        if (!set)
            return false;
    }
    return *std::localeconv()->decimal_point == ',';
}

// Runs the program with its output thrown away and waits for it: wait4 reports the processor
// time of it and of every process it waited for, and the largest resident size among them.
JobFigures RunMeasured(const QString &program, const QStringList &args)
{
    std::vector<std::string> strings {QFile::encodeName(program).toStdString()};
    for (const QString &a : args)
        strings.push_back(QFile::encodeName(a).toStdString());
    std::vector<char *> argv;
    for (std::string &s : strings)
        argv.push_back(s.data());
    argv.push_back(nullptr);
    QElapsedTimer timer;
    timer.start();
    const pid_t pid = ::fork();
    if (pid == 0) {
        const int devNull = ::open("/dev/null", O_RDWR);
        ::dup2(devNull, 0);
        ::dup2(devNull, 1);
        ::dup2(devNull, 2);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    int status = 0;
    rusage usage = {};
    JobFigures f;
    if (pid < 0 || ::wait4(pid, &status, 0, &usage) != pid)
        return f;
    const auto seconds = [](const timeval &t) { return double(t.tv_sec) + t.tv_usec / 1e6; };
    f.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    f.wallSeconds = timer.nsecsElapsed() / 1e9;
    f.cpuSeconds = seconds(usage.ru_utime) + seconds(usage.ru_stime);
    f.peakMb = double(usage.ru_maxrss) / 1024.0;
    return f;
}


} // namespace qvj::test
