// Loading libzip by the name the dynamic loader knows it by (its soname, found by the build).
#include "export/ZipLibrary.h"

#include <dlfcn.h>

#include <cstring>
#include <string>

#include "export/Spreadsheet.h"

namespace tagmora::xlsx {
namespace {

struct Loaded {
    ZipLibrary Functions;
    std::string Error;  // why libzip could not be loaded; empty when it was
};

// Sets `function` to the library's symbol `name`; false when the library has none.
template <class Function>
bool Bind(void* library, const char* name, Function& function) {
    void* symbol = ::dlsym(library, name);
    static_assert(sizeof symbol == sizeof function);
    std::memcpy(&function, &symbol, sizeof function);
    return symbol != nullptr;
}

Loaded Load() {
    Loaded loaded;
    void* library = ::dlopen(TAGMORA_LIBZIP_SONAME, RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) {
        const char* reason = ::dlerror();
        loaded.Error = reason != nullptr ? reason : TAGMORA_LIBZIP_SONAME;
        return loaded;
    }
    ZipLibrary& functions = loaded.Functions;
    bool all = true;
#define TAGMORA_ZIP_BIND(name) all = Bind(library, #name, functions.name) && all;
    TAGMORA_ZIP_FUNCTIONS(TAGMORA_ZIP_BIND)
#undef TAGMORA_ZIP_BIND
    if (!all) loaded.Error = std::string(TAGMORA_LIBZIP_SONAME) + " lacks a function this program calls";
    return loaded;
}

}  // namespace

const ZipLibrary& Zip() {
    static const Loaded loaded = Load();
    if (!loaded.Error.empty()) {
        throw SpreadsheetError("не удалось загрузить библиотеку ZIP: " + loaded.Error,
                               "cannot load the ZIP library: " + loaded.Error);
    }
    return loaded.Functions;
}

}  // namespace tagmora::xlsx
