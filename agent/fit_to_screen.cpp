#include "agent/fit_to_screen.h"

#include "pixoria/common/image_fitting.h"
#include "pixoria/platform/screen.h"
#include "pixoria/platform/shell.h"

namespace pixoria {

namespace pf = platform;

bool fitImageToScreen(std::string source, std::string destination, FitFailureBox box) {
  const FitResult result =
      fitImage(source, destination, pf::getSystemMetrics(pf::SystemMetric::screenWidth),
               pf::getSystemMetrics(pf::SystemMetric::screenHeight), FitVariant::agent);
  if (result == FitResult::notDrawn && box == FitFailureBox::show) {
    pf::messageBox("Failed to crop the image", "Error", pf::kMessageBoxOk);
  }
  return result == FitResult::fitted;
}

}  // namespace pixoria
