// Saving the preview file under a name the user chose, in the format the name's suffix asks for,
// without ever holding the whole picture: a file already in that format is copied byte for byte,
// any other is converted row by row by the platform's imaging.
#pragma once

#include <QString>

// The name with ".png", the save dialog's one format, added when it has no suffix of its own.
QString withImageSuffix(const QString& path);

// Writes `source` to `destination` (replacing it whole) as PNG or JPEG, by the destination's
// suffix. Returns an empty string on success, otherwise why it failed, for a message to the user;
// a failed save leaves what was at `destination` as it was.
QString exportPreviewImage(const QString& source, const QString& destination);
