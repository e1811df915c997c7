// platform/web/background_web.cpp -- background work in the browser: no threads (they need cross-origin
// isolation), so each piece runs when its result is waited for, in order on the one thread.
#include "platform/background.h"

std::launch BackgroundLaunch()
{
    return std::launch::deferred;
}
