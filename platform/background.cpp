// platform/background.cpp -- background work on the desktop: every piece on a thread of its own.
#include "background.h"

std::launch BackgroundLaunch()
{
    return std::launch::async;
}
