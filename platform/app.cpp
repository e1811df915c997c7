// platform/app.cpp -- the application, message queue, counter and GL window over SDL2 (the message boxes
// are in messagebox.cpp).
#include "platform/app.h"

#include <SDL.h>

#include <algorithm> // Required for: std::remove()
#include <cstdio>    // Required for: std::fprintf() of failures to stderr
#include <cstring>   // Required for: std::memcpy() of events into messages, std::strcmp()
#include <vector>

struct DrawingSurface {
    SDL_Window* window = nullptr;
    std::uint64_t presented = 0; // frames swapped onto it
};

struct NativeWindow {
    DrawingSurface surface;
    WindowMessages* target = nullptr;
};

namespace {

// --- Message queue -------------------------------------------------------------------------------------

static_assert(sizeof(SDL_Event) <= sizeof(Message::native), "an SDL event must fit in a Message");

// Our own event type for quit requests, so that they carry their exit code.
Uint32 QuitRequestType()
{
    static const Uint32 type = SDL_RegisterEvents(1);
    return type;
}

std::vector<NativeWindow*> openWindows; // windows whose events DeliverMessage routes

NativeWindow* WindowById(Uint32 windowId)
{
    for (NativeWindow* window : openWindows) {
        if (SDL_GetWindowID(window->surface.window) == windowId) return window;
    }
    return nullptr;
}

void DispatchWindowEvent(NativeWindow* window, const SDL_WindowEvent& event)
{
    WindowMessages* target = window->target;
    const Uint32 flags = SDL_GetWindowFlags(window->surface.window);
    switch (event.event) {
    case SDL_WINDOWEVENT_FOCUS_GAINED:
        // Any activation counts, however it came (keyboard, click); a minimised window is not active.
        target->OnActivate((flags & SDL_WINDOW_MINIMIZED) == 0);
        break;
    case SDL_WINDOWEVENT_FOCUS_LOST:
    case SDL_WINDOWEVENT_MINIMIZED:
        target->OnActivate(false);
        break;
    case SDL_WINDOWEVENT_RESTORED:
        if ((flags & SDL_WINDOW_INPUT_FOCUS) != 0) target->OnActivate(true);
        break;
    case SDL_WINDOWEVENT_CLOSE:
        target->OnClose();
        break;
    case SDL_WINDOWEVENT_SIZE_CHANGED: {
        int width = 0;
        int height = 0;
        DrawableSize(&window->surface, &width, &height);
        target->OnSize(width, height);
        break;
    }
    default:
        break;
    }
}

// --- Display mode --------------------------------------------------------------------------------------

bool modeChosen = false;
SDL_DisplayMode fullScreenMode{};

// Sets SDL's GL attributes to the request; false when SDL refused one of them.
bool SetGLAttributes(const PixelFormatRequest& format)
{
    const bool sixteen = format.colourBits == 16;
    const struct {
        SDL_GLattr attribute;
        int value;
    } request[] = {
        {SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY},
        {SDL_GL_CONTEXT_MAJOR_VERSION, 2},
        {SDL_GL_CONTEXT_MINOR_VERSION, 1},
        {SDL_GL_RED_SIZE, sixteen ? 5 : 8},
        {SDL_GL_GREEN_SIZE, sixteen ? 6 : 8},
        {SDL_GL_BLUE_SIZE, sixteen ? 5 : 8},
        {SDL_GL_ALPHA_SIZE, 0},
        {SDL_GL_DEPTH_SIZE, format.depthBits},
        {SDL_GL_STENCIL_SIZE, 0},
        {SDL_GL_DOUBLEBUFFER, format.doubleBuffer ? 1 : 0},
    };
    for (const auto& item : request) {
        if (SDL_GL_SetAttribute(item.attribute, item.value) != 0) return false;
    }
    return true;
}

} // namespace

// --- Application ---------------------------------------------------------------------------------------

Application::Application(MessageBoxes& messageBoxes) : instance{&messageBoxes}
{
}

Application::~Application() = default;

int Application::Run()
{
    const bool sdlWasRunning = SDL_WasInit(SDL_INIT_EVERYTHING) != 0;
    SDL_SetMainReady();
    const int result = InitInstance();
    if (!sdlWasRunning) {
        SDL_Quit();
    }
    return result;
}

// --- Message queue -------------------------------------------------------------------------------------

bool TakeMessage(Message* out)
{
    if (SDL_WasInit(SDL_INIT_EVENTS) == 0) return false;
    SDL_Event event;
    if (SDL_PollEvent(&event) == 0) return false;
    *out = Message{};
    // SDL_QUIT comes from a termination signal: it ends the run like a quit request.
    out->quit = event.type == QuitRequestType() || event.type == SDL_QUIT;
    out->exitCode = event.type == QuitRequestType() ? event.user.code : 0;
    std::memcpy(out->native, &event, sizeof event);
    return true;
}

bool WaitForMessage(int milliseconds)
{
    if (SDL_WasInit(SDL_INIT_EVENTS) == 0) return false;
    // A null event: SDL waits for one but leaves it on the queue for TakeMessage.
    return SDL_WaitEventTimeout(nullptr, milliseconds) != 0;
}

void DeliverMessage(const Message& message)
{
    if (message.quit) return;
    SDL_Event event;
    std::memcpy(&event, message.native, sizeof event);
    if (event.type == SDL_KEYDOWN) {
        if (NativeWindow* window = WindowById(event.key.windowID)) {
            window->target->OnKeyDown(static_cast<int>(event.key.keysym.sym));
        }
    } else if (event.type == SDL_WINDOWEVENT) {
        if (NativeWindow* window = WindowById(event.window.windowID)) {
            DispatchWindowEvent(window, event.window);
        }
    }
}

void PostQuitRequest(int exitCode)
{
    SDL_Event event{};
    event.type = QuitRequestType();
    event.user.code = exitCode;
    if (SDL_PushEvent(&event) < 0) {
        std::fprintf(stderr, "quit request lost: %s\n", SDL_GetError());
    }
}

// --- High-resolution counter ---------------------------------------------------------------------------

std::int64_t CounterFrequency()
{
    return static_cast<std::int64_t>(SDL_GetPerformanceFrequency());
}

std::int64_t CounterNow()
{
    return static_cast<std::int64_t>(SDL_GetPerformanceCounter());
}

// --- OpenGL window -------------------------------------------------------------------------------------

bool StartVideo()
{
    // The loop ends only through quit requests: closing the last window must not add one of SDL's own.
    SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
    // A message posted while another is handled (Escape's quit request) is taken at the very next
    // pass: no poll sentinel making the queue look empty in between.
    SDL_SetHint(SDL_HINT_POLL_SENTINEL, "0");
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
        std::fprintf(stderr, "video: %s\n", SDL_GetError());
        return false;
    }
    // Without a display SDL goes on to drivers that draw nowhere anyone sees: a window there is a
    // show nobody watches, reported as a success.
    const char* driver = SDL_GetCurrentVideoDriver();
    const char* asked = SDL_GetHint(SDL_HINT_VIDEODRIVER);
    const bool unseen =
        driver != nullptr && (std::strcmp(driver, "offscreen") == 0 || std::strcmp(driver, "dummy") == 0);
    if (unseen && (asked == nullptr || *asked == '\0')) {
        std::fprintf(stderr,
                     "video: no display to open a window on (neither DISPLAY nor WAYLAND_DISPLAY names "
                     "one that answers)\n");
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        return false;
    }
    return true;
}

void StopVideo()
{
    if (SDL_WasInit(SDL_INIT_VIDEO) != 0) {
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
    }
    if (SDL_WasInit(SDL_INIT_VIDEO) == 0) {
        modeChosen = false;
    }
}

bool ChangeDisplayMode(int width, int height, int bitsPerPixel)
{
    SDL_DisplayMode wanted{};
    wanted.format = bitsPerPixel == 16 ? SDL_PIXELFORMAT_RGB565 : SDL_PIXELFORMAT_RGB888;
    wanted.w = width;
    wanted.h = height;
    SDL_DisplayMode closest{};
    // SDL picks the nearest mode at least as large; only an exact size is the mode that was asked for.
    if (SDL_GetClosestDisplayMode(0, &wanted, &closest) == nullptr || closest.w != width ||
        closest.h != height) {
        return false;
    }
    fullScreenMode = closest;
    modeChosen = true;
    return true;
}

void RestoreDisplayMode()
{
    for (NativeWindow* window : openWindows) {
        if ((SDL_GetWindowFlags(window->surface.window) & SDL_WINDOW_FULLSCREEN) != 0) {
            SDL_SetWindowFullscreen(window->surface.window, 0);
        }
    }
    modeChosen = false;
}

void ShowPointer(bool shown)
{
    if (SDL_WasInit(SDL_INIT_VIDEO) != 0) {
        SDL_ShowCursor(shown ? SDL_ENABLE : SDL_DISABLE);
    }
}

NativeWindow* OpenNativeWindow(const char* title, int width, int height, bool fullScreen,
                               const PixelFormatRequest& format, WindowMessages* target)
{
    if (SDL_WasInit(SDL_INIT_VIDEO) == 0) return nullptr;
    // SDL chooses the window's pixel format (its X visual or EGL config) when it creates the window.
    SetGLAttributes(format);
    Uint32 flags = SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN | SDL_WINDOW_ALLOW_HIGHDPI;
    flags |= fullScreen ? SDL_WINDOW_FULLSCREEN : SDL_WINDOW_RESIZABLE;
    // (0, 0): the frame's top-left corner at the screen's; the window manager adds the frame outside.
    SDL_Window* sdlWindow = SDL_CreateWindow(title, 0, 0, width, height, flags);
    if (sdlWindow == nullptr) {
        std::fprintf(stderr, "window: %s\n", SDL_GetError());
        return nullptr;
    }
    if (fullScreen && modeChosen && SDL_SetWindowDisplayMode(sdlWindow, &fullScreenMode) != 0) {
        std::fprintf(stderr, "display mode: %s\n", SDL_GetError());
        SDL_DestroyWindow(sdlWindow);
        return nullptr;
    }
    auto* window = new NativeWindow;
    window->surface.window = sdlWindow;
    window->target = target;
    openWindows.push_back(window);
    return window;
}

void CloseNativeWindow(NativeWindow* window)
{
    if (window == nullptr) return;
    openWindows.erase(std::remove(openWindows.begin(), openWindows.end(), window), openWindows.end());
    SDL_DestroyWindow(window->surface.window);
    delete window;
    if (openWindows.empty()) {
        SDL_EnableScreenSaver();
    }
}

SurfaceHandle WindowSurface(NativeWindow* window)
{
    return window == nullptr ? nullptr : &window->surface;
}

bool MatchPixelFormat(SurfaceHandle surface, const PixelFormatRequest& /*format*/)
{
    // The format was matched against the request when the window was opened; UNKNOWN means none fitted.
    return surface != nullptr && SDL_GetWindowPixelFormat(surface->window) != SDL_PIXELFORMAT_UNKNOWN;
}

bool ApplyPixelFormat(SurfaceHandle surface, const PixelFormatRequest& format)
{
    if (surface == nullptr) return false;
    // The context is created from the attributes current at that moment: make them the request again.
    return SetGLAttributes(format);
}

RenderContextHandle CreateRenderContext(SurfaceHandle surface)
{
    if (surface == nullptr) return nullptr;
    SDL_GLContext context = SDL_GL_CreateContext(surface->window);
    if (context == nullptr) {
        std::fprintf(stderr, "GL context: %s\n", SDL_GetError());
    }
    return static_cast<RenderContext*>(context);
}

bool MakeCurrent(SurfaceHandle surface, RenderContextHandle context)
{
    if (SDL_WasInit(SDL_INIT_VIDEO) == 0) return false;
    SDL_Window* window = surface == nullptr ? nullptr : surface->window;
    return SDL_GL_MakeCurrent(window, static_cast<SDL_GLContext>(context)) == 0;
}

void DeleteRenderContext(RenderContextHandle context)
{
    if (context != nullptr) {
        SDL_GL_DeleteContext(static_cast<SDL_GLContext>(context));
    }
}

void ShowAndFocus(NativeWindow* window)
{
    SDL_ShowWindow(window->surface.window);
    SDL_RaiseWindow(window->surface.window);
    SDL_SetWindowInputFocus(window->surface.window); // not every driver can; raising is enough there
    SDL_DisableScreenSaver();
    // Swaps paced by the display's refresh pace the loop; a driver that refuses leaves it unpaced.
    SDL_GL_SetSwapInterval(1);
}

void DrawableSize(SurfaceHandle surface, int* width, int* height)
{
    SDL_GL_GetDrawableSize(surface->window, width, height);
}

void PresentFrame(SurfaceHandle surface)
{
    SDL_GL_SwapWindow(surface->window);
    ++surface->presented;
}

std::uint64_t PresentedFrames(SurfaceHandle surface)
{
    return surface == nullptr ? 0 : surface->presented;
}
