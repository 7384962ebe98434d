// The custom list: showing one of the user's files, and adding, removing and clearing entries.
// Each change is stored at once and the agent told.
#include <QDebug>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QTreeWidgetItem>

#include "form/auto_pixoria_form.h"
#include "form/pictures_folder.h"
#include "pixoria/settings_schema.h"
#include "ui_auto_pixoria_form.h"

namespace {

// The longest list Add makes: neither program reads entries past kMaxCustomFiles. A test may set
// a lower one (PIXORIA_TEST_MAX_CUSTOM_FILES) rather than build a list of 100,000 files.
qsizetype customFileLimit() {
  constexpr auto kLimit = static_cast<qsizetype>(pixoria::kMaxCustomFiles);
  bool set = false;
  const qsizetype limit = qEnvironmentVariableIntValue("PIXORIA_TEST_MAX_CUSTOM_FILES", &set);
  return set && limit > 0 && limit < kLimit ? limit : kLimit;
}

}  // namespace

void AutoPixoriaForm::setCustomNavigationVisible() {
  const bool several = customFileList.size() > 1;
  ui->pixoriaBackToolButton->setVisible(several);
  ui->pixoriaNextToolButton->setVisible(several);
}

void AutoPixoriaForm::showCustomImage(int index) {
  setCustomNavigationVisible();
  if (customFileList.isEmpty()) {
    discardPendingPicture();
    ui->pixoriaImage->setText(QStringLiteral("Loading image from the list..."));
    ui->pixoriaImageButton->hide();
    ui->pixoriaImageSaveButton->hide();
    customWalpaperSourceURLIndex = -1;
    return;
  }
  if (index < 0 || index >= customFileList.size()) {
    index = 0;
  }
  customWalpaperSourceURLIndex = index;
  const QString& path = customFileList.at(index);
  ui->PreviewLabel->setText(QFileInfo(path).fileName());
  // An entry that is already selected only becomes current, so a selection of several entries
  // (for Remove) survives the preview of its first one.
  QTreeWidgetItem* item = ui->customSourceTreeWidget->topLevelItem(index);
  if (item != nullptr && item->isSelected()) {
    ui->customSourceTreeWidget->setCurrentItem(item, 0, QItemSelectionModel::NoUpdate);
  } else {
    ui->customSourceTreeWidget->setCurrentItem(item);
  }
  ui->pixoriaImageButton->show();
  ui->pixoriaImageSaveButton->show();
  // Decoded on a worker thread at the preview's size: the user's files may be huge. A file that
  // is gone or does not decode gives an empty picture.
  showScaled(path);
}

void AutoPixoriaForm::on_customSourceAddPushButton_clicked() {
  addCustomFiles(QFileDialog::getOpenFileNames(this, tr("Add Image File"), picturesFolder(),
                                               tr("Image Files (*.png *.jpg *.jpeg)")));
}

void AutoPixoriaForm::addCustomFiles(const QStringList& paths) {
  const qsizetype before = customFileList.size();
  qsizetype notAdded = 0;
  for (const QString& path : paths) {
    if (customFileList.contains(path, Qt::CaseInsensitive)) {
      continue;
    }
    if (customFileList.size() >= customFileLimit()) {
      ++notAdded;
      continue;
    }
    customFileList.append(path);
    if (customFileList.size() == 1) {
      customWalpaperSourceURLIndex = 0;
      showCustomImage(0);
    } else {
      ui->pixoriaBackToolButton->show();
      ui->pixoriaNextToolButton->show();
    }
    ui->customSourceTreeWidget->addTopLevelItem(new QTreeWidgetItem(QStringList{path}));
  }
  // One write and one reload for the whole choice: each write rewrites the whole list, and each
  // reload makes the agent redo its source.
  if (customFileList.size() != before) {
    writeCustomList(true);
  }
  if (notAdded > 0) {
    const QString files = notAdded == 1 ? tr("1 file was") : tr("%1 files were").arg(notAdded);
    QMessageBox::warning(
        this, tr("Error"),
        tr("%1 not added: the list holds at most %2 files.").arg(files).arg(customFileLimit()));
  }
}

void AutoPixoriaForm::on_customSourceRemovePushButton_clicked() {
  const QList<QTreeWidgetItem*> selected = ui->customSourceTreeWidget->selectedItems();
  for (auto item = selected.crbegin(); item != selected.crend(); ++item) {
    const int index = ui->customSourceTreeWidget->indexOfTopLevelItem(*item);
    qDebug() << "indexToRemove: " << index;
    if (index < 0) {
      continue;
    }
    customFileList.removeAt(index);
    delete *item;
    if (index == customWalpaperSourceURLIndex) {
      showCustomImage(index);
    }
  }
  writeCustomList(true);
  if (customFileList.size() < 2) {
    ui->pixoriaBackToolButton->hide();
    ui->pixoriaNextToolButton->hide();
  }
}

void AutoPixoriaForm::on_customSourceClearPushButton_clicked() {
  ui->customSourceTreeWidget->clear();
  customFileList.clear();
  writeCustomList(true);
  ui->pixoriaBackToolButton->hide();
  ui->pixoriaNextToolButton->hide();
}

void AutoPixoriaForm::on_customSourceTree_itemSelectionChanged() {
  qDebug() << "on_customSourceTree_itemSelectionChanged";
  const QList<QTreeWidgetItem*> selected = ui->customSourceTreeWidget->selectedItems();
  if (selected.isEmpty()) {
    ui->customSourceRemovePushButton->setEnabled(false);
    ui->customSourceClearPushButton->setEnabled(false);
    ui->PreviewLabel->setText(QStringLiteral("Preview"));
    discardPendingPicture();
    ui->pixoriaImage->clear();
    return;
  }
  ui->customSourceRemovePushButton->setEnabled(true);
  ui->customSourceClearPushButton->setEnabled(true);
  QTreeWidgetItem* first = selected.first();
  const int index = first->parent() != nullptr
                        ? first->parent()->indexOfChild(first)
                        : ui->customSourceTreeWidget->indexOfTopLevelItem(first);
  customWalpaperSourceURLIndex = index;
  ui->PreviewLabel->setText(QFileInfo(customFileList.value(index)).fileName());
  showCustomImage(index);
}
