#include "agent/download_service.h"

#include <memory>
#include <vector>

#include "agent/agent_settings.h"
#include "agent/download_state.h"
#include "agent/fit_to_screen.h"
#include "agent/wallpaper_paths.h"
#include "agent/wallpaper_setter.h"
#include "pixoria/common/image_probe.h"
#include "pixoria/platform/debug_output.h"
#include "pixoria/platform/folders.h"

namespace pixoria {

namespace pf = platform;

namespace {

// A chunk this short, when the caller asks, means the feed has ended.
constexpr std::uint32_t kShortChunk = 100;

// The address of the last image of each monitor that could not be fitted. The user is told once
// about a picture; the retries of the same change fit it again without another message box.
std::string unfittedFirstAddress;
std::string unfittedSecondAddress;

// Fits a downloaded image; true when `destination` holds it now.
bool fitDownload(const std::string& address, const std::string& download,
                 const std::string& destination, std::string& unfittedAddress) {
  const bool toldBefore = !address.empty() && address == unfittedAddress;
  const bool fitted = fitImageToScreen(download, destination,
                                       toldBefore ? FitFailureBox::hide : FitFailureBox::show);
  unfittedAddress = fitted ? std::string() : address;
  return fitted;
}

// Downloads `url` into `path`, the larger rendition at `uhdUrl` first when there is one. That
// one counts only when it is a picture; whatever became of it, the image itself is downloaded
// next, so no change is lost to a rendition the server lacks.
bool downloadImage(const std::string& uhdUrl, const std::string& url, const std::string& path,
                   CallbackHandler& handler) {
  if (!uhdUrl.empty() && pf::urlDownloadToFile(uhdUrl, path, &handler) == pf::kOk &&
      isReadableImage(path)) {
    return true;
  }
  return pf::urlDownloadToFile(url, path, &handler) == pf::kOk;
}

}  // namespace

bool fetchFeedText(std::string_view url, std::uint32_t chunkSize, bool stopAfterShortChunk,
                   std::string& text) {
  std::unique_ptr<pf::Stream> stream;
  if (pf::failed(pf::urlOpenBlockingStream(url, stream)) || !stream) {
    return false;
  }
  text.clear();
  std::vector<char> buffer(chunkSize);
  std::uint32_t count = 0;
  stream->read(buffer.data(), chunkSize, count);
  while (count != 0) {
    text.append(buffer.data(), count);
    if (stopAfterShortChunk && count < kShortChunk) {
      break;
    }
    stream->read(buffer.data(), chunkSize, count);
  }
  return true;
}

pf::HResult CallbackHandler::onProgress(std::uint32_t, std::uint32_t, std::uint32_t statusCode,
                                        std::string_view) {
  if (statusCode != pf::kBindStatusDownloadingData &&
      statusCode != pf::kBindStatusEndDownloadData) {
    return pf::kOk;
  }
  if (pf::fileExists(firstImagePath)) {
    armApplyTimer();
  }
  return pf::kOk;
}

ChangeResult downloadWallpaperPair(std::string_view traceLine, std::string_view indexValueName,
                                   std::int32_t index) {
  std::string firstDownloadPath;
  std::string secondDownloadPath;
  getWallpaperPaths(firstDownloadPath, secondDownloadPath);
  CallbackHandler handler;
  ChangeResult result;
  if (wallpaperURL.empty()) {
    result.failure = ChangeFailure::noImage;
  } else if (!downloadImage(wallpaperUhdURL, wallpaperURL, firstDownloadPath, handler)) {
    result = lastFetchFailure();
  } else {
    pf::outputDebugString(traceLine);
    if (fitDownload(wallpaperURL, firstDownloadPath, firstImagePath, unfittedFirstAddress)) {
      writeRegistryDword(indexValueName, static_cast<std::uint32_t>(index));
      // Progress reports arm the timer only while image.jpg exists: the very first change on a
      // machine would set nothing without this.
      armApplyTimer();
    } else {
      result.failure = ChangeFailure::unreadableImage;
    }
  }
  // Attempted whatever became of the first; the index belongs to the first image only.
  if (agentSettings.multiMonitor &&
      downloadImage(wallpaper2UhdURL, wallpaper2URL, secondDownloadPath, handler)) {
    pf::outputDebugString(traceLine);
    fitDownload(wallpaper2URL, secondDownloadPath, secondImagePath, unfittedSecondAddress);
  }
  return result;
}

}  // namespace pixoria
