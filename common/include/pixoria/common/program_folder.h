// The installation folder that holds both programs, as each of them finds it.
#pragma once

#include <string>

namespace pixoria {

// `installPath` (the Path setting) when set, else the folder of the running program: the two
// programs are installed side by side, and a Path that was never written would otherwise name a
// program that cannot exist.
std::string programFolder(const std::string& installPath);

}  // namespace pixoria
