// tools/makemodels/makemodels.cpp -- writes the show's four ASC model files into a directory.
//
// Usage: makemodels [directory]   (default: DATA)
// Writes test.ASC ("sphere"), marto.ASC ("manche", "Tete"), clou.ASC ("clou") and trucmuch.ASC
// ("trucmuch"), creating the directory if needed. The files are the same bytes on every run.
// Exit status 0 on success; 1, with a message on standard error, when a file cannot be written.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>

#include "model.h"
#include "shapes.h"

namespace {

// Writes `text` byte for byte (binary mode: LF line ends on every system). False when it could not.
bool WriteFile(const std::filesystem::path& path, const std::string& text)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out) {
        return false;
    }
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
    out.close();
    return static_cast<bool>(out);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc > 2) {
        std::fprintf(stderr, "usage: %s [directory]\n", argv[0]);
        return 1;
    }
    const std::filesystem::path dir = argc == 2 ? argv[1] : "DATA";
    std::error_code error;
    std::filesystem::create_directories(dir, error);
    if (error) {
        std::fprintf(stderr, "makemodels: cannot create %s: %s\n", dir.c_str(), error.message().c_str());
        return 1;
    }

    const Model sphere = MakeSphere();
    const Model handle = MakeHandle();
    const Model head = MakeHead();
    const Model nail = MakeNail();
    const Model cloud = MakeCloud();
    const struct {
        const char* name;
        std::vector<const Model*> models;
    } files[] = {
        {"test.ASC", {&sphere}},
        {"marto.ASC", {&handle, &head}},
        {"clou.ASC", {&nail}},
        {"trucmuch.ASC", {&cloud}},
    };
    for (const auto& file : files) {
        const std::filesystem::path path = dir / file.name;
        errno = 0;
        if (!WriteFile(path, FormatAsc(file.models))) {
            std::fprintf(stderr, "makemodels: cannot write %s: %s\n", path.c_str(),
                         errno != 0 ? std::strerror(errno) : "write failed");
            return 1;
        }
    }
    return 0;
}
