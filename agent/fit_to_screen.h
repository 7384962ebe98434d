// The agent's fitting: a downloaded picture fitted to the primary screen, and the user told when
// it cannot be drawn.
#pragma once

#include <string>

namespace pixoria {

// Whether a failed draw tells the user. The agent shows a picture's failure once, not again at each
// retry of the same change.
enum class FitFailureBox { show, hide };

// fitImage for the primary screen's size. True when the destination was written. A failed draw
// shows "Failed to crop the image" (unless `box` hides it) and, like a failed save, leaves the
// destination as it was.
bool fitImageToScreen(std::string source, std::string destination,
                      FitFailureBox box = FitFailureBox::show);

}  // namespace pixoria
