// Control of the fake registry: an in-memory HKEY_CURRENT_USER.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace pixoria::fake {

void registryClear();
void registrySetDword(std::string_view subKey, std::string_view name, std::uint32_t value);
void registrySetString(std::string_view subKey, std::string_view name, std::string_view value);
std::optional<std::uint32_t> registryDword(std::string_view subKey, std::string_view name);
std::optional<std::string> registryString(std::string_view subKey, std::string_view name);

// Every value name read (regGetDword / regGetString), in order, and every value name written.
const std::vector<std::string>& registryReads();
const std::vector<std::string>& registryWrites();
void registryClearLog();

// Called after each value read (regGetDword / regGetString) with its name, as another program
// writing between two reads would; an empty function ends it.
void registryAfterRead(std::function<void(std::string_view name)> hook);

// Makes regCreateKey fail (an unwritable store).
void registryFailCreate(bool fail);

}  // namespace pixoria::fake
