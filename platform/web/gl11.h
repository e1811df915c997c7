// platform/web/gl11.h -- OpenGL 1.1 and GLU, the part the engine and the show call, over WebGL 1.
//
// What:   the layer defines glBegin, glVertex3f, glCallLists, gluBuild2DMipmaps, gluPerspective and the
//         rest of the GL 1.1 and GLU subset below as plain C functions (the prototypes of <GL/gl.h>
//         and <GL/glu.h>), so that glarve/ and brimt/ compile and draw unchanged. It keeps GL 1.1's
//         state itself (matrix stacks, current colour, normal and texture coordinate, enables, the
//         default light and the front material, display lists, client arrays, the attribute bits
//         used) and hands WebGL finished batches of triangles, lines and points.
// How:    every vertex is taken to clip space and lit on the CPU when it is given (glEnd, glDrawElements,
//         a list's replay), so a change of matrix or colour costs no draw call; vertices gather into
//         one batch until a state that WebGL must know changes (texture, blending, depth test, kind of
//         primitive), a clear, or the frame's end (glFlush, WebGlFlush).
// Needs:  a current WebGL 1 context (WebGlAttach), OES_element_index_uint for batches over 65536
//         vertices. Emscripten's emscripten_gl* entry points reach WebGL.
// Limits: WebGL has no wide or smoothed lines: with GL_LINE_SMOOTH and blending on, a line is
//         drawn as a quad two pixels wide whose alpha falls off from its middle (a one-pixel line's
//         coverage), otherwise as WebGL's one-pixel aliased line; glLineWidth is absent. Polygon
//         smoothing, stippling, fog, accumulation and the other GL
//         1.1 features the show does not use are absent (their calls are not defined at all, so a
//         new use fails to link rather than draw wrongly). Only light 0, the front material, smooth
//         shading and the modulate texture environment exist. Images are rescaled to powers of two
//         by gluBuild2DMipmaps (as GLU does), so every texture object is complete and repeatable.
#pragma once

// Takes the WebGL context current on this thread for the layer's own use: compiles its program and
// makes its buffers. Returns false when the program does not build (no drawing then).
bool WebGlAttach();
// Sends what is gathered to WebGL. The host calls it once a frame is drawn; glFlush does the same.
void WebGlFlush();
// While `discard` is true, everything drawn is dropped before it reaches WebGL (the GL state still
// follows every call): a host that needs only a late frame of the show runs the earlier ones so.
void WebGlDiscardDrawing(bool discard);
