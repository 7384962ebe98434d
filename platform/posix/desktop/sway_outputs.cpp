#include "sway_outputs.h"

#include "json_scanner.h"

namespace pixoria::platform {
namespace {

constexpr std::size_t kMaxOutputs = 64;
constexpr std::int64_t kMaxSide = 1000000;

// {"width": W, "height": H, ...}; anything but an object (null on a disabled output) is skipped.
bool readSize(JsonScanner& scanner, int& width, int& height) {
  if (scanner.peek() != '{') {
    return scanner.skipValue();
  }
  return scanner.readObject([&](const std::string& key) {
    if (key != "width" && key != "height") {
      return scanner.skipValue();
    }
    std::int64_t side = 0;
    if (!scanner.readInteger(side) || side < 0 || side > kMaxSide) {
      return false;
    }
    (key == "width" ? width : height) = static_cast<int>(side);
    return true;
  });
}

bool readOutput(JsonScanner& scanner, SwayOutput& output) {
  bool named = false;
  const bool read = scanner.readObject([&](const std::string& key) {
    if (key == "name") {
      named = scanner.readString(output.name);
      return named;
    }
    if (key == "active") {
      return scanner.readBoolean(output.active);
    }
    if (key == "current_mode") {
      return readSize(scanner, output.modeWidth, output.modeHeight);
    }
    if (key == "rect") {
      return readSize(scanner, output.rectWidth, output.rectHeight);
    }
    return scanner.skipValue();
  });
  return read && named;
}

}  // namespace

bool parseSwayOutputs(std::string_view json, std::vector<SwayOutput>& outputs) {
  JsonScanner scanner(json);
  std::vector<SwayOutput> found;
  const bool read = scanner.readArray([&] {
    SwayOutput output;
    if (found.size() == kMaxOutputs || !readOutput(scanner, output)) {
      return false;
    }
    found.push_back(std::move(output));
    return true;
  });
  if (!read || !scanner.atEnd()) {
    return false;
  }
  outputs = std::move(found);
  return true;
}

}  // namespace pixoria::platform
