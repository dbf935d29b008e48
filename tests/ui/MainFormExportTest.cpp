// The export command in the main window: F9 opens the export dialog through the dialogs port;
// "Начать" saves the settings and writes the workbook with the built-in engine; "Отмена" writes
// nothing. The workbook is read back through the engine.
#include <QTest>

#include <filesystem>

#include "FakePorts.h"
#include "UiTestSupport.h"
#include "export/XlsxEngine.h"

using namespace tagmora;
using namespace tagmora::test;

namespace {

const WindowPosition kPosition{40, 30, 700, 400, 0};

// Answers the export dialog: the workbook to make, a header edited, and how the dialog ends.
class FixedExportDialog : public NullDialogs {
public:
    ExportDialogResult AskExport(const ExportDialogRequest& request) override {
        ++Asked;
        SampleRow = request.SampleRow;
        request.Settings.ExportColumns[2].Head = "Песня";
        request.Target = ExportTarget{Book, true, "Список", false};
        return Result;
    }
    std::string Book;
    ExportDialogResult Result = ExportDialogResult::Start;
    int Asked = 0;
    int SampleRow = -2;
};

}  // namespace

class MainFormExportTest : public QObject {
    Q_OBJECT

private slots:
    void f9ExportsTheCheckedRowsOrNothingOnCancel() {
        UiSandbox sandbox;
        sandbox.StoreSettings(UiSandbox::SavedDefaults(), kPosition);
        const std::string folder = sandbox.Dir.MakeDir("Кино/Ночь");
        WriteMp3(folder + "/1.mp3", "One", "A");
        WriteMp3(folder + "/2.mp3", "Two", "A");
        UiFakeHost host;
        FixedExportDialog dialog;
        dialog.Book = sandbox.Dir / "list.xlsx";
        dialog.Result = ExportDialogResult::Cancelled;
        auto form = std::make_unique<MainForm>(
            MainFormOptions{.Arguments = {sandbox.Dir.Path()}, .HostPort = &host, .DialogsPort = &dialog});
        form->show();
        QTRY_VERIFY(form->StartupWorkDone());
        QCOMPARE(form->List().RowCount(), 2);
        form->List().Rows()[0].Checked = false;

        QTest::keyClick(&form->MainList(), Qt::Key_F9);
        QCOMPARE(dialog.Asked, 1);
        QCOMPARE(dialog.SampleRow, 1);
        QVERIFY(!std::filesystem::exists(dialog.Book));

        dialog.Result = ExportDialogResult::Start;
        QTest::keyClick(&form->MainList(), Qt::Key_F9);
        QCOMPARE(dialog.Asked, 2);
        QCOMPARE(form->List().RowCount(), 2);  // the look-ahead row is gone again
        QCOMPARE(form->Status().PanelText(0), QStringLiteral(" Готово."));
        QVERIFY(host.Messages.empty());

        // The edited header went into the settings store with the confirmed dialog.
        AppSettings stored;
        QCOMPARE(LoadSettings(stored, *sandbox.Store()), SettingsLoadResult::Loaded);
        QCOMPARE(QString::fromStdString(stored.ExportColumns[2].Head), QStringLiteral("Песня"));

        auto provider = MakeBuiltInSpreadsheet();
        auto application = provider->CreateApplication(*provider->ProgId());
        Workbook& book = application->OpenWorkbook(dialog.Book);
        Worksheet& sheet = book.SheetItem("Список");
        const std::vector<std::string> expected = {"Artist|Album|Песня", "Кино||", "|Ночь|", "||2", "||"};
        for (int row = 1; row <= 5; ++row) {
            const std::string got =
                sheet.CellValue(row, 1) + "|" + sheet.CellValue(row, 2) + "|" + sheet.CellValue(row, 3);
            QCOMPARE(QString::fromStdString(got), QString::fromStdString(expected[static_cast<std::size_t>(row - 1)]));
        }
        QCOMPARE(QString::fromStdString(sheet.CommentText("A1").value_or("none")), QStringLiteral("5"));
        book.Close();
    }
};

QTEST_MAIN(MainFormExportTest)
#include "MainFormExportTest.moc"
