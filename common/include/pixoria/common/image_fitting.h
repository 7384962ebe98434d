// Fitting an image to a screen: scaled to the screen's longer side, drawn at the top-left of a
// black canvas of exactly the screen's size, saved as JPEG.
#pragma once

#include <string>

namespace pixoria {

// The agent fits silently; the configuration application also traces the sizes it computes and
// saves an image it cannot measure unscaled.
enum class FitVariant { agent, configurationApp };

// How a fit went. Telling the user is the caller's business: the agent shows a picture that
// cannot be drawn once, the application logs it.
enum class FitResult {
  fitted,    // the destination holds the fitted image
  notDrawn,  // the source could not be read, measured or drawn
  notSaved,  // the JPEG could not be written
};

// Fits `source` into `destination` for a screen of the given size. The save replaces the
// destination whole or not at all, so on any failure it is left as it was.
FitResult fitImage(const std::string& source, const std::string& destination, int screenWidth,
                   int screenHeight, FitVariant variant);

}  // namespace pixoria
