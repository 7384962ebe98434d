// Packs PNG files into one Windows icon (.ico) at build time:
//   pixoria_pack_ico OUTPUT.ico SIZE:INPUT.png...
// Every image is stored as PNG data, which Windows reads in icons since Vista; no image is
// decoded or re-encoded here, so the icon holds exactly the pixels the renderer drew.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

struct Entry {
  int size;
  std::vector<char> png;
};

void put16(std::string& out, unsigned value) {
  out.push_back(static_cast<char>(value & 0xFF));
  out.push_back(static_cast<char>((value >> 8) & 0xFF));
}

void put32(std::string& out, std::uint32_t value) {
  put16(out, value & 0xFFFF);
  put16(out, value >> 16);
}

bool readEntry(const std::string& argument, Entry& entry) {
  const auto colon = argument.find(':');
  if (colon == std::string::npos)
    return false;
  entry.size = std::atoi(argument.substr(0, colon).c_str());
  std::ifstream file(argument.substr(colon + 1), std::ios::binary);
  if (!file.is_open() || entry.size <= 0 || entry.size > 256)
    return false;
  entry.png.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
  return !entry.png.empty();
}

// ICONDIR, one ICONDIRENTRY per image (a side of 256 is written as 0), then the images.
std::string iconFile(const std::vector<Entry>& entries) {
  std::string out;
  put16(out, 0);
  put16(out, 1);
  put16(out, static_cast<unsigned>(entries.size()));
  std::uint32_t offset = 6 + 16 * static_cast<std::uint32_t>(entries.size());
  for (const Entry& entry : entries) {
    const auto side = static_cast<char>(entry.size == 256 ? 0 : entry.size);
    out.push_back(side);
    out.push_back(side);
    out.push_back(0);  // no palette
    out.push_back(0);
    put16(out, 1);   // colour planes
    put16(out, 32);  // bits per pixel
    put32(out, static_cast<std::uint32_t>(entry.png.size()));
    put32(out, offset);
    offset += static_cast<std::uint32_t>(entry.png.size());
  }
  for (const Entry& entry : entries)
    out.append(entry.png.begin(), entry.png.end());
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: pixoria_pack_ico OUTPUT.ico SIZE:INPUT.png...\n");
    return 2;
  }
  std::vector<Entry> entries;
  for (int i = 2; i < argc; ++i) {
    Entry entry;
    if (!readEntry(argv[i], entry)) {
      std::fprintf(stderr, "pixoria_pack_ico: cannot read %s\n", argv[i]);
      return 1;
    }
    entries.push_back(std::move(entry));
  }
  std::ofstream out(argv[1], std::ios::binary | std::ios::trunc);
  const std::string icon = iconFile(entries);
  out.write(icon.data(), static_cast<std::streamsize>(icon.size()));
  if (!out.flush()) {
    std::fprintf(stderr, "pixoria_pack_ico: cannot write %s\n", argv[1]);
    return 1;
  }
  return 0;
}
