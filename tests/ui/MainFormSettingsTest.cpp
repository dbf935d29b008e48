// The settings command in the main window: the first run opens the settings dialog and, cancelled,
// comes back at the next start; the menu item reaches the dialog, whose ">>" and F1 reach the
// window's picker and help; OK registers the folder verb, saves and sets the grid lines; a failed
// verb stops before the save.
#include <QApplication>
#include <QTest>
#include <QTimer>

#include "FakePorts.h"
#include "UiTestSupport.h"
#include "filelist/FolderCommands.h"
#include "settings/SettingsForm.h"
#include "writetags/WriteTagsForm.h"

using namespace tagmora;
using namespace tagmora::test;

namespace {

const WindowPosition kPosition{40, 30, 700, 400, 0};

// Answers the settings dialog: counts the questions, runs what the test asks while it is "open",
// and on OK turns the grid off and the folder verb on.
class SettingsAnswer : public NullDialogs {
public:
    bool AskSettings(const SettingsDialogRequest& request) override {
        ++Asked;
        if (WhileOpen) WhileOpen(request);
        if (!Confirm) return false;
        request.Settings.ShowGrid = false;
        request.Settings.UseShellCall = true;
        return true;
    }
    bool Confirm = false;
    int Asked = 0;
    std::function<void(const SettingsDialogRequest&)> WhileOpen;
};

class RecordingVerb : public FolderVerbPort {
public:
    bool AddFolderVerb(const std::string& installPath, std::string& error) override {
        Added.push_back(installPath);
        if (Fails) error = "no room";
        return !Fails;
    }
    bool RemoveFolderVerb() override { return ++Removed, true; }
    bool FolderVerbExists() override { return false; }
    std::vector<std::string> Added;
    int Removed = 0;
    bool Fails = false;
};

}  // namespace

class MainFormSettingsTest : public QObject {
    Q_OBJECT

private slots:
    void firstRunOpensTheDialogUntilItIsConfirmed() {
        UiSandbox sandbox;
        UiFakeHost host;
        SettingsAnswer dialog;
        RecordingVerb verb;
        const MainFormOptions options{.HostPort = &host, .DialogsPort = &dialog, .FolderVerb = &verb};
        // Cancelled: the next start is a first run again.
        for (int start = 1; start <= 2; ++start) {
            MainForm form(options);
            QCOMPARE(dialog.Asked, start);
            QVERIFY(!form.PositionRestored());
            QVERIFY(form.MainList().showGrid());
        }
        QVERIFY(verb.Added.empty());
        // Confirmed: the verb is registered, the grid follows, and the settings are saved.
        dialog.Confirm = true;
        {
            MainForm form(options);
            QCOMPARE(dialog.Asked, 3);
            QCOMPARE(verb.Added, std::vector<std::string>{form.Settings().Path});
            QVERIFY(!form.MainList().showGrid());
        }
        MainForm form(options);
        QCOMPARE(dialog.Asked, 3);
        QVERIFY(form.PositionRestored());
        QVERIFY(form.Settings().UseShellCall);
        QVERIFY(!form.MainList().showGrid());
    }

    void menuItemRunsTheSettingsCommand() {
        UiSandbox sandbox;
        sandbox.StoreSettings(UiSandbox::SavedDefaults(), kPosition);
        UiFakeHost host;
        host.PickerAnswers = {sandbox.Dir.Path()};
        RecordingShell shell;
        SettingsAnswer dialog;
        RecordingVerb verb;
        MainForm form({.HostPort = &host, .DialogsPort = &dialog, .Shell = &shell, .FolderVerb = &verb});
        QCOMPARE(dialog.Asked, 0);
        QAction* item = form.Command(menu::Settings);
        QCOMPARE(item->text(), QStringLiteral("Уста&новки"));
        QCOMPARE(item->shortcut(), QKeySequence(QStringLiteral("Ctrl+S")));

        std::string chosen;
        dialog.WhileOpen = [&](const SettingsDialogRequest& request) {
            QVERIFY(request.ChooseFolder(chosen));
            request.OpenHelp();
        };
        dialog.Confirm = true;
        item->trigger();
        QCOMPARE(dialog.Asked, 1);
        QCOMPARE(chosen, sandbox.Dir.Path());
        QCOMPARE(host.PickerInstructions, std::vector<std::string>{kChooseFolderText});
        QCOMPARE(shell.Opened.size(), std::size_t{1});
        QVERIFY(shell.Opened[0].first.ends_with("/Tagmora.html"));
        QCOMPARE(verb.Added.size(), std::size_t{1});
        QVERIFY(!form.MainList().showGrid());
        AppSettings saved;
        QCOMPARE(LoadSettings(saved, *sandbox.Store()), SettingsLoadResult::Loaded);
        QVERIFY(saved.UseShellCall);
        QVERIFY(!saved.ShowGrid);

        // Again with the verb already on: nothing is registered a second time.
        dialog.WhileOpen = {};
        item->trigger();
        QCOMPARE(dialog.Asked, 2);
        QCOMPARE(verb.Added.size(), std::size_t{1});
        QCOMPARE(verb.Removed, 0);
    }

    void failedVerbStopsBeforeTheSave() {
        UiSandbox sandbox;
        sandbox.StoreSettings(UiSandbox::SavedDefaults(), kPosition);
        UiFakeHost host;
        SettingsAnswer dialog;
        RecordingVerb verb;
        verb.Fails = true;
        MainForm form({.HostPort = &host, .DialogsPort = &dialog, .FolderVerb = &verb});
        dialog.Confirm = true;
        form.Command(menu::Settings)->trigger();
        QCOMPARE(verb.Added.size(), std::size_t{1});
        QCOMPARE(host.Messages.size(), std::size_t{1});
        QCOMPARE(host.Messages[0].Text, std::string("no room"));
        QCOMPARE(host.Messages[0].Caption, std::string("Tagmora"));
        // Taken over in memory, but neither saved nor shown.
        QVERIFY(!form.Settings().ShowGrid);
        QVERIFY(form.MainList().showGrid());
        AppSettings saved;
        QCOMPARE(LoadSettings(saved, *sandbox.Store()), SettingsLoadResult::Loaded);
        QVERIFY(saved.ShowGrid);
        QVERIFY(!saved.UseShellCall);
    }

    // The settings and batch tag dialogs and the message boxes ask for a close button only.
    void fixedSizeDialogsAskForACloseButtonOnly() {
        const auto closeOnly = [](const QWidget& dialog) {
            const Qt::WindowFlags f = dialog.windowFlags();
            return (f & Qt::WindowType_Mask) == Qt::Dialog && !(f & Qt::WindowMinMaxButtonsHint) &&
                   f.testFlags(Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint | Qt::WindowCloseButtonHint);
        };
        AppSettings settings = UiSandbox::SavedDefaults();
        QVERIFY(closeOnly(SettingsForm(SettingsDialogRequest{settings, {}, {}})));
        RecordingStatus status;
        FakeHost fake;
        QVERIFY(closeOnly(TWriteTagsForm(WriteTagsRequest{}, FileList(settings, status, fake))));
        bool box = false;
        QTimer::singleShot(0, [&] {
            box = closeOnly(*QApplication::activeModalWidget()) && QApplication::activeModalWidget()->close();
        });
        QtHost().ShowMessage("text", "Tagmora", MessageIcon::Information, MessageButtons::Ok);
        QVERIFY(box);
    }
};

QTEST_MAIN(MainFormSettingsTest)
#include "MainFormSettingsTest.moc"
