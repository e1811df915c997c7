// brimt/datafolder.h -- where the show's data folder is: the working directory, beside the program,
// or where it was installed.
#pragma once

#include <string>
#include <vector>

// The folders tried, in order: DATA in the working directory (as a relative "DATA", so that a run
// from the source folder reads exactly what it always read), DATA beside the executable, then the
// installed data folder, `installedRelative` taken from the executable's folder (for instance
// "../share/brimt"). `executableDir` empty: only the first.
std::vector<std::string> DataFolderCandidates(const std::string& executableDir,
                                              const std::string& installedRelative);

// The first candidate that is a folder; empty when none is.
std::string FindDataFolder(const std::vector<std::string>& candidates);

// The folder of the running executable (from /proc/self/exe); empty when it cannot be told.
std::string ExecutableDir();

// "no DATA folder: looked in A, B and C (give one with --data DIR)"
std::string DataFolderNotFound(const std::vector<std::string>& candidates);
