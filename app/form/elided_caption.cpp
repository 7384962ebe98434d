#include "form/elided_caption.h"

#include <QEvent>
#include <QFontMetrics>
#include <QLabel>
#include <QStringList>
#include <QTextLayout>
#include <QTextOption>
#include <algorithm>

namespace {

const QChar kEllipsis(0x2026);

// The lines one paragraph wraps into, as the label wraps it: at word boundaries, breaking a word
// only when it is wider than the line.
QStringList wrapParagraph(const QString& paragraph, const QFont& font, int width) {
  if (paragraph.isEmpty()) {
    return {QString()};
  }
  QTextLayout layout(paragraph, font);
  QTextOption option;
  option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
  layout.setTextOption(option);
  QStringList lines;
  layout.beginLayout();
  for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
    line.setLineWidth(width);
    lines << paragraph.mid(line.textStart(), line.textLength());
  }
  layout.endLayout();
  return lines;
}

// Keeps the elided caption in step with the label's size; lives as the label's child.
class CaptionFitter : public QObject {
 public:
  explicit CaptionFitter(QLabel* label) : QObject(label), label(label) {
    label->installEventFilter(this);
  }

  void show(const QString& text) {
    caption = text;
    label->setTextFormat(Qt::PlainText);
    label->setToolTip(caption);
    fit();
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    // Text set on the label by other means since is left alone.
    if (watched == label && event->type() == QEvent::Resize && label->text() == shown) {
      fit();
    }
    return false;
  }

 private:
  void fit() {
    const QRect box = label->contentsRect().adjusted(label->margin(), label->margin(),
                                                     -label->margin(), -label->margin());
    const int lineHeight = std::max(1, QFontMetrics(label->font()).lineSpacing());
    shown = elideWrappedText(caption, label->font(), box.width(),
                             std::max(1, box.height() / lineHeight));
    label->setText(shown);
  }

  QLabel* label;
  QString caption;
  QString shown;
};

}  // namespace

void setElidedCaption(QLabel* label, const QString& caption) {
  auto* fitter = label->findChild<CaptionFitter*>(QString(), Qt::FindDirectChildrenOnly);
  if (fitter == nullptr) {
    fitter = new CaptionFitter(label);
  }
  fitter->show(caption);
}

QString elideWrappedText(const QString& text, const QFont& font, int width, int maxLines) {
  if (width <= 0 || maxLines <= 0) {
    return text;
  }
  QStringList lines;
  for (const QString& paragraph : text.split(QLatin1Char('\n'))) {
    lines << wrapParagraph(paragraph, font, width);
  }
  if (lines.size() <= maxLines) {
    return text;
  }
  lines = lines.mid(0, maxLines);
  // The last line that fits gives up as many characters as the ellipsis needs.
  const QFontMetrics metrics(font);
  QString last = lines.constLast().trimmed();
  while (!last.isEmpty() && metrics.horizontalAdvance(last + kEllipsis) > width) {
    last.chop(1);
  }
  lines.last() = last.trimmed() + kEllipsis;
  for (int i = 0; i + 1 < lines.size(); ++i) {
    lines[i] = lines[i].trimmed();
  }
  return lines.join(QLatin1Char('\n'));
}
