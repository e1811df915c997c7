// brimt/dlgsetup.h -- the settings dialog: full screen or not, one of eight resolutions, 16 or 32 bits.
#pragma once

#include "platform/dialog.h"

#include <vector>

// One resolution of the dialog's list; the list index is the position in kResolutions.
struct Resolution {
    int width;
    int height;
    const char* text; // as listed
};

constexpr int kResolutionCount = 8;
extern const Resolution kResolutions[kResolutionCount];

// The resolution written back for a list index: the table's for 1 to 7, 320 x 240 for 0 and for any
// other value (-1: nothing chosen).
const Resolution& ResolutionAt(int index);

// Control ids of the dialog.
constexpr int kIdFullScreen = 1000;
constexpr int kIdResolution = 1001;
constexpr int kIdDepth32 = 1002;
constexpr int kIdDepth16 = 1003; // first button of the depth group: its value is the depth index

// The dialog's layout: caption, size, font and controls in tab order, in dialog units.
const DialogTemplate& SetupDialogTemplate();

class SetupDialog {
public:
    // Pre-set from display settings: full screen; the index of the exact width x height (-1 when not
    // listed); depth index 0 for exactly 16 bits, else 1 ("&32").
    SetupDialog(int width, int height, int bitsPerPixel, bool fullScreen, DialogRunner& runner);

    // Runs the dialog modally: kDialogOk when accepted (members updated from the controls), else
    // kDialogCancel or kDialogFailed (members unchanged).
    int Run();

    int fullScreen;                     // check box: 0 or 1
    int resolutionIndex;                // list selection; -1 = none
    int depthIndex;                     // 0 = "&16", 1 = "&32"; -1 = none
    const std::vector<IconImage>* icon; // the application's icon, big picture first

private:
    // Copies the members into `data` (save false) or `data` back into the members (save true).
    void Exchange(DialogData& data, bool save);

    DialogRunner& runner;
};
