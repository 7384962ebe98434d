#include "tray/menu_tree.h"

#include "tray/menu_model.h"

namespace pixoria::platform::posix {
namespace {

bool canServeAsId(std::uint32_t commandId) {
  return commandId != 0 && commandId < static_cast<std::uint32_t>(kGeneratedIdBase);
}

class TreeBuilder {
 public:
  std::vector<MenuTreeItem> build(MenuHandle root) {
    tree_.push_back(MenuTreeItem{0, "", true, 0, {}});
    if (isLiveMenu(root)) {
      addChildren(0, root, 1);
    }
    return std::move(tree_);
  }

 private:
  void addChildren(std::size_t parent, const Menu* menu, int depth) {
    for (const MenuEntry& entry : menu->entries) {
      const bool isSubmenu = entry.submenu != nullptr;
      MenuTreeItem item;
      item.id = !isSubmenu && canServeAsId(entry.commandId)
                    ? static_cast<std::int32_t>(entry.commandId)
                    : nextGeneratedId_++;
      item.label = entry.label;
      item.isSubmenu = isSubmenu;
      item.commandId = entry.commandId;
      const std::size_t index = tree_.size();
      tree_.push_back(std::move(item));
      tree_[parent].children.push_back(index);
      if (isSubmenu && depth < kMaxMenuDepth && isLiveMenu(entry.submenu)) {
        addChildren(index, entry.submenu, depth + 1);
      }
    }
  }

  std::vector<MenuTreeItem> tree_;
  std::int32_t nextGeneratedId_ = kGeneratedIdBase;
};

}  // namespace

std::vector<MenuTreeItem> buildMenuTree(MenuHandle root) {
  return TreeBuilder().build(root);
}

std::ptrdiff_t findMenuTreeItem(const std::vector<MenuTreeItem>& tree, std::int32_t id) {
  for (std::size_t i = 0; i < tree.size(); ++i) {
    if (tree[i].id == id) {
      return static_cast<std::ptrdiff_t>(i);
    }
  }
  return -1;
}

std::string escapeMnemonics(const std::string& label) {
  std::string escaped;
  escaped.reserve(label.size());
  for (const char c : label) {
    if (c == '_') {
      escaped += '_';
    }
    escaped += c;
  }
  return escaped;
}

}  // namespace pixoria::platform::posix
