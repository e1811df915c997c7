// tools/makemodels/surfaces.h -- building blocks for the models: surfaces of revolution, swept tubes, prisms.
#pragma once

#include <cmath>
#include <vector>

#include "model.h"

// A point or direction in model units, double precision (the files keep four decimals).
struct Dvec {
    double x, y, z;

    Dvec operator+(const Dvec& q) const { return Dvec{x + q.x, y + q.y, z + q.z}; }
    Dvec operator-(const Dvec& q) const { return Dvec{x - q.x, y - q.y, z - q.z}; }
    Dvec operator*(double s) const { return Dvec{x * s, y * s, z * s}; }
    double Dot(const Dvec& q) const { return x * q.x + y * q.y + z * q.z; }
    Dvec Cross(const Dvec& q) const { return Dvec{y * q.z - z * q.y, z * q.x - x * q.z, x * q.y - y * q.x}; }
    double Length() const { return std::sqrt(Dot(*this)); }
    Dvec Normalised() const { return *this * (1.0 / Length()); }
};

constexpr double kPi = 3.14159265358979323846;

// One point of a profile: distance `r` from the axis and position `h` along it, in model units.
struct ProfilePoint {
    double r;
    double h;
};

// Where a surface of revolution stands: a point of the axis, the axis direction and two radial
// directions (all three unit and at right angles). `scale1` and `scale2` stretch the radius along
// the two radial directions, for an oval section.
struct LatheFrame {
    Dvec origin;
    Dvec axis;
    Dvec radial1;
    Dvec radial2;
    double scale1 = 1.0;
    double scale2 = 1.0;
};

// Turns `profile` about the frame's axis in `segments` steps. A point with r = 0 is a pole (a fan of
// triangles); other points are rings of segments + 1 vertices, the last repeating the first with
// u = 1 so that the texture does not wrap backwards across the seam. u runs once round the axis
// (times `uRepeat`); v is the distance along the profile divided by `vLength`.
void AddLathe(Model& model, const std::vector<ProfilePoint>& profile, int segments, const LatheFrame& frame,
              double uRepeat, double vLength);

// One station of a swept tube: the centre, the two section axes (unit, at right angles to the path)
// and the half sizes of the section along them.
struct SweepStation {
    Dvec centre;
    Dvec side1;
    Dvec side2;
    double half1;
    double half2;
};

// A closed tube through `stations` with a rounded-rectangle section of `corners` x 4 points, capped at
// both ends. u runs round the section, v along the path (distance / vLength).
void AddSweep(Model& model, const std::vector<SweepStation>& stations, int corners, double vLength);

// A straight prism along z from z0 to z1 over the convex polygon `outline` (x, y; z ignored; counter-
// clockwise seen from +z), capped at both ends. Each side is its own quad with planar coordinates
// (distance round the outline, z) / `uvLength`, so the texture turns at every edge; the caps map x, y.
void AddPrism(Model& model, const std::vector<Dvec>& outline, double z0, double z1, double uvLength);
