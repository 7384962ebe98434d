// The path of the UHD rendition of a picture on Bing's image server, from the path of its
// standard rendition.
#pragma once

#include <string>
#include <string_view>

namespace pixoria {

// `imagePath` with the resolution token of its image name replaced by "_UHD" and its "rf="
// parameter left out; empty when the image name has no resolution token. The image name is the
// value of the query's "id=" parameter; its token is "_<width>x<height>" right before the name's
// extension ("_1920x1080" in "OHR.Name_EN-US1234567890_1920x1080.jpg"). Parameters are separated
// by "&" or by "&amp;" as the archive writes them (verbatim), and keep their separators.
std::string bingUhdImagePath(std::string_view imagePath);

}  // namespace pixoria
