// fuzz/targets.cpp -- the fuzz targets' bodies: input to a file, file to a loader, result checked.
#include "targets.h"

#include <sys/mman.h> // Required for: memfd_create()
#include <unistd.h>   // Required for: write(), close()

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "bmpfile.h"
#include "glarve.h"
#include "platform/glyphshapes.h"
#include "platform/jpeg.h"

namespace {

// The input as a file in memory, named by a path the loaders can open (each open starts at byte 0).
class InputFile {
public:
    InputFile(const std::uint8_t* data, std::size_t size) : fd(memfd_create("brimt-fuzz", 0))
    {
        FuzzCheck(fd >= 0, "memfd_create");
        std::size_t done = 0;
        while (done < size) {
            const ssize_t n = write(fd, data + done, size - done);
            FuzzCheck(n > 0, "write");
            done += static_cast<std::size_t>(n);
        }
        std::snprintf(path, sizeof path, "/proc/self/fd/%d", fd);
    }
    ~InputFile() { close(fd); }
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;

    const char* Path() const { return path; }

private:
    int fd;
    char path[64] = {};
};

// The name of the first "Named object: "..."" line of the input, or "o".
std::string FirstObjectName(const std::uint8_t* data, std::size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    const std::string header = "Named object: \"";
    const std::size_t at = text.find(header);
    if (at != std::string::npos) {
        const std::size_t start = at + header.size();
        const std::size_t end = text.find('"', start);
        if (end != std::string::npos && end - start < 90) {
            return text.substr(start, end - start);
        }
    }
    return "o";
}

void CheckMesh(const Mesh& mesh)
{
    FuzzCheck(mesh.vertexCount >= 0 && mesh.faceCount >= 0, "counts");
    FuzzCheck((mesh.vertexCount == 0) == (mesh.vertices == nullptr), "vertex array");
    FuzzCheck((mesh.faceCount == 0) == (mesh.faces == nullptr), "face array");
    for (int i = 0; i < mesh.vertexCount; ++i) {
        const Vec3& v = mesh.vertices[i];
        FuzzCheck(std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z), "finite vertex");
    }
    for (int i = 0; i < mesh.faceCount; ++i) {
        const Face& f = mesh.faces[i];
        for (int index : {f.a, f.b, f.c}) {
            FuzzCheck(index >= 0 && index < mesh.vertexCount, "face index");
        }
    }
}

void CheckSet(const TexCoordSet& set)
{
    FuzzCheck(set.count >= 0 && (set.count == 0) == (set.coords == nullptr), "coordinate array");
    for (int i = 0; i < set.count; ++i) {
        FuzzCheck(std::isfinite(set.coords[i].u) && std::isfinite(set.coords[i].v), "finite coordinate");
    }
}

} // namespace

void FuzzCheck(bool condition, const char* what)
{
    if (!condition) {
        std::fprintf(stderr, "fuzz check failed: %s\n", what);
        std::abort();
    }
}

void FuzzMeshLoad(const std::uint8_t* data, std::size_t size)
{
    const InputFile file(data, size);
    Mesh mesh;
    if (mesh.Load(file.Path(), FirstObjectName(data, size).c_str())) {
        CheckMesh(mesh);
        mesh.Centre();
        CheckMesh(mesh);
    } else {
        FuzzCheck(mesh.vertices == nullptr && mesh.faces == nullptr, "failed load leaves the mesh empty");
    }
}

void FuzzTexCoordLoad(const std::uint8_t* data, std::size_t size)
{
    const InputFile file(data, size);
    TexCoordSet set;
    if (set.Load(file.Path(), FirstObjectName(data, size).c_str())) {
        CheckSet(set);
    } else {
        FuzzCheck(set.coords == nullptr && set.count == 0, "failed load leaves the set empty");
    }
}

void FuzzGroupLoad(const std::uint8_t* data, std::size_t size)
{
    const InputFile file(data, size);
    ObjectGroup group;
    FuzzCheck(group.LoadFile(file.Path()), "an open file loads");
    ObjectList::Position pos = group.GetHeadPosition();
    while (pos) {
        const auto* object = dynamic_cast<MeshObject*>(group.GetNext(pos));
        FuzzCheck(object != nullptr && object->mesh != nullptr && object->texCoordSet != nullptr, "object");
        CheckMesh(*object->mesh);
        CheckSet(*object->texCoordSet);
        FuzzCheck(object->texCoordSet->count == object->mesh->vertexCount, "one coordinate per vertex");
    }
}

void FuzzBmpRead(const std::uint8_t* data, std::size_t size)
{
    const InputFile file(data, size);
    BmpImage image;
    if (ReadBmpFile(file.Path(), 16384, &image)) {
        const std::size_t stride = (static_cast<std::size_t>(image.width) * 3 + 3) / 4 * 4;
        FuzzCheck(image.width > 0 && image.height > 0, "size");
        FuzzCheck(image.pixels.size() == stride * image.height, "pixels fill the image");
    }
}

void FuzzJpeg(const std::uint8_t* data, std::size_t size)
{
    const InputFile file(data, size);
    JpegInfo info;
    if (!ReadJpegInfo(file.Path(), &info)) {
        return;
    }
    FuzzCheck(info.width >= 1 && info.width <= 65535 && info.height >= 1 && info.height <= 65535, "size");
    FuzzCheck(info.channels == 1 || info.channels == 3, "channels");
    const std::size_t pixels = static_cast<std::size_t>(info.width) * static_cast<std::size_t>(info.height);
    if (pixels > 1000000) {
        return; // big pictures decode slowly and teach the fuzzer nothing new
    }
    for (int channels : {3, 1}) {
        // Exactly the size asked for, so that the address sanitizer sees any write past it.
        std::vector<unsigned char> buffer(pixels * static_cast<std::size_t>(channels));
        DecodeJpeg(file.Path(), info.width, info.height, channels, buffer.data());
    }
}

void FuzzGlyphShapes(const std::uint8_t* data, std::size_t size)
{
    GlyphShapeSet set;
    std::string error;
    if (!ReadGlyphShapes(data, size, &set, &error)) {
        FuzzCheck(!error.empty(), "a refusal says why");
        return;
    }
    FuzzCheck(set.firstCode >= 0 && set.firstCode <= 255, "first code");
    for (const GlyphShape& shape : set.shapes) {
        std::size_t vertices = shape.extraVertices.size();
        for (const GlyphContour& c : shape.contours) {
            FuzzCheck(c.points.size() >= 3 && c.corners.size() == c.points.size(), "contour");
            vertices += c.points.size();
        }
        FuzzCheck(shape.triangles.size() % 3 == 0, "whole triangles");
        for (const std::uint32_t index : shape.triangles) {
            FuzzCheck(index < vertices, "triangle index inside the glyph");
        }
    }
    const std::vector<unsigned char> again = WriteGlyphShapes(set);
    FuzzCheck(again.size() == size && std::equal(again.begin(), again.end(), data), "written back the same");
}

const FuzzTarget kFuzzTargets[6] = {{"mesh", FuzzMeshLoad},   {"texcoords", FuzzTexCoordLoad},
                                    {"group", FuzzGroupLoad}, {"bmp", FuzzBmpRead},
                                    {"jpeg", FuzzJpeg},       {"glyphs", FuzzGlyphShapes}};
