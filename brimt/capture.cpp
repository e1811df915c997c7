// brimt/capture.cpp -- the offline run: CaptureClock (pixel-buffer read-back, the song in step) and
// CaptureShow (the program's run with that clock, the song renderer and an offscreen window).
#define GL_GLEXT_PROTOTYPES 1 // pixel buffer objects: core since GL 2.1, exported by libGL
#include "capture.h"

#include <GL/gl.h>
#include <GL/glext.h>

#include <algorithm> // Required for: std::replace()
#include <cstdio>
#include <cstdlib> // Required for: setenv()
#include <string>

#include "brimt.h"
#include "demowindow.h"
#include "platform/app.h"

namespace {

constexpr int kBytesPerPixel = 4; // read back as RGBA: the renderer's own layout, the cheapest read

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

std::int64_t FirstSampleOfFrame(std::int64_t index, int fps)
{
    return index * SongRenderer::kSampleRate / fps;
}

CaptureClock::CaptureClock(const CaptureSettings& captureSettings, SongRenderer& songRenderer,
                           const FrameObserver& frameObserver)
    : settings(captureSettings), song(songRenderer), observer(frameObserver)
{
}

CaptureClock::~CaptureClock() = default; // the buffers went with Stop, or with the GL context

void CaptureClock::Start()
{
    frame = 0;
    handedOver = 0;
    inFlight = 0;
    stopped = false;
    quitPosted = false;
    audio.clear();
    audioStart = 0;
    rgb.assign(static_cast<std::size_t>(settings.width) * static_cast<std::size_t>(settings.height) * 3, 0);
    slots.assign(kFramesInFlight, Slot{});
    const GLsizeiptr size = static_cast<GLsizeiptr>(settings.width) * settings.height * kBytesPerPixel;
    for (Slot& slot : slots) {
        glGenBuffers(1, &slot.buffer);
        glBindBuffer(GL_PIXEL_PACK_BUFFER, slot.buffer);
        glBufferData(GL_PIXEL_PACK_BUFFER, size, nullptr, GL_STREAM_READ);
    }
    glBindBuffer(GL_PIXEL_PACK_BUFFER, 0);
}

void CaptureClock::Present(SurfaceHandle surface)
{
    if (inFlight == kFramesInFlight) HandOverOldest();

    // Queue the read-back of the frame just drawn; the copy happens while the next frames are drawn.
    Slot& slot = slots[static_cast<std::size_t>(frame % kFramesInFlight)];
    slot.index = frame;
    slot.time = Seconds();
    slot.status = frame == 0 ? PlayStatus{} : song.Status(); // what the loop handed to Render
    GLint packAlignment = 4;
    glGetIntegerv(GL_PACK_ALIGNMENT, &packAlignment);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glBindBuffer(GL_PIXEL_PACK_BUFFER, slot.buffer);
    glReadPixels(0, 0, settings.width, settings.height, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    glBindBuffer(GL_PIXEL_PACK_BUFFER, 0);
    glPixelStorei(GL_PACK_ALIGNMENT, packAlignment);
    ++inFlight;

    PresentFrame(surface);
    ++frame;
    // The song moves on to the next frame's time: the status the loop reads next is that frame's.
    song.RenderTo(FirstSampleOfFrame(frame, settings.fps), &audio);

    const bool limitReached = settings.frameLimit > 0 && frame >= settings.frameLimit;
    if ((limitReached || stopped) && !quitPosted) {
        quitPosted = true;
        PostQuitRequest(0); // the loop ends at its next pass, as on Escape
    }
}

float CaptureClock::Seconds()
{
    return ClockSeconds(0, frame, settings.fps);
}

void CaptureClock::HandOverOldest()
{
    Slot& slot = slots[static_cast<std::size_t>(handedOver % kFramesInFlight)];
    glBindBuffer(GL_PIXEL_PACK_BUFFER, slot.buffer);
    const auto* pixels = static_cast<const unsigned char*>(glMapBuffer(GL_PIXEL_PACK_BUFFER, GL_READ_ONLY));
    if (pixels != nullptr && !stopped) {
        // GL rows run from the bottom up; the frame's from the top down, without the alpha byte.
        const std::size_t width = static_cast<std::size_t>(settings.width);
        const std::size_t height = static_cast<std::size_t>(settings.height);
        for (std::size_t y = 0; y < height; ++y) {
            const unsigned char* from = pixels + (height - 1 - y) * width * kBytesPerPixel;
            unsigned char* to = rgb.data() + y * width * 3;
            for (std::size_t x = 0; x < width; ++x, from += kBytesPerPixel, to += 3) {
                to[0] = from[0];
                to[1] = from[1];
                to[2] = from[2];
            }
        }
        const std::int64_t first = FirstSampleOfFrame(slot.index, settings.fps);
        const std::int64_t next = FirstSampleOfFrame(slot.index + 1, settings.fps);
        CapturedFrame captured{};
        captured.index = slot.index;
        captured.time = slot.time;
        captured.status = slot.status;
        captured.width = settings.width;
        captured.height = settings.height;
        captured.rgb = rgb.data();
        captured.audio = audio.data() + 2 * (first - audioStart);
        captured.audioFrames = static_cast<std::size_t>(next - first);
        if (!observer(captured)) stopped = true;
        // The sound handed over is dropped; what follows stays for the next frames.
        audio.erase(audio.begin(), audio.begin() + 2 * (next - audioStart));
        audioStart = next;
    }
    if (pixels != nullptr) glUnmapBuffer(GL_PIXEL_PACK_BUFFER);
    glBindBuffer(GL_PIXEL_PACK_BUFFER, 0);
    ++handedOver;
    --inFlight;
}

void CaptureClock::Stop()
{
    while (inFlight > 0)
        HandOverOldest();
    for (Slot& slot : slots) {
        glDeleteBuffers(1, &slot.buffer);
        slot.buffer = 0;
    }
    slots.clear();
}

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
    CaptureClock clock(settings, *song, observer);
    app.UseClock(clock);
    return app.Run();
}
