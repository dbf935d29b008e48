// Reading ahead of row filling: the bytes that the tag readers of one row need, fetched by a
// bounded pool of I/O threads while the rows before it are filled, so that many reads of a cold
// folder wait for the device at once.
//
// A fetch opens the file, takes its size, reads exactly the parts that ReadRowTags would read for
// the read sequence (the head block and the rest of a larger ID3v2 tag, the last 128 bytes),
// closes the file and hands over bytes, size and errno values. Parsing and everything the user
// sees stay with the caller: FillRowFromFetched (BuildList.h) turns a fetch into the row texts that ReadRowTags
// gives for the file as it was when it was fetched. For example, with read sequence 2 a file that
// starts with "ID3" is fetched as its head only; a file without one as its head and its tail.
#pragma once

#include <array>
#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <utility>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <thread>
#include <vector>

#include "tags/Id3v1.h"
#include "tags/Id3v2Read.h"

namespace tagmora {

// Bytes whose new elements are left unset by resize: a fetch reads into them at once, so a head
// block costs no clearing.
template <class T>
struct UnsetOnResize : std::allocator<T> {
    template <class U>
    struct rebind {
        using other = UnsetOnResize<U>;
    };
    template <class U>
    void construct(U* p) noexcept {
        ::new (static_cast<void*>(p)) U;
    }
    template <class U, class... Args>
    void construct(U* p, Args&&... args) {
        ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
    }
};
using FetchedBytes = std::vector<unsigned char, UnsetOnResize<unsigned char>>;

// The bytes of one file as the tag readers of a row need them.
struct FetchedFile {
    int Sequence = -1;  // the read sequence the parts were chosen for
    bool Opened = false;
    int OpenError = 0;  // errno when the file could not be opened as a regular file
    bool Missing = false;
    bool NotRegular = false;
    // The fetch stopped before reading a tag larger than its allowance (or failed for want of
    // memory): the bytes are incomplete and the file must be fetched again without a limit.
    bool Deferred = false;
    std::int64_t Size = 0;  // from fstat of the open file
    // The first bytes read were not in memory (or the file system cannot tell): the file is cold.
    bool WouldBlock = false;

    bool HaveHead = false;
    int HeadError = 0;  // errno of reading the head block or the rest of the tag
    FetchedBytes Head;  // the bytes the ID3v2 reader parses

    bool HaveTail = false;
    int TailError = 0;
    std::size_t TailGot = 0;
    std::array<unsigned char, 128> Tail{};

    // The readers' results on these bytes for the legacy code page `CodePage` (ParseFetched).
    bool Parsed = false;
    int CodePage = 0;
    std::optional<TagRead> V1Result;  // nothing: the part was not fetched
    Id3v1Tag V1;
    std::optional<TagRead> V2Result;
    Id3v2Tag V2;
};

// The tag versions that read sequence `sequence` (TAGReadSequence) reads, in its order: 0 ID3v1
// only, 1 ID3v2 only, 2 ID3v2 and then ID3v1 when there is none, 3 ID3v1 and then ID3v2. Empty for
// a sequence out of range, which reads nothing.
std::span<const int> TagVersionsOf(int sequence);

// Reads what the tag readers need of `path` for read sequence `sequence` (TagVersionsOf), in its
// order: per version its part (the tail for ID3v1, the head and the rest of a larger tag for
// ID3v2; of a version 2.3 tag without unsynchronisation or extended header, the pictures' bytes
// are left out), until a part holds its tag. `mayReadTag(bytes)` is asked before a tag larger than the head
// block is read whole; when it says no the result is Deferred. Without it any size is read, and the
// parts are all that ParseFetched needs. `tellCold` off: the reads do not ask first whether the
// bytes are in memory (a file read in turn, whose WouldBlock nobody looks at), saving a costlier call.
FetchedFile FetchFile(const std::string& path, int sequence, const std::function<bool(std::uint64_t)>& mayReadTag = {},
                      bool tellCold = true);

// Hands a fetch's head buffer back once the fetch is done with, so that the next FetchFile on this
// thread reads into it instead of allocating one (a buffer much larger than a head block is freed).
void RecycleFetchedBytes(FetchedBytes&& bytes);

// Parses the fetched parts as ReadId3v1Tag and ReadId3v2Tag parse the file: V1Result and V2Result
// are theirs (Failed for a read error), or nothing for a part not fetched.
void ParseFetched(FetchedFile& fetched, int codePage);

// A fixed number of I/O threads working through fetches (each parsed after it is read) in the
// order they were submitted; results are taken in the same order. Destroying the pool drops the fetches not yet
// started, lets running ones finish (their files closed) and joins every thread before it returns.
class ReadAheadPool {
public:
    // `threads` reads in flight (at least 1); `tagBudget` bytes at most held in tags larger than
    // the head block among the fetched results not yet taken.
    ReadAheadPool(int threads, std::uint64_t tagBudget);
    ~ReadAheadPool();
    ReadAheadPool(const ReadAheadPool&) = delete;
    ReadAheadPool& operator=(const ReadAheadPool&) = delete;

    // The threads that could be started (0 when none could: nothing would ever be fetched).
    int Threads() const { return static_cast<int>(threads_.size()); }
    // Queues a fetch; it starts once StartSubmitted is called.
    void Submit(std::string path, int sequence, int codePage);
    // Wakes the threads for the fetches queued since the last call.
    void StartSubmitted();
    // Waits for the oldest fetch not yet taken and hands it over.
    FetchedFile TakeNext();
    // Forgets the oldest fetch not yet taken, without waiting for it.
    void DropNext();
    // Fetches submitted and not yet taken or dropped.
    std::size_t Pending() const { return slots_.size(); }

private:
    struct Slot {
        std::string Path;
        int Sequence = 0;
        int CodePage = 0;
        bool Done = false;
        bool Dropped = false;
        std::uint64_t Reserved = 0;  // tag bytes counted against the budget
        FetchedFile Result;
    };
    void Work();
    bool ReserveTag(std::uint64_t bytes);
    void ReleaseTag(const FetchedFile& fetched);

    std::mutex mutex_;
    std::condition_variable workReady_;
    std::condition_variable resultReady_;
    std::deque<std::shared_ptr<Slot>> slots_;    // submitted, in order, until taken or dropped
    std::deque<std::shared_ptr<Slot>> waiting_;  // submitted, not yet started
    bool stopping_ = false;
    bool submitted_ = false;  // fetches queued since the threads were last woken
    std::uint64_t tagBudget_;
    std::atomic<std::uint64_t> tagBytes_{0};
    std::vector<std::thread> threads_;
};

// How many rows ahead of the row being filled are fetched at most.
inline constexpr int kReadAheadWindow = 256;
// Bytes at most held in fetched tags larger than the head block (cover pictures).
inline constexpr std::uint64_t kReadAheadTagBudget = 32u << 20;

// The reads in flight for a pass over `rowsToRead` rows: 0 (read in turn, on the calling thread)
// for short passes; else a fixed pool size.
int ReadAheadThreads(int rowsToRead);

}  // namespace tagmora
