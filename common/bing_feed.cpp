#include "pixoria/common/bing_feed.h"

#include "feed_text.h"
#include "pixoria/common/xml_entities.h"

namespace pixoria {

std::string readBingImagePath(std::string_view feed) {
  return cutBetween(feed, "<url>", "</url>");
}

std::string readBingCaption(std::string_view feed) {
  return decodeXmlEntities(cutBetween(feed, "<copyright>", "</copyright>"));
}

}  // namespace pixoria
