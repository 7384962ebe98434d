// What the tray says about a failed change, and the tip's limit.
#include "agent/failure_text.h"

#include "agent/agent_test_fixture.h"
#include "agent/tray_tip.h"
#include "pixoria/platform/tray.h"

namespace pixoria::test {
namespace {

namespace pf = platform;
using F = pf::TransferFailure;

TEST(FailureTextTest, EachFailureHasItsOwnWords) {
  struct Case {
    ChangeResult result;
    const char* sentence;
  };
  const Case cases[] = {
      {{ChangeFailure::transfer, {F::noNetwork, 0}}, "Could not reach Bing (no network)."},
      {{ChangeFailure::transfer, {F::hostNotFound, 0}}, "Could not reach Bing (host not found)."},
      {{ChangeFailure::transfer, {F::connectionRefused, 0}},
       "Could not reach Bing (connection refused)."},
      {{ChangeFailure::transfer, {F::timedOut, 0}}, "Could not reach Bing (timed out)."},
      {{ChangeFailure::transfer, {F::httpStatus, 503}}, "Could not reach Bing (HTTP status 503)."},
      {{ChangeFailure::transfer, {F::tooLarge, 0}},
       "Could not reach Bing (the file is too large)."},
      {{ChangeFailure::transfer, {F::other, 0}}, "Could not reach Bing (network error)."},
      {{ChangeFailure::noImage, {}}, "Could not find an image at Bing."},
      {{ChangeFailure::unreadableImage, {}},
       "Could not use the Bing image (the image could not be read)."},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(changeFailureSentence("Bing", c.result), c.sentence);
  }
}

class TrayTipTest : public AgentTest {};

// The shown icon changes only when its text does, never past the record's 127 bytes, and never
// in the middle of a character.
TEST_F(TrayTipTest, TheTipIsModifiedOnlyWhenItChangesAndKeepsToTheRecord) {
  ASSERT_TRUE(
      pf::notifyIconAdd({agentWindow, TRAY_ICON_ID, pf::kNifTip, 0, 0, "Pixoria Helper", nullptr}));
  showTrayTip({});
  EXPECT_TRUE(fake::modifiedTips().empty());
  showTrayTip("Could not reach NASA (timed out).");
  showTrayTip("Could not reach NASA (timed out).");
  EXPECT_EQ(fake::shownIcons()[0].tip, "Pixoria Helper\nCould not reach NASA (timed out).");
  std::string longDetail(110, 'x');
  longDetail += "\xC3\xA9\xC3\xA9";  // "éé": bytes 126 to 129 of the tip
  showTrayTip(longDetail);
  EXPECT_EQ(fake::shownIcons()[0].tip, "Pixoria Helper\n" + std::string(110, 'x') + "\xC3\xA9");
  showTrayTip({});
  EXPECT_EQ(fake::modifiedTips().size(), 3u);
  EXPECT_EQ(fake::shownIcons()[0].tip, "Pixoria Helper");
}

}  // namespace
}  // namespace pixoria::test
