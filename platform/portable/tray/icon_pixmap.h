// The program's icon, drawn in code at any size: a landscape (sky, sun, mountains, a green hill)
// in a rounded square, anti-aliased.
#pragma once

#include <cstdint>
#include <vector>

namespace pixoria::platform {

// The sizes offered to tray hosts, which pick the one that suits their panel.
inline constexpr int kIconPixmapSizes[] = {16, 22, 32, 48};

// size x size pixels, row by row, each pixel A, R, G, B (non-premultiplied): ARGB32 in network
// byte order, as StatusNotifierItem's IconPixmap carries it.
std::vector<std::uint8_t> drawIconArgb(int size);

}  // namespace pixoria::platform
