// libFuzzer target for the .reg reader and writer: any input parses without fault, and the parsed
// hive survives rendering and parsing again unchanged, for the per-user and the machine-wide root.
// Keys met twice are merged and values met twice keep one place, so no two keys of a hive and no
// two values of a key share a name (ignoring case), and the key index finds every key as itself.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <set>
#include <string>
#include <string_view>

#include "settings/RegFile.h"

namespace {

std::string Folded(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return out;
}

std::string Upper(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return out;
}

void CheckNamesAndIndex(const tagmora::RegHive& hive) {
    std::set<std::string> paths;
    for (const tagmora::RegKey& key : hive.Keys) {
        if (!paths.insert(Folded(key.Path)).second) std::abort();
        if (hive.Find(Upper(key.Path)) != &key || hive.Find("\\" + key.Path + "\\") != &key) std::abort();
        std::set<std::string> names;
        for (const auto& value : key.Values) {
            if (!names.insert(Folded(value.first)).second) std::abort();
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    for (const char* root : {"HKEY_CURRENT_USER", "HKEY_LOCAL_MACHINE"}) {
        const tagmora::RegHive parsed = tagmora::ParseRegFile(input, root);
        CheckNamesAndIndex(parsed);
        const std::string rendered = tagmora::RenderRegFile(parsed, root);
        const tagmora::RegHive again = tagmora::ParseRegFile(rendered, root);
        if (!(again == parsed)) std::abort();
        if (tagmora::RenderRegFile(again, root) != rendered) std::abort();
    }
    return 0;
}
