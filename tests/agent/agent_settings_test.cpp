#include "agent/agent_settings.h"

#include "agent/agent_test_fixture.h"

namespace pixoria::test {
namespace {

using AgentSettingsTest = AgentTest;

TEST_F(AgentSettingsTest, EmptyKeyGivesTheDefaults) {
  agentSettings.enabled = true;
  agentSettings.customFiles = {"left over"};
  readAgentSettings(agentSettings);
  EXPECT_FALSE(agentSettings.enabled);
  EXPECT_EQ(agentSettings.timeIndex, 1u);
  EXPECT_EQ(agentSettings.timePeriod, 0u);
  EXPECT_EQ(agentSettings.source, kSourceBing);
  EXPECT_EQ(agentSettings.region, 0u);
  EXPECT_EQ(agentSettings.bingIndex, 0);
  EXPECT_EQ(agentSettings.nasaIndex, 0);
  EXPECT_EQ(agentSettings.wikiIndex, 0);
  EXPECT_EQ(agentSettings.customIndex, 0);
  EXPECT_FALSE(agentSettings.multiMonitor);
  EXPECT_TRUE(agentSettings.customFiles.empty());
}

TEST_F(AgentSettingsTest, ReadsInTheFixedOrder) {
  setDword(kValueCustomCount, 2);
  readAgentSettings(agentSettings);
  const std::vector<std::string> expected = {
      "Enabled", "TimeIndex", "TimePeriod", "Source", "Region", "BingCurrentIndex",
      "NasaCurrentIndex", "WikipediaCurrentIndex", "CustomCount", "multiMonitorSupport",
      "CustomFile0", "CustomFile1",
      // the list read again, to see that no save came between its reads
      "CustomCount", "CustomFile0", "CustomFile1", "CustomIndex"};
  EXPECT_EQ(fake::registryReads(), expected);
}

TEST_F(AgentSettingsTest, StoredValuesAreTakenAsTheyStand) {
  setDword(kValueEnabled, 7);
  setDword(kValueTimeIndex, 12);
  setDword(kValueTimePeriod, 5);
  setDword(kValueSource, 7);
  setDword(kValueRegion, 10);
  setDword(kValueMultiMonitorSupport, 2);
  setDword(kValueCustomIndex, 0xFFFFFFFF);
  setDword(kValueNasaCurrentIndex, 3);
  readAgentSettings(agentSettings);
  EXPECT_TRUE(agentSettings.enabled);
  EXPECT_EQ(agentSettings.timeIndex, 12u);
  EXPECT_EQ(agentSettings.timePeriod, 5u);
  EXPECT_EQ(agentSettings.source, 7u);
  EXPECT_EQ(agentSettings.region, 10u);
  EXPECT_TRUE(agentSettings.multiMonitor);
  EXPECT_EQ(agentSettings.customIndex, -1);
  EXPECT_EQ(agentSettings.nasaIndex, 3);
}

TEST_F(AgentSettingsTest, ValuesOfTheWrongTypeReadAsTheirDefaults) {
  setString(kValueTimeIndex, "5");
  setString(kValueEnabled, "1");
  setDword(kValueCustomCount, 1);
  setDword("CustomFile0", 42);
  EXPECT_EQ(readRegistryDword(kValueTimeIndex, 1), 1u);
  readAgentSettings(agentSettings);
  EXPECT_FALSE(agentSettings.enabled);
  EXPECT_EQ(agentSettings.timeIndex, 1u);
  ASSERT_EQ(agentSettings.customFiles.size(), 1u);
  EXPECT_EQ(agentSettings.customFiles[0], "");
}

TEST_F(AgentSettingsTest, CustomListFollowsCustomCountAndDecimalNames) {
  for (int position = 0; position < 14; ++position) {
    setString("CustomFile" + std::to_string(position), "/p/" + std::to_string(position));
  }
  setString("CustomFile012", "/never");
  setDword(kValueCustomCount, 13);
  readAgentSettings(agentSettings);
  ASSERT_EQ(agentSettings.customFiles.size(), 13u);
  EXPECT_EQ(agentSettings.customFiles[12], "/p/12");
  EXPECT_EQ(agentSettings.customFiles[10], "/p/10");

  // A shorter list ignores the leftovers of a longer one.
  setDword(kValueCustomCount, 0);
  readAgentSettings(agentSettings);
  EXPECT_TRUE(agentSettings.customFiles.empty());
}

TEST_F(AgentSettingsTest, ASaveBetweenTheListsReadsNeverMixesTwoLists) {
  setDword(kValueCustomCount, 3);
  setString("CustomFile0", "/a");
  setString("CustomFile1", "/b");
  setString("CustomFile2", "/c");
  // The application removes the first entry while the agent has read only that one.
  fake::registryAfterRead([](std::string_view name) {
    if (name == "CustomFile0") {
      fake::registryAfterRead({});
      setDword(kValueCustomCount, 2);
      setString("CustomFile0", "/b");
      setString("CustomFile1", "/c");
    }
  });
  readAgentSettings(agentSettings);
  EXPECT_EQ(agentSettings.customFiles, (std::vector<std::string>{"/b", "/c"}));
}

TEST_F(AgentSettingsTest, MissingEntriesKeepTheirPositions) {
  setDword(kValueCustomCount, 3);
  setString("CustomFile0", "/a");
  setString("CustomFile2", "/c");
  readAgentSettings(agentSettings);
  EXPECT_EQ(agentSettings.customFiles, (std::vector<std::string>{"/a", "", "/c"}));
}

TEST_F(AgentSettingsTest, AHugeCustomCountIsBounded) {
  setDword(kValueCustomCount, 4'000'000'000u);
  setString("CustomFile0", "/a");
  readAgentSettings(agentSettings);
  EXPECT_EQ(agentSettings.customFiles.size(), kMaxCustomFiles);
  EXPECT_EQ(agentSettings.customFiles[0], "/a");
  EXPECT_NE(fake::debugOutput().find("CustomCount"), std::string::npos);
}

TEST_F(AgentSettingsTest, StringsReadOnlyWhenPresentTypedAndOfUsableLength) {
  std::string destination = "untouched";
  EXPECT_FALSE(readRegistryString(kValuePath, destination));  // no key at all
  setString(kValuePath, "/opt/pixoria");
  EXPECT_TRUE(readRegistryString(kValuePath, destination));
  EXPECT_EQ(destination, "/opt/pixoria");
  setDword(kValuePath, 1);
  EXPECT_FALSE(readRegistryString(kValuePath, destination));
  setString(kValuePath, std::string(kMaxSettingStringLength + 1, 'x'));
  EXPECT_FALSE(readRegistryString(kValuePath, destination));
  EXPECT_EQ(destination, "/opt/pixoria");
}

TEST_F(AgentSettingsTest, WritesCreateTheKeyAndFailOnlyWhenItCannotBeHad) {
  EXPECT_TRUE(writeRegistryDword(kValueBingCurrentIndex, 5));
  EXPECT_EQ(storedDword(kValueBingCurrentIndex), 5u);
  fake::registryFailCreate(true);
  EXPECT_FALSE(writeRegistryDword(kValueBingCurrentIndex, 6));
  EXPECT_EQ(storedDword(kValueBingCurrentIndex), 5u);
}

}  // namespace
}  // namespace pixoria::test
