// The escaping of the command-line output: every control character arrives as visible text, in
// the tab-separated fields and in JSON strings alike.
#include <gtest/gtest.h>

#include <string>

#include "cli/CliCommon.h"

namespace tagmora::cli {
namespace {

TEST(CliEscaping, ControlCharactersNeverReachTheTerminalRaw) {
    struct Case {
        std::string Text;
        std::string Field;
        std::string Json;
    };
    const Case cases[] = {
        {"plain text", "plain text", "\"plain text\""},
        {"a\tb\nc\rd\\e", "a\\tb\\nc\\rd\\\\e", "\"a\\tb\\nc\\rd\\\\e\""},
        {std::string("nul\0end", 7), "nul\\0end", "\"nul\\u0000end\""},
        {"\x1b[2Jclear", "\\x1b[2Jclear", "\"\\u001b[2Jclear\""},
        {"bell\x07 del\x7f", "bell\\x07 del\\x7f", "\"bell\\u0007 del\\u007f\""},
        {"\x01\x1f", "\\x01\\x1f", "\"\\u0001\\u001f\""},
        // C1 controls (CSI is U+009B) as their two UTF-8 bytes; other letters stay as they are.
        {"csi\xc2\x9b"
         "31m",
         "csi\\xc2\\x9b31m", "\"csi\\u009b31m\""},
        {"Ёлка \xc2\xa0 é", "Ёлка \xc2\xa0 é", "\"Ёлка \xc2\xa0 é\""},
        {"bad \xff byte", "bad \xef\xbf\xbd byte", "\"bad \xef\xbf\xbd byte\""},
        {"quote \"", "quote \"", "\"quote \\\"\""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(EscapeField(c.Text), c.Field) << c.Field;
        EXPECT_EQ(JsonString(c.Text), c.Json) << c.Json;
    }
}

}  // namespace
}  // namespace tagmora::cli
