// platform/surface.h -- the drawing surface of a GL window: what frames are presented on and what a GL
// context is bound to. Opaque outside the platform layer; the window hands it out.
#pragma once

struct DrawingSurface;
using SurfaceHandle = DrawingSurface*;
