// Start-up of the main window: the first run, a restored position with zero, one or two folder
// arguments, the window state, saving the position, an unreadable installation path, and the
// scrolling application title.
#include <QGuiApplication>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>
#include <QWindow>

#include "UiTestSupport.h"
#include "filelist/FolderCommands.h"

using namespace tagmora;
using namespace tagmora::test;

namespace {

const WindowPosition kPosition{40, 30, 700, 400, 0};

std::vector<std::string> FileTexts(FileList& list) {
    std::vector<std::string> out;
    for (const FileRow& row : list.Rows()) out.emplace_back(row.FileText());
    return out;
}

// parent/A (a1.mp3, a2.mp3), parent/B (b.mp3), parent/C (c.mp3 and C/deep/d.mp3).
struct Folders {
    explicit Folders(const TempDir& dir)
        : A(dir.MakeDir("music/A")), B(dir.MakeDir("music/B")), C(dir.MakeDir("music/C")) {
        dir.MakeDir("music/C/deep");
        WriteMp3(A + "/a2.mp3", "Second", "Artist A");
        WriteMp3(A + "/a1.mp3", "First", "Artist A");
        WriteMp3(B + "/b.mp3", "Bee", "Artist B");
        WriteMp3(C + "/c.mp3", "Sea", "Artist C");
        WriteMp3(C + "/deep/d.mp3", "Deep", "Artist C");
    }
    std::string A, B, C;
};

}  // namespace

class MainFormStartupTest : public QObject {
    Q_OBJECT

    // Stores settings (and a position), starts the window with `arguments` and waits for the
    // start-up work.
    std::unique_ptr<MainForm> Start(UiSandbox& sandbox, UiFakeHost& host, AppSettings settings,
                                    std::vector<std::string> arguments,
                                    std::optional<WindowPosition> position = kPosition) {
        sandbox.StoreSettings(settings, position);
        auto form = std::make_unique<MainForm>(MainFormOptions{.Arguments = std::move(arguments), .HostPort = &host});
        form->show();
        return form;
    }

private slots:
    void firstRunOpensTheSettingsAndIgnoresArguments() {
        UiSandbox sandbox;
        UiFakeHost host;
        Folders folders(sandbox.Dir);
        int dialogs = 0;
        bool visibleAtDialog = true;
        MainForm* created = nullptr;
        const auto openSettingsDialog = [&] {
            ++dialogs;
            visibleAtDialog = created != nullptr && created->isVisible();
        };
        MainForm form({.Arguments = {folders.A}, .HostPort = &host, .OpenSettingsDialog = openSettingsDialog});
        created = &form;
        QCOMPARE(dialogs, 1);
        QVERIFY(!visibleAtDialog);
        QVERIFY(!form.PositionRestored());
        // The first-run defaults are in effect, and the position was saved.
        QVERIFY(form.Settings().IncludeSubDirs);
        QVERIFY(form.Settings().NewStyleDialog);
        QVERIFY(form.MainList().showGrid());
        const auto stored = LoadWindowPosition(*sandbox.Store());
        QVERIFY(stored.has_value());
        QCOMPARE(stored->Width, form.width());
        QCOMPARE(stored->Height, form.height());

        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QTest::qWait(50);
        QVERIFY(!form.StartupWorkDone());
        QCOMPARE(form.List().RowCount(), 0);
        QCOMPARE(form.windowTitle(), QStringLiteral("Tagmora"));
        QVERIFY(!form.Command("NextDirMnu")->isEnabled());
    }

    void restoredPositionWithoutArgumentsShowsNoFolder() {
        UiSandbox sandbox;
        UiFakeHost host;
        AppSettings settings = UiSandbox::SavedDefaults();
        settings.ShowGrid = false;
        auto form = Start(sandbox, host, settings, {});
        QTRY_VERIFY(form->StartupWorkDone());
        QVERIFY(form->PositionRestored());
        QCOMPARE(form->x(), kPosition.Left);
        QCOMPARE(form->y(), kPosition.Top);
        QCOMPARE(form->width(), kPosition.Width);
        QCOMPARE(form->height(), kPosition.Height);
        QVERIFY(!form->MainList().showGrid());
        QCOMPARE(form->Status().PanelText(0), QString::fromUtf8(kStatusNoFolder));
        QCOMPARE(form->List().RowCount(), 0);
        QCOMPARE(form->List().SortColumn, 0);
        // The column layout was applied: columns 9 to 20 are hidden by the defaults.
        QCOMPARE(form->ColumnWidth(ColComposer), 0);
        QVERIFY(form->ColumnWidth(ColFile) >= 30);
    }

    void oneFolderArgumentIsScannedAndRead() {
        UiSandbox sandbox;
        UiFakeHost host;
        Folders folders(sandbox.Dir);
        AppSettings settings = UiSandbox::SavedDefaults();
        settings.IncludeSubDirs = false;
        auto form = Start(sandbox, host, settings, {folders.A});
        QTRY_VERIFY(form->StartupWorkDone());
        QCOMPARE(FileTexts(form->List()), (std::vector<std::string>{"a1.mp3", "a2.mp3"}));
        QCOMPARE(form->List().Rows()[0].ColumnText(ColTitle), std::string("First"));
        QCOMPARE(form->Model().rowCount(), 2);
        QCOMPARE(form->Status().PanelText(0), QStringLiteral(" Всего файлов - 2"));
        QCOMPARE(form->windowTitle(), QString::fromStdString("Tagmora - " + folders.A + "/*.mp3"));
        QVERIFY(form->Timer1().isActive());
        QCOMPARE(form->Timer1().interval(), 200);
        // Three sibling folders: next and previous are enabled.
        QVERIFY(form->Command("NextDirMnu")->isEnabled());
        QVERIFY(form->Command("PreviousDirMnu")->isEnabled());
        QVERIFY(host.Messages.empty());
    }

    void aMissingFolderArgumentScansNothing() {
        UiSandbox sandbox;
        UiFakeHost host;
        auto form = Start(sandbox, host, UiSandbox::SavedDefaults(), {sandbox.Dir / "absent"});
        QTRY_VERIFY(form->StartupWorkDone());
        QCOMPARE(form->List().RowCount(), 0);
        QCOMPARE(form->Status().PanelText(0), QString::fromUtf8(kStatusNoFolder));
        QVERIFY(!form->Timer1().isActive());
    }

    void twoFoldersWithSubfoldersAreBothListedInOrder() {
        UiSandbox sandbox;
        UiFakeHost host;
        Folders folders(sandbox.Dir);
        AppSettings settings = UiSandbox::SavedDefaults();
        settings.IncludeSubDirs = true;
        // C first, then A: the appended rows of A end up before C's after the re-sort.
        auto form = Start(sandbox, host, settings, {folders.C, sandbox.Dir / "absent", folders.A});
        QTRY_VERIFY(form->StartupWorkDone());
        QCOMPARE(FileTexts(form->List()), (std::vector<std::string>{folders.A + "/a1.mp3", folders.A + "/a2.mp3",
                                                                    folders.C + "/c.mp3", folders.C + "/deep/d.mp3"}));
        QCOMPARE(form->Model().rowCount(), 4);
        QCOMPARE(form->Status().PanelText(0), QStringLiteral(" Всего файлов - 4"));
        QVERIFY(!form->Command("NextDirMnu")->isEnabled());
        QVERIFY(!form->Command("PreviousDirMnu")->isEnabled());
        QVERIFY(form->List().AutoOrdering);
    }

    void twoFoldersWithoutSubfoldersScanOnlyTheFirst() {
        UiSandbox sandbox;
        UiFakeHost host;
        Folders folders(sandbox.Dir);
        AppSettings settings = UiSandbox::SavedDefaults();
        settings.IncludeSubDirs = false;
        auto form = Start(sandbox, host, settings, {folders.B, folders.A});
        QTRY_VERIFY(form->StartupWorkDone());
        QCOMPARE(FileTexts(form->List()), (std::vector<std::string>{"b.mp3"}));
        QCOMPARE(form->List().CurrentFolder, folders.B);
        QVERIFY(form->Command("NextDirMnu")->isEnabled());
    }

    void maximisedStateIsRestoredAfterShowing() {
        UiSandbox sandbox;
        UiFakeHost host;
        WindowPosition position = kPosition;
        position.State = 2;
        auto form = Start(sandbox, host, UiSandbox::SavedDefaults(), {}, position);
        QTRY_VERIFY(form->isMaximized());
        QTRY_VERIFY(form->StartupWorkDone());
        // Saving while maximised keeps the bounds from before.
        QVERIFY(form->SaveWindowPosition());
        QCOMPARE(LoadWindowPosition(*sandbox.Store()), std::optional<WindowPosition>(position));
    }

    void minimisedStateIsShownNormal() {
        UiSandbox sandbox;
        UiFakeHost host;
        WindowPosition position = kPosition;
        position.State = 1;
        auto form = Start(sandbox, host, UiSandbox::SavedDefaults(), {}, position);
        QTRY_VERIFY(form->StartupWorkDone());
        QVERIFY(!form->isMinimized());
        QVERIFY(!form->isMaximized());
        QCOMPARE(form->width(), kPosition.Width);
    }

    void savingWhileMaximisedKeepsTheBoundsFromBefore() {
        UiSandbox sandbox;
        UiFakeHost host;
        auto form = Start(sandbox, host, UiSandbox::SavedDefaults(), {});
        QTRY_VERIFY(form->StartupWorkDone());
        form->showMaximized();
        QTRY_VERIFY(form->isMaximized());
        form->Command("SavePosMnu")->trigger();
        WindowPosition maximised = kPosition;
        maximised.State = 2;
        QCOMPARE(LoadWindowPosition(*sandbox.Store()), std::optional<WindowPosition>(maximised));
        // The next start gives the window those bounds, then maximises it once shown.
        form.reset();
        MainForm again({.HostPort = &host});
        QVERIFY(again.PositionRestored());
        QCOMPARE(again.geometry().size(), QSize(kPosition.Width, kPosition.Height));
        QCOMPARE(again.pos(), QPoint(kPosition.Left, kPosition.Top));
        QVERIFY(!again.isMaximized());
        again.show();
        QTRY_VERIFY(again.isMaximized());
        QTRY_VERIFY(again.StartupWorkDone());
        QCOMPARE(again.normalGeometry().size(), QSize(kPosition.Width, kPosition.Height));
    }

    void savingWhileMinimisedStoresOneAndTheNextStartIsNormal() {
        UiSandbox sandbox;
        UiFakeHost host;
        auto form = Start(sandbox, host, UiSandbox::SavedDefaults(), {});
        QTRY_VERIFY(form->StartupWorkDone());
        form->move(60, 70);
        form->resize(640, 350);
        form->showMinimized();
        QTRY_VERIFY(form->isMinimized());
        form->Command("SavePosMnu")->trigger();
        const auto stored = LoadWindowPosition(*sandbox.Store());
        QVERIFY(stored.has_value());
        QCOMPARE(*stored, (WindowPosition{form->y(), form->x(), 640, 350, 1}));
        form.reset();
        MainForm again({.HostPort = &host});
        again.show();
        QTRY_VERIFY(again.StartupWorkDone());
        QVERIFY(!again.isMinimized());
        QVERIFY(!again.isMaximized());
        QCOMPARE(again.geometry().size(), QSize(640, 350));
        QCOMPARE(again.pos(), QPoint(stored->Left, stored->Top));

        // Minimized from maximized: minimized, with the bounds from before the maximising.
        again.showMaximized();
        QTRY_VERIFY(again.isMaximized());
        again.showMinimized();
        QTRY_VERIFY(again.isMinimized());
        QVERIFY(again.SaveWindowPosition());
        QCOMPARE(LoadWindowPosition(*sandbox.Store()),
                 std::optional<WindowPosition>(WindowPosition{stored->Top, stored->Left, 640, 350, 1}));
    }

    void aPositionOffEveryScreenMovesOntoItsNearestCorner() {
        UiSandbox sandbox;
        UiFakeHost host;
        const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
        const WindowPosition lost{screen.bottom() + 500, screen.right() + 500, 500, 300, 0};
        auto form = Start(sandbox, host, UiSandbox::SavedDefaults(), {}, lost);
        QTRY_VERIFY(form->StartupWorkDone());
        QVERIFY(form->PositionRestored());
        QCOMPARE(form->size(), QSize(500, 300));
        QCOMPARE(form->pos(), screen.bottomRight() - QPoint(499, 299));
        // A position partly on the screen is kept as it was.
        form.reset();
        const WindowPosition half{screen.top() + 10, screen.right() - 100, 500, 300, 0};
        QVERIFY(StoreWindowPosition(*sandbox.Store(), half));
        MainForm again({.HostPort = &host});
        QCOMPARE(again.pos(), QPoint(half.Left, half.Top));
    }

    void savePositionCommandStoresTheBounds() {
        UiSandbox sandbox;
        UiFakeHost host;
        auto form = Start(sandbox, host, UiSandbox::SavedDefaults(), {});
        QTRY_VERIFY(form->StartupWorkDone());
        form->move(120, 90);
        form->resize(650, 333);
        form->Command("SavePosMnu")->trigger();
        const auto stored = LoadWindowPosition(*sandbox.Store());
        QVERIFY(stored.has_value());
        QCOMPARE(*stored, (WindowPosition{form->y(), form->x(), 650, 333, 0}));
        // The next start puts the window there.
        form.reset();
        MainForm again({.HostPort = &host});
        QCOMPARE(again.width(), 650);
        QCOMPARE(again.height(), 333);
        QCOMPARE(again.x(), stored->Left);
        QCOMPARE(again.y(), stored->Top);
    }

    void unreadableInstallationPathEndsTheProgram() {
        UiSandbox sandbox;
        UiFakeHost host;
        const std::string machine = sandbox.Dir / "machine.reg";
        WriteFile(machine,
                  "Windows Registry Editor Version 5.00\n\n[HKEY_LOCAL_MACHINE\\Software\\Doskvel\\Tagmora]\n"
                  "\"Path\"=dword:00000001\n");
        FileSettingsStore store(FileSettingsStore::DefaultUserHivePath(), machine);
        MainForm form({.HostPort = &host, .Store = &store});
        QVERIFY(form.EndRequested());
        QCOMPARE(host.Messages.size(), std::size_t{1});
        QCOMPARE(host.Messages[0].Text,
                 std::string("Ошибка при чтении данных из реестра. Необходимо переустановить программу."));
        QCOMPARE(host.Messages[0].Caption, std::string("Tagmora"));
        QVERIFY(host.Messages[0].Icon == MessageIcon::Error);
    }

    void applicationTitleRotatesByOneCharacter() {
        UiSandbox sandbox;
        UiFakeHost host;
        MainForm form({.HostPort = &host, .OpenSettingsDialog = NoSettingsDialog});
        form.setWindowTitle(QStringLiteral("Caption"));
        form.SetApplicationTitle("Ёлка  ");
        QCOMPARE(form.windowIconText(), QStringLiteral("Ёлка  "));
        form.ChangeAppName();
        QCOMPARE(form.ApplicationTitle(), std::string("лка  Ё"));
        QCOMPARE(form.windowIconText(), QStringLiteral("лка  Ё"));
        QCOMPARE(form.windowTitle(), QStringLiteral("Caption"));
        // Timer1 drives it.
        form.StartTitleScrolling();
        QTRY_COMPARE(form.ApplicationTitle(), std::string("ка  Ёл"));
    }

    void scrollingTitleReachesTheWindowSystemAtEveryTick() {
        UiSandbox sandbox;
        UiFakeHost host;
        MainForm form({.HostPort = &host, .OpenSettingsDialog = NoSettingsDialog});
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        host.SetCaption("Tagmora - /music/*.mp3");
        host.SetApplicationTitle("Tagmora - /music/*.mp3    ");
        QWindow* window = form.windowHandle();
        QSignalSpy sent(window, &QWindow::windowTitleChanged);
        form.StartTitleScrolling();
        QTRY_VERIFY(sent.count() >= 3);
        // Each tick sends the title rotated once more; the form's caption stays the one the
        // program set.
        const QString title = QStringLiteral("Tagmora - /music/*.mp3    ");
        for (int tick = 1; tick <= 3; ++tick) {
            QCOMPARE(sent[tick - 1][0].toString(), title.mid(tick) + title.left(tick));
        }
        QCOMPARE(window->title(), QString::fromStdString(form.ApplicationTitle()));
        QCOMPARE(form.windowTitle(), QStringLiteral("Tagmora - /music/*.mp3"));
    }
};

QTEST_MAIN(MainFormStartupTest)
#include "MainFormStartupTest.moc"
