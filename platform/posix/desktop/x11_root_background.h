// The root window's background as X11 desktops share it: one pixmap the size of the screen, kept
// alive after its maker disconnects (RetainPermanent) and named in the root's _XROOTPMAP_ID and
// ESETROOT_PMAP_ID properties, so that the next setter can free it and terminals that draw a
// transparent background can read it.
#pragma once

#include "pixoria/platform/imaging.h"
#include "pixoria/platform/results.h"

namespace pixoria::platform {

// Puts `pixels` at (x, y) of the background of the default screen of `displayName`, keeping the
// rest of the current background (black where there is none of the root's size and depth), and
// publishes the result. The previous background's maker is killed to free it, when
// ESETROOT_PMAP_ID and _XROOTPMAP_ID both name it. On failure the root is left as it was.
HResult paintRootBackground(const char* displayName, const BitmapPixels& pixels, int x, int y);

}  // namespace pixoria::platform
