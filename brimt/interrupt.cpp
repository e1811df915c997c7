// brimt/interrupt.cpp -- SIGHUP, SIGINT, SIGQUIT and SIGTERM noted in a flag instead of ending the process.
#include "interrupt.h"

#include <signal.h> // Required for: sigaction()

namespace {

constexpr int kSignals[] = {SIGHUP, SIGINT, SIGQUIT, SIGTERM};
constexpr int kSignalCount = sizeof kSignals / sizeof kSignals[0];

volatile sig_atomic_t caught = 0;
struct sigaction previous[kSignalCount];

extern "C" void Note(int signal)
{
    if (caught == 0) caught = signal;
}

} // namespace

InterruptCatcher::InterruptCatcher()
{
    caught = 0;
    struct sigaction action {};
    action.sa_handler = Note;
    sigemptyset(&action.sa_mask);
    // Restarted system calls: the capture polls the flag, it does not rely on EINTR. (SDL, seeing a
    // handler already there, leaves these signals alone.)
    action.sa_flags = SA_RESTART;
    for (int k = 0; k < kSignalCount; ++k)
        sigaction(kSignals[k], &action, &previous[k]);
}

InterruptCatcher::~InterruptCatcher()
{
    for (int k = 0; k < kSignalCount; ++k)
        sigaction(kSignals[k], &previous[k], nullptr);
}

int InterruptCaught()
{
    return caught;
}
