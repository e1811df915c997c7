// brimt/cli.h -- the command line: what to run and with which settings, or what to print and exit with.
#pragma once

#include <cstdint>
#include <string>

struct CommandLine {
    enum class Action {
        kRun,     // the live show
        kCapture, // the show rendered into captureFile
        kExit,    // print `message` (stdout for status 0, else stderr) and exit with exitStatus
    };
    Action action = Action::kRun;
    int exitStatus = 0; // kExit: 0 after --help or --version, 2 after a bad option or value
    std::string message;

    // The live show. Without display options the settings dialog asks, from its defaults.
    bool askSettings = true; // false when --windowed, --fullscreen, --size or --bpp was given
    bool fullScreen = true;
    int width = 1024;
    int height = 768;
    int bitsPerPixel = 32;
    bool noSound = false; // play silently, in real time
    int frameRate = 0;    // frames per second at most; 0: as fast as the display presents

    std::string dataFolder; // --data; empty: look for DATA/ (datafolder.h)

    // The capture.
    std::string captureFile;
    int fps = 60;
    std::int64_t frameLimit = 0; // --frames; 0: the whole show
};

// Reads the program's arguments (argv[0] is the program). Never exits and prints nothing itself.
CommandLine ParseCommandLine(int argc, const char* const* argv);
