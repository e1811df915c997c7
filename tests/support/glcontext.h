// tests/support/glcontext.h -- a real OpenGL compatibility context for tests, with no display server.
//
// GLTest opens one hidden SDL window with a GL 2.1 compatibility context per test program (SDL's
// offscreen video driver over EGL, Mesa's software rasteriser) and keeps it current. Each test starts
// from a clean state: viewport and both matrices reset, colour and depth cleared to black, matrices
// on the modelview stack. Pixels are read back from the back buffer, where everything is drawn.
#pragma once

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <array>
#include <functional>

struct Rgba {
    int r, g, b, a;
};

class GLTest : public ::testing::Test {
public:
    static constexpr int kWidth = 128;
    static constexpr int kHeight = 128;

    static void SetUpTestSuite();
    static void TearDownTestSuite();

protected:
    void SetUp() override;

    // The colour of pixel (x, y), x from the left and y from the bottom of the framebuffer.
    static Rgba ReadPixel(int x, int y);
    // The number of pixels whose colour differs from (r, g, b) by more than `tolerance` in any channel.
    static int CountPixelsNot(int r, int g, int b, int tolerance = 8);
    // The current modelview (or projection) matrix, column-major as GL keeps it.
    static std::array<float, 16> Matrix(GLenum which = GL_MODELVIEW_MATRIX);
    // Sets a projection that maps x and y in -1 to 1 onto the whole framebuffer, looking down -z.
    static void UseUnitOrtho();
    // Sets the 45-degree perspective the show uses, for a kWidth x kHeight framebuffer.
    static void UsePerspective();
    // The swap-free "present" tests need: glFinish.
    static void Finish();
};

// Matrices compared element by element within `eps`.
::testing::AssertionResult MatrixNear(const std::array<float, 16>& actual,
                                      const std::array<float, 16>& expected, float eps = 1e-4f);
// The matrix GL would hold after `apply` ran on an identity modelview matrix (computed by GL itself).
std::array<float, 16> MatrixOf(const std::function<void()>& apply);
