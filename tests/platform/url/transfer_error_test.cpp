// Why a transfer failed, as lastTransferError() tells it, against the loopback server and, for
// an offline machine, in a network namespace of the test's own.
#include "platform/posix/url/transfer_error.h"

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include "pixoria/product.h"
#include "platform/posix/url/default_route.h"
#include "platform/posix/url/url_limits.h"
#include "support/network_namespace.h"
#include "url_test_server.h"

namespace pixoria::test {
namespace {

using platform::lastTransferError;
using platform::TransferFailure;

class TransferErrorTest : public UrlServerTest {
 protected:
  // Fails the stream, then the download, of `url` and returns both records.
  std::pair<platform::TransferError, platform::TransferError> failBothWays(const std::string& url) {
    std::unique_ptr<platform::Stream> stream;
    EXPECT_TRUE(platform::failed(platform::urlOpenBlockingStream(url, stream)));
    const platform::TransferError streamError = lastTransferError();
    EXPECT_TRUE(platform::failed(platform::urlDownloadToFile(url, target(), nullptr)));
    return {streamError, lastTransferError()};
  }

  std::string target() const { return servedFolder() + "/download.bin"; }
};

// A loopback port that was just free and has no listener.
int refusingPort() {
  const int probe = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  ::bind(probe, reinterpret_cast<sockaddr*>(&address), sizeof address);
  ::getsockname(probe, reinterpret_cast<sockaddr*>(&address), &length);
  ::close(probe);
  return ntohs(address.sin_port);
}

TEST_F(TransferErrorTest, EachFailureNamesItsReasonAndASuccessClearsIt) {
  platform::posix::UrlLimits limits;
  limits.streamBodyCap = 100000;
  limits.downloadBodyCap = 100000;
  platform::posix::setUrlLimitsForTesting(limits);
  // Only the server that hangs meets this deadline; the others answer within milliseconds.
  platform::posix::UrlLimits shortDeadline = limits;
  shortDeadline.streamDeadlineSeconds = 1;
  shortDeadline.downloadDeadlineSeconds = 1;
  serveFile("small.bin", patternBytes(1000));
  serveFile("large.bin", patternBytes(100001));

  struct Case {
    const char* what;
    std::string url;
    TransferFailure kind;
    std::uint32_t httpStatus;
    const platform::posix::UrlLimits* limits;
  };
  const Case cases[] = {
      {"service unavailable", server().url("/status/503"), TransferFailure::httpStatus, 503,
       &limits},
      {"not found", server().url("/status/404"), TransferFailure::httpStatus, 404, &limits},
      {"nothing listens", "http://127.0.0.1:" + std::to_string(refusingPort()) + "/",
       TransferFailure::connectionRefused, 0, &limits},
      {"a body over the cap, announced", server().url("/large.bin"), TransferFailure::tooLarge, 0,
       &limits},
      {"a body over the cap, chunked", server().url("/bytes/100001"), TransferFailure::tooLarge, 0,
       &limits},
      {"the deadline passes", server().url("/stall-after/100"), TransferFailure::timedOut, 0,
       &shortDeadline},
      {"the body is cut off", server().url("/close-after/1000"), TransferFailure::other, 0,
       &limits},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    platform::posix::setUrlLimitsForTesting(*c.limits);
    const auto [streamError, downloadError] = failBothWays(c.url);
    for (const platform::TransferError& error : {streamError, downloadError}) {
      EXPECT_EQ(error.kind, c.kind);
      EXPECT_EQ(error.httpStatus, c.httpStatus);
    }
  }

  // A success of either kind clears a failure of either kind.
  platform::posix::setUrlLimitsForTesting(limits);
  for (const bool byStream : {true, false}) {
    SCOPED_TRACE(byStream ? "stream" : "download");
    failBothWays(server().url("/status/500"));
    ASSERT_EQ(lastTransferError().kind, TransferFailure::httpStatus);
    std::unique_ptr<platform::Stream> stream;
    ASSERT_EQ(byStream ? platform::urlOpenBlockingStream(server().url("/small.bin"), stream)
                       : platform::urlDownloadToFile(server().url("/small.bin"), target(), nullptr),
              platform::kOk);
    EXPECT_EQ(lastTransferError().kind, TransferFailure::none);
    EXPECT_EQ(lastTransferError().httpStatus, 0u);
  }
}

// With its loopback down the namespace has no route anywhere: the machine is offline. A name
// lookup there fails at once, without a packet leaving, and says nothing about the name.
TEST_F(TransferErrorTest, OfflineEveryAddressIsNoNetwork) {
  PrivateNetworkNamespace offline;
  if (!offline.entered()) {
    GTEST_SKIP() << offline.error();
  }
  const struct {
    const char* url;
    TransferFailure kind;
  } cases[] = {
      {"http://127.0.0.1:8/feed.xml", TransferFailure::noNetwork},
      {"http://nohost.invalid/feed.xml", TransferFailure::noNetwork},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.url);
    const auto [streamError, downloadError] = failBothWays(c.url);
    EXPECT_EQ(streamError.kind, c.kind);
    EXPECT_EQ(downloadError.kind, c.kind);
  }
}

// A name that cannot be resolved is unknown only where the machine has somewhere to ask.
TEST(DefaultRouteTest, OnlyAUsableDefaultRouteMakesAFailedLookupAnUnknownName) {
  const std::string ipv4Header = "Iface\tDestination\tGateway\tFlags\tRefCnt\tUse\tMetric\tMask\n";
  const std::string ipv6Unreachable =
      "00000000000000000000000000000000 00 00000000000000000000000000000000 00 "
      "00000000000000000000000000000000 ffffffff 00000001 00000000 00200200 lo\n";
  const struct {
    const char* what;
    std::string ipv4;
    std::string ipv6;
    bool hasDefault;
  } cases[] = {
      {"IPv4 default", ipv4Header + "eth0\t00000000\t010200C0\t0003\t0\t0\t0\t00000000\n", "",
       true},
      {"IPv4 local network only",
       ipv4Header + "eth0\t000200C0\t00000000\t0001\t0\t0\t0\t00FFFFFF\n", "", false},
      {"IPv4 default that is down",
       ipv4Header + "eth0\t00000000\t010200C0\t0002\t0\t0\t0\t00000000\n", "", false},
      {"IPv6 default", ipv4Header,
       "00000000000000000000000000000000 00 00000000000000000000000000000000 00 "
       "fd000000000000000000000000000001 00000400 00000002 00000000 00000003 eth0\n",
       true},
      {"the kernel's unreachable IPv6 default", ipv4Header, ipv6Unreachable, false},
      {"nothing", "", "", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(platform::posix::hasDefaultRoute(c.ipv4, c.ipv6), c.hasDefault);
    platform::posix::TransferOutcome outcome;
    outcome.code = CURLE_COULDNT_RESOLVE_HOST;
    outcome.hasDefaultRoute = c.hasDefault;
    EXPECT_EQ(platform::posix::classifyTransfer(outcome).kind,
              c.hasDefault ? TransferFailure::hostNotFound : TransferFailure::noNetwork);
  }
}

TEST_F(TransferErrorTest, StreamsAndDownloadsSendTheProductsUserAgent) {
  serveFile("agent.bin", "x");
  std::unique_ptr<platform::Stream> stream;
  ASSERT_EQ(platform::urlOpenBlockingStream(server().url("/agent.bin"), stream), platform::kOk);
  ASSERT_EQ(platform::urlDownloadToFile(server().url("/agent.bin"), target(), nullptr),
            platform::kOk);
  const std::vector<std::string> agents = userAgents();
  ASSERT_GE(agents.size(), 2u);
  EXPECT_EQ(agents[agents.size() - 2], pixoria::userAgent());
  EXPECT_EQ(agents.back(), pixoria::userAgent());
  EXPECT_EQ(pixoria::userAgent().rfind("Pixoria/", 0), 0u);
}

}  // namespace
}  // namespace pixoria::test
