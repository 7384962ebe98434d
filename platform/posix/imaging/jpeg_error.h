// libjpeg reports errors by calling a handler that must not return; ours jumps back to the
// setjmp of the call in progress, so a damaged file ends one call, never the process.
#pragma once

#include <csetjmp>
#include <cstddef>
#include <cstdio>

// jpeglib.h uses size_t and FILE without declaring them.
#include <jpeglib.h>
// jerror.h needs jpeglib.h.
#include <jerror.h>

namespace pixoria::platform::imaging {

struct JpegErrorHandler {
  jpeg_error_mgr manager{};
  std::jmp_buf jump{};
  bool prematureEnd = false;  // the data ran out before the decoder had what it needed
};

// Installs the handler on `handler.manager`; returns the pointer for cinfo.err.
jpeg_error_mgr* installJpegErrorHandler(JpegErrorHandler& handler);

// A cap on what libjpeg allocates for one image (progressive files keep every coefficient).
void limitJpegMemory(j_common_ptr info);

// Ends the decoding, through the error handler, once the file has started more than
// kMaxJpegScans scans. `progress` must live as long as `info` and is installed as its monitor.
void limitJpegScans(j_decompress_ptr info, jpeg_progress_mgr& progress);

}  // namespace pixoria::platform::imaging
