// tools/images/jpegfile.cpp -- TurboJPEG compression of painted images into files.
#include "jpegfile.h"

#include <turbojpeg.h>

#include <cstdio>
#include <vector>

bool WriteJpeg(const std::string& path, const Image& img, int quality, Chroma chroma, std::string* error)
{
    const std::vector<unsigned char> rgb = ToRgb8(img);
    tjhandle handle = tjInitCompress();
    if (handle == nullptr) {
        *error = "TurboJPEG could not start a compressor";
        return false;
    }
    unsigned char* jpeg = nullptr;
    unsigned long size = 0;
    const int sampling = chroma == Chroma::Full ? TJSAMP_444 : TJSAMP_420;
    const int rc = tjCompress2(handle, rgb.data(), img.width, img.width * 3, img.height, TJPF_RGB, &jpeg,
                               &size, sampling, quality, TJFLAG_ACCURATEDCT);
    if (rc != 0) {
        *error = std::string("TurboJPEG: ") + tjGetErrorStr2(handle);
        tjFree(jpeg);
        tjDestroy(handle);
        return false;
    }
    tjDestroy(handle);

    bool ok = false;
    if (std::FILE* file = std::fopen(path.c_str(), "wb")) {
        ok = std::fwrite(jpeg, 1, size, file) == size;
        ok = (std::fclose(file) == 0) && ok;
        if (!ok) std::remove(path.c_str());
    }
    tjFree(jpeg);
    if (!ok) *error = "cannot write " + path;
    return ok;
}
