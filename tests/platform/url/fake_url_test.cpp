// The scripted network that the agent's unit tests run against.
#include "pixoria/fake/fake_url.h"

#include <gtest/gtest.h>

#include "pixoria/platform/url.h"
#include "support/test_images.h"

namespace pixoria::fake {
namespace {

using platform::kBindStatusDownloadingData;
using platform::kBindStatusEndDownloadData;

class FakeUrlTest : public ::testing::Test {
 protected:
  void SetUp() override { urlReset(); }
  void TearDown() override { urlReset(); }
};

// A short chunk in the middle comes in the middle; a chunk larger than the buffer takes reads.
TEST_F(FakeUrlTest, StreamHandsOutChunksAsScripted) {
  scriptStream("http://feed/", {platform::kOk, {"0123456789abcdef", "short", "tail-longer"}});
  std::unique_ptr<platform::Stream> stream;
  ASSERT_EQ(platform::urlOpenBlockingStream("http://feed/", stream), platform::kOk);
  std::vector<std::uint32_t> counts;
  std::string text;
  char buffer[8];
  for (std::uint32_t count = 1; count != 0 && counts.size() < 10;) {
    stream->read(buffer, sizeof buffer, count);
    counts.push_back(count);
    text.append(buffer, count);
  }
  EXPECT_EQ(counts, (std::vector<std::uint32_t>{8, 8, 5, 8, 3, 0}));
  EXPECT_EQ(text, "0123456789abcdefshorttail-longer");
}

TEST_F(FakeUrlTest, UnknownAndEmptyAddressesFailAndOnlyRequestsAreLogged) {
  scriptStream("http://refused/", {platform::kResourceNotFound, {}});
  std::unique_ptr<platform::Stream> stream;
  EXPECT_EQ(platform::urlOpenBlockingStream("http://unknown/", stream),
            platform::kResourceNotFound);
  EXPECT_EQ(platform::urlOpenBlockingStream("http://refused/", stream),
            platform::kResourceNotFound);
  EXPECT_EQ(platform::urlOpenBlockingStream("", stream), platform::kInvalidArg);
  EXPECT_EQ(platform::urlDownloadToFile("http://unknown/", "/nonexistent/x", nullptr),
            platform::kResourceNotFound);
  EXPECT_EQ(stream, nullptr);
  EXPECT_EQ(urlRequests(),
            (std::vector<std::string>{"http://unknown/", "http://refused/", "http://unknown/"}));
  urlReset();
  EXPECT_TRUE(urlRequests().empty());
}

class FileCheckingCallback final : public platform::BindStatusCallback {
 public:
  explicit FileCheckingCallback(std::string path) : path_(std::move(path)) {}
  platform::HResult onProgress(std::uint32_t, std::uint32_t, std::uint32_t status,
                               std::string_view) override {
    statuses.push_back(status);
    contentsSeen.push_back(test::readFileBytes(path_));
    return platform::kOk;
  }
  std::vector<std::uint32_t> statuses;
  std::vector<std::string> contentsSeen;

 private:
  std::string path_;
};

// The body is in place when status 6 arrives, not before; a failed download leaves the old file.
TEST_F(FakeUrlTest, DownloadReplacesTheFileBeforeTheEndReport) {
  const std::string folder = test::makeTemporaryFolder();
  const std::string path = folder + "/temp_image.jpg";
  ASSERT_TRUE(test::writeFileBytes(path, "old"));
  const std::vector<ScriptedProgress> reports = {{1, 3, kBindStatusDownloadingData},
                                                 {3, 3, kBindStatusEndDownloadData}};
  scriptDownload("http://img/ok", {"new", reports, platform::kOk});
  scriptDownload("http://img/cut", {"partial", {reports[0]}, platform::kDownloadFailure});

  FileCheckingCallback failing(path);
  EXPECT_EQ(platform::urlDownloadToFile("http://img/cut", path, &failing),
            platform::kDownloadFailure);
  EXPECT_EQ(failing.contentsSeen, std::vector<std::string>{"old"});
  EXPECT_EQ(test::readFileBytes(path), "old");

  FileCheckingCallback succeeding(path);
  EXPECT_EQ(platform::urlDownloadToFile("http://img/ok", path, &succeeding), platform::kOk);
  EXPECT_EQ(succeeding.statuses,
            (std::vector<std::uint32_t>{kBindStatusDownloadingData, kBindStatusEndDownloadData}));
  EXPECT_EQ(succeeding.contentsSeen, (std::vector<std::string>{"old", "new"}));
  EXPECT_EQ(test::readFileBytes(path), "new");
  test::removeFolder(folder);
}

}  // namespace
}  // namespace pixoria::fake
