// brimt/capturepath.cpp -- CaptureSource (frame times, the song in step) and CaptureSink (pixel-buffer
// read-back handed to the observer).
#define GL_GLEXT_PROTOTYPES 1 // pixel buffer objects: core since GL 2.1, exported by libGL
#include "capturepath.h"

#include <GL/gl.h>
#include <GL/glext.h>

#include <cstring> // Required for: std::memcpy()

#include "livepath.h" // Required for: ClockSeconds(), the live clock's rounding
#include "platform/app.h"

namespace {

constexpr int kBytesPerPixel = 4; // read back as RGBA: the renderer's own layout, the cheapest read

} // namespace

std::int64_t FirstSampleOfFrame(std::int64_t index, int fps)
{
    return index * SongRenderer::kSampleRate / fps;
}

// --- source --------------------------------------------------------------------------------------------

CaptureSource::CaptureSource(SongRenderer& songRenderer, int framesPerSecond)
    : song(songRenderer), fps(framesPerSecond)
{
}

void CaptureSource::Start(MusicLibrary&, PlayHandle)
{
    frame = 0;
    given.assign(1, Given{0, 0.0f, PlayStatus{}});
    audio.clear();
    audioStart = 0;
}

void CaptureSource::Next(PlayStatus* status, float* time)
{
    ++frame;
    song.RenderTo(FirstSampleOfFrame(frame, fps), &audio);
    *status = song.Status();
    *time = ClockSeconds(0, frame, fps);
    given.push_back(Given{frame, *time, *status});
}

bool CaptureSource::Take(std::int64_t index, CapturedFrame* out)
{
    while (!given.empty() && given.front().index < index)
        given.pop_front();
    if (given.empty() || given.front().index != index || index >= frame) return false;
    const std::int64_t first = FirstSampleOfFrame(index, fps);
    const std::int64_t next = FirstSampleOfFrame(index + 1, fps);
    // The sound before this frame's is handed over already.
    audio.erase(audio.begin(), audio.begin() + 2 * (first - audioStart));
    audioStart = first;
    out->index = index;
    out->time = given.front().time;
    out->status = given.front().status;
    out->audio = audio.data();
    out->audioFrames = static_cast<std::size_t>(next - first);
    given.pop_front();
    return true;
}

// --- sink ----------------------------------------------------------------------------------------------

CaptureSink::CaptureSink(const CaptureSettings& captureSettings, CaptureSource& frameSource,
                         const FrameObserver& frameObserver)
    : settings(captureSettings), source(frameSource), observer(frameObserver)
{
}

CaptureSink::~CaptureSink() = default; // the buffers went with Stop, or with the GL context

void CaptureSink::Prepare()
{
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

void CaptureSink::Present(SurfaceHandle surface)
{
    if (slots.empty()) Prepare();
    if (inFlight == kFramesInFlight) HandOverOldest();

    // Queue the read-back of the frame just drawn; the copy happens while the next frames are drawn.
    Slot& slot = slots[static_cast<std::size_t>(presented % kFramesInFlight)];
    slot.index = source.Frame();
    GLint packAlignment = 4;
    glGetIntegerv(GL_PACK_ALIGNMENT, &packAlignment);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glBindBuffer(GL_PIXEL_PACK_BUFFER, slot.buffer);
    glReadPixels(0, 0, settings.width, settings.height, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    glBindBuffer(GL_PIXEL_PACK_BUFFER, 0);
    glPixelStorei(GL_PACK_ALIGNMENT, packAlignment);
    ++inFlight;

    PresentFrame(surface);
    ++presented;

    const bool limitReached = settings.frameLimit > 0 && presented >= settings.frameLimit;
    if ((limitReached || stopped) && !quitPosted) {
        quitPosted = true;
        PostQuitRequest(0); // the loop ends at its next pass, as on Escape
    }
}

void CaptureSink::HandOverOldest()
{
    Slot& slot = slots[static_cast<std::size_t>(handedOver % kFramesInFlight)];
    glBindBuffer(GL_PIXEL_PACK_BUFFER, slot.buffer);
    const auto* pixels = static_cast<const unsigned char*>(glMapBuffer(GL_PIXEL_PACK_BUFFER, GL_READ_ONLY));
    CapturedFrame captured{};
    if (pixels != nullptr && !stopped && source.Take(slot.index, &captured)) {
        // GL rows run from the bottom up; the frame's from the top down, without the alpha byte.
        const std::size_t width = static_cast<std::size_t>(settings.width);
        const std::size_t height = static_cast<std::size_t>(settings.height);
        for (std::size_t y = 0; y < height; ++y) {
            const unsigned char* from = pixels + (height - 1 - y) * width * kBytesPerPixel;
            unsigned char* to = rgb.data() + y * width * 3;
            // Four bytes a pixel copied, three kept: the fourth is the next pixel's first, written
            // over by it; the row's last pixel is copied bytewise so as not to run past the row.
            for (std::size_t x = 0; x + 1 < width; ++x, from += kBytesPerPixel, to += 3)
                std::memcpy(to, from, 4);
            to[0] = from[0];
            to[1] = from[1];
            to[2] = from[2];
        }
        captured.width = settings.width;
        captured.height = settings.height;
        captured.rgb = rgb.data();
        if (!observer(captured)) stopped = true;
    }
    if (pixels != nullptr) glUnmapBuffer(GL_PIXEL_PACK_BUFFER);
    glBindBuffer(GL_PIXEL_PACK_BUFFER, 0);
    ++handedOver;
    --inFlight;
}

void CaptureSink::Stop()
{
    while (inFlight > 0)
        HandOverOldest();
    for (Slot& slot : slots) {
        glDeleteBuffers(1, &slot.buffer);
        slot.buffer = 0;
    }
    slots.clear();
}
