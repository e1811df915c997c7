// platform/dialog.cpp -- the FLTK dialog runner: template controls as FLTK widgets, modal loop, data
// exchange.
#include "platform/dialog.h"

#include <FL/Fl.H>
#include <FL/Fl_Box.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Check_Button.H>
#include <FL/Fl_Choice.H>
#include <FL/Fl_Group.H>
#include <FL/Fl_Image.H>
#include <FL/Fl_Round_Button.H>
#include <FL/Fl_Window.H>
#include <FL/fl_draw.H>
#include <FL/x.H> // Required for: fl_display, fl_xid(), fl_open_display(Display*), XOpenDisplay(), XChangeProperty()

#include <algorithm> // Required for: std::min(), std::max()
#include <cstdio>
#include <memory>

namespace {

// Dialog base units of the dialog font, in pixels: the average character width and the line height.
struct BaseUnits {
    int cx = 6;
    int cy = 13;

    // Rounded to nearest, halves away from zero, as dialog units always were converted.
    static int Scale(int units, int base, int divisor)
    {
        return (2 * units * base + divisor) / (2 * divisor);
    }
    int X(int units) const { return Scale(units, cx, 4); }
    int Y(int units) const { return Scale(units, cy, 8); }
};

// Points to pixels at the 96 dots per inch that dialog fonts were designed for.
int FontPixels(int points)
{
    return (points * 96 + 36) / 72;
}

BaseUnits MeasureBaseUnits(Fl_Font font, int size)
{
    fl_font(font, size);
    BaseUnits units;
    const double letters = fl_width("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    units.cx = (static_cast<int>(letters) / 26 + 1) / 2;
    units.cy = fl_height();
    return units;
}

// A push button drawn and driven like a dialog's: the default one has a dark outer border and is
// pressed by Enter anywhere in the dialog; any focused button is pressed by Enter or Space.
class PushButton : public Fl_Button {
public:
    PushButton(int x, int y, int w, int h, const char* text, bool defaultButton)
        : Fl_Button(x, y, w, h, text), isDefault(defaultButton)
    {
    }

    int handle(int event) override
    {
        const int key = Fl::event_key();
        const bool enter = key == FL_Enter || key == FL_KP_Enter;
        const bool plain = (Fl::event_state() & (FL_SHIFT | FL_CTRL | FL_ALT | FL_META)) == 0;
        if (event == FL_KEYBOARD && Fl::focus() == this && enter && plain) {
            do_callback();
            return 1;
        }
        if (event == FL_SHORTCUT && isDefault && enter && plain && !FocusIsOtherButton()) {
            do_callback();
            return 1;
        }
        return Fl_Button::handle(event);
    }

protected:
    void draw() override
    {
        const int inset = isDefault ? 1 : 0;
        const int bx = x() + inset, by = y() + inset, bw = w() - 2 * inset, bh = h() - 2 * inset;
        draw_box(value() ? FL_DOWN_BOX : FL_UP_BOX, bx, by, bw, bh, color());
        draw_label(bx, by, bw, bh);
        if (Fl::focus() == this) draw_focus(FL_UP_BOX, bx + 1, by + 1, bw - 2, bh - 2);
        if (isDefault) {
            fl_color(FL_FOREGROUND_COLOR);
            fl_rect(x(), y(), w(), h());
        }
    }

private:
    static bool FocusIsOtherButton() { return dynamic_cast<PushButton*>(Fl::focus()) != nullptr; }

    bool isDefault;
};

// Static text whose & shortcut moves the focus to the control that follows it.
class ShortcutLabel : public Fl_Box {
public:
    ShortcutLabel(int x, int y, int w, int h, const char* text) : Fl_Box(x, y, w, h, text)
    {
        set_flag(SHORTCUT_LABEL);
        align(FL_ALIGN_TOP_LEFT | FL_ALIGN_INSIDE | FL_ALIGN_CLIP);
    }

    int handle(int event) override
    {
        if (event == FL_SHORTCUT && next != nullptr && test_shortcut() != 0) {
            next->take_focus();
            return 1;
        }
        return Fl_Box::handle(event);
    }

    Fl_Widget* next = nullptr;
};

// A titled frame: the title sits on the top line, the line drawn at half the title's height.
class GroupFrame : public Fl_Box {
public:
    GroupFrame(int x, int y, int w, int h, const char* text, int textIndent)
        : Fl_Box(x, y, w, h, text), indent(textIndent)
    {
        set_flag(SHORTCUT_LABEL);
    }

protected:
    void draw() override
    {
        fl_font(labelfont(), labelsize());
        const int textHeight = fl_height();
        const int top = y() + textHeight / 2;
        draw_box(FL_ENGRAVED_FRAME, x(), top, w(), h() - textHeight / 2, color());
        if (label() == nullptr || *label() == '\0') return;
        int textWidth = 0, ignored = 0;
        fl_measure(label(), textWidth, ignored, 0);
        fl_color(color());
        fl_rectf(x() + indent - 2, y(), textWidth + 4, textHeight);
        draw_label(x() + indent, y(), textWidth, textHeight, FL_ALIGN_LEFT | FL_ALIGN_INSIDE);
    }

private:
    int indent;
};

// A drop-down list drawn as an edit field with an arrow button; Up and Down change the selection.
class DropDownList : public Fl_Choice {
public:
    DropDownList(int x, int y, int w, int h) : Fl_Choice(x, y, w, h) {}

    int Count() const { return size() > 0 ? size() - 1 : 0; } // size() counts the closing item

    int handle(int event) override
    {
        if (event == FL_KEYBOARD && Fl::focus() == this &&
            (Fl::event_key() == FL_Down || Fl::event_key() == FL_Up)) {
            const int count = Count();
            if (count > 0) {
                int index = value() + (Fl::event_key() == FL_Down ? 1 : -1);
                if (index < 0) index = 0;
                if (index >= count) index = count - 1;
                value(index);
                redraw();
            }
            return 1;
        }
        if (event == FL_FOCUS || event == FL_UNFOCUS) redraw();
        return Fl_Choice::handle(event);
    }

protected:
    void draw() override
    {
        draw_box(FL_DOWN_BOX, FL_BACKGROUND2_COLOR);
        const int dx = Fl::box_dx(FL_DOWN_BOX), dy = Fl::box_dy(FL_DOWN_BOX);
        const int innerH = h() - 2 * dy;
        const int buttonW = innerH;
        const int buttonX = x() + w() - dx - buttonW;
        draw_box(FL_UP_BOX, buttonX, y() + dy, buttonW, innerH, FL_BACKGROUND_COLOR);
        // The arrow: a small triangle pointing down, centred on the button.
        const int cx = buttonX + buttonW / 2, cy = y() + dy + innerH / 2;
        const int half = innerH / 5 > 2 ? innerH / 5 : 2;
        fl_color(active_r() ? FL_FOREGROUND_COLOR : fl_inactive(FL_FOREGROUND_COLOR));
        fl_polygon(cx - half, cy - half / 2, cx + half, cy - half / 2, cx, cy + half / 2 + 1);

        const int fieldX = x() + dx + 1, fieldY = y() + dy + 1;
        const int fieldW = buttonX - fieldX - 1, fieldH = innerH - 2;
        const bool focused = Fl::focus() == this;
        if (focused) {
            fl_color(FL_SELECTION_COLOR);
            fl_rectf(fieldX, fieldY, fieldW, fieldH);
        }
        if (const Fl_Menu_Item* item = mvalue()) {
            fl_font(textfont(), textsize());
            fl_color(focused ? fl_contrast(FL_FOREGROUND_COLOR, FL_SELECTION_COLOR) : FL_FOREGROUND_COLOR);
            fl_draw(item->label(), fieldX + 2, fieldY, fieldW - 4, fieldH, FL_ALIGN_LEFT | FL_ALIGN_CLIP);
        }
    }
};

// A radio button drawn as dialogs draw them: a sunken white well, a dark dot when checked.
class RadioButton : public Fl_Round_Button {
public:
    RadioButton(int x, int y, int w, int h, const char* text) : Fl_Round_Button(x, y, w, h, text)
    {
        type(FL_RADIO_BUTTON);
    }

protected:
    void draw() override
    {
        const int d = std::min(h(), labelsize() + 2); // diameter in pixels, about a line of text
        const int left = x() + 1, top = y() + (h() - d) / 2;
        // Two rims, as a sunken edge: shadow on the upper left, light on the lower right (angles
        // counter-clockwise from 3 o'clock), then the white well.
        const struct {
            int inset;
            Fl_Color upperLeft, lowerRight;
        } rims[] = {{0, FL_DARK2, FL_WHITE}, {1, FL_BLACK, FL_BACKGROUND_COLOR}};
        for (const auto& rim : rims) {
            const int ring = d - 2 * rim.inset;
            fl_color(rim.upperLeft);
            fl_pie(left + rim.inset, top + rim.inset, ring, ring, 45.0, 225.0);
            fl_color(rim.lowerRight);
            fl_pie(left + rim.inset, top + rim.inset, ring, ring, 225.0, 405.0);
        }
        fl_color(active_r() ? FL_BACKGROUND2_COLOR : FL_BACKGROUND_COLOR);
        fl_pie(left + 2, top + 2, d - 4, d - 4, 0.0, 360.0);
        if (value() != 0) {
            const int dot = std::max(d / 3, 3);
            fl_color(active_r() ? FL_FOREGROUND_COLOR : fl_inactive(FL_FOREGROUND_COLOR));
            fl_pie(left + (d - dot) / 2, top + (d - dot) / 2, dot, dot, 0.0, 360.0);
        }
        const int textX = left + d + 4;
        draw_label(textX, y(), x() + w() - textX, h());
        if (Fl::focus() == this) {
            int textW = 0, textH = 0;
            measure_label(textW, textH);
            draw_focus(FL_FLAT_BOX, textX - 2, y() + (h() - textH) / 2 - 1, textW + 4, textH + 2);
        }
    }
};

// Menu item texts read '/', '&', '_' and '\' specially: list texts are taken as they are.
std::string EscapedItem(const std::string& text)
{
    std::string escaped;
    for (char c : text) {
        if (c == '/' || c == '&' || c == '_' || c == '\\') escaped += '\\';
        escaped += c;
    }
    return escaped;
}

// The widgets that hold values, by kind, for the exchange after OK.
struct Exchanged {
    int id;
    Fl_Check_Button* check = nullptr;
    DropDownList* list = nullptr;
    std::vector<Fl_Round_Button*> radios; // a radio group, from its first button
};

bool OpenDisplay()
{
    if (fl_display != nullptr) return true;
    // FLTK ends the process when it cannot open the display itself; try first, then hand it over.
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        const char* name = XDisplayName(nullptr);
        std::fprintf(stderr, "settings dialog not shown: cannot open the display%s%s%s\n",
                     *name != '\0' ? " \"" : " (DISPLAY is not set)", name, *name != '\0' ? "\"" : "");
        return false;
    }
    fl_open_display(display);
    return true;
}

// The Motif window-manager hints, as X11 toolkits ask for a window's frame: a title and a border, no
// close box, no window menu, no minimise or maximise button; the window can be moved, nothing else.
// The property holds flags, functions, decorations, input mode and status, as 32-bit items.
constexpr long kMotifHintsFunctions = 1L << 0;
constexpr long kMotifHintsDecorations = 1L << 1;
constexpr long kMotifFunctionMove = 1L << 2;
constexpr long kMotifDecorationBorder = 1L << 1;
constexpr long kMotifDecorationTitle = 1L << 3;

// `property` is the atom _MOTIF_WM_HINTS, found beforehand: this sends one request and waits for none.
void AskForTitleAndBorderOnly(Window window, Atom property)
{
    long hints[5] = {kMotifHintsFunctions | kMotifHintsDecorations, kMotifFunctionMove,
                     kMotifDecorationBorder | kMotifDecorationTitle, 0, 0};
    XChangeProperty(fl_display, window, property, property, 32, PropModeReplace,
                    reinterpret_cast<unsigned char*>(hints), 5);
}

class FltkRunner : public DialogRunner {
public:
    int RunModal(const DialogTemplate& dialog, const std::vector<IconImage>& icons, DialogData& data) override
    {
        if (!OpenDisplay()) return kDialogFailed;

        const int fontSize = FontPixels(dialog.fontPoints);
        const Fl_Font font = FL_HELVETICA; // the sans-serif face that dialog fonts stand for
        const BaseUnits units = MeasureBaseUnits(font, fontSize);

        int result = 0; // 0 while the dialog is open
        Fl_Group* previousCurrent = Fl_Group::current();
        std::unique_ptr<Fl_Window> window(
            new Fl_Window(units.X(dialog.width), units.Y(dialog.height), dialog.caption));
        window->labelsize(fontSize);
        // Escape and the window manager's close both come here.
        window->callback([](Fl_Widget*, void* out) { *static_cast<int*>(out) = kDialogCancel; }, &result);

        std::vector<Exchanged> exchanged;
        std::vector<std::unique_ptr<int>> buttonIds;
        ShortcutLabel* pendingLabel = nullptr;
        const std::vector<DialogControl>& controls = dialog.controls;
        for (std::size_t i = 0; i < controls.size(); ++i) {
            const DialogControl& c = controls[i];
            const int x = units.X(c.x), y = units.Y(c.y), w = units.X(c.width), h = units.Y(c.height);
            Fl_Widget* widget = nullptr;
            switch (c.kind) {
            case ControlKind::CheckBox: {
                auto* check = new Fl_Check_Button(x, y, w, h, c.text);
                check->value(ValueOf(data, c.id) == 1 ? 1 : 0);
                exchanged.push_back(Exchanged{c.id, check, nullptr, {}});
                widget = check;
                break;
            }
            case ControlKind::Label: {
                auto* label = new ShortcutLabel(x, y, w, h, c.text);
                pendingLabel = label;
                widget = label;
                break;
            }
            case ControlKind::DropDownList: {
                // The template's height is that of the opened list; closed, it is one line of text.
                auto* list = new DropDownList(x, y, w, units.cy + 8);
                list->textfont(font);
                list->textsize(fontSize);
                const auto items = data.listItems.find(c.id);
                if (items != data.listItems.end()) {
                    for (const std::string& item : items->second)
                        list->add(EscapedItem(item).c_str());
                }
                const int index = ValueOf(data, c.id);
                list->value(index >= 0 && index < list->Count() ? index : -1);
                exchanged.push_back(Exchanged{c.id, nullptr, list, {}});
                widget = list;
                break;
            }
            case ControlKind::GroupBox:
                widget = new GroupFrame(x, y, w, h, c.text, units.cx + 2);
                break;
            case ControlKind::RadioButton: {
                // A radio group is an FLTK group of its own: FLTK keeps one button checked per parent.
                std::size_t last = i;
                while (last + 1 < controls.size() && controls[last + 1].kind == ControlKind::RadioButton &&
                       !controls[last + 1].group) {
                    ++last;
                }
                int left = x, top = y, right = x + w, bottom = y + h;
                for (std::size_t k = i; k <= last; ++k) {
                    const DialogControl& r = controls[k];
                    left = std::min(left, units.X(r.x));
                    top = std::min(top, units.Y(r.y));
                    right = std::max(right, units.X(r.x) + units.X(r.width));
                    bottom = std::max(bottom, units.Y(r.y) + units.Y(r.height));
                }
                auto* group = new Fl_Group(left, top, right - left, bottom - top);
                Exchanged radioGroup{c.id, nullptr, nullptr, {}};
                const int checked = ValueOf(data, c.id);
                for (std::size_t k = i; k <= last; ++k) {
                    const DialogControl& r = controls[k];
                    auto* radio = new RadioButton(units.X(r.x), units.Y(r.y), units.X(r.width),
                                                  units.Y(r.height), r.text);
                    radio->labelsize(fontSize);
                    radio->labelfont(font);
                    if (!r.tabStop) radio->clear_visible_focus();
                    radio->value(static_cast<int>(k - i) == checked ? 1 : 0);
                    radioGroup.radios.push_back(radio);
                }
                group->end();
                exchanged.push_back(radioGroup);
                i = last;
                widget = group;
                break;
            }
            case ControlKind::DefaultButton:
            case ControlKind::Button: {
                auto* button = new PushButton(x, y, w, h, c.text, c.kind == ControlKind::DefaultButton);
                buttonIds.push_back(std::make_unique<int>(c.id));
                button->callback(
                    [](Fl_Widget* pressed, void* id) {
                        *static_cast<int*>(pressed->window()->user_data()) = *static_cast<int*>(id);
                    },
                    buttonIds.back().get());
                widget = button;
                break;
            }
            }
            if (c.kind != ControlKind::RadioButton) {
                widget->labelsize(fontSize);
                widget->labelfont(font);
                if (!c.tabStop) widget->clear_visible_focus();
            }
            if (pendingLabel != nullptr && widget != pendingLabel) {
                pendingLabel->next = widget;
                pendingLabel = nullptr;
            }
        }
        window->end();
        Fl_Group::current(previousCurrent);
        window->size_range(window->w(), window->h(), window->w(), window->h());

        // Centred on the first screen's work area.
        int sx = 0, sy = 0, sw = 0, sh = 0;
        Fl::screen_work_area(sx, sy, sw, sh, 0);
        window->position(sx + (sw - window->w()) / 2, sy + (sh - window->h()) / 2);

        std::vector<std::unique_ptr<Fl_RGB_Image>> iconImages;
        std::vector<std::vector<unsigned char>> iconBytes;
        for (const IconImage& icon : icons) {
            std::vector<unsigned char> rgba;
            for (std::uint32_t argb : icon.pixels) {
                rgba.push_back(static_cast<unsigned char>(argb >> 16));
                rgba.push_back(static_cast<unsigned char>(argb >> 8));
                rgba.push_back(static_cast<unsigned char>(argb));
                rgba.push_back(static_cast<unsigned char>(argb >> 24));
            }
            iconBytes.push_back(std::move(rgba));
            iconImages.push_back(
                std::make_unique<Fl_RGB_Image>(iconBytes.back().data(), icon.size, icon.size, 4));
        }
        std::vector<const Fl_RGB_Image*> iconList;
        for (const auto& image : iconImages)
            iconList.push_back(image.get());
        if (!iconList.empty()) window->icons(iconList.data(), static_cast<int>(iconList.size()));

        // FLTK writes its own Motif hints (everything but resizing) just before it maps the window;
        // ours replace them in the request right after the map, with no wait in between, so that the
        // window manager reads them when it frames the window (and one that was quicker rereads them
        // when the property changes). Closing the window anyway still comes to the callback: Cancel.
        const Atom motifHints = XInternAtom(fl_display, "_MOTIF_WM_HINTS", False);
        window->set_modal();
        window->show();
        AskForTitleAndBorderOnly(fl_xid(window.get()), motifHints);
        XFlush(fl_display);
        while (result == 0 && window->shown()) {
            Fl::wait();
        }
        if (result == 0) result = kDialogCancel; // hidden by other means: as if cancelled

        if (result == kDialogOk) {
            for (const Exchanged& item : exchanged) {
                if (item.check != nullptr) data.values[item.id] = item.check->value() != 0 ? 1 : 0;
                if (item.list != nullptr) data.values[item.id] = item.list->value();
                if (!item.radios.empty()) {
                    int checked = -1;
                    for (std::size_t k = 0; k < item.radios.size(); ++k) {
                        if (item.radios[k]->value() != 0) checked = static_cast<int>(k);
                    }
                    data.values[item.id] = checked;
                }
            }
        }

        // Gone from the screen before whatever comes next opens its own window.
        window->hide();
        window.reset();
        Fl::flush();
        XSync(fl_display, False);
        Fl::check();
        return result;
    }

private:
    static int ValueOf(const DialogData& data, int id)
    {
        const auto found = data.values.find(id);
        return found == data.values.end() ? -1 : found->second;
    }
};

} // namespace

DialogRunner& FltkDialogRunner()
{
    static FltkRunner runner;
    return runner;
}

void EnableThreeDimensionalControls()
{
    Fl::scheme("base");
}
