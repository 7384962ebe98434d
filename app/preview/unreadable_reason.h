// Why a picture file gives no preview, in a few words for the status line under the preview:
// the user sees "Cannot read a.jpg: no such file" rather than an empty frame.
#pragma once

#include <QString>

// The reason the file at `path` did not decode: missing, a folder, not readable, empty, or not a
// picture the preview reads. Looks at the file again, so call it after the decode failed.
QString unreadableReason(const QString& path);
