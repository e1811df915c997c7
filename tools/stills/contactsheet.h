// tools/stills/contactsheet.h -- lays a show's stills out on one picture, small, in a grid, each with a
// caption, so that the whole show can be seen at a glance.
#pragma once

#include <string>
#include <vector>

namespace contactsheet {

// An 8-bit RGB picture, rows from the top.
struct Picture {
    int width = 0;
    int height = 0;
    std::vector<unsigned char> rgb; // width * height * 3
};

struct Still {
    Picture picture;
    std::string caption; // digits, spaces and ". - : = p r s t" only; other characters show as blanks
};

// The stills in reading order, `columns` to a row, each shrunk (averaging the pixels it covers) to
// `tileWidth` pixels across at its own aspect ratio, its caption in small light letters beneath it,
// on a dark grey ground. Stills may differ in size; an empty list gives an empty picture.
Picture Make(const std::vector<Still>& stills, int columns, int tileWidth);

// `source` shrunk or stretched to `width` x `height`, each pixel the mean of the area it covers.
Picture Resize(const Picture& source, int width, int height);

} // namespace contactsheet
