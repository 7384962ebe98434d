// The custom list as a model: the user's files in the order the agent shows them, at most as many
// as it reads, each once (names compared without case, as Windows compares them). The form shows
// it in its tree widget (CustomListMirror) and stores it through the settings binder.
#pragma once

#include <QAbstractListModel>
#include <QStringList>

class CustomFileList : public QAbstractListModel {
  Q_OBJECT

 public:
  using QAbstractListModel::QAbstractListModel;

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

  const QStringList& files() const { return entries; }
  qsizetype size() const { return entries.size(); }
  bool isEmpty() const { return entries.isEmpty(); }
  QString at(qsizetype index) const { return entries.value(index); }

  // Replaces the whole list, as read from the settings.
  void setFiles(const QStringList& files);
  // Appends `path` unless the list holds it already; false when it does.
  bool append(const QString& path);
  bool contains(const QString& path) const;
  void removeAt(int index);
  void clear();

  // The longest list Add makes: neither program reads entries past kMaxCustomFiles. A test may
  // set a lower one (PIXORIA_TEST_MAX_CUSTOM_FILES) rather than build a list of 100,000 files.
  static qsizetype limit();

 private:
  QStringList entries;
};
