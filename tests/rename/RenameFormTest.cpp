// The rename dialog, headless: its controls, the live check that enables Ok, the history in the
// drop-down list, and the answers the dialog port gives for Ok and Escape.
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include <optional>
#include <string>
#include <vector>

#include "FakePorts.h"
#include "filelist/FileList.h"
#include "rename/RenameForm.h"
#include "settings/AppSettings.h"

namespace tagmora {

class RenameFormTest : public QObject {
    Q_OBJECT
public:
    RenameFormTest() : list(settings, status, host) {
        ApplyFirstRunDefaults(settings, DesignedColumnWidths());
        FileRow unchecked;
        unchecked.SetPath("/music/Album/00 - Skipped.mp3");
        unchecked.SetFileText(unchecked.Path());
        FileRow sample;
        sample.SetPath("/music/Album/01 - Song.mp3");
        sample.SetFileText(sample.Path());
        sample.Checked = true;
        sample.SetColumnText(ColTitle, "Song");
        list.Rows() = {unchecked, sample};
    }

private:
    template <typename T>
    static T* Control(QWidget& form, const char* name) {
        T* control = form.findChild<T*>(QString::fromLatin1(name));
        if (control == nullptr) qFatal("no control %s", name);
        return control;
    }

    AppSettings settings;
    test::RecordingStatus status;
    test::FakeHost host;
    FileList list;

private slots:
    void OpensEmptyWithEveryControl() {
        TRenameForm form({}, list, 1);
        QCOMPARE(form.windowTitle(), QStringLiteral("Переименовать..."));
        QCOMPARE(form.minimumSize(), QSize(396, 149));
        QCOMPARE(Control<QLabel>(form, "Label1")->text(),
                 QStringLiteral("Переименовать выбранные файлы, применив к ним скрипт:"));
        QVERIFY(Control<QComboBox>(form, "ScriptEdit")->isEditable());
        QCOMPARE(Control<QComboBox>(form, "ScriptEdit")->currentText(), QString());
        QCOMPARE(Control<QLabel>(form, "ChLabel")->text(), QString());
        QCOMPARE(Control<QPushButton>(form, "OkButton")->text(), QStringLiteral("Ok"));
        QVERIFY(!Control<QPushButton>(form, "OkButton")->isEnabled());
        QCOMPARE(Control<QPushButton>(form, "CancelButton")->text(), QStringLiteral("Отмена"));
        // Top to bottom.
        form.show();
        QVERIFY(Control<QLabel>(form, "Label1")->geometry().top() <
                Control<QComboBox>(form, "ScriptEdit")->geometry().top());
        QVERIFY(Control<QComboBox>(form, "ScriptEdit")->geometry().top() <
                Control<QLabel>(form, "ChLabel")->geometry().top());
    }

    void TypingChecksEveryChange() {
        TRenameForm form({}, list, 1);
        form.show();
        auto* edit = Control<QComboBox>(form, "ScriptEdit");
        auto* label = Control<QLabel>(form, "ChLabel");
        auto* ok = Control<QPushButton>(form, "OkButton");
        QTest::keyClicks(edit->lineEdit(), "%p0");
        QCOMPARE(label->text(), QStringLiteral("Error"));
        QVERIFY(!ok->isEnabled());
        QTest::keyClicks(edit->lineEdit(), "n[-4]%");
        QCOMPARE(label->text(), QStringLiteral("01 - Song"));
        QVERIFY(ok->isEnabled());
        QCOMPARE(form.ScriptText(), std::string("%p0n[-4]%"));

        // A literal result "Error" cannot be confirmed either; markup is shown as typed.
        edit->lineEdit()->clear();
        QTest::keyClicks(edit->lineEdit(), "Error");
        QVERIFY(!ok->isEnabled());
        QTest::keyClicks(edit->lineEdit(), " <b>%nn%");
        QCOMPARE(label->text(), QStringLiteral("Error <b>01"));
        QVERIFY(ok->isEnabled());
    }

    void AnEmptyPreviewCannotBeConfirmed() {
        // An empty script, and one that gives nothing on the sample row, would name the file ".mp3".
        TRenameForm form({}, list, 1);
        form.show();
        auto* edit = Control<QComboBox>(form, "ScriptEdit");
        auto* ok = Control<QPushButton>(form, "OkButton");
        QTest::keyClicks(edit->lineEdit(), "%p9%");
        QCOMPARE(Control<QLabel>(form, "ChLabel")->text(), QString());
        QVERIFY(!ok->isEnabled());
        QTest::keyClicks(edit->lineEdit(), "x");
        QCOMPARE(Control<QLabel>(form, "ChLabel")->text(), QStringLiteral("x"));
        QVERIFY(ok->isEnabled());
        edit->lineEdit()->clear();
        QCOMPARE(Control<QLabel>(form, "ChLabel")->text(), QString());
        QVERIFY(!ok->isEnabled());
    }

    void HistoryFirstEntryIsSelectedWithoutACheck() {
        TRenameForm form({"%p1%\\%p0n[-4]%", "%t1%", "zz"}, list, 1);
        form.show();
        auto* edit = Control<QComboBox>(form, "ScriptEdit");
        QCOMPARE(edit->count(), 3);
        QCOMPARE(edit->currentText(), QStringLiteral("%p1%\\%p0n[-4]%"));
        QCOMPARE(Control<QLabel>(form, "ChLabel")->text(), QString());
        QVERIFY(!Control<QPushButton>(form, "OkButton")->isEnabled());

        // Picking an entry is a change like typing.
        edit->setCurrentIndex(1);
        QCOMPARE(Control<QLabel>(form, "ChLabel")->text(), QStringLiteral("Song"));
        QVERIFY(Control<QPushButton>(form, "OkButton")->isEnabled());
        // Enter does not add the typed text to the list.
        QTest::keyClicks(edit->lineEdit(), "x");
        QTest::keyClick(edit->lineEdit(), Qt::Key_Return);
        QCOMPARE(edit->count(), 3);
    }

    void PortAnswersOkAndEscape() {
        QWidget parent;
        parent.setGeometry(200, 150, 800, 600);
        parent.show();
        QtScriptDialog port(&parent);

        QPoint formCentre;
        QTimer::singleShot(0, [&] {
            QWidget* form = QApplication::activeModalWidget();
            QVERIFY(form != nullptr);
            formCentre = form->frameGeometry().center();
            auto* edit = form->findChild<QComboBox*>(QStringLiteral("ScriptEdit"));
            QTest::keyClicks(edit->lineEdit(), "%t1% x");
            QTest::mouseClick(form->findChild<QPushButton*>(QStringLiteral("OkButton")), Qt::LeftButton);
        });
        const std::optional<std::string> confirmed = port.AskRenameScript({"old"}, list, 1);
        QVERIFY(confirmed.has_value());
        // The remembered script shows selected: typing replaces it.
        QCOMPARE(QString::fromStdString(*confirmed), QStringLiteral("%t1% x"));
        QVERIFY((formCentre - parent.frameGeometry().center()).manhattanLength() < 40);

        QTimer::singleShot(0, [] {
            QWidget* form = QApplication::activeModalWidget();
            QVERIFY(form != nullptr);
            auto* edit = form->findChild<QComboBox*>(QStringLiteral("ScriptEdit"));
            QTest::keyClicks(edit->lineEdit(), "%t1%");
            QTest::keyClick(form, Qt::Key_Escape);
        });
        QVERIFY(!port.AskRenameScript({}, list, 1).has_value());
    }
};

}  // namespace tagmora

QTEST_MAIN(tagmora::RenameFormTest)
#include "RenameFormTest.moc"
