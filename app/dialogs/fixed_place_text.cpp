#include "dialogs/fixed_place_text.h"

#include <QDialog>
#include <QLabel>
#include <algorithm>

namespace {

// The room kept between a label's text and what follows it, and inside the dialog's right edge.
constexpr int kSpacing = 6;
constexpr int kRightMargin = 14;

}  // namespace

void growToText(QLabel* label) {
  const QSize hint = label->sizeHint();
  label->resize(std::max(label->width(), hint.width()), std::max(label->height(), hint.height()));
}

void keepClearOf(QLabel* leading, QWidget* following) {
  const int textWidth = leading->sizeHint().width();
  const int textEnd = leading->x() + textWidth;
  if (textEnd + kSpacing > following->x()) {
    following->move(textEnd + kSpacing, following->y());
  }
  const int room = following->x() - kSpacing - leading->x();
  if (leading->width() > room) {
    leading->resize(std::max(room, textWidth), leading->height());
  }
}

void widenToChildren(QDialog* dialog) {
  int right = 0;
  for (const QWidget* child : dialog->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
    right = std::max(right, child->geometry().right() + 1);
  }
  if (right + kRightMargin > dialog->width()) {
    dialog->resize(right + kRightMargin, dialog->height());
  }
}
