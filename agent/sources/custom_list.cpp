#include "agent/sources/custom_list.h"

#include <string>
#include <vector>

#include "agent/agent_settings.h"
#include "agent/list_pair.h"
#include "agent/wallpaper_setter.h"

namespace pixoria {

ChangeResult applyCustomPair(std::int32_t index) {
  const std::vector<std::string>& files = agentSettings.customFiles;
  if (files.empty()) {
    return {};
  }
  const ListPair pair = listPair(index, files.size());
  agentSettings.customIndex = pair.first;
  setWallpaperPair(files[static_cast<std::size_t>(pair.first)],
                   files[static_cast<std::size_t>(pair.second)]);
  return {};
}

std::size_t customListSize() {
  return agentSettings.customFiles.size();
}

}  // namespace pixoria
