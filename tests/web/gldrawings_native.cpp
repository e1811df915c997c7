// tests/web/gldrawings_native.cpp -- the layer comparison's desktop half: the drawings on Mesa's GL,
// offscreen, written as a PPM (run: gldrawings_native OUT.ppm).
#include <SDL.h>
#include <GL/gl.h>

#include <cstdio>
#include <vector>

#include "gldrawings.h"

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: gldrawings_native OUT.ppm\n");
        return 2;
    }
    SDL_setenv("SDL_VIDEODRIVER", "offscreen", 1);
    if (SDL_Init(SDL_INIT_VIDEO) != 0) return 1;
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 2);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 1);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 16);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    const int width = kDrawingCount * kDrawingTile;
    SDL_Window* window =
        SDL_CreateWindow("gldrawings", 0, 0, width, kDrawingTile, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
    if (window == nullptr) return 1;
    SDL_GLContext context = SDL_GL_CreateContext(window);
    if (context == nullptr) return 1;
    DrawAllCases();
    glFinish();
    std::vector<unsigned char> rgb(static_cast<std::size_t>(width) * kDrawingTile * 3);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadBuffer(GL_BACK);
    glReadPixels(0, 0, width, kDrawingTile, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
    std::FILE* out = std::fopen(argv[1], "wb");
    if (out == nullptr) return 1;
    std::fprintf(out, "P6\n%d %d\n255\n", width, kDrawingTile);
    for (int y = kDrawingTile - 1; y >= 0; --y) {
        std::fwrite(&rgb[static_cast<std::size_t>(y) * width * 3], 1, static_cast<std::size_t>(width) * 3,
                    out);
    }
    const bool ok = std::fclose(out) == 0;
    SDL_GL_DeleteContext(context);
    SDL_DestroyWindow(window);
    SDL_Quit();
    return ok ? 0 : 1;
}
