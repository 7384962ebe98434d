// Known folders and the file system facts the programs need, after shell32 and kernel32.
#pragma once

#include <string>
#include <string_view>

namespace pixoria::platform {

// The separator between folder names in a path ('\\' on Windows, '/' elsewhere).
// And the ending of a program's file name.
#ifdef _WIN32
inline constexpr char kPathSeparator = '\\';
inline constexpr std::string_view kProgramSuffix = ".exe";
#else
inline constexpr char kPathSeparator = '/';
inline constexpr std::string_view kProgramSuffix = "";
#endif

// SHGetFolderPathW(CSIDL_APPDATA): the roaming application-data folder ($XDG_DATA_HOME on Linux).
bool getAppDataFolder(std::string& folder);

// SHGetFolderPathW(CSIDL_MYPICTURES): the user's Pictures folder.
bool getPicturesFolder(std::string& folder);

// GetCurrentDirectoryW.
bool getCurrentDirectory(std::string& folder);

// The folder that holds the running program's executable.
bool getExecutableFolder(std::string& folder);

// FindFirstFileW as an existence test: true when something exists at the path.
bool fileExists(std::string_view path);

// SHCreateDirectoryExW: creates the folder and any missing parents. True when it exists after.
bool createDirectories(std::string_view folder);

}  // namespace pixoria::platform
