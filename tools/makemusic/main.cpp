// tools/makemusic/main.cpp -- writes the show's song: makemusic [DIR] writes DIR/Pkfloyd.xm (DIR: DATA).
#include <cstdio>
#include <string>

#include "song.h"
#include "xmwriter.h"

int main(int argc, char** argv)
{
    if (argc > 2) {
        std::fprintf(stderr,
                     "usage: makemusic [DIRECTORY]   (writes DIRECTORY/Pkfloyd.xm, DATA by default)\n");
        return 2;
    }
    const std::string path = std::string(argc == 2 ? argv[1] : "DATA") + "/Pkfloyd.xm";
    std::string error;
    if (!xm::WriteFile(song::Compose(), path, &error)) {
        std::fprintf(stderr, "makemusic: %s\n", error.c_str());
        return 1;
    }
    return 0;
}
