#include "cli/InterruptNotifier.h"

#include <QSocketNotifier>

#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {

int g_pipe[2] = {-1, -1};

void OnSignal(int)
{
    const char byte = 1;
    // Nothing else is safe here; a full pipe already holds a wake-up.
    [[maybe_unused]] const ssize_t written = ::write(g_pipe[1], &byte, 1);
}

} // namespace

InterruptNotifier::InterruptNotifier(QObject *parent)
    : QObject(parent)
{
    if (::pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    m_notifier = new QSocketNotifier(g_pipe[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &InterruptNotifier::OnReadable);
    struct sigaction action = {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signo : {SIGINT, SIGTERM, SIGHUP})
        ::sigaction(signo, &action, nullptr);
}

InterruptNotifier::~InterruptNotifier()
{
    if (g_pipe[0] < 0)
        return;
    for (const int signo : {SIGINT, SIGTERM, SIGHUP})
        std::signal(signo, SIG_DFL);
    ::close(g_pipe[0]);
    ::close(g_pipe[1]);
    g_pipe[0] = g_pipe[1] = -1;
}

void InterruptNotifier::OnReadable()
{
    char bytes[64];
    while (::read(g_pipe[0], bytes, sizeof bytes) > 0) { }
    Q_EMIT interrupted();
}
