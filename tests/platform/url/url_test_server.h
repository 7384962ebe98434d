// One loopback fixture server shared by a test suite, with a folder of files it serves and a
// request log; and helpers to read streams the way the agent does.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "pixoria/platform/url.h"
#include "support/fixture_server.h"

namespace pixoria::test {

class UrlServerTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite();
  static void TearDownTestSuite();
  void SetUp() override;
  void TearDown() override;

  static FixtureServer& server() { return *server_; }
  static const std::string& servedFolder() { return servedFolder_; }
  // Writes a file the server serves at "/<name>".
  static void serveFile(const std::string& name, const std::string& bytes);
  // The User-Agent of each request so far, one a line.
  static std::vector<std::string> userAgents();

 private:
  static std::unique_ptr<FixtureServer> server_;
  static std::string servedFolder_;
};

// The bytes of the server's generated bodies: byte i is i % 256.
std::string patternBytes(std::size_t count);

struct StreamReads {
  std::vector<std::uint32_t> counts;  // each read's count, the final 0 included
  std::string body;
};

// Reads the stream to its end (at most a bounded number of reads) in chunks of `chunkSize`.
StreamReads readToEnd(platform::Stream& stream, std::uint32_t chunkSize);

}  // namespace pixoria::test
