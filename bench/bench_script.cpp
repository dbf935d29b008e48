// Script evaluation speed: the default export scripts and a transliterating one on 100,000
// in-memory rows, reported per row and per placeholder.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>
#include <utility>

#include "common/Ports.h"
#include "script/Script.h"
#include "filelist/FileList.h"

namespace {

using namespace tagmora;

constexpr int kRows = 100000;

// Rows like a real collection: artist and album folders, numbered songs, Cyrillic tags.
struct BenchList {
    BenchList() : list(settings, status, host) {
        settings.ScriptSeparator = "%";
        settings.AddPrefixSeparator = " - ";
        settings.IncludeSubDirs = true;
        list.Rows().reserve(kRows);
        for (int i = 0; i < kRows; ++i) {
            FileRow row;
            const std::string artist = "Исполнитель " + std::to_string(i / 1000);
            const std::string album = "Альбом " + std::to_string(i / 10);
            const std::string title = "Песня номер " + std::to_string(i % 10 + 1);
            row.SetPath("/home/user/Music/" + artist + "/" + album + "/" + std::to_string(i % 10 + 1) + " - " + title +
                        ".mp3");
            row.SetFileText(row.Path());
            row.SetColumnText(ColTitle, title);
            row.SetColumnText(ColAlbum, album);
            row.SetColumnText(ColArtist, artist);
            row.Checked = true;
            row.FolderNumber = i / 10;
            list.Rows().push_back(std::move(row));
        }
        list.FolderCounters.assign(kRows / 10, 0);
    }

    AppSettings settings;
    NullStatusReporter status;
    NullHost host;
    FileList list;
};

BenchList& Shared() {
    static BenchList bench;
    return bench;
}

void EvaluateAllRows(benchmark::State& state, const char* script, int placeholders) {
    FileList& list = Shared().list;
    std::size_t bytes = 0;
    for (auto _ : state) {
        for (int row = 0; row < kRows; ++row) {
            const std::string result = EvaluateScript(script, list, row);
            bytes += result.size();
            benchmark::DoNotOptimize(result.data());
        }
    }
    const double rows = static_cast<double>(state.iterations()) * kRows;
    state.SetItemsProcessed(static_cast<std::int64_t>(rows));
    state.counters["per_row"] = benchmark::Counter(rows, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    state.counters["per_placeholder"] =
        benchmark::Counter(rows * placeholders, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    state.counters["out_bytes_per_row"] = static_cast<double>(bytes) / rows;
}

void BM_ExportScripts(benchmark::State& state) { EvaluateAllRows(state, "%p2% - %p1% - %p0n[-4]%", 3); }
void BM_TransliteratedColumns(benchmark::State& state) { EvaluateAllRows(state, "%t3tr% - %t1tr%", 2); }
void BM_CheckScript(benchmark::State& state) {
    const FileList& list = Shared().list;
    for (auto _ : state) benchmark::DoNotOptimize(CheckScript("%p2% - %p1% - %p0n[-4]%", list, 0));
}

}  // namespace

BENCHMARK(BM_ExportScripts)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TransliteratedColumns)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CheckScript);

BENCHMARK_MAIN();
