// The export command: no checked row, the dialog request, and what each end of the dialog saves
// and exports.
#include "export/ExportCommand.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "ExportFixture.h"
#include "TestFiles.h"
#include "common/Messages.h"
#include "settings/SettingsStore.h"

namespace tagmora {
namespace {

using test::ExportFixture;
using test::FakeBookData;
using test::FakeSheetData;
using Lines = std::vector<std::string>;

// Answers as told; on the way it lists the sheets of `ListPath` and presses F1, as a user would,
// and chooses a new workbook.
class FakeExportDialog : public ExportDialogPort {
public:
    ExportDialogResult AskExport(const ExportDialogRequest& request) override {
        ++Calls;
        SampleRow = request.SampleRow;
        SheetCount = request.ListSheets(ListPath, SheetNames);
        request.OpenHelp();
        request.Target = Choice;
        return Result;
    }
    ExportDialogResult Result = ExportDialogResult::Cancelled;
    ExportTarget Choice;
    std::string ListPath = "/books/other.xlsx";
    int Calls = 0;
    int SampleRow = -1;
    int SheetCount = 0;
    std::vector<std::string> SheetNames;
};

class ExportCommandTest : public ExportFixture {
protected:
    ExportCommandTest() : store(dir / "user.reg", dir / "machine.reg") {
        AddRows({{"/m/A1/X/01.mp3", false}, {"/m/A1/X/02.mp3"}, {"/m/A1/X/03.mp3"}});
        spreadsheet.Files["/books/other.xlsx"] = FakeBookData{{FakeSheetData{"Один"}, FakeSheetData{"Два"}}};
        dialog.Choice = NewBook();
    }

    void Run() {
        ExportMnuClick(list, settings, store, dialog, spreadsheet, target, [this] { ++helpOpened; });
    }
    // The Group flag of the last default column as stored, if stored.
    std::optional<RegValue> StoredLastGroup() {
        return store.ReadValue(Hive::CurrentUser, kSettingsKey, "ExcColGroup_2");
    }

    test::TempDir dir;
    FileSettingsStore store;
    FakeExportDialog dialog;
    ExportTarget target;
    int helpOpened = 0;
};

TEST_F(ExportCommandTest, WithoutACheckedRowTheBoxShowsAndNoDialog) {
    for (FileRow& row : list.Rows()) row.Checked = false;
    Run();
    EXPECT_EQ(status.Log, (Lines{"status: Подождите..."}));
    ASSERT_EQ(host.Messages.size(), 1u);
    EXPECT_EQ(host.Messages[0].Text, kNoCheckedFiles);
    EXPECT_EQ(host.Messages[0].Icon, MessageIcon::Information);
    EXPECT_EQ(dialog.Calls, 0);
    EXPECT_FALSE(store.KeyExists(Hive::CurrentUser, kSettingsKey));
}

TEST_F(ExportCommandTest, StartSavesThenExportsDeclinedOnlySavesCancelledDoesNeither) {
    struct Case {
        ExportDialogResult Result;
        bool Saved;
        bool Exported;
    };
    const Case cases[] = {
        {ExportDialogResult::Cancelled, false, false},
        {ExportDialogResult::Declined, true, false},
        {ExportDialogResult::Start, true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.Result));
        store.DeleteKey(Hive::CurrentUser, kSettingsKey);
        spreadsheet.Files.erase(kBook);
        settings.ExportColumns[2].Group = true;
        dialog.Result = c.Result;
        helpOpened = 0;
        Run();

        EXPECT_EQ(dialog.SampleRow, 1);
        EXPECT_EQ(dialog.SheetCount, 2);
        EXPECT_EQ(dialog.SheetNames, (Lines{"Один", "Два"}));
        EXPECT_EQ(helpOpened, 1);
        EXPECT_EQ(target.BookPath, kBook);  // the dialog's choice stays for the next export
        EXPECT_EQ(store.KeyExists(Hive::CurrentUser, kSettingsKey), c.Saved);
        // Saved before the export cleared it.
        if (c.Saved) {
            EXPECT_EQ(StoredLastGroup(), RegValue::Number(1));
        }
        EXPECT_EQ(spreadsheet.Files.contains(kBook), c.Exported);
        EXPECT_EQ(settings.ExportColumns[2].Group, !c.Exported);
        EXPECT_TRUE(host.Messages.empty());
    }
    EXPECT_EQ(Layout(Saved("Music")), (Lines{"0:Artist|Album|Title", "0:A1||", "1:|X|", "2:||02", "2:||03", "1:||"}));
}

TEST_F(ExportCommandTest, SettingsThatCannotBeStoredAreReportedAndTheExportStillRuns) {
    test::WriteFile(dir / "blocker", "a file where a folder should be");
    FileSettingsStore blocked(dir / "blocker/user.reg", dir / "machine.reg");
    dialog.Result = ExportDialogResult::Start;
    dialog.ListPath = "/books/missing.xlsx";
    ExportMnuClick(list, settings, blocked, dialog, spreadsheet, target, [] {});
    ASSERT_EQ(host.Messages.size(), 1u);
    EXPECT_EQ(host.Messages[0].Text, kSettingsNotSaved);
    EXPECT_EQ(host.Messages[0].Icon, MessageIcon::Error);
    EXPECT_TRUE(spreadsheet.Files.contains(kBook));
    // A workbook the application cannot open lists no sheets, and the command shows nothing for it.
    EXPECT_EQ(dialog.SheetCount, -1);
    EXPECT_TRUE(dialog.SheetNames.empty());
}

}  // namespace
}  // namespace tagmora
