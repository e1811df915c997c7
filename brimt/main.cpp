// brimt/main.cpp -- the program's entry: reads the command line, finds the data, then plays the show
// (the application runs it and its result ends the program) or renders it into a file.
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "brimt.h"
#include "capturefile.h"
#include "cli.h"
#include "datafolder.h"
#include "demowindow.h"
#include "platform/music.h"

#ifndef BRIMT_INSTALLED_DATA
#define BRIMT_INSTALLED_DATA "../share/brimt"
#endif

namespace {

// The real music library, asked to play without a sound device from the start (--no-sound).
class SilentMusic final : public MusicLibrary {
public:
    explicit SilentMusic(MusicLibrary& real) : music(real) {}
    bool Startup() override { return music.Startup(); }
    bool Init() override
    {
        music.SetOption(kMusicOptionNoSoundDevice, 1);
        return music.Init();
    }
    void SetOption(int option, int value) override { music.SetOption(option, value); }
    ModuleHandle LoadModule(const char* file) override { return music.LoadModule(file); }
    PlayHandle PlayModule(ModuleHandle module, bool loopSong) override
    {
        return music.PlayModule(module, loopSong);
    }
    bool StartBackgroundPlay(int rate) override { return music.StartBackgroundPlay(rate); }
    bool GetPlayStatus(PlayHandle play, PlayStatus* out) override { return music.GetPlayStatus(play, out); }
    void StopBackgroundPlay() override { music.StopBackgroundPlay(); }
    void StopModule(PlayHandle play) override { music.StopModule(play); }
    void FreeModule(ModuleHandle module) override { music.FreeModule(module); }
    void Close() override { music.Close(); }

private:
    MusicLibrary& music;
};

// Whether a display server is named. The settings dialog needs one, and without one the window
// could only be drawn where nobody sees it (the video layer refuses that: failure 1).
bool DisplayNamed()
{
    const char* x11 = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    return (x11 != nullptr && *x11 != '\0') || (wayland != nullptr && *wayland != '\0');
}

const char* const kCaptureInstead =
    "brimt: without a display, 'brimt --capture FILE' renders the show into a file instead (FILE: show.mp4, "
    "show.mkv or a folder ending in '/')\n";

} // namespace

int main(int argc, char** argv)
{
    const CommandLine line = ParseCommandLine(argc, argv);
    if (line.action == CommandLine::Action::kExit) {
        std::fputs(line.message.c_str(), line.exitStatus == 0 ? stdout : stderr);
        return line.exitStatus;
    }

    std::string data = line.dataFolder;
    if (data.empty()) {
        const std::vector<std::string> candidates =
            DataFolderCandidates(ExecutableDir(), BRIMT_INSTALLED_DATA);
        data = FindDataFolder(candidates);
        if (data.empty()) {
            // The run goes on as it always did, from DATA here: its first file then fails to load.
            std::fprintf(stderr, "brimt: %s\n", DataFolderNotFound(candidates).c_str());
            data = "DATA";
        }
    }

    if (line.action == CommandLine::Action::kCapture) {
        CaptureSettings settings;
        settings.width = line.width;
        settings.height = line.height;
        settings.fps = line.fps;
        settings.frameLimit = line.frameLimit;
        settings.dataFolder = data;
        return CaptureToFile(settings, line.captureFile);
    }

    const bool displayNamed = DisplayNamed();
    if (line.askSettings && !displayNamed) {
        std::fputs("brimt: the settings dialog cannot be shown: there is no display (neither DISPLAY nor "
                   "WAYLAND_DISPLAY is set)\n",
                   stderr);
        std::fputs(kCaptureInstead, stderr);
        return 1;
    }

    std::unique_ptr<MusicLibrary> realMusic = CreateMusicLibrary();
    SilentMusic silentMusic(*realMusic);
    MusicLibrary& music = line.noSound ? static_cast<MusicLibrary&>(silentMusic) : *realMusic;
    LiveSink sink(line.frameRate);
    DemoApp app(
        [&line, &data] {
            auto window = std::make_unique<DemoWindow>();
            if (!line.askSettings) {
                window->fullScreen = line.fullScreen;
                window->width = line.width;
                window->height = line.height;
                window->bitsPerPixel = line.bitsPerPixel;
            }
            window->dataFolder = data;
            return window;
        },
        music);
    app.askSettings = line.askSettings;
    app.UseFrameSink(sink);
    const int result = app.Run();
    if (result == 1 && !displayNamed) {
        std::fputs(kCaptureInstead, stderr);
    }
    return result;
}
