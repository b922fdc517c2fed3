#include "platform/desktop/MCTerminationSignals.h"

#include <QSocketNotifier>

#include <array>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <stdexcept>
#include <unistd.h>

namespace {

constexpr std::array<int, 3> kTerminationSignals{SIGTERM, SIGINT, SIGHUP};

// The pipe of the one notifier: the handler writes into [1], the event loop reads [0].
int g_pipe[2] = {-1, -1};
struct sigaction g_previous[kTerminationSignals.size()];

// Async-signal-safe: one write of one byte, errno kept for the interrupted code.
void handleTerminationSignal(int signalNumber)
{
    const int savedErrno = errno;
    const char byte = char(signalNumber);
    [[maybe_unused]] const ssize_t written = ::write(g_pipe[1], &byte, 1);
    errno = savedErrno;
}

} // namespace

MCTerminationSignals::MCTerminationSignals(QObject *parent) : QObject(parent)
{
    if (g_pipe[0] >= 0)
        throw std::logic_error("*** MCTerminationSignals: only one notifier may exist at a time");
    if (::pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        g_pipe[0] = g_pipe[1] = -1;
        return;
    }
    m_notifier = new QSocketNotifier(g_pipe[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &MCTerminationSignals::readSignals);
    for (size_t i = 0; i < kTerminationSignals.size(); ++i) {
        struct sigaction action {};
        action.sa_handler = handleTerminationSignal;
        sigemptyset(&action.sa_mask);
        // Caught once: the second time, the standard action ends the program.
        action.sa_flags = SA_RESTART | SA_RESETHAND;
        ::sigaction(kTerminationSignals[i], &action, &g_previous[i]);
    }
}

MCTerminationSignals::~MCTerminationSignals()
{
    if (!m_notifier)
        return;
    for (size_t i = 0; i < kTerminationSignals.size(); ++i)
        ::sigaction(kTerminationSignals[i], &g_previous[i], nullptr);
    delete m_notifier;
    m_notifier = nullptr;
    ::close(g_pipe[0]);
    ::close(g_pipe[1]);
    g_pipe[0] = g_pipe[1] = -1;
}

void MCTerminationSignals::readSignals()
{
    char bytes[16];
    ssize_t count = 0;
    while ((count = ::read(g_pipe[0], bytes, sizeof bytes)) > 0)
        for (ssize_t i = 0; i < count; ++i)
            emit terminationRequested(int(static_cast<unsigned char>(bytes[i])));
}
