#include "imaging/jpeg_error.h"

#include "imaging/image_limits.h"

namespace pixoria::platform::imaging {
namespace {

void jumpOnError(j_common_ptr info) {
  auto* handler = reinterpret_cast<JpegErrorHandler*>(info->err);
  std::longjmp(handler->jump, 1);
}

// Warnings are not printed; the ones that matter, the data ending early (at the end of the file
// or at a marker inside the image data), are remembered: the rows after that would be grey filler.
void noteWarning(j_common_ptr info, int level) {
  auto* handler = reinterpret_cast<JpegErrorHandler*>(info->err);
  int code = info->err->msg_code;
  if (level < 0 && (code == JWRN_JPEG_EOF || code == JWRN_HIT_MARKER)) {
    handler->prematureEnd = true;
  }
}

// libjpeg calls the monitor between units of work, so a scan past the limit is caught as soon as
// its header is read, before its data is decoded.
void refuseTooManyScans(j_common_ptr info) {
  if (info->is_decompressor &&
      reinterpret_cast<j_decompress_ptr>(info)->input_scan_number > kMaxJpegScans) {
    (*info->err->error_exit)(info);
  }
}

}  // namespace

jpeg_error_mgr* installJpegErrorHandler(JpegErrorHandler& handler) {
  jpeg_std_error(&handler.manager);
  handler.manager.error_exit = jumpOnError;
  handler.manager.emit_message = noteWarning;
  return &handler.manager;
}

void limitJpegMemory(j_common_ptr info) {
  info->mem->max_memory_to_use = static_cast<long>(kMaxWholeImageBytes);
}

void limitJpegScans(j_decompress_ptr info, jpeg_progress_mgr& progress) {
  progress = {};
  progress.progress_monitor = refuseTooManyScans;
  info->progress = &progress;
}

}  // namespace pixoria::platform::imaging
