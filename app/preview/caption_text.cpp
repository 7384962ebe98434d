#include "preview/caption_text.h"

#include <string>
#include <string_view>

#include "pixoria/common/strip_tags.h"
#include "pixoria/common/xml_entities.h"

namespace {

constexpr std::string_view kCdataOpen = "<![CDATA[";
constexpr std::string_view kCdataClose = "]]>";

std::string_view trimmed(std::string_view text) {
  constexpr std::string_view kSpace = " \t\r\n";
  const std::size_t first = text.find_first_not_of(kSpace);
  if (first == std::string_view::npos) {
    return {};
  }
  return text.substr(first, text.find_last_not_of(kSpace) - first + 1);
}

}  // namespace

QString nasaCaption(const QByteArray& description) {
  std::string_view text = trimmed(std::string_view(description.data(), description.size()));
  std::string caption;
  if (text.substr(0, kCdataOpen.size()) == kCdataOpen) {
    text.remove_prefix(kCdataOpen.size());
    const std::size_t close = text.rfind(kCdataClose);
    if (close != std::string_view::npos) {
      text = text.substr(0, close);
    }
    caption = pixoria::decodeXmlEntities(
        pixoria::stripTags(std::string(text), pixoria::UnclosedTag::keep));
  } else {
    caption = pixoria::decodeXmlEntities(text);
  }
  return QString::fromUtf8(trimmed(caption).data(),
                           static_cast<qsizetype>(trimmed(caption).size()));
}

QString wikipediaCaption(const WikipediaDay& day) {
  const QString description = QString::fromUtf8(day.description);
  if (day.credit.isEmpty()) {
    return description;
  }
  return QStringLiteral("By ") + QString::fromUtf8(day.credit) + QStringLiteral("\n") + description;
}
