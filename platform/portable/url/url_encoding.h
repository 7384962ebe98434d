// Making an address cut out of a feed safe to hand to the network library.
#pragma once

#include <string>
#include <string_view>

namespace pixoria::platform::posix {

// Percent-encodes every byte a URL may not carry as it is: bytes at or above 0x80 (UTF-8
// sequences), control characters, space and "<>\^`{|}. Reserved characters and existing %
// sequences pass unchanged, so an address that is already encoded stays the same.
std::string percentEncodeUnsafeBytes(std::string_view address);

}  // namespace pixoria::platform::posix
