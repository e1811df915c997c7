// brimt/main.cpp -- the program's entry: the application runs the whole show and its result ends it.
#include <memory>

#include "brimt.h"
#include "demowindow.h"
#include "platform/music.h"

int main()
{
    std::unique_ptr<MusicLibrary> music = CreateMusicLibrary();
    DemoApp app([] { return std::make_unique<DemoWindow>(); }, *music);
    return app.Run();
}
