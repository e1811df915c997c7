// tests/shell_dialog_test.cpp -- the settings dialog's logic: template, pre-set values, write-back, no
// display.
#include "appicon.h"
#include "dlgsetup.h"
#include "glwindow.h"
#include "shell_fakes.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <string>

namespace {

class SettingsWindow : public GLWindow {
public:
    using GLWindow::GLWindow;
    bool Init() override { return true; }
    bool Release() override { return true; }
    bool Render(float, const PlayStatus*) override { return true; }
};

TEST(SetupDialogTemplate, HoldsTheControlsInTabOrderWithTheirTextsAndPlaces)
{
    const DialogTemplate& dialog = SetupDialogTemplate();
    EXPECT_STREQ(dialog.caption, "Drufo Object Demo Server Setup");
    EXPECT_EQ(dialog.width, 155);
    EXPECT_EQ(dialog.height, 119);
    EXPECT_EQ(dialog.fontPoints, 8);

    struct Expected {
        int id;
        ControlKind kind;
        const char* text;
        bool tabStop;
        int x, y, width, height;
    };
    const Expected expected[] = {
        {1000, ControlKind::CheckBox, "&Full Screen", true, 45, 7, 53, 9},
        {-1, ControlKind::Label, "&Resolution :", false, 46, 21, 42, 8},
        {1001, ControlKind::DropDownList, nullptr, true, 45, 31, 64, 88},
        {-1, ControlKind::GroupBox, "Bit per pixels", false, 45, 49, 64, 44},
        {1003, ControlKind::RadioButton, "&16", false, 64, 62, 27, 10},
        {1002, ControlKind::RadioButton, "&32", false, 64, 78, 27, 10},
        {1, ControlKind::DefaultButton, "OK", true, 7, 98, 50, 14},
        {2, ControlKind::Button, "Cancel", true, 98, 98, 50, 14},
    };
    ASSERT_EQ(dialog.controls.size(), std::size(expected));
    for (std::size_t i = 0; i < dialog.controls.size(); ++i) {
        const DialogControl& c = dialog.controls[i];
        const Expected& e = expected[i];
        SCOPED_TRACE("control " + std::to_string(i));
        EXPECT_EQ(c.id, e.id);
        EXPECT_EQ(c.kind, e.kind);
        EXPECT_EQ(c.text == nullptr ? std::string("(none)") : std::string(c.text),
                  e.text == nullptr ? std::string("(none)") : std::string(e.text));
        EXPECT_EQ(c.tabStop, e.tabStop);
        EXPECT_EQ((std::array<int, 4>{c.x, c.y, c.width, c.height}),
                  (std::array<int, 4>{e.x, e.y, e.width, e.height}));
    }
    // "&16" starts the depth group and "&32" belongs to it.
    EXPECT_TRUE(dialog.controls[4].group);
    EXPECT_FALSE(dialog.controls[5].group);
}

// What the controls show when the dialog opens, for the window's settings.
struct PresetCase {
    int width, height, bitsPerPixel;
    bool fullScreen;
    int checked, selected, depth;
};

TEST(SetupDialog, OpensPresetFromTheSettings)
{
    const PresetCase cases[] = {
        {1024, 768, 32, true, 1, 4, 1},   // the defaults
        {320, 240, 16, false, 0, 0, 0},   // first entry, 16 bits
        {1600, 1200, 32, false, 0, 7, 1}, // last entry
        {1024, 600, 32, true, 1, -1, 1},  // a size that is not listed: no selection
        {640, 768, 32, true, 1, -1, 1},   // width and height must both match
        {800, 600, 24, false, 0, 3, 1},   // any depth but 16 shows as "&32"
        {800, 600, 15, false, 0, 3, 1},
    };
    for (const PresetCase& c : cases) {
        SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height) + "x" +
                     std::to_string(c.bitsPerPixel));
        FakeDialog dialog;
        dialog.result = kDialogCancel;
        SettingsWindow window(c.width, c.height, c.bitsPerPixel, c.fullScreen);
        window.UseDialogRunner(dialog);

        window.RunSetupDialog();

        ASSERT_NE(dialog.shownTemplate, nullptr);
        EXPECT_EQ(dialog.shownTemplate, &SetupDialogTemplate());
        EXPECT_EQ(dialog.shownData.values.at(kIdFullScreen), c.checked);
        EXPECT_EQ(dialog.shownData.values.at(kIdResolution), c.selected);
        EXPECT_EQ(dialog.shownData.values.at(kIdDepth16), c.depth);
        const std::vector<std::string> listed = {"320x240",  "512x384",  "640x480",  "800x600",
                                                 "1024x768", "1152x864", "1280x960", "1600x1200"};
        EXPECT_EQ(dialog.shownData.listItems.at(kIdResolution), listed);
    }
}

// The choice in the dialog and the settings it writes back on OK.
struct WriteBackCase {
    int checked, selected, depth;
    bool fullScreen;
    int width, height, bitsPerPixel;
};

TEST(SetupDialog, OkWritesTheChoiceBackThroughTheResolutionTable)
{
    const WriteBackCase cases[] = {
        {0, 0, 0, false, 320, 240, 16},   {1, 1, 1, true, 512, 384, 32},
        {0, 2, 1, false, 640, 480, 32},   {0, 3, 0, false, 800, 600, 16},
        {1, 4, 1, true, 1024, 768, 32},   {1, 5, 1, true, 1152, 864, 32},
        {1, 6, 1, true, 1280, 960, 32},   {1, 7, 0, true, 1600, 1200, 16},
        {1, -1, 1, true, 320, 240, 32},   // nothing chosen: 320 x 240
        {0, 4, -1, false, 1024, 768, 32}, // no depth checked: 32
    };
    for (const WriteBackCase& c : cases) {
        SCOPED_TRACE("selected " + std::to_string(c.selected) + " depth " + std::to_string(c.depth));
        FakeDialog dialog;
        dialog.click = [&c](DialogData& data) {
            data.values[kIdFullScreen] = c.checked;
            data.values[kIdResolution] = c.selected;
            data.values[kIdDepth16] = c.depth;
        };
        SettingsWindow window(1024, 600, 24, !c.fullScreen);
        window.UseDialogRunner(dialog);

        EXPECT_EQ(window.RunSetupDialog(), kDialogOk);

        EXPECT_EQ(window.fullScreen, c.fullScreen);
        EXPECT_EQ(window.width, c.width);
        EXPECT_EQ(window.height, c.height);
        EXPECT_EQ(window.bitsPerPixel, c.bitsPerPixel);
    }
}

TEST(SetupDialog, OkWithoutChangesKeepsAListedSetting)
{
    FakeDialog dialog; // OK pressed at once
    SettingsWindow window(1024, 768, 32, true);
    window.UseDialogRunner(dialog);
    EXPECT_EQ(window.RunSetupDialog(), kDialogOk);
    EXPECT_TRUE(window.fullScreen);
    EXPECT_EQ(window.width, 1024);
    EXPECT_EQ(window.height, 768);
    EXPECT_EQ(window.bitsPerPixel, 32);
}

TEST(SetupDialog, CancelOrAFailedDialogLeavesTheSettingsUnchanged)
{
    for (int result : {kDialogCancel, kDialogFailed}) {
        SCOPED_TRACE(result);
        FakeDialog dialog;
        dialog.result = result;
        dialog.click = [](DialogData& data) {
            data.values[kIdFullScreen] = 0;
            data.values[kIdResolution] = 0;
            data.values[kIdDepth16] = 0;
        };
        SettingsWindow window(1024, 600, 24, true);
        window.UseDialogRunner(dialog);

        EXPECT_EQ(window.RunSetupDialog(), result);

        EXPECT_TRUE(window.fullScreen);
        EXPECT_EQ(window.width, 1024);
        EXPECT_EQ(window.height, 600);
        EXPECT_EQ(window.bitsPerPixel, 24);
    }
}

TEST(SetupDialog, ShowsTheApplicationIconBigThenSmall)
{
    FakeDialog dialog;
    SettingsWindow window(1024, 768, 32, true);
    window.UseDialogRunner(dialog);
    window.RunSetupDialog();

    ASSERT_EQ(dialog.shownIcons.size(), 2u);
    for (std::size_t i = 0; i < 2; ++i) {
        const IconImage& image = dialog.shownIcons[i];
        EXPECT_EQ(image.size, i == 0 ? 32 : 16);
        ASSERT_EQ(image.pixels.size(), static_cast<std::size_t>(image.size * image.size));
        int opaque = 0;
        for (std::uint32_t pixel : image.pixels) {
            const std::uint32_t alpha = pixel >> 24;
            EXPECT_TRUE(alpha == 0 || alpha == 0xFF);
            opaque += alpha == 0xFF ? 1 : 0;
        }
        // A picture, not a blank or a filled square.
        EXPECT_GT(opaque, image.size * image.size / 5);
        EXPECT_LT(opaque, image.size * image.size * 4 / 5);
    }
}

TEST(FltkDialogRunner, WithoutADisplayFailsToOpenAndSaysWhy)
{
    unsetenv("DISPLAY");
    DialogData data;
    data.values[kIdFullScreen] = 1;
    std::vector<IconImage> noIcons;

    ::testing::internal::CaptureStderr();
    const int result = FltkDialogRunner().RunModal(SetupDialogTemplate(), noIcons, data);
    const std::string said = ::testing::internal::GetCapturedStderr();

    EXPECT_EQ(result, kDialogFailed);
    EXPECT_EQ(data.values.size(), 1u);
    EXPECT_EQ(data.values.at(kIdFullScreen), 1);
    EXPECT_NE(said.find("cannot open the display"), std::string::npos) << said;
}

} // namespace
