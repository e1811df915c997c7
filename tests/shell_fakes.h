// tests/shell_fakes.h -- the shell's outer boundaries for tests: message boxes, the sound library, dialog
// clicks.
#pragma once

#include "platform/app.h"
#include "platform/dialog.h"
#include "platform/music.h"

#include <SDL.h>
#include <dlfcn.h>
#include <link.h>

#include <deque>
#include <functional>
#include <string>
#include <vector>

// Everything the fakes and test windows did, in order, one line each.
using CallLog = std::vector<std::string>;

struct ShownMessage {
    std::string caption;
    std::string text;
    MessageButtons buttons;
    MessageIcon icon;
};

// Message boxes nobody has to click: each is recorded; questions take the next queued answer (No
// when none is queued).
class FakeMessageBoxes : public MessageBoxes {
public:
    explicit FakeMessageBoxes(CallLog* callLog = nullptr) : log(callLog) {}

    MessageAnswer Show(const char* caption, const char* text, MessageButtons buttons,
                       MessageIcon icon) override
    {
        shown.push_back(ShownMessage{caption, text, buttons, icon});
        if (log != nullptr) log->push_back(std::string("box ") + caption + ": " + text);
        if (buttons == MessageButtons::Ok) return MessageAnswer::Ok;
        if (answers.empty()) return MessageAnswer::No;
        const MessageAnswer answer = answers.front();
        answers.pop_front();
        return answer;
    }

    std::vector<ShownMessage> shown;
    std::deque<MessageAnswer> answers;

private:
    CallLog* log;
};

// A sound library with no sound card: calls are logged; results are set by the test. GetPlayStatus is
// counted rather than logged, and hands out a status whose members grow with each call.
class FakeMusic : public MusicLibrary {
public:
    explicit FakeMusic(CallLog& callLog) : log(callLog) {}

    bool Startup() override
    {
        log.push_back("Startup");
        return startupOk;
    }
    bool Init() override
    {
        log.push_back("Init music");
        if (initResults.empty()) return true;
        const bool result = initResults.front();
        initResults.pop_front();
        return result;
    }
    void SetOption(int option, int value) override
    {
        log.push_back("SetOption " + std::to_string(option) + " " + std::to_string(value));
    }
    ModuleHandle LoadModule(const char* file) override
    {
        log.push_back(std::string("LoadModule ") + file);
        return moduleOk ? reinterpret_cast<ModuleHandle>(&moduleStorage) : nullptr;
    }
    PlayHandle PlayModule(ModuleHandle module, bool loopSong) override
    {
        log.push_back(std::string("PlayModule ") +
                      (module == reinterpret_cast<ModuleHandle>(&moduleStorage) ? "loaded" : "?") +
                      (loopSong ? " looped" : " once"));
        return kPlay;
    }
    bool StartBackgroundPlay(int rate) override
    {
        log.push_back("StartBackgroundPlay " + std::to_string(rate));
        return true;
    }
    bool GetPlayStatus(PlayHandle play, PlayStatus* out) override
    {
        ++statusReads;
        if (play != kPlay) return false;
        out->songPosition = static_cast<std::uint32_t>(statusReads);
        out->pattern = static_cast<std::uint32_t>(statusReads) + 100;
        out->row = static_cast<std::uint32_t>(statusReads) * 2;
        out->syncValue = -statusReads;
        out->loopCount = static_cast<std::uint32_t>(statusReads) + 1000;
        if (onStatus) onStatus(statusReads);
        return true;
    }
    void StopBackgroundPlay() override { log.push_back("StopBackgroundPlay"); }
    void StopModule(PlayHandle play) override { log.push_back("StopModule " + std::to_string(play)); }
    void FreeModule(ModuleHandle module) override
    {
        log.push_back(std::string("FreeModule ") +
                      (module == reinterpret_cast<ModuleHandle>(&moduleStorage) ? "loaded" : "?"));
    }
    void Close() override { log.push_back("Close"); }

    // Back to a library where everything works, with no status read yet.
    void Reset()
    {
        startupOk = true;
        initResults.clear();
        moduleOk = true;
        statusReads = 0;
        onStatus = nullptr;
    }

    static constexpr PlayHandle kPlay = 7;
    bool startupOk = true;
    std::deque<bool> initResults; // results of the Init calls in order; true once they run out
    bool moduleOk = true;
    int statusReads = 0;
    std::function<void(int read)> onStatus; // runs after each status read, with its number from 1

private:
    CallLog& log;
    int moduleStorage = 0;
};

// The settings dialog clicked by the test: logs "dialog", lets `click` change the controls, and
// returns `result` (data is only taken back on kDialogOk, as a real dialog does).
class FakeDialog : public DialogRunner {
public:
    explicit FakeDialog(CallLog* callLog = nullptr) : log(callLog) {}

    int RunModal(const DialogTemplate& dialog, const std::vector<IconImage>& icons, DialogData& data) override
    {
        if (log != nullptr) log->push_back("dialog");
        shownTemplate = &dialog;
        shownIcons = icons;
        shownData = data;
        DialogData edited = data;
        if (click) click(edited);
        if (result == kDialogOk) data = edited;
        return result;
    }

    int result = kDialogOk;
    std::function<void(DialogData&)> click;
    const DialogTemplate* shownTemplate = nullptr;
    std::vector<IconImage> shownIcons;
    DialogData shownData; // what the controls were set to when the dialog opened

private:
    CallLog* log;
};

// SDL events as the system would queue them for a window.
inline SDL_Event KeyDownEvent(Uint32 windowId, SDL_Keycode key)
{
    SDL_Event event{};
    event.type = SDL_KEYDOWN;
    event.key.windowID = windowId;
    event.key.state = SDL_PRESSED;
    event.key.keysym.sym = key;
    return event;
}

inline SDL_Event WindowEvent(Uint32 windowId, SDL_WindowEventID what)
{
    SDL_Event event{};
    event.type = SDL_WINDOWEVENT;
    event.window.windowID = windowId;
    event.window.event = static_cast<Uint8>(what);
    return event;
}

// Keeps every shared library loaded now in memory until the process ends. The shell quits SDL's video
// system when its window goes, and SDL and Mesa then unload the GL driver: leaks inside the driver
// would be reported with no module name, out of reach of the leak suppressions. Called once a window
// and its GL context exist.
inline void PinLoadedLibraries()
{
    dl_iterate_phdr(
        [](dl_phdr_info* info, std::size_t, void*) {
            if (info->dlpi_name != nullptr && info->dlpi_name[0] != '\0') {
                dlopen(info->dlpi_name, RTLD_NOW | RTLD_NOLOAD | RTLD_NODELETE); // never closed, on purpose
            }
            return 0;
        },
        nullptr);
}
