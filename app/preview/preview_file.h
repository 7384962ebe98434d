// Where the preview image goes: image2.jpg in the shared wallpaper folder.
#pragma once

#include <QString>

// The preview file's path, composed afresh: the roaming application-data folder followed by the
// wallpaper folder and "image2.jpg", or "image2.jpg" at the root when that folder is unknown.
QString previewImagePath();
