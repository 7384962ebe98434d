// Downloads to a file against a real HTTP server on loopback: progress, and the old file kept
// whole whenever a download fails.
#include <unistd.h>

#include <chrono>
#include <filesystem>

#include "platform/posix/url/url_limits.h"
#include "support/test_images.h"
#include "url_test_server.h"

namespace pixoria::test {
namespace {

using platform::urlDownloadToFile;

struct Report {
  std::uint32_t progress;
  std::uint32_t progressMax;
  std::uint32_t status;
};

class RecordingCallback final : public platform::BindStatusCallback {
 public:
  explicit RecordingCallback(platform::HResult answer = platform::kOk) : answer_(answer) {}
  platform::HResult onProgress(std::uint32_t progress, std::uint32_t progressMax,
                               std::uint32_t status, std::string_view) override {
    reports.push_back({progress, progressMax, status});
    return answer_;
  }
  std::vector<Report> reports;

 private:
  platform::HResult answer_;
};

std::vector<std::string> folderEntries(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    names.push_back(entry.path().filename().string());
  }
  return names;
}

class FileDownloadTest : public UrlServerTest {
 protected:
  void SetUp() override {
    UrlServerTest::SetUp();
    folder_ = makeTemporaryFolder();
    target_ = folder_ + "/temp_image.jpg";
    ASSERT_TRUE(writeFileBytes(target_, "the old image"));
  }
  void TearDown() override {
    removeFolder(folder_);
    UrlServerTest::TearDown();
  }

  // Progress must grow, statuses come as 4, then 5s, then one 6 with the whole size.
  static void expectReportsOfAWholeBody(const std::vector<Report>& reports, std::uint32_t size,
                                        std::uint32_t announced) {
    ASSERT_GE(reports.size(), 3u);
    EXPECT_EQ(reports.front().status, platform::kBindStatusBeginDownloadData);
    for (std::size_t i = 1; i + 1 < reports.size(); ++i) {
      EXPECT_EQ(reports[i].status, platform::kBindStatusDownloadingData);
      EXPECT_GE(reports[i].progress, reports[i - 1].progress);
      EXPECT_LE(reports[i].progress, size);
      EXPECT_EQ(reports[i].progressMax, announced);
    }
    EXPECT_EQ(reports.back().status, platform::kBindStatusEndDownloadData);
    EXPECT_EQ(reports.back().progress, size);
    EXPECT_EQ(reports.back().progressMax, size);
  }

  std::string folder_;
  std::string target_;
};

TEST_F(FileDownloadTest, ReportsProgressAndReplacesTheFile) {
  serveFile("image.jpg", patternBytes(300000));
  RecordingCallback callback;
  ASSERT_EQ(urlDownloadToFile(server().url("/image.jpg"), target_, &callback), platform::kOk);
  expectReportsOfAWholeBody(callback.reports, 300000, 300000);
  EXPECT_EQ(readFileBytes(target_), patternBytes(300000));
  EXPECT_EQ(folderEntries(folder_), std::vector<std::string>{"temp_image.jpg"});
}

TEST_F(FileDownloadTest, BodyOfUnknownLengthReportsNoTotalUntilTheEnd) {
  RecordingCallback callback;
  ASSERT_EQ(urlDownloadToFile(server().url("/bytes/250000"), target_, &callback), platform::kOk);
  expectReportsOfAWholeBody(callback.reports, 250000, 0);
  EXPECT_EQ(readFileBytes(target_), patternBytes(250000));
}

TEST_F(FileDownloadTest, FailuresKeepTheOldFileAndLeaveNoPartialFile) {
  platform::posix::UrlLimits limits;
  limits.stallSeconds = 1;
  limits.downloadBodyCap = 100000;
  platform::posix::setUrlLimitsForTesting(limits);
  for (const char* path : {"/status/404", "/status/503", "/close-after/50000", "/stall-after/100",
                           "/bytes/100001", "/redirect-chain/6", "/redirect?to=ftp://x/y"}) {
    SCOPED_TRACE(path);
    RecordingCallback callback;
    EXPECT_EQ(urlDownloadToFile(server().url(path), target_, &callback),
              platform::kDownloadFailure);
    EXPECT_EQ(readFileBytes(target_), "the old image");
    EXPECT_EQ(folderEntries(folder_), std::vector<std::string>{"temp_image.jpg"});
    for (const Report& report : callback.reports) {
      EXPECT_NE(report.status, platform::kBindStatusEndDownloadData);
    }
  }
}

// A server that trickles fast enough never to count as stalled is still cut off at the deadline,
// and the download fails like any other.
TEST_F(FileDownloadTest, TricklingServerFailsAtTheDeadlineKeepingTheOldFile) {
  platform::posix::UrlLimits limits;
  limits.downloadDeadlineSeconds = 2;
  platform::posix::setUrlLimitsForTesting(limits);
  const auto start = std::chrono::steady_clock::now();
  RecordingCallback callback;
  EXPECT_EQ(urlDownloadToFile(server().url("/trickle/20480?rate=2048"), target_, &callback),
            platform::kDownloadFailure);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
  EXPECT_FALSE(callback.reports.empty());  // it was making progress
  EXPECT_EQ(readFileBytes(target_), "the old image");
  EXPECT_EQ(folderEntries(folder_), std::vector<std::string>{"temp_image.jpg"});
}

// As with urlmon, a callback that answers with a failure cancels the download.
TEST_F(FileDownloadTest, CallbackFailureCancels) {
  RecordingCallback callback(platform::kAbort);
  EXPECT_EQ(urlDownloadToFile(server().url("/bytes/5000"), target_, &callback), platform::kAbort);
  EXPECT_EQ(callback.reports.size(), 1u);
  EXPECT_EQ(readFileBytes(target_), "the old image");
  EXPECT_EQ(folderEntries(folder_), std::vector<std::string>{"temp_image.jpg"});
}

TEST_F(FileDownloadTest, UnwritableFolderIsAccessDeniedWithoutARequest) {
  std::string target = folder_ + "/locked/image.jpg";
  std::filesystem::create_directory(folder_ + "/locked");
  std::filesystem::permissions(
      folder_ + "/locked", std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
  if (::geteuid() == 0) {
    target = "/sys/pixoria-download-test.jpg";  // root writes anywhere else
  }
  const std::size_t before = server().requests().size();
  EXPECT_EQ(urlDownloadToFile(server().url("/bytes/10"), target, nullptr), platform::kAccessDenied);
  EXPECT_EQ(server().requests().size(), before);
  std::filesystem::permissions(folder_ + "/locked", std::filesystem::perms::owner_all);
}

}  // namespace
}  // namespace pixoria::test
