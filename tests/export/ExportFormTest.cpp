// The export dialog, headless: its texts, "Добавить" and "Удалить" (24 columns included), PageUp and
// PageDown storing the editors, what "Ссылка на файл" and "Локальная ссылка" show, the previews,
// the workbook choices and the sheet combo (a workbook whose sheets are not listed included), the
// new-sheet rule, the grouping question, and how ShowExportForm ends.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include <string>
#include <vector>

#include "FakePorts.h"
#include "export/ExportForm.h"
#include "filelist/FileList.h"
#include "settings/AppSettings.h"

Q_DECLARE_METATYPE(tagmora::ExportDialogResult)

namespace tagmora {

class ExportFormTest : public QObject {
    Q_OBJECT
public:
    ExportFormTest() : list(settings, status, host) {}

private:
    template <typename T = QWidget>
    static T* Control(QWidget& form, const char* name) {
        T* control = form.findChild<T*>(QString::fromLatin1(name));
        if (control == nullptr) qFatal("no control %s", name);
        return control;
    }
    static QString Text(QWidget& form, const char* name) { return Control(form, name)->property("text").toString(); }
    static void Click(QWidget& form, const char* name) { Control<QPushButton>(form, name)->click(); }
    static QStringList Entries(QWidget& form) {
        QStringList entries;
        auto* columns = Control<QListWidget>(form, "ColumnsList");
        for (int i = 0; i < columns->count(); ++i) entries << columns->item(i)->text();
        return entries;
    }
    static bool ShowActive(QWidget& form) {
        form.show();
        form.activateWindow();
        return QTest::qWaitFor([&form] { return QApplication::activeWindow() == &form; });
    }
    // Export columns headed `heads` ("A", "B", ...), each with the script "%p<index>%".
    void SetColumns(const QStringList& heads) {
        settings.ExcColumnsCount = static_cast<int>(heads.size());
        for (int i = 0; i < heads.size(); ++i) {
            settings.ExportColumns[i] = {
                heads[i].toStdString(), "%p" + std::to_string(i) + "%", false, false, false, ""};
        }
    }
    QStringList Heads() const {
        QStringList heads;
        for (int i = 0; i < settings.ExcColumnsCount; ++i)
            heads << QString::fromStdString(settings.ExportColumns[i].Head);
        return heads;
    }
    ExportDialogRequest Request() {
        const SheetLister lister = [this](const std::string& path, std::vector<std::string>& names) {
            listed.push_back(path);
            if (listing) listing();
            names = sheets;
            return sheetCount;
        };
        return ExportDialogRequest{settings, target, list, 0, lister, [this] { ++helpCalls; }};
    }
    // The file dialogs answered with `save` and `open`, the grouping question with `yes` (counted).
    ExportFormQuestions Answers(const QString& save = "/data/New", const QString& open = "/data/Old.xlsx",
                                bool yes = true) {
        return {[save](QWidget*) { return save; }, [open](QWidget*) { return open; },
                [this, yes](QWidget*) {
                    ++groupingAsked;
                    return yes;
                }};
    }

    AppSettings settings;
    test::RecordingStatus status;
    test::FakeHost host;
    FileList list;
    ExportTarget target;
    std::vector<std::string> sheets;
    int sheetCount = 0;  // -1: no spreadsheet application, or the workbook cannot be opened
    std::vector<std::string> listed;
    std::function<void()> listing;
    int helpCalls = 0;
    int groupingAsked = 0;

private slots:
    void init() {
        settings = AppSettings{};
        ApplyFirstRunDefaults(settings, DesignedColumnWidths());
        FileRow sample;
        sample.SetPath("/music/Artist/Album/01 - Song.mp3");
        sample.SetFileText(sample.Path());
        sample.Checked = true;
        list.Rows() = {sample};
        target = ExportTarget{};
        sheets = {"Лист1", "Music"};
        sheetCount = 2;
        helpCalls = groupingAsked = 0;
        listed.clear();
        listing = nullptr;
    }

    void OpensWithItsTextsAndColumnZeroShown() {
        ExportForm form(Request(), Answers());
        QCOMPARE(form.windowTitle(), QStringLiteral("Экспорт списка в Excel"));
        QCOMPARE(form.minimumSize(), QSize(460, 380));
        QStringList texts;
        for (QGroupBox* box : form.findChildren<QGroupBox*>()) texts << box->title();
        for (const char* name : {"AddButton", "DeleteButton", "HeadLabel", "GroupCheckBox", "LinkCheckBox",
                                 "LocalCheckBox", "NetAddrLabel", "NewBookButton", "OpenBookButton", "ExportLabel",
                                 "SheetLabel", "StartButton", "CancelButton"}) {
            texts << Text(form, name);
        }
        QCOMPARE(texts.join('|'),
                 QStringLiteral("Столбцы|Содержимое|Вид и формат|Добавить|Удалить|Заголовок|"
                                "Группировать при повторении записей|Ссылка на файл|Локальная ссылка|"
                                "Сетевой путь|В новую книгу|Выбрать книгу|Экспорт|Лист:|Начать|Отмена"));
        QCOMPARE(Entries(form), (QStringList{"Artist", "Album", "Title"}));
        QCOMPARE(Text(form, "HeadEdit"), QStringLiteral("Artist"));
        QCOMPARE(Control(form, "ScriptEdit")->toolTip(), QStringLiteral("Artist"));  // the preview of "%p2%"
        QVERIFY(!Control(form, "StartButton")->isEnabled());
        QVERIFY(Control(form, "SheetCombo")->isHidden() && Control(form, "SheetLabel")->isHidden());
    }

    void AddAndDeleteThroughTheButtons() {
        SetColumns({"A", "B", "C"});
        ExportForm form(Request(), Answers());
        Control<QListWidget>(form, "ColumnsList")->setCurrentRow(1);
        Click(form, "AddButton");
        QCOMPARE(Heads(), (QStringList{"A", "B", "3", "C"}));
        QCOMPARE(Entries(form), Heads());
        QCOMPARE(form.Selected(), 2);
        QCOMPARE(Text(form, "HeadEdit") + Text(form, "ScriptEdit"), QStringLiteral("3"));
        Control<QListWidget>(form, "ColumnsList")->setCurrentRow(0);
        Click(form, "DeleteButton");
        QCOMPARE(Entries(form), (QStringList{"B", "3", "C"}));
        QCOMPARE(form.Selected(), 2);
        QCOMPARE(Text(form, "ScriptEdit"), QStringLiteral("%p2%"));

        // 24 columns: "Добавить" does nothing; one column: "Удалить" does nothing.
        QStringList heads;
        for (int i = 1; i <= kMaxExportColumns; ++i) heads << QString::number(i * 10);
        for (const QStringList& before : {heads, QStringList{"Only"}}) {
            SetColumns(before);
            ExportForm limited(Request(), Answers());
            Click(limited, before.size() == 1 ? "DeleteButton" : "AddButton");
            QCOMPARE(Heads(), before);
            QCOMPARE(Entries(limited), before);
        }
    }

    void PageKeysStoreTheEditorsAndStopAtTheEnds() {
        SetColumns({"A", "B", "C"});
        ExportForm form(Request(), Answers());
        QVERIFY(ShowActive(form));
        Control<QLineEdit>(form, "HeadEdit")->setText(QStringLiteral("Performer"));
        Control<QLineEdit>(form, "ScriptEdit")->setText(QStringLiteral("%p3%"));
        Control<QCheckBox>(form, "GroupCheckBox")->setChecked(true);
        QTest::keyClick(&form, Qt::Key_PageUp);  // on the first column: stores, stays
        QCOMPARE(form.Selected(), 0);
        QCOMPARE(settings.ExportColumns[0], (ExportColumn{"Performer", "%p3%", true, false, false, ""}));
        QCOMPARE(Entries(form), (QStringList{"Performer", "B", "C"}));
        for (int i = 0; i < 3; ++i) QTest::keyClick(&form, Qt::Key_PageDown);
        QCOMPARE(form.Selected(), 2);
        Control<QLineEdit>(form, "HeadEdit")->setText(QStringLiteral("Last"));
        QTest::keyClick(&form, Qt::Key_PageUp);
        QCOMPARE(Heads(), (QStringList{"Performer", "B", "Last"}));
        QCOMPARE(Text(form, "HeadEdit"), QStringLiteral("B"));
        QVERIFY(!Control<QCheckBox>(form, "GroupCheckBox")->isChecked());
        // Leaving an editor stores it too.
        Control(form, "HeadEdit")->setFocus();
        Control<QLineEdit>(form, "HeadEdit")->insert(QStringLiteral("x"));
        Control(form, "ColumnsList")->setFocus();
        QCOMPARE(Entries(form), (QStringList{"Performer", "Bx", "Last"}));
        QCOMPARE(settings.ExportColumns[1].Head, "Bx");
    }

    void LinkAndLocalDecideWhatShows() {
        SetColumns({"A"});
        ExportForm form(Request(), Answers());
        QVERIFY(ShowActive(form));
        auto* link = Control<QCheckBox>(form, "LinkCheckBox");
        auto* local = Control<QCheckBox>(form, "LocalCheckBox");
        const auto shows = [&] {
            return QString::number(local->isVisible()) + QString::number(Control(form, "NetAddrEdit")->isVisible()) +
                   QString::number(Control(form, "NetAddrLabel")->isVisible());
        };
        QCOMPARE(shows(), QStringLiteral("000"));  // no link
        link->click();
        QCOMPARE(shows(), QStringLiteral("111"));  // a network link
        local->click();
        QCOMPARE(shows(), QStringLiteral("100"));  // a local link
        QVERIFY(settings.ExportColumns[0].IsLink && settings.ExportColumns[0].IsLocal);
        link->click();
        QCOMPARE(shows(), QStringLiteral("000"));
        // The address previews on the sample row as the script does.
        Control<QLineEdit>(form, "NetAddrEdit")->setText(QStringLiteral("//server/%p1%/%p0n[-4]%"));
        QCOMPARE(Control(form, "NetAddrEdit")->toolTip(), QStringLiteral("//server/Album/01 - Song"));
        Control<QLineEdit>(form, "ScriptEdit")->setText(QStringLiteral("%p0n["));
        QCOMPARE(Control(form, "ScriptEdit")->toolTip(), QStringLiteral("Error"));
    }

    void OpenBookListsTheSheetsThenNewBookGivesMusic() {
        ExportForm form(Request(), Answers());
        QVERIFY(ShowActive(form));
        auto* combo = Control<QComboBox>(form, "SheetCombo");
        QString during;
        listing = [&] {
            during = Text(form, "StartButton") + QString::number(Control(form, "StartButton")->isEnabled());
        };
        Click(form, "OpenBookButton");
        QCOMPARE(during, QStringLiteral("Подождите...0"));
        QCOMPARE(listed, std::vector<std::string>{"/data/Old.xlsx"});
        QVERIFY(combo->isVisible() && Control(form, "SheetLabel")->isVisible());
        QCOMPARE(combo->currentText() + "|" + combo->itemText(1), QStringLiteral("Лист1|Music"));
        QCOMPARE(Text(form, "OpenBookButton") + "|" + Text(form, "ExportLabel"),
                 QStringLiteral("/data/Old.xlsx|Экспорт в существующую книгу"));
        QVERIFY(Control(form, "StartButton")->isEnabled() && !target.NewBook);

        Click(form, "NewBookButton");  // "/data/New" gets its extension
        QCOMPARE(Text(form, "NewBookButton") + "|" + Text(form, "OpenBookButton") + "|" + Text(form, "ExportLabel"),
                 QStringLiteral("/data/New.xlsx|Выбрать книгу|Экспорт в новую книгу"));
        QVERIFY(combo->isHidden() && Control(form, "SheetLabel")->isHidden());
        Click(form, "StartButton");
        QCOMPARE(form.Result(), ExportDialogResult::Start);
        QCOMPARE(target.BookPath + "|" + target.SheetName, "/data/New.xlsx|Music");
        QVERIFY(target.NewBook);
    }

    void TheSheetIsNewUnlessListedExactly_data() {
        QTest::addColumn<int>("count");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("newSheet");
        QTest::newRow("first listed") << 2 << QString() << false;
        QTest::newRow("listed") << 2 << QStringLiteral("Music") << false;
        QTest::newRow("case differs") << 2 << QStringLiteral("music") << true;
        QTest::newRow("Cyrillic case differs") << 2 << QStringLiteral("лист1") << true;
        QTest::newRow("not listed (-1)") << -1 << QStringLiteral("Лист1") << true;
        QTest::newRow("no sheet") << 0 << QStringLiteral("Songs") << true;
    }
    void TheSheetIsNewUnlessListedExactly() {
        QFETCH(int, count);
        QFETCH(QString, typed);
        QFETCH(bool, newSheet);
        ExportForm form(Request(), Answers());
        Click(form, "OpenBookButton");  // two sheets listed
        auto* combo = Control<QComboBox>(form, "SheetCombo");
        if (count != 2) {
            // A second workbook whose sheets are not listed: an empty editable combo, no start.
            sheets.clear();
            sheetCount = count;
            Click(form, "OpenBookButton");
            QVERIFY(!combo->isHidden() && !Control(form, "SheetLabel")->isHidden() && combo->isEditable());
            QCOMPARE(combo->count() + combo->currentText().size(), 0);
            QVERIFY(!Control(form, "StartButton")->isEnabled());
        }
        if (!typed.isEmpty()) {
            combo->lineEdit()->selectAll();
            combo->lineEdit()->insert(typed);  // QTest types Latin-1 only
        }
        QVERIFY(Control(form, "StartButton")->isEnabled());
        Click(form, "StartButton");
        QCOMPARE(form.Result(), ExportDialogResult::Start);
        QCOMPARE(QString::fromStdString(target.SheetName), typed.isEmpty() ? QStringLiteral("Лист1") : typed);
        QCOMPARE(target.NewSheet, newSheet);
    }

    void GroupingThatIsNotOneRunAsks_data() {
        QTest::addColumn<QList<int>>("grouped");
        QTest::addColumn<bool>("yes");
        QTest::addColumn<ExportDialogResult>("result");
        QTest::newRow("0 and 1") << QList<int>{0, 1} << false << ExportDialogResult::Start;
        QTest::newRow("1 alone") << QList<int>{1} << false << ExportDialogResult::Start;
        QTest::newRow("0 and 2, Yes") << QList<int>{0, 2} << true << ExportDialogResult::Start;
        QTest::newRow("0 and 2, No") << QList<int>{0, 2} << false << ExportDialogResult::Declined;
    }
    void GroupingThatIsNotOneRunAsks() {
        QFETCH(QList<int>, grouped);
        QFETCH(bool, yes);
        QFETCH(ExportDialogResult, result);
        SetColumns({"A", "B", "C"});
        for (int i : grouped) settings.ExportColumns[i].Group = i != 2;
        ExportForm form(Request(), Answers("/data/New.xlsx", {}, yes));
        Control<QListWidget>(form, "ColumnsList")->setCurrentRow(2);
        Control<QCheckBox>(form, "GroupCheckBox")->setChecked(grouped.contains(2));  // stored by "Начать"
        Click(form, "NewBookButton");
        Click(form, "StartButton");
        QCOMPARE(groupingAsked, grouped.contains(2) ? 1 : 0);
        QCOMPARE(form.result(), int(QDialog::Accepted));
        QCOMPARE(form.Result(), result);
    }

    void ShowExportFormEndsAsTheUserChose_data() {
        QTest::addColumn<QString>("button");
        QTest::addColumn<ExportDialogResult>("result");
        QTest::newRow("Начать") << "StartButton" << ExportDialogResult::Start;
        QTest::newRow("Отмена") << "CancelButton" << ExportDialogResult::Cancelled;
        QTest::newRow("Esc") << QString() << ExportDialogResult::Cancelled;
    }
    void ShowExportFormEndsAsTheUserChose() {
        QFETCH(QString, button);
        QFETCH(ExportDialogResult, result);
        QWidget window;
        window.setGeometry(100, 100, 900, 700);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QPoint centre;
        QTimer::singleShot(0, [&] {
            QWidget* form = QApplication::activeModalWidget();
            QVERIFY(form != nullptr && QTest::qWaitFor([form] { return QApplication::activeWindow() == form; }));
            centre = form->frameGeometry().center();
            QTest::keyClick(form, Qt::Key_F1);
            Control(*form, "HeadEdit")->setFocus();
            Control<QLineEdit>(*form, "HeadEdit")->setText(QStringLiteral("Edited"));
            Click(*form, "NewBookButton");
            if (button.isEmpty()) QTest::keyClick(form, Qt::Key_Escape);
            else Click(*form, button.toLatin1().constData());
        });
        QCOMPARE(ShowExportForm(&window, Request(), Answers()), result);
        QCOMPARE(helpCalls, 1);
        QVERIFY((centre - window.frameGeometry().center()).manhattanLength() <= 2);
        // Edits stay in memory whichever way the dialog ends (stored as the focus leaves the head edit).
        QCOMPARE(settings.ExportColumns[0].Head, "Edited");
    }
};

}  // namespace tagmora

QTEST_MAIN(tagmora::ExportFormTest)
#include "ExportFormTest.moc"
