// brimt/brimt.h -- the application: the whole run from the settings dialog to the last teardown step.
//
// main() builds one DemoApp and returns its Run():
//
//     int main()
//     {
//         std::unique_ptr<MusicLibrary> music = CreateMusicLibrary();
//         DemoApp app([] { return std::make_unique<DemoWindow>(); }, *music);
//         return app.Run();
//     }
//
// The message boxes (SystemMessageBoxes), the settings dialog (FltkDialogRunner) and the clock
// (LiveClock) are the real ones unless others are given. Run() returns 0 after a normal run or a dialog that
// was cancelled or could not be shown, N after failure N (1 to 6); each failure was shown in a message box
// captioned "ERREUR".
#pragma once

#include "frameclock.h"
#include "glwindow.h"
#include "platform/app.h"
#include "platform/dialog.h"
#include "platform/music.h"

#include <cstdint>
#include <functional>
#include <memory>

// Makes the show's window object, with its default settings.
using WindowFactory = std::function<std::unique_ptr<GLWindow>()>;

class DemoApp : public Application {
public:
    DemoApp(WindowFactory makeWindow, MusicLibrary& music, MessageBoxes& messageBoxes = SystemMessageBoxes(),
            DialogRunner& dialogs = FltkDialogRunner());

    // The run, in this order: settings dialog (anything but OK: return 0, nothing else touched);
    // window creation (failure 1); the show's Init (2); music library start-up (3), sound output, with
    // a second try without a sound device (4); module load (5); clock start and playback; the loop;
    // music stopped and closed; the show's Release (false: 6); window deleted.
    int InitInstance() override;

    // The application's main window: the window object from the accepted dialog until it is deleted.
    GLWindow* mainWindow = nullptr;
    // False: no settings dialog; the window opens with the settings its factory gave it.
    bool askSettings = true;
    // The clock the loop presents its frames through and reads its time from (a LiveClock unless
    // another is given; it must outlive the run).
    void UseClock(FrameClock& frameClock) { clock = &frameClock; }

private:
    // Shows failure `number`, deletes the window and returns the number.
    int Fail(int number, std::unique_ptr<GLWindow>& window);
    // Runs the message-and-render loop until a quit message or a false Render.
    void Loop(GLWindow& window, PlayHandle play);

    WindowFactory makeWindow;
    MusicLibrary& music;
    DialogRunner& dialogs;
    LiveClock liveClock;
    FrameClock* clock = &liveClock;
};
