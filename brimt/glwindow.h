// brimt/glwindow.h -- the program's OpenGL window: display settings, creation, teardown, viewport, reactions.
//
// GLWindow is abstract: the show derives from it and implements Init, Release and Render, called by
// the run (brimt.h) in this contract:
//   Init    once, right after Create succeeded: the window is shown, its GL context current, the
//           viewport and projection set. It must name the music module in `musicFile`. False: the
//           run ends (failure 2) without Release.
//   Render  once per idle loop pass while the window is active, context current: draws into the back
//           buffer, which the loop then presents. `time` (seconds since the clock started) and
//           `status` are those read at the end of the previous pass (0.0 and all zeros the first
//           time). False ends the loop at once, without presenting that frame; PostQuitRequest ends it
//           at the next pass, after this frame was presented.
//   Release at most once, only after Init returned true, context current: frees what Init built.
//           False at the end of the run is failure 6.
#pragma once

#include "platform/app.h"
#include "platform/dialog.h"
#include "platform/music.h"
#include "platform/surface.h"

#include <string>

class GLWindow : private WindowMessages {
public:
    GLWindow(int width, int height, int bitsPerPixel, bool fullScreen);
    // Runs Kill().
    ~GLWindow() override;
    GLWindow(const GLWindow&) = delete;
    GLWindow& operator=(const GLWindow&) = delete;

    virtual bool Init() = 0;
    virtual bool Release() = 0;
    virtual bool Render(float time, const PlayStatus* status) = 0;

    // Opens the window from the display settings: full screen through a display-mode change (if the
    // mode is refused, asks whether to go on in a window: No ends with "Fin du programme."), or a framed
    // window whose client area is width x height at the screen's top-left corner; a double-buffered
    // RGBA surface with a 16-bit depth buffer and `bitsPerPixel` colour bits; a GL context made current
    // and kept so; shown and focused; viewport and projection set. False after a failure: a message
    // (caption "Brimt") was shown through the instance's message boxes and what was made is undone,
    // except that the video system stays readied until Kill and `fullScreen` may have been turned off.
    bool Create(InstanceHandle instance, const char* title);
    // Undoes whatever Create did, in reverse order: display mode and pointer (if fullScreen), GL
    // context, window, video system. Safe on a window never created, and twice.
    void Kill();
    // Viewport over width x height pixels and a 45-degree perspective (near 0.1, far 100) for that
    // aspect; a height of 0 counts as 1. Leaves the modelview matrix current and identity.
    void Resize(int width, int height);
    bool IsActive() const;
    // Shows the settings dialog pre-set from the display settings and, when accepted, writes the choice
    // back. Returns kDialogOk when accepted, else kDialogCancel or kDialogFailed (settings unchanged).
    int RunSetupDialog();
    // The window's drawing surface: where frames are presented. Null before Create and after Kill.
    SurfaceHandle GetSurface() const;
    // The dialog runner RunSetupDialog uses (FLTK's unless told otherwise).
    void UseDialogRunner(DialogRunner& runner);

    bool active = true;                      // drawn only while true: focused and not minimised
    bool fullScreen;                         // requested, and after Create in force
    RenderContextHandle glContext = nullptr; // null when there is none
    InstanceHandle instance = nullptr;       // set by Create; where messages go
    int width;                               // pixels, of the display mode and the client area
    int height;
    int bitsPerPixel; // 16 or 32
    std::string musicFile;

private:
    // The window's reactions to its messages.
    void OnKeyDown(int key) override;
    void OnActivate(bool isActive) override;
    void OnClose() override;
    void OnSize(int newWidth, int newHeight) override;

    MessageAnswer Tell(const char* text, MessageButtons buttons, MessageIcon icon);
    bool Fail(const char* text);
    bool UndoAndFail(const char* text);

    NativeWindow* window = nullptr;
    bool videoStarted = false;
    DialogRunner* dialogRunner;
};
