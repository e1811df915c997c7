// tests/glcontext_test.cpp -- the headless context really rasterises: a drawn quad reads back.
#include <gtest/gtest.h>

#include <cstring>

#include "glcontext.h"

namespace {

class HeadlessContext : public GLTest {};

TEST_F(HeadlessContext, IsACompatibilityContextThatDrawsAndReadsBack)
{
    const char* version = reinterpret_cast<const char*>(glGetString(GL_VERSION));
    ASSERT_NE(version, nullptr);
    GLint depthBits = 0;
    glGetIntegerv(GL_DEPTH_BITS, &depthBits);
    EXPECT_GE(depthBits, 16);

    UseUnitOrtho();
    glColor3f(1.0f, 0.0f, 0.0f);
    glBegin(GL_QUADS); // immediate mode exists only in a compatibility context
    glVertex2f(-0.5f, -0.5f);
    glVertex2f(0.5f, -0.5f);
    glVertex2f(0.5f, 0.5f);
    glVertex2f(-0.5f, 0.5f);
    glEnd();
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));

    const Rgba centre = ReadPixel(kWidth / 2, kHeight / 2);
    EXPECT_EQ(centre.r, 255);
    EXPECT_EQ(centre.g, 0);
    const Rgba corner = ReadPixel(2, 2);
    EXPECT_EQ(corner.r, 0);
    EXPECT_NEAR(CountPixelsNot(0, 0, 0), kWidth * kHeight / 4, kWidth * 2);
}

} // namespace
