// platform/dialog.h -- modal dialogs built from a template of controls in dialog units, shown with FLTK.
//
// What:   a dialog is described as data (caption, client size, font, controls with their texts, ids,
//         tab stops, groups, positions and sizes in dialog units) and run modally by a DialogRunner,
//         which exchanges the controls' values with a DialogData by control id. The program keeps its
//         dialogs' logic against this interface; tests pass their own runner.
// Needs:  FLTK 1.3 on X11 for the real runner (FltkDialogRunner).
// Limits: the control kinds below only. Dialog units are those of dialog templates: x in quarters of
//         the dialog font's average character width, y in eighths of its height.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

enum class ControlKind {
    CheckBox,     // a box that toggles: value 0 or 1
    Label,        // static text; its & shortcut moves the focus to the next control
    DropDownList, // a list that opens below: value = selected index, -1 = none
    GroupBox,     // a titled frame around other controls
    RadioButton,  // one of a group: the group's value = index of the checked button from its first, -1 = none
    DefaultButton, // a push button also pressed by Enter
    Button,        // a push button
};

// One control. `text` marks its keyboard shortcut with '&'. A RadioButton with `group` set starts a
// new radio group; the radio buttons right after it, without `group`, belong to it. Only controls with
// `tabStop` take the focus from Tab.
struct DialogControl {
    int id; // -1 for controls the program never reads
    ControlKind kind;
    const char* text;
    bool tabStop;
    bool group;
    int x, y, width, height; // dialog units, from the client area's top-left corner
};

struct DialogTemplate {
    const char* caption;
    int width, height; // client area, dialog units
    const char* fontName;
    int fontPoints;
    std::vector<DialogControl> controls; // in tab order
};

// A square picture of an icon: size x size pixels, 0xAARRGGBB, rows from the top.
struct IconImage {
    int size;
    std::vector<std::uint32_t> pixels;
};

// What is exchanged with the controls, by control id: a check box's state (0, 1); a list's selection
// index (-1: none); a radio group's checked index, keyed by the id of its first button (-1: none).
// `listItems` are the texts put into a list, in order, when the dialog opens. Values that are absent
// open the control unchecked or unselected.
struct DialogData {
    std::map<int, int> values;
    std::map<int, std::vector<std::string>> listItems;
};

constexpr int kDialogOk = 1;      // the OK button's id, and the result of a dialog closed with it
constexpr int kDialogCancel = 2;  // the Cancel button's id, and the result of Cancel, Escape or closing
constexpr int kDialogFailed = -1; // the dialog could not be shown

class DialogRunner {
public:
    virtual ~DialogRunner() = default;
    // Shows the dialog centred on the screen, controls set from `data`, focus on the first tab stop,
    // and waits. Pressing the button with id kDialogOk (or Enter, for the default button) copies the
    // controls' values back into `data` and returns kDialogOk; another button returns its id and
    // Escape or the window manager's close returns kDialogCancel, `data` untouched. A dialog that
    // cannot be shown (no display) returns kDialogFailed, `data` untouched, and says why on stderr.
    // When it returns, the dialog's window is gone from the screen. `icons` (big first) may be empty.
    virtual int RunModal(const DialogTemplate& dialog, const std::vector<IconImage>& icons,
                         DialogData& data) = 0;
};

// The real runner, on FLTK.
DialogRunner& FltkDialogRunner();

// Gives dialog controls their classic bevelled three-dimensional look.
void EnableThreeDimensionalControls();
