// libzip, loaded into the process the first time a workbook is opened or written: a run that only
// lists, renames or tags files never loads it, nor the crypto library it brings, which together
// took about as long to load as the rest of a command-line start.
#pragma once

#include <zip.h>

namespace tagmora::xlsx {

// The libzip functions the package layer calls, each as libzip names it.
// clang-format off
#define TAGMORA_ZIP_FUNCTIONS(X) \
    X(zip_close) \
    X(zip_discard) \
    X(zip_error_fini) \
    X(zip_error_init) \
    X(zip_fclose) \
    X(zip_file_add) \
    X(zip_fopen_index) \
    X(zip_fread) \
    X(zip_get_name) \
    X(zip_get_num_entries) \
    X(zip_open_from_source) \
    X(zip_source_buffer_create) \
    X(zip_source_close) \
    X(zip_source_free) \
    X(zip_source_function) \
    X(zip_source_keep) \
    X(zip_source_open) \
    X(zip_source_read) \
    X(zip_source_stat) \
    X(zip_source_zip) \
    X(zip_stat_index) \
    X(zip_stat_init) \
    X(zip_strerror)
// clang-format on

struct ZipLibrary {
#define TAGMORA_ZIP_MEMBER(name) decltype(&::name) name = nullptr;
    TAGMORA_ZIP_FUNCTIONS(TAGMORA_ZIP_MEMBER)
#undef TAGMORA_ZIP_MEMBER
};

// The loaded functions. Throws SpreadsheetError, with the loader's reason, when libzip cannot be
// loaded (then every later call throws the same).
const ZipLibrary& Zip();

}  // namespace tagmora::xlsx
