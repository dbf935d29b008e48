// The settings tests' look-up of one value in a parsed hive.
#pragma once

#include <string_view>

#include "settings/RegFile.h"

namespace tagmora::test {

inline constexpr const char* kCU = "HKEY_CURRENT_USER";

// The value `name` of the key `key`, or nullptr.
inline const RegValue* ValueOf(const RegHive& hive, std::string_view key, std::string_view name) {
    const RegKey* k = hive.Find(key);
    if (k == nullptr) return nullptr;
    for (const auto& [n, v] : k->Values) {
        if (n == name) return &v;
    }
    return nullptr;
}

}  // namespace tagmora::test
