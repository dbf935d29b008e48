// Carrying out a plan and foreseeing its result: planned failures are never carried out, and the
// dry run finds the same failures the run meets.
#include <gtest/gtest.h>

#include <cerrno>
#include <string>
#include <vector>

#include "RenameFixture.h"
#include "rename/RenamePlan.h"
#include "rename/SafeRename.h"

namespace tagmora {
namespace {

using test::TempDir;
using test::WriteFile;
using Strings = std::vector<std::string>;

TEST(RenamePlan, TheSimulationForeseesWhatTheRunMeets) {
    struct Case {
        const char* What;
        std::vector<std::pair<std::string, std::string>> Moves;  // relative old -> new
        RenameKind Kind;
        std::vector<int> Errors;
    };
    const std::string tooLong(256, 'n');
    const Case cases[] = {
        {"two rows to one name", {{"a.mp3", "x.mp3"}, {"b.mp3", "x.mp3"}}, RenameKind::InFolder, {0, EEXIST}},
        {"an existing file", {{"a.mp3", "c.mp3"}}, RenameKind::InFolder, {EEXIST}},
        {"a name too long", {{"a.mp3", tooLong + ".mp3"}}, RenameKind::InFolder, {ENAMETOOLONG}},
        {"a hidden name", {{"a.mp3", ".mp3"}}, RenameKind::WithFolders, {kNameHidden}},
        {"a name freed earlier", {{"c.mp3", "z.mp3"}, {"a.mp3", "c.mp3"}}, RenameKind::InFolder, {0, 0}},
        {"a name freed later", {{"a.mp3", "c.mp3"}, {"c.mp3", "z.mp3"}}, RenameKind::InFolder, {EEXIST, 0}},
        {"the same file twice", {{"a.mp3", "x.mp3"}, {"a.mp3", "y.mp3"}}, RenameKind::InFolder, {0, ENOENT}},
        {"already right", {{"a.mp3", "a.mp3"}, {"b.mp3", "./New/../b.mp3"}}, RenameKind::WithFolders, {0, 0}},
        {"the same place written twice",
         {{"a.mp3", "New/x.mp3"}, {"b.mp3", "New//x.mp3"}},
         RenameKind::WithFolders,
         {0, EEXIST}},
    };
    for (const Case& c : cases) {
        TempDir dir;
        for (const char* name : {"a.mp3", "b.mp3", "c.mp3"}) WriteFile(dir / name, name);
        std::vector<RenamePlanItem> plan;
        for (const auto& [from, to] : c.Moves) plan.push_back({0, dir / from, dir / to});
        EXPECT_EQ(SimulateRenames(plan), c.Errors) << c.What;
        Strings before;
        test::CollectFiles(dir.Path(), "", before);
        EXPECT_EQ(before.size(), 3u) << c.What;  // the simulation touches nothing
        EXPECT_EQ(ApplyRenames(plan, c.Kind), c.Errors) << c.What;
    }
}

TEST(RenamePlan, APlannedFailureIsNeverCarriedOut) {
    TempDir dir;
    WriteFile(dir / "a.mp3", "A");
    const std::vector<RenamePlanItem> plan{{0, dir / "a.mp3", dir / "Error.mp3", kScriptFailed}};
    EXPECT_EQ(SimulateRenames(plan), (std::vector<int>{kScriptFailed}));
    EXPECT_EQ(ApplyRenames(plan, RenameKind::WithFolders), (std::vector<int>{kScriptFailed}));
    EXPECT_EQ(test::ReadFile(dir / "a.mp3"), "A");
}

}  // namespace
}  // namespace tagmora
