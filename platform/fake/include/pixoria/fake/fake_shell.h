// Control of the fake shell and folders: the folders the programs see, what they started and the
// message boxes they showed.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace pixoria::fake {

// The roaming application-data folder, or nothing for a shell that cannot name it. The current
// directory. Both default to the process's real current directory.
void setAppDataFolder(std::optional<std::string> folder);
void setCurrentDirectory(std::string folder);

struct MessageBoxCall {
  std::string text;
  std::string title;
};
const std::vector<MessageBoxCall>& messageBoxes();

struct StartedProgram {
  std::string file;
  std::string workingFolder;
};
const std::vector<StartedProgram>& startedPrograms();
void failProgramStarts(bool fail);

void shellReset();

}  // namespace pixoria::fake
