// brimt/dlgsetup.cpp -- the settings dialog's template, resolution table and data exchange.
#include "dlgsetup.h"

#include "appicon.h"

const Resolution kResolutions[kResolutionCount] = {
    {320, 240, "320x240"},   {512, 384, "512x384"},   {640, 480, "640x480"},   {800, 600, "800x600"},
    {1024, 768, "1024x768"}, {1152, 864, "1152x864"}, {1280, 960, "1280x960"}, {1600, 1200, "1600x1200"},
};

const Resolution& ResolutionAt(int index)
{
    return index >= 1 && index < kResolutionCount ? kResolutions[index] : kResolutions[0];
}

const DialogTemplate& SetupDialogTemplate()
{
    // Dialog units: x in quarters of the font's average character width, y in eighths of its height.
    static const DialogTemplate dialog{
        "Drufo Object Demo Server Setup",
        155,
        119,
        "MS Sans Serif",
        8,
        {
            // id, kind, text, tab stop, starts a group, x, y, width, height
            {kIdFullScreen, ControlKind::CheckBox, "&Full Screen", true, false, 45, 7, 53, 9},
            {-1, ControlKind::Label, "&Resolution :", false, true, 46, 21, 42, 8},
            {kIdResolution, ControlKind::DropDownList, nullptr, true, false, 45, 31, 64, 88},
            {-1, ControlKind::GroupBox, "Bit per pixels", false, false, 45, 49, 64, 44},
            {kIdDepth16, ControlKind::RadioButton, "&16", false, true, 64, 62, 27, 10},
            {kIdDepth32, ControlKind::RadioButton, "&32", false, false, 64, 78, 27, 10},
            {kDialogOk, ControlKind::DefaultButton, "OK", true, false, 7, 98, 50, 14},
            {kDialogCancel, ControlKind::Button, "Cancel", true, false, 98, 98, 50, 14},
        },
    };
    return dialog;
}

SetupDialog::SetupDialog(int width, int height, int bitsPerPixel, bool fullScreenFlag, DialogRunner& dialogs)
    : fullScreen(fullScreenFlag ? 1 : 0), resolutionIndex(-1), depthIndex(bitsPerPixel == 16 ? 0 : 1),
      icon(&AppIcon()), runner(dialogs)
{
    for (int i = 0; i < kResolutionCount; ++i) {
        if (kResolutions[i].width == width && kResolutions[i].height == height) {
            resolutionIndex = i;
            break;
        }
    }
}

int SetupDialog::Run()
{
    DialogData data;
    std::vector<std::string>& items = data.listItems[kIdResolution];
    for (const Resolution& resolution : kResolutions) {
        items.push_back(resolution.text);
    }
    Exchange(data, false);
    const int result = runner.RunModal(SetupDialogTemplate(), *icon, data);
    if (result == kDialogOk) {
        Exchange(data, true);
    }
    return result;
}

void SetupDialog::Exchange(DialogData& data, bool save)
{
    // Each control's value by its id; the depth group by its first button, counted from "&16".
    const struct {
        int id;
        int* member;
    } fields[] = {{kIdFullScreen, &fullScreen}, {kIdResolution, &resolutionIndex}, {kIdDepth16, &depthIndex}};
    for (const auto& field : fields) {
        if (save) {
            const auto found = data.values.find(field.id);
            *field.member = found == data.values.end() ? -1 : found->second;
        } else {
            data.values[field.id] = *field.member;
        }
    }
}
