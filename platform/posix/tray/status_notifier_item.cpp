#include "tray/status_notifier_item.h"

#include <cstring>
#include <string>
#include <vector>

#include "pixoria/platform/messages.h"
#include "tray/dbusmenu_object.h"
#include "tray/icon_pixmap.h"

namespace pixoria::platform::posix {
namespace {

const NotifyIconData& iconOf(void* userdata) {
  return *static_cast<const NotifyIconData*>(userdata);
}

// The icon sizes, drawn once for the life of the program.
const std::vector<std::vector<std::uint8_t>>& iconPixmaps() {
  static const std::vector<std::vector<std::uint8_t>> pixmaps = [] {
    std::vector<std::vector<std::uint8_t>> drawn;
    for (const int size : kIconPixmapSizes) {
      drawn.push_back(drawIconArgb(size));
    }
    return drawn;
  }();
  return pixmaps;
}

int appendPixmaps(sd_bus_message* reply) {
  int r = sd_bus_message_open_container(reply, 'a', "(iiay)");
  for (std::size_t i = 0; r >= 0 && i < std::size(kIconPixmapSizes); ++i) {
    const int size = kIconPixmapSizes[i];
    const std::vector<std::uint8_t>& pixels = iconPixmaps()[i];
    r = sd_bus_message_open_container(reply, 'r', "iiay");
    if (r >= 0) {
      r = sd_bus_message_append(reply, "ii", size, size);
    }
    if (r >= 0) {
      r = sd_bus_message_append_array(reply, 'y', pixels.data(), pixels.size());
    }
    if (r >= 0) {
      r = sd_bus_message_close_container(reply);
    }
  }
  return r < 0 ? r : sd_bus_message_close_container(reply);
}

int appendEmptyPixmaps(sd_bus_message* reply) {
  const int r = sd_bus_message_open_container(reply, 'a', "(iiay)");
  return r < 0 ? r : sd_bus_message_close_container(reply);
}

// The text properties; the tip is the program's, the rest name the program.
const char* textProperty(const char* property) {
  static constexpr const char* kTexts[][2] = {
      {"Category", "ApplicationStatus"}, {"Id", "PixoriaHelper"},
      {"Title", "Pixoria Helper"},       {"Status", "Active"},
      {"IconName", "pixoria"},           {"IconThemePath", ""},
      {"OverlayIconName", ""},           {"AttentionIconName", ""},
      {"AttentionMovieName", ""}};
  for (const auto& [name, value] : kTexts) {
    if (std::strcmp(name, property) == 0) {
      return value;
    }
  }
  return "";
}

int getText(sd_bus*, const char*, const char*, const char* property, sd_bus_message* reply, void*,
            sd_bus_error*) {
  return sd_bus_message_append(reply, "s", textProperty(property));
}

int getIconPixmap(sd_bus*, const char*, const char*, const char*, sd_bus_message* reply, void*,
                  sd_bus_error*) {
  return appendPixmaps(reply);
}

int getNoPixmap(sd_bus*, const char*, const char*, const char*, sd_bus_message* reply, void*,
                sd_bus_error*) {
  return appendEmptyPixmaps(reply);
}

struct TipLines {
  std::string title;
  std::string description;
};

// Windows shows a tip's line breaks as they are; a tray host shows a title and a description.
TipLines splitTip(const std::string& tip) {
  const std::size_t newline = tip.find('\n');
  if (newline == std::string::npos) {
    return {tip, ""};
  }
  std::size_t titleEnd = newline;
  if (titleEnd > 0 && tip[titleEnd - 1] == '\r') {
    --titleEnd;
  }
  return {tip.substr(0, titleEnd), tip.substr(newline + 1)};
}

// (icon name, icon pixmaps, title, description): the tip's first line is the title, the lines
// after it the description, which hosts show in smaller type beneath. Not constant: it changes
// with NIM_MODIFY, which NewToolTip announces (not PropertiesChanged).
int getToolTip(sd_bus*, const char*, const char*, const char*, sd_bus_message* reply,
               void* userdata, sd_bus_error*) {
  const TipLines lines = splitTip(iconOf(userdata).tip);
  int r = sd_bus_message_open_container(reply, 'r', "sa(iiay)ss");
  if (r >= 0) {
    r = sd_bus_message_append(reply, "s", "");
  }
  if (r >= 0) {
    r = appendEmptyPixmaps(reply);
  }
  if (r >= 0) {
    r = sd_bus_message_append(reply, "ss", lines.title.c_str(), lines.description.c_str());
  }
  return r < 0 ? r : sd_bus_message_close_container(reply);
}

int getMenu(sd_bus*, const char*, const char*, const char*, sd_bus_message* reply, void*,
            sd_bus_error*) {
  return sd_bus_message_append(reply, "o", kMenuPath);
}

int getItemIsMenu(sd_bus*, const char*, const char*, const char*, sd_bus_message* reply, void*,
                  sd_bus_error*) {
  return sd_bus_message_append(reply, "b", 0);
}

int getWindowId(sd_bus*, const char*, const char*, const char*, sd_bus_message* reply, void*,
                sd_bus_error*) {
  return sd_bus_message_append(reply, "i", 0);
}

int postMouseEvent(sd_bus_message* call, void* userdata, std::uint32_t mouseMessage) {
  const NotifyIconData& icon = iconOf(userdata);
  // The mouse event travels as the second parameter, the icon's id as the first, as on Windows.
  postMessage(icon.window, icon.callbackMessage, icon.id, static_cast<LParam>(mouseMessage));
  return sd_bus_reply_method_return(call, "");
}

int onActivate(sd_bus_message* call, void* userdata, sd_bus_error*) {
  return postMouseEvent(call, userdata, kWmLButtonDblClk);
}

int onContextMenu(sd_bus_message* call, void* userdata, sd_bus_error*) {
  return postMouseEvent(call, userdata, kWmRButtonDown);
}

int onIgnored(sd_bus_message* call, void*, sd_bus_error*) {
  return sd_bus_reply_method_return(call, "");
}

constexpr auto kConst = SD_BUS_VTABLE_PROPERTY_CONST;

const sd_bus_vtable kItemVtable[] = {
    SD_BUS_VTABLE_START(0),
    SD_BUS_PROPERTY("Category", "s", getText, 0, kConst),
    SD_BUS_PROPERTY("Id", "s", getText, 0, kConst),
    SD_BUS_PROPERTY("Title", "s", getText, 0, kConst),
    SD_BUS_PROPERTY("Status", "s", getText, 0, kConst),
    SD_BUS_PROPERTY("WindowId", "i", getWindowId, 0, kConst),
    SD_BUS_PROPERTY("IconThemePath", "s", getText, 0, kConst),
    SD_BUS_PROPERTY("IconName", "s", getText, 0, kConst),
    SD_BUS_PROPERTY("IconPixmap", "a(iiay)", getIconPixmap, 0, kConst),
    SD_BUS_PROPERTY("OverlayIconName", "s", getText, 0, kConst),
    SD_BUS_PROPERTY("OverlayIconPixmap", "a(iiay)", getNoPixmap, 0, kConst),
    SD_BUS_PROPERTY("AttentionIconName", "s", getText, 0, kConst),
    SD_BUS_PROPERTY("AttentionIconPixmap", "a(iiay)", getNoPixmap, 0, kConst),
    SD_BUS_PROPERTY("AttentionMovieName", "s", getText, 0, kConst),
    SD_BUS_PROPERTY("ToolTip", "(sa(iiay)ss)", getToolTip, 0, 0),
    SD_BUS_PROPERTY("ItemIsMenu", "b", getItemIsMenu, 0, kConst),
    SD_BUS_PROPERTY("Menu", "o", getMenu, 0, kConst),
    SD_BUS_METHOD_WITH_ARGS("Activate", SD_BUS_ARGS("i", x, "i", y), SD_BUS_NO_RESULT, onActivate,
                            0),
    SD_BUS_METHOD_WITH_ARGS("SecondaryActivate", SD_BUS_ARGS("i", x, "i", y), SD_BUS_NO_RESULT,
                            onIgnored, 0),
    SD_BUS_METHOD_WITH_ARGS("ContextMenu", SD_BUS_ARGS("i", x, "i", y), SD_BUS_NO_RESULT,
                            onContextMenu, 0),
    SD_BUS_METHOD_WITH_ARGS("Scroll", SD_BUS_ARGS("i", delta, "s", orientation), SD_BUS_NO_RESULT,
                            onIgnored, 0),
    SD_BUS_SIGNAL("NewTitle", "", 0),
    SD_BUS_SIGNAL("NewIcon", "", 0),
    SD_BUS_SIGNAL("NewAttentionIcon", "", 0),
    SD_BUS_SIGNAL("NewOverlayIcon", "", 0),
    SD_BUS_SIGNAL("NewToolTip", "", 0),
    SD_BUS_SIGNAL_WITH_ARGS("NewStatus", SD_BUS_ARGS("s", status), 0),
    SD_BUS_VTABLE_END};

}  // namespace

int exportStatusNotifierItem(sd_bus* bus, sd_bus_slot** slot, const NotifyIconData* icon) {
  return sd_bus_add_object_vtable(bus, slot, kItemPath, kItemInterface, kItemVtable,
                                  const_cast<NotifyIconData*>(icon));
}

}  // namespace pixoria::platform::posix
