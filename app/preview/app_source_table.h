// The wallpaper sources as the application shows them: one entry per source, found by its Source
// number. The source combo box is filled from it and keeps each entry's number as item data, so
// the order of the items says nothing about the numbers; every place that treats the sources
// differently looks the difference up here.
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

#include "preview/wikipedia_day.h"

// The lists the preview steps through, wherever they are kept; a list nobody keeps is empty.
struct SourceLists {
  const QList<QByteArray>* nasaUrls = nullptr;
  const QList<QByteArray>* nasaDescriptions = nullptr;
  const QList<WikipediaDay>* wikipediaDays = nullptr;
  const QStringList* customFiles = nullptr;
};

// The position the preview shows in each source's list, as stored under its index value.
struct SourcePositions {
  int bing = 0;
  int nasa = 0;
  int wikipedia = 0;
  int custom = 0;
};

struct AppSource {
  std::uint32_t number;             // the Source setting that selects it
  std::string_view label;           // the source combo box's text
  std::string_view serverName;      // who serves it, as the status lines name it; empty for files
  std::string_view choosingLine;    // what the preview says when the source is chosen
  std::string_view preparingLine;   // what the preview says while it asks for the list or feed
  std::string_view indexValueName;  // where its position is stored
  int SourcePositions::*position;   // its position in the preview
  qsizetype (*listLength)(const SourceLists& lists);  // the entries Back and Next step through
  // Back's step through the list (the feeds go back in time, the user's list towards its first
  // file); Next takes the opposite one.
  int backStep;
  // The line above the preview's caption for the picture at `position`; null for the user's files.
  QString (*title)(int position);
  // The caption under it, when the source's list gives one for `position`.
  std::optional<QString> (*caption)(const SourceLists& lists, int position);
  bool feed;      // downloaded by the preview's loader; otherwise the user's own files
  bool regional;  // has a region to choose (Bing's markets)
};

// Every source, in the order the combo box shows them.
std::span<const AppSource> appSources();

// The entry for a Source setting, or null for a number without one (a combo box without a
// current item gives -1).
const AppSource* findAppSource(int number);

// The entry whose index value a Source setting keeps: the custom list's for a number without an
// entry of its own, as the agent reads it.
const AppSource& storedAppSource(int number);
