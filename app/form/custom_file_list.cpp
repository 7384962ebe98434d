#include "form/custom_file_list.h"

#include "pixoria/settings_schema.h"

int CustomFileList::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(entries.size());
}

QVariant CustomFileList::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= entries.size() ||
      (role != Qt::DisplayRole && role != Qt::EditRole)) {
    return {};
  }
  return entries.at(index.row());
}

void CustomFileList::setFiles(const QStringList& files) {
  beginResetModel();
  entries = files;
  endResetModel();
}

bool CustomFileList::contains(const QString& path) const {
  return entries.contains(path, Qt::CaseInsensitive);
}

bool CustomFileList::append(const QString& path) {
  if (contains(path)) {
    return false;
  }
  const auto row = static_cast<int>(entries.size());
  beginInsertRows(QModelIndex(), row, row);
  entries.append(path);
  endInsertRows();
  return true;
}

void CustomFileList::removeAt(int index) {
  if (index < 0 || index >= entries.size()) {
    return;
  }
  beginRemoveRows(QModelIndex(), index, index);
  entries.removeAt(index);
  endRemoveRows();
}

void CustomFileList::clear() {
  beginResetModel();
  entries.clear();
  endResetModel();
}

qsizetype CustomFileList::limit() {
  constexpr auto kLimit = static_cast<qsizetype>(pixoria::kMaxCustomFiles);
  bool set = false;
  const qsizetype limit = qEnvironmentVariableIntValue("PIXORIA_TEST_MAX_CUSTOM_FILES", &set);
  return set && limit > 0 && limit < kLimit ? limit : kLimit;
}
