// Fetching feeds and downloading image pairs: every online source turns its two addresses into
// wallpaper files through here.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "agent/change_result.h"
#include "pixoria/platform/url.h"

namespace pixoria {

// Reads the body at `url` through one buffer of `chunkSize` bytes, appending each chunk whole
// (NUL bytes included). With `stopAfterShortChunk`, a chunk of fewer than 100 bytes ends the
// reading. False when the address cannot be opened.
bool fetchFeedText(std::string_view url, std::uint32_t chunkSize, bool stopAfterShortChunk,
                   std::string& text);

// Watches an image download: whenever data arrives or ends while image.jpg exists, it arms (or
// restarts) the apply timer, so the images are set a second after the whole sequence returned.
class CallbackHandler final : public platform::BindStatusCallback {
 public:
  platform::HResult onProgress(std::uint32_t progress, std::uint32_t progressMax,
                               std::uint32_t statusCode, std::string_view statusText) override;
};

// Downloads wallpaperURL into temp_image.jpg and, in dual-monitor mode, wallpaper2URL into
// temp_image2.jpg, fitting each success into image.jpg / image2.jpg. Writes `traceLine` after
// each download that succeeds. Once the first image is fitted, stores `index` under
// `indexValueName` and arms the apply timer, which sets the pair a second after the sequence.
// The result is the first image's: the second one's failure leaves its monitors as they were.
ChangeResult downloadWallpaperPair(std::string_view traceLine, std::string_view indexValueName,
                                   std::int32_t index);

}  // namespace pixoria
