// The User-Agent every urlmon request of the process sends: the product's (pixoria/product.h),
// not the system's default, so that web services can tell who is asking.
#pragma once

namespace pixoria::platform::win32 {

// UrlMkSetSessionOption(URLMON_OPTION_USERAGENT), once per process, before the first request:
// urlmon reads the option when it opens its session.
void applyUserAgent();

}  // namespace pixoria::platform::win32
