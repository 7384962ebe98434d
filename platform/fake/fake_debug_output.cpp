// Diagnostics captured per stream, for tests to read.
#include "pixoria/fake/fake_output.h"
#include "pixoria/platform/debug_output.h"

namespace pixoria::fake {
namespace {

struct Streams {
  std::string debug;
  std::string out;
  std::string error;
};

Streams& streams() {
  static Streams instance;
  return instance;
}

}  // namespace

const std::string& debugOutput() {
  return streams().debug;
}
const std::string& standardOutput() {
  return streams().out;
}
const std::string& standardError() {
  return streams().error;
}
void clearOutput() {
  streams() = Streams{};
}

}  // namespace pixoria::fake

namespace pixoria::platform {

void outputDebugString(std::string_view text) {
  fake::streams().debug += text;
}
void writeStandardOutput(std::string_view text) {
  fake::streams().out += text;
}
void writeStandardError(std::string_view text) {
  fake::streams().error += text;
}

}  // namespace pixoria::platform
