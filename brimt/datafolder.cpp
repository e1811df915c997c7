// brimt/datafolder.cpp -- the data folder's lookup order and the message when none is found.
#include "datafolder.h"

#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

std::vector<std::string> DataFolderCandidates(const std::string& executableDir,
                                              const std::string& installedRelative)
{
    std::vector<std::string> candidates = {"DATA"};
    if (!executableDir.empty()) {
        candidates.push_back((fs::path(executableDir) / "DATA").string());
        if (!installedRelative.empty()) {
            candidates.push_back((fs::path(executableDir) / installedRelative).lexically_normal().string());
        }
    }
    return candidates;
}

std::string FindDataFolder(const std::vector<std::string>& candidates)
{
    for (const std::string& candidate : candidates) {
        std::error_code error;
        if (fs::is_directory(candidate, error)) return candidate;
    }
    return {};
}

std::string ExecutableDir()
{
    std::error_code error;
    const fs::path executable = fs::read_symlink("/proc/self/exe", error);
    if (error) return {};
    return executable.parent_path().string();
}

std::string DataFolderNotFound(const std::vector<std::string>& candidates)
{
    std::string text = "no DATA folder: looked in ";
    for (std::size_t k = 0; k < candidates.size(); ++k) {
        if (k > 0) text += k + 1 == candidates.size() ? " and " : ", ";
        std::error_code error;
        const fs::path here = fs::current_path(error);
        text += candidates[k] == "DATA" && !error ? (here / "DATA").string() : candidates[k];
    }
    return text + " (give one with --data DIR)";
}
