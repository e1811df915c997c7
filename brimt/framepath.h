// brimt/framepath.h -- the road of one frame: a source gives its time and play status, a sink takes it.
//
// DemoApp (brimt.h) runs every frame the same way, whatever the host: take the waiting messages,
// Render with the time and status, Present the frame to the sink, ask the source for the next time
// and status. A host is a choice of one source and one sink, never a loop of its own:
//   live     LiveSource (the high-resolution counter, the music library's status) and LiveSink
//            (a buffer swap, with an optional frame-rate cap): livepath.h.
//   capture  CaptureSource (frame k at k / fps, the song rendered in step) and CaptureSink (read
//            back through pixel buffers, handed to an observer): capturepath.h.
//   web      the audio clock, and nothing to present (the browser shows the canvas by itself).
#pragma once

#include "platform/music.h"
#include "platform/surface.h"

// Gives each frame its show time and play status (one per host: live = counter clock + music
// library status; capture = frame k at k / fps and the song rendered in step; web = audio clock).
class FrameSource {
public:
    virtual ~FrameSource() = default;
    // The show starts now; `music` is playing `play` (read its status through it, or not).
    virtual void Start(MusicLibrary& music, PlayHandle play) = 0;
    // After each pass's present: the play status, then the show time (seconds since Start), for
    // the next frame.
    virtual void Next(PlayStatus* status, float* time) = 0;
    // The loop is over; the GL context is still current.
    virtual void Stop() = 0;
};

// Where a drawn frame goes (live = buffer swap, paced/capped; capture = read back, encode, write;
// web = nothing, the browser presents the canvas after the animation-frame callback).
class FrameSink {
public:
    virtual ~FrameSink() = default;
    // The frame in the back buffer (not drawn while the window is inactive) goes out on `surface`.
    virtual void Present(SurfaceHandle surface) = 0;
    // The loop is over; the GL context is still current (hand over what is in flight).
    virtual void Stop() = 0;
};
