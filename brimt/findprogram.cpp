// brimt/findprogram.cpp -- the PATH lookup, as a shell's.
#include "findprogram.h"

#include <unistd.h> // Required for: access()

#include <algorithm>
#include <cstdlib>
#include <filesystem>

std::string FindOnPath(const char* program)
{
    const char* path = std::getenv("PATH");
    if (path == nullptr) return {};
    const std::string dirs = path;
    std::size_t start = 0;
    while (start <= dirs.size()) {
        const std::size_t end = std::min(dirs.find(':', start), dirs.size());
        const std::string dir = dirs.substr(start, end - start);
        const std::string candidate = (dir.empty() ? std::string(".") : dir) + "/" + program;
        std::error_code error;
        if (::access(candidate.c_str(), X_OK) == 0 && !std::filesystem::is_directory(candidate, error)) {
            return candidate;
        }
        start = end + 1;
    }
    return {};
}
