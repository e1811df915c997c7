// tests/support/glcontext.cpp -- opens the headless GL context that GL tests draw into.
#include "glcontext.h"

#include <GL/glu.h>
#include <SDL.h>

#include <cmath>
#include <cstdlib>

namespace {
SDL_Window* window = nullptr;
SDL_GLContext context = nullptr;
} // namespace

void GLTest::SetUpTestSuite()
{
    if (context != nullptr) {
        return;
    }
    // No display here: the offscreen driver renders through EGL into a pbuffer.
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO), 0) << SDL_GetError();
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 2);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 1);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_ALPHA_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 16);
    window = SDL_CreateWindow("gltest", 0, 0, kWidth, kHeight, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
    ASSERT_NE(window, nullptr) << SDL_GetError();
    context = SDL_GL_CreateContext(window);
    ASSERT_NE(context, nullptr) << SDL_GetError();
    ASSERT_EQ(SDL_GL_MakeCurrent(window, context), 0) << SDL_GetError();
}

void GLTest::TearDownTestSuite()
{
    // The context stays open for the next suite of the same program; the process exit frees it.
}

void GLTest::SetUp()
{
    ASSERT_NE(context, nullptr) << "no GL context";
    while (glGetError() != GL_NO_ERROR) {
    }
    glViewport(0, 0, kWidth, kHeight);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glDisable(GL_LIGHTING);
    glDisable(GL_BLEND);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_LINE_SMOOTH);
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadBuffer(GL_BACK);
}

Rgba GLTest::ReadPixel(int x, int y)
{
    unsigned char p[4] = {};
    glFinish();
    glReadPixels(x, y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, p);
    return Rgba{p[0], p[1], p[2], p[3]};
}

int GLTest::CountPixelsNot(int r, int g, int b, int tolerance)
{
    static unsigned char pixels[kWidth * kHeight * 4];
    glFinish();
    glReadPixels(0, 0, kWidth, kHeight, GL_RGBA, GL_UNSIGNED_BYTE, pixels);
    int count = 0;
    for (int i = 0; i < kWidth * kHeight; ++i) {
        const unsigned char* p = pixels + 4 * i;
        if (std::abs(p[0] - r) > tolerance || std::abs(p[1] - g) > tolerance ||
            std::abs(p[2] - b) > tolerance) {
            ++count;
        }
    }
    return count;
}

std::array<float, 16> GLTest::Matrix(GLenum which)
{
    std::array<float, 16> m{};
    glGetFloatv(which, m.data());
    return m;
}

void GLTest::UseUnitOrtho()
{
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(-1.0, 1.0, -1.0, 1.0, -1000.0, 1000.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

void GLTest::UsePerspective()
{
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(45.0, static_cast<double>(kWidth) / kHeight, 0.1, 1000.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

void GLTest::Finish()
{
    glFinish();
}

::testing::AssertionResult MatrixNear(const std::array<float, 16>& actual,
                                      const std::array<float, 16>& expected, float eps)
{
    for (int i = 0; i < 16; ++i) {
        if (std::fabs(actual[i] - expected[i]) > eps) {
            auto result = ::testing::AssertionFailure();
            result << "element " << i << ": " << actual[i] << " != " << expected[i] << "\nactual:  ";
            for (float v : actual)
                result << v << ' ';
            result << "\nexpected:";
            for (float v : expected)
                result << ' ' << v;
            return result;
        }
    }
    return ::testing::AssertionSuccess();
}

std::array<float, 16> MatrixOf(const std::function<void()>& apply)
{
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    apply();
    std::array<float, 16> m{};
    glGetFloatv(GL_MODELVIEW_MATRIX, m.data());
    glPopMatrix();
    return m;
}
