// platform/glyphshapes.cpp -- the glyph shapes file.
//
// Layout, every number little-endian (u32: 4 bytes unsigned, f32/f64: IEEE 754 single/double):
//   "BRIMTGLYPHS1" (12 bytes)
//   u32 name length, then the face's name (UTF-8, at most 1024 bytes)
//   u32 first code, u32 glyph count (at most 65536)
//   per glyph:
//     f32 black box x, f32 black box y, f32 origin x, f32 origin y, f32 advance x, f32 advance y
//     u8 fill right (0 or 1)
//     u32 contour count; per contour: u32 point count, then per point f64 x, f64 y, u8 corner (0 or 1)
//     u32 extra vertex count, then per vertex f64 x, f64 y
//     u32 triangle index count (a multiple of 3), then the u32 indices
// Counts are checked against the bytes left before anything is allocated, so a short or hostile file
// cannot make the reader reserve more than the file's own size.
#include "glyphshapes.h"

#include <cmath>
#include <cstring>

namespace {

constexpr char kMagic[] = "BRIMTGLYPHS1";
constexpr std::size_t kMagicSize = sizeof(kMagic) - 1;
constexpr std::uint32_t kMaxNameBytes = 1024;
constexpr std::uint32_t kMaxGlyphs = 65536;
constexpr std::size_t kPointBytes = 17;  // f64 x, f64 y, u8 corner
constexpr std::size_t kVertexBytes = 16; // f64 x, f64 y

class Writer {
public:
    void Bytes(const void* data, std::size_t size)
    {
        const auto* p = static_cast<const unsigned char*>(data);
        out.insert(out.end(), p, p + size);
    }
    void U8(unsigned char v) { out.push_back(v); }
    void U32(std::uint32_t v)
    {
        for (int i = 0; i < 4; ++i) {
            out.push_back(static_cast<unsigned char>(v >> (8 * i)));
        }
    }
    void U64(std::uint64_t v)
    {
        for (int i = 0; i < 8; ++i) {
            out.push_back(static_cast<unsigned char>(v >> (8 * i)));
        }
    }
    void F32(float v)
    {
        std::uint32_t bits = 0;
        std::memcpy(&bits, &v, sizeof bits);
        U32(bits);
    }
    void F64(double v)
    {
        std::uint64_t bits = 0;
        std::memcpy(&bits, &v, sizeof bits);
        U64(bits);
    }
    std::vector<unsigned char> out;
};

class Reader {
public:
    Reader(const unsigned char* data, std::size_t size) : p(data), left(size) {}

    std::size_t Left() const { return left; }
    bool Bytes(void* to, std::size_t size)
    {
        if (size > left) {
            return false;
        }
        std::memcpy(to, p, size);
        p += size;
        left -= size;
        return true;
    }
    bool U8(unsigned char* v) { return Bytes(v, 1); }
    bool U32(std::uint32_t* v)
    {
        unsigned char b[4];
        if (!Bytes(b, sizeof b)) {
            return false;
        }
        *v = 0;
        for (int i = 3; i >= 0; --i) {
            *v = (*v << 8) | b[i];
        }
        return true;
    }
    bool F32(float* v)
    {
        std::uint32_t bits = 0;
        if (!U32(&bits)) {
            return false;
        }
        std::memcpy(v, &bits, sizeof bits);
        return std::isfinite(*v);
    }
    bool F64(double* v)
    {
        unsigned char b[8];
        if (!Bytes(b, sizeof b)) {
            return false;
        }
        std::uint64_t bits = 0;
        for (int i = 7; i >= 0; --i) {
            bits = (bits << 8) | b[i];
        }
        std::memcpy(v, &bits, sizeof bits);
        return std::isfinite(*v);
    }
    // A count of records of `recordBytes` each that the bytes left can hold.
    bool Count(std::uint32_t* n, std::size_t recordBytes) { return U32(n) && *n <= left / recordBytes; }

private:
    const unsigned char* p;
    std::size_t left;
};

bool ReadVertex(Reader& in, GlyphVertex* v)
{
    return in.F64(&v->x) && in.F64(&v->y);
}

// One glyph; `error` names what is wrong with it.
bool ReadShape(Reader& in, GlyphShape* shape, const char** error)
{
    GlyphMetrics& m = shape->metrics;
    unsigned char flag = 0;
    if (!in.F32(&m.gmfBlackBoxX) || !in.F32(&m.gmfBlackBoxY) || !in.F32(&m.gmfptGlyphOrigin.x) ||
        !in.F32(&m.gmfptGlyphOrigin.y) || !in.F32(&m.gmfCellIncX) || !in.F32(&m.gmfCellIncY) ||
        !in.U8(&flag) || flag > 1) {
        *error = "bad metrics";
        return false;
    }
    shape->fillRight = flag != 0;

    std::uint32_t contours = 0;
    // A contour is at least its count and three points.
    if (!in.Count(&contours, 4 + 3 * kPointBytes)) {
        *error = "bad contour count";
        return false;
    }
    std::uint64_t vertices = 0;
    shape->contours.resize(contours);
    for (GlyphContour& c : shape->contours) {
        std::uint32_t points = 0;
        if (!in.Count(&points, kPointBytes) || points < 3) {
            *error = "bad point count";
            return false;
        }
        c.points.resize(points);
        c.corners.resize(points);
        for (std::uint32_t i = 0; i < points; ++i) {
            unsigned char corner = 0;
            if (!ReadVertex(in, &c.points[i]) || !in.U8(&corner) || corner > 1) {
                *error = "bad point";
                return false;
            }
            c.corners[i] = static_cast<char>(corner);
        }
        vertices += points;
    }

    std::uint32_t extras = 0;
    if (!in.Count(&extras, kVertexBytes)) {
        *error = "bad extra vertex count";
        return false;
    }
    shape->extraVertices.resize(extras);
    for (GlyphVertex& v : shape->extraVertices) {
        if (!ReadVertex(in, &v)) {
            *error = "bad extra vertex";
            return false;
        }
    }
    vertices += extras;

    std::uint32_t indices = 0;
    if (!in.Count(&indices, 4) || indices % 3 != 0) {
        *error = "bad triangle count";
        return false;
    }
    shape->triangles.resize(indices);
    for (std::uint32_t& index : shape->triangles) {
        if (!in.U32(&index) || index >= vertices) {
            *error = "triangle index outside the glyph";
            return false;
        }
    }
    return true;
}

} // namespace

std::vector<unsigned char> WriteGlyphShapes(const GlyphShapeSet& set)
{
    Writer w;
    w.Bytes(kMagic, kMagicSize);
    const std::string name = set.faceName.substr(0, kMaxNameBytes);
    w.U32(static_cast<std::uint32_t>(name.size()));
    w.Bytes(name.data(), name.size());
    w.U32(static_cast<std::uint32_t>(set.firstCode));
    w.U32(static_cast<std::uint32_t>(set.shapes.size()));
    for (const GlyphShape& shape : set.shapes) {
        const GlyphMetrics& m = shape.metrics;
        w.F32(m.gmfBlackBoxX);
        w.F32(m.gmfBlackBoxY);
        w.F32(m.gmfptGlyphOrigin.x);
        w.F32(m.gmfptGlyphOrigin.y);
        w.F32(m.gmfCellIncX);
        w.F32(m.gmfCellIncY);
        w.U8(shape.fillRight ? 1 : 0);
        w.U32(static_cast<std::uint32_t>(shape.contours.size()));
        for (const GlyphContour& c : shape.contours) {
            w.U32(static_cast<std::uint32_t>(c.points.size()));
            for (std::size_t i = 0; i < c.points.size(); ++i) {
                w.F64(c.points[i].x);
                w.F64(c.points[i].y);
                w.U8(c.corners[i] != 0 ? 1 : 0);
            }
        }
        w.U32(static_cast<std::uint32_t>(shape.extraVertices.size()));
        for (const GlyphVertex& v : shape.extraVertices) {
            w.F64(v.x);
            w.F64(v.y);
        }
        w.U32(static_cast<std::uint32_t>(shape.triangles.size()));
        for (const std::uint32_t index : shape.triangles) {
            w.U32(index);
        }
    }
    return std::move(w.out);
}

bool ReadGlyphShapes(const unsigned char* bytes, std::size_t size, GlyphShapeSet* out, std::string* error)
{
    auto fail = [&](const std::string& what) {
        if (error != nullptr) {
            *error = what;
        }
        return false;
    };
    if (bytes == nullptr || size > kGlyphFileMaxBytes) {
        return fail("not a glyph shapes file (too large)");
    }
    Reader in(bytes, size);
    char magic[kMagicSize];
    if (!in.Bytes(magic, kMagicSize) || std::memcmp(magic, kMagic, kMagicSize) != 0) {
        return fail("not a glyph shapes file");
    }
    GlyphShapeSet set;
    std::uint32_t nameBytes = 0;
    if (!in.U32(&nameBytes) || nameBytes > kMaxNameBytes || nameBytes > in.Left()) {
        return fail("bad face name");
    }
    set.faceName.resize(nameBytes);
    in.Bytes(set.faceName.data(), nameBytes);
    std::uint32_t firstCode = 0;
    std::uint32_t count = 0;
    // The smallest glyph is its metrics, its flag and three zero counts.
    constexpr std::size_t kEmptyGlyphBytes = 6 * 4 + 1 + 3 * 4;
    if (!in.U32(&firstCode) || firstCode > 255 || !in.Count(&count, kEmptyGlyphBytes) || count > kMaxGlyphs) {
        return fail("bad glyph count");
    }
    set.firstCode = static_cast<int>(firstCode);
    set.shapes.resize(count);
    for (std::uint32_t i = 0; i < count; ++i) {
        const char* what = "";
        if (!ReadShape(in, &set.shapes[i], &what)) {
            return fail("glyph " + std::to_string(i) + ": " + what);
        }
    }
    if (in.Left() != 0) {
        return fail("bytes after the last glyph");
    }
    *out = std::move(set);
    return true;
}
