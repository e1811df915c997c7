// tests/e2e/shell_e2e_app.cpp -- a stand-in program for the end-to-end run: the real shell, a plain window, a
// silent song.
//
// The real DemoApp with SDL's window and message boxes and FLTK's dialog; the window clears every
// frame to one colour (0, 128, 255) and the song is a silent one that advances in real time (64 rows
// of 0.125 s per position) and ends the run at position 12, as the show does. Lines on stdout tell
// the end-to-end script what happened. With --message-box it shows one message box instead; with
// --init-fails the window's Init fails once the full-screen window is open.
#include "brimt.h"

#include <GL/gl.h>

#include <cstdio>
#include <memory>
#include <string>

namespace {

bool musicClosed = false;
bool initFails = false; // --init-fails: the window's Init fails, as with a missing data file

class ClearWindow : public GLWindow {
public:
    ClearWindow() : GLWindow(1024, 768, 32, true) {}
    bool Init() override
    {
        std::printf("init %dx%d %d bits %s\n", width, height, bitsPerPixel,
                    fullScreen ? "full screen" : "windowed");
        if (initFails) return false;
        musicFile = "silent.xm";
        glClearColor(0.0f, 128.0f / 255.0f, 1.0f, 1.0f);
        return true;
    }
    bool Release() override
    {
        std::printf("released %s the music closed\n", musicClosed ? "after" : "before");
        return true;
    }
    bool Render(float, const PlayStatus* status) override
    {
        if (status->songPosition >= 12) {
            PostQuitRequest(0);
            return true;
        }
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        return true;
    }
};

// A song with no sound: its position follows the high-resolution counter from the start of play.
class SilentSong : public MusicLibrary {
public:
    bool Startup() override { return true; }
    bool Init() override { return true; }
    void SetOption(int, int) override {}
    ModuleHandle LoadModule(const char*) override { return reinterpret_cast<ModuleHandle>(&storage); }
    PlayHandle PlayModule(ModuleHandle, bool) override { return 1; }
    bool StartBackgroundPlay(int) override
    {
        start = CounterNow();
        return true;
    }
    bool GetPlayStatus(PlayHandle, PlayStatus* out) override
    {
        const double seconds =
            static_cast<double>(CounterNow() - start) / static_cast<double>(CounterFrequency());
        const auto rows = static_cast<std::uint32_t>(seconds / kRowSeconds);
        out->songPosition = rows / 64;
        out->pattern = out->songPosition;
        out->row = rows % 64;
        return true;
    }
    void StopBackgroundPlay() override {}
    void StopModule(PlayHandle) override {}
    void FreeModule(ModuleHandle) override {}
    void Close() override
    {
        musicClosed = true;
        std::printf("music closed\n");
    }

private:
    static constexpr double kRowSeconds = 0.125;
    std::int64_t start = 0;
    int storage = 0;
};

} // namespace

// "--message-box CAPTION TEXT ICON BUTTONS": shows one of the real message boxes and prints its answer.
// ICON is information, exclamation or stop; BUTTONS is ok or yesno.
int ShowOneBox(int argc, char** argv)
{
    if (argc != 6) return 2;
    const std::string icon = argv[4];
    const std::string buttons = argv[5];
    MessageIcon kind = MessageIcon::Information;
    if (icon == "exclamation") kind = MessageIcon::Exclamation;
    if (icon == "stop") kind = MessageIcon::Stop;
    const MessageAnswer answer = SystemMessageBoxes().Show(
        argv[2], argv[3], buttons == "yesno" ? MessageButtons::YesNo : MessageButtons::Ok, kind);
    std::printf("answer %s\n", answer == MessageAnswer::Yes  ? "yes"
                               : answer == MessageAnswer::No ? "no"
                                                             : "ok");
    return 0;
}

int main(int argc, char** argv)
{
    std::setvbuf(stdout, nullptr, _IOLBF, 0); // each line out as it happens
    if (argc > 1 && std::string(argv[1]) == "--message-box") return ShowOneBox(argc, argv);
    initFails = argc > 1 && std::string(argv[1]) == "--init-fails";
    SilentSong song;
    DemoApp app([] { return std::make_unique<ClearWindow>(); }, song);
    const int result = app.Run();
    std::printf("exit %d\n", result);
    return result;
}
