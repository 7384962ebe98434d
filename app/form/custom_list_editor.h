// The custom list's editing: Add, Remove and Clear, and the entry the user selects. The list is a
// CustomFileList model; the form's tree widget shows it, row for row.
#pragma once

#include <QObject>
#include <QStringList>

class CustomFileList;
class PreviewController;
class QWidget;

namespace Ui {
class AutoPixoriaForm;
}

class CustomListEditor : public QObject {
  Q_OBJECT

 public:
  // `form` parents the dialogs; the tree widget follows `files` from now on.
  CustomListEditor(Ui::AutoPixoriaForm* ui, CustomFileList* files, PreviewController* preview,
                   QWidget* form);

  // Asks for files and adds them.
  void add();
  // Appends the files the list lacks, up to its limit, and says how many did not fit.
  void addFiles(const QStringList& paths);
  void removeSelected();
  void clear();
  void selectionChanged();

 signals:
  // The list changed: it is stored, and the agent told, once per edit.
  void listEdited();

 private:
  // Keeps the tree widget's items equal to the model's rows.
  void mirrorIntoTree();

  Ui::AutoPixoriaForm* ui;
  CustomFileList* files;
  PreviewController* preview;
  QWidget* form;
};
