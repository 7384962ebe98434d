#include "agent/source_table.h"

#include "agent/agent_test_fixture.h"
#include "agent/online_source_doubles.h"

namespace pixoria::test {
namespace {

class SourceTableTest : public AgentTest {
 protected:
  void SetUp() override {
    AgentTest::SetUp();
    resetSourceDoubles();
  }
};

struct Expected {
  std::uint32_t number;
  std::string_view indexValueName;
  const char* applied;  // the double that records the apply, or null for the custom list
};

constexpr Expected kOnline[] = {
    {kSourceBing, kValueBingCurrentIndex, "bing"},
    {kSourceNasa, kValueNasaCurrentIndex, "nasa"},
    {kSourceWikipedia, kValueWikipediaCurrentIndex, "wikipedia"},
};

TEST_F(SourceTableTest, EveryNumberWithoutAnEntryMeansTheCustomList) {
  for (const Expected& online : kOnline) {
    EXPECT_EQ(wallpaperSource(online.number).number, online.number);
    EXPECT_EQ(wallpaperSource(online.number).indexValueName, online.indexValueName);
  }
  for (const std::uint32_t number : {kSourceCustom, 4u, 0x7FFFFFFFu, 0xFFFFFFFFu}) {
    const WallpaperSource& source = wallpaperSource(number);
    EXPECT_EQ(source.number, kSourceCustom) << number;
    EXPECT_EQ(source.indexValueName, kValueCustomIndex) << number;
    EXPECT_TRUE(source.recordsSteps) << number;
  }
}

// The stored position, the settings field and the source an entry applies all belong together:
// a crossed entry would show one source at another's position.
TEST_F(SourceTableTest, EachEntryKeepsToItsOwnPositionAndSource) {
  std::uint32_t stored = 0xFFFFFFF0;  // distinct, negative positions
  for (const std::uint32_t number : {kSourceBing, kSourceNasa, kSourceWikipedia, kSourceCustom}) {
    setDword(wallpaperSource(number).indexValueName, stored++);
  }
  readAgentSettings(agentSettings);
  for (const std::uint32_t number : {kSourceBing, kSourceNasa, kSourceWikipedia, kSourceCustom}) {
    const WallpaperSource& source = wallpaperSource(number);
    EXPECT_EQ(agentSettings.*source.index, readRegistryIndex(source.indexValueName)) << number;
    EXPECT_LT(agentSettings.*source.index, 0) << number;
  }
  for (const Expected& online : kOnline) {
    const WallpaperSource& source = wallpaperSource(online.number);
    EXPECT_FALSE(source.recordsSteps) << online.applied;
    EXPECT_NE(source.previous, nullptr) << online.applied;
    source.apply(5);
    EXPECT_EQ(sourceCalls().back(), (SourceCall{online.applied, 5}));
  }
}

TEST_F(SourceTableTest, ListSizesAreEachSourcesOwn) {
  setNasaListSize(3);
  setWikipediaListSize(6);
  agentSettings.customFiles = {"/a", "/b"};
  EXPECT_EQ(wallpaperSource(kSourceBing).listSize(), 8u);
  EXPECT_EQ(wallpaperSource(kSourceNasa).listSize(), 3u);
  EXPECT_EQ(wallpaperSource(kSourceWikipedia).listSize(), 6u);
  EXPECT_EQ(wallpaperSource(kSourceCustom).listSize(), 2u);
}

}  // namespace
}  // namespace pixoria::test
