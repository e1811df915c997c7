// tests/shell_run_test.cpp -- DemoApp's run: step order, failures 1 to 6, the loop and its frame step,
// the frame path's time and play status.
#include "brimt.h"
#include "dlgsetup.h"
#include "shell_fakes.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

// What the test window saw; it outlives the window, which the run deletes.
struct Probe {
    CallLog log;
    bool initOk = true;
    bool releaseOk = true;
    // Decides each frame's result (frame counted from 0); by default the first frame ends the run.
    std::function<bool(int frame, GLWindow& window)> render = [](int, GLWindow&) {
        PostQuitRequest(0);
        return true;
    };
    std::vector<float> times;
    std::vector<PlayStatus> statuses;
    std::uint64_t presentedAtRelease = 0;
    GLWindow* window = nullptr; // while it exists
    int windowsMade = 0;
    DemoApp* app = nullptr;
    bool mainWindowWasSetAtInit = false;
};

class TestWindow : public GLWindow {
public:
    explicit TestWindow(Probe& probeRecord) : GLWindow(1024, 768, 32, true), probe(probeRecord)
    {
        probe.window = this;
        ++probe.windowsMade;
    }
    ~TestWindow() override
    {
        probe.log.push_back("deleted");
        probe.window = nullptr;
    }
    bool Init() override
    {
        probe.log.push_back("Init");
        PinLoadedLibraries();
        probe.mainWindowWasSetAtInit = probe.app != nullptr && probe.app->mainWindow == this;
        musicFile = "DATA/song.xm";
        return probe.initOk;
    }
    bool Release() override
    {
        probe.log.push_back("Release");
        probe.presentedAtRelease = PresentedFrames(GetSurface());
        return probe.releaseOk;
    }
    bool Render(float time, const PlayStatus* status) override
    {
        probe.times.push_back(time);
        probe.statuses.push_back(*status);
        return probe.render(static_cast<int>(probe.times.size()) - 1, *this);
    }

private:
    Probe& probe;
};

class ShellRunTest : public ::testing::Test {
protected:
    ShellRunTest() : music(probe.log), boxes(&probe.log), dialog(&probe.log)
    {
        setenv("SDL_VIDEODRIVER", "offscreen", 1);
        // The person at the dialog turns full screen off and presses OK.
        dialog.click = [](DialogData& data) { data.values[kIdFullScreen] = 0; };
    }
    void TearDown() override
    {
        EXPECT_EQ(SDL_WasInit(SDL_INIT_VIDEO), 0u) << "the run left the video system on";
    }

    int Run()
    {
        DemoApp app([this] { return std::make_unique<TestWindow>(probe); }, music, boxes, dialog);
        probe.app = &app;
        const int result = app.Run();
        EXPECT_EQ(app.mainWindow, nullptr);
        probe.app = nullptr;
        return result;
    }

    Probe probe;
    FakeMusic music;
    FakeMessageBoxes boxes;
    FakeDialog dialog;
};

const CallLog kNormalRun = {
    "dialog",
    "Init",
    "Startup",
    "Init music",
    "LoadModule DATA/song.xm",
    "PlayModule loaded looped",
    "StartBackgroundPlay 100",
    "StopBackgroundPlay",
    "StopModule 7",
    "FreeModule loaded",
    "Close",
    "Release",
    "deleted",
};

TEST_F(ShellRunTest, NormalRunGoesThroughEveryStepInOrder)
{
    EXPECT_EQ(Run(), 0);
    EXPECT_EQ(probe.log, kNormalRun);
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_TRUE(probe.mainWindowWasSetAtInit);
    EXPECT_EQ(probe.windowsMade, 1);
}

TEST_F(ShellRunTest, ADialogNotAcceptedEndsWithZeroAndTouchesNothing)
{
    for (int result : {kDialogCancel, kDialogFailed}) {
        SCOPED_TRACE(result);
        probe.log.clear();
        dialog.result = result;

        EXPECT_EQ(Run(), 0);

        EXPECT_EQ(probe.log, (CallLog{"dialog", "deleted"}));
        EXPECT_TRUE(boxes.shown.empty());
        EXPECT_EQ(music.statusReads, 0);
    }
}

TEST_F(ShellRunTest, TheRealDialogWithoutADisplayEndsTheRunWithZero)
{
    unsetenv("DISPLAY");
    DemoApp app([this] { return std::make_unique<TestWindow>(probe); }, music, boxes); // FLTK's dialog

    ::testing::internal::CaptureStderr();
    const int result = app.Run();
    const std::string said = ::testing::internal::GetCapturedStderr();

    EXPECT_EQ(result, 0);
    EXPECT_EQ(probe.log, (CallLog{"deleted"}));
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_NE(said.find("settings dialog not shown"), std::string::npos) << said;
}

// Each failure: how it is provoked, the run's result, and everything that happened, in order.
struct FailureCase {
    const char* name;
    std::function<void(Probe&, FakeMusic&)> provoke;
    int result;
    CallLog log;
};

const char* const kInitFailed = "Echec lors de l'initialisation.";

TEST_F(ShellRunTest, EachFailureUndoesItsStepsInOrderAndShowsItsNumberedMessage)
{
    const std::vector<FailureCase> cases = {
        {"1: no window",
         [](Probe&, FakeMusic&) { setenv("SDL_VIDEODRIVER", "no-such-driver", 1); },
         1,
         {"dialog", "box Brimt: Impossible d'enregistrer la classe de la fenêtre.",
          std::string("box ERREUR: Erreur Brimt 1\n") + kInitFailed, "deleted"}},
        {"2: Init fails",
         [](Probe& p, FakeMusic&) { p.initOk = false; },
         2,
         {"dialog", "Init", std::string("box ERREUR: Erreur Brimt 2\n") + kInitFailed, "deleted"}},
        {"3: no music library",
         [](Probe&, FakeMusic& m) { m.startupOk = false; },
         3,
         {"dialog", "Init", "Startup", "Release", std::string("box ERREUR: Erreur Brimt 3\n") + kInitFailed,
          "deleted"}},
        {"4: no sound output, even silent",
         [](Probe&, FakeMusic& m) {
             m.initResults = {false, false};
         },
         4,
         {"dialog", "Init", "Startup", "Init music", "SetOption 13 1", "Init music", "Close", "Release",
          std::string("box ERREUR: Erreur Brimt 4\n") + kInitFailed, "deleted"}},
        {"5: no module",
         [](Probe&, FakeMusic& m) { m.moduleOk = false; },
         5,
         {"dialog", "Init", "Startup", "Init music", "LoadModule DATA/song.xm", "Close", "Release",
          std::string("box ERREUR: Erreur Brimt 5\n") + kInitFailed, "deleted"}},
        {"6: Release fails",
         [](Probe& p, FakeMusic&) { p.releaseOk = false; },
         6,
         {"dialog", "Init", "Startup", "Init music", "LoadModule DATA/song.xm", "PlayModule loaded looped",
          "StartBackgroundPlay 100", "StopBackgroundPlay", "StopModule 7", "FreeModule loaded", "Close",
          "Release", "box ERREUR: Erreur Brimt 6\nEchec lors de la libération des ressources", "deleted"}},
    };
    for (const FailureCase& c : cases) {
        SCOPED_TRACE(c.name);
        probe = Probe{};
        music.Reset();
        boxes.shown.clear();
        setenv("SDL_VIDEODRIVER", "offscreen", 1);
        c.provoke(probe, music);

        EXPECT_EQ(Run(), c.result);

        EXPECT_EQ(probe.log, c.log);
        ASSERT_FALSE(boxes.shown.empty());
        const ShownMessage& last = boxes.shown.back();
        EXPECT_EQ(last.caption, "ERREUR");
        EXPECT_EQ(last.buttons, MessageButtons::Ok);
        EXPECT_EQ(last.icon, MessageIcon::Exclamation);
        EXPECT_EQ(SDL_WasInit(SDL_INIT_VIDEO), 0u);
    }
    setenv("SDL_VIDEODRIVER", "offscreen", 1);
}

TEST_F(ShellRunTest, ASecondSoundInitWithoutADeviceLetsTheRunGoOn)
{
    music.initResults = {false, true};
    EXPECT_EQ(Run(), 0);
    CallLog expected = kNormalRun;
    expected.insert(expected.begin() + 4, {"SetOption 13 1", "Init music"});
    EXPECT_EQ(probe.log, expected);
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(ShellRunTest, FirstRenderGetsTimeZeroAndAnAllZeroStatusThenWhatWasReadAfterEachFrame)
{
    probe.render = [](int frame, GLWindow&) {
        if (frame == 3) PostQuitRequest(0);
        return true;
    };
    EXPECT_EQ(Run(), 0);

    ASSERT_EQ(probe.times.size(), 4u);
    EXPECT_EQ(probe.times[0], 0.0f);
    const PlayStatus& first = probe.statuses[0];
    EXPECT_EQ(first.songPosition, 0u);
    EXPECT_EQ(first.pattern, 0u);
    EXPECT_EQ(first.row, 0u);
    EXPECT_EQ(first.syncValue, 0);
    EXPECT_EQ(first.loopCount, 0u);
    for (std::size_t frame = 1; frame < probe.statuses.size(); ++frame) {
        // The fake's n-th read says position n: frame k sees the read made after frame k - 1.
        EXPECT_EQ(probe.statuses[frame].songPosition, frame);
        EXPECT_EQ(probe.statuses[frame].row, 2 * frame);
        EXPECT_GE(probe.times[frame], probe.times[frame - 1]);
    }
}

TEST_F(ShellRunTest, AQuitPostedByRenderLetsThatFrameBePresentedAndTheStatusRead)
{
    probe.render = [](int frame, GLWindow&) {
        if (frame == 2) PostQuitRequest(0);
        return true;
    };
    EXPECT_EQ(Run(), 0);
    EXPECT_EQ(probe.times.size(), 3u);
    EXPECT_EQ(probe.presentedAtRelease, 3u);
    EXPECT_EQ(music.statusReads, 3);
    EXPECT_EQ(probe.log, kNormalRun);
}

TEST_F(ShellRunTest, RenderReturningFalseEndsTheLoopWithoutPresentingThatFrame)
{
    probe.render = [](int frame, GLWindow&) { return frame < 2; };
    EXPECT_EQ(Run(), 0);
    EXPECT_EQ(probe.times.size(), 3u);
    EXPECT_EQ(probe.presentedAtRelease, 2u);
    EXPECT_EQ(music.statusReads, 2);
    EXPECT_EQ(probe.log, kNormalRun);
}

TEST_F(ShellRunTest, WhileInactiveNothingIsDrawnButFramesSongAndClockRunOn)
{
    constexpr int kInactivePasses = 5;
    constexpr auto kPause = std::chrono::milliseconds(40);
    int readsWhenDeactivated = 0;
    probe.render = [&](int frame, GLWindow& window) {
        if (frame == 1) {
            window.active = false; // as a lost focus would
            readsWhenDeactivated = music.statusReads;
        }
        if (frame == 2) PostQuitRequest(0);
        return true;
    };
    music.onStatus = [&](int read) {
        if (readsWhenDeactivated == 0 || probe.window == nullptr || probe.window->active) return;
        // Read readsWhenDeactivated + 1 ends frame 1's own pass; the inactive passes follow it.
        if (read == readsWhenDeactivated + 2) std::this_thread::sleep_for(kPause);
        if (read == readsWhenDeactivated + 1 + kInactivePasses) probe.window->active = true;
    };

    EXPECT_EQ(Run(), 0);

    ASSERT_EQ(probe.times.size(), 3u);
    // Frame 1's pass and the inactive ones were all presented and read the song.
    EXPECT_EQ(music.statusReads, 3 + kInactivePasses);
    EXPECT_EQ(probe.presentedAtRelease, static_cast<std::uint64_t>(3 + kInactivePasses));
    // The song went on: frame 2 sees the read made after the last inactive pass.
    EXPECT_EQ(probe.statuses[2].songPosition, static_cast<std::uint32_t>(2 + kInactivePasses));
    // The clock went on: the pause inside the inactive interval shows in frame 2's time.
    EXPECT_GE(probe.times[2] - probe.times[1], std::chrono::duration<float>(kPause).count());
}

TEST_F(ShellRunTest, EscapeOrACloseRequestInTheWindowEndsTheRunThroughTheNormalShutdown)
{
    const std::vector<std::pair<const char*, std::function<SDL_Event(Uint32)>>> requests = {
        {"Escape", [](Uint32 id) { return KeyDownEvent(id, SDLK_ESCAPE); }},
        {"close", [](Uint32 id) { return WindowEvent(id, SDL_WINDOWEVENT_CLOSE); }},
    };
    for (const auto& request : requests) {
        SCOPED_TRACE(request.first);
        probe = Probe{};
        music.Reset();
        probe.render = [&request](int frame, GLWindow&) {
            if (frame == 1) {
                SDL_Event event = request.second(SDL_GetWindowID(SDL_GL_GetCurrentWindow()));
                SDL_PushEvent(&event);
            }
            return frame < 5; // the request must end the run before this would
        };

        EXPECT_EQ(Run(), 0);

        EXPECT_EQ(probe.times.size(), 2u);
        EXPECT_EQ(probe.presentedAtRelease, 2u);
        EXPECT_EQ(probe.log, kNormalRun);
        EXPECT_TRUE(boxes.shown.empty());
    }
}

TEST_F(ShellRunTest, FullScreenRunHidesThePointerWhileTheWindowIsUp)
{
    dialog.click = nullptr; // OK on the defaults: full screen, 1024 x 768, 32 bits
    int pointer = -1;
    bool fullScreen = false;
    probe.render = [&](int, GLWindow& window) {
        pointer = SDL_ShowCursor(SDL_QUERY);
        fullScreen = window.fullScreen;
        PostQuitRequest(0);
        return true;
    };
    EXPECT_EQ(Run(), 0);
    EXPECT_TRUE(fullScreen);
    EXPECT_EQ(pointer, SDL_DISABLE);
    EXPECT_EQ(probe.log, kNormalRun);
}

TEST(ClockSeconds, TakesTheDifferenceInIntegersAndRoundsTheDoubleQuotientOnce)
{
    struct Case {
        std::int64_t start, now, frequency;
        float seconds;
    };
    const Case cases[] = {
        {5, 5, 1000000000, 0.0f},
        {100, 350, 1000, 0.25f},
        // Converting each counter value to double first would lose 512 counts: 3.0000005 s.
        {std::int64_t{1} << 62, (std::int64_t{1} << 62) + 3000000000, 1000000000, 3.0f},
        // Dividing in single precision would give 53.4636574.
        {0, 53463659931, 1000000000, 53.4636612f},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ClockSeconds(c.start, c.now, c.frequency), c.seconds) << c.now - c.start;
    }
}

} // namespace

// --- Options that change the run: no dialog, another frame path, an inactive window that waits ---

namespace {

// A source that logs its start and stop and gives each frame a fixed step of time, and a sink that
// counts what it presents.
class SteppingSource : public FrameSource {
public:
    explicit SteppingSource(CallLog& callLog) : log(callLog) {}
    void Start(MusicLibrary& library, PlayHandle playing) override
    {
        log.push_back("source Start");
        music = &library;
        play = playing;
    }
    void Next(PlayStatus* status, float* time) override
    {
        music->GetPlayStatus(play, status);
        ++steps;
        *time = 0.25f * static_cast<float>(steps);
    }
    void Stop() override { log.push_back("source Stop"); }

    CallLog& log;
    MusicLibrary* music = nullptr;
    PlayHandle play = 0;
    int steps = 0;
};

class CountingSink : public FrameSink {
public:
    explicit CountingSink(CallLog& callLog) : log(callLog) {}
    void Present(SurfaceHandle surface) override
    {
        PresentFrame(surface);
        ++presents;
        if (onPresent) onPresent(presents);
    }
    void Stop() override { log.push_back("sink Stop"); }

    CallLog& log;
    int presents = 0;
    std::function<void(int)> onPresent;
};

TEST_F(ShellRunTest, WithoutTheDialogTheWindowOpensWithTheSettingsItWasMadeWith)
{
    int widthAtInit = 0;
    bool fullScreenAtInit = true;
    probe.render = [&](int, GLWindow& window) {
        widthAtInit = window.width;
        fullScreenAtInit = window.fullScreen;
        PostQuitRequest(0);
        return true;
    };
    DemoApp app(
        [this] {
            auto window = std::make_unique<TestWindow>(probe);
            window->fullScreen = false;
            window->width = 333;
            window->height = 77;
            return window;
        },
        music, boxes, dialog);
    app.askSettings = false;
    EXPECT_EQ(app.Run(), 0);
    EXPECT_EQ(probe.log.front(), "Init") << "no dialog";
    EXPECT_EQ(widthAtInit, 333);
    EXPECT_FALSE(fullScreenAtInit);
}

TEST_F(ShellRunTest, TheLoopTakesItsTimeFromTheSourceAndPresentsThroughTheSinkItIsGiven)
{
    SteppingSource source(probe.log);
    CountingSink sink(probe.log);
    probe.render = [](int frame, GLWindow&) {
        if (frame == 3) PostQuitRequest(0);
        return true;
    };
    DemoApp app([this] { return std::make_unique<TestWindow>(probe); }, music, boxes, dialog);
    app.UseFrameSource(source);
    app.UseFrameSink(sink);
    EXPECT_EQ(app.Run(), 0);
    EXPECT_EQ(probe.times, (std::vector<float>{0.0f, 0.25f, 0.5f, 0.75f}));
    EXPECT_EQ(sink.presents, 4);
    EXPECT_EQ(music.statusReads, 4);
    // Started with the song, stopped right after the loop, before the song stops.
    const CallLog expected = {"dialog",
                              "Init",
                              "Startup",
                              "Init music",
                              "LoadModule DATA/song.xm",
                              "PlayModule loaded looped",
                              "source Start",
                              "StartBackgroundPlay 100",
                              "source Stop",
                              "sink Stop",
                              "StopBackgroundPlay",
                              "StopModule 7",
                              "FreeModule loaded",
                              "Close",
                              "Release",
                              "deleted"};
    EXPECT_EQ(probe.log, expected);
}

TEST_F(ShellRunTest, AHostCanDriveTheSameRunOneFrameStepAtATime)
{
    // What a page whose browser calls back once per animation frame does: BeginShow, a StepFrame per
    // callback, EndShow. The run is the same as Run()'s, step for step.
    SteppingSource source(probe.log);
    CountingSink sink(probe.log);
    probe.render = [](int frame, GLWindow&) {
        if (frame == 2) PostQuitRequest(0);
        return true;
    };
    DemoApp app([this] { return std::make_unique<TestWindow>(probe); }, music, boxes, dialog);
    app.UseFrameSource(source);
    app.UseFrameSink(sink);
    ASSERT_EQ(app.BeginShow(), DemoApp::kShowRunning);
    EXPECT_TRUE(probe.times.empty()) << "nothing drawn before the first step";
    int steps = 0;
    while (app.StepFrame()) {
        ++steps;
        EXPECT_EQ(probe.times.size(), static_cast<std::size_t>(steps)) << "one frame a step";
    }
    EXPECT_EQ(steps, 3); // the quit posted by frame 2 is taken at the fourth step
    EXPECT_EQ(app.EndShow(), 0);
    EXPECT_EQ(probe.times, (std::vector<float>{0.0f, 0.25f, 0.5f}));
    EXPECT_EQ(probe.presentedAtRelease, 3u);
    EXPECT_EQ(probe.log.back(), "deleted");
    EXPECT_EQ(app.mainWindow, nullptr);

    // A dialog that is not accepted: BeginShow gives the run's result at once.
    probe = Probe{};
    dialog.result = kDialogCancel;
    EXPECT_EQ(app.BeginShow(), 0);
}

TEST_F(ShellRunTest, AFrameRateCapSpacesThePresentedFrames)
{
    // At most 50 frames a second: frame k is presented no sooner than k / 50 s after the start, so
    // the time read after frame 4 is at least 4 / 50 s (only a lower bound: a busy machine is slower).
    LiveSink sink(50);
    probe.render = [](int frame, GLWindow&) {
        if (frame == 5) PostQuitRequest(0);
        return true;
    };
    DemoApp app([this] { return std::make_unique<TestWindow>(probe); }, music, boxes, dialog);
    app.UseFrameSink(sink);
    EXPECT_EQ(app.Run(), 0);
    ASSERT_EQ(probe.times.size(), 6u);
    EXPECT_GE(probe.times[5], 4.0f / 50.0f);
}

TEST_F(ShellRunTest, AnInactiveWindowWaitsForMessagesInsteadOfSpinning)
{
    // Inactive for a quarter of a second: each pass waits for a message up to one display refresh
    // (16 ms), so there are a few dozen passes at most, where a spinning loop makes thousands.
    CountingSink sink(probe.log);
    std::chrono::steady_clock::time_point inactiveSince;
    probe.render = [&](int, GLWindow& window) {
        window.active = false;
        inactiveSince = std::chrono::steady_clock::now();
        return true;
    };
    int presentsWhenQuit = 0;
    sink.onPresent = [&](int presents) {
        if (presentsWhenQuit == 0 && presents > 1 &&
            std::chrono::steady_clock::now() - inactiveSince > std::chrono::milliseconds(250)) {
            presentsWhenQuit = presents;
            PostQuitRequest(0);
        }
    };
    DemoApp app([this] { return std::make_unique<TestWindow>(probe); }, music, boxes, dialog);
    app.UseFrameSink(sink);
    EXPECT_EQ(app.Run(), 0);
    EXPECT_GT(presentsWhenQuit, 1);
    EXPECT_LE(presentsWhenQuit, 1 + 250 / 16 + 10);
    EXPECT_EQ(probe.times.size(), 1u); // nothing drawn while inactive
}

} // namespace
