// platform/messagebox.cpp -- the system's message boxes: a modal FLTK window with an icon, the text and
// the buttons, each message also written to stderr.
//
// The box is laid out as desktop message boxes are: the icon at the top left, the text beside it with
// its line breaks, the buttons centred along the bottom. "OK" is pressed by Enter and by Escape; of
// "Oui" and "Non", Enter presses "Oui" (or the button that has the focus) and Escape "Non". Closing the
// box through the window manager is its Escape answer. FLTK talks to the X server on a connection of
// its own, so a box shown while SDL's windows are open leaves their events waiting in SDL's queue.
#include "platform/app.h"

#include <FL/Fl.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Group.H>
#include <FL/Fl_Window.H>
#include <FL/fl_draw.H>
#include <FL/x.H> // Required for: fl_display, fl_open_display(Display*), XOpenDisplay(), XSync()

#include <algorithm> // Required for: std::replace(), std::max()
#include <cstdio>    // Required for: std::fprintf() of every message to stderr
#include <cstring>   // Required for: std::strchr(), std::strlen()
#include <string>

namespace {

std::string OneLine(const char* text)
{
    std::string line = text;
    std::replace(line.begin(), line.end(), '\n', ' ');
    return line;
}

// FLTK ends the process when it cannot open the display itself: try first, then hand it over.
bool OpenDisplay()
{
    if (fl_display != nullptr) return true;
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        const char* name = XDisplayName(nullptr);
        std::fprintf(stderr, "  (message box not shown: cannot open the display%s%s%s)\n",
                     *name != '\0' ? " \"" : " (DISPLAY is not set)", name, *name != '\0' ? "\"" : "");
        return false;
    }
    fl_open_display(display);
    return true;
}

// Sizes in pixels.
constexpr int kFontSize = 12;
constexpr int kMargin = 12;
constexpr int kIconSize = 32;
constexpr int kButtonWidth = 75;
constexpr int kButtonHeight = 23;
constexpr int kButtonGap = 6;

// The icon, drawn in the colours every desktop gives these signs: a yellow warning triangle with "!",
// a red disc with a white cross, a white disc with a blue "i".
class IconView : public Fl_Widget {
public:
    IconView(int x, int y, MessageIcon icon) : Fl_Widget(x, y, kIconSize, kIconSize), kind(icon) {}

protected:
    void draw() override
    {
        const int ix = x(), iy = y();
        switch (kind) {
        case MessageIcon::Exclamation:
            fl_color(255, 255, 0);
            fl_polygon(ix + 16, iy + 1, ix + 31, iy + 29, ix + 1, iy + 29);
            fl_color(FL_BLACK);
            fl_loop(ix + 16, iy + 1, ix + 31, iy + 29, ix + 1, iy + 29);
            fl_rectf(ix + 14, iy + 9, 4, 12);
            fl_rectf(ix + 14, iy + 23, 4, 3);
            break;
        case MessageIcon::Stop:
            fl_color(255, 0, 0);
            fl_pie(ix, iy, kIconSize, kIconSize, 0.0, 360.0);
            fl_color(128, 0, 0);
            fl_arc(ix, iy, kIconSize, kIconSize, 0.0, 360.0);
            fl_color(FL_WHITE);
            fl_line_style(FL_SOLID | FL_CAP_ROUND, 4);
            fl_line(ix + 10, iy + 10, ix + 21, iy + 21);
            fl_line(ix + 21, iy + 10, ix + 10, iy + 21);
            fl_line_style(0);
            break;
        case MessageIcon::Information:
            fl_color(FL_WHITE);
            fl_pie(ix, iy, kIconSize, kIconSize, 0.0, 360.0);
            fl_color(FL_DARK3);
            fl_arc(ix, iy, kIconSize, kIconSize, 0.0, 360.0);
            fl_color(0, 0, 255);
            fl_rectf(ix + 14, iy + 6, 4, 4);
            fl_rectf(ix + 14, iy + 13, 4, 13);
            break;
        }
    }

private:
    MessageIcon kind;
};

// The text as it is, line by line: no '@' symbols or '&' shortcuts read into it (FLTK's own text
// drawing stops at a line that starts with '@').
class TextView : public Fl_Widget {
public:
    TextView(int x, int y, int w, int h, const char* text) : Fl_Widget(x, y, w, h), shown(text) {}

    static void Measure(const char* text, int& w, int& h)
    {
        fl_font(FL_HELVETICA, kFontSize);
        w = 0;
        h = 0;
        ForEachLine(text, [&](const char* line, int length) {
            w = std::max(w, static_cast<int>(fl_width(line, length) + 0.5));
            h += fl_height();
        });
    }

protected:
    void draw() override
    {
        fl_font(FL_HELVETICA, kFontSize);
        fl_color(FL_FOREGROUND_COLOR);
        int baseline = y() + fl_height() - fl_descent();
        ForEachLine(shown, [&](const char* line, int length) {
            fl_draw(line, length, x(), baseline);
            baseline += fl_height();
        });
    }

private:
    template <typename Visit> static void ForEachLine(const char* text, Visit visit)
    {
        for (const char* line = text;;) {
            const char* end = std::strchr(line, '\n');
            if (end == nullptr) {
                visit(line, static_cast<int>(std::strlen(line)));
                return;
            }
            visit(line, static_cast<int>(end - line));
            line = end + 1;
        }
    }

    const char* shown;
};

// What the box's buttons and its window callback write to.
struct Outcome {
    bool answered = false;
    MessageAnswer answer = MessageAnswer::Ok;
    MessageAnswer escape = MessageAnswer::Ok; // the answer of Escape and of the window manager's close
};

// A button that answers: Enter presses it when it has the focus; the default one is also pressed by
// Enter while no other button has the focus.
class AnswerButton : public Fl_Button {
public:
    AnswerButton(int x, int y, const char* text, MessageAnswer answer, bool defaultButton, Outcome* outcome)
        : Fl_Button(x, y, kButtonWidth, kButtonHeight, text), value(answer), isDefault(defaultButton),
          target(outcome)
    {
        labelsize(kFontSize);
        callback([](Fl_Widget* pressed, void*) { static_cast<AnswerButton*>(pressed)->Answer(); });
    }

    int handle(int event) override
    {
        const int key = Fl::event_key();
        const bool enter = key == FL_Enter || key == FL_KP_Enter;
        if (event == FL_KEYBOARD && enter && Fl::focus() == this) {
            Answer();
            return 1;
        }
        if (event == FL_SHORTCUT && enter && isDefault &&
            dynamic_cast<AnswerButton*>(Fl::focus()) == nullptr) {
            Answer();
            return 1;
        }
        return Fl_Button::handle(event);
    }

private:
    void Answer()
    {
        target->answer = value;
        target->answered = true;
    }

    MessageAnswer value;
    bool isDefault;
    Outcome* target;
};

// Shows the box and waits for its answer; false when it cannot be shown.
bool RunBox(const char* caption, const char* text, bool question, MessageIcon icon, MessageAnswer escape,
            MessageAnswer* answer)
{
    if (!OpenDisplay()) return false;

    int textW = 0, textH = 0;
    TextView::Measure(text, textW, textH);
    const int textX = kMargin + kIconSize + kMargin;
    // A text shorter than the icon is centred on it.
    const int textY = textH < kIconSize ? kMargin + (kIconSize - textH) / 2 : kMargin;
    const int buttonCount = question ? 2 : 1;
    const int buttonsW = buttonCount * kButtonWidth + (buttonCount - 1) * kButtonGap;
    const int width = std::max(textX + textW + kMargin, buttonsW + 2 * kMargin);
    const int buttonY = std::max(textY + textH, kMargin + kIconSize) + kMargin;
    const int height = buttonY + kButtonHeight + kMargin;

    Outcome outcome;
    Fl_Group* previousCurrent = Fl_Group::current();
    Fl_Window window(width, height, caption);
    // Escape and the window manager's close both come here.
    outcome.escape = escape;
    window.callback(
        [](Fl_Widget*, void* data) {
            auto* result = static_cast<Outcome*>(data);
            result->answer = result->escape;
            result->answered = true;
        },
        &outcome);
    new IconView(kMargin, kMargin, icon);
    new TextView(textX, textY, textW, textH, text);
    int buttonX = (width - buttonsW) / 2;
    AnswerButton* first = nullptr;
    if (question) {
        first = new AnswerButton(buttonX, buttonY, "Oui", MessageAnswer::Yes, true, &outcome);
        buttonX += kButtonWidth + kButtonGap;
        new AnswerButton(buttonX, buttonY, "Non", MessageAnswer::No, false, &outcome);
    } else {
        first = new AnswerButton(buttonX, buttonY, "OK", MessageAnswer::Ok, true, &outcome);
    }
    window.end();
    Fl_Group::current(previousCurrent);
    window.size_range(width, height, width, height);

    // Centred on the first screen's work area, as a box with no owner window is.
    int sx = 0, sy = 0, sw = 0, sh = 0;
    Fl::screen_work_area(sx, sy, sw, sh, 0);
    window.position(sx + (sw - width) / 2, sy + (sh - height) / 2);

    window.set_modal();
    window.show();
    first->take_focus();
    while (!outcome.answered && window.shown()) {
        Fl::wait();
    }
    // Hidden by other means: as if closed.
    *answer = outcome.answered ? outcome.answer : escape;

    // Gone from the screen before whatever comes next opens its own window.
    window.hide();
    Fl::flush();
    XSync(fl_display, False);
    Fl::check();
    return true;
}

class FltkMessageBoxes : public MessageBoxes {
public:
    MessageAnswer Show(const char* caption, const char* text, MessageButtons buttons,
                       MessageIcon icon) override
    {
        // stderr first: a run with no display still tells the user what happened.
        std::fprintf(stderr, "%s: %s\n", caption, OneLine(text).c_str());

        const bool question = buttons == MessageButtons::YesNo;
        // A box closed without a button, or one that cannot be shown, counts as its Escape answer.
        const MessageAnswer escape = question ? MessageAnswer::No : MessageAnswer::Ok;
        MessageAnswer answer = escape;
        RunBox(caption, text, question, icon, escape, &answer);
        if (question) {
            std::fprintf(stderr, "  -> %s\n", answer == MessageAnswer::Yes ? "Oui" : "Non");
        }
        return answer;
    }
};

} // namespace

MessageBoxes& SystemMessageBoxes()
{
    static FltkMessageBoxes boxes;
    return boxes;
}
