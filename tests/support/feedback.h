// tests/support/feedback.h -- what GL itself made of a drawing: its primitives in GL's feedback mode.
#pragma once

#include <GL/gl.h>
#include <GL/glu.h>

#include <array>
#include <functional>
#include <vector>

// One primitive as GL's feedback mode reports it, its vertices taken back into the frame that was
// current when Feedback was called (model units): the transform the drawing applied is included.
struct FeedbackPrimitive {
    GLenum token = 0; // GL_POINT_TOKEN, GL_LINE_TOKEN, GL_LINE_RESET_TOKEN, GL_POLYGON_TOKEN, ...
    std::vector<std::array<double, 3>> vertices;
};

// Runs `draw` in feedback mode (nothing reaches the framebuffer) and returns what GL made of it,
// after clipping. The modelview matrix is restored afterwards.
inline std::vector<FeedbackPrimitive> Feedback(const std::function<void()>& draw)
{
    GLdouble modelview[16], projection[16];
    GLint viewport[4];
    glGetDoublev(GL_MODELVIEW_MATRIX, modelview);
    glGetDoublev(GL_PROJECTION_MATRIX, projection);
    glGetIntegerv(GL_VIEWPORT, viewport);

    static GLfloat buffer[4096];
    glFeedbackBuffer(4096, GL_3D, buffer);
    glRenderMode(GL_FEEDBACK);
    glPushMatrix();
    draw();
    glPopMatrix();
    const GLint used = glRenderMode(GL_RENDER);

    std::vector<FeedbackPrimitive> out;
    auto vertex = [&](GLint& i) {
        std::array<double, 3> v{};
        gluUnProject(buffer[i], buffer[i + 1], buffer[i + 2], modelview, projection, viewport, &v[0], &v[1],
                     &v[2]);
        i += 3;
        return v;
    };
    for (GLint i = 0; i < used;) {
        FeedbackPrimitive p;
        p.token = static_cast<GLenum>(buffer[i++]);
        int count = 0;
        switch (p.token) {
        case GL_POINT_TOKEN:
        case GL_BITMAP_TOKEN:
        case GL_DRAW_PIXEL_TOKEN:
        case GL_COPY_PIXEL_TOKEN:
            count = 1;
            break;
        case GL_LINE_TOKEN:
        case GL_LINE_RESET_TOKEN:
            count = 2;
            break;
        case GL_POLYGON_TOKEN:
            count = static_cast<int>(buffer[i++]);
            break;
        default: // GL_PASS_THROUGH_TOKEN and its value
            ++i;
            continue;
        }
        for (int k = 0; k < count; ++k) {
            p.vertices.push_back(vertex(i));
        }
        out.push_back(p);
    }
    return out;
}
