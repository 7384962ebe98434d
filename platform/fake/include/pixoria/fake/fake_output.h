// Control of the fake diagnostics: what was written to each stream.
#pragma once

#include <string>

namespace pixoria::fake {

const std::string& debugOutput();
const std::string& standardOutput();
const std::string& standardError();
void clearOutput();

}  // namespace pixoria::fake
