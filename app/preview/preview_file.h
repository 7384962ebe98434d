// The files the configuration application writes into the shared wallpaper folder.
#pragma once

#include <QString>
#include <string_view>

// The roaming application-data folder followed by the wallpaper folder and `name`, composed
// afresh; `name` at the root when that folder is unknown. The folder is not created.
QString wallpaperFilePath(std::string_view name);

// Where the preview image goes: image2.jpg in the wallpaper folder.
QString previewImagePath();

// Where the UHD rendition of a previewed Bing picture goes, when Set or Save asks for it:
// image2_uhd.jpg in the wallpaper folder.
QString uhdRenditionPath();
