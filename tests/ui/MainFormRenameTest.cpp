// The renaming commands in the main window: preset renaming and its undo through the menu, and
// script renaming through the rename dialog's port.
#include <QTest>

#include <filesystem>

#include "UiTestSupport.h"

using namespace tagmora;
using namespace tagmora::test;

namespace {

const WindowPosition kPosition{40, 30, 700, 400, 0};

// Answers the rename dialog with a fixed script (or cancels) and remembers what it was shown; the
// other dialogs are never confirmed.
class FixedScriptDialog : public NullDialogs {
public:
    std::optional<std::string> AskRenameScript(const std::vector<std::string>& history, const FileList&,
                                               int sampleRow) override {
        ShownHistory = history;
        ShownSample = sampleRow;
        return Answer;
    }
    std::optional<std::string> Answer;
    std::vector<std::string> ShownHistory;
    int ShownSample = -2;
};

bool Exists(const std::string& path) { return std::filesystem::exists(path); }

}  // namespace

class MainFormRenameTest : public QObject {
    Q_OBJECT

    std::unique_ptr<MainForm> Start(UiSandbox& sandbox, UiFakeHost& host, const std::string& folder,
                                    Dialogs* dialog = nullptr) {
        AppSettings settings = UiSandbox::SavedDefaults();
        settings.AddPrefixHow = 0;
        sandbox.StoreSettings(settings, kPosition);
        auto form = std::make_unique<MainForm>(
            MainFormOptions{.Arguments = {folder}, .HostPort = &host, .DialogsPort = dialog});
        form->show();
        return form;
    }

private slots:
    void presetRenameAndUndoThroughTheMenu() {
        UiSandbox sandbox;
        UiFakeHost host;
        const std::string folder = sandbox.Dir.MakeDir("music");
        WriteMp3(folder + "/x.mp3", "Morning", "Artist");
        WriteMp3(folder + "/y.mp3", "Evening", "Artist");
        auto form = Start(sandbox, host, folder);
        QTRY_VERIFY(form->StartupWorkDone());
        QVERIFY(!form->Command("UnDoMnu")->isEnabled());

        form->Command("RenameAllMnu")->trigger();
        QVERIFY(Exists(folder + "/01 - Morning.mp3"));
        QVERIFY(Exists(folder + "/02 - Evening.mp3"));
        QVERIFY(!Exists(folder + "/x.mp3"));
        QVERIFY(form->Command("UnDoMnu")->isEnabled());
        QCOMPARE(form->Undo().size(), std::size_t{2});
        // The list was rebuilt from the folder: it shows the new names.
        QCOMPARE(form->Model().rowCount(), 2);
        QCOMPARE(form->List().Rows()[0].FileText(), folder + "/01 - Morning.mp3");
        QVERIFY(host.Messages.empty());

        form->Command("UnDoMnu")->trigger();
        QVERIFY(Exists(folder + "/x.mp3"));
        QVERIFY(Exists(folder + "/y.mp3"));
        QVERIFY(!form->Command("UnDoMnu")->isEnabled());
        QCOMPARE(form->List().Rows()[0].FileText(), folder + "/x.mp3");
    }

    void enterInTheListRenamesAndCtrlZUndoes() {
        UiSandbox sandbox;
        UiFakeHost host;
        const std::string folder = sandbox.Dir.MakeDir("music");
        WriteMp3(folder + "/x.mp3", "Morning", "Artist");
        auto form = Start(sandbox, host, folder);
        QTRY_VERIFY(form->StartupWorkDone());
        form->activateWindow();
        form->MainList().setFocus();
        QTest::keyClick(&form->MainList(), Qt::Key_Return);
        QVERIFY(Exists(folder + "/01 - Morning.mp3"));
        QTest::keyClick(&form->MainList(), Qt::Key_Z, Qt::ControlModifier);
        QVERIFY(Exists(folder + "/x.mp3"));
    }

    void presetRenameWithoutCheckedRowsOnlyShowsTheMessage() {
        UiSandbox sandbox;
        UiFakeHost host;
        const std::string folder = sandbox.Dir.MakeDir("music");
        WriteFile(folder + "/untagged.mp3", SilentFrames(2));
        auto form = Start(sandbox, host, folder);
        QTRY_VERIFY(form->StartupWorkDone());
        form->Command("RenameAllMnu")->trigger();
        QCOMPARE(host.Messages.size(), std::size_t{1});
        QCOMPARE(host.Messages[0].Text, std::string("Нет выбранных файлов."));
        QVERIFY(Exists(folder + "/untagged.mp3"));
    }

    void scriptRenameMovesFilesAndKeepsTheRows() {
        UiSandbox sandbox;
        UiFakeHost host;
        FixedScriptDialog dialog;
        const std::string folder = sandbox.Dir.MakeDir("music");
        WriteMp3(folder + "/x.mp3", "Morning", "Artist");
        auto form = Start(sandbox, host, folder, &dialog);
        QTRY_VERIFY(form->StartupWorkDone());

        dialog.Answer.reset();  // Cancel: nothing happens.
        form->Command("RenameWindMnu")->trigger();
        QCOMPARE(dialog.ShownSample, 0);
        QVERIFY(Exists(folder + "/x.mp3"));

        dialog.Answer = "%t3%\\%t1%";
        form->Command("RenameWindMnu")->trigger();
        QVERIFY(Exists(folder + "/Artist/Morning.mp3"));
        QCOMPARE(form->List().Rows()[0].FileText(), folder + "/Artist/Morning.mp3");
        QCOMPARE(form->List().Rows()[0].ColumnText(ColTitle), std::string("Morning"));
        // Script renaming records nothing for undo; the script joins the history.
        QVERIFY(!form->Command("UnDoMnu")->isEnabled());
        dialog.Answer.reset();
        form->Command("RenameWindMnu")->trigger();
        QCOMPARE(dialog.ShownHistory, (std::vector<std::string>{"%t3%\\%t1%"}));

        // A renaming that fails for a file shows the list again, painted and with the focus, before
        // its summary box.
        WriteFile(folder + "/Artist/Taken.mp3", "someone's");
        dialog.Answer = "Taken";
        bool listShown = false;
        host.OnMessage = [&] {
            listShown = form->MainList().isVisible() && form->MainList().updatesEnabled() &&
                        form->MainList().hasFocus() && form->Model().rowCount() == 1 &&
                        form->Model().index(0, 0).data().isValid();
        };
        form->activateWindow();
        form->Command("RenameWindMnu")->trigger();
        QCOMPARE(host.Messages.size(), std::size_t{1});
        QVERIFY(listShown);
    }
};

QTEST_MAIN(MainFormRenameTest)
#include "MainFormRenameTest.moc"
