// The configuration application's process-wide values and its registry functions.
//
// The registry functions work on the per-user registry that the agent reads too. Their root key is
// HKEY_CURRENT_USER, the only root the platform's registry has: subkey paths are opened and
// created under it.
#pragma once

#include <QString>
#include <cstdint>

#include "pixoria/platform/registry.h"

namespace CVGlobal {

// Full path of the preview image file; set before each preview download.
extern QString wallpaperPath;

// The root key of every registry function below (HKEY_CURRENT_USER).
inline constexpr pixoria::platform::RegKey kHkeyCurrentUser = nullptr;

QString appName();
QString versionString();

// The "Path" value of the settings key, or an empty string.
QString installPath();

// True when a DWORD value was read into `value`; otherwise `value` keeps what it held.
bool readRegistryDword(pixoria::platform::RegKey root, const QString& subKey,
                       const QString& valueName, std::uint32_t* value);

// True when a string value was read; `value` is emptied first.
bool readRegistryString(pixoria::platform::RegKey root, const QString& subKey,
                        const QString& valueName, QString& value);

// True when the value was written; false when the key cannot be opened or created or the value
// write fails (the reason is in the debug output).
bool writeRegistryDword(pixoria::platform::RegKey root, const QString& subKey,
                        const QString& valueName, std::uint32_t value);
bool writeRegistryString(pixoria::platform::RegKey root, const QString& subKey,
                         const QString& valueName, const QString& value);

// Writes every change of `batch` to the key as one update (regSetMultipleValues), creating the
// key when missing; the registry's result, kErrorSuccess when all of it was written.
pixoria::platform::ErrorCode writeRegistryValues(pixoria::platform::RegKey root,
                                                 const QString& subKey,
                                                 const pixoria::platform::RegValueBatch& batch);

// Why a write failed, in words for the user: "the disk is full", ...
QString writeFailureReason(pixoria::platform::ErrorCode error);

}  // namespace CVGlobal
