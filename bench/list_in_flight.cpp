// The list pass of tagmora-cli with a chosen number of reads in flight: scans a folder with its
// subfolders and fills every row (read sequence 2, as the first run sets it), then prints the
// number of rows and of rows with a tag. `-j 0` reads each file in turn; otherwise the threads
// read ahead from the first row, whether the files are in memory or not, or with -a only while
// they are not (as tagmora-cli does).
#include <cstdio>
#include <cstdlib>
#include <string>

#include "common/Ports.h"
#include "filelist/BuildList.h"
#include "filelist/FileList.h"

int main(int argc, char** argv) {
    const bool adaptive = argc == 5 && std::string(argv[1]) == "-a";
    if (adaptive) ++argv, --argc;
    if (argc != 4 || std::string(argv[1]) != "-j") {
        std::fprintf(stderr,
                     "Usage: list_in_flight [-a] -j N DIR\nFills the rows of DIR with N reads in flight "
                     "(-a: only while the files are not in memory, as tagmora-cli does).\n");
        return 2;
    }
    const int inFlight = std::atoi(argv[2]);
    tagmora::AppSettings settings;
    settings.IncludeSubDirs = true;
    settings.TAGReadSequence = 2;
    tagmora::NullStatusReporter status;
    tagmora::NullHost host;
    tagmora::FileList list(settings, status, host);
    list.CurrentFolder = argv[3];
    list.ScanFolder(list.CurrentFolder, false, true);
    tagmora::BuildList(list, false, false, {inFlight, tagmora::kReadAheadWindow, adaptive});
    int tagged = 0;
    for (const tagmora::FileRow& row : list.Rows()) tagged += row.Checked;
    std::printf("rows %d tagged %d\n", list.RowCount(), tagged);
    return 0;
}
