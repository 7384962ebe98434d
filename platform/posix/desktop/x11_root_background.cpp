#include "x11_root_background.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <algorithm>
#include <vector>

#include "desktop_backend.h"
#include "true_color_packer.h"
#include "x11_connection.h"
#include "x11_error_trap.h"

namespace pixoria::platform {
namespace {

// Rows sent per XPutImage, so the packed copy stays small whatever the monitor's size.
constexpr int kRowsPerBand = 64;

struct RootFacts {
  Window window = None;
  unsigned width = 0;
  unsigned height = 0;
  unsigned depth = 0;
  Visual* visual = nullptr;
};

RootFacts rootFacts(Display* display) {
  const int screen = DefaultScreen(display);
  return {RootWindow(display, screen), static_cast<unsigned>(DisplayWidth(display, screen)),
          static_cast<unsigned>(DisplayHeight(display, screen)),
          static_cast<unsigned>(DefaultDepth(display, screen)), DefaultVisual(display, screen)};
}

Pixmap readPixmapProperty(Display* display, Window root, Atom property) {
  Atom type = None;
  int format = 0;
  unsigned long count = 0;
  unsigned long remaining = 0;
  unsigned char* data = nullptr;
  if (XGetWindowProperty(display, root, property, 0, 1, False, XA_PIXMAP, &type, &format, &count,
                         &remaining, &data) != Success) {
    return None;
  }
  Pixmap pixmap = None;
  if (data != nullptr && type == XA_PIXMAP && format == 32 && count == 1) {
    pixmap = *reinterpret_cast<const unsigned long*>(data);  // Xlib hands 32-bit items as longs
  }
  if (data != nullptr) {
    XFree(data);
  }
  return pixmap;
}

// The property may name a pixmap long gone or of another size: ask, without letting a stale id
// count as a failure of the paint.
bool drawableMatchesRoot(Display* display, Drawable drawable, const RootFacts& root) {
  if (drawable == None) {
    return false;
  }
  X11ErrorTrap staleIdTrap(display);
  Window rootOfDrawable = None;
  int x = 0;
  int y = 0;
  unsigned width = 0;
  unsigned height = 0;
  unsigned border = 0;
  unsigned depth = 0;
  const Status known =
      XGetGeometry(display, drawable, &rootOfDrawable, &x, &y, &width, &height, &border, &depth);
  return known != 0 && staleIdTrap.sync() && rootOfDrawable == root.window && width == root.width &&
         height == root.height && depth == root.depth;
}

bool makePacker(Display* display, const RootFacts& root, TrueColorPacker& packer, int& bits) {
  if (root.visual->c_class != TrueColor || (root.depth != 24 && root.depth != 32)) {
    return false;
  }
  int count = 0;
  XPixmapFormatValues* formats = XListPixmapFormats(display, &count);
  bits = 0;
  for (int i = 0; i < count; ++i) {
    if (static_cast<unsigned>(formats[i].depth) == root.depth) {
      bits = formats[i].bits_per_pixel;
    }
  }
  if (formats != nullptr) {
    XFree(formats);
  }
  return TrueColorPacker::create(root.visual->red_mask, root.visual->green_mask,
                                 root.visual->blue_mask, bits, ImageByteOrder(display) == MSBFirst,
                                 packer);
}

bool putPixels(Display* display, Pixmap target, GC gc, const RootFacts& root,
               const TrueColorPacker& packer, const BitmapPixels& pixels, int x, int y) {
  for (int top = 0; top < pixels.height; top += kRowsPerBand) {
    const int rows = std::min(kRowsPerBand, pixels.height - top);
    XImage* band =
        XCreateImage(display, root.visual, root.depth, ZPixmap, 0, nullptr,
                     static_cast<unsigned>(pixels.width), static_cast<unsigned>(rows), 32, 0);
    if (band == nullptr) {
      return false;
    }
    std::vector<std::uint8_t> packed(static_cast<std::size_t>(band->bytes_per_line) * rows);
    for (int row = 0; row < rows; ++row) {
      packer.packRow(pixels.rgb + pixels.stride * (top + row), pixels.width,
                     packed.data() + static_cast<std::size_t>(band->bytes_per_line) * row);
    }
    band->data = reinterpret_cast<char*>(packed.data());
    XPutImage(display, target, gc, band, 0, 0, x, y + top, static_cast<unsigned>(pixels.width),
              static_cast<unsigned>(rows));
    band->data = nullptr;  // the vector owns the memory, not XDestroyImage
    XDestroyImage(band);
  }
  return true;
}

// A new screen-sized pixmap holding the current background with `pixels` drawn over it; None
// when the pixels could not be sent.
Pixmap composeBackground(Display* display, const RootFacts& root, const TrueColorPacker& packer,
                         const BitmapPixels& pixels, int x, int y) {
  const Atom rootPixmapAtom = XInternAtom(display, "_XROOTPMAP_ID", False);
  const Pixmap current = readPixmapProperty(display, root.window, rootPixmapAtom);
  const Pixmap fresh = XCreatePixmap(display, root.window, root.width, root.height, root.depth);
  GC gc = XCreateGC(display, fresh, 0, nullptr);
  if (drawableMatchesRoot(display, current, root)) {
    XCopyArea(display, current, fresh, gc, 0, 0, root.width, root.height, 0, 0);
  } else {
    XSetForeground(display, gc, BlackPixel(display, DefaultScreen(display)));
    XFillRectangle(display, fresh, gc, 0, 0, root.width, root.height);
  }
  const bool drawn = putPixels(display, fresh, gc, root, packer, pixels, x, y);
  XFreeGC(display, gc);
  return drawn ? fresh : None;
}

void publishBackground(Display* display, const RootFacts& root, Pixmap fresh) {
  const Atom rootPixmapAtom = XInternAtom(display, "_XROOTPMAP_ID", False);
  const Atom esetrootAtom = XInternAtom(display, "ESETROOT_PMAP_ID", False);
  // ESETROOT_PMAP_ID names a pixmap its maker allows the next setter to free, but only while it
  // is still the background: a setter that sets _XROOTPMAP_ID alone leaves a stale id behind,
  // which the server may have given to a pixmap of another client since.
  const Pixmap previousEsetroot = readPixmapProperty(display, root.window, esetrootAtom);
  const Pixmap previousRoot = readPixmapProperty(display, root.window, rootPixmapAtom);
  const Pixmap previous = previousEsetroot == previousRoot ? previousEsetroot : None;
  const auto* id = reinterpret_cast<const unsigned char*>(&fresh);
  XChangeProperty(display, root.window, rootPixmapAtom, XA_PIXMAP, 32, PropModeReplace, id, 1);
  XChangeProperty(display, root.window, esetrootAtom, XA_PIXMAP, 32, PropModeReplace, id, 1);
  XSetWindowBackgroundPixmap(display, root.window, fresh);
  XClearWindow(display, root.window);
  if (previous != None && previous != fresh) {
    // Killing the client that made the previous background frees it. Its maker may be gone
    // already (someone else freed it): that is no failure of ours.
    X11ErrorTrap goneClientTrap(display);
    XKillClient(display, previous);
    goneClientTrap.sync();
  }
}

}  // namespace

HResult paintRootBackground(const char* displayName, const BitmapPixels& pixels, int x, int y) {
  // A connection of its own: its resources outlive it (RetainPermanent), and are all freed at
  // once when the next setter kills it.
  const std::unique_ptr<X11Connection> owner = X11Connection::open(displayName);
  if (owner == nullptr) {
    return kFail;
  }
  Display* display = owner->display();
  const RootFacts root = rootFacts(display);
  TrueColorPacker packer;
  int bitsPerPixel = 0;
  if (!makePacker(display, root, packer, bitsPerPixel)) {
    writeDesktopDiagnostic("X11 desktop: the root window's visual is not 24 or 32-bit TrueColor");
    return kFail;
  }
  X11ErrorTrap trap(display);
  const Pixmap fresh = composeBackground(display, root, packer, pixels, x, y);
  if (fresh == None || !trap.sync() || !owner->alive()) {
    return kFail;  // closing the connection frees the half-made pixmap
  }
  publishBackground(display, root, fresh);
  XSetCloseDownMode(display, RetainPermanent);
  return trap.sync() && owner->alive() ? kOk : kFail;
}

}  // namespace pixoria::platform
