// glarve/ascloader.cpp -- reads named objects of 3D Studio ASC text files into meshes and coordinate sets.
//
// The file is read in pieces of at most 99 characters (a longer line is several pieces, each tested as
// a line of its own). Lines are recognised by case-sensitive prefix; fields are found by a forward scan
// for a letter, then read as %d-style counts, decimal coordinates or atoi-style indices. Nothing read
// from the file can move a scan outside its piece, counts are checked against the file's size and
// against kMaxAscCount before any array is made, and no load reads more than kMaxAscFileBytes.
#include <cctype>  // Required for: isdigit(), isspace()
#include <cerrno>  // Required for: errno, ERANGE
#include <cfloat>  // Required for: FLT_MAX
#include <climits> // Required for: INT_MAX
#include <cstdio>  // Required for: fopen(), getc_unlocked(), fseek(), ftell()
#include <cstdlib> // Required for: strtol()
#include <cstring> // Required for: strncmp(), strchr()
#include <new>     // Required for: std::nothrow
#include <string>

#include "platform/decimal.h" // Required for: ReadDecimal()
#include <system_error>       // Required for: std::errc

#include "mesh.h"
#include "piecereader.h"
#include "sceneobject.h"

namespace {

constexpr int kPieceSize = 100; // fgets buffer: 99 characters and the terminator

// The shortest lines that can carry one vertex or one face ("Vertex", "Face" and their fields), used
// to bound the counts by what the file could possibly hold.
constexpr long kMinVertexLine = 6;
constexpr long kMinFaceLine = 4;

// No load reads more than this from a file (a model file of the show is tens of kilobytes).
constexpr long long kMaxAscFileBytes = 64ll * 1024 * 1024;
// Nor makes more vertices or faces than this for one object (3D Studio itself stops at 65,535).
constexpr int kMaxAscCount = 1000000;

bool StartsWith(const char* line, const char* prefix)
{
    return std::strncmp(line, prefix, std::strlen(prefix)) == 0;
}

// One open model file: closed on every path by the destructor.
class AscFile {
public:
    explicit AscFile(const char* fileName) : file(std::fopen(fileName, "r"))
    {
        if (file != nullptr && std::fseek(file, 0, SEEK_END) == 0) {
            size = std::ftell(file);
            std::rewind(file);
        }
    }
    ~AscFile()
    {
        if (file != nullptr) {
            std::fclose(file);
        }
    }
    AscFile(const AscFile&) = delete;
    AscFile& operator=(const AscFile&) = delete;

    bool IsOpen() const { return file != nullptr; }
    long Size() const { return size; }

    // Reads the next piece into `line` as fgets would: up to and including the next line feed, at most
    // kPieceSize - 1 characters. False at the end of the file, and once kMaxAscFileBytes have been
    // read (a file that never ends, such as a device, is then treated as ending there).
    bool ReadPiece() { return ReadCappedPiece(file, line, kPieceSize, &bytesRead, kMaxAscFileBytes); }

    // Reads pieces until the header of `objectName`, then the next piece, which must be a count line.
    bool FindCountLine(const char* objectName)
    {
        const std::string header = std::string("Named object: \"") + objectName + "\"";
        for (;;) {
            if (!ReadPiece()) {
                return false;
            }
            if (std::strncmp(line, header.c_str(), header.size()) == 0) {
                break;
            }
        }
        return ReadPiece() && StartsWith(line, "Tri-mesh, Vertices");
    }

    // Reads pieces until the next one that starts with `prefix` but not with `listPrefix`.
    bool NextLineOf(const char* prefix, const char* listPrefix)
    {
        while (ReadPiece()) {
            if (StartsWith(line, prefix) && !StartsWith(line, listPrefix)) {
                return true;
            }
        }
        return false;
    }

    char line[kPieceSize] = {};

private:
    std::FILE* file;
    long size = 0;
    long long bytesRead = 0;
};

// A forward scan over one piece. The cursor never leaves the piece: a letter that is not there fails
// the scan instead of running past the terminator.
class FieldScan {
public:
    explicit FieldScan(const char* piece) : cursor(piece) {}

    // Advances to the first `c` from the cursor, then two characters on (past the letter and its
    // colon), stopping at the end of the piece. False when `c` is not in the rest of the piece.
    bool Find(char c)
    {
        const char* at = std::strchr(cursor, c);
        if (at == nullptr || c == '\0') {
            return false;
        }
        cursor = at + 1;
        if (*cursor != '\0') {
            ++cursor;
        }
        return true;
    }

    // A %d-style count at the cursor: white space, optional sign, digits. Unreadable text leaves
    // `value` as it was; a number beyond int's range reads as INT_MAX or INT_MIN's side, -1.
    void ReadCount(int& value) const
    {
        errno = 0;
        char* end = nullptr;
        const long n = std::strtol(cursor, &end, 10);
        if (end == cursor) {
            return;
        }
        if (errno == ERANGE || n > INT_MAX || n < -INT_MAX) {
            value = n < 0 ? -1 : INT_MAX;
            return;
        }
        value = static_cast<int>(n);
    }

    // A decimal coordinate at the cursor, stored as a float: white space, an optional sign, digits with
    // an optional fraction (or a fraction alone), an optional exponent. Nothing else is a number: no
    // "nan", "inf" or hexadecimal, whatever the C library would take. Text that does not start like a
    // number leaves `value` as it was; a number beyond float's range reads as the largest float of its
    // sign, one too small for it as 0. Independent of the locale.
    void ReadCoordinate(float& value) const
    {
        const char* p = cursor;
        while (std::isspace(static_cast<unsigned char>(*p))) {
            ++p;
        }
        const bool negative = *p == '-';
        if (*p == '+' || *p == '-') {
            ++p;
        }
        const char* mantissa = p; // from_chars takes no '+'
        bool digits = false;
        while (std::isdigit(static_cast<unsigned char>(*p))) {
            ++p;
            digits = true;
        }
        if (*p == '.') {
            ++p;
            while (std::isdigit(static_cast<unsigned char>(*p))) {
                ++p;
                digits = true;
            }
        }
        if (!digits) {
            return;
        }
        bool tinyExponent = false;
        if (*p == 'e' || *p == 'E') {
            const char* e = p + 1;
            tinyExponent = *e == '-';
            if (*e == '+' || *e == '-') {
                ++e;
            }
            if (std::isdigit(static_cast<unsigned char>(*e))) {
                while (std::isdigit(static_cast<unsigned char>(*e))) {
                    ++e;
                }
                p = e;
            } else {
                tinyExponent = false; // "1e" and "1e+" read as 1, as strtod reads them
            }
        }
        double d = 0.0;
        const DecimalResult result = ReadDecimal(mantissa, p, &d);
        if (result == DecimalResult::OutOfRange) {
            d = tinyExponent ? 0.0 : static_cast<double>(FLT_MAX);
        } else if (result != DecimalResult::Ok) {
            return;
        }
        if (d > static_cast<double>(FLT_MAX)) {
            d = static_cast<double>(FLT_MAX);
        }
        const float f = static_cast<float>(d);
        value = negative ? -f : f;
    }

    // An atoi-style index: the text from the cursor up to the next space. The cursor stays put.
    // False when no space follows (the index would run off the end of the piece).
    bool ReadIndex(int& value) const
    {
        const char* space = std::strchr(cursor, ' ');
        if (space == nullptr) {
            return false;
        }
        const std::string text(cursor, space);
        char* end = nullptr;
        errno = 0;
        const long n = std::strtol(text.c_str(), &end, 10);
        // Out of int's range can never be a valid index; -1 is rejected by the range check later.
        value = (errno == ERANGE || n > INT_MAX || n < 0) ? -1 : static_cast<int>(n);
        return true;
    }

private:
    const char* cursor;
};

// Reads the counts of the count line in `piece`. With `withFaces` false the face count is not read.
// False when a colon is missing or a count is negative or more than the file could hold.
bool ReadCounts(const AscFile& file, bool withFaces, int& vertexCount, int& faceCount)
{
    vertexCount = 0;
    faceCount = 0;
    FieldScan scan(file.line);
    if (!scan.Find(':')) {
        return false;
    }
    scan.ReadCount(vertexCount);
    if (vertexCount < 0 || vertexCount > kMaxAscCount || vertexCount > file.Size() / kMinVertexLine) {
        return false;
    }
    if (!withFaces) {
        return true;
    }
    if (!scan.Find(':')) {
        return false;
    }
    scan.ReadCount(faceCount);
    return faceCount >= 0 && faceCount <= kMaxAscCount && faceCount <= file.Size() / kMinFaceLine;
}

} // namespace

bool TexCoordSet::Load(const char* fileName, const char* objectName)
{
    Clear();
    if (fileName == nullptr || objectName == nullptr) {
        return false;
    }

    AscFile file(fileName);
    if (!file.IsOpen() || !file.FindCountLine(objectName)) {
        return false;
    }
    int vertices = 0, faces = 0;
    if (!ReadCounts(file, false, vertices, faces)) {
        return false;
    }
    if (vertices > 0) {
        coords = new (std::nothrow) TexCoord2[vertices]();
        if (coords == nullptr) {
            return false;
        }
        count = vertices;
    }

    for (int i = 0; i < count; ++i) {
        if (!file.NextLineOf("Vertex", "Vertex list")) {
            Clear();
            return false;
        }
        // A vertex line without U (an object exported without texture mapping) has coordinates (0, 0);
        // one with U but no V after it keeps v at 0.
        FieldScan scan(file.line);
        if (!scan.Find('U')) {
            continue;
        }
        scan.ReadCoordinate(coords[i].u);
        // This scan starts after "U:", so the capital V that begins the line is not taken.
        if (scan.Find('V')) {
            scan.ReadCoordinate(coords[i].v);
        }
    }
    return true;
}

bool Mesh::Load(const char* fileName, const char* objectName)
{
    Clear();
    if (fileName == nullptr || objectName == nullptr) {
        return false;
    }

    AscFile file(fileName);
    if (!file.IsOpen() || !file.FindCountLine(objectName)) {
        return false;
    }
    int nVertices = 0, nFaces = 0;
    if (!ReadCounts(file, true, nVertices, nFaces)) {
        return false;
    }
    vertices = nVertices > 0 ? new (std::nothrow) Vec3[nVertices] : nullptr;
    faces = nFaces > 0 ? new (std::nothrow) Face[nFaces]() : nullptr;
    if ((nVertices > 0 && vertices == nullptr) || (nFaces > 0 && faces == nullptr)) {
        Clear();
        return false;
    }
    vertexCount = nVertices;
    faceCount = nFaces;

    for (int i = 0; i < vertexCount; ++i) {
        if (!file.NextLineOf("Vertex", "Vertex list")) {
            Clear();
            return false;
        }
        FieldScan scan(file.line);
        Vec3& v = vertices[i];
        if (!scan.Find('X')) {
            Clear();
            return false;
        }
        scan.ReadCoordinate(v.x);
        if (!scan.Find('Y')) {
            Clear();
            return false;
        }
        scan.ReadCoordinate(v.y);
        if (!scan.Find('Z')) {
            Clear();
            return false;
        }
        scan.ReadCoordinate(v.z);
    }

    for (int i = 0; i < faceCount; ++i) {
        if (!file.NextLineOf("Face", "Face list")) {
            Clear();
            return false;
        }
        FieldScan scan(file.line);
        Face& f = faces[i];
        if (!scan.Find('A') || !scan.ReadIndex(f.a) || !scan.Find('B') || !scan.ReadIndex(f.b) ||
            !scan.Find('C') || !scan.ReadIndex(f.c)) {
            Clear();
            return false;
        }
        // The renderers index the vertex and coordinate arrays with these numbers.
        if (f.a < 0 || f.a >= vertexCount || f.b < 0 || f.b >= vertexCount || f.c < 0 || f.c >= vertexCount) {
            Clear();
            return false;
        }
    }
    return true;
}

bool MeshObject::Load(const char* fileName, const char* objectName)
{
    if (fileName == nullptr || objectName == nullptr) {
        return false;
    }
    TexCoordSet* oldSet = texCoordSet;
    Mesh* oldMesh = mesh;

    texCoordSet = new (std::nothrow) TexCoordSet;
    mesh = new (std::nothrow) Mesh;
    if (texCoordSet == nullptr || mesh == nullptr) {
        delete texCoordSet;
        delete mesh;
        texCoordSet = oldSet;
        mesh = oldMesh;
        return false;
    }
    if (texCoordSet->Load(fileName, objectName) && mesh->Load(fileName, objectName)) {
        // The former set and mesh are no longer referenced by the object: release them.
        delete oldSet;
        delete oldMesh;
        return true;
    }

    delete texCoordSet;
    delete mesh;
    texCoordSet = oldSet;
    mesh = oldMesh;
    return false;
}
