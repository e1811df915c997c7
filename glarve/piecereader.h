// glarve/piecereader.h -- reads a text file piece by piece, as fgets does, with a cap on the bytes read.
#pragma once

#include <cstdio> // Required for: FILE, getc_unlocked()

// Reads one piece of `file` into `line`: up to and including the next line feed, at most size - 1
// characters, then a terminating NUL. *bytesRead counts what every call has read; once it reaches
// `limit` the file is treated as ending there (a file that never ends, such as a device, cannot hold
// a load for ever). False when nothing was read.
inline bool ReadCappedPiece(std::FILE* file, char* line, int size, long long* bytesRead, long long limit)
{
    int length = 0;
    while (length < size - 1 && *bytesRead < limit) {
        const int c = getc_unlocked(file);
        if (c == EOF) {
            break;
        }
        ++*bytesRead;
        line[length++] = static_cast<char>(c);
        if (c == '\n') {
            break;
        }
    }
    line[length] = '\0';
    return length > 0;
}
