// brimt/brimt.cpp -- DemoApp: start-up steps, the message-and-render loop with its clock, shutdown, failures.
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

int DemoApp::Fail(int number, std::unique_ptr<GLWindow>& window)
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
    EnableThreeDimensionalControls();
    std::unique_ptr<GLWindow> window = makeWindow();
    window->UseDialogRunner(dialogs);
    if (askSettings && window->RunSetupDialog() != kDialogOk) {
        return 0; // cancelled or not shown: nothing else runs, nothing is said
    }
    mainWindow = window.get();

    if (!window->Create(Instance(), kWindowTitle)) return Fail(1, window);
    if (!window->Init()) return Fail(2, window);
    if (!music.Startup()) {
        window->Release();
        return Fail(3, window);
    }
    if (!music.Init()) {
        // No sound output: try again without a sound device, the song then runs silently.
        music.SetOption(kMusicOptionNoSoundDevice, 1);
        if (!music.Init()) {
            music.Close();
            window->Release();
            return Fail(4, window);
        }
    }
    const ModuleHandle module = music.LoadModule(window->musicFile.c_str());
    if (module == nullptr) {
        music.Close();
        window->Release();
        return Fail(5, window);
    }

    clock->Start();
    const PlayHandle play = music.PlayModule(module, true);
    music.StartBackgroundPlay(kBackgroundRate);

    Loop(*window, play);
    clock->Stop();

    music.StopBackgroundPlay();
    music.StopModule(play);
    music.FreeModule(module);
    music.Close();
    if (!window->Release()) return Fail(6, window);
    window.reset();
    mainWindow = nullptr;
    return 0;
}

void DemoApp::Loop(GLWindow& window, PlayHandle play)
{
    bool done = false;
    float time = 0.0f;   // seconds, as read at the end of the previous drawing pass
    PlayStatus status{}; // likewise; all zero before the first frame
    while (!done) {
        // Every waiting message is handled, one per pass, before anything is drawn.
        Message message;
        if (TakeMessage(&message)) {
            if (message.quit) {
                done = true;
            } else {
                DeliverMessage(message);
            }
            continue;
        }
        if (window.IsActive()) {
            if (!window.Render(time, &status)) {
                done = true; // not presented
                continue;
            }
        } else {
            // Nobody sees this frame: rather than spin, wait for the next message, at most one
            // display refresh.
            WaitForMessage(kInactiveWaitMilliseconds);
        }
        // While inactive nothing is drawn, but frames are still presented and song and clock run on.
        clock->Present(window.GetSurface());
        music.GetPlayStatus(play, &status);
        time = clock->Seconds();
    }
}
