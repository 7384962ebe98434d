#include "agent/change_schedule.h"

#include "agent/agent_test_fixture.h"
#include "agent/online_source_doubles.h"
#include "agent/wallpaper_setter.h"

namespace pixoria::test {
namespace {

constexpr std::uint64_t kHour = 3'600'000;

class ChangeScheduleTest : public AgentTest {
 protected:
  void SetUp() override {
    AgentTest::SetUp();
    resetSourceDoubles();
  }

  void enableWithSource(std::uint32_t source) {
    setDword(kValueEnabled, 1);
    setDword(kValueSource, source);
  }

  void setCustomList(const std::vector<std::string>& files) {
    setDword(kValueCustomCount, static_cast<std::uint32_t>(files.size()));
    for (std::size_t position = 0; position < files.size(); ++position) {
      setString("CustomFile" + std::to_string(position), files[position]);
    }
  }

  // The files set on the one fake monitor, in order.
  static std::vector<std::string> setFiles() {
    std::vector<std::string> files;
    for (const fake::DesktopCall& call : fake::desktopCalls()) {
      if (call.what == "set") {
        files.push_back(call.path);
      }
    }
    return files;
  }
};

TEST_F(ChangeScheduleTest, IntervalIsTimeIndexUnitsOfHoursOrDays) {
  EXPECT_EQ(changeIntervalMs(1, 0), 3'600'000u);
  EXPECT_EQ(changeIntervalMs(12, 1), 1'036'800'000u);
  EXPECT_EQ(changeIntervalMs(3, 5), 3u * 86'400'000u);    // any non-zero period means days
  EXPECT_EQ(changeIntervalMs(0, 0), 3'600'000u);          // never a 0 ms timer
  EXPECT_EQ(changeIntervalMs(50, 1), 50u * 86'400'000u);  // the unsigned product wraps
  EXPECT_EQ(changeIntervalMs(1u << 22, 1), 86'400'000u);  // and never wraps to 0
}

TEST_F(ChangeScheduleTest, StoppedLoadReadsButAppliesNothing) {
  setDword(kValueRegion, 2);
  loadSettingsAndApply();
  EXPECT_TRUE(sourceCalls().empty());
  EXPECT_EQ(fake::runningTimerCount(), 0u);
  EXPECT_EQ(listDay, 8u);
  EXPECT_EQ(fake::debugOutput(), "\nforce: \n1");
  for (int index = 0; index < 8; ++index) {
    EXPECT_EQ(agentSettings.bingFeedUrls[index],
              "https://bing.test/HPImageArchive.aspx?format=xml&idx=" + std::to_string(index) +
                  "&n=1&mkt=en-ES");
  }
}

TEST_F(ChangeScheduleTest, RegionOutsideTheTableMeansTheFirstMarket) {
  setDword(kValueRegion, 11);
  loadSettingsAndApply();
  EXPECT_EQ(agentSettings.bingFeedUrls[7],
            "https://bing.test/HPImageArchive.aspx?format=xml&idx=7&n=1&mkt=en-US");
}

TEST_F(ChangeScheduleTest, RunningLoadAppliesTheStoredIndexThenArmsTheInterval) {
  enableWithSource(kSourceWikipedia);
  setDword(kValueWikipediaCurrentIndex, 4);
  setDword(kValueTimeIndex, 2);
  wallpaperURL = "https://old";
  loadSettingsAndApply();
  EXPECT_EQ(sourceCalls(), (std::vector<SourceCall>{{"wikipedia", 4}}));
  EXPECT_TRUE(wallpaperURL.empty());
  EXPECT_EQ(fake::timerPeriod(agentWindow, TIMER_CHANGE), 2 * kHour);

  // A reload halfway applies the same index again and restarts the whole interval.
  fake::advanceClock(kHour);
  loadSettingsAndApply();
  EXPECT_EQ(sourceCalls().back(), (SourceCall{"wikipedia", 4}));
  EXPECT_EQ(fake::timerDueIn(agentWindow, TIMER_CHANGE), 2 * kHour);
}

TEST_F(ChangeScheduleTest, EachSourceIsDispatchedWithItsOwnStoredIndex) {
  setDword(kValueEnabled, 1);
  setDword(kValueBingCurrentIndex, 3);
  setDword(kValueNasaCurrentIndex, 5);
  loadSettingsAndApply();
  setDword(kValueSource, kSourceNasa);
  loadSettingsAndApply();
  EXPECT_EQ(sourceCalls(), (std::vector<SourceCall>{{"bing", 3}, {"nasa", 5}}));
}

TEST_F(ChangeScheduleTest, BingStepsTowardsTheNewestAndWraps) {
  enableWithSource(kSourceBing);
  setDword(kValueBingCurrentIndex, 1);
  loadSettingsAndApply();
  fake::advanceClock(3 * kHour);
  EXPECT_EQ(sourceCalls(),
            (std::vector<SourceCall>{{"bing", 1}, {"bing", 0}, {"bing", 7}, {"bing", 6}}));
  onBingPrevious();  // 6 -> 7
  onBingPrevious();  // 7 wraps to 0
  EXPECT_EQ(agentSettings.bingIndex, 0);
  agentSettings.bingIndex = INT32_MIN;  // anything can come from the registry
  onBingNext();
  EXPECT_EQ(agentSettings.bingIndex, INT32_MAX);
}

TEST_F(ChangeScheduleTest, FeedListsWrapByTheirSizeBeforeTheCall) {
  setNasaListSize(7);
  setWikipediaListSize(0);
  agentSettings.nasaIndex = 0;
  onNasaNext();
  EXPECT_EQ(agentSettings.nasaIndex, 6);
  onNasaPrevious();
  EXPECT_EQ(agentSettings.nasaIndex, 0);
  agentSettings.nasaIndex = -5;
  onNasaPrevious();  // a negative index always wraps to the first entry
  EXPECT_EQ(agentSettings.nasaIndex, 0);

  // With an empty list, Next passes -1 and Previous passes the index on for the source to check.
  agentSettings.wikiIndex = 0;
  onWikipediaNext();
  EXPECT_EQ(agentSettings.wikiIndex, -1);
  agentSettings.wikiIndex = 41;
  onWikipediaPrevious();
  EXPECT_EQ(agentSettings.wikiIndex, 42);
  EXPECT_EQ(sourceCalls().back(), (SourceCall{"wikipedia", 42}));
}

TEST_F(ChangeScheduleTest, CustomListStepsForwardAndRecordsEachStep) {
  enableWithSource(kSourceCustom);
  setCustomList({"/a", "/b", "/c"});
  setDword(kValueCustomIndex, 1);
  loadSettingsAndApply();
  EXPECT_EQ(setFiles(), (std::vector<std::string>{"/b"}));  // applied, not recorded
  EXPECT_TRUE(fake::registryWrites().empty());

  agentSettings.multiMonitor = true;
  fake::setMonitors({"L", "R"});
  fake::clearDesktopCalls();
  fake::advanceClock(kHour);  // 1 -> 2: the pair (2, 0); monitor 0 shows the second image
  EXPECT_EQ(setFiles(), (std::vector<std::string>{"/a", "/c"}));
  EXPECT_EQ(storedDword(kValueCustomIndex), 2u);
  fake::clearDesktopCalls();
  fake::advanceClock(kHour);  // 2 -> 3 wraps to 0: the pair (0, 1)
  EXPECT_EQ(setFiles(), (std::vector<std::string>{"/b", "/a"}));
  EXPECT_EQ(storedDword(kValueCustomIndex), 0u);
}

TEST_F(ChangeScheduleTest, CustomListOfOneAndOfNone) {
  enableWithSource(kSourceCustom);
  setCustomList({"/only"});
  loadSettingsAndApply();
  fake::advanceClock(2 * kHour);
  EXPECT_EQ(setFiles(), (std::vector<std::string>{"/only", "/only", "/only"}));
  EXPECT_EQ(storedDword(kValueCustomIndex), 0u);

  // Empty: nothing is set, yet the index grows and is recorded at every step.
  setCustomList({});
  setDword(kValueCustomIndex, 0);
  loadSettingsAndApply();
  fake::clearDesktopCalls();
  fake::advanceClock(2 * kHour);
  EXPECT_TRUE(setFiles().empty());
  EXPECT_EQ(storedDword(kValueCustomIndex), 2u);
}

TEST_F(ChangeScheduleTest, StoredCustomIndexOutsideTheListStartsAtTheFirst) {
  enableWithSource(kSourceCustom);
  setCustomList({"/a", "/b"});
  setDword(kValueCustomIndex, 0xFFFFFFFF);
  loadSettingsAndApply();
  EXPECT_EQ(setFiles(), (std::vector<std::string>{"/a"}));
  EXPECT_EQ(agentSettings.customIndex, 0);
}

TEST_F(ChangeScheduleTest, AnUnknownSourceNumberRunsTheCustomList) {
  enableWithSource(9);
  setCustomList({"/a", "/b"});
  loadSettingsAndApply();
  fake::advanceClock(kHour);
  EXPECT_TRUE(sourceCalls().empty());
  EXPECT_EQ(setFiles(), (std::vector<std::string>{"/a", "/b"}));
  EXPECT_EQ(storedDword(kValueCustomIndex), 1u);
}

TEST_F(ChangeScheduleTest, MenuCommandsActOnTheirOwnSourceAndLeaveTheInterval) {
  enableWithSource(kSourceWikipedia);
  setDword(kValueWikipediaCurrentIndex, 2);
  setWikipediaListSize(7);
  loadSettingsAndApply();
  fake::advanceClock(kHour / 2);
  onBingNext();
  EXPECT_EQ(sourceCalls().back(), (SourceCall{"bing", 7}));
  EXPECT_EQ(fake::timerDueIn(agentWindow, TIMER_CHANGE), kHour / 2);
  fake::advanceClock(kHour / 2);
  EXPECT_EQ(sourceCalls().back(), (SourceCall{"wikipedia", 1}));
}

TEST_F(ChangeScheduleTest, DisableStopsAtOnceAndEnableWaitsForAReload) {
  enableWithSource(kSourceBing);
  loadSettingsAndApply();
  disableChanger();
  EXPECT_EQ(fake::runningTimerCount(), 0u);
  fake::advanceClock(10 * kHour);
  EXPECT_EQ(sourceCalls().size(), 1u);
  onBingNext();  // the menu still works
  EXPECT_EQ(sourceCalls().size(), 2u);

  enableChanger();
  EXPECT_TRUE(agentSettings.enabled);
  EXPECT_EQ(fake::runningTimerCount(), 0u);
  loadSettingsAndApply();
  EXPECT_EQ(fake::timerPeriod(agentWindow, TIMER_CHANGE), kHour);
}

TEST_F(ChangeScheduleTest, LoadFindingTheChangerStoppedLetsTheTimerStopItself) {
  enableWithSource(kSourceBing);
  loadSettingsAndApply();
  setDword(kValueEnabled, 0);
  loadSettingsAndApply();
  EXPECT_EQ(fake::runningTimerCount(), 1u);
  fake::advanceClock(kHour);
  EXPECT_EQ(fake::runningTimerCount(), 0u);
  EXPECT_EQ(sourceCalls().size(), 1u);
}

}  // namespace
}  // namespace pixoria::test
