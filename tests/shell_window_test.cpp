// tests/shell_window_test.cpp -- GLWindow on a real headless context: creation, teardown, viewport,
// reactions.
#include "glwindow.h"
#include "shell_fakes.h"

#include <GL/gl.h>
#include <SDL.h>
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdlib>
#include <vector>

namespace {

class ProbeWindow : public GLWindow {
public:
    using GLWindow::GLWindow;
    bool Init() override { return true; }
    bool Release() override { return true; }
    bool Render(float, const PlayStatus*) override { return true; }
};

std::array<int, 4> Viewport()
{
    std::array<int, 4> v{};
    glGetIntegerv(GL_VIEWPORT, v.data());
    return v;
}

std::array<double, 16> Projection()
{
    std::array<double, 16> m{};
    glGetDoublev(GL_PROJECTION_MATRIX, m.data());
    return m;
}

// The perspective matrix for a 45-degree field of view, written out (column-major, as GL keeps it).
std::array<double, 16> ExpectedPerspective(double aspect)
{
    const double f = 1.0 / std::tan(45.0 * M_PI / 360.0);
    const double zNear = static_cast<double>(0.1f), zFar = 100.0;
    std::array<double, 16> m{};
    m[0] = f / aspect;
    m[5] = f;
    m[10] = (zFar + zNear) / (zNear - zFar);
    m[11] = -1.0;
    m[14] = 2.0 * zFar * zNear / (zNear - zFar);
    return m;
}

void ExpectMatrixNear(const std::array<double, 16>& actual, const std::array<double, 16>& expected)
{
    for (int i = 0; i < 16; ++i) {
        EXPECT_NEAR(actual[i], expected[i], 1e-6 * (1.0 + std::fabs(expected[i]))) << "element " << i;
    }
}

// What the loop would do with the pending messages: dispatch them, and count the quit requests.
struct Pumped {
    int quits = 0;
    int lastExitCode = -1;
};
Pumped PumpMessages()
{
    Pumped pumped;
    Message message;
    while (TakeMessage(&message)) {
        if (message.quit) {
            ++pumped.quits;
            pumped.lastExitCode = message.exitCode;
        } else {
            DeliverMessage(message);
        }
    }
    return pumped;
}

class ShellWindowTest : public ::testing::Test {
protected:
    void SetUp() override { setenv("SDL_VIDEODRIVER", "offscreen", 1); }
    void TearDown() override
    {
        // Every test leaves the video system as it found it: off.
        EXPECT_EQ(SDL_WasInit(SDL_INIT_VIDEO), 0u);
    }

    // Creates the window and takes the system's own messages about it (shown, sized, focused).
    void Open(ProbeWindow& window)
    {
        ASSERT_TRUE(window.Create(&instance, "DrUfo Demo"));
        PinLoadedLibraries();
        PumpMessages();
    }
    static Uint32 WindowId() { return SDL_GetWindowID(SDL_GL_GetCurrentWindow()); }

    FakeMessageBoxes boxes;
    AppInstance instance{&boxes};
};

TEST_F(ShellWindowTest, CreateMakesTheContextCurrentWithViewportAndProjectionFor1024x768)
{
    ProbeWindow window(1024, 768, 32, false);
    EXPECT_EQ(window.GetSurface(), nullptr);
    Open(window);

    EXPECT_NE(window.glContext, nullptr);
    EXPECT_NE(window.GetSurface(), nullptr);
    EXPECT_EQ(window.instance, &instance);
    EXPECT_EQ(SDL_GL_GetCurrentContext(), static_cast<SDL_GLContext>(window.glContext));
    EXPECT_EQ(Viewport(), (std::array<int, 4>{0, 0, 1024, 768}));
    ExpectMatrixNear(Projection(), ExpectedPerspective(1024.0 / 768.0));
    GLint mode = 0;
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    EXPECT_EQ(mode, GL_MODELVIEW);
    GLint depthBits = 0;
    glGetIntegerv(GL_DEPTH_BITS, &depthBits);
    EXPECT_GE(depthBits, 16);
    EXPECT_TRUE(window.IsActive());
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(ShellWindowTest, ResizeWithHeightZeroUsesHeightOne)
{
    ProbeWindow window(640, 480, 32, false);
    Open(window);
    glMatrixMode(GL_PROJECTION); // Resize must leave the modelview matrix current and reset

    window.Resize(300, 0);

    EXPECT_EQ(Viewport(), (std::array<int, 4>{0, 0, 300, 1}));
    ExpectMatrixNear(Projection(), ExpectedPerspective(300.0));
    GLint mode = 0;
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    EXPECT_EQ(mode, GL_MODELVIEW);
}

TEST_F(ShellWindowTest, ASizeChangeSetsTheViewportToTheDrawableSize)
{
    ProbeWindow window(640, 480, 32, false);
    Open(window);

    SDL_SetWindowSize(SDL_GL_GetCurrentWindow(), 500, 300);
    PumpMessages();

    int drawableWidth = 0, drawableHeight = 0;
    SDL_GL_GetDrawableSize(SDL_GL_GetCurrentWindow(), &drawableWidth, &drawableHeight);
    EXPECT_EQ(Viewport(), (std::array<int, 4>{0, 0, drawableWidth, drawableHeight}));
    EXPECT_EQ(drawableWidth, 500);
    ExpectMatrixNear(Projection(), ExpectedPerspective(500.0 / 300.0));
}

// The five reactions, one event at a time, from an active window.
struct ReactionCase {
    const char* name;
    std::function<SDL_Event(Uint32 windowId)> event;
    bool postsQuit;
    bool activeAfter;
};

TEST_F(ShellWindowTest, WindowMessagesPostQuitOrSetActive)
{
    const std::vector<ReactionCase> cases = {
        {"Escape", [](Uint32 id) { return KeyDownEvent(id, SDLK_ESCAPE); }, true, true},
        {"another key", [](Uint32 id) { return KeyDownEvent(id, SDLK_a); }, false, true},
        {"close request", [](Uint32 id) { return WindowEvent(id, SDL_WINDOWEVENT_CLOSE); }, true, true},
        {"focus lost", [](Uint32 id) { return WindowEvent(id, SDL_WINDOWEVENT_FOCUS_LOST); }, false, false},
        {"minimised", [](Uint32 id) { return WindowEvent(id, SDL_WINDOWEVENT_MINIMIZED); }, false, false},
        {"Escape for another window", [](Uint32 id) { return KeyDownEvent(id + 1000, SDLK_ESCAPE); }, false,
         true},
    };
    ProbeWindow window(640, 480, 32, false);
    Open(window);
    for (const ReactionCase& c : cases) {
        SCOPED_TRACE(c.name);
        window.active = true;
        SDL_Event event = c.event(WindowId());
        ASSERT_EQ(SDL_PushEvent(&event), 1) << SDL_GetError();

        const Pumped pumped = PumpMessages();

        EXPECT_EQ(pumped.quits, c.postsQuit ? 1 : 0);
        if (c.postsQuit) {
            EXPECT_EQ(pumped.lastExitCode, 0);
        }
        EXPECT_EQ(window.active, c.activeAfter);
        EXPECT_NE(window.GetSurface(), nullptr); // a close request leaves the window open
    }
}

TEST_F(ShellWindowTest, AnyActivationMakesTheWindowActiveAgain)
{
    ProbeWindow window(640, 480, 32, false);
    Open(window);
    // A click into the inactive window gives it the focus like any other activation.
    for (SDL_WindowEventID off : {SDL_WINDOWEVENT_FOCUS_LOST, SDL_WINDOWEVENT_MINIMIZED}) {
        SDL_Event deactivate = WindowEvent(WindowId(), off);
        SDL_PushEvent(&deactivate);
        PumpMessages();
        ASSERT_FALSE(window.IsActive());
        SDL_Event focus = WindowEvent(WindowId(), SDL_WINDOWEVENT_FOCUS_GAINED);
        SDL_PushEvent(&focus);
        PumpMessages();
        EXPECT_TRUE(window.IsActive());
    }
}

TEST_F(ShellWindowTest, QuitRequestCarriesItsExitCodeThroughTheQueue)
{
    ProbeWindow window(640, 480, 32, false);
    Open(window);
    PostQuitRequest(3);
    const Pumped pumped = PumpMessages();
    EXPECT_EQ(pumped.quits, 1);
    EXPECT_EQ(pumped.lastExitCode, 3);
}

TEST_F(ShellWindowTest, KillUndoesEverythingAndIsSafeTwiceAndOnANeverCreatedWindow)
{
    ProbeWindow window(640, 480, 32, false);
    Open(window);
    window.Kill();
    EXPECT_EQ(window.glContext, nullptr);
    EXPECT_EQ(window.GetSurface(), nullptr);
    EXPECT_EQ(SDL_GL_GetCurrentContext(), nullptr);
    EXPECT_EQ(SDL_WasInit(SDL_INIT_VIDEO), 0u);
    window.Kill();

    ProbeWindow neverShown(1024, 768, 32, true);
    neverShown.Kill();
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(ShellWindowTest, FullScreenHidesThePointerUntilKill)
{
    // A video reference of the test's own keeps SDL's pointer state alive across Kill.
    ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_VIDEO), 0);
    {
        ProbeWindow window(1024, 768, 32, true);
        Open(window);
        EXPECT_TRUE(window.fullScreen);
        EXPECT_NE(SDL_GetWindowFlags(SDL_GL_GetCurrentWindow()) & SDL_WINDOW_FULLSCREEN, 0u);
        EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), SDL_DISABLE);
        window.Kill();
        EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), SDL_ENABLE);
    }
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(ShellWindowTest, NoVideoSystemFailsWithTheRegistrationMessage)
{
    setenv("SDL_VIDEODRIVER", "no-such-driver", 1);
    ProbeWindow window(640, 480, 32, false);

    EXPECT_FALSE(window.Create(&instance, "DrUfo Demo"));

    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].caption, "Brimt");
    EXPECT_EQ(boxes.shown[0].text, "Impossible d'enregistrer la classe de la fenêtre.");
    EXPECT_EQ(boxes.shown[0].buttons, MessageButtons::Ok);
    EXPECT_EQ(boxes.shown[0].icon, MessageIcon::Exclamation);
    EXPECT_EQ(window.glContext, nullptr);
    EXPECT_EQ(window.GetSurface(), nullptr);
}

} // namespace
