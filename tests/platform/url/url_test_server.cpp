#include "url_test_server.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "platform/posix/url/url_limits.h"
#include "support/test_images.h"

namespace pixoria::test {

std::unique_ptr<FixtureServer> UrlServerTest::server_;
std::string UrlServerTest::servedFolder_;

void UrlServerTest::SetUpTestSuite() {
  // Loopback must never go through a proxy the environment names.
  ::setenv("no_proxy", "127.0.0.1,localhost", 1);
  ::setenv("NO_PROXY", "127.0.0.1,localhost", 1);
  servedFolder_ = makeTemporaryFolder();
  FixtureServerOptions options;
  options.folder = servedFolder_ + "/files";
  options.logPath = servedFolder_ + "/requests.log";
  writeFileBytes(options.logPath, "");
  options.agentLogPath = servedFolder_ + "/agents.log";
  std::filesystem::create_directory(options.folder);
  server_ = std::make_unique<FixtureServer>(options);
}

void UrlServerTest::TearDownTestSuite() {
  server_.reset();
  removeFolder(servedFolder_);
}

void UrlServerTest::SetUp() {
  ASSERT_TRUE(server_->running()) << server_->error();
}

void UrlServerTest::TearDown() {
  platform::posix::resetUrlLimitsForTesting();
}

void UrlServerTest::serveFile(const std::string& name, const std::string& bytes) {
  ASSERT_TRUE(writeFileBytes(servedFolder_ + "/files/" + name, bytes));
}

std::vector<std::string> UrlServerTest::userAgents() {
  std::vector<std::string> lines;
  std::ifstream log(servedFolder_ + "/agents.log");
  for (std::string line; std::getline(log, line);) {
    lines.push_back(line);
  }
  return lines;
}

std::string patternBytes(std::size_t count) {
  std::string bytes(count, '\0');
  for (std::size_t i = 0; i < count; ++i) {
    bytes[i] = static_cast<char>(i % 256);
  }
  return bytes;
}

StreamReads readToEnd(platform::Stream& stream, std::uint32_t chunkSize) {
  StreamReads reads;
  std::vector<char> buffer(chunkSize);
  for (int i = 0; i < 100000; ++i) {
    std::uint32_t count = 0;
    stream.read(buffer.data(), chunkSize, count);
    reads.counts.push_back(count);
    if (count == 0) {
      break;
    }
    reads.body.append(buffer.data(), count);
  }
  return reads;
}

}  // namespace pixoria::test
