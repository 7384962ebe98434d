#include "preview/app_source_table.h"

#include <QDate>
#include <array>

#include "pixoria/common/bing_market.h"
#include "pixoria/settings_schema.h"
#include "preview/caption_text.h"

namespace {

template <typename List>
qsizetype lengthOf(const List* list) {
  return list != nullptr ? list->size() : 0;
}

qsizetype bingArchiveLength(const SourceLists&) {
  return pixoria::kBingArchiveDays;
}

qsizetype nasaListLength(const SourceLists& lists) {
  return lengthOf(lists.nasaUrls);
}

qsizetype wikipediaListLength(const SourceLists& lists) {
  return lengthOf(lists.wikipediaDays);
}

qsizetype customListLength(const SourceLists& lists) {
  return lengthOf(lists.customFiles);
}

// Bing's archive counts days back from today.
QString bingTitle(int position) {
  return QStringLiteral("Bing\u2019s image of the day (") +
         QDate::currentDate().addDays(-position).toString(Qt::TextDate) + QStringLiteral(")");
}

QString nasaTitle(int) {
  return QStringLiteral("NASA Astronomy Picture of the Day");
}

QString wikipediaTitle(int) {
  return QStringLiteral("Wikimedia Picture of the Day");
}

// Bing's caption comes with its feed, while the picture downloads.
std::optional<QString> noCaption(const SourceLists&, int) {
  return std::nullopt;
}

std::optional<QString> nasaCaptionAt(const SourceLists& lists, int position) {
  if (position >= lengthOf(lists.nasaDescriptions)) {
    return std::nullopt;
  }
  return nasaCaption(lists.nasaDescriptions->at(position));
}

std::optional<QString> wikipediaCaptionAt(const SourceLists& lists, int position) {
  if (position >= lengthOf(lists.wikipediaDays)) {
    return std::nullopt;
  }
  return wikipediaCaption(lists.wikipediaDays->at(position));
}

constexpr std::array<AppSource, 4> kAppSources = {{
    {pixoria::kSourceBing, "Bing daily image", "Bing Server",
     "Downloading image of the day from Microsoft Bing server...",
     "Preparing to download images from Bing Server...",
     pixoria::indexValueName(pixoria::kSourceBing), &SourcePositions::bing, bingArchiveLength, 1,
     bingTitle, noCaption, true, true},
    {pixoria::kSourceNasa, "NASA daily image", "NASA Server",
     "Downloading Astronomy Picture of the Day from NASA server...",
     "Preparing to download images from NASA Server...",
     pixoria::indexValueName(pixoria::kSourceNasa), &SourcePositions::nasa, nasaListLength, 1,
     nasaTitle, nasaCaptionAt, true, false},
    {pixoria::kSourceWikipedia, "Wikimedia Picture of the Day", "Wikipedia Server",
     "Downloading Picture of the day from Wikimedia server...",
     "Preparing to download images from Wikipedia Server...",
     pixoria::indexValueName(pixoria::kSourceWikipedia), &SourcePositions::wikipedia,
     wikipediaListLength, 1, wikipediaTitle, wikipediaCaptionAt, true, false},
    {pixoria::kSourceCustom, "Custom", "", "Loading image from the list...", "",
     pixoria::indexValueName(pixoria::kSourceCustom), &SourcePositions::custom, customListLength,
     -1, nullptr, noCaption, false, false},
}};

}  // namespace

std::span<const AppSource> appSources() {
  return kAppSources;
}

const AppSource* findAppSource(int number) {
  for (const AppSource& source : kAppSources) {
    if (static_cast<int>(source.number) == number) {
      return &source;
    }
  }
  return nullptr;
}

const AppSource& storedAppSource(int number) {
  const AppSource* source = findAppSource(number);
  return source != nullptr ? *source : kAppSources.back();
}
