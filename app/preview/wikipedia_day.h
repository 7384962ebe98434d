// One day of Wikipedia's featured picture as the preview keeps it: the image's address with its
// own captions, so a day without an image can never shift another day's captions onto it.
#pragma once

#include <QByteArray>

struct WikipediaDay {
  QByteArray address;      // the full-size image's address, UTF-8
  QByteArray credit;       // the artist, plain text; empty when the feed names none
  QByteArray description;  // plain text; empty when the feed has none
};
