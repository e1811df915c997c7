// tools/makemodels/surfaces.cpp -- surfaces of revolution, swept tubes and prisms with texture coordinates.
#include "surfaces.h"

void AddLathe(Model& model, const std::vector<ProfilePoint>& profile, int segments, const LatheFrame& frame,
              double uRepeat, double vLength)
{
    // First vertex index of each profile point's ring; poles have `segments` vertices, rings one more.
    std::vector<int> first(profile.size());
    double along = 0.0;
    for (size_t i = 0; i < profile.size(); ++i) {
        if (i > 0) {
            along += std::hypot(profile[i].r - profile[i - 1].r, profile[i].h - profile[i - 1].h);
        }
        const ProfilePoint& p = profile[i];
        const Dvec centre = frame.origin + frame.axis * p.h;
        const double v = along / vLength;
        first[i] = static_cast<int>(model.vertices.size());
        if (p.r == 0.0) {
            // A pole: one vertex per segment, each with the u of its segment's middle.
            for (int s = 0; s < segments; ++s) {
                model.AddVertex(centre.x, centre.y, centre.z, (s + 0.5) / segments * uRepeat, v);
            }
            continue;
        }
        for (int s = 0; s <= segments; ++s) {
            const double angle = 2.0 * kPi * (s % segments) / segments;
            const Dvec q = centre + frame.radial1 * (p.r * frame.scale1 * std::cos(angle)) +
                           frame.radial2 * (p.r * frame.scale2 * std::sin(angle));
            model.AddVertex(q.x, q.y, q.z, static_cast<double>(s) / segments * uRepeat, v);
        }
    }

    for (size_t i = 0; i + 1 < profile.size(); ++i) {
        const bool pole0 = profile[i].r == 0.0;
        const bool pole1 = profile[i + 1].r == 0.0;
        const int r0 = first[i];
        const int r1 = first[i + 1];
        for (int s = 0; s < segments; ++s) {
            if (pole0 && pole1) {
                continue;
            } else if (pole0) {
                model.AddTriangle(r0 + s, r1 + s, r1 + s + 1);
            } else if (pole1) {
                model.AddTriangle(r0 + s, r1 + s, r0 + s + 1);
            } else {
                model.AddQuad(r0 + s, r1 + s, r1 + s + 1, r0 + s + 1);
            }
        }
    }
}

void AddSweep(Model& model, const std::vector<SweepStation>& stations, int corners, double vLength)
{
    // A rounded rectangle: `corners` points on each quarter of a superellipse-like outline.
    const int ring = 4 * corners;
    std::vector<double> c1(ring), c2(ring);
    for (int k = 0; k < ring; ++k) {
        const double angle = 2.0 * kPi * (k + 0.5) / ring;
        const double ca = std::cos(angle), sa = std::sin(angle);
        // |cos|^0.5 flattens the sides: the section reads as a bar with rounded corners.
        c1[k] = std::copysign(std::pow(std::fabs(ca), 0.5), ca);
        c2[k] = std::copysign(std::pow(std::fabs(sa), 0.5), sa);
    }

    std::vector<int> first(stations.size());
    double along = 0.0;
    for (size_t i = 0; i < stations.size(); ++i) {
        const SweepStation& st = stations[i];
        if (i > 0) {
            along += (st.centre - stations[i - 1].centre).Length();
        }
        first[i] = static_cast<int>(model.vertices.size());
        for (int k = 0; k <= ring; ++k) {
            const int j = k % ring;
            const Dvec q = st.centre + st.side1 * (st.half1 * c1[j]) + st.side2 * (st.half2 * c2[j]);
            model.AddVertex(q.x, q.y, q.z, static_cast<double>(k) / ring, along / vLength);
        }
    }
    for (size_t i = 0; i + 1 < stations.size(); ++i) {
        for (int k = 0; k < ring; ++k) {
            model.AddQuad(first[i] + k, first[i] + k + 1, first[i + 1] + k + 1, first[i + 1] + k);
        }
    }

    // End caps: a fan round the section's centre, mapped flat across the section.
    for (size_t end : {size_t{0}, stations.size() - 1}) {
        const SweepStation& st = stations[end];
        const int centre = model.AddVertex(st.centre.x, st.centre.y, st.centre.z, 0.5, 0.5);
        const int start = static_cast<int>(model.vertices.size());
        for (int k = 0; k < ring; ++k) {
            const Dvec q = st.centre + st.side1 * (st.half1 * c1[k]) + st.side2 * (st.half2 * c2[k]);
            model.AddVertex(q.x, q.y, q.z, 0.5 + 0.5 * c1[k], 0.5 + 0.5 * c2[k]);
        }
        for (int k = 0; k < ring; ++k) {
            const int a = start + k, b = start + (k + 1) % ring;
            if (end == 0) {
                model.faces.push_back(ModelFace{centre, b, a, false, true, false});
            } else {
                model.faces.push_back(ModelFace{centre, a, b, false, true, false});
            }
        }
    }
}

void AddPrism(Model& model, const std::vector<Dvec>& outline, double z0, double z1, double uvLength)
{
    const size_t n = outline.size();
    double around = 0.0;
    for (size_t k = 0; k < n; ++k) {
        const Dvec& p = outline[k];
        const Dvec& q = outline[(k + 1) % n];
        const double length = std::hypot(q.x - p.x, q.y - p.y);
        const int a = model.AddVertex(p.x, p.y, z0, around / uvLength, z0 / uvLength);
        const int b = model.AddVertex(q.x, q.y, z0, (around + length) / uvLength, z0 / uvLength);
        const int c = model.AddVertex(q.x, q.y, z1, (around + length) / uvLength, z1 / uvLength);
        const int d = model.AddVertex(p.x, p.y, z1, around / uvLength, z1 / uvLength);
        model.AddQuad(a, b, c, d);
        around += length;
    }
    for (double z : {z0, z1}) {
        const int start = static_cast<int>(model.vertices.size());
        for (const Dvec& p : outline) {
            model.AddVertex(p.x, p.y, z, p.x / uvLength, p.y / uvLength);
        }
        // A fan from the first corner: the outline is convex.
        for (size_t k = 1; k + 1 < n; ++k) {
            const int b = start + static_cast<int>(k), c = b + 1;
            if (z == z0) {
                model.faces.push_back(ModelFace{start, c, b, k == n - 2, true, k == 1});
            } else {
                model.faces.push_back(ModelFace{start, b, c, k == 1, true, k == n - 2});
            }
        }
    }
}
