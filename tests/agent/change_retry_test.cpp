// Failed changes tried again at the same picture, and the record of the last scheduled change.
#include "agent/change_retry.h"

#include "agent/agent_test_fixture.h"
#include "agent/change_schedule.h"
#include "agent/online_source_doubles.h"

namespace pixoria::test {
namespace {

namespace pf = platform;

constexpr std::uint64_t kSecond = 1'000;
constexpr std::uint64_t kMinute = 60'000;
constexpr std::uint64_t kHour = 3'600'000;
const ChangeResult kOffline{ChangeFailure::transfer, {pf::TransferFailure::noNetwork, 0}};

class ChangeRetryTest : public AgentTest {
 protected:
  void SetUp() override {
    AgentTest::SetUp();
    resetSourceDoubles();
  }

  // Bing running at index 3, changing every `hours`.
  void runBing(std::uint32_t hours) {
    setDword(kValueEnabled, 1);
    setDword(kValueSource, kSourceBing);
    setDword(kValueBingCurrentIndex, 3);
    setDword(kValueTimeIndex, hours);
  }

  static std::optional<std::uint64_t> retryDueIn() {
    return fake::timerDueIn(agentWindow, TIMER_RETRY);
  }

  // The seconds since 1970 the fake's clock shows now.
  static std::uint32_t secondsNow() {
    return static_cast<std::uint32_t>(fake::universalSeconds() + fake::now() / 1000);
  }
};

std::vector<ChangeResult> failures(std::size_t count) {
  return std::vector<ChangeResult>(count, kOffline);
}

std::vector<std::uint64_t> times(std::vector<std::uint64_t> counts, std::uint64_t unit) {
  for (std::uint64_t& count : counts) {
    count *= unit;
  }
  return counts;
}

// The backoff doubles from the first delay up to 30 of them, always at the index that failed;
// it stops where the next scheduled change would come first, and that step moves on.
TEST_F(ChangeRetryTest, RetriesTheSameIndexWithGrowingDelays) {
  struct Case {
    const char* retrySeconds;  // PIXORIA_TEST_RETRY_SECONDS; null for the default minute
    std::uint32_t hours;       // the change interval
    std::vector<std::uint64_t> delays;
    bool lastRetryWorks;  // else the attempts run out before the next scheduled change
  };
  const Case cases[] = {
      {nullptr, 24, times({1, 2, 4, 8, 16, 30, 30}, kMinute), true},
      {"2", 24, times({2, 4, 8, 16, 32, 60, 60}, kSecond), true},
      {"0", 24, times({1, 2, 4}, kMinute), true},  // not a delay: the default
      {nullptr, 1, times({1, 2, 4, 8, 16}, kMinute), false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.hours) + "h, first delay " +
                 (c.retrySeconds ? c.retrySeconds : "default"));
    SetUp();
    setRetrySeconds(c.retrySeconds);
    runBing(c.hours);
    scriptSourceResults(failures(c.delays.size() + (c.lastRetryWorks ? 0 : 1)));
    loadSettingsAndApply();
    for (const std::uint64_t delay : c.delays) {
      ASSERT_EQ(retryDueIn(), delay);
      fake::advanceClock(delay);
    }
    EXPECT_EQ(sourceCalls(), std::vector<SourceCall>(c.delays.size() + 1, {"bing", 3}));
    EXPECT_FALSE(retryDueIn());
    if (!c.lastRetryWorks) {
      fake::advanceClock(c.hours * kHour - fake::now());
      EXPECT_EQ(sourceCalls().back(), (SourceCall{"bing", 2}));
    }
    EXPECT_EQ(fake::runningTimerCount(), 1u);  // the change timer alone
  }
}

// A fresh change, a reload or Stop replaces the pending retry: it never runs afterwards.
TEST_F(ChangeRetryTest, AFreshChangeOrStopReplacesThePendingRetry) {
  struct Case {
    const char* name;
    void (*action)();
    std::size_t calls;  // made by the load and the action
  };
  const Case cases[] = {
      {"tray command", onNasaNext, 2},
      {"reload", loadSettingsAndApply, 2},
      {"stop", disableChanger, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SetUp();
    runBing(24);
    scriptSourceResults({kOffline});
    loadSettingsAndApply();
    ASSERT_TRUE(retryDueIn());
    c.action();
    EXPECT_FALSE(retryDueIn());
    fake::advanceClock(kHour);
    EXPECT_EQ(sourceCalls().size(), c.calls);
    EXPECT_EQ(trayTip(), "Pixoria Helper");
  }
}

// Only a scheduled step counts as the last change: a timer expiry or a retry of one, never the
// load's image, a tray command or a retry of one.
TEST_F(ChangeRetryTest, OnlyScheduledStepsAreRecordedAsTheLastChange) {
  struct Case {
    const char* name;
    std::vector<ChangeResult> results;
    void (*action)();
    std::uint64_t wait;  // then, before looking
    bool recorded;
  };
  const Case cases[] = {
      {"load", {}, loadSettingsAndApply, 0, false},
      {"tray command", {}, onBingNext, 0, false},
      {"retried tray command", {kOffline}, onWikipediaPrevious, kMinute, false},
      {"timer expiry", {}, [] {}, kHour, true},
      {"failed timer expiry", {kOffline}, [] {}, kHour, false},
      {"retried timer expiry", {kOffline}, [] {}, kHour + kMinute, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SetUp();
    runBing(1);
    loadSettingsAndApply();
    scriptSourceResults(c.results);
    c.action();
    fake::advanceClock(c.wait);
    EXPECT_EQ(storedDword(kValueLastChange),
              c.recorded ? std::optional<std::uint32_t>(secondsNow()) : std::nullopt);
  }
}

// A wake from sleep that owes a step runs the scheduled step still waiting for its retry, instead
// of stepping past its picture.
TEST_F(ChangeRetryTest, CatchingUpRunsTheRetryOfAScheduledStepInsteadOfSteppingAgain) {
  runBing(1);
  loadSettingsAndApply();
  scriptSourceResults({kOffline});
  fake::advanceClock(kHour);
  ASSERT_TRUE(retryDueIn());
  setDword(kValueLastChange, secondsNow() - 7'200);
  catchUpWithSchedule();
  EXPECT_EQ(sourceCalls(), (std::vector<SourceCall>{{"bing", 3}, {"bing", 2}, {"bing", 2}}));
  EXPECT_EQ(storedDword(kValueLastChange), secondsNow());
  EXPECT_FALSE(retryDueIn());
}

}  // namespace
}  // namespace pixoria::test
