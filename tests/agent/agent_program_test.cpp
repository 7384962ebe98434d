#include "agent/agent_program.h"

#include "agent/agent_test_fixture.h"
#include "agent/change_retry.h"
#include "agent/online_source_doubles.h"
#include "agent/show_main_program.h"
#include "agent/wallpaper_setter.h"
#include "pixoria/common/wallpaper_files.h"
#include "pixoria/platform/folders.h"

namespace pixoria::test {
namespace {

namespace pf = platform;

// The configuration application's file in `folder`, as the platform spells paths.
std::string programIn(const std::string& folder) {
  return folder + pf::kPathSeparator + "Pixoria" + std::string(pf::kProgramSuffix);
}

struct Posted {
  std::uint32_t message;
  pf::WParam wParam;
};
std::vector<Posted> postedToApp;

pf::LResult recordAppWindow(pf::WindowHandle, std::uint32_t message, pf::WParam wParam,
                            pf::LParam) {
  postedToApp.push_back({message, wParam});
  return 0;
}

class AgentProgramTest : public AgentTest {
 protected:
  void SetUp() override {
    AgentTest::SetUp();
    resetSourceDoubles();
    postedToApp.clear();
    pf::registerWindowClass(kAgentWindowClass, agentWindowProc);
    agentWindow = pf::createWindow(kAgentWindowClass, "agent under test");
    agentInitialize();
  }

  void post(std::uint32_t message, pf::WParam wParam = 0, pf::LParam lParam = 0) {
    pf::postMessage(agentWindow, message, wParam, lParam);
    fake::dispatchPosted();
  }
};

TEST_F(AgentProgramTest, MenusHaveTheirEntriesInOrder) {
  using E = fake::MenuEntry;
  const std::vector<E> expected = {
      {"Bing Daily Wallpapers", 0, {{"Next Image", 307, {}}, {"Previous Image", 308, {}}}},
      {"NASA Daily Wallpapers", 0, {{"Next Image", 309, {}}, {"Previous Image", 310, {}}}},
      {"Wikipedia Daily Wallpapers", 0, {{"Next Image", 322, {}}, {"Previous Image", 323, {}}}},
      {"Configuration", 208, {}},
      {"Close", 210, {}}};
  ASSERT_EQ(fake::notifyIconAddCalls(), 0);
  EXPECT_TRUE(pf::notifyIconAdd({agentWindow, 1, 0, 0, 0, "", nullptr}));
  pf::postMessage(agentWindow, AGENT_MSG_ADD_ICON, 0, 0);
  fake::dispatchPosted();
  ASSERT_EQ(fake::shownIcons().size(), 2u);
  const pf::NotifyIconData& icon = fake::shownIcons()[1];
  EXPECT_EQ(icon.id, 1010u);
  EXPECT_EQ(icon.flags, 7u);
  EXPECT_EQ(icon.callbackMessage, 1034u);
  EXPECT_EQ(icon.tip, "Pixoria Helper");
  EXPECT_EQ(fake::menuEntries(icon.contextMenu), expected);
}

TEST_F(AgentProgramTest, CommandsReachTheirHandlersAndOthersAreIgnored) {
  post(pf::kWmCommand, 307);
  post(pf::kWmCommand, 310);
  post(pf::kWmCommand, 0x10000 | 322);  // only the low word names the command
  post(pf::kWmCommand, 104);
  EXPECT_EQ(sourceCalls(), (std::vector<SourceCall>{{"bing", 7}, {"nasa", 1}, {"wikipedia", -1}}));
}

TEST_F(AgentProgramTest, EnableReloadAndDisableMessages) {
  setDword(kValueEnabled, 1);
  post(AGENT_MSG_ENABLE);
  EXPECT_EQ(fake::runningTimerCount(), 0u);
  post(AGENT_MSG_RELOAD);
  EXPECT_EQ(sourceCalls().size(), 1u);
  EXPECT_EQ(fake::timerPeriod(agentWindow, TIMER_CHANGE), 3'600'000u);
  post(AGENT_MSG_RELOAD_ALT);
  EXPECT_EQ(sourceCalls().size(), 2u);
  post(AGENT_MSG_DISABLE);
  EXPECT_EQ(fake::runningTimerCount(), 0u);
}

TEST_F(AgentProgramTest, CloseAndWmCloseQuitTheLoop) {
  post(pf::kWmCommand, 210);
  EXPECT_EQ(pf::runMessageLoop(), 0);
  pf::postMessage(agentWindow, pf::kWmClose, 0, 0);
  EXPECT_EQ(pf::runMessageLoop(), 0);
}

TEST_F(AgentProgramTest, TrayClicksOpenTheApplicationOrTrackTheMenu) {
  agentSettings.installPath = "/opt/pixoria";
  post(AGENT_MSG_TRAY, 0, pf::kWmRButtonDown);
  EXPECT_EQ(fake::trackedMenus(), 1);
  post(AGENT_MSG_TRAY, 0, pf::kWmLButtonDown);
  EXPECT_TRUE(fake::startedPrograms().empty());
  post(AGENT_MSG_TRAY, 0, pf::kWmLButtonDblClk);
  ASSERT_EQ(fake::startedPrograms().size(), 1u);
  EXPECT_EQ(fake::startedPrograms()[0].file, programIn("/opt/pixoria"));
  EXPECT_EQ(fake::startedPrograms()[0].workingFolder, "/opt/pixoria");
}

TEST_F(AgentProgramTest, AnOpenApplicationIsRestoredInsteadOfStarted) {
  pf::registerWindowClass(kAppWindowClass, recordAppWindow);
  pf::createWindow(kAppWindowClass, kAppWindowTitle);
  post(pf::kWmCommand, 208);
  fake::dispatchPosted();
  EXPECT_TRUE(fake::startedPrograms().empty());
  ASSERT_EQ(postedToApp.size(), 1u);
  EXPECT_EQ(postedToApp[0].message, pf::kWmSysCommand);
  EXPECT_EQ(postedToApp[0].wParam, pf::kScRestore);
}

TEST_F(AgentProgramTest, WithoutPathTheAgentsOwnFolderIsUsedAndFailuresAreShown) {
  fake::setCurrentDirectory("/usr/lib/pixoria");  // the fake's executable folder
  fake::failProgramStarts(true);
  ShowMainProgram();
  EXPECT_EQ(fake::debugOutput(), "ShowMainProgram");
  ASSERT_EQ(fake::messageBoxes().size(), 1u);
  EXPECT_EQ(fake::messageBoxes()[0].title, "Error");
  EXPECT_EQ(fake::messageBoxes()[0].text, "Cannot open Pixoria main app.");
  fake::failProgramStarts(false);
  ShowMainProgram();
  EXPECT_EQ(fake::startedPrograms()[0].file, programIn("/usr/lib/pixoria"));
}

TEST_F(AgentProgramTest, ASecondAgentLeavesTheFirstAlone) {
  pf::createWindow(kAgentWindowClass, kAgentWindowTitle);
  const int addsBefore = fake::notifyIconAddCalls();
  EXPECT_EQ(runAgent(), 0);
  EXPECT_EQ(fake::notifyIconAddCalls(), addsBefore);
  EXPECT_TRUE(fake::registryReads().empty());
  EXPECT_TRUE(fake::leftoversCleanups().empty()) << "the running agent's files are not ours";
}

TEST_F(AgentProgramTest, AStoppedAgentStartsLoadsAndShutsDownCleanly) {
  fake::resetPlatform();
  setString(kValuePath, "/opt/pixoria");
  pf::postMessage(nullptr, 0, 0, 0);
  EXPECT_EQ(runAgent(), -1);  // the fake loop ends when nothing is left to happen
  EXPECT_EQ(agentSettings.installPath, "/opt/pixoria");
  EXPECT_EQ(bingBaseRequestTable[0],
            "https://www.bing.com/HPImageArchive.aspx?format=xml&idx=0&n=1&mkt=");
  EXPECT_TRUE(fake::shownIcons().empty());  // deleted at shutdown
  EXPECT_EQ(fake::notifyIconAddCalls(), 1);
  EXPECT_EQ(fake::liveMenus(), 0);
  EXPECT_EQ(fake::debugOutput(), "\nforce: \n1");
}

// The wallpaper folder is swept only where the shell names it, never in the current directory.
TEST_F(AgentProgramTest, AStartingAgentSweepsWhatACrashLeftBehind) {
  for (const bool appDataKnown : {true, false}) {
    fake::resetPlatform();
    fake::setAppDataFolder(appDataKnown ? std::optional<std::string>("/home/ana/.local/share")
                                        : std::nullopt);
    pf::postMessage(nullptr, 0, 0, 0);
    EXPECT_EQ(runAgent(), -1);
    std::string wallpaperFolder;
    getWallpaperFolder(wallpaperFolder);
    ASSERT_EQ(fake::leftoversCleanups().size(), 1u);
    EXPECT_EQ(fake::leftoversCleanups()[0].wallpaperFolder,
              appDataKnown ? wallpaperFolder : std::string());
    EXPECT_EQ(fake::leftoversCleanups()[0].autostartEntryName, "LumivexGlass");
  }
}

// The schedule's answers to the machine's events, through the window procedure.
class AgentEventsTest : public AgentProgramTest {
 protected:
  static constexpr std::uint64_t kMinute = 60'000;
  static constexpr std::uint64_t kHour = 3'600'000;

  // Bing running at index 3, changing every hour, with the tray icon shown.
  void runBing() {
    setDword(kValueEnabled, 1);
    setDword(kValueSource, kSourceBing);
    setDword(kValueBingCurrentIndex, 3);
    post(AGENT_MSG_ADD_ICON);
  }

  static std::uint32_t secondsNow() {
    return static_cast<std::uint32_t>(fake::universalSeconds() + fake::now() / 1000);
  }

  static std::string shownTip() {
    return fake::shownIcons().empty() ? "(no icon)" : fake::shownIcons()[0].tip;
  }
};

ChangeResult failedWith(pf::TransferFailure kind, std::uint32_t status = 0) {
  return {ChangeFailure::transfer, {kind, status}};
}

// A burst of network events runs a pending retry once, within a second or so; without a pending
// retry they do nothing.
TEST_F(AgentEventsTest, TheNetworksReturnRunsAPendingRetryAtOnce) {
  for (const bool pending : {true, false}) {
    SCOPED_TRACE(pending ? "retry pending" : "nothing pending");
    SetUp();
    runBing();
    scriptSourceResults(pending
                            ? std::vector<ChangeResult>{failedWith(pf::TransferFailure::noNetwork)}
                            : std::vector<ChangeResult>{});
    post(AGENT_MSG_RELOAD);
    for (int event = 0; event < 3; ++event) {
      post(AGENT_MSG_NETWORK_CHANGED);
      fake::advanceClock(200);
    }
    fake::advanceClock(5'000 - 600);
    EXPECT_EQ(sourceCalls(), std::vector<SourceCall>(pending ? 2 : 1, {"bing", 3}));
    EXPECT_EQ(fake::runningTimerCount(), 1u);  // the change timer alone
    EXPECT_EQ(shownTip(), "Pixoria Helper");
  }
}

// A start and a wake from sleep keep the schedule's rhythm: one step when an interval or more has
// passed since the last scheduled change, else the current image and the rest of the interval.
TEST_F(AgentEventsTest, StartAndResumeCatchUpWithTheSchedule) {
  struct Case {
    const char* name;
    std::optional<std::int64_t> lastChangeSeconds;  // relative to now; nothing for absent
    bool steps;
    std::uint64_t changeDueIn;
  };
  const Case cases[] = {
      {"two intervals ago", -7'200, true, kHour},     {"one interval ago", -3'600, true, kHour},
      {"ten minutes ago", -600, false, 50 * kMinute}, {"absent", std::nullopt, false, kHour},
      {"in the future", 3'600, false, kHour},
  };
  for (const bool resume : {false, true}) {
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(resume ? "resume, " : "start, ") + c.name);
      SetUp();
      runBing();
      if (resume) {
        post(AGENT_MSG_RELOAD);
        fake::advanceClock(20 * kMinute);
        sourceCalls().clear();
      }
      const std::uint32_t now = secondsNow();
      if (c.lastChangeSeconds) {
        setDword(kValueLastChange, static_cast<std::uint32_t>(now + *c.lastChangeSeconds));
      }
      const std::optional<std::uint32_t> before = storedDword(kValueLastChange);
      if (resume) {
        post(pf::kWmPowerBroadcast, 0x4);  // going to sleep: nothing
        post(pf::kWmPowerBroadcast, pf::kPbtApmResumeAutomatic);
      } else {
        loadSettingsAndCatchUp();
      }
      EXPECT_EQ(sourceCalls(), (std::vector<SourceCall>{{"bing", c.steps ? 2 : 3}}));
      EXPECT_EQ(storedDword(kValueLastChange), c.steps ? std::optional(now) : before);
      EXPECT_EQ(fake::timerDueIn(agentWindow, TIMER_CHANGE), c.changeDueIn);
      fake::advanceClock(c.changeDueIn);
      EXPECT_EQ(sourceCalls().back(), (SourceCall{"bing", c.steps ? 1 : 2}));
      EXPECT_EQ(fake::timerDueIn(agentWindow, TIMER_CHANGE), kHour);  // whole from here on
    }
  }
}

// The second line says why the last change failed and when the next try comes, the retry or the
// scheduled change, whichever is first; an icon added again shows it too.
TEST_F(AgentEventsTest, TheTrayTipSaysHowTheLastChangeWent) {
  runBing();
  scriptSourceResults({failedWith(pf::TransferFailure::noNetwork),
                       failedWith(pf::TransferFailure::httpStatus, 503)});
  post(AGENT_MSG_RELOAD);  // local noon in the fake
  EXPECT_EQ(shownTip(),
            "Pixoria Helper\nCould not reach Bing (no network). Trying again at 12:01.");
  fake::advanceClock(kMinute);
  EXPECT_EQ(shownTip(),
            "Pixoria Helper\nCould not reach Bing (HTTP status 503). Trying again at 12:03.");
  pf::notifyIconDelete(fake::shownIcons()[0]);
  post(AGENT_MSG_ADD_ICON);  // a tray that came back
  EXPECT_EQ(shownTip(),
            "Pixoria Helper\nCould not reach Bing (HTTP status 503). Trying again at 12:03.");
  fake::advanceClock(2 * kMinute);
  EXPECT_EQ(shownTip(), "Pixoria Helper");
  post(pf::kWmCommand, IDM_BING_NEXT);
  EXPECT_EQ(fake::modifiedTips().size(), 3u);  // unchanged by a second success

  // A first delay as long as the interval: the scheduled change is the next try.
  setRetrySeconds("3600");
  scriptSourceResults({{ChangeFailure::unreadableImage, {}}});
  post(pf::kWmCommand, IDM_NASA_NEXT);
  EXPECT_EQ(shownTip(),
            "Pixoria Helper\nCould not use the NASA image (the image could not be read). Next "
            "change at 13:00.");
  EXPECT_FALSE(fake::timerDueIn(agentWindow, TIMER_RETRY));
}

// The watches are asked for at start and ended at shutdown; without them the agent runs on.
TEST_F(AgentEventsTest, TheAgentWatchesResumeAndTheNetworkWhileItRuns) {
  for (const bool watchable : {true, false}) {
    SCOPED_TRACE(watchable ? "watchable" : "no watches");
    fake::resetPlatform();
    fake::failSystemEventWatches(!watchable);
    pf::postMessage(nullptr, 0, 0, 0);
    EXPECT_EQ(runAgent(), -1);
    const fake::SystemEventWatches& watches = fake::systemEventWatches();
    EXPECT_EQ(watches.resume, watchable ? agentWindow : nullptr);
    EXPECT_EQ(watches.network, watchable ? agentWindow : nullptr);
    EXPECT_EQ(watches.networkMessage, watchable ? AGENT_MSG_NETWORK_CHANGED : 0u);
    EXPECT_EQ(watches.stopped, agentWindow);
    EXPECT_EQ(fake::debugOutput().find("Cannot watch") != std::string::npos, !watchable);
  }
}

}  // namespace
}  // namespace pixoria::test
