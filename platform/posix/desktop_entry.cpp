#include "desktop_entry.h"

namespace pixoria::platform::posix {
namespace {

constexpr std::string_view kReservedInExec = " \t\n\"'\\><~|&;$*?#()`";
constexpr std::string_view kEscapedInQuotes = "\"`$\\";

}  // namespace

std::string escapeDesktopString(std::string_view text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    switch (text[i]) {
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\t':
        out += "\\t";
        break;
      case '\r':
        out += "\\r";
        break;
      case ' ':
        out += i == 0 ? "\\s" : " ";
        break;
      default:
        out += text[i];
    }
  }
  return out;
}

std::string quoteExecArgument(std::string_view argument) {
  const bool needsQuotes =
      argument.empty() || argument.find_first_of(kReservedInExec) != std::string_view::npos;
  std::string out;
  if (needsQuotes) {
    out += '"';
  }
  for (char c : argument) {
    if (c == '%') {
      out += "%%";
      continue;
    }
    if (needsQuotes && kEscapedInQuotes.find(c) != std::string_view::npos) {
      out += '\\';
    }
    out += c;
  }
  if (needsQuotes) {
    out += '"';
  }
  return out;
}

std::string autostartEntryText(std::string_view name, std::string_view programPath) {
  return "[Desktop Entry]\n"
         "Type=Application\n"
         "Name=" +
         escapeDesktopString(name) +
         "\n"
         "Exec=" +
         escapeDesktopString(quoteExecArgument(programPath)) +
         "\n"
         // The session skips an entry whose TryExec names no program, so an agent that was
         // uninstalled leaves no failing start behind at every login.
         "TryExec=" +
         escapeDesktopString(programPath) +
         "\n"
         "X-GNOME-Autostart-enabled=true\n";
}

}  // namespace pixoria::platform::posix
