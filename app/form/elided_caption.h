// Captions in labels of a fixed size: a caption longer than its label is cut at the end of the
// last line that fits, with "…", and the whole caption is the label's tooltip.
#pragma once

#include <QString>

class QFont;
class QLabel;

// Shows `caption` in `label` as plain text, elided to the label's size and again whenever the
// label is resized, with the whole caption as its tooltip.
void setElidedCaption(QLabel* label, const QString& caption);

// `text` wrapped at words into lines of `width` pixels in `font`; when it takes more than
// `maxLines` lines, the lines that fit, the last one ending in "…". Lines are joined by '\n'.
QString elideWrappedText(const QString& text, const QFont& font, int width, int maxLines);
