// The main window's menu against the command table, and its shortcut keys in the window.
#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QSignalSpy>
#include <QTest>

#include "UiTestSupport.h"
#include "main/CommandTable.h"

using namespace tagmora;
using namespace tagmora::test;

namespace {

QString Q(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

QList<QKeySequence> ExpectedKeys(std::string_view key) {
    if (key.empty()) return {};
    if (key == "Enter") return {QKeySequence(Qt::Key_Return), QKeySequence(Qt::Key_Enter)};
    if (key == "Ctrl+Enter") return {QKeySequence(Qt::CTRL | Qt::Key_Return), QKeySequence(Qt::CTRL | Qt::Key_Enter)};
    return {QKeySequence::fromString(Q(key), QKeySequence::PortableText)};
}

}  // namespace

class MainFormMenuTest : public QObject {
    Q_OBJECT

private slots:
    void menusFollowTheCommandTable() {
        UiSandbox sandbox;
        UiFakeHost host;
        MainForm form({.HostPort = &host, .OpenSettingsDialog = NoSettingsDialog});
        const QList<QAction*> menus = form.menuBar()->actions();
        const auto& table = MainMenuTable();
        QCOMPARE(menus.size(), static_cast<qsizetype>(table.size()));
        for (std::size_t m = 0; m < table.size(); ++m) {
            const MenuSpec& expected = table[m];
            QCOMPARE(menus[static_cast<qsizetype>(m)]->text(), Q(expected.Caption));
            QMenu* menu = menus[static_cast<qsizetype>(m)]->menu();
            QVERIFY(menu != nullptr);
            const QList<QAction*> items = menu->actions();
            QCOMPARE(items.size(), static_cast<qsizetype>(expected.Items.size()));
            for (std::size_t i = 0; i < expected.Items.size(); ++i) {
                const CommandSpec& item = expected.Items[i];
                const QAction* action = items[static_cast<qsizetype>(i)];
                QCOMPARE(action->isSeparator(), item.IsSeparator());
                if (item.IsSeparator()) continue;
                QCOMPARE(action->objectName(), Q(item.Name));
                QCOMPARE(action->text(), Q(item.Caption));
                QCOMPARE(action->shortcuts(), ExpectedKeys(item.Key));
                QCOMPARE(action->shortcutContext(), Qt::WindowShortcut);
                QCOMPARE(action->statusTip(), Q(item.Hint));
                // Qt reports an invisible action as disabled.
                QCOMPARE(action->isEnabled(), item.EnabledAtStart && item.Visible);
                QCOMPARE(action->isVisible(), item.Visible);
                QCOMPARE(form.Command(item.Name), action);
                QCOMPARE(action->icon().isNull(), item.Icon.empty());
            }
        }
    }

    void menuShowsEveryKeyAsTheTableNamesIt() {
        UiSandbox sandbox;
        UiFakeHost host;
        MainForm form({.HostPort = &host, .OpenSettingsDialog = NoSettingsDialog});
        int checked = 0;
        for (QAction* top : form.menuBar()->actions()) {
            const auto* menu = qobject_cast<const CommandMenu*>(top->menu());
            QVERIFY(menu != nullptr);
            for (const QAction* action : menu->actions()) {
                if (action->isSeparator()) continue;
                const CommandSpec* item = FindCommand(action->objectName().toStdString());
                QVERIFY(item != nullptr);
                const QString expected = item->Key.empty() ? Q(item->Caption) : Q(item->Caption) + u'\t' + Q(item->Key);
                QCOMPARE(menu->ShownText(action), expected);
                ++checked;
            }
        }
        QCOMPARE(checked, 33);
        // The two items whose keys Qt would name "Return".
        QCOMPARE(qobject_cast<const CommandMenu*>(form.Command("RenameAllMnu")->parent())
                     ->ShownText(form.Command("RenameAllMnu")),
                 QStringLiteral("&Переименовать\tEnter"));
        QCOMPARE(qobject_cast<const CommandMenu*>(form.Command("RenameWindMnu")->parent())
                     ->ShownText(form.Command("RenameWindMnu")),
                 QStringLiteral("П&ереименовать...\tCtrl+Enter"));
    }

    void documentedKeysAndStates() {
        UiSandbox sandbox;
        UiFakeHost host;
        MainForm form({.HostPort = &host, .OpenSettingsDialog = NoSettingsDialog});
        QCOMPARE(form.Command("BrowseForFolderMnu")->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_O));
        QCOMPARE(form.Command("AddToListMnu")->shortcut(), QKeySequence(Qt::SHIFT | Qt::Key_O));
        QCOMPARE(form.Command("EnqInWinampMnu")->shortcut(), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_W));
        QCOMPARE(form.Command("RereadListMnu")->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_F2));
        QCOMPARE(form.Command("RemoveMnu")->shortcut(), QKeySequence(Qt::Key_Delete));
        QCOMPARE(form.Command("MarkAllMnu")->shortcut(), QKeySequence(Qt::Key_A));
        QCOMPARE(form.Command("AboutMnu")->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_F1));
        QVERIFY(form.Command("AGID3v11")->shortcuts().isEmpty());
        QVERIFY(form.Command("SavePosMnu")->shortcuts().isEmpty());
        QCOMPARE(form.Command("RenameAllMnu")->text(), QStringLiteral("&Переименовать"));
        QCOMPARE(form.Command("NextDirMnu")->statusTip(), QStringLiteral("Среди папок тогоже уровня"));
        QVERIFY(!form.Command("NextDirMnu")->isEnabled());
        QVERIFY(!form.Command("PreviousDirMnu")->isEnabled());
        QVERIFY(!form.Command("UnDoMnu")->isEnabled());
        QVERIFY(!form.Command("HotKeysMnu")->isVisible());
        QCOMPARE(form.Command("NoSuchMnu"), nullptr);
    }

    void keysActWhileTheWindowHasTheFocus() {
        UiSandbox sandbox;
        UiFakeHost host;
        MainForm form({.HostPort = &host, .OpenSettingsDialog = NoSettingsDialog});
        form.show();
        form.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        form.MainList().setFocus();

        struct Press {
            Qt::Key Key;
            Qt::KeyboardModifiers Modifiers;
            const char* Command;
        };
        const Press presses[] = {
            {Qt::Key_A, Qt::NoModifier, "MarkAllMnu"},
            {Qt::Key_E, Qt::NoModifier, "MarkEmptyMnu"},
            {Qt::Key_U, Qt::NoModifier, "UnMarkMnu"},
            {Qt::Key_S, Qt::NoModifier, "MarkOnlySelectedMnu"},
            {Qt::Key_S, Qt::ShiftModifier, "MarkSelectedMnu"},
            {Qt::Key_Return, Qt::NoModifier, "RenameAllMnu"},
            {Qt::Key_Enter, Qt::KeypadModifier, "RenameAllMnu"},
            {Qt::Key_Return, Qt::ControlModifier, "RenameWindMnu"},
            {Qt::Key_Delete, Qt::NoModifier, "RemoveMnu"},
            {Qt::Key_C, Qt::ControlModifier, "CopyToClipbrdMnu"},
            {Qt::Key_F9, Qt::NoModifier, "ExportMnu"},
            {Qt::Key_F1, Qt::ShiftModifier, "HotKeysMnu"},  // the hidden item keeps its key
        };
        for (const Press& press : presses) {
            QSignalSpy triggered(form.Command(press.Command), &QAction::triggered);
            QTest::keyClick(&form.MainList(), press.Key, press.Modifiers);
            QVERIFY2(triggered.count() == 1, press.Command);
        }

        // A disabled item's key does nothing until the item is enabled.
        QSignalSpy next(form.Command("NextDirMnu"), &QAction::triggered);
        QTest::keyClick(&form.MainList(), Qt::Key_N);
        QCOMPARE(next.count(), 0);
        form.Command("NextDirMnu")->setEnabled(true);
        QTest::keyClick(&form.MainList(), Qt::Key_N);
        QCOMPARE(next.count(), 1);
    }

    void exitClosesTheWindow() {
        UiSandbox sandbox;
        UiFakeHost host;
        MainForm form({.HostPort = &host, .OpenSettingsDialog = NoSettingsDialog});
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        form.Command("ExitMnu")->trigger();
        QVERIFY(!form.isVisible());
    }
};

QTEST_MAIN(MainFormMenuTest)
#include "MainFormMenuTest.moc"
