#include "agent/agent_program.h"

#include "agent/agent_test_fixture.h"
#include "agent/online_source_doubles.h"
#include "agent/show_main_program.h"
#include "agent/wallpaper_files.h"
#include "agent/wallpaper_setter.h"
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

}  // namespace
}  // namespace pixoria::test
