// tools/makemusic/main.cpp -- writes the show's song: makemusic OUTPUT.xm (the show reads DATA/Pkfloyd.xm).
#include <cstdio>
#include <string>

#include "song.h"
#include "xmwriter.h"

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: makemusic OUTPUT.xm\n");
        return 2;
    }
    std::string error;
    if (!xm::WriteFile(song::Compose(), argv[1], &error)) {
        std::fprintf(stderr, "makemusic: %s\n", error.c_str());
        return 1;
    }
    return 0;
}
