// platform/web/dialog_web.cpp -- platform/dialog.h in a browser: the page's start screen takes the settings,
// so no dialog is ever shown from the program.
#include "platform/dialog.h"

#include <cstdio>

namespace {

class NoDialogRunner final : public DialogRunner {
public:
    int RunModal(const DialogTemplate& dialog, const std::vector<IconImage>&, DialogData&) override
    {
        std::fprintf(stderr, "%s: the page's start screen takes the settings\n", dialog.caption);
        return kDialogFailed;
    }
};

} // namespace

DialogRunner& FltkDialogRunner()
{
    static NoDialogRunner runner;
    return runner;
}

void EnableThreeDimensionalControls()
{
}
