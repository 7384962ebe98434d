// Previews on Windows without GDI+'s decoder for JPEG and PNG: GDI+ decodes a picture whole at
// its full size before anything is drawn (an 18370x4251 panorama costs about 300 MiB for the
// bitmap alone, 900 MiB at the peak), where a preview needs a few hundred pixels across.
#pragma once

#include <QImage>
#include <QSize>
#include <QString>
#include <optional>

// The JPEG or PNG file at `path` (recognised by content) decoded at `shown` pixels as RGB: JPEG
// through Qt's reader with a scaled size, which shrinks in the DCT domain on load; PNG streamed
// row by row through libpng into an area average, so neither holds the full-size picture.
// A null image when the file does not decode or declares a size beyond the decoders' bounds.
// Nothing (std::nullopt) when the file is neither, or is an interlaced PNG: the platform's
// imaging decodes those.
std::optional<QImage> decodeShrunkWithQt(const QString& path, QSize box);
