// Window message numbers, with their Windows values.
#pragma once

#include <cstdint>

namespace pixoria::platform {

inline constexpr std::uint32_t WM_NULL = 0x0000;
inline constexpr std::uint32_t WM_CLOSE = 0x0010;
inline constexpr std::uint32_t WM_QUIT = 0x0012;
inline constexpr std::uint32_t WM_COMMAND = 0x0111;
inline constexpr std::uint32_t WM_TIMER = 0x0113;
inline constexpr std::uint32_t WM_SYSCOMMAND = 0x0112;
inline constexpr std::uint32_t WM_LBUTTONDOWN = 0x0201;
inline constexpr std::uint32_t WM_LBUTTONUP = 0x0202;
inline constexpr std::uint32_t WM_LBUTTONDBLCLK = 0x0203;
inline constexpr std::uint32_t WM_RBUTTONDOWN = 0x0204;
inline constexpr std::uint32_t WM_RBUTTONUP = 0x0205;
inline constexpr std::uint32_t WM_USER = 0x0400;

// WM_SYSCOMMAND's first parameter for "restore the window".
inline constexpr std::uintptr_t SC_RESTORE = 0xF120;

inline constexpr std::uint16_t loWord(std::uintptr_t value) {
  return static_cast<std::uint16_t>(value & 0xFFFF);
}

}  // namespace pixoria::platform
