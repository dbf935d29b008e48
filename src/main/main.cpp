// tagmora: the program. Sets up the application (its name, Qt's Russian texts), creates the main
// window (which runs the settings start-up) and runs the event loop until the window is closed.
#include <QApplication>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "main/MainForm.h"
#include "main/MainFormApplication.h"

namespace {

constexpr const char* kUsage =
    "Usage: tagmora [FOLDER]...\n"
    "\n"
    "Lists the MP3 files of the folders given (with the settings' subfolder rule) in the\n"
    "Tagmora window; without a folder the window opens empty.\n"
    "\n"
    "  --help     show this help\n"
    "  --version  show the version\n";

}  // namespace

int main(int argc, char** argv) {
    // Answered before any window system is needed.
    if (argc == 2 && std::strcmp(argv[1], "--help") == 0) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::printf("tagmora %s\n", TAGMORA_VERSION);
        return 0;
    }

    QApplication application(argc, argv);
    tagmora::SetUpApplication();

    // QApplication has taken its own options out of argv; the rest are folders, as the file
    // system spells them (bytes, not necessarily UTF-8).
    tagmora::MainFormOptions options;
    for (int i = 1; i < argc; ++i) options.Arguments.emplace_back(argv[i]);

    tagmora::MainForm form(std::move(options));
    if (form.EndRequested()) return 1;
    form.show();
    return QApplication::exec();
}
