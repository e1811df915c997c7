// platform/background.h -- how work handed off the GL thread runs: on threads of its own where there are
// threads, in order on the caller's thread where there are none (the browser build has no threads).
#pragma once

#include <future>

// The launch policy for std::async: std::launch::async on the desktop; std::launch::deferred in
// the browser, where the work then runs on the thread that waits for it, when it waits.
std::launch BackgroundLaunch();
