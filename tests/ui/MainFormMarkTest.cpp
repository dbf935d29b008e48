// The marking and hand-off commands in the main window: the menu items and their keys reach the
// marking commands, the condition dialog's port, the shell port (recorded: no player starts, no
// viewer opens) and the About box.
#include <QTest>

#include "FakeDialogs.h"
#include "FakePorts.h"
#include "UiTestSupport.h"
#include "common/Text.h"
#include "mark/HandOffs.h"

using namespace tagmora;
using namespace tagmora::test;

namespace {

const WindowPosition kPosition{40, 30, 700, 400, 0};

}  // namespace

class MainFormMarkTest : public QObject {
    Q_OBJECT

    // A window over a folder of three files: "Один" (Artist "Кино"), "Два" without a tag, "Три".
    std::unique_ptr<MainForm> Start(UiSandbox& sandbox, UiFakeHost& host, RecordingShell& shell, Dialogs* dialogs,
                                    std::string& folder) {
        sandbox.StoreSettings(UiSandbox::SavedDefaults(), kPosition);
        folder = sandbox.Dir.MakeDir("music");
        // ID3v1 holds Windows-1251 bytes.
        WriteMp3(folder + "/1.mp3", text::EncodeCodePage("Один", 1251), text::EncodeCodePage("Кино", 1251));
        WriteFile(folder + "/2.mp3", SilentFrames(2));
        WriteMp3(folder + "/3.mp3", text::EncodeCodePage("Три", 1251), text::EncodeCodePage("Аквариум", 1251));
        auto form = std::make_unique<MainForm>(
            MainFormOptions{.Arguments = {folder}, .HostPort = &host, .DialogsPort = dialogs, .Shell = &shell});
        form->show();
        return form;
    }

    static QString Checks(MainForm& form) {
        QString checks;
        for (const FileRow& row : form.List().Rows()) checks += row.Checked ? u'1' : u'0';
        return checks;
    }

private slots:
    void markingKeysAndTheConditionDialog() {
        UiSandbox sandbox;
        UiFakeHost host;
        RecordingShell shell;
        test::AnsweringMarkDialog dialog;
        std::string folder;
        auto form = Start(sandbox, host, shell, &dialog, folder);
        QTRY_VERIFY(form->StartupWorkDone());
        QCOMPARE(form->List().RowCount(), 3);
        QCOMPARE(form->List().Rows()[1].ColumnText(ColId3v), std::string("0"));

        const struct {
            Qt::Key Key;
            Qt::KeyboardModifiers Modifiers;
            const char* Checks;
        } keys[] = {
            {Qt::Key_U, Qt::NoModifier, "000"}, {Qt::Key_E, Qt::NoModifier, "010"}, {Qt::Key_I, Qt::NoModifier, "101"},
            {Qt::Key_F, Qt::NoModifier, "101"}, {Qt::Key_A, Qt::NoModifier, "111"},
        };
        for (const auto& key : keys) {
            QTest::keyClick(&form->MainList(), key.Key, key.Modifiers);
            QCOMPARE(Checks(*form), QString::fromLatin1(key.Checks));
        }
        QCOMPARE(form->Status().PanelText(0), QStringLiteral(" Отмечено файлов - 3"));

        // Highlighted rows: S checks only them.
        form->MainList().selectRow(2);
        QTest::keyClick(&form->MainList(), Qt::Key_S);
        QCOMPARE(Checks(*form), QStringLiteral("001"));
        QVERIFY(form->List().Rows()[2].Selected);

        // Ctrl+F asks the dialog: cancel changes nothing, Ok applies the condition.
        QTest::keyClick(&form->MainList(), Qt::Key_F, Qt::ControlModifier);
        QCOMPARE(dialog.Asked, 1);
        QCOMPARE(Checks(*form), QStringLiteral("001"));
        dialog.Answer = MarkCondition{ColArtist, MarkOperator::Equal, "кино", false, false, false};
        form->Command(menu::CustomMarkMnu)->trigger();
        QCOMPARE(Checks(*form), QStringLiteral("100"));
        QCOMPARE(form->Status().PanelText(0), QStringLiteral(" Отмечено файлов - 1"));
        QVERIFY(form->Model().data(form->Model().index(0, 0), Qt::CheckStateRole).toInt() == Qt::Checked);

        // Del takes the checked row out of the list, not off the disk.
        QTest::keyClick(&form->MainList(), Qt::Key_Delete);
        QCOMPARE(form->List().RowCount(), 2);
        QCOMPARE(form->Model().rowCount(), 2);
        QCOMPARE(form->List().RowPath(0), folder + "/2.mp3");
        QVERIFY(QFile::exists(QString::fromStdString(folder + "/1.mp3")));
        QCOMPARE(form->Status().PanelText(0), QStringLiteral(" Готово."));
    }

    void handOffsThroughTheShellPort() {
        UiSandbox sandbox;
        UiFakeHost host;
        RecordingShell shell;
        std::string folder;
        auto form = Start(sandbox, host, shell, nullptr, folder);
        QTRY_VERIFY(form->StartupWorkDone());
        form->List().Rows()[1].Checked = false;

        QTest::keyClick(&form->MainList(), Qt::Key_W, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(shell.Started,
                 (std::vector<std::vector<std::string>>{{"audacious", "-e", folder + "/1.mp3", folder + "/3.mp3"}}));

        // Ctrl+C in the list copies the titles, not the current cell.
        QTest::keyClick(&form->MainList(), Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(shell.Clipboard, (std::vector<std::string>{"Один\r\nТри\r\n"}));

        // F1 and the hidden Shift+F1: the help of this build's installation folder.
        const std::string help = HelpFilePath(form->Settings().Path);
        QVERIFY(!form->Settings().Path.empty());
        QTest::keyClick(&form->MainList(), Qt::Key_F1);
        QTest::keyClick(&form->MainList(), Qt::Key_F1, Qt::ShiftModifier);
        QCOMPARE(shell.Opened, (std::vector<std::pair<std::string, std::string>>{{help, ""}, {help, "keys"}}));
        QVERIFY(host.Messages.empty());

        form->Command(menu::AboutMnu)->trigger();
        QCOMPARE(host.Messages.size(), std::size_t{1});
        // The version in its four parts: major.minor.patch.build.
        QCOMPARE(host.Messages[0].Text, AboutText(TAGMORA_VERSION ".0"));
        QCOMPARE(host.Messages[0].Icon, MessageIcon::Information);
    }

    void theBuildTreeHoldsTheHelpFile() {
        // The program run from the build finds its help in the installation folder it is given.
        UiSandbox sandbox;
        AppSettings settings;
        const auto store = sandbox.Store();
        LoadSettings(settings, *store);
        QVERIFY(QFile::exists(QString::fromStdString(HelpFilePath(settings.Path))));
    }
};

QTEST_MAIN(MainFormMarkTest)
#include "MainFormMarkTest.moc"
