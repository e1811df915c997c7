// tools/modelpreview/modelpreview.cpp -- draws the show's models as its scenes place them and saves PNG
// stills.
//
// Usage: modelpreview [data directory] [output directory]   (defaults: DATA, stills; stills/ is not
// committed)
// Opens a hidden 1024 x 768 GL context (SDL's offscreen driver when no display is set), loads the ASC
// files with the engine's loader, builds the hammer groups as the show does and draws each scene's
// models with the show's camera, positions and rotations. The drawing styles here are simple stand-ins
// (wire loops, textured triangles with made-up rust and steel textures, glow sprites at twice each
// vertex); the backgrounds are plain gradients. Exit status 1 when a model does not load.
#include <GL/gl.h>
#include <GL/glu.h>
#include <SDL.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "glarve.h"
#include "png.h"

namespace {

constexpr int kWidth = 1024;
constexpr int kHeight = 768;

// --- stand-in textures --------------------------------------------------------------------------

double Hash(int x, int y, int seed)
{
    unsigned h = static_cast<unsigned>(x) * 374761393u + static_cast<unsigned>(y) * 668265263u +
                 static_cast<unsigned>(seed) * 2246822519u;
    h = (h ^ (h >> 13)) * 1274126177u;
    return ((h ^ (h >> 16)) & 0xFFFF) / 65535.0;
}

// Tileable value noise over a 256 x 256 texture, `cells` cells across, in 0 to 1.
double Noise(double x, double y, int cells, int seed)
{
    const double fx = x * cells / 256.0, fy = y * cells / 256.0;
    const int x0 = static_cast<int>(std::floor(fx)), y0 = static_cast<int>(std::floor(fy));
    const double tx = fx - x0, ty = fy - y0;
    auto at = [&](int i, int j) {
        return Hash(((i % cells) + cells) % cells, ((j % cells) + cells) % cells, seed);
    };
    auto smooth = [](double t) { return t * t * (3 - 2 * t); };
    const double a = at(x0, y0) + (at(x0 + 1, y0) - at(x0, y0)) * smooth(tx);
    const double b = at(x0, y0 + 1) + (at(x0 + 1, y0 + 1) - at(x0, y0 + 1)) * smooth(tx);
    return a + (b - a) * smooth(ty);
}

GLuint MakeTexture(const std::function<void(int, int, unsigned char*)>& pixel)
{
    std::vector<unsigned char> rgb(256 * 256 * 3);
    for (int y = 0; y < 256; ++y) {
        for (int x = 0; x < 256; ++x) {
            pixel(x, y, &rgb[(y * 256 + x) * 3]);
        }
    }
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_NEAREST);
    gluBuild2DMipmaps(GL_TEXTURE_2D, 3, 256, 256, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
    return name;
}

unsigned char Byte(double v)
{
    return static_cast<unsigned char>(std::lround(std::fmin(255.0, std::fmax(0.0, v))));
}

void Mix(unsigned char* p, const double a[3], const double b[3], double t)
{
    for (int k = 0; k < 3; ++k) {
        p[k] = Byte(a[k] + (b[k] - a[k]) * t);
    }
}

// --- stand-in drawing styles --------------------------------------------------------------------

class WireStyle : public Renderer {
public:
    void Begin() override
    {
        glDisable(GL_LIGHTING);
        glColor4f(colour.r, colour.g, colour.b, colour.a);
        glEnable(GL_LINE_SMOOTH);
        glEnable(GL_BLEND);
    }
    void DrawFace(const Face* f, const Vec3* v, const TexCoord2*) override
    {
        glBegin(GL_LINE_LOOP);
        glVertex3f(v[f->a].x, v[f->a].y, v[f->a].z);
        glVertex3f(v[f->b].x, v[f->b].y, v[f->b].z);
        glVertex3f(v[f->c].x, v[f->c].y, v[f->c].z);
        glEnd();
    }
    void End() override
    {
        glDisable(GL_BLEND);
        glDisable(GL_LINE_SMOOTH);
    }
};

class TexturedStyle : public Renderer {
public:
    explicit TexturedStyle(GLuint name) : texture(name) {}
    void Begin() override
    {
        glDisable(GL_LIGHTING);
        glColor4f(colour.r, colour.g, colour.b, colour.a);
        glBindTexture(GL_TEXTURE_2D, texture);
        glEnable(GL_TEXTURE_2D);
        glEnable(GL_BLEND);
    }
    void DrawFace(const Face* f, const Vec3* v, const TexCoord2* t) override
    {
        glBegin(GL_TRIANGLES);
        for (int i : {f->a, f->b, f->c}) {
            glTexCoord2f(t[i].u, t[i].v);
            glVertex3f(v[i].x, v[i].y, v[i].z);
        }
        glEnd();
    }
    void End() override
    {
        glDisable(GL_TEXTURE_2D);
        glDisable(GL_BLEND);
    }

private:
    GLuint texture;
};

// A 2 x 2 quad centred at twice the vertex, in the object's (turning) frame, like the show's sprites.
class SpriteStyle : public Renderer {
public:
    explicit SpriteStyle(GLuint name) : texture(name) {}
    void Begin() override
    {
        perVertex = true;
        glDisable(GL_LIGHTING);
    }
    void DrawFace(const Face*, const Vec3* v, const TexCoord2*) override
    {
        const float x = 2 * v->x, y = 2 * v->y, z = 2 * v->z;
        glColor4f(1, 1, 1, colour.a);
        glBindTexture(GL_TEXTURE_2D, texture);
        glDisable(GL_DEPTH_TEST);
        glEnable(GL_TEXTURE_2D);
        glEnable(GL_BLEND);
        glBegin(GL_QUADS);
        glTexCoord2f(0, 0);
        glVertex3f(x - 1, y + 1, z);
        glTexCoord2f(1, 0);
        glVertex3f(x + 1, y + 1, z);
        glTexCoord2f(1, 1);
        glVertex3f(x + 1, y - 1, z);
        glTexCoord2f(0, 1);
        glVertex3f(x - 1, y - 1, z);
        glEnd();
        glDisable(GL_TEXTURE_2D);
        glEnable(GL_DEPTH_TEST);
        glDisable(GL_BLEND);
    }
    void End() override {}

private:
    GLuint texture;
};

// A full-picture vertical gradient standing in for a scene's background image.
void Backdrop(const double top[3], const double bottom[3])
{
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    glDisable(GL_DEPTH_TEST);
    glBegin(GL_QUADS);
    glColor3d(top[0], top[1], top[2]);
    glVertex2f(-1, 1);
    glVertex2f(1, 1);
    glColor3d(bottom[0], bottom[1], bottom[2]);
    glVertex2f(1, -1);
    glVertex2f(-1, -1);
    glEnd();
    glEnable(GL_DEPTH_TEST);
    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
}

bool Save(const std::string& path)
{
    glFinish();
    std::vector<unsigned char> pixels(kWidth * kHeight * 3), rows(pixels.size());
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, kWidth, kHeight, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
    for (int y = 0; y < kHeight; ++y) {
        std::copy_n(&pixels[(kHeight - 1 - y) * kWidth * 3], kWidth * 3, &rows[y * kWidth * 3]);
    }
    return WritePng(path, kWidth, kHeight, rows);
}

} // namespace

int main(int argc, char** argv)
{
    const std::string data = argc > 1 ? argv[1] : "DATA";
    const std::string out = argc > 2 ? argv[2] : "stills";
    std::error_code error;
    std::filesystem::create_directories(out, error);
    if (std::getenv("DISPLAY") == nullptr && std::getenv("WAYLAND_DISPLAY") == nullptr) {
        setenv("SDL_VIDEODRIVER", "offscreen", 0);
    }
    if (SDL_Init(SDL_INIT_VIDEO) != 0) {
        std::fprintf(stderr, "modelpreview: %s\n", SDL_GetError());
        return 1;
    }
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 2);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 1);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 16);
    SDL_Window* window =
        SDL_CreateWindow("modelpreview", 0, 0, kWidth, kHeight, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
    SDL_GLContext context = window != nullptr ? SDL_GL_CreateContext(window) : nullptr;
    if (context == nullptr) {
        std::fprintf(stderr, "modelpreview: %s\n", SDL_GetError());
        return 1;
    }

    MeshObject sphere, handle, head, nail, particles;
    const struct {
        MeshObject* object;
        const char* file;
        const char* name;
    } loads[] = {{&sphere, "test.ASC", "sphere"},
                 {&handle, "marto.ASC", "manche"},
                 {&head, "marto.ASC", "Tete"},
                 {&nail, "clou.ASC", "clou"},
                 {&particles, "trucmuch.ASC", "trucmuch"}};
    for (const auto& load : loads) {
        const std::string path = data + "/" + load.file;
        if (!load.object->Load(path.c_str(), load.name)) {
            std::fprintf(stderr, "modelpreview: cannot load \"%s\" from %s\n", load.name, path.c_str());
            return 1;
        }
    }
    sphere.mesh->Centre();

    // The show's fixed state and camera.
    glViewport(0, 0, kWidth, kHeight);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(45.0, static_cast<double>(kWidth) / kHeight, static_cast<double>(0.1f), 100.0);
    glMatrixMode(GL_MODELVIEW);
    glShadeModel(GL_SMOOTH);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);

    const GLuint rust = MakeTexture([](int x, int y, unsigned char* p) {
        const double steel[3] = {95, 88, 84}, brown[3] = {120, 62, 30}, orange[3] = {185, 98, 42};
        const double n = 0.55 * Noise(x, y, 8, 1) + 0.3 * Noise(x, y, 32, 2) + 0.15 * Noise(x, y, 64, 3);
        Mix(p, steel, brown, std::fmin(1.0, std::fmax(0.0, (n - 0.35) * 3.0)));
        if (Noise(x, y, 16, 4) > 0.72) {
            Mix(p, brown, orange, Noise(x, y, 64, 5));
        }
    });
    const GLuint plate = MakeTexture([](int x, int y, unsigned char* p) {
        const double dark[3] = {62, 74, 72}, light[3] = {150, 160, 158}, rustc[3] = {130, 76, 40};
        const double n = 0.6 * Noise(x, y, 8, 11) + 0.4 * Noise(x, y, 48, 12);
        Mix(p, dark, light, n);
        if (Noise(x, y, 12, 13) > 0.75) {
            Mix(p, light, rustc, 0.8);
        }
    });
    const GLuint glow = MakeTexture([](int x, int y, unsigned char* p) {
        const double dx = (x - 127.5) / 128.0, dy = (y - 127.5) / 128.0;
        const double g = std::pow(std::fmax(0.0, 1.0 - std::sqrt(dx * dx + dy * dy)), 1.5);
        p[0] = Byte(255 * g * 0.85);
        p[1] = Byte(255 * g * 0.95);
        p[2] = Byte(255 * g);
    });

    WireStyle wire;
    TexturedStyle handleStyle(rust), headStyle(plate);
    SpriteStyle sprites(glow);
    sprites.colour.a = 0.15f;
    sphere.renderer = &wire;
    handle.renderer = &handleStyle;
    head.renderer = &headStyle;
    nail.renderer = &headStyle;
    particles.renderer = &sprites;

    // The hammer hierarchy, as the show builds it.
    ObjectGroup hammer1, hammer2, pair, grid;
    ObjectGroup cells[25];
    hammer1.AddTail(&handle);
    hammer1.AddTail(&head);
    hammer2.AddTail(&handle);
    hammer2.AddTail(&head);
    hammer1.rotation.x = -90;
    hammer2.position.z = -5;
    hammer2.rotation.x = -90;
    pair.AddTail(&hammer1);
    pair.AddTail(&hammer2);
    for (int i = 0; i < 5; ++i) {
        for (int j = 0; j < 5; ++j) {
            ObjectGroup& cell = cells[i * 5 + j];
            cell.AddTail(&pair);
            cell.position.z = -20.0f * i;
            cell.position.x = 42.0f * j;
            grid.AddTail(&cell);
        }
    }

    auto draw = [](SceneObject& object) {
        glPushMatrix();
        object.Draw();
        glPopMatrix();
    };
    auto clear = [] {
        glClearColor(0, 0, 0, 0);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glLoadIdentity();
    };
    int failures = 0;
    auto save = [&](const std::string& name) {
        if (!Save(out + "/" + name + ".png")) {
            std::fprintf(stderr, "modelpreview: cannot write %s/%s.png\n", out.c_str(), name.c_str());
            ++failures;
        }
    };

    // Intro: the sphere at rest and with its spikes out (five beat frames), at a few times.
    const double introTop[3] = {0.16, 0.18, 0.24}, introBottom[3] = {0.05, 0.05, 0.08};
    Vec3* v = sphere.mesh->GetVertices();
    for (const auto& [name, t, spikes] :
         std::vector<std::tuple<std::string, float, int>>{{"intro_t1_slide", 1.0f, 0},
                                                          {"intro_t3", 3.0f, 0},
                                                          {"intro_t9_spikes", 9.0f, 5},
                                                          {"intro_t9_2", 9.4f, 3}}) {
        for (int s = 0; s < spikes; ++s) {
            for (int k = 0; k < 20; ++k) {
                v[20 * k] *= 1.05f;
            }
        }
        clear();
        Backdrop(introTop, introBottom);
        const float fade = t < 3.0f ? t / 3.0f : 1.0f - 1.0f / t;
        wire.colour = Color4(0, 1, 1, fade);
        sphere.position = Vec3(-17.0f - 20.0f / std::fmin(t, 3.0f), -11, -80);
        sphere.rotation.x = sphere.rotation.y = sphere.rotation.z = -80 * t;
        draw(sphere);
        save(name);
        for (int s = 0; s < spikes; ++s) {
            for (int k = 0; k < 20; ++k) {
                v[20 * k] /= 1.05f;
            }
        }
    }

    // Hammers: the grid drifted so that a front cell is centred, or half-way between two, at several
    // swings; the nail wherever the show has taken it by then.
    const double brickTop[3] = {0.36, 0.17, 0.12}, brickBottom[3] = {0.2, 0.09, 0.07};
    for (const auto& [name, drift, s, c, nailX] :
         std::vector<std::tuple<std::string, float, float, float, float>>{
             {"hammers_centre_rest", 216.0f, 0.0f, 0.0f, -17.0f},
             {"hammers_centre_swing", 216.0f, 1.0f, 1.0f, -8.0f},
             {"hammers_centre_swing2", 216.0f, -0.7f, -1.0f, 0.0f},
             {"hammers_between", 237.0f, 0.9f, 0.5f, 6.0f},
             {"hammers_entering", 140.0f, 0.6f, 0.0f, -14.0f}}) {
        clear();
        Backdrop(brickTop, brickBottom);
        hammer1.rotation.y = 40 * s;
        hammer2.rotation.y = -40 * s;
        pair.position.x = drift;
        grid.position = Vec3(-300, 5, -30);
        grid.rotation.x = 15;
        draw(grid);
        nail.position = Vec3(nailX, 2 * c, -30);
        nail.rotation.x = -90;
        nail.rotation.y = -20 * c;
        draw(nail);
        save(name);
    }

    // Close looks at the hammer and the nail from a few sides, with their wire drawn over them.
    WireStyle edges;
    edges.colour = Color4(0, 0, 0, 0.35f);
    nail.position = Vec3();
    nail.rotation = Rotation3();
    for (const auto& [name, yaw, pitch] :
         std::vector<std::tuple<std::string, float, float>>{{"hammer_side", 0.0f, 0.0f},
                                                            {"hammer_three_quarter", 35.0f, 20.0f},
                                                            {"hammer_claw", 110.0f, 25.0f}}) {
        clear();
        Backdrop(introTop, introBottom);
        for (int pass = 0; pass < 2; ++pass) {
            handle.renderer = pass == 0 ? static_cast<Renderer*>(&handleStyle) : &edges;
            head.renderer = pass == 0 ? static_cast<Renderer*>(&headStyle) : &edges;
            nail.renderer = head.renderer;
            glPushMatrix();
            glTranslatef(-4, 6, -26);
            glRotatef(pitch, 1, 0, 0);
            glRotatef(yaw, 0, 1, 0);
            glRotatef(-90, 1, 0, 0);
            handle.Draw();
            glPopMatrix();
            glPushMatrix();
            glTranslatef(-4, 6, -26);
            glRotatef(pitch, 1, 0, 0);
            glRotatef(yaw, 0, 1, 0);
            glRotatef(-90, 1, 0, 0);
            head.Draw();
            glPopMatrix();
            glPushMatrix();
            glTranslatef(9, -2, -26);
            glRotatef(pitch, 1, 0, 0);
            glRotatef(yaw, 0, 1, 0);
            glRotatef(-90, 1, 0, 0);
            nail.Draw();
            glPopMatrix();
        }
        save(name);
    }
    handle.renderer = &handleStyle;
    head.renderer = &headStyle;
    nail.renderer = &headStyle;

    // Greetings: the cloud spinning at distance 70, then on its way past the viewer.
    const double greetTop[3] = {0.12, 0.1, 0.2}, greetBottom[3] = {0.04, 0.03, 0.08};
    for (const auto& [name, t, depth] :
         std::vector<std::tuple<std::string, float, float>>{{"greets_a", 0.0f, 0.0f},
                                                            {"greets_b", 0.7f, 0.0f},
                                                            {"greets_c", 1.6f, 0.0f},
                                                            {"greets_d", 2.3f, 0.0f},
                                                            {"flypast_40", 3.0f, 40.0f},
                                                            {"flypast_60", 3.2f, 60.0f},
                                                            {"flypast_68", 3.3f, 68.0f}}) {
        clear();
        Backdrop(greetTop, greetBottom);
        particles.position = Vec3(0, 0, depth - 70);
        particles.rotation.x = particles.rotation.y = particles.rotation.z = -80 * t;
        draw(particles);
        save(name);
    }

    SDL_GL_DeleteContext(context);
    SDL_DestroyWindow(window);
    SDL_Quit();
    return failures == 0 ? 0 : 1;
}
