// Fitting an image to the primary screen: scaled to the screen's longer side, drawn at the
// top-left of a black canvas of exactly the screen's size, saved as JPEG.
#pragma once

#include <string>

namespace pixoria {

// The agent fits silently; the configuration application also traces the sizes it computes and
// saves an image it cannot measure unscaled.
enum class FitVariant { agent, configurationApp };

// Fits `source` into `destination` for a screen of the given size. Failures are reported, never
// returned: a failed draw shows "Failed to crop the image" and leaves the destination as it was.
void fitImage(const std::string& source, const std::string& destination, int screenWidth,
              int screenHeight, FitVariant variant);

// The agent's routine: fitImage for the primary screen's size.
void fitImageToScreen(std::string source, std::string destination);

}  // namespace pixoria
