// platform/web/gl11.cpp -- the GL 1.1 and GLU subset of gl11.h: GL's state kept here, batches drawn by WebGL.
#include "gl11.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <map>
#include <vector>

// --- WebGL, through Emscripten's emscripten_gl* names (ours take the plain gl* names) ---------------
extern "C" {
void emscripten_glActiveTexture(GLenum texture);
void emscripten_glAttachShader(GLuint program, GLuint shader);
void emscripten_glBindAttribLocation(GLuint program, GLuint index, const GLchar* name);
void emscripten_glBindBuffer(GLenum target, GLuint buffer);
void emscripten_glBindTexture(GLenum target, GLuint texture);
void emscripten_glBlendFunc(GLenum sfactor, GLenum dfactor);
void emscripten_glBufferData(GLenum target, GLsizeiptr size, const void* data, GLenum usage);
void emscripten_glClear(GLbitfield mask);
void emscripten_glClearColor(GLfloat red, GLfloat green, GLfloat blue, GLfloat alpha);
void emscripten_glClearDepthf(GLfloat depth);
void emscripten_glCompileShader(GLuint shader);
GLuint emscripten_glCreateProgram(void);
GLuint emscripten_glCreateShader(GLenum type);
void emscripten_glDeleteTextures(GLsizei n, const GLuint* textures);
void emscripten_glDepthFunc(GLenum func);
void emscripten_glDisable(GLenum cap);
void emscripten_glDrawElements(GLenum mode, GLsizei count, GLenum type, const void* indices);
void emscripten_glEnable(GLenum cap);
void emscripten_glEnableVertexAttribArray(GLuint index);
void emscripten_glFlush(void);
void emscripten_glGenBuffers(GLsizei n, GLuint* buffers);
void emscripten_glGenTextures(GLsizei n, GLuint* textures);
void emscripten_glGetIntegerv(GLenum pname, GLint* data);
void emscripten_glGetProgramiv(GLuint program, GLenum pname, GLint* params);
void emscripten_glGetShaderiv(GLuint shader, GLenum pname, GLint* params);
GLint emscripten_glGetUniformLocation(GLuint program, const GLchar* name);
void emscripten_glLinkProgram(GLuint program);
void emscripten_glPixelStorei(GLenum pname, GLint param);
void emscripten_glShaderSource(GLuint shader, GLsizei count, const GLchar* const* string,
                               const GLint* length);
void emscripten_glTexImage2D(GLenum target, GLint level, GLint internalformat, GLsizei width, GLsizei height,
                             GLint border, GLenum format, GLenum type, const void* pixels);
void emscripten_glTexParameterf(GLenum target, GLenum pname, GLfloat param);
void emscripten_glUniform1f(GLint location, GLfloat v0);
void emscripten_glUniform1i(GLint location, GLint v0);
void emscripten_glUseProgram(GLuint program);
void emscripten_glVertexAttribPointer(GLuint index, GLint size, GLenum type, GLboolean normalized,
                                      GLsizei stride, const void* pointer);
void emscripten_glViewport(GLint x, GLint y, GLsizei width, GLsizei height);
}

namespace {

// ---- Matrices: column-major, as GL keeps them -------------------------------------------------------

struct Matrix {
    float m[16];
};

Matrix Identity()
{
    Matrix r{};
    r.m[0] = r.m[5] = r.m[10] = r.m[15] = 1.0f;
    return r;
}

Matrix Multiply(const Matrix& a, const Matrix& b)
{
    Matrix r{};
    for (int c = 0; c < 4; ++c) {
        for (int row = 0; row < 4; ++row) {
            float s = 0.0f;
            for (int k = 0; k < 4; ++k) {
                s += a.m[k * 4 + row] * b.m[c * 4 + k];
            }
            r.m[c * 4 + row] = s;
        }
    }
    return r;
}

void Transform(const Matrix& a, const float in[4], float out[4])
{
    for (int row = 0; row < 4; ++row) {
        out[row] = a.m[row] * in[0] + a.m[4 + row] * in[1] + a.m[8 + row] * in[2] + a.m[12 + row] * in[3];
    }
}

// ---- The state GL 1.1 keeps -------------------------------------------------------------------------

// Which attributes a vertex of a display list had given inside its glBegin/glEnd: the others are
// the current ones when the list runs.
constexpr unsigned kGivenColour = 1, kGivenNormal = 2, kGivenTexCoord = 4;

struct Vertex { // one vertex as glVertex takes it: object space and the current attributes
    float position[4];
    float colour[4];
    float normal[3];
    float texCoord[2];
    unsigned given = 0; // kGiven* bits, in display lists only
};

struct BatchVertex { // what WebGL gets: clip space, final colour, texture coordinate
    float clip[4];
    float colour[4];
    float texCoord[2];
    float edge = 0.0f; // across a smoothed line's quad, -1 to 1 (pixels from its middle); 0 elsewhere
};

enum class Kind { Triangles, Lines, Points };

struct TextureInfo {
    GLenum format = 0; // WebGL format of the levels; 0 while no image was given
};

// What a batch was drawn under: a change of any of it sends the batch first.
struct DrawState {
    Kind kind = Kind::Triangles;
    GLuint texture = 0; // 0: untextured
    GLenum textureFormat = 0;
    bool blend = false;
    GLenum blendSource = GL_ONE;
    GLenum blendDestination = GL_ZERO;
    bool depthTest = false;
    GLenum depthFunc = GL_LESS;

    bool operator==(const DrawState& o) const
    {
        return kind == o.kind && texture == o.texture && textureFormat == o.textureFormat &&
               blend == o.blend && blendSource == o.blendSource && blendDestination == o.blendDestination &&
               depthTest == o.depthTest && depthFunc == o.depthFunc;
    }
};

struct Enables {
    bool blend = false;
    bool depthTest = false;
    bool texture2d = false;
    bool lighting = false;
    bool light0 = false;
    bool lineSmooth = false;
    bool normalize = false;
    bool cullFace = false;
};

struct Current {
    float colour[4] = {1.0f, 1.0f, 1.0f, 1.0f};
    float normal[3] = {0.0f, 0.0f, 1.0f};
    float texCoord[2] = {0.0f, 0.0f};
};

struct Material { // front material, GL's defaults
    float ambient[4] = {0.2f, 0.2f, 0.2f, 1.0f};
    float diffuse[4] = {0.8f, 0.8f, 0.8f, 1.0f};
    float specular[4] = {0.0f, 0.0f, 0.0f, 1.0f};
    float emission[4] = {0.0f, 0.0f, 0.0f, 1.0f};
    float shininess = 0.0f;
};

struct ClientArray {
    bool enabled = false;
    GLint size = 4;
    GLsizei stride = 0;
    const void* pointer = nullptr;
};

struct ClientArrays {
    ClientArray vertex;
    ClientArray texCoord;
    ClientArray colour;
    ClientArray normal;
};

struct ServerAttributes { // what glPushAttrib saves, for the bits it knows
    GLbitfield mask = 0;
    Enables enables;
    Current current;
    GLuint listBase = 0;
    GLenum blendSource = GL_ONE;
    GLenum blendDestination = GL_ZERO;
    GLenum depthFunc = GL_LESS;
    GLuint boundTexture = 0;
};

// One command of a display list: a primitive (its vertices in object space), or a call replayed as it
// was made.
struct ListCommand {
    enum Op { Primitive, Colour, Normal, TexCoord, Translate, Rotate, Push, Pop, CallList };
    ListCommand(Op what) : op(what) {} // NOLINT: a command is its operation plus what it needs
    Op op;
    GLenum mode = 0;
    std::vector<Vertex> vertices;
    float v[4] = {0.0f, 0.0f, 0.0f, 0.0f};
    GLuint list = 0;
};

struct State {
    // matrices
    GLenum matrixMode = GL_MODELVIEW;
    std::vector<Matrix> modelview{Identity()};
    std::vector<Matrix> projection{Identity()};
    std::vector<Matrix> textureMatrix{Identity()};

    Enables enables;
    Current current;
    Material material;
    GLenum blendSource = GL_ONE;
    GLenum blendDestination = GL_ZERO;
    GLenum depthFunc = GL_LESS;
    GLenum shadeModel = GL_SMOOTH;
    float clearColour[4] = {0.0f, 0.0f, 0.0f, 0.0f};
    float clearDepth = 1.0f;
    GLint unpackAlignment = 4;
    GLint proxyLevel = 0; // the last proxy image asked about (GL_PROXY_TEXTURE_2D), 0 x 0 when refused
    GLsizei proxyWidth = 0;
    GLsizei proxyHeight = 0;

    // textures
    GLuint boundTexture = 0;
    GLuint webglBoundTexture = 0;
    std::map<GLuint, TextureInfo> textures;

    // immediate mode
    bool inBegin = false;
    GLenum beginMode = 0;
    std::vector<Vertex> primitive;
    unsigned given = 0;     // attributes given since glBegin while compiling a list
    Current beforeCompiled; // the current attributes at glBegin while compiling (a list changes none)

    // display lists
    std::map<GLuint, std::vector<ListCommand>> lists;
    GLuint nextList = 1;
    GLuint listBase = 0;
    GLuint compilingList = 0; // 0: not compiling
    std::vector<ListCommand> compiling;
    int callDepth = 0;

    // client arrays and the attribute stacks
    ClientArrays arrays;
    std::vector<ClientArrays> clientStack;
    std::vector<ServerAttributes> attribStack;

    // the batch being gathered
    DrawState batchState;
    std::vector<BatchVertex> batch;
    std::vector<std::uint32_t> batchIndices;
    bool discard = false;
    int viewportWidth = 1; // pixels, for smoothed lines
    int viewportHeight = 1;

    // WebGL objects
    bool attached = false;
    GLuint program = 0;
    GLuint vertexBuffer = 0;
    GLuint indexBuffer = 0;
    GLint useTexture = -1;
    GLint textureRgb = -1;
    GLint pointSize = -1;
    GLint sampler = -1;
    bool webglBlend = false;
    bool webglDepthTest = false;
    GLenum webglBlendSource = 0;
    GLenum webglBlendDestination = 0;
    GLenum webglDepthFunc = 0;
    bool webglStateKnown = false;
};

State& S()
{
    static State state;
    return state;
}

std::vector<Matrix>& CurrentStack()
{
    State& s = S();
    switch (s.matrixMode) {
    case GL_PROJECTION:
        return s.projection;
    case GL_TEXTURE:
        return s.textureMatrix;
    default:
        return s.modelview;
    }
}

void MultiplyCurrent(const Matrix& by)
{
    Matrix& top = CurrentStack().back();
    top = Multiply(top, by);
}

void Record(ListCommand command)
{
    S().compiling.push_back(std::move(command));
}

bool Compiling()
{
    return S().compilingList != 0;
}

// ---- Sending batches to WebGL ----------------------------------------------------------------------

const char* const kVertexShader = R"(
attribute vec4 aClip;
attribute vec4 aColour;
attribute vec2 aTexCoord;
attribute float aEdge;
uniform float uPointSize;
varying vec4 vColour;
varying vec2 vTexCoord;
varying float vEdge;
void main() {
    gl_Position = aClip;
    gl_PointSize = uPointSize;
    vColour = aColour;
    vTexCoord = aTexCoord;
    vEdge = aEdge;
}
)";

// GL 1.1's modulate: RGB and luminance textures multiply colour and alpha; an alpha texture keeps the
// fragment's colour and multiplies its alpha only (WebGL samples it as (0, 0, 0, A)).
const char* const kFragmentShader = R"(
precision mediump float;
uniform float uUseTexture;
uniform float uTextureRgb;
uniform sampler2D uSampler;
varying vec4 vColour;
varying vec2 vTexCoord;
varying float vEdge;
void main() {
    // A smoothed line covers a pixel less the farther it is from the line's middle.
    vec4 c = vec4(vColour.rgb, vColour.a * (1.0 - abs(vEdge)));
    if (uUseTexture > 0.5) {
        vec4 t = texture2D(uSampler, vTexCoord);
        c = vec4(c.rgb * mix(vec3(1.0), t.rgb, uTextureRgb), c.a * t.a);
    }
    gl_FragColor = c;
}
)";

GLuint CompileShader(GLenum type, const char* source)
{
    const GLuint shader = emscripten_glCreateShader(type);
    emscripten_glShaderSource(shader, 1, &source, nullptr);
    emscripten_glCompileShader(shader);
    GLint ok = 0;
    emscripten_glGetShaderiv(shader, 0x8B81 /* GL_COMPILE_STATUS */, &ok);
    return ok ? shader : 0;
}

void BindWebGlTexture(GLuint name)
{
    State& s = S();
    if (s.webglBoundTexture != name) {
        emscripten_glBindTexture(GL_TEXTURE_2D, name);
        s.webglBoundTexture = name;
    }
}

void ApplyDrawState(const DrawState& d)
{
    State& s = S();
    if (!s.webglStateKnown || s.webglBlend != d.blend) {
        d.blend ? emscripten_glEnable(GL_BLEND) : emscripten_glDisable(GL_BLEND);
        s.webglBlend = d.blend;
    }
    if (!s.webglStateKnown || s.webglBlendSource != d.blendSource ||
        s.webglBlendDestination != d.blendDestination) {
        emscripten_glBlendFunc(d.blendSource, d.blendDestination);
        s.webglBlendSource = d.blendSource;
        s.webglBlendDestination = d.blendDestination;
    }
    if (!s.webglStateKnown || s.webglDepthTest != d.depthTest) {
        d.depthTest ? emscripten_glEnable(GL_DEPTH_TEST) : emscripten_glDisable(GL_DEPTH_TEST);
        s.webglDepthTest = d.depthTest;
    }
    if (!s.webglStateKnown || s.webglDepthFunc != d.depthFunc) {
        emscripten_glDepthFunc(d.depthFunc);
        s.webglDepthFunc = d.depthFunc;
    }
    s.webglStateKnown = true;
    emscripten_glUniform1f(s.useTexture, d.texture != 0 ? 1.0f : 0.0f);
    emscripten_glUniform1f(s.textureRgb, d.textureFormat == GL_ALPHA ? 0.0f : 1.0f);
    if (d.texture != 0) {
        BindWebGlTexture(d.texture);
    }
}

void SendBatch()
{
    State& s = S();
    if (s.batchIndices.empty() || s.discard || !s.attached) {
        s.batch.clear();
        s.batchIndices.clear();
        return;
    }
    ApplyDrawState(s.batchState);
    emscripten_glBindBuffer(GL_ARRAY_BUFFER, s.vertexBuffer);
    emscripten_glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(s.batch.size() * sizeof(BatchVertex)),
                            s.batch.data(), 0x88E0 /* GL_STREAM_DRAW */);
    emscripten_glBindBuffer(0x8893 /* GL_ELEMENT_ARRAY_BUFFER */, s.indexBuffer);
    emscripten_glBufferData(0x8893, static_cast<GLsizeiptr>(s.batchIndices.size() * sizeof(std::uint32_t)),
                            s.batchIndices.data(), 0x88E0);
    const GLsizei stride = sizeof(BatchVertex);
    emscripten_glVertexAttribPointer(0, 4, GL_FLOAT, GL_FALSE, stride, reinterpret_cast<const void*>(0));
    emscripten_glVertexAttribPointer(1, 4, GL_FLOAT, GL_FALSE, stride,
                                     reinterpret_cast<const void*>(offsetof(BatchVertex, colour)));
    emscripten_glVertexAttribPointer(2, 2, GL_FLOAT, GL_FALSE, stride,
                                     reinterpret_cast<const void*>(offsetof(BatchVertex, texCoord)));
    emscripten_glVertexAttribPointer(3, 1, GL_FLOAT, GL_FALSE, stride,
                                     reinterpret_cast<const void*>(offsetof(BatchVertex, edge)));
    GLenum mode = GL_TRIANGLES;
    if (s.batchState.kind == Kind::Lines) mode = GL_LINES;
    if (s.batchState.kind == Kind::Points) mode = GL_POINTS;
    emscripten_glDrawElements(mode, static_cast<GLsizei>(s.batchIndices.size()), GL_UNSIGNED_INT, nullptr);
    s.batch.clear();
    s.batchIndices.clear();
}

// The draw state for a primitive of `kind` given now.
DrawState CurrentDrawState(Kind kind)
{
    State& s = S();
    DrawState d;
    d.kind = kind;
    if (s.enables.texture2d && s.boundTexture != 0) {
        auto found = s.textures.find(s.boundTexture);
        if (found != s.textures.end() && found->second.format != 0) {
            d.texture = s.boundTexture;
            d.textureFormat = found->second.format;
        }
    }
    d.blend = s.enables.blend;
    d.blendSource = s.blendSource;
    d.blendDestination = s.blendDestination;
    d.depthTest = s.enables.depthTest;
    d.depthFunc = s.depthFunc;
    return d;
}

// Room in the batch for `vertices` more of `kind`; returns the index of the first one.
std::uint32_t Reserve(Kind kind, std::size_t vertices)
{
    State& s = S();
    const DrawState d = CurrentDrawState(kind);
    constexpr std::size_t kMaxBatchVertices = 1u << 20;
    if (!(d == s.batchState) || s.batch.size() + vertices > kMaxBatchVertices) {
        SendBatch();
        s.batchState = d;
    }
    return static_cast<std::uint32_t>(s.batch.size());
}

// ---- Per-vertex work: transform and lighting --------------------------------------------------------

struct VertexStage {
    Matrix modelview;
    Matrix clip; // projection x modelview
    float normalMatrix[9];
    bool lit = false;
};

VertexStage MakeStage()
{
    State& s = S();
    VertexStage stage;
    stage.modelview = s.modelview.back();
    stage.clip = Multiply(s.projection.back(), stage.modelview);
    stage.lit = s.enables.lighting;
    if (stage.lit) {
        // The inverse transpose of the upper 3 x 3 takes normals to eye space.
        const float* m = stage.modelview.m;
        const float a = m[0], b = m[4], c = m[8], d = m[1], e = m[5], f = m[9], g = m[2], h = m[6], i = m[10];
        const float det = a * (e * i - f * h) - b * (d * i - f * g) + c * (d * h - e * g);
        const float inv = det != 0.0f ? 1.0f / det : 0.0f;
        // rows of the inverse transpose
        stage.normalMatrix[0] = (e * i - f * h) * inv;
        stage.normalMatrix[1] = -(d * i - f * g) * inv;
        stage.normalMatrix[2] = (d * h - e * g) * inv;
        stage.normalMatrix[3] = -(b * i - c * h) * inv;
        stage.normalMatrix[4] = (a * i - c * g) * inv;
        stage.normalMatrix[5] = -(a * h - b * g) * inv;
        stage.normalMatrix[6] = (b * f - c * e) * inv;
        stage.normalMatrix[7] = -(a * f - c * d) * inv;
        stage.normalMatrix[8] = (a * e - b * d) * inv;
    }
    return stage;
}

float Clamp01(float v)
{
    return v < 0.0f ? 0.0f : (v > 1.0f ? 1.0f : v);
}

// GL 1.1's lighting with the one light the show can switch on: light 0 at its defaults (white, from
// +z in eye space, at infinity, no local viewer), the scene ambient (0.2, 0.2, 0.2) and the front
// material.
void Light(const VertexStage& stage, const Vertex& v, float out[4])
{
    const State& s = S();
    const Material& mat = s.material;
    const float* n3 = stage.normalMatrix;
    float n[3] = {n3[0] * v.normal[0] + n3[1] * v.normal[1] + n3[2] * v.normal[2],
                  n3[3] * v.normal[0] + n3[4] * v.normal[1] + n3[5] * v.normal[2],
                  n3[6] * v.normal[0] + n3[7] * v.normal[1] + n3[8] * v.normal[2]};
    const float length = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
    if (s.enables.normalize && length > 0.0f) {
        n[0] /= length;
        n[1] /= length;
        n[2] /= length;
    }
    for (int k = 0; k < 3; ++k) {
        out[k] = mat.emission[k] + 0.2f * mat.ambient[k];
    }
    if (s.enables.light0) {
        const float diffuse = std::max(0.0f, n[2]); // N . L with L = (0, 0, 1)
        float specular = 0.0f;
        if (diffuse > 0.0f) {
            // H = L + (0, 0, 1) normalised = (0, 0, 1)
            const float nh = std::max(0.0f, n[2]);
            specular = mat.shininess > 0.0f ? std::pow(nh, mat.shininess) : 1.0f;
        }
        for (int k = 0; k < 3; ++k) {
            out[k] += diffuse * mat.diffuse[k] + specular * mat.specular[k];
        }
    }
    out[3] = mat.diffuse[3];
}

void AddVertex(const VertexStage& stage, const Vertex& v)
{
    State& s = S();
    BatchVertex b;
    Transform(stage.clip, v.position, b.clip);
    if (stage.lit) {
        Light(stage, v, b.colour);
    } else {
        std::memcpy(b.colour, v.colour, sizeof b.colour);
    }
    for (float& c : b.colour)
        c = Clamp01(c);
    b.texCoord[0] = v.texCoord[0];
    b.texCoord[1] = v.texCoord[1];
    s.batch.push_back(b);
}

Kind KindOf(GLenum mode)
{
    switch (mode) {
    case GL_POINTS:
        return Kind::Points;
    case GL_LINES:
    case GL_LINE_LOOP:
    case GL_LINE_STRIP:
        return Kind::Lines;
    default:
        return Kind::Triangles;
    }
}

// The indices that draw `count` vertices of `mode` as triangles, lines or points, from `first` on.
void AppendIndices(GLenum mode, std::uint32_t first, std::uint32_t count, std::vector<std::uint32_t>* out)
{
    auto add = [&](std::uint32_t k) { out->push_back(first + k); };
    switch (mode) {
    case GL_POINTS:
        for (std::uint32_t k = 0; k < count; ++k)
            add(k);
        break;
    case GL_LINES:
        for (std::uint32_t k = 0; k + 1 < count; k += 2) {
            add(k);
            add(k + 1);
        }
        break;
    case GL_LINE_STRIP:
    case GL_LINE_LOOP:
        for (std::uint32_t k = 0; k + 1 < count; ++k) {
            add(k);
            add(k + 1);
        }
        if (mode == GL_LINE_LOOP && count > 1) {
            add(count - 1);
            add(0);
        }
        break;
    case GL_TRIANGLES:
        for (std::uint32_t k = 0; k + 2 < count; k += 3) {
            add(k);
            add(k + 1);
            add(k + 2);
        }
        break;
    case GL_TRIANGLE_STRIP:
        for (std::uint32_t k = 0; k + 2 < count; ++k) {
            if (k % 2 == 0) {
                add(k);
                add(k + 1);
            } else {
                add(k + 1);
                add(k);
            }
            add(k + 2);
        }
        break;
    case GL_QUADS:
        for (std::uint32_t k = 0; k + 3 < count; k += 4) {
            add(k);
            add(k + 1);
            add(k + 2);
            add(k);
            add(k + 2);
            add(k + 3);
        }
        break;
    case GL_QUAD_STRIP:
        for (std::uint32_t k = 0; k + 3 < count; k += 2) {
            add(k);
            add(k + 1);
            add(k + 3);
            add(k);
            add(k + 3);
            add(k + 2);
        }
        break;
    case GL_TRIANGLE_FAN:
    case GL_POLYGON:
        for (std::uint32_t k = 1; k + 1 < count; ++k) {
            add(0);
            add(k);
            add(k + 1);
        }
        break;
    default:
        break;
    }
}

// Which planes of the view volume (-w <= x, y, z <= w) a clip-space point lies beyond, one bit each.
unsigned Outcode(const float* c)
{
    const float w = c[3];
    return (c[0] < -w ? 1u : 0u) | (c[0] > w ? 2u : 0u) | (c[1] < -w ? 4u : 0u) | (c[1] > w ? 8u : 0u) |
           (c[2] < -w ? 16u : 0u) | (c[2] > w ? 32u : 0u);
}

// GL clips a triangle (or a segment) whose corners all lie beyond one plane of the view volume to
// nothing. The primitives of that kind appended to the batch from index `start` on are looked at, and
// those are left out: the same pixels, and less for WebGL to set up and clip (a scene's meshes often
// lie partly or wholly off screen).
void DropPrimitivesOutside(std::size_t start, std::size_t corners)
{
    State& s = S();
    std::vector<std::uint32_t>& indices = s.batchIndices;
    std::size_t kept = start;
    for (std::size_t k = start; k + corners <= indices.size(); k += corners) {
        unsigned all = ~0u;
        for (std::size_t c = 0; c < corners; ++c)
            all &= Outcode(s.batch[indices[k + c]].clip);
        if (all != 0) continue;
        for (std::size_t c = 0; c < corners; ++c)
            indices[kept + c] = indices[k + c];
        kept += corners;
    }
    indices.resize(kept);
}

// The primitives of `kind` appended from `start` on, less those wholly outside the view volume.
void ClipAppended(Kind kind, std::size_t start)
{
    if (kind == Kind::Triangles) DropPrimitivesOutside(start, 3);
    if (kind == Kind::Lines) DropPrimitivesOutside(start, 2);
}

// WebGL has no smoothed lines: with GL_LINE_SMOOTH and blending on, each segment becomes a quad two
// pixels wide whose alpha falls off from its middle to its sides, as a one-pixel line's coverage does.
void SubmitSmoothLines(GLenum mode, const std::vector<Vertex>& vertices)
{
    State& s = S();
    std::vector<std::uint32_t> segments;
    AppendIndices(mode, 0, static_cast<std::uint32_t>(vertices.size()), &segments);
    const VertexStage stage = MakeStage();
    std::vector<BatchVertex> ends;
    ends.reserve(vertices.size());
    for (const Vertex& v : vertices) {
        BatchVertex b;
        Transform(stage.clip, v.position, b.clip);
        std::memcpy(b.colour, v.colour, sizeof b.colour);
        for (float& c : b.colour)
            c = Clamp01(c);
        b.texCoord[0] = v.texCoord[0];
        b.texCoord[1] = v.texCoord[1];
        ends.push_back(b);
    }
    const float halfWidth = static_cast<float>(s.viewportWidth) / 2.0f;
    const float halfHeight = static_cast<float>(s.viewportHeight) / 2.0f;
    for (std::size_t k = 0; k + 1 < segments.size(); k += 2) {
        const BatchVertex& a = ends[segments[k]];
        const BatchVertex& b = ends[segments[k + 1]];
        if (!(a.clip[3] > 0.0f && b.clip[3] > 0.0f)) continue; // behind the eye: not drawn here
        // The segment's direction in pixels, and one pixel across it in normalised device units.
        const float dx = (b.clip[0] / b.clip[3] - a.clip[0] / a.clip[3]) * halfWidth;
        const float dy = (b.clip[1] / b.clip[3] - a.clip[1] / a.clip[3]) * halfHeight;
        const float length = std::sqrt(dx * dx + dy * dy);
        if (!(length > 0.0f)) continue;
        const float nx = -dy / length / halfWidth;
        const float ny = dx / length / halfHeight;
        const std::uint32_t first = Reserve(Kind::Triangles, 4);
        for (const BatchVertex* end : {&a, &b}) {
            for (const float side : {-1.0f, 1.0f}) {
                BatchVertex q = *end;
                q.clip[0] += side * nx * end->clip[3];
                q.clip[1] += side * ny * end->clip[3];
                q.edge = side;
                s.batch.push_back(q);
            }
        }
        for (const std::uint32_t i : {0u, 1u, 3u, 0u, 3u, 2u})
            s.batchIndices.push_back(first + i);
    }
}

// A finished glBegin/glEnd primitive: into the list being compiled, or into the batch.
void Submit(GLenum mode, const std::vector<Vertex>& vertices)
{
    State& s = S();
    if (vertices.empty()) return;
    if (s.discard) return;
    if (KindOf(mode) == Kind::Lines && s.enables.lineSmooth && s.enables.blend && !s.enables.lighting) {
        SubmitSmoothLines(mode, vertices);
        return;
    }
    const std::uint32_t first = Reserve(KindOf(mode), vertices.size());
    const VertexStage stage = MakeStage();
    for (const Vertex& v : vertices)
        AddVertex(stage, v);
    const std::size_t start = s.batchIndices.size();
    AppendIndices(mode, first, static_cast<std::uint32_t>(vertices.size()), &s.batchIndices);
    ClipAppended(KindOf(mode), start);
}

// A list's primitive, run: what its vertices did not give is the current attribute now; what they gave
// last stays current after it, as after the same calls made directly.
void RunPrimitive(const ListCommand& c)
{
    State& s = S();
    std::vector<Vertex> vertices = c.vertices;
    for (Vertex& v : vertices) {
        if (!(v.given & kGivenColour)) std::memcpy(v.colour, s.current.colour, sizeof v.colour);
        if (!(v.given & kGivenNormal)) std::memcpy(v.normal, s.current.normal, sizeof v.normal);
        if (!(v.given & kGivenTexCoord)) std::memcpy(v.texCoord, s.current.texCoord, sizeof v.texCoord);
    }
    Submit(c.mode, vertices);
    if (!vertices.empty()) {
        const Vertex& last = vertices.back();
        std::memcpy(s.current.colour, last.colour, sizeof s.current.colour);
        std::memcpy(s.current.normal, last.normal, sizeof s.current.normal);
        std::memcpy(s.current.texCoord, last.texCoord, sizeof s.current.texCoord);
    }
}

void SetEnable(GLenum cap, bool on)
{
    Enables& e = S().enables;
    switch (cap) {
    case GL_BLEND:
        e.blend = on;
        break;
    case GL_DEPTH_TEST:
        e.depthTest = on;
        break;
    case GL_TEXTURE_2D:
        e.texture2d = on;
        break;
    case GL_LIGHTING:
        e.lighting = on;
        break;
    case GL_LIGHT0:
        e.light0 = on;
        break;
    case GL_LINE_SMOOTH:
        e.lineSmooth = on;
        break; // kept for glIsEnabled; WebGL lines are never smoothed
    case GL_NORMALIZE:
        e.normalize = on;
        break;
    case GL_CULL_FACE:
        e.cullFace = on;
        break;
    default:
        break;
    }
}

// ---- gluBuild2DMipmaps: GLU's rescale to powers of two and its box-filtered levels ----------------------

// GLU's choice of a power of two for a side: the one below, or the one above when the side's top
// two bits are both set (so 300 becomes 256, 400 becomes 512).
int NearestPower(int value)
{
    int i = 1;
    if (value <= 0) return 1;
    for (;;) {
        if (value == 1) return i;
        if (value == 3) return i * 4;
        value >>= 1;
        i *= 2;
    }
}

// Scales a components-per-pixel image by averaging each output pixel's box of input area (as GLU's
// scaler does), the result truncated to a byte.
std::vector<unsigned char> ScaleImage(int components, int widthIn, int heightIn, const unsigned char* in,
                                      int widthOut, int heightOut)
{
    std::vector<unsigned char> out(static_cast<std::size_t>(widthOut) * heightOut * components);
    const float convx = static_cast<float>(widthIn) / static_cast<float>(widthOut);
    const float convy = static_cast<float>(heightIn) / static_cast<float>(heightOut);
    const float area = convx * convy;
    for (int i = 0; i < heightOut; ++i) {
        const float y0 = convy * static_cast<float>(i);
        const float y1 = y0 + convy;
        for (int j = 0; j < widthOut; ++j) {
            const float x0 = convx * static_cast<float>(j);
            const float x1 = x0 + convx;
            float totals[4] = {0.0f, 0.0f, 0.0f, 0.0f};
            for (int y = static_cast<int>(y0); y < heightIn && static_cast<float>(y) < y1; ++y) {
                const float wy =
                    std::min(y1, static_cast<float>(y + 1)) - std::max(y0, static_cast<float>(y));
                if (wy <= 0.0f) continue;
                for (int x = static_cast<int>(x0); x < widthIn && static_cast<float>(x) < x1; ++x) {
                    const float wx =
                        std::min(x1, static_cast<float>(x + 1)) - std::max(x0, static_cast<float>(x));
                    if (wx <= 0.0f) continue;
                    const unsigned char* p = in + (static_cast<std::size_t>(y) * widthIn + x) * components;
                    for (int k = 0; k < components; ++k)
                        totals[k] += static_cast<float>(p[k]) * wx * wy;
                }
            }
            unsigned char* o = out.data() + (static_cast<std::size_t>(i) * widthOut + j) * components;
            for (int k = 0; k < components; ++k) {
                o[k] = static_cast<unsigned char>(std::min(255.0f, totals[k] / area));
            }
        }
    }
    return out;
}

// The next mipmap level: 2 x 2 (or 2 x 1) averages, rounded as GLU rounds them.
std::vector<unsigned char> HalveImage(int components, int width, int height, const unsigned char* in)
{
    const int w = std::max(1, width / 2);
    const int h = std::max(1, height / 2);
    std::vector<unsigned char> out(static_cast<std::size_t>(w) * h * components);
    auto at = [&](int x, int y, int k) {
        return static_cast<int>(in[(static_cast<std::size_t>(y) * width + x) * components + k]);
    };
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            for (int k = 0; k < components; ++k) {
                int v;
                if (width == 1) {
                    v = (at(0, 2 * y, k) + at(0, 2 * y + 1, k) + 1) / 2;
                } else if (height == 1) {
                    v = (at(2 * x, 0, k) + at(2 * x + 1, 0, k) + 1) / 2;
                } else {
                    v = (at(2 * x, 2 * y, k) + at(2 * x + 1, 2 * y, k) + at(2 * x, 2 * y + 1, k) +
                         at(2 * x + 1, 2 * y + 1, k) + 2) /
                        4;
                }
                out[(static_cast<std::size_t>(y) * w + x) * components + k] = static_cast<unsigned char>(v);
            }
        }
    }
    return out;
}

int ComponentsOf(GLenum format)
{
    switch (format) {
    case GL_RGB:
    case GL_BGR_EXT:
        return 3;
    case GL_RGBA:
        return 4;
    case GL_LUMINANCE_ALPHA:
        return 2;
    default:
        return 1; // GL_LUMINANCE, GL_ALPHA
    }
}

// The WebGL format of a texture made with GL 1.1's internal format (a component count or a name).
GLenum WebGlFormat(GLint internalFormat)
{
    switch (internalFormat) {
    case 1:
    case GL_LUMINANCE:
        return GL_LUMINANCE;
    case 2:
    case GL_LUMINANCE_ALPHA:
        return GL_LUMINANCE_ALPHA;
    case 3:
    case GL_RGB:
        return GL_RGB;
    case 4:
    case GL_RGBA:
        return GL_RGBA;
    case GL_ALPHA:
        return GL_ALPHA;
    default:
        return 0;
    }
}

// One source pixel turned into `target`'s components, as GL takes a pixel apart (luminance from red).
void ConvertPixel(GLenum source, const unsigned char* in, GLenum target, unsigned char* out)
{
    unsigned char r = 0, g = 0, b = 0, a = 255;
    switch (source) {
    case GL_RGB:
        r = in[0], g = in[1], b = in[2];
        break;
    case GL_BGR_EXT:
        r = in[2], g = in[1], b = in[0];
        break;
    case GL_RGBA:
        r = in[0], g = in[1], b = in[2], a = in[3];
        break;
    case GL_LUMINANCE:
        r = g = b = in[0];
        break;
    case GL_LUMINANCE_ALPHA:
        r = g = b = in[0], a = in[1];
        break;
    case GL_ALPHA:
        r = g = b = 0, a = in[0];
        break;
    default:
        break;
    }
    switch (target) {
    case GL_RGB:
        out[0] = r, out[1] = g, out[2] = b;
        break;
    case GL_RGBA:
        out[0] = r, out[1] = g, out[2] = b, out[3] = a;
        break;
    case GL_LUMINANCE:
        out[0] = r;
        break;
    case GL_LUMINANCE_ALPHA:
        out[0] = r, out[1] = a;
        break;
    case GL_ALPHA:
        out[0] = a;
        break;
    default:
        break;
    }
}

} // namespace

// ==== The layer's own calls ==========================================================================

bool WebGlAttach()
{
    State& s = S();
    const GLuint vs = CompileShader(0x8B31 /* GL_VERTEX_SHADER */, kVertexShader);
    const GLuint fs = CompileShader(0x8B30 /* GL_FRAGMENT_SHADER */, kFragmentShader);
    if (vs == 0 || fs == 0) return false;
    s.program = emscripten_glCreateProgram();
    emscripten_glAttachShader(s.program, vs);
    emscripten_glAttachShader(s.program, fs);
    emscripten_glBindAttribLocation(s.program, 0, "aClip");
    emscripten_glBindAttribLocation(s.program, 1, "aColour");
    emscripten_glBindAttribLocation(s.program, 2, "aTexCoord");
    emscripten_glBindAttribLocation(s.program, 3, "aEdge");
    emscripten_glLinkProgram(s.program);
    GLint ok = 0;
    emscripten_glGetProgramiv(s.program, 0x8B82 /* GL_LINK_STATUS */, &ok);
    if (!ok) return false;
    emscripten_glUseProgram(s.program);
    s.useTexture = emscripten_glGetUniformLocation(s.program, "uUseTexture");
    s.textureRgb = emscripten_glGetUniformLocation(s.program, "uTextureRgb");
    s.pointSize = emscripten_glGetUniformLocation(s.program, "uPointSize");
    s.sampler = emscripten_glGetUniformLocation(s.program, "uSampler");
    emscripten_glUniform1f(s.pointSize, 1.0f);
    emscripten_glUniform1i(s.sampler, 0);
    emscripten_glActiveTexture(0x84C0 /* GL_TEXTURE0 */);
    emscripten_glGenBuffers(1, &s.vertexBuffer);
    emscripten_glGenBuffers(1, &s.indexBuffer);
    for (GLuint k = 0; k < 4; ++k)
        emscripten_glEnableVertexAttribArray(k);
    s.webglStateKnown = false;
    s.attached = true;
    return true;
}

void WebGlFlush()
{
    SendBatch();
}

void WebGlDiscardDrawing(bool discard)
{
    SendBatch();
    S().discard = discard;
}

// ==== GL 1.1 ========================================================================================

extern "C" {

// ---- state ----

void glEnable(GLenum cap)
{
    SetEnable(cap, true);
}

void glDisable(GLenum cap)
{
    SetEnable(cap, false);
}

GLboolean glIsEnabled(GLenum cap)
{
    const Enables& e = S().enables;
    switch (cap) {
    case GL_BLEND:
        return e.blend;
    case GL_DEPTH_TEST:
        return e.depthTest;
    case GL_TEXTURE_2D:
        return e.texture2d;
    case GL_LIGHTING:
        return e.lighting;
    case GL_LIGHT0:
        return e.light0;
    case GL_LINE_SMOOTH:
        return e.lineSmooth;
    case GL_NORMALIZE:
        return e.normalize;
    case GL_CULL_FACE:
        return e.cullFace;
    case GL_VERTEX_ARRAY:
        return S().arrays.vertex.enabled;
    case GL_TEXTURE_COORD_ARRAY:
        return S().arrays.texCoord.enabled;
    default:
        return GL_FALSE;
    }
}

void glBlendFunc(GLenum sfactor, GLenum dfactor)
{
    S().blendSource = sfactor;
    S().blendDestination = dfactor;
}

void glDepthFunc(GLenum func)
{
    S().depthFunc = func;
}

void glShadeModel(GLenum mode)
{
    S().shadeModel = mode; // only smooth shading is drawn
}

void glHint(GLenum, GLenum)
{
    // Perspective-correct interpolation is WebGL's only kind.
}

void glClearColor(GLclampf red, GLclampf green, GLclampf blue, GLclampf alpha)
{
    State& s = S();
    s.clearColour[0] = red;
    s.clearColour[1] = green;
    s.clearColour[2] = blue;
    s.clearColour[3] = alpha;
}

void glClearDepth(GLclampd depth)
{
    S().clearDepth = static_cast<float>(depth);
}

void glClear(GLbitfield mask)
{
    State& s = S();
    SendBatch();
    if (s.discard || !s.attached) return;
    emscripten_glClearColor(s.clearColour[0], s.clearColour[1], s.clearColour[2], s.clearColour[3]);
    emscripten_glClearDepthf(s.clearDepth);
    emscripten_glClear(mask & (GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT));
}

void glViewport(GLint x, GLint y, GLsizei width, GLsizei height)
{
    SendBatch();
    S().viewportWidth = width > 0 ? width : 1;
    S().viewportHeight = height > 0 ? height : 1;
    emscripten_glViewport(x, y, width, height);
}

void glFlush(void)
{
    SendBatch();
    emscripten_glFlush();
}

void glGetIntegerv(GLenum pname, GLint* params)
{
    switch (pname) {
    case GL_MAX_TEXTURE_SIZE:
        emscripten_glGetIntegerv(pname, params);
        break;
    case GL_UNPACK_ALIGNMENT:
        *params = S().unpackAlignment;
        break;
    case GL_LIST_BASE:
        *params = static_cast<GLint>(S().listBase);
        break;
    case GL_MATRIX_MODE:
        *params = static_cast<GLint>(S().matrixMode);
        break;
    case GL_TEXTURE_BINDING_2D:
        *params = static_cast<GLint>(S().boundTexture);
        break;
    default:
        emscripten_glGetIntegerv(pname, params);
        break;
    }
}

void glPixelStorei(GLenum pname, GLint param)
{
    // WebGL 1 knows only the alignment; the engine's row lengths and skips are always 0.
    if (pname == GL_UNPACK_ALIGNMENT) {
        S().unpackAlignment = param;
    }
}

// ---- matrices ----

void glMatrixMode(GLenum mode)
{
    S().matrixMode = mode;
}

void glLoadIdentity(void)
{
    CurrentStack().back() = Identity();
}

void glPushMatrix(void)
{
    if (Compiling()) {
        Record({ListCommand::Push});
        return;
    }
    std::vector<Matrix>& stack = CurrentStack();
    constexpr std::size_t kDepth = 32; // GL's minimum modelview depth; a push beyond it does nothing
    if (stack.size() < kDepth) stack.push_back(stack.back());
}

void glPopMatrix(void)
{
    if (Compiling()) {
        Record({ListCommand::Pop});
        return;
    }
    std::vector<Matrix>& stack = CurrentStack();
    if (stack.size() > 1) stack.pop_back();
}

void glTranslatef(GLfloat x, GLfloat y, GLfloat z)
{
    if (Compiling()) {
        ListCommand c{ListCommand::Translate};
        c.v[0] = x, c.v[1] = y, c.v[2] = z;
        Record(std::move(c));
        return;
    }
    Matrix t = Identity();
    t.m[12] = x;
    t.m[13] = y;
    t.m[14] = z;
    MultiplyCurrent(t);
}

void glRotatef(GLfloat angle, GLfloat x, GLfloat y, GLfloat z)
{
    if (Compiling()) {
        ListCommand c{ListCommand::Rotate};
        c.v[0] = angle, c.v[1] = x, c.v[2] = y, c.v[3] = z;
        Record(std::move(c));
        return;
    }
    const float length = std::sqrt(x * x + y * y + z * z);
    if (length == 0.0f) return;
    x /= length;
    y /= length;
    z /= length;
    const double radians = static_cast<double>(angle) * M_PI / 180.0;
    const float c = static_cast<float>(std::cos(radians));
    const float s = static_cast<float>(std::sin(radians));
    const float t = 1.0f - c;
    Matrix r = Identity();
    r.m[0] = t * x * x + c;
    r.m[1] = t * x * y + s * z;
    r.m[2] = t * x * z - s * y;
    r.m[4] = t * x * y - s * z;
    r.m[5] = t * y * y + c;
    r.m[6] = t * y * z + s * x;
    r.m[8] = t * x * z + s * y;
    r.m[9] = t * y * z - s * x;
    r.m[10] = t * z * z + c;
    MultiplyCurrent(r);
}

// ---- immediate mode ----

void glBegin(GLenum mode)
{
    State& s = S();
    s.inBegin = true;
    s.beginMode = mode;
    s.primitive.clear();
    s.given = 0;
    if (Compiling()) s.beforeCompiled = s.current;
}

void glEnd(void)
{
    State& s = S();
    if (!s.inBegin) return;
    s.inBegin = false;
    if (Compiling()) {
        ListCommand c{ListCommand::Primitive};
        c.mode = s.beginMode;
        c.vertices = s.primitive;
        Record(std::move(c));
        s.current = s.beforeCompiled;
    } else {
        Submit(s.beginMode, s.primitive);
    }
    s.primitive.clear();
}

void glVertex3f(GLfloat x, GLfloat y, GLfloat z)
{
    State& s = S();
    if (!s.inBegin) return;
    if (s.discard && !Compiling()) return; // nothing of it would be drawn
    Vertex v;
    v.position[0] = x;
    v.position[1] = y;
    v.position[2] = z;
    v.position[3] = 1.0f;
    std::memcpy(v.colour, s.current.colour, sizeof v.colour);
    std::memcpy(v.normal, s.current.normal, sizeof v.normal);
    std::memcpy(v.texCoord, s.current.texCoord, sizeof v.texCoord);
    v.given = s.given;
    s.primitive.push_back(v);
}

void glColor4f(GLfloat red, GLfloat green, GLfloat blue, GLfloat alpha)
{
    State& s = S();
    if (Compiling() && !s.inBegin) {
        ListCommand c{ListCommand::Colour};
        c.v[0] = red, c.v[1] = green, c.v[2] = blue, c.v[3] = alpha;
        Record(std::move(c));
        return;
    }
    if (s.inBegin) s.given |= kGivenColour;
    s.current.colour[0] = red;
    s.current.colour[1] = green;
    s.current.colour[2] = blue;
    s.current.colour[3] = alpha;
}

void glColor3f(GLfloat red, GLfloat green, GLfloat blue)
{
    glColor4f(red, green, blue, 1.0f);
}

void glNormal3f(GLfloat nx, GLfloat ny, GLfloat nz)
{
    State& s = S();
    if (Compiling() && !s.inBegin) {
        ListCommand c{ListCommand::Normal};
        c.v[0] = nx, c.v[1] = ny, c.v[2] = nz;
        Record(std::move(c));
        return;
    }
    if (s.inBegin) s.given |= kGivenNormal;
    s.current.normal[0] = nx;
    s.current.normal[1] = ny;
    s.current.normal[2] = nz;
}

void glTexCoord2f(GLfloat u, GLfloat v)
{
    State& s = S();
    if (Compiling() && !s.inBegin) {
        ListCommand c{ListCommand::TexCoord};
        c.v[0] = u, c.v[1] = v;
        Record(std::move(c));
        return;
    }
    if (s.inBegin) s.given |= kGivenTexCoord;
    s.current.texCoord[0] = u;
    s.current.texCoord[1] = v;
}

// ---- materials ----

void glMaterialfv(GLenum face, GLenum pname, const GLfloat* params)
{
    if (face != GL_FRONT && face != GL_FRONT_AND_BACK) return; // back faces are never lit here
    Material& m = S().material;
    switch (pname) {
    case GL_AMBIENT:
        std::memcpy(m.ambient, params, sizeof m.ambient);
        break;
    case GL_DIFFUSE:
        std::memcpy(m.diffuse, params, sizeof m.diffuse);
        break;
    case GL_SPECULAR:
        std::memcpy(m.specular, params, sizeof m.specular);
        break;
    case GL_EMISSION:
        std::memcpy(m.emission, params, sizeof m.emission);
        break;
    case GL_AMBIENT_AND_DIFFUSE:
        std::memcpy(m.ambient, params, sizeof m.ambient);
        std::memcpy(m.diffuse, params, sizeof m.diffuse);
        break;
    case GL_SHININESS:
        m.shininess = std::clamp(params[0], 0.0f, 128.0f);
        break;
    default:
        break;
    }
}

void glMateriali(GLenum face, GLenum pname, GLint param)
{
    const GLfloat value = static_cast<GLfloat>(param);
    glMaterialfv(face, pname, &value);
}

// ---- textures ----

void glGenTextures(GLsizei n, GLuint* textures)
{
    emscripten_glGenTextures(n, textures);
    for (GLsizei k = 0; k < n; ++k)
        S().textures[textures[k]] = TextureInfo{};
}

void glDeleteTextures(GLsizei n, const GLuint* textures)
{
    State& s = S();
    SendBatch();
    for (GLsizei k = 0; k < n; ++k) {
        s.textures.erase(textures[k]);
        if (s.boundTexture == textures[k]) s.boundTexture = 0;
        if (s.webglBoundTexture == textures[k]) s.webglBoundTexture = 0;
    }
    emscripten_glDeleteTextures(n, textures);
}

void glBindTexture(GLenum target, GLuint texture)
{
    if (target == GL_TEXTURE_2D) S().boundTexture = texture;
}

void glTexParameterf(GLenum target, GLenum pname, GLfloat param)
{
    if (target != GL_TEXTURE_2D) return;
    SendBatch();
    BindWebGlTexture(S().boundTexture);
    emscripten_glTexParameterf(target, pname, param);
}

// The engine asks through the proxy whether a level of some size fits, as GLU does, before it picks
// the size its images are scaled to. WebGL has no proxy: a level fits when its size at level 0 is
// within the largest texture, and a refused one reads back as 0 x 0, as GL says.
void glTexImage2D(GLenum target, GLint level, GLint internalFormat, GLsizei width, GLsizei height,
                  GLint border, GLenum format, GLenum type, const void* pixels)
{
    State& s = S();
    if (target == GL_PROXY_TEXTURE_2D) {
        GLint maxSize = 2048;
        emscripten_glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxSize);
        const bool fits = level >= 0 && level < 31 && width >= 0 && height >= 0 && border == 0 &&
                          WebGlFormat(internalFormat) != 0 &&
                          (static_cast<std::int64_t>(width) << level) <= maxSize &&
                          (static_cast<std::int64_t>(height) << level) <= maxSize;
        s.proxyLevel = level;
        s.proxyWidth = fits ? width : 0;
        s.proxyHeight = fits ? height : 0;
        return;
    }
    // A real image: only in WebGL's own formats (no BGR), with gapless rows.
    const GLenum kind = WebGlFormat(internalFormat);
    if (target != GL_TEXTURE_2D || kind == 0 || format != kind || type != GL_UNSIGNED_BYTE || border != 0)
        return;
    SendBatch();
    BindWebGlTexture(s.boundTexture);
    emscripten_glPixelStorei(GL_UNPACK_ALIGNMENT, s.unpackAlignment);
    emscripten_glTexImage2D(GL_TEXTURE_2D, level, static_cast<GLint>(kind), width, height, 0, kind,
                            GL_UNSIGNED_BYTE, pixels);
    auto found = s.textures.find(s.boundTexture);
    if (found != s.textures.end()) found->second.format = kind;
}

void glGetTexLevelParameteriv(GLenum target, GLint level, GLenum pname, GLint* params)
{
    const State& s = S();
    if (target != GL_PROXY_TEXTURE_2D || params == nullptr) return;
    const bool asked = level == s.proxyLevel;
    if (pname == GL_TEXTURE_WIDTH) *params = asked ? s.proxyWidth : 0;
    if (pname == GL_TEXTURE_HEIGHT) *params = asked ? s.proxyHeight : 0;
}

// ---- client arrays ----

void glEnableClientState(GLenum array)
{
    ClientArrays& a = S().arrays;
    if (array == GL_VERTEX_ARRAY) a.vertex.enabled = true;
    if (array == GL_TEXTURE_COORD_ARRAY) a.texCoord.enabled = true;
    if (array == GL_COLOR_ARRAY) a.colour.enabled = true;
    if (array == GL_NORMAL_ARRAY) a.normal.enabled = true;
}

void glDisableClientState(GLenum array)
{
    ClientArrays& a = S().arrays;
    if (array == GL_VERTEX_ARRAY) a.vertex.enabled = false;
    if (array == GL_TEXTURE_COORD_ARRAY) a.texCoord.enabled = false;
    if (array == GL_COLOR_ARRAY) a.colour.enabled = false;
    if (array == GL_NORMAL_ARRAY) a.normal.enabled = false;
}

// Only float arrays are kept; other types are not used by the engine.
void glVertexPointer(GLint size, GLenum type, GLsizei stride, const GLvoid* ptr)
{
    if (type == GL_FLOAT) S().arrays.vertex = {S().arrays.vertex.enabled, size, stride, ptr};
}

void glTexCoordPointer(GLint size, GLenum type, GLsizei stride, const GLvoid* ptr)
{
    if (type == GL_FLOAT) S().arrays.texCoord = {S().arrays.texCoord.enabled, size, stride, ptr};
}

void glColorPointer(GLint size, GLenum type, GLsizei stride, const GLvoid* ptr)
{
    if (type == GL_FLOAT) S().arrays.colour = {S().arrays.colour.enabled, size, stride, ptr};
}

void glNormalPointer(GLenum type, GLsizei stride, const GLvoid* ptr)
{
    if (type == GL_FLOAT) S().arrays.normal = {S().arrays.normal.enabled, 3, stride, ptr};
}

void glPushClientAttrib(GLbitfield mask)
{
    (void)mask; // the vertex array bit is the only client bit there is to save here
    S().clientStack.push_back(S().arrays);
}

void glPopClientAttrib(void)
{
    State& s = S();
    if (s.clientStack.empty()) return;
    s.arrays = s.clientStack.back();
    s.clientStack.pop_back();
}

void glDrawElements(GLenum mode, GLsizei count, GLenum type, const GLvoid* indices)
{
    State& s = S();
    const ClientArrays& a = s.arrays;
    if (count <= 0 || !a.vertex.enabled || a.vertex.pointer == nullptr || indices == nullptr) return;
    if (s.discard) return;
    auto indexAt = [&](GLsizei k) -> std::uint32_t {
        switch (type) {
        case GL_UNSIGNED_INT:
            return static_cast<const GLuint*>(indices)[k];
        case GL_UNSIGNED_SHORT:
            return static_cast<const GLushort*>(indices)[k];
        default:
            return static_cast<const GLubyte*>(indices)[k];
        }
    };
    std::uint32_t low = indexAt(0);
    std::uint32_t high = low;
    for (GLsizei k = 1; k < count; ++k) {
        const std::uint32_t i = indexAt(k);
        low = std::min(low, i);
        high = std::max(high, i);
    }
    auto element = [](const ClientArray& array, std::uint32_t i, int size) {
        const GLsizei stride =
            array.stride != 0 ? array.stride : static_cast<GLsizei>(array.size * sizeof(float));
        (void)size;
        return reinterpret_cast<const float*>(static_cast<const unsigned char*>(array.pointer) +
                                              static_cast<std::size_t>(i) * static_cast<std::size_t>(stride));
    };
    // Each vertex the indices reach is transformed once, then the indices select them.
    const std::uint32_t first = Reserve(KindOf(mode), high - low + 1);
    const VertexStage stage = MakeStage();
    const bool plain = !stage.lit && !(a.colour.enabled && a.colour.pointer != nullptr) && a.vertex.size == 3;
    s.batch.reserve(s.batch.size() + (high - low + 1));
    if (plain) {
        // The engine's case (textured meshes, unlit): one colour for all, positions and coordinates
        // straight from the arrays.
        BatchVertex b;
        for (int k = 0; k < 4; ++k)
            b.colour[k] = Clamp01(s.current.colour[k]);
        const bool coords = a.texCoord.enabled && a.texCoord.pointer != nullptr;
        const float* m = stage.clip.m;
        for (std::uint32_t i = low; i <= high; ++i) {
            const float* p = element(a.vertex, i, 3);
            for (int row = 0; row < 4; ++row) {
                b.clip[row] = m[row] * p[0] + m[4 + row] * p[1] + m[8 + row] * p[2] + m[12 + row];
            }
            if (coords) {
                const float* t = element(a.texCoord, i, a.texCoord.size);
                b.texCoord[0] = t[0];
                b.texCoord[1] = a.texCoord.size > 1 ? t[1] : 0.0f;
            } else {
                b.texCoord[0] = s.current.texCoord[0];
                b.texCoord[1] = s.current.texCoord[1];
            }
            s.batch.push_back(b);
        }
    } else {
        for (std::uint32_t i = low; i <= high; ++i) {
            Vertex v;
            const float* p = element(a.vertex, i, a.vertex.size);
            v.position[0] = p[0];
            v.position[1] = a.vertex.size > 1 ? p[1] : 0.0f;
            v.position[2] = a.vertex.size > 2 ? p[2] : 0.0f;
            v.position[3] = a.vertex.size > 3 ? p[3] : 1.0f;
            std::memcpy(v.colour, s.current.colour, sizeof v.colour);
            if (a.colour.enabled && a.colour.pointer != nullptr) {
                const float* c = element(a.colour, i, a.colour.size);
                v.colour[0] = c[0], v.colour[1] = c[1], v.colour[2] = c[2];
                v.colour[3] = a.colour.size > 3 ? c[3] : 1.0f;
            }
            std::memcpy(v.normal, s.current.normal, sizeof v.normal);
            if (a.normal.enabled && a.normal.pointer != nullptr) {
                std::memcpy(v.normal, element(a.normal, i, 3), sizeof v.normal);
            }
            std::memcpy(v.texCoord, s.current.texCoord, sizeof v.texCoord);
            if (a.texCoord.enabled && a.texCoord.pointer != nullptr) {
                const float* t = element(a.texCoord, i, a.texCoord.size);
                v.texCoord[0] = t[0];
                v.texCoord[1] = a.texCoord.size > 1 ? t[1] : 0.0f;
            }
            AddVertex(stage, v);
        }
    }
    const std::size_t start = s.batchIndices.size();
    if (mode == GL_TRIANGLES) {
        const std::size_t n = static_cast<std::size_t>(count) / 3 * 3;
        s.batchIndices.reserve(s.batchIndices.size() + n);
        for (std::size_t k = 0; k < n; ++k) {
            s.batchIndices.push_back(first + indexAt(static_cast<GLsizei>(k)) - low);
        }
    } else {
        // Another mode's assembly over the selected vertices: the index list walked as a primitive
        // would be.
        std::vector<std::uint32_t> assembled;
        AppendIndices(mode, 0, static_cast<std::uint32_t>(count), &assembled);
        for (std::uint32_t k : assembled) {
            s.batchIndices.push_back(first + indexAt(static_cast<GLsizei>(k)) - low);
        }
    }
    ClipAppended(KindOf(mode), start);
}

// ---- display lists ----

GLuint glGenLists(GLsizei range)
{
    State& s = S();
    if (range <= 0) return 0;
    const GLuint base = s.nextList;
    s.nextList += static_cast<GLuint>(range);
    for (GLsizei k = 0; k < range; ++k)
        s.lists[base + static_cast<GLuint>(k)];
    return base;
}

void glDeleteLists(GLuint list, GLsizei range)
{
    for (GLsizei k = 0; k < range; ++k)
        S().lists.erase(list + static_cast<GLuint>(k));
}

void glNewList(GLuint list, GLenum mode)
{
    State& s = S();
    (void)mode; // GL_COMPILE: GL_COMPILE_AND_EXECUTE is not used
    if (list == 0 || Compiling()) return;
    s.compilingList = list;
    s.compiling.clear();
}

void glEndList(void)
{
    State& s = S();
    if (!Compiling()) return;
    s.lists[s.compilingList] = std::move(s.compiling);
    s.compiling.clear();
    s.compilingList = 0;
}

void glCallList(GLuint list)
{
    State& s = S();
    if (Compiling()) {
        ListCommand c{ListCommand::CallList};
        c.list = list;
        Record(std::move(c));
        return;
    }
    const auto found = s.lists.find(list);
    constexpr int kMaxNesting = 64; // GL's limit on lists calling lists
    if (found == s.lists.end() || s.callDepth >= kMaxNesting) return;
    ++s.callDepth;
    for (const ListCommand& c : found->second) {
        switch (c.op) {
        case ListCommand::Primitive:
            RunPrimitive(c);
            break;
        case ListCommand::Colour:
            glColor4f(c.v[0], c.v[1], c.v[2], c.v[3]);
            break;
        case ListCommand::Normal:
            glNormal3f(c.v[0], c.v[1], c.v[2]);
            break;
        case ListCommand::TexCoord:
            glTexCoord2f(c.v[0], c.v[1]);
            break;
        case ListCommand::Translate:
            glTranslatef(c.v[0], c.v[1], c.v[2]);
            break;
        case ListCommand::Rotate:
            glRotatef(c.v[0], c.v[1], c.v[2], c.v[3]);
            break;
        case ListCommand::Push:
            glPushMatrix();
            break;
        case ListCommand::Pop:
            glPopMatrix();
            break;
        case ListCommand::CallList:
            glCallList(c.list);
            break;
        }
    }
    --s.callDepth;
}

void glCallLists(GLsizei n, GLenum type, const GLvoid* lists)
{
    const GLuint base = S().listBase;
    for (GLsizei k = 0; k < n; ++k) {
        GLuint offset = 0;
        switch (type) {
        case GL_UNSIGNED_BYTE:
            offset = static_cast<const GLubyte*>(lists)[k];
            break;
        case GL_BYTE:
            offset = static_cast<GLuint>(static_cast<const GLbyte*>(lists)[k]);
            break;
        case GL_UNSIGNED_SHORT:
            offset = static_cast<const GLushort*>(lists)[k];
            break;
        case GL_UNSIGNED_INT:
            offset = static_cast<const GLuint*>(lists)[k];
            break;
        case GL_INT:
            offset = static_cast<GLuint>(static_cast<const GLint*>(lists)[k]);
            break;
        default:
            return;
        }
        glCallList(base + offset);
    }
}

void glListBase(GLuint base)
{
    S().listBase = base;
}

// ---- attribute stack ----

void glPushAttrib(GLbitfield mask)
{
    State& s = S();
    ServerAttributes a;
    a.mask = mask;
    a.enables = s.enables;
    a.current = s.current;
    a.listBase = s.listBase;
    a.blendSource = s.blendSource;
    a.blendDestination = s.blendDestination;
    a.depthFunc = s.depthFunc;
    a.boundTexture = s.boundTexture;
    s.attribStack.push_back(a);
}

void glPopAttrib(void)
{
    State& s = S();
    if (s.attribStack.empty()) return;
    const ServerAttributes a = s.attribStack.back();
    s.attribStack.pop_back();
    if (a.mask & GL_LIST_BIT) s.listBase = a.listBase;
    if (a.mask & GL_ENABLE_BIT) s.enables = a.enables;
    if (a.mask & GL_CURRENT_BIT) s.current = a.current;
    if (a.mask & GL_COLOR_BUFFER_BIT) {
        s.blendSource = a.blendSource;
        s.blendDestination = a.blendDestination;
        s.enables.blend = a.enables.blend;
    }
    if (a.mask & GL_DEPTH_BUFFER_BIT) {
        s.depthFunc = a.depthFunc;
        s.enables.depthTest = a.enables.depthTest;
    }
    if (a.mask & GL_TEXTURE_BIT) s.boundTexture = a.boundTexture;
}

// ==== GLU ===========================================================================================

void gluPerspective(GLdouble fovy, GLdouble aspect, GLdouble zNear, GLdouble zFar)
{
    // GLU's own arithmetic: in double, then into the current (float) matrix.
    const double radians = fovy / 2.0 * M_PI / 180.0;
    const double deltaZ = zFar - zNear;
    const double sine = std::sin(radians);
    if (deltaZ == 0.0 || sine == 0.0 || aspect == 0.0) return;
    const double cotangent = std::cos(radians) / sine;
    Matrix p{};
    p.m[0] = static_cast<float>(cotangent / aspect);
    p.m[5] = static_cast<float>(cotangent);
    p.m[10] = static_cast<float>(-(zFar + zNear) / deltaZ);
    p.m[11] = -1.0f;
    p.m[14] = static_cast<float>(-2.0 * zNear * zFar / deltaZ);
    MultiplyCurrent(p);
}

GLint gluBuild2DMipmaps(GLenum target, GLint internalFormat, GLsizei width, GLsizei height, GLenum format,
                        GLenum type, const void* data)
{
    State& s = S();
    const GLenum kind = WebGlFormat(internalFormat);
    if (target != GL_TEXTURE_2D || type != GL_UNSIGNED_BYTE || kind == 0 || width < 1 || height < 1 ||
        data == nullptr) {
        return GLU_INVALID_VALUE;
    }
    // The image in the texture's own components, rows as the unpack alignment lays them out.
    const int inComponents = ComponentsOf(format);
    const int outComponents = ComponentsOf(kind);
    const std::size_t rowBytes = static_cast<std::size_t>(width) * inComponents;
    const std::size_t align = static_cast<std::size_t>(std::max(1, s.unpackAlignment));
    const std::size_t stride = (rowBytes + align - 1) / align * align;
    std::vector<unsigned char> image(static_cast<std::size_t>(width) * height * outComponents);
    const auto* in = static_cast<const unsigned char*>(data);
    for (GLsizei y = 0; y < height; ++y) {
        for (GLsizei x = 0; x < width; ++x) {
            ConvertPixel(format, in + y * stride + static_cast<std::size_t>(x) * inComponents, kind,
                         image.data() + (static_cast<std::size_t>(y) * width + x) * outComponents);
        }
    }
    // GLU's sizes: powers of two near the image's, halved while GL would refuse them.
    GLint maxSize = 2048;
    emscripten_glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxSize);
    int w = NearestPower(width);
    int h = NearestPower(height);
    while (w > maxSize || h > maxSize) {
        w = std::max(1, w / 2);
        h = std::max(1, h / 2);
    }
    if (w != width || h != height) {
        image = ScaleImage(outComponents, width, height, image.data(), w, h);
    }
    SendBatch();
    BindWebGlTexture(s.boundTexture);
    emscripten_glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    for (GLint level = 0;; ++level) {
        emscripten_glTexImage2D(GL_TEXTURE_2D, level, static_cast<GLint>(kind), w, h, 0, kind,
                                GL_UNSIGNED_BYTE, image.data());
        if (w == 1 && h == 1) break;
        image = HalveImage(outComponents, w, h, image.data());
        w = std::max(1, w / 2);
        h = std::max(1, h / 2);
    }
    auto found = s.textures.find(s.boundTexture);
    if (found != s.textures.end()) found->second.format = kind;
    return 0;
}

} // extern "C"
