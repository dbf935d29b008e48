// The parallel floor of the cold read benchmark: the same work as floor_read (every MP3 file of a
// tree opened, its first 4096 and last 128 bytes read, closed), with N reads in flight: the tree
// is walked first, then N threads take the files in turn. No tag is parsed.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "WalkMp3Tree.h"

namespace {

struct FloorTotals {
    std::uint64_t Failed = 0;
    std::uint64_t Bytes = 0;
    std::uint64_t Checksum = 0;  // so the reads cannot be optimised away
};

void Mix(FloorTotals& totals, const unsigned char* data, ssize_t length) {
    if (length <= 0) return;
    totals.Bytes += static_cast<std::uint64_t>(length);
    totals.Checksum += (std::uint64_t{data[0]} << 8) | data[length - 1];  // order-free: threads finish in any order
}

void ReadHeadAndTail(const std::string& path, FloorTotals& totals) {
    const auto mix = [&](const unsigned char* data, ssize_t length) { Mix(totals, data, length); };
    if (!tagmora::bench::ReadHeadAndTail(path, mix)) ++totals.Failed;
}

}  // namespace

int main(int argc, char** argv) {
    int inFlight = 64;
    std::string folder;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "-j" && i + 1 < argc) inFlight = std::atoi(argv[++i]);
        else if (!arg.empty() && arg[0] != '-' && folder.empty()) folder = arg;
        else folder.clear(), inFlight = 0, i = argc;
    }
    if (folder.empty() || inFlight < 1) {
        std::fprintf(stderr,
                     "Usage: floor_read_parallel [-j N] DIR\n"
                     "Opens every .mp3 file under DIR, reads its first 4096 and last 128 bytes and closes it,\n"
                     "with N reads in flight (default 64).\n");
        return argc == 2 && std::string(argv[1]) == "--help" ? 0 : 2;
    }
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    std::vector<std::string> paths;
    tagmora::bench::WalkMp3Tree(folder, [&](const std::string& path) { paths.push_back(path); });

    std::atomic<std::size_t> next{0};
    std::vector<FloorTotals> totals(static_cast<std::size_t>(inFlight));
    std::vector<std::thread> threads;
    for (int t = 0; t < inFlight; ++t) {
        threads.emplace_back([&, t] {
            for (std::size_t i; (i = next.fetch_add(1)) < paths.size();) ReadHeadAndTail(paths[i], totals[t]);
        });
    }
    FloorTotals sum;
    for (int t = 0; t < inFlight; ++t) {
        threads[t].join();
        sum.Failed += totals[t].Failed;
        sum.Bytes += totals[t].Bytes;
        sum.Checksum += totals[t].Checksum;
    }
    std::printf("files %zu failed %llu bytes %llu checksum %016llx\n", paths.size(),
                static_cast<unsigned long long>(sum.Failed), static_cast<unsigned long long>(sum.Bytes),
                static_cast<unsigned long long>(sum.Checksum));
    return 0;
}
