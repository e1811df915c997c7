// tests/support/tempfile.h -- a file with given bytes, written on construction and removed after the test.
#pragma once

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

class TempFile {
public:
    explicit TempFile(const std::string& content, const std::string& suffix = ".tmp")
    {
        std::string pattern = "/tmp/brimt-test-XXXXXX" + suffix;
        const int fd = mkstemps(pattern.data(), static_cast<int>(suffix.size()));
        if (fd >= 0) {
            close(fd);
            path = pattern;
            std::ofstream out(path, std::ios::binary);
            out.write(content.data(), static_cast<std::streamsize>(content.size()));
        }
    }
    ~TempFile()
    {
        if (!path.empty()) {
            std::remove(path.c_str());
        }
    }
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;

    const char* Path() const { return path.c_str(); }

private:
    std::string path;
};
