// A menu flattened into the numbered items a DBusMenu reader sees.
//
// Item 0 is the root. An item with a command number uses that number as its id, so a host and a
// log speak of the same number the program does. Submenus (and items whose command could not
// serve as an id) get ids from kGeneratedIdBase on, numbered in the order of a walk from the root,
// so they never collide with command numbers, which Windows carries in 16 bits.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "pixoria/platform/tray.h"

namespace pixoria::platform::posix {

inline constexpr std::int32_t kGeneratedIdBase = 0x40000000;

// Submenus nest at most this deep; deeper ones are shown empty.
inline constexpr int kMaxMenuDepth = 8;

struct MenuTreeItem {
  std::int32_t id = 0;
  std::string label;  // as appended, without mnemonic escaping
  bool isSubmenu = false;
  std::uint32_t commandId = 0;
  std::vector<std::size_t> children;  // indexes into the tree
};

// The tree of `root`; a tree with only the root item when `root` is null or not a live menu.
std::vector<MenuTreeItem> buildMenuTree(MenuHandle root);

// The index of the item with `id`, or -1.
std::ptrdiff_t findMenuTreeItem(const std::vector<MenuTreeItem>& tree, std::int32_t id);

// DBusMenu reads '_' as the mark of a mnemonic; a literal underscore is written twice.
std::string escapeMnemonics(const std::string& label);

}  // namespace pixoria::platform::posix
