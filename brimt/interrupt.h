// brimt/interrupt.h -- the signals that end a capture early, caught so that it can clean up first.
#pragma once

// While one exists, SIGHUP (a closed terminal or SSH session), SIGINT (Ctrl-C), SIGQUIT (Ctrl-\) and
// SIGTERM no longer end the process: the first one is noted, and the capture asks InterruptCaught()
// between its steps (at least every tenth of a second while it waits on anything). The handlers it
// replaced come back when it is destroyed. One at a time.
class InterruptCatcher {
public:
    InterruptCatcher();
    ~InterruptCatcher();
    InterruptCatcher(const InterruptCatcher&) = delete;
    InterruptCatcher& operator=(const InterruptCatcher&) = delete;
};

// The number of the first signal caught since the InterruptCatcher was made; 0 for none.
int InterruptCaught();
