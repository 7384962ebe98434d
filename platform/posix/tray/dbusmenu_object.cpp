#include "tray/dbusmenu_object.h"

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "pixoria/platform/messages.h"
#include "tray/menu_model.h"
#include "tray/menu_tree.h"

namespace pixoria::platform::posix {
namespace {

using PropertyNames = std::vector<std::string>;

const NotifyIconData& iconOf(void* userdata) {
  return *static_cast<const NotifyIconData*>(userdata);
}

// An `as` argument; property name lists are bounded so a caller cannot make us build huge replies.
int readStrings(sd_bus_message* message, PropertyNames& names) {
  constexpr std::size_t kMaxNames = 64;
  char** strings = nullptr;
  const int r = sd_bus_message_read_strv(message, &strings);
  if (r < 0) {
    return r;
  }
  for (char** s = strings; s != nullptr && *s != nullptr; ++s) {
    if (names.size() < kMaxNames) {
      names.emplace_back(*s);
    }
    free(*s);
  }
  free(strings);
  return 0;
}

bool wanted(const PropertyNames& names, const char* property) {
  return names.empty() || std::find(names.begin(), names.end(), property) != names.end();
}

int appendStringEntry(sd_bus_message* reply, const char* key, const std::string& value) {
  return sd_bus_message_append(reply, "{sv}", key, "s", value.c_str());
}

// The item's a{sv}: only what differs from DBusMenu's defaults (enabled, visible, standard).
int appendItemProperties(sd_bus_message* reply, const MenuTreeItem& item,
                         const PropertyNames& names) {
  int r = sd_bus_message_open_container(reply, 'a', "{sv}");
  const bool isRoot = item.id == 0;
  if (r >= 0 && !isRoot && wanted(names, "label")) {
    r = appendStringEntry(reply, "label", escapeMnemonics(item.label));
  }
  if (r >= 0 && item.isSubmenu && wanted(names, "children-display")) {
    r = appendStringEntry(reply, "children-display", "submenu");
  }
  return r < 0 ? r : sd_bus_message_close_container(reply);
}

// (ia{sv}av): the item and, while `depth` allows (-1: no limit), its children in order.
int appendLayout(sd_bus_message* reply, const std::vector<MenuTreeItem>& tree, std::size_t index,
                 int depth, const PropertyNames& names) {
  const MenuTreeItem& item = tree[index];
  int r = sd_bus_message_open_container(reply, 'r', "ia{sv}av");
  if (r >= 0) {
    r = sd_bus_message_append(reply, "i", item.id);
  }
  if (r >= 0) {
    r = appendItemProperties(reply, item, names);
  }
  if (r >= 0) {
    r = sd_bus_message_open_container(reply, 'a', "v");
  }
  for (std::size_t i = 0; r >= 0 && depth != 0 && i < item.children.size(); ++i) {
    r = sd_bus_message_open_container(reply, 'v', "(ia{sv}av)");
    if (r >= 0) {
      r = appendLayout(reply, tree, item.children[i], depth < 0 ? -1 : depth - 1, names);
    }
    if (r >= 0) {
      r = sd_bus_message_close_container(reply);
    }
  }
  if (r >= 0) {
    r = sd_bus_message_close_container(reply);
  }
  return r < 0 ? r : sd_bus_message_close_container(reply);
}

int unknownItem(sd_bus_error* error, std::int32_t id) {
  return sd_bus_error_setf(error, SD_BUS_ERROR_INVALID_ARGS, "No menu item with id %d", id);
}

int onGetLayout(sd_bus_message* call, void* userdata, sd_bus_error* error) {
  std::int32_t parentId = 0;
  std::int32_t depth = 0;
  PropertyNames names;
  int r = sd_bus_message_read(call, "ii", &parentId, &depth);
  if (r < 0 || (r = readStrings(call, names)) < 0) {
    return r;
  }
  const std::vector<MenuTreeItem> tree = buildMenuTree(iconOf(userdata).contextMenu);
  const std::ptrdiff_t parent = findMenuTreeItem(tree, parentId);
  if (parent < 0) {
    return unknownItem(error, parentId);
  }
  sd_bus_message* reply = nullptr;
  r = sd_bus_message_new_method_return(call, &reply);
  if (r >= 0) {
    r = sd_bus_message_append(reply, "u", menuRevision());
  }
  if (r >= 0) {
    r = appendLayout(reply, tree, static_cast<std::size_t>(parent), depth < 0 ? -1 : depth, names);
  }
  if (r >= 0) {
    r = sd_bus_send(nullptr, reply, nullptr);
  }
  sd_bus_message_unref(reply);
  return r;
}

int onGetGroupProperties(sd_bus_message* call, void* userdata, sd_bus_error*) {
  const std::int32_t* ids = nullptr;
  std::size_t idBytes = 0;
  PropertyNames names;
  int r = sd_bus_message_read_array(call, 'i', reinterpret_cast<const void**>(&ids), &idBytes);
  if (r < 0 || (r = readStrings(call, names)) < 0) {
    return r;
  }
  const std::vector<MenuTreeItem> tree = buildMenuTree(iconOf(userdata).contextMenu);
  sd_bus_message* reply = nullptr;
  r = sd_bus_message_new_method_return(call, &reply);
  if (r >= 0) {
    r = sd_bus_message_open_container(reply, 'a', "(ia{sv})");
  }
  // Unknown ids are left out of the answer; an empty list asks for every item.
  for (std::size_t i = 0; r >= 0 && i < tree.size(); ++i) {
    const std::size_t count = idBytes / sizeof(std::int32_t);
    if (count != 0 && std::find(ids, ids + count, tree[i].id) == ids + count) {
      continue;
    }
    r = sd_bus_message_open_container(reply, 'r', "ia{sv}");
    if (r >= 0) {
      r = sd_bus_message_append(reply, "i", tree[i].id);
    }
    if (r >= 0) {
      r = appendItemProperties(reply, tree[i], names);
    }
    if (r >= 0) {
      r = sd_bus_message_close_container(reply);
    }
  }
  if (r >= 0) {
    r = sd_bus_message_close_container(reply);
  }
  if (r >= 0) {
    r = sd_bus_send(nullptr, reply, nullptr);
  }
  sd_bus_message_unref(reply);
  return r;
}

int onGetProperty(sd_bus_message* call, void* userdata, sd_bus_error* error) {
  std::int32_t id = 0;
  const char* name = nullptr;
  int r = sd_bus_message_read(call, "is", &id, &name);
  if (r < 0) {
    return r;
  }
  const std::vector<MenuTreeItem> tree = buildMenuTree(iconOf(userdata).contextMenu);
  const std::ptrdiff_t index = findMenuTreeItem(tree, id);
  if (index < 0) {
    return unknownItem(error, id);
  }
  const MenuTreeItem& item = tree[static_cast<std::size_t>(index)];
  const std::string property = name;
  if (property == "label" && id != 0) {
    return sd_bus_reply_method_return(call, "v", "s", escapeMnemonics(item.label).c_str());
  }
  if (property == "children-display" && item.isSubmenu) {
    return sd_bus_reply_method_return(call, "v", "s", "submenu");
  }
  return sd_bus_error_setf(error, SD_BUS_ERROR_INVALID_ARGS, "No property %s", name);
}

// True when `id` names an item; a click on an item with a command posts it.
bool handleEvent(const NotifyIconData& icon, std::int32_t id, const char* eventId) {
  const std::vector<MenuTreeItem> tree = buildMenuTree(icon.contextMenu);
  const std::ptrdiff_t index = findMenuTreeItem(tree, id);
  if (index < 0) {
    return false;
  }
  const MenuTreeItem& item = tree[static_cast<std::size_t>(index)];
  if (std::string(eventId) == "clicked" && id != 0 && !item.isSubmenu) {
    postMessage(icon.window, kWmCommand, item.commandId, 0);
  }
  return true;
}

// One (isvu) event: id, event name, data (unused), timestamp.
int readEvent(sd_bus_message* message, std::int32_t& id, const char*& eventId) {
  int r = sd_bus_message_read(message, "is", &id, &eventId);
  if (r >= 0) {
    r = sd_bus_message_skip(message, "vu");
  }
  return r;
}

int onEvent(sd_bus_message* call, void* userdata, sd_bus_error* error) {
  std::int32_t id = 0;
  const char* eventId = nullptr;
  const int r = readEvent(call, id, eventId);
  if (r < 0) {
    return r;
  }
  if (!handleEvent(iconOf(userdata), id, eventId)) {
    return unknownItem(error, id);
  }
  return sd_bus_reply_method_return(call, "");
}

int onEventGroup(sd_bus_message* call, void* userdata, sd_bus_error*) {
  constexpr int kMaxEvents = 256;
  std::vector<std::int32_t> unknownIds;
  int r = sd_bus_message_enter_container(call, 'a', "(isvu)");
  for (int n = 0; r >= 0 && n < kMaxEvents; ++n) {
    r = sd_bus_message_enter_container(call, 'r', "isvu");
    if (r <= 0) {
      break;
    }
    std::int32_t id = 0;
    const char* eventId = nullptr;
    r = readEvent(call, id, eventId);
    if (r >= 0) {
      r = sd_bus_message_exit_container(call);
    }
    if (r >= 0 && !handleEvent(iconOf(userdata), id, eventId)) {
      unknownIds.push_back(id);
    }
  }
  if (r < 0) {
    return r;
  }
  sd_bus_message* reply = nullptr;
  r = sd_bus_message_new_method_return(call, &reply);
  if (r >= 0) {
    r = sd_bus_message_append_array(reply, 'i', unknownIds.data(),
                                    unknownIds.size() * sizeof(std::int32_t));
  }
  if (r >= 0) {
    r = sd_bus_send(nullptr, reply, nullptr);
  }
  sd_bus_message_unref(reply);
  return r;
}

int onAboutToShow(sd_bus_message* call, void*, sd_bus_error*) {
  return sd_bus_reply_method_return(call, "b", 0);
}

int onAboutToShowGroup(sd_bus_message* call, void*, sd_bus_error*) {
  return sd_bus_reply_method_return(call, "aiai", 0, 0);
}

int getVersion(sd_bus*, const char*, const char*, const char*, sd_bus_message* reply, void*,
               sd_bus_error*) {
  return sd_bus_message_append(reply, "u", 3u);
}

int getTextDirection(sd_bus*, const char*, const char*, const char*, sd_bus_message* reply, void*,
                     sd_bus_error*) {
  return sd_bus_message_append(reply, "s", "ltr");
}

int getStatus(sd_bus*, const char*, const char*, const char*, sd_bus_message* reply, void*,
              sd_bus_error*) {
  return sd_bus_message_append(reply, "s", "normal");
}

int getIconThemePath(sd_bus*, const char*, const char*, const char*, sd_bus_message* reply, void*,
                     sd_bus_error*) {
  return sd_bus_message_append(reply, "as", 0);
}

constexpr auto kConst = SD_BUS_VTABLE_PROPERTY_CONST;

const sd_bus_vtable kMenuVtable[] = {
    SD_BUS_VTABLE_START(0),
    SD_BUS_PROPERTY("Version", "u", getVersion, 0, kConst),
    SD_BUS_PROPERTY("TextDirection", "s", getTextDirection, 0, kConst),
    SD_BUS_PROPERTY("Status", "s", getStatus, 0, kConst),
    SD_BUS_PROPERTY("IconThemePath", "as", getIconThemePath, 0, kConst),
    SD_BUS_METHOD_WITH_ARGS("GetLayout",
                            SD_BUS_ARGS("i", parentId, "i", recursionDepth, "as", propertyNames),
                            SD_BUS_RESULT("u", revision, "(ia{sv}av)", layout), onGetLayout, 0),
    SD_BUS_METHOD_WITH_ARGS("GetGroupProperties", SD_BUS_ARGS("ai", ids, "as", propertyNames),
                            SD_BUS_RESULT("a(ia{sv})", properties), onGetGroupProperties, 0),
    SD_BUS_METHOD_WITH_ARGS("GetProperty", SD_BUS_ARGS("i", id, "s", name),
                            SD_BUS_RESULT("v", value), onGetProperty, 0),
    SD_BUS_METHOD_WITH_ARGS("Event", SD_BUS_ARGS("i", id, "s", eventId, "v", data, "u", timestamp),
                            SD_BUS_NO_RESULT, onEvent, 0),
    SD_BUS_METHOD_WITH_ARGS("EventGroup", SD_BUS_ARGS("a(isvu)", events),
                            SD_BUS_RESULT("ai", idErrors), onEventGroup, 0),
    SD_BUS_METHOD_WITH_ARGS("AboutToShow", SD_BUS_ARGS("i", id), SD_BUS_RESULT("b", needUpdate),
                            onAboutToShow, 0),
    SD_BUS_METHOD_WITH_ARGS("AboutToShowGroup", SD_BUS_ARGS("ai", ids),
                            SD_BUS_RESULT("ai", updatesNeeded, "ai", idErrors), onAboutToShowGroup,
                            0),
    SD_BUS_SIGNAL_WITH_ARGS("ItemsPropertiesUpdated",
                            SD_BUS_ARGS("a(ia{sv})", updatedProps, "a(ias)", removedProps), 0),
    SD_BUS_SIGNAL_WITH_ARGS("LayoutUpdated", SD_BUS_ARGS("u", revision, "i", parent), 0),
    SD_BUS_SIGNAL_WITH_ARGS("ItemActivationRequested", SD_BUS_ARGS("i", id, "u", timestamp), 0),
    SD_BUS_VTABLE_END};

}  // namespace

int exportDbusMenu(sd_bus* bus, sd_bus_slot** slot, const NotifyIconData* icon) {
  return sd_bus_add_object_vtable(bus, slot, kMenuPath, kMenuInterface, kMenuVtable,
                                  const_cast<NotifyIconData*>(icon));
}

}  // namespace pixoria::platform::posix
