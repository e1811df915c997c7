// brimt/appicon.h -- the application's icon: a flying saucer with its beam, drawn in code in 16 colours.
#pragma once

#include "platform/dialog.h"

#include <vector>

// The icon's two pictures, 32 x 32 then 16 x 16, in the 16 colours of the classic VGA palette, with a
// transparent background. Drawn once, on first use.
const std::vector<IconImage>& AppIcon();
