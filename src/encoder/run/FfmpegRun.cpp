#include "encoder/run/FfmpegRun.h"

#include "encoder/run/Progress.h"
#include "platform/RawNames.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <linux/close_range.h>
#include <poll.h>
#include <string>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

int g_signalPipe[2] = {-1, -1};
volatile sig_atomic_t g_stopRequested = 0;

void OnStopSignal(int signo)
{
    g_stopRequested = 1;
    const int saved = errno;
    const unsigned char byte = static_cast<unsigned char>(signo);
    [[maybe_unused]] const ssize_t n = ::write(g_signalPipe[1], &byte, 1);
    errno = saved;
}

using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point t)
{
    return std::chrono::duration<double>(Clock::now() - t).count();
}

// Keeps the last lines of the child's standard error, without ever holding much, and notes
// whether any line told of a failed write.
class TailLines
{
public:
    void Add(const QByteArray &bytes)
    {
        // Every whole line is looked at, however many lines follow it.
        m_partial += bytes;
        const qsizetype end = m_partial.lastIndexOf('\n');
        if (end >= 0) {
            for (const QByteArray &line : m_partial.left(end).split('\n'))
                m_writeFailed = m_writeFailed || IsWriteErrorLine(line);
            m_partial.remove(0, end + 1);
        }
        if (m_partial.size() > 4096)
            m_partial = m_partial.right(2048);
        m_text += bytes;
        if (m_text.size() > 16384)
            m_text = m_text.right(8192);
    }
    QStringList Lines(int count) const
    {
        QStringList lines;
        for (const QByteArray &l : m_text.split('\n'))
            if (!l.trimmed().isEmpty())
                lines << QString::fromUtf8(l.trimmed()).left(500);
        return lines.mid(std::max<qsizetype>(0, lines.size() - count));
    }

    bool WriteFailed() const { return m_writeFailed || IsWriteErrorLine(m_partial); }

private:
    QByteArray m_text;
    QByteArray m_partial; // the line not yet ended
    bool m_writeFailed = false;
};

// Starts the child with its standard output and error on pipes of our own and standard input
// on /dev/null. Returns its pid, or -1.
pid_t StartChild(const RunSettings &s, int outPipe[2], int errPipe[2])
{
    std::vector<std::string> strings;
    strings.push_back(NameToBytes(s.program).toStdString());
    for (const QString &a : s.arguments)
        strings.push_back(NameToBytes(a).toStdString());
    std::vector<char *> argv;
    for (std::string &str : strings)
        argv.push_back(str.data());
    argv.push_back(nullptr);

    const int devNull = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    if (devNull < 0 || ::pipe2(outPipe, O_CLOEXEC) != 0 || ::pipe2(errPipe, O_CLOEXEC) != 0) {
        if (devNull >= 0)
            ::close(devNull);
        return -1;
    }
    const pid_t parent = ::getpid();
    const pid_t pid = ::fork();
    if (pid == 0) {
        // Only async-signal-safe calls from here on. The child dies with us, whatever kills us.
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (::getppid() != parent)
            ::_exit(127);
        ::dup2(devNull, 0);
        ::dup2(outPipe[1], 1);
        ::dup2(errPipe[1], 2);
        // Nothing else the encoder was given (a caller's pipe leaked to us) reaches the child.
        ::close_range(3, ~0U, CLOSE_RANGE_CLOEXEC);
        if (s.inheritedFd > 2)
            ::fcntl(s.inheritedFd, F_SETFD, 0);
        for (const int fd : s.keptFds)
            ::fcntl(fd, F_SETFD, 0);
        ::signal(SIGPIPE, SIG_DFL);
        sigset_t none;
        sigemptyset(&none);
        ::sigprocmask(SIG_SETMASK, &none, nullptr);
        ::execv(argv[0], argv.data());
        static const char message[] = "cannot start the program\n";
        [[maybe_unused]] const ssize_t n = ::write(2, message, sizeof message - 1);
        ::_exit(127);
    }
    ::close(devNull);
    ::close(outPipe[1]);
    ::close(errPipe[1]);
    if (pid < 0) {
        ::close(outPipe[0]);
        ::close(errPipe[0]);
    }
    return pid;
}

// Reads what is there; false at the end of the stream.
bool Drain(int fd, QByteArray *into)
{
    char buffer[65536];
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n > 0) {
        into->append(buffer, n);
        return true;
    }
    return n < 0 && (errno == EINTR || errno == EAGAIN);
}

} // namespace

bool IsWriteErrorLine(const QByteArray &line)
{
    static const char *const signs[]
        = {"Error writing trailer", "Error closing file",      "av_interleaved_write_frame()",
           "Error muxing",          "No space left on device", "Disk quota exceeded",
           "Error writing header",  "Could not write header"};
    for (const char *sign : signs)
        if (line.contains(sign))
            return true;
    return false;
}

void InstallStopSignals()
{
    if (g_signalPipe[0] < 0 && ::pipe2(g_signalPipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    struct sigaction sa = {};
    sa.sa_handler = OnStopSignal;
    sigemptyset(&sa.sa_mask);
    for (int signo : {SIGINT, SIGTERM, SIGHUP})
        ::sigaction(signo, &sa, nullptr);
    ::signal(SIGPIPE, SIG_IGN);
}

bool StopRequested()
{
    return g_stopRequested != 0;
}

int TakeStopSignal()
{
    unsigned char signo = 0;
    if (g_signalPipe[0] >= 0 && ::read(g_signalPipe[0], &signo, 1) == 1)
        return signo;
    return 0;
}

RunResult RunFfmpeg(const RunSettings &s,
                    const std::function<void(const QByteArray &)> &writeStatus)
{
    RunResult result;
    int outPipe[2], errPipe[2];
    const pid_t pid = StartChild(s, outPipe, errPipe);
    if (pid < 0)
        return result;

    // Readable once the child has ended: the loop then wakes at its end instead of at the next
    // status line. -1 where the kernel cannot give one; the status lines' interval then bounds
    // the wait.
    const int childFd = int(::syscall(SYS_pidfd_open, pid, 0));
    const Clock::time_point started = Clock::now();
    Clock::time_point lastActivity = started, lastStatus = started;
    ProgressReader reader;
    ProgressReport report;
    TailLines tail;
    bool outOpen = true, errOpen = true, reaped = false, killed = false;
    int status = 0;
    auto printStatus = [&] {
        writeStatus(FormatStatusLine(report, s.totalSeconds, SecondsSince(started)));
        lastStatus = Clock::now();
    };
    auto kill = [&](RunResult::End why, int signo) {
        if (!killed)
            ::kill(pid, SIGKILL);
        killed = true;
        result.end = why;
        result.signal = signo;
    };

    while (!reaped) {
        // The child's end is waited for once its output is closed: before that, its pipes
        // tell when there is something to do (a process that left them open behind it would
        // otherwise keep waking the loop).
        pollfd fds[4] = {{outOpen ? outPipe[0] : -1, POLLIN, 0},
                         {errOpen ? errPipe[0] : -1, POLLIN, 0},
                         {g_signalPipe[0], POLLIN, 0},
                         {!outOpen && !errOpen ? childFd : -1, POLLIN, 0}};
        // Wake up when the next status line is due, so that one goes out every interval.
        const int dueInMs = s.statusIntervalMs - int(SecondsSince(lastStatus) * 1000);
        const int ready = ::poll(fds, 4, std::clamp(dueInMs, 1, s.statusIntervalMs));
        if (ready > 0 && (fds[2].revents & POLLIN)) {
            unsigned char signo = 0;
            if (::read(g_signalPipe[0], &signo, 1) == 1)
                kill(RunResult::End::Interrupted, signo);
        }
        if (ready > 0 && (fds[0].revents & (POLLIN | POLLHUP | POLLERR))) {
            QByteArray bytes;
            outOpen = Drain(outPipe[0], &bytes);
            if (const auto r = reader.Feed(bytes)) {
                // A report that repeats the last position is no sign of life: ffmpeg keeps
                // reporting while it waits on a stuck input.
                if (r->frames != report.frames || r->seconds != report.seconds
                    || r->bytes != report.bytes || r->finished)
                    lastActivity = Clock::now();
                report = *r;
                printStatus();
            }
        }
        if (ready > 0 && (fds[1].revents & (POLLIN | POLLHUP | POLLERR))) {
            QByteArray bytes;
            errOpen = Drain(errPipe[0], &bytes);
            lastActivity = Clock::now();
            tail.Add(bytes);
        }
        if (!killed && SecondsSince(lastStatus) * 1000 >= s.statusIntervalMs)
            printStatus();
        if (!killed && SecondsSince(lastActivity) >= s.watchdogSeconds)
            kill(RunResult::End::Watchdog, 0);
        if (!outOpen && !errOpen)
            reaped = ::waitpid(pid, &status, killed ? 0 : WNOHANG) == pid;
        else if (killed && ::waitpid(pid, &status, WNOHANG) == pid)
            reaped = true;
    }
    ::close(outPipe[0]);
    ::close(errPipe[0]);
    if (childFd >= 0)
        ::close(childFd);

    result.frames = report.frames;
    result.seconds = report.seconds;
    result.lastLines = tail.Lines(10);
    result.writeFailed = tail.WriteFailed();
    if (killed)
        return result;
    if (WIFEXITED(status)) {
        result.end = RunResult::End::Exited;
        result.exitCode = WEXITSTATUS(status);
    } else {
        result.end = RunResult::End::Crashed;
        result.signal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
    }
    return result;
}
