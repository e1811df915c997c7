// tools/images/sdf.h -- signed distances (negative inside, in the units of the point given) of the
//   shapes the images are drawn with, and the ways to combine them.
#pragma once

#include <algorithm>
#include <cmath>
#include <vector>

struct Pt {
    float x;
    float y;
};

inline float Length(float x, float y)
{
    return std::sqrt(x * x + y * y);
}

// Circle of radius r about (cx, cy).
inline float SdCircle(float px, float py, float cx, float cy, float r)
{
    return Length(px - cx, py - cy) - r;
}

// Ellipse with radii rx, ry about (cx, cy). An approximation (exact on the axes, close elsewhere),
// good enough for anti-aliasing and for outlines a few pixels wide.
inline float SdEllipse(float px, float py, float cx, float cy, float rx, float ry)
{
    const float x = px - cx, y = py - cy;
    const float k0 = Length(x / rx, y / ry);
    const float k1 = Length(x / (rx * rx), y / (ry * ry));
    if (k1 <= 1e-12f) return -std::min(rx, ry);
    return k0 * (k0 - 1.0f) / k1;
}

// Box with half sizes hx, hy about (cx, cy) and corners rounded by `round`.
inline float SdBox(float px, float py, float cx, float cy, float hx, float hy, float round = 0.0f)
{
    const float qx = std::abs(px - cx) - hx + round, qy = std::abs(py - cy) - hy + round;
    return Length(std::max(qx, 0.0f), std::max(qy, 0.0f)) + std::min(std::max(qx, qy), 0.0f) - round;
}

// Distance to the segment from a to b (zero width: subtract a radius for a capsule).
inline float SdSegment(float px, float py, Pt a, Pt b)
{
    const float bx = b.x - a.x, by = b.y - a.y, qx = px - a.x, qy = py - a.y;
    const float len2 = bx * bx + by * by;
    const float h = len2 > 0.0f ? std::clamp((qx * bx + qy * by) / len2, 0.0f, 1.0f) : 0.0f;
    return Length(qx - bx * h, qy - by * h);
}

// Distance to an open polyline through `pts`.
inline float SdPolyline(float px, float py, const std::vector<Pt>& pts)
{
    float d = 1e9f;
    for (size_t i = 1; i < pts.size(); ++i)
        d = std::min(d, SdSegment(px, py, pts[i - 1], pts[i]));
    return d;
}

// Signed distance to a closed simple polygon (either winding).
inline float SdPolygon(float px, float py, const std::vector<Pt>& v)
{
    float d = 1e18f, s = 1.0f;
    const size_t n = v.size();
    for (size_t i = 0, j = n - 1; i < n; j = i, ++i) {
        const float ex = v[j].x - v[i].x, ey = v[j].y - v[i].y;
        const float wx = px - v[i].x, wy = py - v[i].y;
        const float h = std::clamp((wx * ex + wy * ey) / (ex * ex + ey * ey), 0.0f, 1.0f);
        const float bx = wx - ex * h, by = wy - ey * h;
        d = std::min(d, bx * bx + by * by);
        const bool c1 = py >= v[i].y, c2 = py<v[j].y, c3 = ex * wy> ey * wx;
        if ((c1 && c2 && c3) || (!c1 && !c2 && !c3)) s = -s;
    }
    return s * std::sqrt(d);
}

// Points along the quadratic Bezier curve a-c-b (c the control point), `n` segments.
inline std::vector<Pt> Bezier(Pt a, Pt c, Pt b, int n = 24)
{
    std::vector<Pt> pts;
    pts.reserve(static_cast<size_t>(n) + 1);
    for (int i = 0; i <= n; ++i) {
        const float t = static_cast<float>(i) / static_cast<float>(n), u = 1.0f - t;
        pts.push_back(
            {u * u * a.x + 2.0f * u * t * c.x + t * t * b.x, u * u * a.y + 2.0f * u * t * c.y + t * t * b.y});
    }
    return pts;
}

// Union that blends the two shapes over a width k (a fillet instead of a crease).
inline float SmoothUnion(float a, float b, float k)
{
    const float h = std::clamp(0.5f + 0.5f * (b - a) / k, 0.0f, 1.0f);
    return b + (a - b) * h - k * h * (1.0f - h);
}

// (px, py) turned by -angle (radians) about (cx, cy): evaluate a shape there to turn it by +angle.
inline Pt Unrotate(float px, float py, float cx, float cy, float angle)
{
    const float c = std::cos(angle), s = std::sin(angle), x = px - cx, y = py - cy;
    return {cx + c * x + s * y, cy - s * x + c * y};
}

// The bounding rectangle of the points, as x0, y0, x1, y1.
struct Bounds {
    float x0, y0, x1, y1;
};
inline Bounds BoundsOf(const std::vector<Pt>& pts)
{
    Bounds b = {1e9f, 1e9f, -1e9f, -1e9f};
    for (const Pt& p : pts) {
        b.x0 = std::min(b.x0, p.x);
        b.y0 = std::min(b.y0, p.y);
        b.x1 = std::max(b.x1, p.x);
        b.y1 = std::max(b.y1, p.y);
    }
    return b;
}
