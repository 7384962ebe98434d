#include <gtest/gtest.h>

#include "common/json_string.h"
#include "pixoria/common/bing_feed.h"
#include "pixoria/common/nasa_feed.h"
#include "pixoria/common/printable_text.h"
#include "pixoria/common/source_addresses.h"
#include "pixoria/common/strip_tags.h"
#include "pixoria/common/wikipedia_feed.h"
#include "pixoria/common/xml_entities.h"
#include "support/test_images.h"

namespace pixoria::test {
namespace {

std::string fixture(const std::string& name) {
  return readFileBytes(std::string(PIXORIA_TEST_FIXTURES) + "/feeds/" + name);
}

TEST(BingFeedTest, ImagePathIsVerbatimAndTheCaptionIsDecoded) {
  const std::string feed = fixture("bing_archive.xml");
  EXPECT_EQ(readBingImagePath(feed),
            "/th?id=OHR.LaDigue_EN-US1234567890_1920x1080.jpg&amp;rf=LaDigue_1920x1080.jpg&amp;"
            "pid=hp");
  EXPECT_EQ(readBingCaption(feed),
            "Anse Source d’Argent beach, La Digue, Seychelles & the “Indian Ocean” (© Jane "
            "Doe/Getty Images)");
}

TEST(BingFeedTest, FirstElementWinsAndMissingMarkersGiveNothing) {
  EXPECT_EQ(readBingImagePath("<url>/a</url><url>/b</url>"), "/a");
  EXPECT_EQ(readBingImagePath("<url>/a"), "");
  EXPECT_EQ(readBingImagePath("/a</url>"), "");
  EXPECT_EQ(readBingCaption("<copyright>Caption without end"), "");
  EXPECT_EQ(readBingImagePath(std::string("<x>\0</x><url>/after-nul</url>", 30)), "/after-nul");
}

// Glued onto the base, anything but a path could name another host, user or port.
TEST(BingFeedTest, OnlyAPathFromTheArchiveBecomesAnAddress) {
  EXPECT_EQ(bingImageAddress("/th?id=A.jpg&amp;pid=hp"),
            bingImageBase() + "/th?id=A.jpg&amp;pid=hp");
  for (const char* path :
       {"@other.host/x.jpg", ".other.host/x.jpg", ":8080/x.jpg", "x.jpg", " /x.jpg", "?id=x", ""}) {
    SCOPED_TRACE(path);
    EXPECT_EQ(bingImageAddress(path), "");
    EXPECT_EQ(bingImageAddress(readBingImagePath(std::string("<url>") + path + "</url>")), "");
  }
}

struct UhdCase {
  const char* path;
  const char* uhdPath;  // empty: no UHD rendition
};

// The UHD address: the image name's resolution token replaced, the stand-in picture left out,
// the other parameters and their separators kept, the host rule of bingImageAddress.
TEST(BingFeedTest, UhdAddressReplacesTheResolutionTokenOfTheImageNameOnly) {
  const UhdCase cases[] = {
      {"/th?id=OHR.LaDigue_EN-US1234567890_1920x1080.jpg&amp;rf=LaDigue_1920x1080.jpg&amp;pid=hp",
       "/th?id=OHR.LaDigue_EN-US1234567890_UHD.jpg&amp;pid=hp"},
      {"/th?id=OHR.A_EN-US1_1920x1080.jpg", "/th?id=OHR.A_EN-US1_UHD.jpg"},
      {"/th?pid=hp&id=OHR.A_1366x768.png&w=1", "/th?pid=hp&id=OHR.A_UHD.png&w=1"},
      {"/th?rf=LaDigue_1920x1080.jpg&amp;id=OHR.A_1920x1080.jpg&amp;pid=hp",
       "/th?id=OHR.A_UHD.jpg&amp;pid=hp"},
      {"/th?id=_1920x1080.jpg", "/th?id=_UHD.jpg"},
      // The 2016 layout names its picture in the path, with no "id=": no UHD rendition.
      {"/az/hprichbg/rb/ScotsPine_EN-US12526960921_1366x768.jpg", ""},
      {"/az/hprichbg/rb/ScotsPine_EN-US12526960921_1366x768.jpg?rf=x_1920x1080.jpg", ""},
      {"/th?id=OHR.A_UHD.jpg&amp;pid=hp", ""},
      {"/th?id=OHR.A_1920x1080&amp;pid=hp", ""},
      {"/th?id=OHR.A_1920x1080.jpg.webp", ""},
      {"/th?id=OHR.A_x1080.jpg", ""},
      {"/th?id=OHR.A_1920x.jpg", ""},
      {"/th?id=OHR.A1920x1080.jpg", ""},
      {"/th?id=OHR.A_1920X1080.jpg", ""},
      {"/th?xid=OHR.A_1920x1080.jpg", ""},
      {"/th?id=", ""},
      {"/th?id", ""},
      {"/th?", ""},
      {"/th?&&&", ""},
      {"@other.host/th?id=OHR.A_1920x1080.jpg", ""},
      {"th?id=OHR.A_1920x1080.jpg", ""},
      {"", ""},
  };
  for (const UhdCase& entry : cases) {
    SCOPED_TRACE(entry.path);
    const std::string expected = *entry.uhdPath != '\0' ? bingImageBase() + entry.uhdPath : "";
    EXPECT_EQ(bingUhdImageAddress(entry.path), expected);
  }
}

// Bing's standard rendition is 1920x1080; anything larger either way wants the UHD one.
TEST(BingFeedTest, AScreenLargerThanTheStandardRenditionEitherWayWantsUhd) {
  struct ScreenCase {
    int width;
    int height;
    bool uhd;
  };
  const ScreenCase cases[] = {{3840, 2160, true}, {2560, 1440, true}, {1920, 1200, true},
                              {1080, 1920, true}, {1921, 1080, true}, {1920, 1080, false},
                              {1366, 768, false}, {0, 0, false}};
  for (const ScreenCase& entry : cases) {
    EXPECT_EQ(screenWantsBingUhd(entry.width, entry.height), entry.uhd)
        << entry.width << "x" << entry.height;
  }
}

TEST(PrintableTextTest, ControlCharactersGoAndEverythingElseStays) {
  EXPECT_EQ(printableText("a\x1B[2J\nforged\r\tline\x7F\x07"), "a[2Jforgedline");
  EXPECT_EQ(printableText(std::string("nul\0byte", 8)), "nulbyte");
  EXPECT_EQ(printableText("csi \xC2\x9B"
                          "31m c1 \xC2\x80 end \xC2"),
            "csi 31m c1  end \xC2");
  EXPECT_EQ(printableText("caf\xC3\xA9 \xC2\xA0 \xF0\x9F\x8C\x84 \xFF"),
            "caf\xC3\xA9 \xC2\xA0 \xF0\x9F\x8C\x84 \xFF");
}

TEST(XmlEntitiesTest, DecodesKnownReferencesAndKeepsTheRest) {
  EXPECT_EQ(decodeXmlEntities("a &amp; b &lt;c&gt; &quot;d&quot; &apos;e&apos;"),
            "a & b <c> \"d\" 'e'");
  EXPECT_EQ(decodeXmlEntities("caf&#233; &#x1F304;"), "café \xF0\x9F\x8C\x84");
  EXPECT_EQ(decodeXmlEntities("AT&T &unknown; &#xZZ; &#0; & &;"),
            "AT&T &unknown; &#xZZ; &#0; & &;");
  EXPECT_EQ(decodeXmlEntities("&#xD800;&#1114112;"), "\xEF\xBF\xBD\xEF\xBF\xBD");
}

TEST(NasaFeedTest, OldLayoutPairsEachDescriptionWithTheNextEnclosure) {
  const std::vector<NasaEntry> entries = readNasaEntries(fixture("nasa_old_layout.rss"));
  ASSERT_EQ(entries.size(), 7u);
  // The channel's own description pairs with item 1's enclosure, so item 1's description is
  // passed over; item 3 has no enclosure, so its description takes item 4's, and the scan goes on
  // after it with item 5.
  EXPECT_EQ(entries[0].description, "The latest NASA \"Image of the Day\" image.");
  EXPECT_EQ(entries[0].address, "https://www.nasa.gov/wp-content/uploads/2026/12/iotd-1.jpg");
  EXPECT_EQ(entries[1].address, "https://www.nasa.gov/wp-content/uploads/2026/12/iotd-2.jpg");
  EXPECT_EQ(entries[1].description, "Picture number 2, seen from orbit.");
  EXPECT_EQ(entries[2].description, "Picture number 3, seen from orbit.");
  EXPECT_EQ(entries[2].address, "https://www.nasa.gov/wp-content/uploads/2026/12/iotd-4.jpg");
  EXPECT_EQ(entries[3].description, "Picture number 5, seen from orbit.");
  EXPECT_EQ(entries[3].address, "https://www.nasa.gov/wp-content/uploads/2026/12/iotd-5.jpg");
}

TEST(NasaFeedTest, NewLayoutGivesTheFirstSevenOfTwenty) {
  const std::vector<NasaEntry> entries = readNasaEntries(fixture("nasa_new_layout.rss"));
  ASSERT_EQ(entries.size(), 7u);
  EXPECT_EQ(entries[0].address, "https://www.nasa.gov/wp-content/uploads/2026/12/amf-1.jpg?w=4096");
  EXPECT_EQ(entries[6].address, "https://www.nasa.gov/wp-content/uploads/2026/12/amf-7.jpg?w=4096");
  EXPECT_EQ(entries[6].description,
            "<![CDATA[<p>Astronaut photograph 7 &#8211; a view of Earth’s limb.</p>]]>");
}

TEST(NasaFeedTest, EmptyDescriptionIsClosedByTheNextClosingMarker) {
  const std::string feed =
      "<description></description><enclosure url=\"https://a/1.jpg\"/>"
      "<description>x</description><enclosure url=\"https://a/2.jpg\"/>";
  const std::vector<NasaEntry> entries = readNasaEntries(feed);
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0].description,
            "</description><enclosure url=\"https://a/1.jpg\"/>"
            "<description>x");
  EXPECT_EQ(entries[0].address, "https://a/2.jpg");
}

TEST(NasaFeedTest, IncompleteTextsEndTheScan) {
  EXPECT_TRUE(readNasaEntries("").empty());
  EXPECT_TRUE(readNasaEntries("<description>a</description><enclosure url=\"https://a").empty());
  EXPECT_TRUE(readNasaEntries("<description>a<enclosure url=\"https://a/1.jpg\"").empty());
  EXPECT_EQ(
      readNasaEntries("<description>a</description><enclosure url=\"https://\xC3\xA9.jpg\"")[0]
          .address,
      "https://\xC3\xA9.jpg");  // bytes stay bytes
}

TEST(StripTagsTest, RemovesTagsAndKeepsWordsAndSpaces) {
  EXPECT_EQ(stripTags("a <b>word</b> here", UnclosedTag::cut), "a word here");
  EXPECT_EQ(stripTags("<a href=\"x\">Ana</a>, <i>Studio</i>", UnclosedTag::keep), "Ana, Studio");
  EXPECT_EQ(stripTags("no tags at all", UnclosedTag::cut), "no tags at all");
}

TEST(StripTagsTest, UnclosedTagIsCutOrKept) {
  bool cut = false;
  EXPECT_EQ(stripTags("<b>x</b> ends in <", UnclosedTag::cut, &cut), "x ends in ");
  EXPECT_TRUE(cut);
  EXPECT_EQ(stripTags("<b>x</b> ends in <i", UnclosedTag::keep), "x ends in <i");
}

TEST(StripTagsTest, AGreaterThanBeforeTheFirstTagDropsTheRest) {
  EXPECT_EQ(stripTags("5 > 3 and <b>bold</b>", UnclosedTag::keep), "5 > 3 and ");
  EXPECT_EQ(stripTags("x><y", UnclosedTag::cut), "x>");  // '>' just before '<': still ends
}

TEST(StripTagsTest, ManyTagsTakeLinearTime) {
  std::string text;
  for (int i = 0; i < 200000; ++i) {
    text += "<t>w";
  }
  EXPECT_EQ(stripTags(text, UnclosedTag::keep), std::string(200000, 'w'));
}

// The escapes themselves are decoded by text::decodeJsonEscapes (tests/platform/text).
TEST(JsonStringTest, ClosingQuoteSkipsEscapes) {
  const std::string text = R"(ab\"c\\"rest)";
  EXPECT_EQ(findClosingQuote(text, 0), 7);
  EXPECT_EQ(findClosingQuote("no end\\\"", 0), -1);
}

TEST(WikipediaFeedTest, ReadsThePictureOfTheDayNotTheArticleImage) {
  const WikipediaPicture picture = readWikipediaPicture(fixture("wikipedia_2026_12_05.json"), true);
  ASSERT_TRUE(picture.found);
  EXPECT_EQ(picture.address,
            "https://upload.wikimedia.org/wikipedia/commons/f/f5/Featured_picture_5.jpg");
  EXPECT_EQ(picture.artist, "Ana Kovač, \"Studio\"");
  EXPECT_EQ(picture.description,
            "View of the lake, with its island and church, à l’aube \xF0\x9F\x8C\x84 day 5");
}

TEST(WikipediaFeedTest, EscapedTextsAndEncodedCommasReadWhole) {
  const WikipediaPicture picture =
      readWikipediaPicture(fixture("wikipedia_comma_in_source.json"), true);
  EXPECT_EQ(picture.address,
            "https://upload.wikimedia.org/wikipedia/commons/f/f5/Lake_Bled%2C_Slovenia_5.jpg");
  EXPECT_EQ(picture.artist, "Ana Kova\xC4\x8D, \"Studio\"");
  EXPECT_EQ(picture.description,
            "View of the lake, with its island and church, à l’aube \xF0\x9F\x8C\x84 day 5");
}

TEST(WikipediaFeedTest, AddressEscapesAreDecoded) {
  const WikipediaPicture picture = readWikipediaPicture(
      R"({"image":{"image":{"source":"https:\/\/up.test\/caf\u00e9_\"q\".jpg","width":1}}})",
      false);
  EXPECT_EQ(picture.address, "https://up.test/caf\xC3\xA9_\"q\".jpg");
}

TEST(WikipediaFeedTest, ADayWithoutAPictureGivesNoAddress) {
  EXPECT_FALSE(readWikipediaPicture(fixture("wikipedia_no_image.json"), false).found);
  EXPECT_FALSE(readWikipediaPicture(R"({"image":{"source":"https://a/b.jpg"}})", false).found);
  EXPECT_FALSE(readWikipediaPicture(R"("image":"image":"source":"unterminated)", true).found);
  const WikipediaPicture plain = readWikipediaPicture(R"("image":{"image":{"source":"u"}})", false);
  EXPECT_EQ(plain.address, "u");
  EXPECT_TRUE(plain.artist.empty());
}

TEST(WikipediaFeedTest, DatesStepBackAcrossMonthsYearsAndLeapDays) {
  const auto march = wikipediaDates({2025, 3, 3});
  EXPECT_EQ(wikipediaRequestAddress("https://w/feed/", march[0]), "https://w/feed/2025/03/03");
  EXPECT_EQ(wikipediaRequestAddress("https://w/feed/", march[3]), "https://w/feed/2025/02/28");
  EXPECT_EQ(wikipediaRequestAddress("", wikipediaDates({2024, 3, 3})[3]), "2024/02/29");
  const auto newYear = wikipediaDates({2026, 1, 1});
  EXPECT_EQ(wikipediaRequestAddress("", newYear[1]), "2025/12/31");
  EXPECT_EQ(wikipediaRequestAddress("", newYear[6]), "2025/12/26");
}

}  // namespace
}  // namespace pixoria::test
