#include "encoder/routes/FeedRun.h"
#include "platform/RawNames.h"

#include <QFile>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <linux/close_range.h>
#include <string>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// Every command as the argv execv wants, made before the fork: the helper allocates nothing.
struct Commands
{
    std::vector<std::vector<std::string>> strings;
    std::vector<std::vector<char *>> argv;
};

Commands MakeCommands(const QString &program, const std::vector<QStringList> &runs)
{
    Commands c;
    for (const QStringList &run : runs) {
        std::vector<std::string> strings {NameToBytes(program).toStdString()};
        for (const QString &a : run)
            strings.push_back(NameToBytes(a).toStdString());
        c.strings.push_back(std::move(strings));
    }
    for (std::vector<std::string> &strings : c.strings) {
        std::vector<char *> argv;
        for (std::string &s : strings)
            argv.push_back(s.data());
        argv.push_back(nullptr);
        c.argv.push_back(std::move(argv));
    }
    return c;
}

pid_t WaitFor(pid_t pid, int *status)
{
    pid_t r;
    do
        r = ::waitpid(pid, status, 0);
    while (r < 0 && errno == EINTR);
    return r;
}

// The exit code that tells how a run ended: 0, its own code, or 128 + its signal.
int CodeOf(int status)
{
    if (WIFEXITED(status))
        return WEXITSTATUS(status);
    return 128 + (WIFSIGNALED(status) ? WTERMSIG(status) : 0);
}

// One run, from the helper. Only async-signal-safe calls.
[[noreturn]] void ExecRun(char *const *argv, const std::vector<int> &keepFds, pid_t helper)
{
    // The run dies with the helper, as the helper dies with the encoder.
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (::getppid() != helper)
        ::_exit(127);
    ::close_range(3, ~0U, CLOSE_RANGE_CLOEXEC);
    for (const int fd : keepFds)
        ::fcntl(fd, F_SETFD, 0);
    ::execv(argv[0], argv);
    static const char message[] = "cannot start the program\n";
    [[maybe_unused]] const ssize_t n = ::write(2, message, sizeof message - 1);
    ::_exit(127);
}

// The helper's whole life. Only async-signal-safe calls.
[[noreturn]] void RunHelper(const Commands &c, const std::vector<std::vector<int>> &keepFds,
                            const std::vector<int> &closeFds, pid_t encoder)
{
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (::getppid() != encoder)
        ::_exit(127);
    for (const int fd : closeFds)
        ::close(fd);
    // Stop signals end the helper itself (the encoder's handlers are not for it); a reader
    // that has gone away ends a run with a broken pipe.
    for (const int signo : {SIGINT, SIGTERM, SIGHUP, SIGPIPE})
        ::signal(signo, SIG_DFL);
    sigset_t none;
    sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);
    // Standard output belongs to the encoder's status lines.
    ::dup2(2, 1);
    const pid_t self = ::getpid();
    const auto fdsOf = [&](size_t run) -> const std::vector<int> & {
        return keepFds.size() == 1 ? keepFds.front() : keepFds.at(run);
    };
    for (size_t run = 0; run < c.argv.size(); ++run) {
        const pid_t pid = ::fork();
        if (pid == 0)
            ExecRun(c.argv[run].data(), fdsOf(run), self);
        int status = 0;
        if (pid < 0 || WaitFor(pid, &status) != pid)
            ::_exit(127);
        if (const int code = CodeOf(status); code != 0)
            ::_exit(code);
        for (const int fd : fdsOf(run)) {
            bool later = false;
            for (size_t next = run + 1; next < c.argv.size() && !later; ++next)
                for (const int kept : fdsOf(next))
                    later = later || kept == fd;
            if (!later)
                ::close(fd);
        }
    }
    ::_exit(0);
}

} // namespace

FeedRun::~FeedRun()
{
    Kill();
}

bool FeedRun::Start(const QString &program, const std::vector<QStringList> &runs,
                    const std::vector<std::vector<int>> &keepFds, const std::vector<int> &closeFds)
{
    if (keepFds.size() != 1 && keepFds.size() != runs.size())
        return false;
    const Commands commands = MakeCommands(program, runs);
    const pid_t encoder = ::getpid();
    m_pid = ::fork();
    if (m_pid == 0)
        RunHelper(commands, keepFds, closeFds, encoder);
    return m_pid > 0;
}

void FeedRun::Kill()
{
    if (m_pid <= 0)
        return;
    ::kill(m_pid, SIGKILL);
    Wait();
}

int FeedRun::Wait()
{
    if (m_pid <= 0)
        return 127;
    int status = 0;
    const pid_t r = WaitFor(m_pid, &status);
    m_pid = -1;
    return r < 0 ? 127 : CodeOf(status);
}
