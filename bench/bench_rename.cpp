// Preset renaming of a corpus and its undo, timed against the floor: the same files renamed there
// and back with the same no-replace call in a bare loop; the rescan and row reading timed apart.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <fcntl.h>

#include "filelist/BuildList.h"
#include "filelist/FileList.h"
#include "rename/PresetRename.h"
#include "rename/Undo.h"
#include "settings/AppSettings.h"

namespace {

using Clock = std::chrono::steady_clock;

class QuietHost : public tagmora::NullHost {
public:
    tagmora::MessageResult ShowMessage(const std::string& text, const std::string&, tagmora::MessageIcon,
                                       tagmora::MessageButtons) override {
        std::fprintf(stderr, "message: %s\n", text.c_str());
        return tagmora::MessageResult::Ok;
    }
};

double Seconds(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return n % 2 == 1 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

// The floor: renameat2 RENAME_NOREPLACE over the pairs, there and back (a file that already has
// its new name needs no call). False on any failure.
bool FloorRenames(const std::vector<tagmora::RenamePlanItem>& plan) {
    for (const auto& item : plan) {
        if (item.OldPath == item.NewPath) continue;
        if (::renameat2(AT_FDCWD, item.OldPath.c_str(), AT_FDCWD, item.NewPath.c_str(), RENAME_NOREPLACE) != 0)
            return false;
    }
    for (const auto& item : plan) {
        if (item.OldPath == item.NewPath) continue;
        if (::renameat2(AT_FDCWD, item.NewPath.c_str(), AT_FDCWD, item.OldPath.c_str(), RENAME_NOREPLACE) != 0)
            return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2 || argc > 3 || std::string(argv[1]) == "--help") {
        std::fprintf(stderr,
                     "Usage: bench_rename CORPUS_DIR [RUNS]\n"
                     "Renames every checked file of CORPUS_DIR (with subfolders) by the default preset and\n"
                     "undoes it, RUNS times (default 5), interleaved with the floor. The corpus is left as\n"
                     "it was. Generate one with: python3 scripts/make_corpus.py DIR --count 10000\n");
        return 2;
    }
    const std::string folder = argv[1];
    const int runs = argc == 3 ? std::max(1, std::atoi(argv[2])) : 5;

    tagmora::AppSettings settings;
    tagmora::ApplyFirstRunDefaults(settings, tagmora::DesignedColumnWidths());
    settings.IncludeSubDirs = true;
    tagmora::NullStatusReporter status;
    QuietHost host;
    tagmora::FileList list(settings, status, host);
    list.CurrentFolder = folder;

    std::vector<double> rename, undo, both, floorTimes, rescan;
    std::size_t files = 0, renamed = 0;
    const auto scanStart = Clock::now();
    list.ScanFolder(folder, false, true);
    tagmora::BuildList(list, false, false);
    const double firstScan = Seconds(scanStart);

    for (int run = 0; run < runs; ++run) {
        tagmora::UndoList undoList;
        auto start = Clock::now();
        const tagmora::RenameRunResult result = tagmora::RunPresetRename(list, undoList);
        const double r = Seconds(start);
        start = Clock::now();
        const int restored = tagmora::RestoreUndoList(undoList);
        const double u = Seconds(start);
        files = result.Plan.size();
        renamed = static_cast<std::size_t>(restored);
        if (result.Failed > 0 || static_cast<std::size_t>(restored) != files) {
            std::fprintf(stderr, "bench_rename: %d failed, %d of %zu restored\n", result.Failed, restored, files);
        }
        rename.push_back(r);
        undo.push_back(u);
        both.push_back(r + u);

        start = Clock::now();
        if (!FloorRenames(result.Plan)) std::fprintf(stderr, "bench_rename: the floor failed on a file\n");
        floorTimes.push_back(Seconds(start));

        start = Clock::now();
        list.ScanFolder(list.CurrentFolder, false, true);
        tagmora::BuildList(list, false, false);
        rescan.push_back(Seconds(start));
    }

    const double perFile = files > 0 ? 1e6 / static_cast<double>(files) : 0;
    std::printf("files planned %zu, renamed and restored %zu, runs %d (medians)\n", files, renamed, runs);
    std::printf("%-34s %10s %10s %8s\n", "job", "seconds", "us/file", "x floor");
    const double f = Median(floorTimes);
    auto line = [&](const char* name, double s, bool ratio) {
        std::printf("%-34s %10.4f %10.2f ", name, s, s * perFile);
        if (ratio) std::printf("%8.2f\n", f > 0 ? s / f : 0);
        else std::printf("%8s\n", "-");
    };
    line("floor: renameat2 there and back", f, true);
    line("preset rename (plan + apply)", Median(rename), false);
    line("undo", Median(undo), false);
    line("preset rename + undo", Median(both), true);
    line("rescan + BuildList (after a run)", Median(rescan), false);
    line("first scan + BuildList", firstScan, false);
    return 0;
}
