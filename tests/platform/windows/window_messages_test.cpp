// Windows as sockets between real processes: finding, posting, ordering, and what a window
// refuses (other users, malformed datagrams, an unsafe folder, a name that is taken).
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "pixoria/platform/messages.h"
#include "pixoria/platform/windows.h"
#include "windows/peer_process.h"
#include "windows/socket_folder.h"
#include "windows/socket_name.h"
#include "windows/test_world.h"

namespace pixoria::platform {
namespace {

using test::PeerProcess;
using test::TestWorld;

constexpr const char* kClass = "PIXORIA";
// Slashes, dots and a length beyond a socket address: both processes must agree on a hashed name.
const std::string kLongTitle = "Corvane/../Pixoria Helper " + std::string(120, 'x');

struct Received {
  std::uint32_t message;
  WParam wParam;
  LParam lParam;
};
std::vector<Received> received;

LResult recordingProc(WindowHandle window, std::uint32_t message, WParam wParam, LParam lParam) {
  if (message < kWmUser) {
    return defWindowProc(window, message, wParam, lParam);
  }
  received.push_back({message, wParam, lParam});
  if (message == kWmUser + 99) {
    postQuitMessage(0);
  }
  return 0;
}

void quitAfterTimeout(WindowHandle, std::uint32_t, std::uintptr_t, std::uint32_t) {
  postQuitMessage(-1);
}

class WindowMessagesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    world.setVariable("XDG_RUNTIME_DIR", world.root().c_str());
    registerWindowClass(kClass, recordingProc);
    received.clear();
  }

  // Runs this process's loop until kWmUser+99 arrives (or 5 s pass).
  void runUntilSentinel(WindowHandle window) {
    setTimer(window, 4242, 5000, quitAfterTimeout);
    EXPECT_EQ(runMessageLoop(), 0) << "the sentinel message never arrived";
    killTimer(window, 4242);
  }

  std::string socketPath(const std::string& title) {
    std::string folder;
    std::string path;
    EXPECT_TRUE(posix::prepareSocketFolder(folder));
    EXPECT_TRUE(posix::windowSocketPath(folder, kClass, title, path));
    return path;
  }

  TestWorld world;
};

TEST_F(WindowMessagesTest, PeerFindsWindowAndMessagesArriveInOrderOfPosting) {
  PeerProcess peer({kClass, kLongTitle});
  ASSERT_EQ(peer.readLine(), "ready");
  // The peer has posted kWmUser+1 to itself; ours goes between its two own posts.
  WindowHandle window = findWindow(kClass, kLongTitle);
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(findWindow(kClass, kLongTitle), window) << "handles are interned per window";
  EXPECT_EQ(findWindow(kClass, "Another title"), nullptr);
  EXPECT_EQ(findWindow("OTHER", kLongTitle), nullptr);
  ASSERT_TRUE(postMessage(window, kWmUser + 2, UINTPTR_MAX, -5));
  peer.writeLine("go");
  EXPECT_EQ(peer.readLine(), "1025 1 0");
  EXPECT_EQ(peer.readLine(), "1026 18446744073709551615 -5");
  EXPECT_EQ(peer.readLine(), "1027 3 0");
  ASSERT_TRUE(postMessage(window, kWmClose, 0, 0));
  EXPECT_EQ(peer.readLine(), "close");
  EXPECT_EQ(peer.waitForExit(), 0);

  // The peer destroyed its window: the handle stays valid but the window is gone.
  EXPECT_FALSE(postMessage(window, kWmUser, 0, 0));
  EXPECT_EQ(findWindow(kClass, kLongTitle), nullptr);
}

TEST_F(WindowMessagesTest, LiveNameIsRefusedAndStaleSocketIsReplaced) {
  PeerProcess peer({kClass, "Helper"});
  ASSERT_EQ(peer.readLine(), "ready");
  EXPECT_EQ(createWindow(kClass, "Helper"), nullptr) << "another process's live window";
  PeerProcess second({kClass, "Helper"});
  EXPECT_EQ(second.readLine(), "taken");
  EXPECT_EQ(second.waitForExit(), 3);

  // A crash leaves the socket file behind with no listener.
  peer.killHard();
  struct stat info {};
  ASSERT_EQ(lstat(socketPath("Helper").c_str(), &info), 0);
  EXPECT_EQ(findWindow(kClass, "Helper"), nullptr) << "a stale socket is not a window";

  WindowHandle window = createWindow(kClass, "Helper");
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(findWindow(kClass, "Helper"), window);
  EXPECT_EQ(createWindow(kClass, "Helper"), nullptr) << "our own live window";
  EXPECT_TRUE(destroyWindow(window));
  EXPECT_FALSE(destroyWindow(window));
  EXPECT_NE(lstat(socketPath("Helper").c_str(), &info), 0) << "destroying unlinks the socket";
}

int sendRaw(const std::string& path, const void* bytes, std::size_t size) {
  const int fd = socket(AF_UNIX, SOCK_DGRAM, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::strncpy(address.sun_path, path.c_str(), sizeof(address.sun_path) - 1);
  const ssize_t sent =
      sendto(fd, bytes, size, 0, reinterpret_cast<sockaddr*>(&address), sizeof(address));
  close(fd);
  return static_cast<int>(sent);
}

TEST_F(WindowMessagesTest, DropsMalformedDatagramsAndOtherUsers) {
  WindowHandle window = createWindow(kClass, "Agent");
  ASSERT_NE(window, nullptr);
  const std::string path = socketPath("Agent");

  unsigned char bytes[21] = {};
  const std::uint32_t message = kWmUser + 7;
  std::memcpy(bytes, &message, sizeof(message));
  ASSERT_EQ(sendRaw(path, bytes, 19), 19);
  ASSERT_EQ(sendRaw(path, bytes, 21), 21);
  ASSERT_EQ(sendRaw(path, bytes, 0), 0);

  if (getuid() == 0) {
    // The child reaches the socket while still root, then becomes nobody and sends a well-formed
    // record: the kernel stamps it with the new user id.
    const pid_t child = fork();
    if (child == 0) {
      const int fd = socket(AF_UNIX, SOCK_DGRAM, 0);
      sockaddr_un address{};
      address.sun_family = AF_UNIX;
      std::strncpy(address.sun_path, path.c_str(), sizeof(address.sun_path) - 1);
      if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0) {
        _exit(1);
      }
      if (setgid(65534) != 0 || setuid(65534) != 0) {
        _exit(2);
      }
      _exit(send(fd, bytes, 20, 0) == 20 ? 0 : 3);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "child status " << status;
  }
  ASSERT_EQ(sendRaw(path, bytes, 20), 20) << "a well-formed record from this user";
  ASSERT_TRUE(postMessage(window, kWmUser + 99, 0, 0));
  runUntilSentinel(window);

  ASSERT_EQ(received.size(), 2u);
  EXPECT_EQ(received[0].message, kWmUser + 7);
  EXPECT_EQ(received[1].message, kWmUser + 99);
  destroyWindow(window);
  if (getuid() != 0) {
    GTEST_SKIP() << "the other-user case needs root";
  }
}

TEST_F(WindowMessagesTest, SocketFolderIsPrivateAndAnUnsafeOneIsRefused) {
  WindowHandle window = createWindow(kClass, "Agent");
  ASSERT_NE(window, nullptr);
  const std::string folder = world.root() + "/pixoria";
  struct stat info {};
  ASSERT_EQ(lstat(folder.c_str(), &info), 0);
  EXPECT_TRUE(S_ISDIR(info.st_mode));
  EXPECT_EQ(info.st_mode & 0777, 0700u);
  destroyWindow(window);

  ASSERT_EQ(chmod(folder.c_str(), 0755), 0);
  EXPECT_EQ(createWindow(kClass, "Agent"), nullptr);
  EXPECT_EQ(findWindow(kClass, "Agent"), nullptr);
  ASSERT_EQ(lstat(folder.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0755u) << "the folder is reported, not repaired";

  // A symbolic link to a private folder is not the folder.
  const std::string elsewhere = world.makeFolder("elsewhere");
  ASSERT_EQ(chmod(elsewhere.c_str(), 0700), 0);
  ASSERT_GT(std::filesystem::remove_all(folder), 0u);
  ASSERT_EQ(symlink(elsewhere.c_str(), folder.c_str()), 0);
  EXPECT_EQ(createWindow(kClass, "Agent"), nullptr);
  ASSERT_EQ(unlink(folder.c_str()), 0);

  if (getuid() != 0) {
    GTEST_SKIP() << "a folder of another user needs root to make";
  }
  ASSERT_EQ(mkdir(folder.c_str(), 0700), 0);
  ASSERT_EQ(chown(folder.c_str(), 65534, 65534), 0);
  EXPECT_EQ(createWindow(kClass, "Agent"), nullptr);
  EXPECT_EQ(findWindow(kClass, "Agent"), nullptr);
  ASSERT_EQ(lstat(folder.c_str(), &info), 0);
  EXPECT_EQ(info.st_uid, 65534u) << "someone else's folder is left alone";
}

TEST(SocketFolderPathTest, FallsBackToTmpWhenRuntimeDirIsUnsetOrRelative) {
  TestWorld world;
  const std::string fallback = "/tmp/pixoria-" + std::to_string(getuid());
  world.setVariable("XDG_RUNTIME_DIR", nullptr);
  EXPECT_EQ(posix::socketFolderPath(), fallback);
  world.setVariable("XDG_RUNTIME_DIR", "run/user");
  EXPECT_EQ(posix::socketFolderPath(), fallback);
  world.setVariable("XDG_RUNTIME_DIR", "/run/user/1000/");
  EXPECT_EQ(posix::socketFolderPath(), "/run/user/1000/pixoria");
}

TEST(SocketNameTest, AnyTitleGivesOneSafeDistinctName) {
  const std::vector<std::pair<std::string, std::string>> windows = {
      {"PIXORIA", "Corvane Pixoria Helper"},
      {"PIXORIA", ".."},
      {"PIXORIA", "a/b"},
      {"PIXORIA", ""},
      {"PIXORIA", std::string("nul\0byte", 8)},
      {"PIXORIA", "%2F"},
      {"PIXORIA.x", "y"},
      {"PIXORIA", "x.y"}};
  std::vector<std::string> names;
  for (const auto& [className, title] : windows) {
    const std::string name = posix::windowSocketName(className, title);
    EXPECT_EQ(name.find_first_of(std::string("/\0", 2)), std::string::npos) << name;
    EXPECT_NE(name, "..");
    for (const std::string& other : names) {
      EXPECT_NE(name, other);
    }
    names.push_back(name);
  }
  EXPECT_NE(posix::hashedWindowSocketName("ab", "c"), posix::hashedWindowSocketName("a", "bc"));

  std::string path;
  const std::string folder = "/run/user/1000/pixoria";
  ASSERT_TRUE(posix::windowSocketPath(folder, "PIXORIA", std::string(200, 't'), path));
  EXPECT_LT(path.size(), sizeof(sockaddr_un::sun_path));
  EXPECT_EQ(path.rfind(folder + "/h-", 0), 0u) << path;
  EXPECT_FALSE(posix::windowSocketPath(std::string(100, 'f'), "PIXORIA", "t", path));
}

}  // namespace
}  // namespace pixoria::platform
