// The blocking stream against a real HTTP server on loopback.
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>

#include "platform/posix/url/url_limits.h"
#include "url_test_server.h"

namespace pixoria::test {
namespace {

using platform::urlOpenBlockingStream;
using Limits = platform::posix::UrlLimits;

class BlockingStreamTest : public UrlServerTest {};

TEST_F(BlockingStreamTest, EveryReadFillsTheBufferUntilTheLastOne) {
  const std::string body = patternBytes(2500);
  serveFile("body.bin", body);
  std::unique_ptr<platform::Stream> stream;
  ASSERT_EQ(urlOpenBlockingStream(server().url("/body.bin"), stream), platform::kOk);
  ASSERT_NE(stream, nullptr);
  const StreamReads reads = readToEnd(*stream, 1024);
  EXPECT_EQ(reads.counts, (std::vector<std::uint32_t>{1024, 1024, 452, 0}));
  EXPECT_EQ(reads.body, body);
}

// A chunked body arrives in network-sized pieces and carries NUL bytes; neither shows in reads.
TEST_F(BlockingStreamTest, ChunkedBodyWithNulBytesComesWholeInFullChunks) {
  std::unique_ptr<platform::Stream> stream;
  ASSERT_EQ(urlOpenBlockingStream(server().url("/bytes/200000"), stream), platform::kOk);
  const StreamReads reads = readToEnd(*stream, 1000);
  ASSERT_EQ(reads.counts.size(), 201u);
  EXPECT_EQ(std::count(reads.counts.begin(), reads.counts.end(), 1000u), 200);
  EXPECT_EQ(reads.body, patternBytes(200000));
}

TEST_F(BlockingStreamTest, FollowsUpToFiveRedirects) {
  std::unique_ptr<platform::Stream> stream;
  ASSERT_EQ(urlOpenBlockingStream(server().url("/redirect-chain/5"), stream), platform::kOk);
  EXPECT_EQ(readToEnd(*stream, 64).body, "done");
}

// Each of these must fail and hand out no stream.
TEST_F(BlockingStreamTest, ErrorsAndForbiddenRedirectsFail) {
  const std::string ftpTarget = "ftp://127.0.0.1:" + std::to_string(server().port()) + "/x";
  for (const std::string& path : std::vector<std::string>{
           "/status/404", "/status/500", "/redirect-chain/6", "/redirect?to=file:///etc/passwd",
           "/redirect?to=" + ftpTarget, "/close-after/1000"}) {
    SCOPED_TRACE(path);
    std::unique_ptr<platform::Stream> stream;
    EXPECT_EQ(urlOpenBlockingStream(server().url(path), stream), platform::kDownloadFailure);
    EXPECT_EQ(stream, nullptr);
  }
  std::unique_ptr<platform::Stream> stream;
  EXPECT_TRUE(platform::failed(urlOpenBlockingStream("file:///etc/passwd", stream)));
  EXPECT_EQ(stream, nullptr);
}

TEST_F(BlockingStreamTest, BodiesOverTheCapFailWhetherAnnouncedOrNot) {
  Limits limits;
  limits.streamBodyCap = 100000;
  platform::posix::setUrlLimitsForTesting(limits);
  serveFile("large.bin", patternBytes(100001));
  std::unique_ptr<platform::Stream> stream;
  EXPECT_EQ(urlOpenBlockingStream(server().url("/large.bin"), stream), platform::kDownloadFailure);
  EXPECT_EQ(urlOpenBlockingStream(server().url("/bytes/100001"), stream),
            platform::kDownloadFailure);
  EXPECT_EQ(urlOpenBlockingStream(server().url("/bytes/100001?close=1"), stream),
            platform::kDownloadFailure);
  EXPECT_EQ(stream, nullptr);
  ASSERT_EQ(urlOpenBlockingStream(server().url("/bytes/100000"), stream), platform::kOk);
  EXPECT_EQ(readToEnd(*stream, 65536).body.size(), 100000u);
}

TEST_F(BlockingStreamTest, StalledServerFailsAfterTheStallTimeout) {
  Limits limits;
  limits.stallSeconds = 2;
  platform::posix::setUrlLimitsForTesting(limits);
  const auto start = std::chrono::steady_clock::now();
  std::unique_ptr<platform::Stream> stream;
  EXPECT_EQ(urlOpenBlockingStream(server().url("/stall-after/100"), stream),
            platform::kDownloadFailure);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(6));
}

// 20 KB at 2 KiB/s never looks stalled, yet takes ten seconds: the deadline ends it first.
TEST_F(BlockingStreamTest, TricklingServerFailsAtTheDeadline) {
  Limits limits;
  limits.streamDeadlineSeconds = 2;
  platform::posix::setUrlLimitsForTesting(limits);
  const auto start = std::chrono::steady_clock::now();
  std::unique_ptr<platform::Stream> stream;
  EXPECT_EQ(urlOpenBlockingStream(server().url("/trickle/20480?rate=2048"), stream),
            platform::kDownloadFailure);
  EXPECT_EQ(stream, nullptr);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
}

TEST_F(BlockingStreamTest, UnreachableServerIsResourceNotFound) {
  // A port that was just free and has no listener.
  const int probe = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  ASSERT_EQ(::bind(probe, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  ::getsockname(probe, reinterpret_cast<sockaddr*>(&address), &length);
  ::close(probe);
  std::unique_ptr<platform::Stream> stream;
  EXPECT_EQ(urlOpenBlockingStream(
                "http://127.0.0.1:" + std::to_string(ntohs(address.sin_port)) + "/", stream),
            platform::kResourceNotFound);
}

TEST_F(BlockingStreamTest, UnsafeBytesInTheAddressAreSentPercentEncoded) {
  serveFile("a b caf\xC3\xA9.txt", "served");
  std::unique_ptr<platform::Stream> stream;
  ASSERT_EQ(urlOpenBlockingStream(server().url("/a b caf\xC3\xA9.txt?q=\"x\""), stream),
            platform::kOk);
  EXPECT_EQ(readToEnd(*stream, 64).body, "served");
  EXPECT_EQ(server().requests().back(), "/a%20b%20caf%C3%A9.txt?q=%22x%22");
}

TEST_F(BlockingStreamTest, EmptyAddressFailsWithoutARequest) {
  const std::size_t before = server().requests().size();
  std::unique_ptr<platform::Stream> stream;
  EXPECT_EQ(urlOpenBlockingStream("", stream), platform::kInvalidArg);
  EXPECT_EQ(platform::urlDownloadToFile("", servedFolder() + "/never.jpg", nullptr),
            platform::kInvalidArg);
  EXPECT_EQ(server().requests().size(), before);
  EXPECT_FALSE(std::filesystem::exists(servedFolder() + "/never.jpg"));
}

}  // namespace
}  // namespace pixoria::test
