#include "platform/portable/url/url_encoding.h"

#include <gtest/gtest.h>

namespace pixoria::platform::posix {
namespace {

TEST(UrlEncodingTest, EncodesWhatAUrlMayNotCarryAndKeepsTheRest) {
  EXPECT_EQ(percentEncodeUnsafeBytes("http://h/a b/caf\xC3\xA9.jpg"),
            "http://h/a%20b/caf%C3%A9.jpg");
  EXPECT_EQ(percentEncodeUnsafeBytes(std::string_view("\x00\x1F\x7F\xFF", 4)), "%00%1F%7F%FF");
  EXPECT_EQ(percentEncodeUnsafeBytes("\"<>\\^`{|}"), "%22%3C%3E%5C%5E%60%7B%7C%7D");
  const std::string reserved = "https://u:p@h:8/p;x?a=1&b=%2F+c,d$e!f'g(h)*[i]~_.-#frag";
  EXPECT_EQ(percentEncodeUnsafeBytes(reserved), reserved);
  // Encoding twice changes nothing more: % sequences pass as they are.
  const std::string once = percentEncodeUnsafeBytes("/a b\xE2\x82\xAC");
  EXPECT_EQ(percentEncodeUnsafeBytes(once), once);
}

}  // namespace
}  // namespace pixoria::platform::posix
