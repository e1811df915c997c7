// brimt/brimt.cpp -- DemoApp: start-up steps, the frame step its loop repeats, shutdown, failures.
#include "brimt.h"

#include <utility>

namespace {

constexpr const char* kFailureCaption = "ERREUR";
constexpr const char* kWindowTitle = "DrUfo Demo";
constexpr int kBackgroundRate = 100; // the music library's timer calls per second when it plays silently
constexpr int kInactiveWaitMilliseconds = 16; // one refresh of a 60 Hz display

const char* FailureText(int number)
{
    static const char* const texts[] = {
        "",
        "Erreur Brimt 1\nEchec lors de l'initialisation.",
        "Erreur Brimt 2\nEchec lors de l'initialisation.",
        "Erreur Brimt 3\nEchec lors de l'initialisation.",
        "Erreur Brimt 4\nEchec lors de l'initialisation.",
        "Erreur Brimt 5\nEchec lors de l'initialisation.",
        "Erreur Brimt 6\nEchec lors de la libération des ressources",
    };
    return texts[number];
}

} // namespace

DemoApp::DemoApp(WindowFactory windowFactory, MusicLibrary& musicLibrary, MessageBoxes& messageBoxes,
                 DialogRunner& dialogRunner)
    : Application(messageBoxes), makeWindow(std::move(windowFactory)), music(musicLibrary),
      dialogs(dialogRunner)
{
}

int DemoApp::Fail(int number)
{
    Instance()->messageBoxes->Show(kFailureCaption, FailureText(number), MessageButtons::Ok,
                                   MessageIcon::Exclamation);
    // Deleted only once the message is gone: a full-screen mode lasts until then.
    window.reset();
    mainWindow = nullptr;
    return number;
}

int DemoApp::InitInstance()
{
    const int begun = BeginShow();
    if (begun != kShowRunning) return begun;
    while (StepFrame()) {
    }
    return EndShow();
}

int DemoApp::BeginShow()
{
    EnableThreeDimensionalControls();
    window = makeWindow();
    window->UseDialogRunner(dialogs);
    if (askSettings && window->RunSetupDialog() != kDialogOk) {
        window.reset();
        return 0; // cancelled or not shown: nothing else runs, nothing is said
    }
    mainWindow = window.get();

    if (!window->Create(Instance(), kWindowTitle)) return Fail(1);
    if (!window->Init()) return Fail(2);
    if (!music.Startup()) {
        window->Release();
        return Fail(3);
    }
    if (!music.Init()) {
        // No sound output: try again without a sound device, the song then runs silently.
        music.SetOption(kMusicOptionNoSoundDevice, 1);
        if (!music.Init()) {
            music.Close();
            window->Release();
            return Fail(4);
        }
    }
    module = music.LoadModule(window->musicFile.c_str());
    if (module == nullptr) {
        music.Close();
        window->Release();
        return Fail(5);
    }

    play = music.PlayModule(module, true);
    // The clock starts with the song: PlayModule only sets it at its start, background play runs it.
    source->Start(music, play);
    music.StartBackgroundPlay(kBackgroundRate);
    time = 0.0f;
    status = PlayStatus{};
    return kShowRunning;
}

bool DemoApp::StepFrame()
{
    // Every waiting message is handled, one per pass, before anything is drawn.
    Message message;
    while (TakeMessage(&message)) {
        if (message.quit) return false;
        DeliverMessage(message);
    }
    if (window->IsActive()) {
        if (!window->Render(time, &status)) return false; // not presented
    } else {
        // Nobody sees this frame: rather than spin, wait for the next message, at most one display
        // refresh.
        WaitForMessage(kInactiveWaitMilliseconds);
    }
    // While inactive nothing is drawn, but frames are still presented and song and clock run on.
    sink->Present(window->GetSurface());
    source->Next(&status, &time);
    return true;
}

int DemoApp::EndShow()
{
    source->Stop();
    sink->Stop();
    music.StopBackgroundPlay();
    music.StopModule(play);
    music.FreeModule(module);
    music.Close();
    module = nullptr;
    play = 0;
    if (!window->Release()) return Fail(6);
    window.reset();
    mainWindow = nullptr;
    return 0;
}
