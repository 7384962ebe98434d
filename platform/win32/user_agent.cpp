#include "user_agent.h"

#include <windows.h>
// The Windows headers below need windows.h before them.
#include <urlmon.h>

#include <string>

#include "pixoria/product.h"

namespace pixoria::platform::win32 {

void applyUserAgent() {
  static const bool applied = [] {
    // An 8-bit string whose length excludes the terminator; the product's is plain ASCII.
    std::string agent = userAgent();
    return SUCCEEDED(UrlMkSetSessionOption(URLMON_OPTION_USERAGENT, agent.data(),
                                           static_cast<DWORD>(agent.size()), 0));
  }();
  (void)applied;
}

}  // namespace pixoria::platform::win32
