#include "agent/tray_tip.h"

#include "agent/agent_window.h"
#include "pixoria/platform/tray.h"

namespace pixoria {

namespace pf = platform;

namespace {

std::string currentTip(kTrayTipTitle);

bool isContinuationByte(char byte) {
  return (static_cast<unsigned char>(byte) & 0xC0U) == 0x80U;
}

// Cuts a UTF-8 text to `limit` bytes without splitting a character.
std::string cutTo(std::string text, std::size_t limit) {
  if (text.size() <= limit) {
    return text;
  }
  std::size_t end = limit;
  while (end > 0 && isContinuationByte(text[end])) {
    --end;
  }
  text.resize(end);
  return text;
}

}  // namespace

const std::string& trayTip() {
  return currentTip;
}

void showTrayTip(std::string_view detail) {
  std::string tip(kTrayTipTitle);
  if (!detail.empty()) {
    tip += '\n';
    tip += detail;
  }
  tip = cutTo(std::move(tip), kMaxTrayTipBytes);
  if (tip == currentTip) {
    return;
  }
  currentTip = std::move(tip);
  pf::NotifyIconData icon;
  icon.window = agentWindow;
  icon.id = TRAY_ICON_ID;
  icon.flags = pf::kNifTip;
  icon.tip = currentTip;
  // No icon shown (no tray yet): the tip waits in currentTip for the next add.
  pf::notifyIconModify(icon);
}

void resetTrayTip() {
  currentTip = kTrayTipTitle;
}

}  // namespace pixoria
