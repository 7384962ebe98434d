// The one thing the configuration form does to the desktop itself: fit an image into the shared
// wallpaper folder's temp_image2.jpg and set that file on the first monitor.
#pragma once

#include <QString>

// Failures (an image that does not decode, no desktop service, no monitor) set nothing and are
// reported only in the debug output.
void setPreviewedWallpaper(const QString& imagePath);
