// tests/valgrind/show_memcheck.cpp -- the show's engine from start to end on the headless GL context, for
// a memory checker to watch (`make valgrind`): every asset loaded by DemoWindow::Init, a few frames of
// each scene, Release, and the context closed. Exits 1 when a step fails. Run from the source folder.
#include <GL/gl.h>
#include <SDL.h>

#include <cstdio>
#include <cstdlib>

#include "brimt/demowindow.h"
#include "platform/app.h"

namespace {

constexpr int kSize = 128;

int Fail(const char* what)
{
    std::fprintf(stderr, "show_memcheck: %s\n", what);
    return 1;
}

} // namespace

int main()
{
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    if (SDL_Init(SDL_INIT_VIDEO) != 0) {
        return Fail(SDL_GetError());
    }
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 2);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 1);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 16);
    SDL_Window* window =
        SDL_CreateWindow("show_memcheck", 0, 0, kSize, kSize, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
    if (window == nullptr) {
        return Fail(SDL_GetError());
    }
    SDL_GLContext context = SDL_GL_CreateContext(window);
    if (context == nullptr || SDL_GL_MakeCurrent(window, context) != 0) {
        return Fail(SDL_GetError());
    }

    int result = 0;
    {
        DemoWindow show;
        show.Resize(kSize, kSize);
        if (!show.Init()) {
            result = Fail("Init failed (run from the folder that holds DATA/)");
        } else {
            // Three frames at each song position of the four scenes and the empty one, on beat rows
            // and off them, then the song's end, which asks the loop to quit.
            float time = 0.0f;
            for (std::uint32_t position = 0; position <= 12; ++position) {
                for (std::uint32_t row = 0; row < 3; ++row, time += 0.05f) {
                    PlayStatus status{};
                    status.songPosition = position;
                    status.row = row * 4;
                    show.Render(time, &status);
                }
            }
            glFinish();
            Message message;
            while (TakeMessage(&message)) {
            }
            if (glGetError() != GL_NO_ERROR) {
                result = Fail("a GL error while drawing");
            }
        }
        if (!show.Release()) {
            result = Fail("Release failed");
        }
    }

    SDL_GL_DeleteContext(context);
    SDL_DestroyWindow(window);
    SDL_Quit();
    if (result == 0) {
        std::printf("show_memcheck: every scene drawn, the show released\n");
    }
    return result;
}
