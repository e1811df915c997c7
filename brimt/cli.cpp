// brimt/cli.cpp -- the command line on CLI11: GNU-style long options, --help, --version, one-line errors.
#include "cli.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <string>
#include <vector>

#include "capturefile.h"

#ifndef BRIMT_VERSION
#define BRIMT_VERSION "0"
#endif

namespace {

constexpr int kBadUsage = 2;
constexpr int kMaxSide = 16384; // pixels: a window or frame side, far above any screen

const char* const kUsage = "Usage: brimt [OPTIONS]\nRun 'brimt --help' for the options.\n";

// The help, written out rather than generated: CLI11 would list every option's exclusions.
const char* const kHelp =
    "Usage: brimt [OPTIONS]\n"
    "Brimt, a real-time OpenGL demo in step with its tracker song. Without options a settings dialog\n"
    "asks for the display mode, then the show plays and ends by itself (Escape ends it early).\n"
    "\n"
    "Playing:\n"
    "  --windowed            play in a window            any of these four skips the settings\n"
    "  --fullscreen          play full screen            dialog; the others keep its defaults\n"
    "  --size WxH            the window's or the screen mode's size (default 1024x768)\n"
    "  --bpp 16|32           colour depth (default 32)\n"
    "  --no-sound            play silently, in real time\n"
    "  --frame-rate N        present at most N frames a second (the show plays the same at any\n"
    "                        rate; this only spares the machine)\n"
    "  --data DIR            the show's data folder (default: DATA here, DATA beside the program,\n"
    "                        then the installed one)\n"
    "\n"
    "Capturing (no display or sound card needed):\n"
    "  --capture FILE        render the whole show into FILE: .mp4 or .mkv (H.264 and AAC, needs\n"
    "                        ffmpeg), or a folder ending in '/' for numbered PNG frames and a WAV\n"
    "  --size WxH            the frames' size (default 1280x960)\n"
    "  --fps N               frames per second (default 60)\n"
    "  --frames N            only the first N frames\n"
    "\n"
    "  --help                this help\n"
    "  --version             the program's version\n";

// A side of "WxH": 1 to 5 decimal digits, nothing else.
bool ParseSide(const std::string& text, int* side)
{
    if (text.empty() || text.size() > 5) return false;
    int value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + (c - '0');
    }
    *side = value;
    return true;
}

// "WxH" with both sides from 1 to kMaxSide; false for anything else.
bool ParseSize(const std::string& text, int* width, int* height)
{
    const std::size_t cross = text.find('x');
    if (cross == std::string::npos) return false;
    int w = 0;
    int h = 0;
    if (!ParseSide(text.substr(0, cross), &w) || !ParseSide(text.substr(cross + 1), &h)) return false;
    if (w < 1 || h < 1 || w > kMaxSide || h > kMaxSide) return false;
    *width = w;
    *height = h;
    return true;
}

CommandLine Exit(int status, std::string message)
{
    CommandLine line;
    line.action = CommandLine::Action::kExit;
    line.exitStatus = status;
    line.message = std::move(message);
    return line;
}

CommandLine BadUsage(const std::string& error)
{
    return Exit(kBadUsage, "brimt: " + error + "\n" + kUsage);
}

// Long options shortened as GNU's getopt_long accepts them: a word after "--" that is no option's
// name but begins exactly one is that option ("--cap" is "--capture"). Writes the arguments with
// every such word spelt out to `spelt`; false, with the error in `error`, when the word begins
// several names. The word after an option that takes a value (without "=") is that value and left
// as it is, as is everything after "--".
bool SpellOutAbbreviations(const CLI::App& app, int argc, const char* const* argv,
                           std::vector<std::string>* spelt, std::string* error)
{
    struct Name {
        std::string name; // with its "--"
        bool takesValue;
    };
    std::vector<Name> names;
    for (const CLI::Option* option : app.get_options()) {
        for (const std::string& name : option->get_lnames()) {
            names.push_back({"--" + name, option->get_items_expected_max() > 0});
        }
    }
    bool valueNext = false;
    bool optionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (valueNext || optionsEnded || arg.rfind("--", 0) != 0 || arg.size() == 2) {
            optionsEnded = optionsEnded || (!valueNext && arg == "--");
            valueNext = false;
            spelt->push_back(arg);
            continue;
        }
        const std::size_t equals = arg.find('=');
        const std::string word = arg.substr(0, equals);
        const Name* exact = nullptr;
        std::vector<const Name*> begun;
        for (const Name& name : names) {
            if (name.name == word) exact = &name;
            if (name.name.rfind(word, 0) == 0) begun.push_back(&name);
        }
        const Name* meant = exact != nullptr ? exact : (begun.size() == 1 ? begun.front() : nullptr);
        if (meant == nullptr && begun.size() > 1) {
            *error = "option '" + word + "' is ambiguous; possibilities:";
            for (const Name* name : begun) {
                *error += " '" + name->name + "'";
            }
            return false;
        }
        if (meant != nullptr) {
            arg = meant->name + (equals == std::string::npos ? "" : arg.substr(equals));
            valueNext = meant->takesValue && equals == std::string::npos;
        }
        spelt->push_back(arg);
    }
    return true;
}

} // namespace

CommandLine ParseCommandLine(int argc, const char* const* argv)
{
    CLI::App app("Brimt: a real-time OpenGL demo in step with its tracker song. Without options a "
                 "settings dialog asks for the display mode, then the show plays and ends by itself "
                 "(Escape ends it early).",
                 "brimt");
    app.set_version_flag("--version", std::string("brimt ") + BRIMT_VERSION);

    CommandLine line;
    bool windowed = false;
    bool fullScreen = false;
    std::string size;
    int bitsPerPixel = 0;
    std::string capture;
    int frameLimit = 0;

    auto* windowedOption = app.add_flag("--windowed", windowed, "Play in a window (no settings dialog)");
    auto* fullScreenOption = app.add_flag("--fullscreen", fullScreen, "Play full screen (no settings dialog)")
                                 ->excludes(windowedOption);
    auto* sizeOption = app.add_option("--size", size,
                                      "Window or screen mode size (no settings dialog); with --capture, the "
                                      "frame size (default 1280x960)")
                           ->type_name("WxH");
    auto* bppOption = app.add_option("--bpp", bitsPerPixel, "Colour depth, 16 or 32 (no settings dialog)")
                          ->check(CLI::IsMember({16, 32}))
                          ->type_name("16|32");
    auto* noSoundOption = app.add_flag("--no-sound", line.noSound, "Play silently, in real time");
    auto* frameRateOption =
        app.add_option("--frame-rate", line.frameRate, "Present at most N frames per second")
            ->check(CLI::Range(1, 1000))
            ->type_name("N");
    app.add_option("--data", line.dataFolder,
                   "The show's data folder (default: DATA in the working directory, beside the program, "
                   "then the installed one)")
        ->check(CLI::ExistingDirectory)
        ->type_name("DIR");
    auto* captureOption =
        app.add_option("--capture", capture,
                       "Render the whole show offline into FILE: .mp4 or .mkv (needs ffmpeg), or a folder "
                       "ending in '/' for PNG frames and a WAV")
            ->type_name("FILE");
    auto* fpsOption = app.add_option("--fps", line.fps, "Capture frames per second (default 60)")
                          ->check(CLI::Range(1, 1000))
                          ->type_name("N")
                          ->needs(captureOption);
    app.add_option("--frames", frameLimit, "Capture only the first N frames")
        ->check(CLI::Range(1, 100000000))
        ->type_name("N")
        ->needs(captureOption);
    for (CLI::Option* liveOnly :
         {windowedOption, fullScreenOption, bppOption, noSoundOption, frameRateOption}) {
        liveOnly->excludes(captureOption);
    }
    (void)fpsOption;

    std::vector<std::string> spelt;
    std::string abbreviationError;
    if (!SpellOutAbbreviations(app, argc, argv, &spelt, &abbreviationError)) {
        return BadUsage(abbreviationError);
    }
    std::vector<const char*> spelledArgv{argc > 0 ? argv[0] : "brimt"};
    for (const std::string& arg : spelt) {
        spelledArgv.push_back(arg.c_str());
    }

    auto badUsage = [](const CLI::Error& error) {
        std::string text = error.what();
        std::replace(text.begin(), text.end(), '\n', ' ');
        return BadUsage(text);
    };
    // CLI11 answers --help and --version before it looks at arguments it does not know; a GNU
    // program reports those whatever else the line asks for.
    auto unexpected = [&app]() { return CLI::ExtrasError(app.remaining()); };
    try {
        app.parse(static_cast<int>(spelledArgv.size()), spelledArgv.data());
    } catch (const CLI::CallForHelp&) {
        if (!app.remaining().empty()) return badUsage(unexpected());
        return Exit(0, kHelp);
    } catch (const CLI::CallForVersion&) {
        if (!app.remaining().empty()) return badUsage(unexpected());
        return Exit(0, std::string("brimt ") + BRIMT_VERSION + "\n");
    } catch (const CLI::ParseError& error) {
        return badUsage(error);
    }

    const bool sizeGiven = sizeOption->count() > 0;
    if (sizeGiven && !ParseSize(size, &line.width, &line.height)) {
        return BadUsage("--size: '" + size + "' is not WIDTHxHEIGHT with sides from 1 to " +
                        std::to_string(kMaxSide));
    }
    line.frameLimit = frameLimit;

    if (!capture.empty() || captureOption->count() > 0) {
        line.action = CommandLine::Action::kCapture;
        line.captureFile = capture;
        if (!sizeGiven) {
            line.width = 1280;
            line.height = 960;
        }
        const CaptureKind kind = CaptureKindOf(capture);
        if (kind == CaptureKind::kUnknown) {
            return BadUsage("--capture: '" + capture +
                            "' is neither a .mp4 or .mkv file nor a folder ending in '/'");
        }
        if (kind != CaptureKind::kFolder && (line.width % 2 != 0 || line.height % 2 != 0)) {
            return BadUsage("--size: a film needs an even width and height");
        }
        return line;
    }

    line.askSettings = !(windowed || fullScreen || sizeGiven || bitsPerPixel != 0);
    line.fullScreen = !windowed; // the dialog's default is full screen
    if (bitsPerPixel != 0) line.bitsPerPixel = bitsPerPixel;
    return line;
}
