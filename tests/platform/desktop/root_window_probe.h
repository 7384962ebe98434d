// Reads back what the X server shows on the root window, for checking the X11 desktop from
// outside it. Keeps Xlib out of the test's own source (its macros clash with GoogleTest's).
#pragma once

#include <string>

namespace pixoria::test {

struct Colour {
  int r = 0;
  int g = 0;
  int b = 0;
};

class RootWindowProbe {
 public:
  explicit RootWindowProbe(const std::string& display);
  ~RootWindowProbe();
  RootWindowProbe(const RootWindowProbe&) = delete;
  RootWindowProbe& operator=(const RootWindowProbe&) = delete;

  bool connected() const { return display_ != nullptr; }

  // The root window's pixel at (x, y) in a 24-bit TrueColor visual; -1s when unreadable.
  Colour pixelAt(int x, int y);

  // The pixmap a root property (_XROOTPMAP_ID, ESETROOT_PMAP_ID) names; 0 for none.
  unsigned long pixmapProperty(const char* name);

  // True while the server still knows the pixmap.
  bool pixmapExists(unsigned long pixmap);

  // A root-sized pixmap made by a client of its own that then disconnects and leaves it behind
  // (RetainPermanent), as other background setters do; 0 when it could not be made.
  unsigned long leaveRetainedPixmap();

  // Makes a root property (_XROOTPMAP_ID, ESETROOT_PMAP_ID) name `pixmap`.
  void setPixmapProperty(const char* name, unsigned long pixmap);

 private:
  void* display_;  // Display*
  std::string displayName_;
};

// Writes a baseline JPEG whose every row is the same: column x has colourOfColumn(x).
bool writeColumnsJpeg(const std::string& path, int width, int height,
                      Colour (*colourOfColumn)(int x));

}  // namespace pixoria::test
