// platform/app.h -- the application, its message queue, message boxes, the clock and the GL window, on SDL2.
//
// What:   the services the program's shell needs from the desktop, as plain functions and two small
//         interfaces: an application object with a start-up hook; a message queue that is peeked (or waited
//         on for a bounded time), with a quit request; modal message boxes (also written to stderr); the
//         high-resolution counter; and one kind of top-level window that holds an OpenGL context,
//         full screen through a display-mode change or framed at the screen's top-left corner.
// Needs:  SDL2 (video, events, performance counter); FLTK on X11 for the message boxes. Each window's
//         events reach the WindowMessages object it was opened with, through DeliverMessage.
// Limits: one GUI thread calls everything here. On X11 a client cannot change the screen's colour
//         depth: a full-screen mode is accepted when its width and height exist, whatever the depth.
#pragma once

#include "platform/surface.h"

#include <cstdint>

// --- Message boxes -------------------------------------------------------------------------------------

enum class MessageButtons { Ok, YesNo };
enum class MessageIcon { Information, Exclamation, Stop };
enum class MessageAnswer { Ok, Yes, No };

// Modal message boxes: where a failure is told to the person in front of the screen.
class MessageBoxes {
public:
    virtual ~MessageBoxes() = default;
    // Shows `text` (\n breaks lines) under `caption` and waits for the answer. A box that cannot be
    // shown (no display) answers Ok to a plain message and No to a question.
    virtual MessageAnswer Show(const char* caption, const char* text, MessageButtons buttons,
                               MessageIcon icon) = 0;
};

// The real boxes: every message is first written to stderr, then shown in a modal box of its own (FLTK)
// with the caption, the icon (an information sign, a warning triangle, a stop sign), the text and
// "OK", or "Oui" (Enter) and "Non" (Escape).
MessageBoxes& SystemMessageBoxes();

// --- Application ---------------------------------------------------------------------------------------

// What windows are created with: it names where their own failure messages go.
struct AppInstance {
    MessageBoxes* messageBoxes;
};
using InstanceHandle = AppInstance*;

// The application object. Run() calls the start-up hook InitInstance once; the run is over when it
// returns, and its result is Run()'s.
class Application {
public:
    explicit Application(MessageBoxes& messageBoxes);
    virtual ~Application();
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

    // Calls InitInstance and returns its result. SDL is shut down afterwards if it was not running
    // before the call.
    int Run();
    // The start-up hook: holds the whole run.
    virtual int InitInstance() = 0;
    // The handle windows of this application are created with.
    InstanceHandle Instance() { return &instance; }

private:
    AppInstance instance;
};

// --- Message queue -------------------------------------------------------------------------------------

// One message taken from the queue: a quit request, or an event for some window (kept in `native`).
struct Message {
    bool quit = false;
    int exitCode = 0; // the code given to PostQuitRequest; 0 for a quit asked by the system (a signal)
    alignas(8) unsigned char native[64] = {};
};

// Takes the oldest message off the queue into *out and returns true; false at once when the queue is
// empty (never waits). False, too, when SDL's event queue is not running.
bool TakeMessage(Message* out);
// Waits until a message is waiting (it stays on the queue) or `milliseconds` have passed. True when
// one is waiting; false at the timeout, and at once when SDL's event queue is not running.
bool WaitForMessage(int milliseconds);
// Hands a window's event to the WindowMessages of the window it is for. Quit requests and events for
// no known window are ignored.
void DeliverMessage(const Message& message);
// Asks the loop to end: a quit message carrying exitCode is put at the end of the queue. Works whenever
// SDL's event subsystem is running; without it there is no queue and the request is dropped.
void PostQuitRequest(int exitCode);

// --- High-resolution counter ---------------------------------------------------------------------------

std::int64_t CounterFrequency(); // counts per second, constant for the process
std::int64_t CounterNow();       // the counter's current value; only differences mean anything

// --- OpenGL window -------------------------------------------------------------------------------------

constexpr int kKeyEscape = 27; // the key code OnKeyDown receives for Escape

// What a window tells its owner. Sizes are the drawable size in pixels (what the viewport covers).
class WindowMessages {
public:
    virtual ~WindowMessages() = default;
    virtual void OnKeyDown(int key) = 0;      // every key press; key codes as SDL's (kKeyEscape)
    virtual void OnActivate(bool active) = 0; // true: focused and not minimised; false otherwise
    virtual void OnClose() = 0;               // the user asked to close it; it stays open
    virtual void OnSize(int width, int height) = 0;
};

struct NativeWindow; // a top-level window able to hold a GL context; opaque
struct RenderContext;
using RenderContextHandle = RenderContext*; // a GL rendering context; null = none

// The pixel format asked for: RGBA, double-buffered, with a depth buffer.
struct PixelFormatRequest {
    int colourBits = 32; // 16 (5-6-5) or 32 (8-8-8, no alpha bits asked for)
    int depthBits = 16;
    bool doubleBuffer = true;
};

// Readies the video system so that windows can be opened (counted: each success needs one
// StopVideo). False when there is no usable video driver or display; SDL's offscreen and dummy
// drivers, which show nothing, count only when asked for by name (SDL_VIDEODRIVER, as tests and
// offline renderings do), not when SDL falls back to them for want of a display.
bool StartVideo();
void StopVideo();
// Chooses the full-screen mode the next full-screen window is shown in: false when the display has no
// mode of exactly width x height (nothing changed then). The change itself happens when that window is
// shown; RestoreDisplayMode takes every full-screen window back to the desktop's mode.
bool ChangeDisplayMode(int width, int height, int bitsPerPixel);
void RestoreDisplayMode();
// Shows or hides the mouse pointer (only while the video system is ready).
void ShowPointer(bool shown);

// Opens a hidden window whose drawable is width x height pixels: full screen (borderless, at the mode
// chosen by ChangeDisplayMode) or framed and resizable with its frame at the screen's top-left corner.
// Its events go to `target`. Null on failure.
NativeWindow* OpenNativeWindow(const char* title, int width, int height, bool fullScreen,
                               const PixelFormatRequest& format, WindowMessages* target);
// Closes a window from OpenNativeWindow (null is ignored); its surface is gone with it.
void CloseNativeWindow(NativeWindow* window);
// The window's drawing surface (never null for an open window).
SurfaceHandle WindowSurface(NativeWindow* window);

// The pixel format the system chose for the surface when its window was opened: false when none
// matched the request.
bool MatchPixelFormat(SurfaceHandle surface, const PixelFormatRequest& format);
// Makes `format` the one the surface's next GL context is created for; false when refused.
bool ApplyPixelFormat(SurfaceHandle surface, const PixelFormatRequest& format);
// A compatibility-profile GL context for the surface; null on failure.
RenderContextHandle CreateRenderContext(SurfaceHandle surface);
// Makes `context` current on this thread for `surface`; (null, null) releases the current one.
bool MakeCurrent(SurfaceHandle surface, RenderContextHandle context);
void DeleteRenderContext(RenderContextHandle context);
// Shows the window, raises and focuses it, turns the screen saver off while it is shown, and asks for
// buffer swaps paced by the display's refresh (left unpaced where the driver refuses).
void ShowAndFocus(NativeWindow* window);
// The drawable size in pixels: what the viewport should cover (larger than the window's size in
// screen coordinates on high-density screens).
void DrawableSize(SurfaceHandle surface, int* width, int* height);
// Presents the back buffer (a buffer swap) and counts the frame.
void PresentFrame(SurfaceHandle surface);
// Frames presented on the surface so far.
std::uint64_t PresentedFrames(SurfaceHandle surface);
