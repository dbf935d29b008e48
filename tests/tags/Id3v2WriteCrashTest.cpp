// Crash safety of the ID3v2 writer and remover: a child process that grows or removes a tag is
// killed (SIGKILL) at many points of its work; the original file must then be either exactly as
// it was or exactly the new file, never anything in between, and a later write still succeeds.
#include "tags/Id3v2Write.h"

#include "TestFiles.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>

namespace tagmora {
namespace {

using test::ReadFile;
using test::TempDir;
using test::WriteFile;

constexpr int kCp1251 = 1251;

enum class Job { Grow, Remove };

void PrintTo(Job job, std::ostream* os) { *os << (job == Job::Grow ? "Grow" : "Remove"); }

std::string Audio(std::size_t size) {
    std::string a;
    a.reserve(size);
    for (std::size_t i = 0; a.size() < size; ++i) a.push_back(static_cast<char>((i * 197 + i / 4096) & 0xFF));
    return a;
}

Id3v2WriteRecord NewTitle() {
    Id3v2WriteRecord record;
    record.Values.Title = "Новое название";
    record.Values.Comment = "after the crash";
    return record;
}

// The original (a small tag and 5.5 blocks of audio) and what a finished job makes of it.
struct Files {
    std::string original;
    std::string finished;
};

TagOutcome RunJob(Job job, const std::string& path, Id3v2WriteSession& session) {
    return job == Job::Grow ? WriteId3v2Tag(path, NewTitle(), session) : RemoveId3v2Tag(path, false, session);
}

Files Prepare(Job job) {
    Files f;
    const std::string audio = Audio(5 * kId3v2CopyBlockSize + kId3v2CopyBlockSize / 2);
    f.original = test::Id3v2TagBytes(3, test::Id3v2Frame(3, "TIT2", std::string(1, '\0') + "Old"), 4) + audio;
    TempDir dir;
    const std::string path = dir / "song.mp3";
    WriteFile(path, f.original);
    Id3v2WriteSession session{kCp1251};
    EXPECT_TRUE(RunJob(job, path, session).Done());
    f.finished = ReadFile(path);
    return f;
}

// Runs the job in a child; `killAt` > 0 makes the child kill itself once that many bytes are in
// the temporary file, `delay` > 0 kills it from here after that long. True when the child died.
bool RunAndKill(Job job, const std::string& path, std::uint64_t killAt, std::chrono::microseconds delay) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        Id3v2WriteSession session{kCp1251};
        if (killAt > 0) {
            session.AfterTemporaryWrite = [killAt](std::uint64_t written) {
                if (written >= killAt) ::raise(SIGKILL);
            };
        }
        ::_exit(RunJob(job, path, session).Done() ? 0 : 1);
    }
    if (delay.count() > 0) {
        std::this_thread::sleep_for(delay);
        ::kill(pid, SIGKILL);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFSIGNALED(status);
}

class CrashSafety : public ::testing::TestWithParam<Job> {};

TEST_P(CrashSafety, KilledAtEveryBlockTheOriginalIsUntouched) {
    const Job job = GetParam();
    const Files f = Prepare(job);
    ASSERT_NE(f.original, f.finished);
    // After the tag, after each block, and after the last one (just before the rename).
    for (std::uint64_t killAt = 1; killAt <= f.finished.size(); killAt += kId3v2CopyBlockSize / 2) {
        TempDir dir;
        const std::string path = dir / "song.mp3";
        WriteFile(path, f.original);
        EXPECT_TRUE(RunAndKill(job, path, killAt, {})) << killAt;
        EXPECT_EQ(ReadFile(path), f.original) << "killed at " << killAt;
        // Another process's job on the same file meanwhile succeeds and never takes the killed one's
        // half-written file for its own (a leftover that young stays, for it may be a running write).
        Id3v2WriteSession session{kCp1251};
        ASSERT_TRUE(RunJob(job, path, session).Done());
        EXPECT_EQ(ReadFile(path), f.finished);
        for (const auto& entry : std::filesystem::directory_iterator(dir.Path())) {
            const std::string name = entry.path().filename();
            EXPECT_TRUE(name == "song.mp3" || name.starts_with(".tagmora-tmp-")) << name;
        }
    }
}

TEST_P(CrashSafety, KilledAfterAnyDelayTheFileIsOldOrNew) {
    const Job job = GetParam();
    const Files f = Prepare(job);
    int old = 0, finished = 0;
    double delay = 20;  // microseconds, growing to about half a second
    for (int i = 0; i < 40; ++i, delay *= 1.3) {
        TempDir dir;
        const std::string path = dir / "song.mp3";
        WriteFile(path, f.original);
        RunAndKill(job, path, 0, std::chrono::microseconds(static_cast<long>(delay)));
        const std::string now = ReadFile(path);
        EXPECT_TRUE(now == f.original || now == f.finished) << "after " << delay << " us";
        old += now == f.original;
        finished += now == f.finished;
    }
    EXPECT_EQ(old + finished, 40);
    EXPECT_GT(finished, 0);  // the longest delays let the job finish
}

INSTANTIATE_TEST_SUITE_P(Jobs, CrashSafety, ::testing::Values(Job::Grow, Job::Remove),
                         [](const ::testing::TestParamInfo<Job>& info) {
                             return ::testing::PrintToString(info.param);
                         });

}  // namespace
}  // namespace tagmora
