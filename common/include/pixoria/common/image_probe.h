// Whether a downloaded file is a picture the fitting can read, found from its header alone.
#pragma once

#include <string>

namespace pixoria {

// True when `path` holds an image in a format the imaging decodes, of a size other than zero.
// Reads the header only (the pixels are decoded when the image is drawn), so it is quick
// whatever the picture's size; a body damaged after its header still passes.
bool isReadableImage(const std::string& path);

}  // namespace pixoria
