// Fitting an image to the primary screen: scaled to the screen's longer side, drawn at the
// top-left of a black canvas of exactly the screen's size, saved as JPEG.
#pragma once

#include <string>

namespace pixoria {

// The agent fits silently; the configuration application also traces the sizes it computes and
// saves an image it cannot measure unscaled.
enum class FitVariant { agent, configurationApp };

// Whether a failed draw tells the user. The agent shows a picture's failure once, not again at each
// retry of the same change.
enum class FitFailureBox { show, hide };

// Fits `source` into `destination` for a screen of the given size. True when the destination was
// written. A failed draw shows "Failed to crop the image" (unless `box` hides it) and, like a
// failed save, leaves the destination as it was.
bool fitImage(const std::string& source, const std::string& destination, int screenWidth,
              int screenHeight, FitVariant variant, FitFailureBox box = FitFailureBox::show);

// The agent's routine: fitImage for the primary screen's size.
bool fitImageToScreen(std::string source, std::string destination,
                      FitFailureBox box = FitFailureBox::show);

}  // namespace pixoria
