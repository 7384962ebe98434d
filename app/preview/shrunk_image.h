// Decoding an image for the preview at the size it is shown, never at its full size: a panorama
// of 18370x4251 pixels costs a few megabytes instead of hundreds, and a small file that declares
// 40000x40000 pixels is refused instead of allocated.
#pragma once

#include <QImage>
#include <QSize>
#include <QString>

#include "preview/preview_size.h"

// The file at `path` decoded by content, shrunk on load and resampled to previewSize(its size,
// box), as RGB. A null image when the file is missing, is no image the platform decodes, or
// declares a size beyond the decoders' limits. Safe on any thread.
QImage decodeShrunk(const QString& path, QSize box);

// The platform's imaging alone, the route decodeShrunk takes for every file on Linux and for what
// Qt's readers do not take on Windows (there GDI+, which decodes the whole picture first).
QImage decodeByPlatform(const QString& path, QSize box);
