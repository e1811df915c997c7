// brimt/capture.cpp -- CaptureShow: the program's run with the capture's frame path, the song renderer
// and an offscreen window.
#include "capture.h"

#include <algorithm> // Required for: std::replace()
#include <cstdio>
#include <cstdlib> // Required for: setenv()
#include <string>

#include "brimt.h"
#include "capturepath.h"
#include "demowindow.h"
#include "platform/app.h"

namespace {

// A capture has nobody to click a message box: every message goes to stderr, questions answer No.
class StderrMessageBoxes : public MessageBoxes {
public:
    MessageAnswer Show(const char* caption, const char* text, MessageButtons buttons, MessageIcon) override
    {
        std::string line = text;
        std::replace(line.begin(), line.end(), '\n', ' ');
        std::fprintf(stderr, "%s: %s\n", caption, line.c_str());
        return buttons == MessageButtons::YesNo ? MessageAnswer::No : MessageAnswer::Ok;
    }
};

} // namespace

int CaptureShow(const CaptureSettings& settings, const FrameObserver& observer)
{
    // SDL's offscreen driver: a GL context on EGL with no display, whatever DISPLAY says.
    setenv("SDL_VIDEODRIVER", "offscreen", 1);
    std::unique_ptr<SongRenderer> song = CreateSongRenderer();
    StderrMessageBoxes boxes;
    DemoApp app(
        [&settings] {
            auto window = std::make_unique<DemoWindow>();
            window->width = settings.width;
            window->height = settings.height;
            window->bitsPerPixel = 32;
            window->fullScreen = false;
            window->dataFolder = settings.dataFolder;
            return window;
        },
        *song, boxes);
    app.askSettings = false;
    CaptureSource source(*song, settings.fps);
    CaptureSink sink(settings, source, observer);
    app.UseFrameSource(source);
    app.UseFrameSink(sink);
    return app.Run();
}
