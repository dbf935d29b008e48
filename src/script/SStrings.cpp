// TSStrings: the sorted, case-insensitive string list and its storage as one string value.
#include "script/SStrings.h"

#include <algorithm>

#include "common/Text.h"

namespace tagmora {

bool TSStrings::Add(std::string_view text) {
    const auto at = std::lower_bound(
        items_.begin(), items_.end(), text,
        [](const std::string& entry, std::string_view t) { return text::CompareIgnoreCase(entry, t) < 0; });
    if (at != items_.end() && text::CompareIgnoreCase(*at, text) == 0) return false;
    items_.insert(at, std::string(text));
    return true;
}

std::string TSStrings::Text() const {
    std::string joined;
    for (const auto& entry : items_) {
        joined += entry;
        joined += "\r\n";
    }
    return joined;
}

bool TSStrings::SaveToRegistry(SettingsStore& store, const std::string& key, const std::string& valueName) const {
    return store.WriteValues(Hive::CurrentUser, key, {{valueName, RegValue::String(Text())}});
}

bool TSStrings::LoadFromRegistry(SettingsStore& store, const std::string& key, const std::string& valueName) {
    if (!store.KeyExists(Hive::CurrentUser, key)) return false;
    std::string value;
    if (const auto stored = store.ReadValue(Hive::CurrentUser, key, valueName);
        stored && (stored->Type == RegType::Sz || stored->Type == RegType::ExpandSz)) {
        value = stored->Text;
    }
    items_.clear();
    std::size_t start = 0;
    while (start < value.size()) {
        const std::size_t end = value.find_first_of("\r\n", start);
        if (end == std::string::npos) {
            Add(std::string_view(value).substr(start));
            break;
        }
        Add(std::string_view(value).substr(start, end - start));
        start = end + 1;
        if (value[end] == '\r' && start < value.size() && value[start] == '\n') ++start;
    }
    return true;
}

}  // namespace tagmora
