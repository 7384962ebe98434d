// Starting programs and the autostart entry, in a private world of temporary folders.
#include "pixoria/platform/shell.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "support/child_process.h"
#include "windows/event_loop.h"
#include "windows/test_world.h"

namespace pixoria::platform {
namespace {

using test::TestWorld;

std::string readFile(const std::string& path) {
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

void writeFile(const std::string& path, const std::string& text, mode_t mode) {
  std::ofstream(path) << text;
  chmod(path.c_str(), mode);
}

// True once every child of this process has ended and been reaped, pumping the event loop (which
// reaps the children shellExecute started) for up to five seconds.
bool allChildrenReaped() {
  for (int i = 0; i < 500; ++i) {
    siginfo_t info{};
    if (waitid(P_ALL, 0, &info, WEXITED | WNOHANG | WNOWAIT) != 0 && errno == ECHILD) {
      return true;
    }
    posix::EventLoop::instance().dispatchPending();
    usleep(10'000);
  }
  return false;
}

TEST(ShellExecuteTest, StartsTheProgramInItsWorkingFolderAndReapsIt) {
  TestWorld world;
  const std::string workFolder = world.makeFolder("work folder");
  const std::string program = world.root() + "/record pwd";
  writeFile(program, "#!/bin/sh\npwd > pwd.txt.tmp && mv pwd.txt.tmp pwd.txt\n", 0755);

  ASSERT_TRUE(shellExecute(program, workFolder, ShowMode::showNormal));
  const std::string recorded = workFolder + "/pwd.txt";
  for (int i = 0; i < 500 && access(recorded.c_str(), F_OK) != 0; ++i) {
    usleep(10'000);
  }
  EXPECT_EQ(readFile(recorded), workFolder + "\n");
  EXPECT_TRUE(allChildrenReaped()) << "a zombie was left behind";
}

TEST(ShellExecuteTest, FailsForWhatCannotBeStarted) {
  TestWorld world;
  const std::string folder = world.root();
  const std::string notExecutable = folder + "/plain.txt";
  writeFile(notExecutable, "#!/bin/sh\nexit 0\n", 0644);
  const std::string executable = folder + "/fine";
  writeFile(executable, "#!/bin/sh\nexit 0\n", 0755);

  EXPECT_FALSE(shellExecute(folder + "/missing", folder, ShowMode::showNormal));
  EXPECT_FALSE(shellExecute(notExecutable, folder, ShowMode::showNormal));
  EXPECT_FALSE(shellExecute(folder, folder, ShowMode::showNormal)) << "a folder";
  EXPECT_FALSE(shellExecute(executable, folder + "/no such folder", ShowMode::showNormal));
  EXPECT_FALSE(shellExecute("", folder, ShowMode::showNormal));
  EXPECT_TRUE(allChildrenReaped()) << "a failed start left a child";
}

class AutostartTest : public ::testing::Test {
 protected:
  void SetUp() override {
    world.setVariable("HOME", world.root().c_str());
    world.setVariable("XDG_CONFIG_HOME", nullptr);
  }
  std::string entryPath(const std::string& name) {
    return world.root() + "/.config/autostart/" + name + ".desktop";
  }
  TestWorld world;
};

TEST_F(AutostartTest, WritesAnEntryThatStartsTheProgram) {
  ASSERT_TRUE(setAutostartEntry("PixoriaHelper", "/usr/bin/pixoria-helper"));
  EXPECT_EQ(readFile(entryPath("PixoriaHelper")),
            "[Desktop Entry]\n"
            "Type=Application\n"
            "Name=PixoriaHelper\n"
            "Exec=/usr/bin/pixoria-helper\n"
            "TryExec=/usr/bin/pixoria-helper\n"
            "X-GNOME-Autostart-enabled=true\n");
  struct stat info {};
  ASSERT_EQ(stat(entryPath("PixoriaHelper").c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0644u);

  // Replaced in place, no temporary files left beside it.
  ASSERT_TRUE(setAutostartEntry("PixoriaHelper", "/opt/pixoria/helper"));
  EXPECT_NE(readFile(entryPath("PixoriaHelper")).find("Exec=/opt/pixoria/helper\n"),
            std::string::npos);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(world.root() + "/.config/autostart"),
                          std::filesystem::directory_iterator()),
            1);

  EXPECT_TRUE(removeAutostartEntry("PixoriaHelper"));
  EXPECT_NE(access(entryPath("PixoriaHelper").c_str(), F_OK), 0);
  EXPECT_TRUE(removeAutostartEntry("PixoriaHelper")) << "already absent";
}

TEST_F(AutostartTest, QuotesTheProgramPathByTheDesktopEntryRules) {
  const std::string config = world.makeFolder("config");
  world.setVariable("XDG_CONFIG_HOME", config.c_str());
  struct Case {
    std::string path;
    std::string exec;
  };
  const Case cases[] = {
      {"/opt/My Apps/helper", R"(Exec="/opt/My Apps/helper")"},
      {"/opt/100%/helper", R"(Exec=/opt/100%%/helper)"},
      {R"(/opt/a"b$c`d/helper)", R"(Exec="/opt/a\\"b\\$c\\`d/helper")"},
      {R"(/opt/back\slash)", R"(Exec="/opt/back\\\\slash")"},
      {"/opt/new\nline", R"(Exec="/opt/new\nline")"},
  };
  for (const Case& c : cases) {
    ASSERT_TRUE(setAutostartEntry("Pixoria Helper", c.path));
    const std::string text = readFile(config + "/autostart/Pixoria Helper.desktop");
    EXPECT_NE(text.find("\n" + c.exec + "\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\nName=Pixoria Helper\n"), std::string::npos) << text;
  }
  EXPECT_FALSE(setAutostartEntry("../escape", "/bin/true"));
  EXPECT_FALSE(setAutostartEntry("", "/bin/true"));
  EXPECT_FALSE(removeAutostartEntry(".."));
}

// systemd's autostart generator is what a systemd session runs over the autostart folders; it
// turns each entry the session would start into a unit and skips the others.
constexpr const char* kAutostartGenerator =
    "/usr/lib/systemd/user-generators/systemd-xdg-autostart-generator";

// The unit the generator makes for the entry, or "" when it made none.
std::string generatedUnit(TestWorld& world, const std::string& entryName) {
  const std::string units = world.root() + "/units";
  std::filesystem::remove_all(units);
  std::filesystem::create_directories(units);
  world.setVariable("XDG_CONFIG_DIRS", (world.root() + "/no-system-config").c_str());
  EXPECT_TRUE(test::runProgram({kAutostartGenerator, units, units, units}));
  return readFile(units + "/app-" + entryName + "@autostart.service");
}

TEST_F(AutostartTest, TheSessionSkipsTheEntryOnceTheProgramIsRemoved) {
  if (access(kAutostartGenerator, X_OK) != 0) {
    GTEST_SKIP() << kAutostartGenerator << " is missing (Debian: systemd)";
  }
  const std::string program = world.makeFolder("Program Files") + "/PixoriaHelper";
  writeFile(program, "#!/bin/sh\nexit 0\n", 0755);
  ASSERT_TRUE(setAutostartEntry("LumivexGlass", program));

  const std::string unit = generatedUnit(world, "LumivexGlass");
  EXPECT_NE(unit.find(program), std::string::npos) << "the session starts the program:\n" << unit;

  ASSERT_EQ(unlink(program.c_str()), 0);
  EXPECT_EQ(generatedUnit(world, "LumivexGlass"), "") << "an entry for a removed program is run";
}

}  // namespace
}  // namespace pixoria::platform
