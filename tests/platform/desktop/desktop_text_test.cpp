// What the desktop backends read from the session and from their tools, and the texts they hand
// back: the choice of desktop, URIs and quoted strings, XFCE's property listing, sway's outputs.
#include <gtest/gtest.h>

#include "platform/posix/desktop/desktop_session.h"
#include "platform/posix/desktop/kde_desktop.h"
#include "platform/posix/desktop/sway_outputs.h"
#include "platform/posix/desktop/text_literals.h"
#include "platform/posix/desktop/xfce_desktop.h"

namespace pixoria::platform {
namespace {

TEST(DesktopChoice, FollowsForcedNameThenDesktopListThenSwayThenDisplay) {
  struct Row {
    SessionVariables session;
    std::string_view expected;
  };
  const Row rows[] = {
      {{"xfce", "GNOME", "/run/sway.sock", ":0", ""}, "xfce"},
      {{"amiga", "", "", "", ""}, "amiga"},  // refused later, by name
      {{"", "ubuntu:GNOME", "", ":0", "wayland-0"}, "gnome"},
      {{"", "Unity", "", ":0", ""}, "gnome"},
      {{"", "gnome-flashback:GNOME", "", "", ""}, "gnome"},
      {{"", "KDE", "", ":0", "wayland-0"}, "kde"},
      {{"", "kde", "", "", ""}, "kde"},
      {{"", "XFCE", "", ":0", ""}, "xfce"},
      {{"", "X-Cinnamon", "", ":0", ""}, "cinnamon"},
      {{"", "Cinnamon", "", "", ""}, "cinnamon"},
      {{"", "MATE", "", ":0", ""}, "mate"},
      {{"", "sway", "", "", "wayland-1"}, "sway"},
      {{"", "Budgie:GNOME", "", "", ""}, "gnome"},  // first entry we drive wins
      {{"", "Hyprland", "/run/sway.sock", "", "w"}, "sway"},
      {{"", "Pantheon", "", ":0", ""}, "x11"},
      {{"", "", "", ":0", "wayland-0"}, "headless"},  // Wayland we cannot drive: X is only XWayland
      {{"", ":", "", "", ""}, "headless"},
      {{"", "GNOMEX:XGNOME", "", "", ""}, "headless"},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(chooseDesktopName(row.session), row.expected) << row.session.currentDesktop;
  }
}

TEST(DesktopTexts, FileUriEncodesAllButUnreservedAndSlashes) {
  EXPECT_EQ(fileUri("/home/ana/My Pictures/caf\xC3\xA9 #1%?.jpg"),
            "file:///home/ana/My%20Pictures/caf%C3%A9%20%231%25%3F.jpg");
  EXPECT_EQ(fileUri("/a-b_c.d~/\"'\\"), "file:///a-b_c.d~/%22%27%5C");
  EXPECT_EQ(fileUri("/x\xFF\n"), "file:///x%FF%0A");
  EXPECT_EQ(fileUri("relative/path"), "");
  EXPECT_EQ(fileUri(""), "");
}

TEST(DesktopTexts, StringLiteralsEscapeQuotesAndRefuseWhatTheyCannotCarry) {
  std::string literal;
  ASSERT_TRUE(javascriptStringLiteral("a\"b\\c'd \xC3\xA9", literal));
  EXPECT_EQ(literal, "\"a\\\"b\\\\c'd \xC3\xA9\"");
  ASSERT_TRUE(gvariantStringLiteral("a\"b\\c'd \xC3\xA9", literal));
  EXPECT_EQ(literal, "'a\"b\\\\c\\'d \xC3\xA9'");
  for (const std::string& bad :
       {std::string("line\nbreak"), std::string("tab\t"), std::string("nul\0x", 5),
        std::string("del\x7f"), std::string("bad \xFF utf8"), std::string("cut \xC3"),
        std::string("overlong \xC0\xAF"), std::string("surrogate \xED\xA0\x80")}) {
    literal = "unchanged";
    EXPECT_FALSE(javascriptStringLiteral(bad, literal)) << bad;
    EXPECT_FALSE(gvariantStringLiteral(bad, literal)) << bad;
    EXPECT_EQ(literal, "unchanged");
  }
  EXPECT_FALSE(javascriptStringLiteral("line\xE2\x80\xA8separator", literal));

  std::string script;
  ASSERT_TRUE(plasmaWallpaperScript(2, "file:///a\"); evil(\"", script));
  EXPECT_NE(script.find("var image = \"file:///a\\\"); evil(\\\"\";"), std::string::npos);
  EXPECT_NE(script.find("desktop.screen != 2"), std::string::npos);
  EXPECT_FALSE(plasmaWallpaperScript(0, "file:///a\r\n", script));
}

TEST(XfceListing, ReadsMonitorsInOrderWithTheirWorkspaces) {
  const XfceBackdrops backdrops = parseXfceBackdrops(
      "/backdrop/screen0/monitorDP-2/workspace3/last-image\r\n"
      "/backdrop/screen0/monitor0/workspace0/last-image\n"
      "/backdrop/screen0/monitorDP-2/workspace0/image-style\n"
      "/backdrop/screen0/monitorDP-2/workspace1000/last-image\n"  // past the workspace bound
      "/backdrop/screen0/monitorX/workspacez/last-image\n"
      "/backdrop/screen0/monitorY/color1\n"
      "/backdrop/screen0/monitor/workspace0/last-image\n"
      "/backdrop/screen1/monitorZ/workspace0/last-image\n"
      "garbage\n\n"
      "/backdrop/screen0/monitorLAST/workspace2");
  EXPECT_EQ(backdrops.monitors, (std::vector<std::string>{"DP-2", "0", "LAST"}));
  ASSERT_EQ(backdrops.workspaces.size(), 3u);
  EXPECT_EQ(backdrops.workspaces[0], (std::set<unsigned>{0, 3}));
  EXPECT_EQ(backdrops.workspaces[2], (std::set<unsigned>{2}));
  EXPECT_TRUE(backdrops.properties.contains("/backdrop/screen0/monitorDP-2/workspace3/last-image"));
  EXPECT_FALSE(backdrops.properties.contains("/backdrop/screen0/monitorY/color1"));

  std::string many;
  for (int i = 0; i < 70; ++i) {
    many += "/backdrop/screen0/monitorM" + std::to_string(i) + "/workspace0/last-image\n";
  }
  EXPECT_EQ(parseXfceBackdrops(many).monitors.size(), 64u);
  EXPECT_TRUE(
      parseXfceBackdrops("/backdrop/screen0/monitor" + std::string(129, 'n') + "/workspace0/x")
          .monitors.empty());
}

TEST(SwayOutputList, ReadsNamesSizesAndActivityThroughAnyOtherJson) {
  std::vector<SwayOutput> outputs;
  ASSERT_TRUE(parseSwayOutputs(
      R"( [ {"make": "Fo\"o", "name": "HDMI-\u00e9\ud83d\ude00", "serial": null,
             "modes": [[], {}, [1.5e3, -0.25, true, false, null]],
             "rect": {"width": 1920, "height": 1080, "x": -10},
             "current_mode": {"height": 2160, "width": 3840}, "active": true},
           {"name": "b", "active": false, "rect": null} ] )",
      outputs));
  ASSERT_EQ(outputs.size(), 2u);
  EXPECT_EQ(outputs[0].name, "HDMI-\xC3\xA9\xF0\x9F\x98\x80");
  EXPECT_EQ(outputs[0].modeWidth, 3840);
  EXPECT_EQ(outputs[0].modeHeight, 2160);
  EXPECT_EQ(outputs[0].rectWidth, 1920);
  EXPECT_TRUE(outputs[0].active);
  EXPECT_FALSE(outputs[1].active);
  EXPECT_EQ(outputs[1].rectWidth, 0);
  ASSERT_TRUE(parseSwayOutputs("[]", outputs));
  EXPECT_TRUE(outputs.empty());
}

TEST(SwayOutputList, RefusesMalformedTextWholeAndLeavesTheListAlone) {
  std::string tooMany = "[";
  for (int i = 0; i < 65; ++i) {
    tooMany += std::string(i == 0 ? "" : ",") + R"({"name":"o"})";
  }
  tooMany += "]";
  const std::string deep = std::string(100, '[') + std::string(100, ']');
  const std::string deepInOutput = R"([{"name":"a","x":)" + deep + "}]";
  for (const std::string& bad :
       std::vector<std::string>{"",
                                " ",
                                "{}",
                                "[",
                                "]",
                                "[{]",
                                "[{}]",
                                R"([{"name": 1}])",
                                R"([{"name": "a"},])",
                                R"([{"name": "a"}] x)",
                                R"([{"name": "a"}][])",
                                R"([{"name" "a"}])",
                                R"([{"name": "a}])",
                                R"([{"name": "a\q"}])",
                                R"([{"name": "\ud800"}])",
                                R"([{"name": "\udc00"}])",
                                R"([{"name": "\u12"}])",
                                "[{\"name\": \"a\tb\"}]",
                                R"([{"name": "a", "active": 1}])",
                                R"([{"name": "a", "rect": {"width": -1}}])",
                                R"([{"name": "a", "rect": {"width": 1.5}}])",
                                R"([{"name": "a", "rect": {"width": 1000001}}])",
                                R"([{"name": "a", "rect": {"width": 0123}}])",
                                R"([{"name": "a", "rect": {"width": 1234567890123456789}}])",
                                R"([{"name": "a", "x": -}])",
                                R"([{"name": "a", "x": 1.}])",
                                R"([{"name": "a", "x": 1e}])",
                                R"([{"name": "a", "x": tru}])",
                                R"([{"name": "a", "x": nul}])",
                                tooMany,
                                deepInOutput}) {
    std::vector<SwayOutput> outputs{SwayOutput{"kept"}};
    EXPECT_FALSE(parseSwayOutputs(bad, outputs)) << bad;
    ASSERT_EQ(outputs.size(), 1u);
    EXPECT_EQ(outputs[0].name, "kept");
  }
}

}  // namespace
}  // namespace pixoria::platform
