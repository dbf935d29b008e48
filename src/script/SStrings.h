// TSStrings: a list of texts kept sorted ignoring case, without duplicates ignoring case, that
// is stored as one string value of the settings store (the script history of the rename dialog).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "settings/SettingsStore.h"

namespace tagmora {

class TSStrings {
public:
    // Inserts `text` at its sorted place (Unicode simple case folding, by code point); nothing
    // changes when an entry equal to it ignoring case is already there. True when it was added.
    bool Add(std::string_view text);

    // Writes every entry, each followed by "\r\n", as the string value `valueName` of `key` in the
    // per-user hive, creating the key when missing. False when the store cannot be written.
    bool SaveToRegistry(SettingsStore& store, const std::string& key, const std::string& valueName) const;

    // When `key` exists in the per-user hive, replaces the entries with the lines of the string
    // value `valueName` (split at "\r\n", "\r" or "\n"; a final line break ends the last line and
    // adds no empty entry; a missing value or one that is not a string reads as the empty text)
    // and returns true. A missing key gives false and leaves the list unchanged.
    bool LoadFromRegistry(SettingsStore& store, const std::string& key, const std::string& valueName);

    const std::vector<std::string>& Items() const { return items_; }
    std::size_t Count() const { return items_.size(); }
    const std::string& operator[](std::size_t index) const { return items_[index]; }
    void Clear() { items_.clear(); }

    // The entries joined as SaveToRegistry stores them.
    std::string Text() const;

private:
    std::vector<std::string> items_;
};

}  // namespace tagmora
