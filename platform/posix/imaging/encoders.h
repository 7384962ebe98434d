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
  // Encodes rows as a decoder delivers them, top to bottom, holding one row: what saving a
  // loaded image uses, so its memory does not grow with the image. Null for an encoder that
  // needs the whole picture. Returns the rows' failure, or win32Error when writing fails.
  GpStatus (*writeRows)(RowSource& rows, std::FILE* out);
};

// In the order they are listed, as GDI+ lists them.
const Encoder* encodersBegin();
const Encoder* encodersEnd();

bool writeBmp(const CanvasView& canvas, std::FILE* out);
bool writeJpeg(const CanvasView& canvas, std::FILE* out);  // quality 75, 4:2:0
bool writePng(const CanvasView& canvas, std::FILE* out);
GpStatus writeJpegRows(RowSource& rows, std::FILE* out);  // quality 75, 4:2:0
GpStatus writePngRows(RowSource& rows, std::FILE* out);

}  // namespace pixoria::platform::imaging
