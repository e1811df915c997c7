// tests/web/gldrawings.cpp -- the drawings of gldrawings.h: each case in its own tile, state restored after
// it.
#include "gldrawings.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <vector>

#include "platform/glyphs.h"

namespace {

// The unit square [-1, 1] fills the tile at this distance under the show's 45-degree perspective.
constexpr float kFill = -2.41421356f;

const char* const kNames[kDrawingCount] = {
    "smooth colours in immediate mode",
    "rescaled texture, modulated and blended",
    "minified mipmaps",
    "display lists through a list base",
    "client arrays with 32-bit indices",
    "light 0 on the front material",
    "lighting with no light",
    "depth test, less or equal",
    "line loops (plain and smoothed) and points",
    "alpha texture as a sprite",
    "luminance checkerboard placeholder",
    "3D text from the glyph lists, lit",
    "primitives partly and wholly outside the view",
};

void BeginTile(int index)
{
    glViewport(index * kDrawingTile, 0, kDrawingTile, kDrawingTile);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(45.0, 1.0, static_cast<double>(0.1f), 100.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glTranslatef(0.0f, 0.0f, kFill);
}

void Quad(float size, float z)
{
    glBegin(GL_QUADS);
    glTexCoord2f(0.0f, 0.0f);
    glVertex3f(-size, size, z);
    glTexCoord2f(1.0f, 0.0f);
    glVertex3f(size, size, z);
    glTexCoord2f(1.0f, 1.0f);
    glVertex3f(size, -size, z);
    glTexCoord2f(0.0f, 1.0f);
    glVertex3f(-size, -size, z);
    glEnd();
}

GLuint MakeTexture()
{
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, static_cast<GLfloat>(GL_REPEAT));
    glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, static_cast<GLfloat>(GL_REPEAT));
    glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, static_cast<GLfloat>(GL_LINEAR));
    glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, static_cast<GLfloat>(GL_LINEAR_MIPMAP_NEAREST));
    return name;
}

// An RGB image of width x height: smooth gradients and a few hard edges, so that a rescale shows.
std::vector<unsigned char> Picture(int width, int height)
{
    std::vector<unsigned char> rgb(static_cast<std::size_t>(width) * height * 3 + 64);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            unsigned char* p = &rgb[(static_cast<std::size_t>(y) * width + x) * 3];
            p[0] = static_cast<unsigned char>(255 * x / (width - 1));
            p[1] = static_cast<unsigned char>(255 * y / (height - 1));
            p[2] = ((x / 7 + y / 5) % 2 == 0) ? 230 : 20;
        }
    }
    return rgb;
}

void SmoothColours()
{
    glBegin(GL_TRIANGLES);
    glColor3f(1.0f, 0.0f, 0.0f);
    glVertex3f(-0.9f, -0.9f, 0.0f);
    glColor3f(0.0f, 1.0f, 0.0f);
    glVertex3f(0.9f, -0.9f, 0.0f);
    glColor3f(0.0f, 0.0f, 1.0f);
    glVertex3f(0.0f, 0.9f, 0.0f);
    glEnd();
}

void RescaledTexture()
{
    // A red quad behind, then a 100 x 75 picture (rescaled to 128 x 64) at half opacity over it.
    glColor4f(1.0f, 0.0f, 0.0f, 1.0f);
    Quad(0.8f, -0.1f);
    const GLuint texture = MakeTexture();
    const std::vector<unsigned char> picture = Picture(100, 75);
    gluBuild2DMipmaps(GL_TEXTURE_2D, 3, 100, 75, GL_RGB, GL_UNSIGNED_BYTE, picture.data());
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_BLEND);
    glColor4f(1.0f, 1.0f, 0.6f, 0.5f);
    Quad(1.0f, 0.0f);
    glDisable(GL_BLEND);
    glDisable(GL_TEXTURE_2D);
    glDeleteTextures(1, &texture);
}

void MinifiedMipmaps()
{
    const GLuint texture = MakeTexture();
    const std::vector<unsigned char> picture = Picture(64, 64);
    gluBuild2DMipmaps(GL_TEXTURE_2D, 3, 64, 64, GL_RGB, GL_UNSIGNED_BYTE, picture.data());
    glEnable(GL_TEXTURE_2D);
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    Quad(0.3f, 0.0f); // about 16 pixels across: two levels down
    glTranslatef(0.0f, 0.0f, -20.0f);
    Quad(1.0f, 0.0f);
    glDisable(GL_TEXTURE_2D);
    glDeleteTextures(1, &texture);
}

void DisplayLists()
{
    const GLuint base = glGenLists(3);
    // List base + 1: a yellow triangle, then a move to the right, as a glyph's list does.
    glNewList(base + 1, GL_COMPILE);
    glColor3f(1.0f, 1.0f, 0.0f);
    glBegin(GL_TRIANGLES);
    glVertex3f(0.0f, 0.0f, 0.0f);
    glVertex3f(0.5f, 0.0f, 0.0f);
    glVertex3f(0.25f, 0.6f, 0.0f);
    glEnd();
    glTranslatef(0.6f, 0.0f, 0.0f);
    glEndList();
    // List base + 2: a cyan quad.
    glNewList(base + 2, GL_COMPILE);
    glColor3f(0.0f, 1.0f, 1.0f);
    glBegin(GL_QUADS);
    glVertex3f(0.0f, 0.0f, 0.0f);
    glVertex3f(0.3f, 0.0f, 0.0f);
    glVertex3f(0.3f, -0.3f, 0.0f);
    glVertex3f(0.0f, -0.3f, 0.0f);
    glEnd();
    glEndList();
    glPushMatrix();
    glTranslatef(-0.9f, 0.1f, 0.0f);
    glPushAttrib(GL_LIST_BIT);
    glListBase(base);
    const unsigned char codes[3] = {1, 2, 1};
    glCallLists(3, GL_UNSIGNED_BYTE, codes);
    glPopAttrib();
    glPopMatrix();
    glDeleteLists(base, 3);
}

void ClientArrays()
{
    const GLuint texture = MakeTexture();
    const std::vector<unsigned char> picture = Picture(32, 32);
    gluBuild2DMipmaps(GL_TEXTURE_2D, 3, 32, 32, GL_RGB, GL_UNSIGNED_BYTE, picture.data());
    struct V {
        float x, y, z;
    };
    struct T {
        float u, v;
    };
    const V vertices[5] = {
        {-0.9f, -0.9f, 0}, {0.9f, -0.9f, 0}, {0.9f, 0.9f, 0}, {-0.9f, 0.9f, 0}, {0.0f, 0.0f, 0}};
    const T coords[5] = {{0, 1}, {1, 1}, {1, 0}, {0, 0}, {0.5f, 0.5f}};
    const unsigned int indices[12] = {0, 1, 4, 1, 2, 4, 2, 3, 4, 3, 0, 4};
    glEnable(GL_TEXTURE_2D);
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    glPushClientAttrib(GL_CLIENT_VERTEX_ARRAY_BIT);
    glEnableClientState(GL_VERTEX_ARRAY);
    glVertexPointer(3, GL_FLOAT, sizeof(V), vertices);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glTexCoordPointer(2, GL_FLOAT, sizeof(T), coords);
    glDrawElements(GL_TRIANGLES, 9, GL_UNSIGNED_INT, indices); // three of the four triangles
    glPopClientAttrib();
    glDisable(GL_TEXTURE_2D);
    glDeleteTextures(1, &texture);
}

void LitMaterial()
{
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    const GLfloat ambient[4] = {0.3f, 0.1f, 0.1f, 1.0f};
    const GLfloat diffuse[4] = {0.2f, 0.5f, 0.9f, 1.0f};
    const GLfloat specular[4] = {0.5f, 0.5f, 0.5f, 1.0f};
    glMaterialfv(GL_FRONT, GL_AMBIENT, ambient);
    glMaterialfv(GL_FRONT, GL_DIFFUSE, diffuse);
    glMaterialfv(GL_FRONT, GL_SPECULAR, specular);
    glMateriali(GL_FRONT, GL_SHININESS, 20);
    // A normal set before the primitive, then a turned one inside it.
    glNormal3f(0.0f, 0.0f, 1.0f);
    glBegin(GL_TRIANGLES);
    glVertex3f(-0.9f, -0.9f, 0.0f);
    glVertex3f(0.9f, -0.9f, 0.0f);
    glNormal3f(0.0f, 0.6f, 0.8f);
    glVertex3f(0.0f, 0.9f, 0.0f);
    glEnd();
    glDisable(GL_LIGHT0);
    glDisable(GL_LIGHTING);
    const GLfloat defaultAmbient[4] = {0.2f, 0.2f, 0.2f, 1.0f};
    const GLfloat defaultDiffuse[4] = {0.8f, 0.8f, 0.8f, 1.0f};
    const GLfloat defaultSpecular[4] = {0.0f, 0.0f, 0.0f, 1.0f};
    glMaterialfv(GL_FRONT, GL_AMBIENT, defaultAmbient);
    glMaterialfv(GL_FRONT, GL_DIFFUSE, defaultDiffuse);
    glMaterialfv(GL_FRONT, GL_SPECULAR, defaultSpecular);
    glMateriali(GL_FRONT, GL_SHININESS, 0);
}

void LightingWithoutLight()
{
    glEnable(GL_LIGHTING); // the show's state: lighting on, no light: the scene ambient only
    glColor3f(1.0f, 1.0f, 1.0f);
    Quad(0.8f, 0.0f);
    glDisable(GL_LIGHTING);
}

void DepthTest()
{
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    glColor3f(0.0f, 0.0f, 1.0f);
    Quad(0.5f, 0.2f); // near
    glColor3f(1.0f, 0.5f, 0.0f);
    Quad(0.9f, -0.2f); // far, drawn after: only its border shows
    glDisable(GL_DEPTH_TEST);
}

void LinesAndPoints()
{
    glColor4f(0.0f, 1.0f, 1.0f, 1.0f);
    glBegin(GL_LINE_LOOP);
    glVertex3f(-0.8f, -0.7f, 0.0f);
    glVertex3f(0.8f, -0.5f, 0.0f);
    glVertex3f(0.1f, 0.8f, 0.0f);
    glEnd();
    glBegin(GL_POINTS);
    glVertex3f(-0.5f, 0.5f, 0.0f);
    glVertex3f(0.5f, 0.5f, 0.0f);
    glEnd();
    // Smoothed and blended, as the wire renderer draws (the layer widens it into a faded quad).
    glEnable(GL_LINE_SMOOTH);
    glEnable(GL_BLEND);
    glColor4f(1.0f, 1.0f, 0.0f, 1.0f);
    glBegin(GL_LINE_LOOP);
    glVertex3f(-0.7f, 0.2f, 0.0f);
    glVertex3f(0.6f, 0.0f, 0.0f);
    glVertex3f(-0.2f, -0.3f, 0.0f);
    glEnd();
    glDisable(GL_BLEND);
    glDisable(GL_LINE_SMOOTH);
}

void AlphaSprite()
{
    glColor3f(0.2f, 0.2f, 0.8f);
    Quad(0.9f, -0.1f);
    const GLuint texture = MakeTexture();
    std::vector<unsigned char> glow(32 * 32);
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 32; ++x) {
            const int d = (x - 16) * (x - 16) + (y - 16) * (y - 16);
            glow[static_cast<std::size_t>(y * 32 + x)] = static_cast<unsigned char>(d < 256 ? 255 - d : 0);
        }
    }
    gluBuild2DMipmaps(GL_TEXTURE_2D, GL_ALPHA, 32, 32, GL_ALPHA, GL_UNSIGNED_BYTE, glow.data());
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_BLEND);
    glColor4f(1.0f, 0.9f, 0.3f, 0.8f);
    Quad(0.8f, 0.0f);
    glDisable(GL_BLEND);
    glDisable(GL_TEXTURE_2D);
    glDeleteTextures(1, &texture);
}

void Placeholder()
{
    const GLuint texture = MakeTexture();
    const unsigned char checker[4] = {0x00, 0xFF, 0xFF, 0x00};
    gluBuild2DMipmaps(GL_TEXTURE_2D, 1, 2, 2, GL_LUMINANCE, GL_UNSIGNED_BYTE, checker);
    glEnable(GL_TEXTURE_2D);
    glColor4f(1.0f, 0.5f, 1.0f, 1.0f);
    Quad(0.9f, 0.0f);
    glDisable(GL_TEXTURE_2D);
    glDeleteTextures(1, &texture);
}

// The show's face as the text object builds it (bold, extruded by 0.2 em, filled), two letters turned
// so that their side walls show, under light 0. On the desktop the lists come from the font itself, in
// the browser from the shapes file made of it at build time: the tile compares the two.
void GlyphText()
{
    const GLuint base = glGenLists(256);
    GlyphMetrics metrics[255];
    if (!BuildGlyphLists("Courier New", true, 0, 255, base, 0.2f, true, metrics)) {
        glDeleteLists(base, 256);
        return; // no font: the tile stays black, which the comparison shows
    }
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    glEnable(GL_NORMALIZE);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    const unsigned char text[2] = {'&', 'g'};
    const float width = metrics[text[0]].gmfCellIncX + metrics[text[1]].gmfCellIncX;
    glPushMatrix();
    glTranslatef(0.0f, 0.0f, 1.0f);
    glRotatef(35.0f, 0.0f, 1.0f, 0.0f);
    glRotatef(-20.0f, 1.0f, 0.0f, 0.0f);
    glTranslatef(-width / 2.0f, -0.25f, 0.0f);
    glPushAttrib(GL_LIST_BIT);
    glListBase(base);
    glCallLists(2, GL_UNSIGNED_BYTE, text);
    glPopAttrib();
    glPopMatrix();
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_NORMALIZE);
    glDisable(GL_LIGHT0);
    glDisable(GL_LIGHTING);
    glDeleteLists(base, 256);
}

// What GL clips away must go and what it keeps must stay: a triangle whose corners lie beyond different
// planes of the view (it covers the tile's middle), one cut by the tile's edge, one wholly off to the
// side, one reaching behind the eye, and a line whose ends are both outside, on opposite sides.
void OutsideTheView()
{
    glColor3f(0.2f, 0.3f, 1.0f);
    glBegin(GL_TRIANGLES);
    glVertex3f(-6.0f, -3.0f, 0.0f); // beyond the left and bottom planes
    glVertex3f(6.0f, -3.0f, 0.0f);  // beyond the right and bottom planes
    glVertex3f(0.0f, 5.0f, 0.0f);   // beyond the top plane
    glEnd();
    glColor3f(1.0f, 0.8f, 0.1f);
    const float vertices[] = {0.6f,  0.2f,  0.1f, 1.8f,  0.4f,  0.1f, 0.7f,  0.8f,  0.1f,  // cut by the edge
                              -5.0f, 0.0f,  0.1f, -4.0f, 0.5f,  0.1f, -4.5f, 1.0f,  0.1f,  // off to the side
                              -0.8f, -0.8f, 0.1f, -0.2f, -0.8f, 0.1f, -0.5f, -0.5f, 4.0f}; // behind the eye
    const unsigned int indices[] = {0, 1, 2, 3, 4, 5, 6, 7, 8};
    glPushClientAttrib(GL_CLIENT_VERTEX_ARRAY_BIT);
    glEnableClientState(GL_VERTEX_ARRAY);
    glVertexPointer(3, GL_FLOAT, 0, vertices);
    glDrawElements(GL_TRIANGLES, 9, GL_UNSIGNED_INT, indices);
    glPopClientAttrib();
    glColor3f(0.1f, 1.0f, 0.3f);
    glBegin(GL_LINES);
    glVertex3f(-4.0f, -0.3f, 0.2f);
    glVertex3f(4.0f, 0.3f, 0.2f);
    glEnd();
}

} // namespace

void DrawAllCases()
{
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    glClearDepth(1.0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glShadeModel(GL_SMOOTH);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    void (*const cases[kDrawingCount])() = {
        SmoothColours,        RescaledTexture, MinifiedMipmaps, DisplayLists, ClientArrays, LitMaterial,
        LightingWithoutLight, DepthTest,       LinesAndPoints,  AlphaSprite,  Placeholder,  GlyphText,
        OutsideTheView};
    for (int i = 0; i < kDrawingCount; ++i) {
        BeginTile(i);
        cases[i]();
    }
    glFlush();
}

const char* DrawingName(int index)
{
    return index >= 0 && index < kDrawingCount ? kNames[index] : "";
}
