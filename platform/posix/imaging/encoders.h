// The encoders a canvas can be saved with.
#pragma once

#include <cstdio>
#include <string_view>

#include "imaging/resampler.h"

namespace pixoria::platform::imaging {

struct Encoder {
  std::string_view clsid;
  std::string_view mimeType;
  bool (*write)(const CanvasView& canvas, std::FILE* out);
};

// In the order they are listed, as GDI+ lists them.
const Encoder* encodersBegin();
const Encoder* encodersEnd();

bool writeBmp(const CanvasView& canvas, std::FILE* out);
bool writeJpeg(const CanvasView& canvas, std::FILE* out);  // quality 75, 4:2:0
bool writePng(const CanvasView& canvas, std::FILE* out);

}  // namespace pixoria::platform::imaging
