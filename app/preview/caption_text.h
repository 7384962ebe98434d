// The captions under the preview, made from feed text for display as plain text.
#pragma once

#include <QByteArray>
#include <QString>

#include "preview/wikipedia_day.h"

// A NASA description as a reader sees it. The feed keeps it as written: escaped text in the older
// layout, and HTML inside a CDATA section (`<![CDATA[<p>...</p>]]>`) in the newer one, whose
// tags are removed. Character references are decoded in both.
QString nasaCaption(const QByteArray& description);

// "By <artist>" and the description on the next line; the description alone when the day names
// no artist.
QString wikipediaCaption(const WikipediaDay& day);
