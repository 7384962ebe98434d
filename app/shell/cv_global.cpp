#include "shell/cv_global.h"

#include <QDebug>
#include <string>

#include "pixoria/protocol.h"
#include "pixoria/settings_schema.h"
#include "pixoria/version.h"
#include "shell/utf8_text.h"

namespace CVGlobal {

namespace pf = pixoria::platform;

QString wallpaperPath;

namespace {

std::string utf8(const QString& text) {
  return text.toStdString();
}

// Opens (creating when missing) the key a write goes to, and gives it to `write`; the first
// failure of the two.
template <typename Write>
pf::ErrorCode writeToKey(pf::RegKey root, const QString& subKey, Write&& write) {
  if (root != kHkeyCurrentUser) {
    return pf::kErrorInvalidHandle;
  }
  pf::RegKey key = nullptr;
  pf::ErrorCode result = pf::regCreateKey(utf8(subKey), key);
  if (result == pf::kErrorSuccess) {
    result = write(key);
  }
  pf::regCloseKey(key);
  if (result == pf::kErrorSuccess) {
    qDebug() << "true";
  } else {
    qDebug().noquote() << subKey + " : Cannot write to registry (error " + QString::number(result) +
                              ").";
  }
  return result;
}

}  // namespace

// Also the main window's title, by which the agent finds it.
QString appName() {
  return fromUtf8(pixoria::kAppWindowTitle);
}

QString versionString() {
  return QStringLiteral("%1.%2.%3")
      .arg(pixoria::kVersionMajor)
      .arg(pixoria::kVersionMinor)
      .arg(pixoria::kVersionPatch);
}

QString installPath() {
  QString path;
  if (!readRegistryString(kHkeyCurrentUser, fromUtf8(pixoria::kSettingsKey),
                          fromUtf8(pixoria::kValuePath), path)) {
    return QString();
  }
  return path;
}

bool readRegistryDword(pf::RegKey root, const QString& subKey, const QString& valueName,
                       std::uint32_t* value) {
  std::uint32_t read = 0;
  if (value != nullptr &&
      pf::regGetDword(root, utf8(subKey), utf8(valueName), read) == pf::kErrorSuccess) {
    *value = read;
    return true;
  }
  qDebug().noquote() << subKey + " : " + valueName + " : Cannot read DWORD from registry.";
  return false;
}

bool readRegistryString(pf::RegKey root, const QString& subKey, const QString& valueName,
                        QString& value) {
  value.clear();
  pf::RegKey key = nullptr;
  if (root != kHkeyCurrentUser || pf::regOpenKey(utf8(subKey), key) != pf::kErrorSuccess) {
    return false;
  }
  std::string read;
  const pf::ErrorCode result = pf::regGetString(key, {}, utf8(valueName), read);
  pf::regCloseKey(key);
  if (result != pf::kErrorSuccess) {
    qDebug() << "error";
    return false;
  }
  value = QString::fromStdString(read);
  return true;
}

bool writeRegistryDword(pf::RegKey root, const QString& subKey, const QString& valueName,
                        std::uint32_t value) {
  return writeToKey(root, subKey, [&](pf::RegKey key) {
           return pf::regSetDword(key, utf8(valueName), value);
         }) == pf::kErrorSuccess;
}

bool writeRegistryString(pf::RegKey root, const QString& subKey, const QString& valueName,
                         const QString& value) {
  return writeToKey(root, subKey, [&](pf::RegKey key) {
           return pf::regSetString(key, utf8(valueName), utf8(value));
         }) == pf::kErrorSuccess;
}

pf::ErrorCode writeRegistryValues(pf::RegKey root, const QString& subKey,
                                  const pf::RegValueBatch& batch) {
  return writeToKey(root, subKey,
                    [&](pf::RegKey key) { return pf::regSetMultipleValues(key, batch); });
}

QString writeFailureReason(pf::ErrorCode error) {
  switch (error) {
    case pf::kErrorDiskFull:
      return QStringLiteral("the disk is full");
    case pf::kErrorWriteProtect:
      return QStringLiteral("the disk is read-only");
    case pf::kErrorAccessDenied:
      return QStringLiteral("permission denied (the settings folder is read-only)");
    case pf::kErrorFileTooLarge:
      return QStringLiteral("the settings would grow larger than Pixoria can read back");
    case pf::kErrorInvalidData:
      return QStringLiteral("the settings file is larger than Pixoria can read");
    case pf::kErrorInvalidParameter:
      return QStringLiteral("a name holds a line break");
    default:
      return QStringLiteral("error %1").arg(error);
  }
}

}  // namespace CVGlobal
