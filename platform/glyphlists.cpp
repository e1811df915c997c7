// platform/glyphlists.cpp -- a glyph's shape compiled into its display list, on the desktop and in the
// browser alike: the same calls in the same order, so both get the same vertices.
#include "glyphshapes.h"

#include <GL/gl.h> // Required for: display lists and immediate-mode drawing

#include <cmath>

namespace {

float F(double v)
{
    return static_cast<float>(v);
}

const GlyphVertex& VertexAt(const GlyphShape& shape, std::uint32_t index)
{
    for (const GlyphContour& c : shape.contours) {
        if (index < c.points.size()) {
            return c.points[index];
        }
        index -= static_cast<std::uint32_t>(c.points.size());
    }
    return shape.extraVertices[index];
}

void EmitPolygons(const GlyphShape& shape, float depth)
{
    // The triangles' vertices, looked up once: a glyph has a few hundred at most.
    std::vector<const GlyphVertex*> fill;
    fill.reserve(shape.triangles.size());
    for (const std::uint32_t index : shape.triangles) {
        fill.push_back(&VertexAt(shape, index));
    }
    const float back = -depth;
    if (!fill.empty()) {
        glNormal3f(0.0f, 0.0f, 1.0f);
        glBegin(GL_TRIANGLES);
        for (const GlyphVertex* v : fill) {
            glVertex3f(F(v->x), F(v->y), 0.0f);
        }
        glEnd();
        if (depth > 0.0f) {
            // The back face faces -z: the same triangles, each in reverse order.
            glNormal3f(0.0f, 0.0f, -1.0f);
            glBegin(GL_TRIANGLES);
            for (size_t i = fill.size(); i > 0; --i) {
                glVertex3f(F(fill[i - 1]->x), F(fill[i - 1]->y), back);
            }
            glEnd();
        }
    }
    if (depth <= 0.0f) {
        return;
    }
    // Side walls, one quad per chord, facing away from the ink.
    const bool fillRight = shape.fillRight;
    glBegin(GL_QUADS);
    for (const GlyphContour& c : shape.contours) {
        const size_t n = c.points.size();
        for (size_t i = 0; i < n; ++i) {
            const GlyphVertex p0 = c.points[i];
            const GlyphVertex p1 = c.points[(i + 1) % n];
            const double dx = p1.x - p0.x;
            const double dy = p1.y - p0.y;
            const double len = std::sqrt(dx * dx + dy * dy);
            const double nx = (fillRight ? -dy : dy) / len;
            const double ny = (fillRight ? dx : -dx) / len;
            glNormal3f(F(nx), F(ny), 0.0f);
            const float x0 = F(p0.x), y0 = F(p0.y);
            const float x1 = F(p1.x), y1 = F(p1.y);
            if (fillRight) {
                glVertex3f(x0, y0, 0.0f);
                glVertex3f(x1, y1, 0.0f);
                glVertex3f(x1, y1, back);
                glVertex3f(x0, y0, back);
            } else {
                glVertex3f(x0, y0, 0.0f);
                glVertex3f(x0, y0, back);
                glVertex3f(x1, y1, back);
                glVertex3f(x1, y1, 0.0f);
            }
        }
    }
    glEnd();
}

void EmitLines(const GlyphShape& shape, float depth)
{
    glNormal3f(0.0f, 0.0f, 1.0f);
    const int faces = depth > 0.0f ? 2 : 1;
    for (int face = 0; face < faces; ++face) {
        const float z = face == 0 ? 0.0f : -depth;
        for (const GlyphContour& c : shape.contours) {
            glBegin(GL_LINE_LOOP);
            for (const GlyphVertex& p : c.points) {
                glVertex3f(F(p.x), F(p.y), z);
            }
            glEnd();
        }
    }
    if (depth <= 0.0f) {
        return;
    }
    // Joins between front and back at the outline's corners only, not at every chord of a curve.
    glBegin(GL_LINES);
    for (const GlyphContour& c : shape.contours) {
        for (size_t i = 0; i < c.points.size(); ++i) {
            if (c.corners[i] != 0) {
                glVertex3f(F(c.points[i].x), F(c.points[i].y), 0.0f);
                glVertex3f(F(c.points[i].x), F(c.points[i].y), -depth);
            }
        }
    }
    glEnd();
}

} // namespace

void CompileGlyphList(const GlyphShape& shape, unsigned int list, float depth, bool polygons)
{
    glNewList(list, GL_COMPILE);
    if (!shape.contours.empty()) {
        if (polygons) {
            EmitPolygons(shape, depth);
        } else {
            EmitLines(shape, depth);
        }
    }
    glTranslatef(shape.metrics.gmfCellIncX, shape.metrics.gmfCellIncY, 0.0f);
    glEndList();
}
