// libFuzzer target for the script language: the first two bytes choose the delimiter and the
// part separator, the rest is the script, evaluated and checked on rows with odd paths.
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <utility>

#include "common/Ports.h"
#include "script/Script.h"
#include "filelist/FileList.h"

namespace {

using namespace tagmora;

constexpr std::array<std::string_view, 12> kDelimiters = {"%", "",  "-", "[",    "]", ",",
                                                          "p", "n", "§", "\xff", "!", "%%"};
constexpr std::array<std::string_view, 6> kSeparators = {" - ", "", "-", "%", "ё", "]"};

FileRow Row(std::string path, std::string fileText, int folder, bool checked) {
    FileRow row;
    row.SetPath(std::move(path));
    row.SetFileText(fileText);
    row.FolderNumber = folder;
    row.Checked = checked;
    for (int c = 1; c < kColumnCount; ++c) row.SetColumnText(c, "Ёлка-" + std::to_string(c) + "%[,]");
    row.SetColumnText(ColTitle, "Щука - Жук");
    return row;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    AppSettings settings;
    settings.ScriptSeparator = std::string(kDelimiters[data[0] % kDelimiters.size()]);
    settings.AddPrefixSeparator = std::string(kSeparators[data[1] % kSeparators.size()]);
    settings.IncludeSubDirs = (data[0] & 0x80) != 0;
    NullStatusReporter status;
    NullHost host;
    FileList list(settings, status, host);
    list.Rows().push_back(Row("/Музыка/Ёлка/01 - Песня.mp3", "01 - Песня.mp3", 0, false));
    list.Rows().push_back(Row("/a%b/[x-y],z/\xff\xfe - \xd0.mp3", "/a%b/[x-y],z/\xff\xfe - \xd0.mp3", 1, true));
    list.Rows().push_back(Row("", "", 5, true));  // no counter for folder 5
    list.FolderCounters = {0, 2147483646};

    const std::string_view script(reinterpret_cast<const char*>(data) + 2, size - 2);
    for (int row = -1; row <= list.RowCount(); ++row) {
        const std::string result = EvaluateScript(script, list, row);
        if (result.size() > kMaxScriptTextBytes) std::abort();
    }
    const std::string preview = CheckScript(script, list, SampleRow(list));
    if (preview != CheckScript(script, list, SampleRow(list))) std::abort();  // no hidden state
    CheckScript(script, list, -1);
    return 0;
}
