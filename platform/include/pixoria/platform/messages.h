// Window message numbers, with their Windows values. The names are the project's own: windows.h
// defines the Windows names (in the comments) as macros.
#pragma once

#include <cstdint>

namespace pixoria::platform {

inline constexpr std::uint32_t kWmNull = 0x0000;            // WM_NULL
inline constexpr std::uint32_t kWmClose = 0x0010;           // WM_CLOSE
inline constexpr std::uint32_t kWmQuit = 0x0012;            // WM_QUIT
inline constexpr std::uint32_t kWmCommand = 0x0111;         // WM_COMMAND
inline constexpr std::uint32_t kWmTimer = 0x0113;           // WM_TIMER
inline constexpr std::uint32_t kWmSysCommand = 0x0112;      // WM_SYSCOMMAND
inline constexpr std::uint32_t kWmLButtonDown = 0x0201;     // WM_LBUTTONDOWN
inline constexpr std::uint32_t kWmLButtonUp = 0x0202;       // WM_LBUTTONUP
inline constexpr std::uint32_t kWmLButtonDblClk = 0x0203;   // WM_LBUTTONDBLCLK
inline constexpr std::uint32_t kWmRButtonDown = 0x0204;     // WM_RBUTTONDOWN
inline constexpr std::uint32_t kWmRButtonUp = 0x0205;       // WM_RBUTTONUP
inline constexpr std::uint32_t kWmPowerBroadcast = 0x0218;  // WM_POWERBROADCAST
inline constexpr std::uint32_t kWmUser = 0x0400;            // WM_USER

// kWmSysCommand's first parameter for "restore the window".
inline constexpr std::uintptr_t kScRestore = 0xF120;  // SC_RESTORE

// kWmPowerBroadcast's first parameter after the machine woke from sleep.
inline constexpr std::uintptr_t kPbtApmResumeAutomatic = 0x12;  // PBT_APMRESUMEAUTOMATIC

inline constexpr std::uint16_t loWord(std::uintptr_t value) {
  return static_cast<std::uint16_t>(value & 0xFFFF);
}

}  // namespace pixoria::platform
