#include "form/custom_list_editor.h"

#include <QDebug>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QTreeWidgetItem>

#include "form/custom_file_list.h"
#include "form/pictures_folder.h"
#include "form/preview_controller.h"
#include "ui_auto_pixoria_form.h"

namespace {

QList<QTreeWidgetItem*> itemsFor(const QStringList& paths) {
  QList<QTreeWidgetItem*> items;
  items.reserve(paths.size());
  for (const QString& path : paths) {
    items.append(new QTreeWidgetItem(QStringList{path}));
  }
  return items;
}

}  // namespace

CustomListEditor::CustomListEditor(Ui::AutoPixoriaForm* ui, CustomFileList* files,
                                   PreviewController* preview, QWidget* form)
    : QObject(form), ui(ui), files(files), preview(preview), form(form) {
  mirrorIntoTree();
}

void CustomListEditor::mirrorIntoTree() {
  QTreeWidget* tree = ui->customSourceTreeWidget;
  // A whole list (read at start, or cleared) arrives in one piece: 100,000 single inserts would
  // take the tree minutes.
  connect(files, &CustomFileList::modelReset, this, [this, tree] {
    tree->clear();
    tree->addTopLevelItems(itemsFor(files->files()));
  });
  connect(files, &CustomFileList::rowsInserted, this,
          [this, tree](const QModelIndex&, int first, int last) {
            tree->insertTopLevelItems(first, itemsFor(files->files().mid(first, last - first + 1)));
          });
  connect(files, &CustomFileList::rowsRemoved, this,
          [tree](const QModelIndex&, int first, int last) {
            for (int row = last; row >= first; --row) {
              delete tree->topLevelItem(row);
            }
          });
}

void CustomListEditor::add() {
  addFiles(QFileDialog::getOpenFileNames(form, tr("Add Image File"), picturesFolder(),
                                         tr("Image Files (*.png *.jpg *.jpeg)")));
}

void CustomListEditor::addFiles(const QStringList& paths) {
  const qsizetype before = files->size();
  qsizetype notAdded = 0;
  for (const QString& path : paths) {
    if (files->contains(path)) {
      continue;
    }
    if (files->size() >= CustomFileList::limit()) {
      ++notAdded;
      continue;
    }
    files->append(path);
    if (files->size() == 1) {
      // The list was empty a moment ago: nothing in it is selected to keep or to change.
      preview->positions().custom = 0;
      preview->showCustomImage(0, false);
    } else {
      ui->pixoriaBackToolButton->show();
      ui->pixoriaNextToolButton->show();
    }
  }
  // One write and one reload for the whole choice: each write rewrites the whole list, and each
  // reload makes the agent redo its source.
  if (files->size() != before) {
    emit listEdited();
  }
  if (notAdded > 0) {
    const QString count = notAdded == 1 ? tr("1 file was") : tr("%1 files were").arg(notAdded);
    QMessageBox::warning(form, tr("Error"),
                         tr("%1 not added: the list holds at most %2 files.")
                             .arg(count)
                             .arg(CustomFileList::limit()));
  }
}

void CustomListEditor::removeSelected() {
  const QList<QTreeWidgetItem*> selected = ui->customSourceTreeWidget->selectedItems();
  for (auto item = selected.crbegin(); item != selected.crend(); ++item) {
    const int index = ui->customSourceTreeWidget->indexOfTopLevelItem(*item);
    qDebug() << "indexToRemove: " << index;
    if (index < 0) {
      continue;
    }
    // The tree's item goes with the row.
    files->removeAt(index);
    if (index == preview->positions().custom) {
      preview->showCustomImage(index);
    }
  }
  emit listEdited();
  if (files->size() < 2) {
    ui->pixoriaBackToolButton->hide();
    ui->pixoriaNextToolButton->hide();
  }
}

void CustomListEditor::clear() {
  files->clear();
  emit listEdited();
  ui->pixoriaBackToolButton->hide();
  ui->pixoriaNextToolButton->hide();
}

void CustomListEditor::selectionChanged() {
  qDebug() << "on_customSourceTree_itemSelectionChanged";
  const QList<QTreeWidgetItem*> selected = ui->customSourceTreeWidget->selectedItems();
  if (selected.isEmpty()) {
    ui->customSourceRemovePushButton->setEnabled(false);
    ui->customSourceClearPushButton->setEnabled(false);
    ui->PreviewLabel->setText(QStringLiteral("Preview"));
    preview->discardPendingPicture();
    ui->pixoriaImage->clear();
    return;
  }
  ui->customSourceRemovePushButton->setEnabled(true);
  ui->customSourceClearPushButton->setEnabled(true);
  QTreeWidgetItem* first = selected.first();
  const int index = first->parent() != nullptr
                        ? first->parent()->indexOfChild(first)
                        : ui->customSourceTreeWidget->indexOfTopLevelItem(first);
  preview->positions().custom = index;
  ui->PreviewLabel->setText(QFileInfo(files->at(index)).fileName());
  preview->showCustomImage(index);
}
