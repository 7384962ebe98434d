#include "imaging/encoders.h"

#include <array>

namespace pixoria::platform::imaging {
namespace {

// The class ids GDI+ gives its built-in encoders, so a caller that stored one keeps working.
constexpr std::array kEncoders = {
    Encoder{"{557CF400-1A04-11D3-9A73-0000F81EF32E}", "image/bmp", writeBmp, nullptr},
    Encoder{"{557CF401-1A04-11D3-9A73-0000F81EF32E}", "image/jpeg", writeJpeg, writeJpegRows},
    Encoder{"{557CF406-1A04-11D3-9A73-0000F81EF32E}", "image/png", writePng, writePngRows},
};

}  // namespace

const Encoder* encodersBegin() {
  return kEncoders.data();
}
const Encoder* encodersEnd() {
  return kEncoders.data() + kEncoders.size();
}

}  // namespace pixoria::platform::imaging
