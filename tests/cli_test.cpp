// tests/cli_test.cpp -- the command line: every option's effect, the defaults it leaves alone, and the
// bad options and values that end the program with a one-line error, the usage and status 2.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "brimt/cli.h"

namespace {

CommandLine Parse(std::vector<std::string> args)
{
    args.insert(args.begin(), "brimt");
    std::vector<const char*> argv;
    for (const std::string& arg : args)
        argv.push_back(arg.c_str());
    return ParseCommandLine(static_cast<int>(argv.size()), argv.data());
}

using Action = CommandLine::Action;

struct RunCase {
    std::vector<std::string> args;
    bool askSettings;
    bool fullScreen;
    int width;
    int height;
    int bitsPerPixel;
    bool noSound;
    int frameRate;
};

TEST(CommandLine, LiveRunOptions)
{
    const RunCase cases[] = {
        // No options: the dialog asks, from its defaults.
        {{}, true, true, 1024, 768, 32, false, 0},
        // Any display option skips the dialog; the others keep the dialog's defaults.
        {{"--windowed"}, false, false, 1024, 768, 32, false, 0},
        {{"--fullscreen"}, false, true, 1024, 768, 32, false, 0},
        {{"--size", "800x600"}, false, true, 800, 600, 32, false, 0},
        {{"--size=333x77", "--windowed"}, false, false, 333, 77, 32, false, 0},
        {{"--bpp", "16"}, false, true, 1024, 768, 16, false, 0},
        {{"--bpp=32", "--fullscreen", "--size", "640x480"}, false, true, 640, 480, 32, false, 0},
        // Sound and pace leave the dialog in place.
        {{"--no-sound"}, true, true, 1024, 768, 32, true, 0},
        {{"--frame-rate", "60"}, true, true, 1024, 768, 32, false, 60},
        {{"--frame-rate=144", "--windowed", "--no-sound"}, false, false, 1024, 768, 32, true, 144},
        // Long options may be shortened while only one begins so, as getopt_long allows.
        {{"--win", "--si", "640x480"}, false, false, 640, 480, 32, false, 0},
        {{"--fu", "--b=16", "--no"}, false, true, 1024, 768, 16, true, 0},
        {{"--frame-", "30"}, true, true, 1024, 768, 32, false, 30},
    };
    for (const RunCase& c : cases) {
        std::string label;
        for (const std::string& arg : c.args)
            label += arg + " ";
        SCOPED_TRACE(label);
        const CommandLine line = Parse(c.args);
        EXPECT_EQ(line.action, Action::kRun);
        EXPECT_EQ(line.askSettings, c.askSettings);
        EXPECT_EQ(line.fullScreen, c.fullScreen);
        EXPECT_EQ(line.width, c.width);
        EXPECT_EQ(line.height, c.height);
        EXPECT_EQ(line.bitsPerPixel, c.bitsPerPixel);
        EXPECT_EQ(line.noSound, c.noSound);
        EXPECT_EQ(line.frameRate, c.frameRate);
        EXPECT_EQ(line.dataFolder, "");
    }
}

struct CaptureCase {
    std::vector<std::string> args;
    std::string file;
    int width;
    int height;
    int fps;
    long long frames;
};

TEST(CommandLine, CaptureOptions)
{
    const CaptureCase cases[] = {
        {{"--capture", "show.mp4"}, "show.mp4", 1280, 960, 60, 0},
        {{"--capture=show.mkv", "--fps", "30"}, "show.mkv", 1280, 960, 30, 0},
        {{"--capture", "frames/", "--size", "321x241"}, "frames/", 321, 241, 60, 0}, // PNGs: any size
        {{"--capture", "a.mp4", "--size", "320x240", "--frames", "120", "--fps=25"},
         "a.mp4",
         320,
         240,
         25,
         120},
        // Shortened: the word after an option with a value is its value, whatever it looks like.
        {{"--cap", "out/", "--fps", "10"}, "out/", 1280, 960, 10, 0},
        {{"--capt=a.mkv", "--fp=24", "--frames", "5"}, "a.mkv", 1280, 960, 24, 5},
        {{"--capture", "--fps.mp4"}, "--fps.mp4", 1280, 960, 60, 0},
    };
    for (const CaptureCase& c : cases) {
        SCOPED_TRACE(c.file);
        const CommandLine line = Parse(c.args);
        ASSERT_EQ(line.action, Action::kCapture) << line.message;
        EXPECT_EQ(line.captureFile, c.file);
        EXPECT_EQ(line.width, c.width);
        EXPECT_EQ(line.height, c.height);
        EXPECT_EQ(line.fps, c.fps);
        EXPECT_EQ(line.frameLimit, c.frames);
    }
}

TEST(CommandLine, DataFolderMustExist)
{
    const std::string source = std::getenv("BRIMT_SOURCE_DIR");
    const CommandLine found = Parse({"--data", source + "/DATA"});
    EXPECT_EQ(found.action, Action::kRun);
    EXPECT_EQ(found.dataFolder, source + "/DATA");

    const CommandLine missing = Parse({"--data", "/no/such/folder"});
    EXPECT_EQ(missing.action, Action::kExit);
    EXPECT_EQ(missing.exitStatus, 2);
}

TEST(CommandLine, HelpAndVersionPrintAndExitWithZero)
{
    const CommandLine help = Parse({"--help"});
    EXPECT_EQ(help.action, Action::kExit);
    EXPECT_EQ(help.exitStatus, 0);
    for (const char* option : {"--windowed", "--fullscreen", "--size", "--bpp", "--no-sound", "--frame-rate",
                               "--data", "--capture", "--fps", "--frames", "--version"}) {
        EXPECT_NE(help.message.find(option), std::string::npos) << option;
    }
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"--version"}, {"--vers"}, {"--version", "--windowed"}}) {
        const CommandLine version = Parse(args);
        EXPECT_EQ(version.action, Action::kExit);
        EXPECT_EQ(version.exitStatus, 0);
        EXPECT_EQ(version.message.rfind("brimt ", 0), 0u) << version.message;
    }
    EXPECT_EQ(Parse({"--he"}).message, help.message);
}

// What the error line names: the argument the user typed, not a consequence of it.
TEST(CommandLine, ErrorsNameWhatWasTyped)
{
    const struct {
        std::vector<std::string> args;
        std::vector<std::string> named; // each in the error line
    } cases[] = {
        {{"--size", ""}, {"--size", "''"}},
        {{"--bogus", "--version"}, {"--bogus"}},
        {{"--help", "--bogus"}, {"--bogus"}},
        {{"--version", "stray"}, {"stray"}},
        {{"--fr", "30"}, {"'--fr' is ambiguous", "'--frame-rate'", "'--frames'"}},
        {{"--f"}, {"'--f' is ambiguous", "'--fullscreen'", "'--fps'"}},
        {{"--capt", "show.mp4", "--fra=3"}, {"'--fra' is ambiguous"}},
    };
    for (const auto& c : cases) {
        std::string label;
        for (const std::string& arg : c.args)
            label += "[" + arg + "] ";
        SCOPED_TRACE(label);
        const CommandLine line = Parse(c.args);
        ASSERT_EQ(line.action, Action::kExit);
        EXPECT_EQ(line.exitStatus, 2);
        const std::string errorLine = line.message.substr(0, line.message.find('\n'));
        for (const std::string& named : c.named) {
            EXPECT_NE(errorLine.find(named), std::string::npos) << errorLine;
        }
    }
}

TEST(CommandLine, BadOptionsAndValuesGiveOneLineErrorUsageAndStatusTwo)
{
    const std::vector<std::vector<std::string>> cases = {
        {"--bogus"},
        {"stray"},
        {"-w"},
        {"--size"},
        {"--size", ""},
        {"--size", "800"},
        {"--size", "800x"},
        {"--size", "0x600"},
        {"--size", "-800x600"},
        {"--size", "800x600x3"},
        {"--size", "99999x600"},
        {"--bpp", "24"},
        {"--bpp", "thirty-two"},
        {"--frame-rate", "0"},
        {"--frame-rate", "fast"},
        {"--windowed", "--fullscreen"},
        {"--fps", "30"},                                // only with --capture
        {"--frames", "10"},                             // likewise
        {"--capture", "show.avi"},                      // neither a film kind nor a folder
        {"--capture", "show"},                          //
        {"--capture", "show.mp4", "--fps", "0"},        //
        {"--capture", "show.mp4", "--size", "321x240"}, // H.264 4:2:0 needs even sides
        {"--capture", "show.mp4", "--windowed"},        // live-run options do not mix with a capture
        {"--capture", "show.mp4", "--bpp", "16"},       //
        {"--capture", "show.mp4", "--no-sound"},        //
        {"--capture", "show.mp4", "--frames", "0"},
        {"--capture"},
        {"--bogus", "--version"}, // a bad option counts whatever else is asked for
        {"--help", "--bogus"},
        {"--fr", "30"}, // begins two option names
        {"--cap", "out/", "--fps", "0"},
    };
    for (const auto& args : cases) {
        std::string label;
        for (const std::string& arg : args)
            label += arg + " ";
        SCOPED_TRACE(label);
        const CommandLine line = Parse(args);
        EXPECT_EQ(line.action, Action::kExit);
        EXPECT_EQ(line.exitStatus, 2);
        // One line of error, then the usage.
        ASSERT_EQ(line.message.rfind("brimt: ", 0), 0u) << line.message;
        const std::size_t firstBreak = line.message.find('\n');
        ASSERT_NE(firstBreak, std::string::npos);
        EXPECT_EQ(line.message.compare(firstBreak + 1, 13, "Usage: brimt "), 0) << line.message;
    }
}

} // namespace
