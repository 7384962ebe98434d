// How one change of the wallpaper went. A change succeeds when the first image of its pair is in
// place (downloaded and fitted, or a file of the custom list); otherwise it says why not, so the
// schedule can try again and the tray can tell the user.
#pragma once

#include "pixoria/platform/url.h"

namespace pixoria {

enum class ChangeFailure {
  none,
  transfer,         // a feed or the image could not be fetched: `transfer` says why
  noImage,          // the feed was read but named no image
  unreadableImage,  // the image arrived but could not be fitted to the screen
};

struct ChangeResult {
  ChangeFailure failure = ChangeFailure::none;
  platform::TransferError transfer;  // for ChangeFailure::transfer

  bool succeeded() const { return failure == ChangeFailure::none; }
};

// The failure of the fetch that just failed, as the platform reported it. A fetch that reports no
// reason was read and gave nothing usable: the feed named no image.
ChangeResult lastFetchFailure();

}  // namespace pixoria
