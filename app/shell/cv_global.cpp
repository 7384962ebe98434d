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

// Opens (creating when missing) the key a write goes to; null when it cannot be had.
pf::RegKey createKey(pf::RegKey root, const QString& subKey) {
  pf::RegKey key = nullptr;
  if (root != kHkeyCurrentUser || pf::regCreateKey(utf8(subKey), key) != pf::kErrorSuccess)
    return nullptr;
  return key;
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
                          fromUtf8(pixoria::kValuePath), path))
    return QString();
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
  if (root != kHkeyCurrentUser || pf::regOpenKey(utf8(subKey), key) != pf::kErrorSuccess)
    return false;
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
  pf::RegKey key = createKey(root, subKey);
  if (key == nullptr)
    return false;
  if (pf::regSetDword(key, utf8(valueName), value) == pf::kErrorSuccess)
    qDebug() << "true";
  pf::regCloseKey(key);
  return true;
}

bool writeRegistryString(pf::RegKey root, const QString& subKey, const QString& valueName,
                         const QString& value) {
  pf::RegKey key = createKey(root, subKey);
  if (key == nullptr)
    return false;
  if (pf::regSetString(key, utf8(valueName), utf8(value)) == pf::kErrorSuccess)
    qDebug() << "true";
  pf::regCloseKey(key);
  return true;
}

}  // namespace CVGlobal
