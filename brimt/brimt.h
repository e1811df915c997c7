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
// The message boxes (SystemMessageBoxes), the settings dialog (FltkDialogRunner) and the frame path
// (LiveSource and LiveSink, livepath.h) are the real ones unless others are given. Run() returns 0 after a
// normal run or a dialog that was cancelled or could not be shown, N after failure N (1 to 6); each failure
// was shown in a message box captioned "ERREUR".
#pragma once

#include "framepath.h"
#include "glwindow.h"
#include "livepath.h"
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

    static constexpr int kShowRunning = -1;

    // The run, in this order: settings dialog (anything but OK: return 0, nothing else touched);
    // window creation (failure 1); the show's Init (2); music library start-up (3), sound output, with
    // a second try without a sound device (4); module load (5); playback and the source's start; the
    // loop; music stopped and closed; the show's Release (false: 6); window deleted. It is
    // BeginShow(); while (StepFrame()) {} return EndShow();
    int InitInstance() override;

    // The run's steps up to the loop: settings dialog (if askSettings), window Create, Init, music
    // start-up, sound output (second try silent), module load, source Start and playback.
    // kShowRunning: the show runs, call StepFrame. Otherwise the run's result (0 after a dialog
    // that was not accepted; 1 to 5 after that failure, already shown).
    int BeginShow();
    // One frame of the loop: every waiting message is taken and handled, one per loop pass as
    // before (a quit message ends the loop); once the queue is empty, one drawing pass: Render
    // with the time and status (if active; else wait for a message at most 16 ms), sink Present,
    // source Next. False once the loop is over (quit taken, or Render returned false); then call
    // EndShow and StepFrame no more.
    bool StepFrame();
    // The steps after the loop: source and sink Stop, music stopped and closed, Release (false:
    // failure 6, shown), window deleted. Returns 0 or 6.
    int EndShow();

    // The application's main window: the window object from the accepted dialog until it is deleted.
    GLWindow* mainWindow = nullptr;
    // False: no settings dialog; the window opens with the settings its factory gave it.
    bool askSettings = true;
    // Where each frame's time and status come from (a LiveSource unless another is given; it must
    // outlive the run).
    void UseFrameSource(FrameSource& frameSource) { source = &frameSource; }
    // Where each drawn frame goes (a LiveSink without a cap unless another is given; it must outlive
    // the run).
    void UseFrameSink(FrameSink& frameSink) { sink = &frameSink; }

private:
    // Shows failure `number`, deletes the window and returns the number.
    int Fail(int number);

    WindowFactory makeWindow;
    MusicLibrary& music;
    DialogRunner& dialogs;
    LiveSource liveSource;
    LiveSink liveSink;
    FrameSource* source = &liveSource;
    FrameSink* sink = &liveSink;

    // The show between BeginShow and EndShow.
    std::unique_ptr<GLWindow> window;
    ModuleHandle module = nullptr;
    PlayHandle play = 0;
    float time = 0.0f;   // seconds, as read at the end of the previous drawing pass
    PlayStatus status{}; // likewise; all zero before the first frame
};
