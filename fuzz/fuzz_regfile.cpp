// libFuzzer target for the .reg reader and writer: any input parses without fault, and the parsed
// hive survives rendering and parsing again unchanged, for the per-user and the machine-wide root.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "settings/SettingsStore.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    for (const char* root : {"HKEY_CURRENT_USER", "HKEY_LOCAL_MACHINE"}) {
        const tagmora::RegHive parsed = tagmora::ParseRegFile(input, root);
        const std::string rendered = tagmora::RenderRegFile(parsed, root);
        const tagmora::RegHive again = tagmora::ParseRegFile(rendered, root);
        if (!(again == parsed)) std::abort();
        if (tagmora::RenderRegFile(again, root) != rendered) std::abort();
    }
    return 0;
}
