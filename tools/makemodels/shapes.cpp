// tools/makemodels/shapes.cpp -- the geometry of the show's five model objects and why each is this size.
//
// The show's camera: eye at the origin looking down -z, 45 degrees of vertical field of view, a 4:3
// picture at every resolution the setup offers, near plane 0.1, far plane 100. At a distance d the
// picture shows y within +-0.4142 d and x within +-0.5523 d:
//
//     d = 30 (nail, front hammer row)   y +-12.4   x +-16.6
//     d = 49.3 (second hammer row)      y +-20.4   x +-27.2
//     d = 70 (particle cloud)           y +-29.0   x +-38.7
//     d = 80 (sphere)                   y +-33.1   x +-44.2
//
// Nothing may reach beyond d = 100, where the far plane cuts it away.
#include "shapes.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <map>

#include "surfaces.h"

// --- sphere -------------------------------------------------------------------------------------
//
// The intro draws it centred at (-23.67, -11, -80) once the first image has faded in (it slides in
// from the left before that) and pushes vertices 0, 20 ... 380 out to 1.05^5 = 1.276 times their
// distance on the beat. Radius 12 gives spikes of 15.3: the sphere spans x -39.0 to -8.4 of +-44.2
// and y -26.3 to +4.3 of +-33.1, lower left of the picture, about 35% of its height across (45%
// with the spikes out), and keeps its far side at z = -95.3, inside the far plane.

namespace {

// Subdivisions of each icosahedron edge. A multiple of 3, so that the centre of every icosahedron
// face (a corner of the dual dodecahedron) is a vertex: 10 * 9^2 + 2 = 812 vertices, 1620 faces.
constexpr int kFrequency = 9;

// A point of the subdivided icosahedron named exactly: up to three (corner, weight) pairs sorted by
// corner, so that a point shared by two faces gets one key and one position whatever face made it.
using GridKey = std::array<int, 6>;

GridKey KeyOf(std::array<std::pair<int, int>, 3> weights)
{
    std::sort(weights.begin(), weights.end());
    GridKey key{-1, 0, -1, 0, -1, 0};
    int k = 0;
    for (const auto& [corner, weight] : weights) {
        if (weight > 0) {
            key[2 * k] = corner;
            key[2 * k + 1] = weight;
            ++k;
        }
    }
    return key;
}

} // namespace

Model MakeSphere()
{
    const double g = (1.0 + std::sqrt(5.0)) / 2.0;
    const Dvec corners[12] = {{-1, g, 0},  {1, g, 0},  {-1, -g, 0}, {1, -g, 0}, {0, -1, g},  {0, 1, g},
                              {0, -1, -g}, {0, 1, -g}, {g, 0, -1},  {g, 0, 1},  {-g, 0, -1}, {-g, 0, 1}};
    // Counter-clockwise seen from outside.
    const int icoFaces[20][3] = {{0, 11, 5}, {0, 5, 1},  {0, 1, 7},   {0, 7, 10}, {0, 10, 11},
                                 {1, 5, 9},  {5, 11, 4}, {11, 10, 2}, {10, 7, 6}, {7, 1, 8},
                                 {3, 9, 4},  {3, 4, 2},  {3, 2, 6},   {3, 6, 8},  {3, 8, 9},
                                 {4, 9, 5},  {2, 4, 11}, {6, 2, 10},  {8, 6, 7},  {9, 8, 1}};
    constexpr int n = kFrequency;

    std::map<GridKey, int> ids; // point -> build index
    std::vector<Dvec> points;   // on the sphere, build order
    std::vector<int> spikes;    // build indices of the 20 face centres
    std::vector<std::array<int, 3>> triangles;

    auto pointAt = [&](const int face[3], int i, int j) {
        const GridKey key = KeyOf({{{face[0], n - i - j}, {face[1], i}, {face[2], j}}});
        auto found = ids.find(key);
        if (found != ids.end()) {
            return found->second;
        }
        Dvec p{0, 0, 0};
        for (int k = 0; k < 6 && key[k] >= 0; k += 2) {
            p = p + corners[key[k]] * key[k + 1];
        }
        const int id = static_cast<int>(points.size());
        points.push_back(p.Normalised() * kSphereRadius);
        ids.emplace(key, id);
        if (i == n / 3 && j == n / 3) {
            spikes.push_back(id);
        }
        return id;
    };

    for (const auto& face : icoFaces) {
        for (int i = 0; i < n; ++i) {
            for (int j = 0; i + j < n; ++j) {
                triangles.push_back({pointAt(face, i, j), pointAt(face, i + 1, j), pointAt(face, i, j + 1)});
                if (i + j + 1 < n) {
                    triangles.push_back(
                        {pointAt(face, i + 1, j), pointAt(face, i + 1, j + 1), pointAt(face, i, j + 1)});
                }
            }
        }
    }
    // The spikes from the top down, then round the axis, at every 20th place; the rest in build order.
    std::sort(spikes.begin(), spikes.end(), [&](int a, int b) {
        const Dvec& p = points[a];
        const Dvec& q = points[b];
        if (p.z != q.z) {
            return p.z > q.z;
        }
        return std::atan2(p.y, p.x) < std::atan2(q.y, q.x);
    });
    std::vector<int> order; // file index -> build index
    std::vector<bool> isSpike(points.size(), false);
    for (int id : spikes) {
        isSpike[id] = true;
    }
    size_t nextSpike = 0, nextOther = 0;
    while (order.size() < points.size()) {
        if (order.size() % 20 == 0 && nextSpike < spikes.size()) {
            order.push_back(spikes[nextSpike++]);
            continue;
        }
        while (isSpike[nextOther]) {
            ++nextOther;
        }
        order.push_back(static_cast<int>(nextOther++));
    }
    std::vector<int> fileIndex(points.size());
    for (size_t k = 0; k < order.size(); ++k) {
        fileIndex[order[k]] = static_cast<int>(k);
    }

    Model model("sphere");
    for (int id : order) {
        const Dvec& p = points[id];
        // Longitude and latitude, 0 to 1; the wire renderer does not use them.
        model.AddVertex(p.x, p.y, p.z, 0.5 + std::atan2(p.y, p.x) / (2.0 * kPi),
                        std::acos(std::clamp(p.z / kSphereRadius, -1.0, 1.0)) / kPi);
    }
    for (const auto& t : triangles) {
        model.AddTriangle(fileIndex[t[0]], fileIndex[t[1]], fileIndex[t[2]]);
    }
    return model;
}

// --- light baked into the texture coordinates (hammer and nail) --------------------------------
//
// The show draws textured faces unlit, so the hammer and the nail carry their light in their images:
// rusted_metal.JPG (the handle) and Plateox2.jpg (the head and the nail) each hold kLightBands
// columns of the same material, from the darkest (u 0 to 0.25) to the brightest (u 0.75 to 1). Each
// face gets three vertices of its own, its u inside the column that matches how squarely it faces a
// light at the upper left in front, and its v along the part's long axis. The flat sides of the
// head's eye then read as planes in different light, and the round parts show bands of light.

namespace {

constexpr int kLightBands = 4;

// Towards the light, in model axes (x right, y away from the viewer, z up): upper left, in front.
const Dvec kModelLight = Dvec{-0.4, -0.75, 0.55}.Normalised();

// The column a face takes: 0 turned away from the light or edge on, 3 facing it.
int LightBand(const Dvec& outward)
{
    const double d = outward.Dot(kModelLight);
    if (d < 0.1) return 0;
    if (d < 0.45) return 1;
    if (d < 0.7) return 2;
    return 3;
}

Dvec PositionOf(const ModelVertex& v)
{
    return Dvec{v.x, v.y, v.z};
}

// Appends `part` to `model` with the light baked in: v = distance along `axis` / vLength; u across
// the face (perpendicular to `axis` in the face's plane, `across` units mapping to the middle 0.8 of
// the column, so that mipmaps do not pull in the next column). The part's faces may wind either way:
// the sign of its volume tells which way is out.
void AddLit(Model& model, const Model& part, const Dvec& axis, double vLength, double across)
{
    Dvec centre{0, 0, 0};
    for (const ModelVertex& v : part.vertices)
        centre = centre + PositionOf(v) * (1.0 / static_cast<double>(part.vertices.size()));
    double volume = 0.0;
    for (const ModelFace& f : part.faces) {
        const Dvec a = PositionOf(part.vertices[f.a]) - centre, b = PositionOf(part.vertices[f.b]) - centre,
                   c = PositionOf(part.vertices[f.c]) - centre;
        volume += a.Dot(b.Cross(c));
    }
    const double outwards = volume < 0.0 ? -1.0 : 1.0;

    for (const ModelFace& f : part.faces) {
        const Dvec p[3] = {PositionOf(part.vertices[f.a]), PositionOf(part.vertices[f.b]),
                           PositionOf(part.vertices[f.c])};
        const Dvec cross = (p[1] - p[0]).Cross(p[2] - p[0]);
        if (cross.Length() < 1e-12) continue; // no area, nothing to draw
        const Dvec normal = cross.Normalised() * outwards;
        const int band = LightBand(normal);
        Dvec side = normal.Cross(axis);
        if (side.Length() < 1e-6) side = axis.Cross(std::fabs(axis.z) < 0.9 ? Dvec{0, 0, 1} : Dvec{1, 0, 0});
        side = side.Normalised();
        int ids[3];
        for (int k = 0; k < 3; ++k) {
            const double within = std::clamp(0.5 + p[k].Dot(side) / across, 0.0, 1.0);
            ids[k] = model.AddVertex(p[k].x, p[k].y, p[k].z, (band + 0.1 + 0.8 * within) / kLightBands,
                                     p[k].Dot(axis) / vLength);
        }
        model.faces.push_back(ModelFace{ids[0], ids[1], ids[2], f.ab, f.bc, f.ca});
    }
}

} // namespace

// --- hammer -------------------------------------------------------------------------------------
//
// The show hangs each hammer from its model origin: a pair is two hammers 5 apart in depth, turned
// upright (model z up) and swung +-40 degrees in opposite directions about the origin, in the plane
// of the picture. The pairs stand on a 5 x 5 grid at (-300, 5, -30) tilted 15 degrees about x, with
// cells 42 apart across and 20 apart in depth, and the whole grid drifts to the right. Row i's front
// hammer is pivoted at y = 5 + 5.18 i, z = -30 - 19.32 i: rows 0 to 3 at distances 30, 49, 69 and 88
// (row 4, at 107, lies beyond the far plane). The pivots show 40% (row 0) to 56% (row 3) of the
// half-height above the middle of the picture, so the hammer hangs down from its head: the head's
// top at z = +1.55 (about +5 when swung), the handle's foot at z = -17.35. The front row then runs
// from y = +6.5 to -11.8 of +-12.4: the hammer fills three quarters of the picture's height and
// hammers further back get smaller and higher. Swung 40 degrees the foot moves 11.2 to the side, so
// a front pair spreads over about 26 of the 33 units across: one front pair in view at a time, as
// the cells are 42 apart. In depth (model y) a hammer stays within +-1.3, clear of its partner.

namespace {

// Model y is depth; the handle is oval, wider across the picture than in depth.
constexpr double kHandleDepthScale = 0.75;

// The hammer is built upright, its head round the origin and its handle hanging to z = -17.35, then
// put where the show swings it. The scene turns each hammer about its model y axis, which runs away
// from the viewer, by +-40 sin 4t degrees, the two of a pair in opposite directions: the turning
// point is the hand on the grip (kGrip below the head), and at rest the handle leans kRestLean
// degrees off upright towards +x, so that at each end of the swing one hammer of the pair has come
// down 20 degrees below level with its face turned down, striking, while the other stands raised. One
// of the pair strikes every pi/4 s, on the beat of the song there. The front row's faces strike half
// the picture's half-height below its middle.
constexpr double kGrip = 15.6;
constexpr double kRestLean = 70.0;
constexpr double kHammerScale = 1.3;

Model Swung(Model model)
{
    const double a = kRestLean * kPi / 180.0, c = std::cos(a), s = std::sin(a);
    for (ModelVertex& v : model.vertices) {
        const double x = v.x, z = v.z + kGrip;
        v.x = kHammerScale * (x * c + z * s);
        v.y = kHammerScale * v.y;
        v.z = kHammerScale * (-x * s + z * c);
    }
    return model;
}

} // namespace

Model MakeHandle()
{
    // Half-width (across the picture) and height, from the top, hidden in the head's eye, down to the
    // foot: a slim throat under the head, a collar, a swelling grip and a flared butt.
    const std::vector<ProfilePoint> profile = {
        {0.0, 1.5},    {0.5, 1.5},   {0.52, 0.0},   {0.5, -2.5},    {0.54, -6.0},  {0.6, -8.5},
        {0.7, -8.8},   {0.7, -9.15}, {0.64, -9.45}, {0.68, -12.0},  {0.73, -14.5}, {0.71, -16.0},
        {0.8, -16.45}, {0.8, -16.9}, {0.66, -17.2}, {0.36, -17.33}, {0.0, -17.35},
    };
    Model lathe("manche");
    const LatheFrame frame{{0, 0, 0}, {0, 0, 1}, {1, 0, 0}, {0, 1, 0}, 1.0, kHandleDepthScale};
    AddLathe(lathe, profile, 12, frame, 1.0, 9.0);
    // The rust's grain runs along the handle, one image height per 10 units.
    Model model("manche");
    AddLit(model, lathe, Dvec{0, 0, 1}, 10.0, 2.0);
    return Swung(model);
}

Model MakeHead()
{
    Model model("Tete");
    // The head's long axis is x; one image height per 16 units of it.
    const Dvec along{1, 0, 0};
    constexpr double kLength = 16.0, kAcross = 4.0;

    // The eye: a block with bevelled upright edges round the top of the handle.
    const double ex = 1.35, ey = 1.0, bevel = 0.25, ez = 1.55;
    Model eye("eye");
    AddPrism(eye,
             {{ex, -ey + bevel, 0},
              {ex, ey - bevel, 0},
              {ex - bevel, ey, 0},
              {-ex + bevel, ey, 0},
              {-ex, ey - bevel, 0},
              {-ex, -ey + bevel, 0},
              {-ex + bevel, -ey, 0},
              {ex - bevel, -ey, 0}},
             -ez, ez, 6.0);
    AddLit(model, eye, along, kLength, kAcross);

    // The striking end towards +x: a narrow neck widening into a round bell with a bevelled face.
    const std::vector<ProfilePoint> bell = {
        {0.95, 1.2},  {0.92, 1.9}, {1.0, 2.5},  {1.22, 3.6}, {1.3, 4.2},
        {1.26, 4.45}, {1.12, 4.6}, {0.9, 4.66}, {0.0, 4.7},
    };
    Model striker("bell");
    AddLathe(striker, bell, 16, LatheFrame{{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}}, 1.0, 6.0);
    AddLit(model, striker, along, kLength, kAcross);

    // The claw towards -x: two prongs springing from the top of the eye and curving down along an arc
    // of radius 5.2 over 60 degrees, tapering to thin tips with a V-shaped slot between them.
    const double arcRadius = 5.2, sweep = 60.0 * kPi / 180.0, rootX = -1.2, rootZ = 0.55;
    constexpr int stations = 10;
    for (double side : {-1.0, 1.0}) {
        std::vector<SweepStation> path;
        for (int k = 0; k < stations; ++k) {
            const double t = static_cast<double>(k) / (stations - 1);
            const double a = sweep * t;
            const Dvec centre{rootX - arcRadius * std::sin(a), side * (0.42 + 0.16 * t),
                              rootZ - arcRadius * (1.0 - std::cos(a))};
            // Across the prong (depth) and up from the arc, at right angles to its direction.
            const Dvec across{0, 1, 0};
            const Dvec up{-std::sin(a), 0, std::cos(a)};
            const double height = 0.1 + 0.9 * std::pow(1.0 - t, 1.3);
            const double width = 0.19 + 0.21 * (1.0 - t);
            path.push_back(SweepStation{centre, across, up, width, height});
        }
        Model prong("prong");
        AddSweep(prong, path, 2, 6.0);
        AddLit(model, prong, along, kLength, kAcross);
    }
    return Swung(model);
}

// --- nail ---------------------------------------------------------------------------------------
//
// The show stands the nail upright at distance 30, starting at x = -17 and drifting right about 19
// units a second at 60 frames a second; it bobs 2 up and down and rocks +-20 degrees in the
// picture's plane about its model y axis, which runs away from the viewer. The object holds two
// nails: one near, at distance 38, on that axis (it rocks in place), standing up from the bottom of
// the picture and sweeping across it in the scene's first two seconds, before the hammers are in;
// one far, at distance 96, where the picture is +-53 wide and it crosses slowest, in sight until
// about 4.7 s. The front row of hammers crosses the picture three times as fast and passes over it:
// its head stands where their faces strike, half the half-height below the middle, and it is built
// 30 to the left of the axis, so that the fourth strike after the scene starts (at pi s, when the
// grid has drifted 120 and the nail 60) lands on it near the middle of the picture. Off the axis it
// rocks on an arc, up and down by about 8 with the bob.

namespace {

struct NailPlace {
    double scale;  // times the 10-unit nail of the profile below
    double across; // model x of its axis
    double depth;  // model y of its axis
    double top;    // model z (up in the picture) of the top of its head
};
constexpr NailPlace kNails[] = {{2.9, 0.0, 8.0, 7.0}, {1.8, -30.0, 66.0, -21.0}};

} // namespace

Model MakeNail()
{
    // Radius and height from the top of the domed head down to the tip, for a nail 10 long: head, a
    // short fillet, three grip rings under the head, the smooth shank and a slightly rounded point.
    const std::vector<ProfilePoint> profile = {
        {0.0, 5.0},  {0.7, 4.97},  {1.2, 4.88},  {1.35, 4.8},   {1.35, 4.6},  {1.2, 4.5},  {0.55, 4.42},
        {0.45, 4.3}, {0.45, 3.9},  {0.39, 3.75}, {0.45, 3.6},   {0.39, 3.45}, {0.45, 3.3}, {0.39, 3.15},
        {0.45, 3.0}, {0.45, -3.2}, {0.36, -3.9}, {0.22, -4.45}, {0.0, -5.0},
    };
    Model model("clou");
    for (const NailPlace& place : kNails) {
        std::vector<ProfilePoint> scaled;
        for (const ProfilePoint& p : profile)
            scaled.push_back(ProfilePoint{p.r * place.scale, (p.h - 5.0) * place.scale + place.top});
        Model lathe("clou");
        AddLathe(lathe, scaled, 12,
                 LatheFrame{{place.across, place.depth, 0}, {0, 0, 1}, {1, 0, 0}, {0, 1, 0}}, 1.0, 6.0);
        AddLit(model, lathe, Dvec{0, 0, 1}, 25.0, 5.0);
    }
    return model;
}

// --- particle cloud -----------------------------------------------------------------------------
//
// The greetings scene draws a sprite of 2 x 2 units at twice each vertex, the cloud's origin at
// distance 70, spinning on all three axes at 80 degrees a second; the picture there is +-29 high.
// Every sprite lies in the cloud's own x-y plane, so all of them turn edge on together whenever that
// plane does (every 2.25 s): what is left of a sprite then is its slant as seen from the eye, which
// grows with its distance from that plane, |2 z|. A cloud kept near its middle (the burst this was
// once) thins to almost nothing there; a hollow globe keeps a fifth of its light at that moment, the
// more the larger it is. The cloud is therefore a globe of light of radius kCloudRadius, as large as
// the names round it let it be (drawn at twice that: 16 units, over half the picture's height):
// spiral arms of bright knots wound
// from pole to pole, crowding together towards the poles, over a faint haze of single sparks. The
// arms give the spin something for the eye to follow.
//
// At position 10 the cloud flies through the viewer. A globe has no sprites in its middle: while its
// centre passes the eye every sprite is at least the globe's radius away, and only those the eye
// passes through its shell come close; a cloud with a core put thousands of full-screen sprites in
// front of the eye there. No point lies beyond 8.1 from the origin: drawn at twice that, the far side
// stays within 70 + 16.2 + 1.4 = 87.6, clear of the far plane.

namespace {

constexpr double kCloudRadius = 7.75;

// A small deterministic generator (xorshift32): the same cloud on every run and every machine.
class Random {
public:
    explicit Random(std::uint32_t seed) : state(seed) {}
    // Uniform in [0, 1).
    double Next()
    {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return state / 4294967296.0;
    }

private:
    std::uint32_t state;
};

} // namespace

Model MakeCloud()
{
    constexpr int kArms = 6, kKnotsPerArm = 18, kPointsPerKnot = 9, kHazePoints = 60;
    constexpr double kTurns = 1.1;         // turns of each arm round the axis from pole to pole
    constexpr double kPoleLatitude = 1.25; // radians: the arms stop short of the poles
    Model model("trucmuch");
    Random random(0x2f6b3a1du);
    const auto onGlobe = [](double latitude, double longitude, double radius) {
        return Dvec{radius * std::cos(latitude) * std::cos(longitude),
                    radius * std::cos(latitude) * std::sin(longitude), radius * std::sin(latitude)};
    };
    for (int arm = 0; arm < kArms; ++arm) {
        const double start = 2.0 * kPi * arm / kArms;
        for (int k = 0; k < kKnotsPerArm; ++k) {
            // Even steps of latitude, a little jitter so that no two arms march in step.
            const double s = (k + 0.5 + 0.4 * (random.Next() - 0.5)) / kKnotsPerArm;
            const double latitude = kPoleLatitude * (2.0 * s - 1.0);
            const double longitude = start + 2.0 * kPi * kTurns * s;
            const Dvec centre = onGlobe(latitude, longitude, kCloudRadius * (0.97 + 0.06 * random.Next()));
            // A knot is a few points close together: each sprite only pulls the picture 15% of the
            // way to its colour, nine together three quarters of the way, so a knot shines where a lone
            // sprite would only tint the backdrop.
            for (int n = 0; n < kPointsPerKnot; ++n) {
                const Dvec q =
                    centre + Dvec{random.Next() - 0.5, random.Next() - 0.5, random.Next() - 0.5} * 0.3;
                model.AddVertex(q.x, q.y, q.z, s, static_cast<double>(arm) / kArms);
            }
        }
    }
    for (int i = 0; i < kHazePoints; ++i) {
        // The haze: single sparks spread evenly over the globe, a little inside it.
        const double z = 2.0 * random.Next() - 1.0, turn = 2.0 * kPi * random.Next();
        const double ring = std::sqrt(1.0 - z * z), r = kCloudRadius * (0.85 + 0.15 * random.Next());
        model.AddVertex(r * ring * std::cos(turn), r * ring * std::sin(turn), r * z, r / kCloudRadius,
                        static_cast<double>(i) / kHazePoints);
    }
    return model;
}
