// platform/web/app_web.cpp -- platform/app.h in a browser: the page's canvas as the window, a WebGL context,
// keys from the document, in-page messages, the clock from performance.now().
//
// The page (web/brimt.js) owns the canvas (#canvas) and its size; full screen is the page's doing
// (the browser allows it only from a click or a key), so a window here is never full screen itself.
#include "platform/app.h"

#include <emscripten.h>
#include <emscripten/html5.h>

#include <cstring>
#include <deque>

#include "gl11.h"

struct NativeWindow {
    WindowMessages* target = nullptr;
    int width = 0;
    int height = 0;
};

struct DrawingSurface {
    NativeWindow* window = nullptr;
    std::uint64_t presented = 0;
};

struct RenderContext {
    EMSCRIPTEN_WEBGL_CONTEXT_HANDLE handle = 0;
};

namespace {

constexpr const char* kCanvas = "#canvas";

// What a queued message holds in Message::native.
struct WebEvent {
    NativeWindow* window;
    int key; // a key press: the key code
};
static_assert(sizeof(WebEvent) <= sizeof(Message::native), "a web event must fit in a Message");

NativeWindow* openWindow = nullptr; // the page has one canvas, so one window at a time
DrawingSurface openSurface;
RenderContext theContext; // WebGL contexts are kept once made: dropping one would blank the canvas
int videoCount = 0;
std::deque<Message> queue;

// The browser's key codes for the keys the show reacts to.
int KeyCode(const EmscriptenKeyboardEvent* event)
{
    if (std::strcmp(event->key, "Escape") == 0) return kKeyEscape;
    return static_cast<int>(event->keyCode);
}

EM_BOOL OnKey(int /*eventType*/, const EmscriptenKeyboardEvent* event, void* /*userData*/)
{
    if (openWindow == nullptr) return EM_FALSE;
    Message message;
    WebEvent web{openWindow, KeyCode(event)};
    std::memcpy(message.native, &web, sizeof web);
    queue.push_back(message);
    return EM_FALSE; // the page sees the key too (Escape also leaves full screen)
}

} // namespace

// --- Message boxes: in the page ------------------------------------------------------------------

EM_JS(void, brimt_show_message, (const char* caption, const char* text), {
    if (Module.brimtShowMessage) {
        Module.brimtShowMessage(UTF8ToString(caption), UTF8ToString(text));
    }
});

// True when the page wants its frames kept after they are shown (its test mode takes screenshots):
// a kept drawing buffer costs a copy a frame.
EM_JS(int, brimt_keep_frames, (), { return Module.brimtKeepFrames ? 1 : 0; });

namespace {

class PageMessageBoxes final : public MessageBoxes {
public:
    // The page shows the message and goes on; nothing waits in a browser. A question is answered No:
    // the only one (a refused full-screen mode) cannot come up here.
    MessageAnswer Show(const char* caption, const char* text, MessageButtons buttons, MessageIcon) override
    {
        emscripten_log(EM_LOG_CONSOLE, "%s: %s", caption, text);
        brimt_show_message(caption, text);
        return buttons == MessageButtons::YesNo ? MessageAnswer::No : MessageAnswer::Ok;
    }
};

} // namespace

MessageBoxes& SystemMessageBoxes()
{
    static PageMessageBoxes boxes;
    return boxes;
}

// --- Application -------------------------------------------------------------------------------------

Application::Application(MessageBoxes& messageBoxes) : instance{&messageBoxes}
{
}

Application::~Application() = default;

int Application::Run()
{
    return InitInstance();
}

// --- Message queue -------------------------------------------------------------------------------------

bool TakeMessage(Message* out)
{
    if (queue.empty()) return false;
    *out = queue.front();
    queue.pop_front();
    return true;
}

bool WaitForMessage(int /*milliseconds*/)
{
    // The browser cannot be waited on from inside a frame: the next animation frame comes anyway.
    return !queue.empty();
}

void DeliverMessage(const Message& message)
{
    if (message.quit) return;
    WebEvent web;
    std::memcpy(&web, message.native, sizeof web);
    if (web.window != nullptr && web.window == openWindow && web.window->target != nullptr) {
        web.window->target->OnKeyDown(web.key);
    }
}

void PostQuitRequest(int exitCode)
{
    Message message;
    message.quit = true;
    message.exitCode = exitCode;
    queue.push_back(message);
}

// --- High-resolution counter: microseconds -------------------------------------------------------------

std::int64_t CounterFrequency()
{
    return 1000000;
}

std::int64_t CounterNow()
{
    return static_cast<std::int64_t>(emscripten_get_now() * 1000.0);
}

// --- OpenGL window -------------------------------------------------------------------------------------

bool StartVideo()
{
    ++videoCount;
    return true;
}

void StopVideo()
{
    if (videoCount > 0) --videoCount;
}

bool ChangeDisplayMode(int, int, int)
{
    return true; // the page's full screen keeps the canvas's size
}

void RestoreDisplayMode()
{
}

void ShowPointer(bool)
{
}

NativeWindow* OpenNativeWindow(const char* /*title*/, int width, int height, bool /*fullScreen*/,
                               const PixelFormatRequest& /*format*/, WindowMessages* target)
{
    if (openWindow != nullptr) return nullptr;
    if (emscripten_set_canvas_element_size(kCanvas, width, height) != EMSCRIPTEN_RESULT_SUCCESS)
        return nullptr;
    openWindow = new NativeWindow{target, width, height};
    openSurface = DrawingSurface{openWindow, 0};
    queue.clear();
    emscripten_set_keydown_callback(EMSCRIPTEN_EVENT_TARGET_DOCUMENT, nullptr, EM_TRUE, OnKey);
    return openWindow;
}

void CloseNativeWindow(NativeWindow* window)
{
    if (window == nullptr || window != openWindow) return;
    emscripten_set_keydown_callback(EMSCRIPTEN_EVENT_TARGET_DOCUMENT, nullptr, EM_TRUE, nullptr);
    delete openWindow;
    openWindow = nullptr;
    openSurface = DrawingSurface{};
}

SurfaceHandle WindowSurface(NativeWindow* window)
{
    return window != nullptr && window == openWindow ? &openSurface : nullptr;
}

bool MatchPixelFormat(SurfaceHandle surface, const PixelFormatRequest&)
{
    return surface != nullptr;
}

bool ApplyPixelFormat(SurfaceHandle surface, const PixelFormatRequest&)
{
    return surface != nullptr;
}

RenderContextHandle CreateRenderContext(SurfaceHandle surface)
{
    if (surface == nullptr) return nullptr;
    if (theContext.handle <= 0) {
        EmscriptenWebGLContextAttributes attributes;
        emscripten_webgl_init_context_attributes(&attributes);
        attributes.alpha = EM_FALSE; // the desktop's surface has no alpha bits: a cleared frame is opaque
        attributes.depth = EM_TRUE;
        attributes.stencil = EM_FALSE;
        attributes.antialias = EM_FALSE; // as the desktop's single-sampled surface
        attributes.preserveDrawingBuffer = brimt_keep_frames() != 0; // the last frame stays for screenshots
        attributes.majorVersion = 1;
        attributes.minorVersion = 0;
        theContext.handle = emscripten_webgl_create_context(kCanvas, &attributes);
        if (theContext.handle <= 0) return nullptr;
        emscripten_webgl_make_context_current(theContext.handle);
        // 32-bit indices: one batch can hold a whole frame of the show.
        if (!emscripten_webgl_enable_extension(theContext.handle, "OES_element_index_uint")) return nullptr;
        if (!WebGlAttach()) return nullptr;
    }
    return &theContext;
}

bool MakeCurrent(SurfaceHandle /*surface*/, RenderContextHandle context)
{
    if (context == nullptr) return true; // releasing: WebGL has no "no context" to go back to
    return emscripten_webgl_make_context_current(context->handle) == EMSCRIPTEN_RESULT_SUCCESS;
}

void DeleteRenderContext(RenderContextHandle /*context*/)
{
    // Kept: the canvas keeps the last frame, and the next show draws with the same context.
    WebGlFlush();
}

void ShowAndFocus(NativeWindow*)
{
}

void DrawableSize(SurfaceHandle surface, int* width, int* height)
{
    if (surface == nullptr || surface->window == nullptr) return;
    *width = surface->window->width;
    *height = surface->window->height;
}

void PresentFrame(SurfaceHandle surface)
{
    // The browser shows the canvas once the animation-frame callback returns.
    WebGlFlush();
    if (surface != nullptr) ++surface->presented;
}

std::uint64_t PresentedFrames(SurfaceHandle surface)
{
    return surface != nullptr ? surface->presented : 0;
}
