// The wallpaper sources as the schedule drives them: one entry per source, walked by its Source
// number. Each entry names the source's own routines; the schedule calls them directly, on the
// agent's one thread, and no source calls back.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "agent/agent_settings.h"
#include "agent/change_result.h"

namespace pixoria {

// The position one step on from `index` in a list of `size` entries.
using IndexStep = std::int32_t (*)(std::int32_t index, std::size_t size);

struct WallpaperSource {
  std::uint32_t number;                       // the Source setting that selects it
  std::string_view indexValueName;            // where its position is stored
  std::int32_t AgentSettings::*index;         // its position in the agent's settings
  std::size_t (*listSize)();                  // the entries it offers now
  IndexStep next;                             // the timer's step and the tray's Next Image
  IndexStep previous;                         // the tray's Previous Image; null without a menu
  ChangeResult (*apply)(std::int32_t index);  // shows the pair at a position
  std::string_view serverName;                // who serves it, as the tray names it
  // The online sources record their position when a download succeeds; the custom list has no
  // download, so the schedule records it after each step.
  bool recordsSteps;
};

// The entry for a Source setting; every number without an entry of its own means the custom list.
const WallpaperSource& wallpaperSource(std::uint32_t number);

}  // namespace pixoria
