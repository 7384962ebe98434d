// HTTPS against a loopback server whose certificate comes from a throwaway CA made with openssl.
#include <cstdlib>

#include "support/child_process.h"
#include "support/fixture_server.h"
#include "support/test_images.h"
#include "url_test_server.h"

namespace pixoria::test {
namespace {

// A CA and a server certificate for 127.0.0.1 signed by it, in `folder`.
bool makeCertificates(const std::string& folder) {
  const std::string ca = folder + "/ca";
  const std::string server = folder + "/server";
  const std::vector<std::string> ecKey = {"-newkey", "ec", "-pkeyopt",
                                          "ec_paramgen_curve:prime256v1", "-nodes"};
  std::vector<std::string> makeCa = {
      "openssl", "req",       "-x509", "-days",    "2", "-subj", "/CN=Pixoria Test CA",
      "-keyout", ca + ".key", "-out",  ca + ".pem"};
  makeCa.insert(makeCa.begin() + 2, ecKey.begin(), ecKey.end());
  std::vector<std::string> makeRequest = {"openssl", "req",           "-subj", "/CN=127.0.0.1",
                                          "-keyout", server + ".key", "-out",  server + ".csr"};
  makeRequest.insert(makeRequest.begin() + 2, ecKey.begin(), ecKey.end());
  if (!writeFileBytes(folder + "/san.cnf", "subjectAltName=IP:127.0.0.1\n")) {
    return false;
  }
  const std::vector<std::string> sign = {"openssl",
                                         "x509",
                                         "-req",
                                         "-days",
                                         "2",
                                         "-in",
                                         server + ".csr",
                                         "-CA",
                                         ca + ".pem",
                                         "-CAkey",
                                         ca + ".key",
                                         "-CAcreateserial",
                                         "-extfile",
                                         folder + "/san.cnf",
                                         "-out",
                                         server + ".pem"};
  return runProgram(makeCa) && runProgram(makeRequest) && runProgram(sign);
}

class HttpsTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    ::setenv("no_proxy", "127.0.0.1,localhost", 1);
    folder_ = makeTemporaryFolder();
    certificatesMade_ = makeCertificates(folder_);
    if (certificatesMade_) {
      FixtureServerOptions options;
      options.folder = folder_;
      options.tlsCertificate = folder_ + "/server.pem";
      options.tlsKey = folder_ + "/server.key";
      server_ = new FixtureServer(options);
    }
  }
  static void TearDownTestSuite() {
    delete server_;
    server_ = nullptr;
    removeFolder(folder_);
  }
  void SetUp() override {
    ASSERT_TRUE(certificatesMade_) << "openssl could not make the test certificates";
    ASSERT_TRUE(server_->running()) << server_->error();
    ::unsetenv("PIXORIA_CA_BUNDLE");
  }
  void TearDown() override { ::unsetenv("PIXORIA_CA_BUNDLE"); }

  static std::string folder_;
  static bool certificatesMade_;
  static FixtureServer* server_;
};

std::string HttpsTest::folder_;
bool HttpsTest::certificatesMade_ = false;
FixtureServer* HttpsTest::server_ = nullptr;

TEST_F(HttpsTest, TrustsTheCaNamedInTheEnvironmentAndNothingElse) {
  const std::string url = server_->url("/bytes/5000");
  std::unique_ptr<platform::Stream> stream;
  EXPECT_EQ(platform::urlOpenBlockingStream(url, stream), platform::kDownloadFailure);

  ::setenv("PIXORIA_CA_BUNDLE", (folder_ + "/ca.pem").c_str(), 1);
  ASSERT_EQ(platform::urlOpenBlockingStream(url, stream), platform::kOk);
  EXPECT_EQ(readToEnd(*stream, 8192).body, patternBytes(5000));

  // The certificate is for 127.0.0.1, so another name for the same server is refused.
  const std::string otherName = "https://localhost:" + std::to_string(server_->port()) + "/";
  EXPECT_TRUE(platform::failed(platform::urlOpenBlockingStream(otherName, stream)));
}

}  // namespace
}  // namespace pixoria::test
