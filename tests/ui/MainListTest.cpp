// MainList and its model: rows shown in place, check boxes, highlighted rows, sorting by header
// and digit keys, column bounds, layout and fitting, the folder commands and the guard against
// starting a command while another runs.
#include <QAbstractItemModelTester>
#include <QAction>
#include <QHeaderView>
#include <QSignalSpy>
#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QScreen>
#include <QTest>

#include <set>

#include "UiTestSupport.h"
#include "filelist/FolderCommands.h"

using namespace tagmora;
using namespace tagmora::test;

namespace {

FileRow Row(const std::string& file, const std::string& artist, const std::string& year) {
    FileRow row;
    row.SetFileText(file);
    row.SetPath("/nowhere/" + file);
    row.SetColumnText(ColArtist, artist);
    row.SetColumnText(ColYear, year);
    return row;
}

void SetRows(MainForm& form, std::vector<FileRow> rows) {
    form.RunListCommand([&] {
        form.List().Rows() = std::move(rows);
        return true;
    });
}

std::vector<std::string> FileTexts(FileList& list) {
    std::vector<std::string> out;
    for (const FileRow& row : list.Rows()) out.emplace_back(row.FileText());
    return out;
}

std::vector<std::string> SelectedFiles(MainForm& form) {
    std::vector<std::string> out;
    for (const QModelIndex& index : form.MainList().selectionModel()->selectedRows()) {
        out.push_back(form.Model().data(index).toString().toStdString());
    }
    std::sort(out.begin(), out.end());
    return out;
}

// A tree with subfolders, so that a scan processes events once per folder.
std::string MakeTree(const TempDir& dir) {
    const std::string root = dir.MakeDir("tree");
    dir.MakeDir("tree/one");
    dir.MakeDir("tree/two");
    WriteMp3(root + "/r.mp3", "Root", "Zed");
    WriteMp3(root + "/one/x.mp3", "One", "Bee");
    WriteMp3(root + "/two/y.mp3", "Two", "Ant");
    return root;
}

}  // namespace

class MainListTest : public QObject {
    Q_OBJECT

private slots:
    void modelPassesTheModelTester() {
        UiSandbox sandbox;
        UiFakeHost host;
        MainForm form({.HostPort = &host, .OpenSettingsDialog = NoSettingsDialog});
        QAbstractItemModelTester tester(&form.Model(), QAbstractItemModelTester::FailureReportingMode::QtTest);
        SetRows(form, {Row("b.mp3", "B", "1999"), Row("a.mp3", "A", "2000")});
        QCOMPARE(form.Model().rowCount(), 2);
        QVERIFY(form.Model().setData(form.Model().index(1, 0), Qt::Checked, Qt::CheckStateRole));
        form.ColomnClick(ColArtist);
        SetRows(form, {});
        QCOMPARE(form.Model().rowCount(), 0);
    }

    void modelReadsTheRowsInPlace() {
        UiSandbox sandbox;
        UiFakeHost host;
        MainForm form({.HostPort = &host, .OpenSettingsDialog = NoSettingsDialog});
        FileRow row = Row("bad\xFFname.mp3", "Артист", "1999");
        row.SetColumnText(ColFileSize, " 123 456");
        SetRows(form, {row});
        MainListModel& model = form.Model();
        QCOMPARE(model.columnCount(), kColumnCount);
        QCOMPARE(model.data(model.index(0, 0)).toString(), QStringLiteral("bad\uFFFDname.mp3"));
        QCOMPARE(model.data(model.index(0, ColArtist)).toString(), QStringLiteral("Артист"));
        for (int c = 0; c < kColumnCount; ++c) {
            QCOMPARE(model.headerData(c, Qt::Horizontal).toString(),
                     QString::fromUtf8(ColumnCaptions()[static_cast<std::size_t>(c)]));
            const auto alignment = model.data(model.index(0, c), Qt::TextAlignmentRole).value<Qt::Alignment>();
            QCOMPARE(bool(alignment & Qt::AlignRight), c == ColFileSize);
            QVERIFY(!(model.flags(model.index(0, c)) & Qt::ItemIsEditable));
            QCOMPARE(bool(model.flags(model.index(0, c)) & Qt::ItemIsUserCheckable), c == 0);
        }
        // A change of the row shows without a copy being refreshed.
        form.List().Rows()[0].SetColumnText(ColArtist, "Другой");
        QCOMPARE(model.data(model.index(0, ColArtist)).toString(), QStringLiteral("Другой"));

        // The check box writes FileRow::Checked.
        QCOMPARE(model.data(model.index(0, 0), Qt::CheckStateRole).toInt(), int(Qt::Unchecked));
        QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
        QVERIFY(model.setData(model.index(0, 0), Qt::Checked, Qt::CheckStateRole));
        QVERIFY(form.List().Rows()[0].Checked);
        QCOMPARE(changed.count(), 1);
        QCOMPARE(model.data(model.index(0, 0), Qt::CheckStateRole).toInt(), int(Qt::Checked));
        QVERIFY(!model.setData(model.index(0, ColArtist), QStringLiteral("x"), Qt::EditRole));
        QCOMPARE(form.List().Rows()[0].ColumnText(ColArtist), std::string("Другой"));

        // While a command changes the rows the model shows none.
        bool emptyDuringCommand = false;
        QVERIFY(form.RunListCommand([&] {
            emptyDuringCommand = model.rowCount() == 0;
            return true;
        }));
        QVERIFY(emptyDuringCommand);
        QCOMPARE(model.rowCount(), 1);
    }

    void highlightedRowsFollowTheirRowsThroughSorting() {
        UiSandbox sandbox;
        UiFakeHost host;
        MainForm form({.HostPort = &host, .OpenSettingsDialog = NoSettingsDialog});
        SetRows(form, {Row("1.mp3", "Delta", "1"), Row("2.mp3", "Alpha", "2"), Row("3.mp3", "Charlie", "3"),
                       Row("4.mp3", "Bravo", "4")});
        // Whole rows, several at once, still highlighted without the focus.
        QCOMPARE(form.MainList().selectionBehavior(), QAbstractItemView::SelectRows);
        QCOMPARE(form.MainList().selectionMode(), QAbstractItemView::ExtendedSelection);
        QCOMPARE(form.MainList().palette().color(QPalette::Inactive, QPalette::Highlight),
                 form.MainList().palette().color(QPalette::Active, QPalette::Highlight));
        QItemSelectionModel* selection = form.MainList().selectionModel();
        selection->select(form.Model().index(0, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
        selection->select(form.Model().index(2, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
        const auto selectedFlags = [&] {
            std::vector<std::string> out;
            for (const FileRow& row : form.List().Rows()) {
                if (row.Selected) out.emplace_back(row.FileText());
            }
            std::sort(out.begin(), out.end());
            return out;
        };
        QCOMPARE(selectedFlags(), (std::vector<std::string>{"1.mp3", "3.mp3"}));

        form.ColomnClick(ColArtist);
        QCOMPARE(FileTexts(form.List()), (std::vector<std::string>{"2.mp3", "4.mp3", "3.mp3", "1.mp3"}));
        QCOMPARE(SelectedFiles(form), (std::vector<std::string>{"1.mp3", "3.mp3"}));
        QCOMPARE(selectedFlags(), (std::vector<std::string>{"1.mp3", "3.mp3"}));

        selection->select(form.Model().index(3, 0), QItemSelectionModel::Deselect | QItemSelectionModel::Rows);
        QCOMPARE(selectedFlags(), (std::vector<std::string>{"3.mp3"}));

        // The current row (where the arrow keys go on from) stays on its file through a sort.
        selection->setCurrentIndex(form.Model().index(0, 1), QItemSelectionModel::NoUpdate);  // 2.mp3
        form.ColomnClick(ColFile);
        QCOMPARE(FileTexts(form.List()), (std::vector<std::string>{"1.mp3", "2.mp3", "3.mp3", "4.mp3"}));
        QCOMPARE(form.MainList().currentIndex().row(), 1);
        QCOMPARE(form.MainList().currentIndex().column(), 1);
    }

    void digitKeysOfTheMainKeyboardSort() {
        UiSandbox sandbox;
        UiFakeHost host;
        MainForm form({.HostPort = &host, .OpenSettingsDialog = NoSettingsDialog});
        SetRows(form, {Row("a.mp3", "Charlie", "2001"), Row("B.mp3", "alpha", "1999"), Row("c.mp3", "Bravo", "2000")});
        MainListView& view = form.MainList();

        // Digit d sorts by column d - 1: "4" by Artist.
        QTest::keyClick(&view, Qt::Key_4);
        QCOMPARE(form.List().SortColumn, int(ColArtist));
        QCOMPARE(FileTexts(form.List()), (std::vector<std::string>{"B.mp3", "c.mp3", "a.mp3"}));
        QCOMPARE(form.Status().PanelText(0), QStringLiteral(" Готово."));

        // The keypad's digits and 0 do not sort.
        QTest::keyClick(&view, Qt::Key_1, Qt::KeypadModifier);
        QCOMPARE(form.List().SortColumn, int(ColArtist));
        QTest::keyClick(&view, Qt::Key_3, Qt::KeypadModifier);
        QCOMPARE(form.List().SortColumn, int(ColArtist));
        QTest::keyClick(&view, Qt::Key_0);
        QCOMPARE(form.List().SortColumn, int(ColArtist));
        QCOMPARE(FileTexts(form.List()), (std::vector<std::string>{"B.mp3", "c.mp3", "a.mp3"}));

        QTest::keyClick(&view, Qt::Key_1);
        QCOMPARE(form.List().SortColumn, int(ColFile));
        QCOMPARE(FileTexts(form.List()), (std::vector<std::string>{"a.mp3", "B.mp3", "c.mp3"}));
        QTest::keyClick(&view, Qt::Key_5);
        QCOMPARE(form.List().SortColumn, int(ColYear));
        QCOMPARE(FileTexts(form.List()), (std::vector<std::string>{"B.mp3", "c.mp3", "a.mp3"}));
        // "9" sorts by Comment, a column that may be hidden.
        QTest::keyClick(&view, Qt::Key_9);
        QCOMPARE(form.List().SortColumn, int(ColComment));
    }

    void homeAndEndGoToTheFirstAndLastRowInTheSameColumn() {
        UiSandbox sandbox;
        UiFakeHost host;
        MainForm form({.HostPort = &host, .OpenSettingsDialog = NoSettingsDialog});
        SetRows(form, {Row("a.mp3", "Ann", "2001"), Row("b.mp3", "Bob", "2002"), Row("c.mp3", "Cy", "2003")});
        QTableView& view = form.MainList();
        view.setCurrentIndex(form.Model().index(1, int(ColArtist)));
        for (const auto modifier : {Qt::NoModifier, Qt::ControlModifier}) {
            QTest::keyClick(&view, Qt::Key_End, modifier);
            QCOMPARE(view.currentIndex(), form.Model().index(2, int(ColArtist)));
            QTest::keyClick(&view, Qt::Key_Home, modifier);
            QCOMPARE(view.currentIndex(), form.Model().index(0, int(ColArtist)));
        }
    }

    void spaceTogglesTheCheckBoxOfTheCurrentRowInAnyColumn() {
        UiSandbox sandbox;
        UiFakeHost host;
        MainForm form({.HostPort = &host, .OpenSettingsDialog = NoSettingsDialog});
        SetRows(form, {Row("a.mp3", "Ann", "2001"), Row("b.mp3", "Bob", "2002")});
        QTableView& view = form.MainList();
        for (const int column : {int(ColArtist), int(ColFile), int(ColFileSize)}) {
            view.setCurrentIndex(form.Model().index(1, column));
            QTest::keyClick(&view, Qt::Key_Space);
            QVERIFY(form.List().Rows()[1].Checked);
            QTest::keyClick(&view, Qt::Key_Space);
            QVERIFY(!form.List().Rows()[1].Checked);
        }
        QVERIFY(!form.List().Rows()[0].Checked);
    }

    void headerClickSortsStablyAndAgainTheSame() {
        UiSandbox sandbox;
        UiFakeHost host;
        MainForm form({.HostPort = &host, .OpenSettingsDialog = NoSettingsDialog});
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        SetRows(form, {Row("1.mp3", "x", "2000"), Row("2.mp3", "x", "1990"), Row("3.mp3", "x", "2000"),
                       Row("4.mp3", "x", "1990")});
        QHeaderView* header = form.MainList().horizontalHeader();
        const QPoint onYear(header->sectionViewportPosition(ColYear) + 5, header->height() / 2);
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, onYear);
        QCOMPARE(form.List().SortColumn, int(ColYear));
        const std::vector<std::string> byYear{"2.mp3", "4.mp3", "1.mp3", "3.mp3"};
        QCOMPARE(FileTexts(form.List()), byYear);
        QCOMPARE(form.Model().data(form.Model().index(0, 0)).toString(), QStringLiteral("2.mp3"));
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, onYear);
        QCOMPARE(FileTexts(form.List()), byYear);
    }

    void draggedWidthsStayWithinTheColumnBounds() {
        UiSandbox sandbox;
        UiFakeHost host;
        MainForm form({.HostPort = &host, .OpenSettingsDialog = NoSettingsDialog});
        QHeaderView* header = form.MainList().horizontalHeader();
        header->resizeSection(ColTitle, 5);
        QCOMPARE(form.ColumnWidth(ColTitle), 35);
        header->resizeSection(ColTrack, 500);
        QCOMPARE(form.ColumnWidth(ColTrack), 60);
        header->resizeSection(ColComment, 300);
        QCOMPARE(form.ColumnWidth(ColComment), 300);
        QCOMPARE(form.Columns()[ColComment].Width, 300);
        // Columns of width 0 are hidden.
        QVERIFY(header->isSectionHidden(ColFileSize));
        QCOMPARE(form.ColumnWidth(ColFileSize), 0);
    }

    void storedWidthsAreAppliedWithinBoundsWhenNotResizing() {
        UiSandbox sandbox;
        UiFakeHost host;
        AppSettings settings = UiSandbox::SavedDefaults();
        settings.ResizeTabHeaders = false;
        settings.HeaderWidth[ColTitle] = 10;
        settings.HeaderWidth[ColAlbum] = 77;
        settings.HeaderWidth[ColFile] = 250;
        settings.ShowItem[ColComment] = 0;
        settings.ShowItem[ColURL] = 1;
        settings.HeaderWidth[ColURL] = 0;
        sandbox.StoreSettings(settings, WindowPosition{10, 10, 623, 320, 0});
        MainForm form({.HostPort = &host, .OpenSettingsDialog = NoSettingsDialog});
        form.show();
        QTRY_VERIFY(form.StartupWorkDone());
        QCOMPARE(form.ColumnWidth(ColFile), 250);
        QCOMPARE(form.ColumnWidth(ColTitle), 35);
        QCOMPARE(form.ColumnWidth(ColAlbum), 77);
        QCOMPARE(form.ColumnWidth(ColComment), 0);
        QCOMPARE(form.ColumnWidth(ColURL), 35);
        for (int c = 0; c < kColumnCount; ++c) {
            if (settings.ShowItem[static_cast<std::size_t>(c)] == 0) {
                QCOMPARE(form.ColumnWidth(c), 0);
            } else {
                QVERIFY(form.ColumnWidth(c) >= ColumnMinWidths()[static_cast<std::size_t>(c)]);
            }
        }
    }

    void fittingMeasuresTheShownColumns() {
        UiSandbox sandbox;
        UiFakeHost host;
        const std::string folder = sandbox.Dir.MakeDir("fit");
        const std::string longTitle = "Quite a long title for a tag!";  // an ID3v1 title holds 30 bytes
        WriteMp3(folder + "/1.mp3", longTitle, "Ann");
        WriteMp3(folder + "/2.mp3", "Short", "Bob");
        AppSettings settings = UiSandbox::SavedDefaults();
        settings.ResizeTabHeaders = true;
        settings.IncludeSubDirs = false;
        settings.ShowItem[ColComment] = 0;
        settings.ShowItem[ColFile] = 0;
        sandbox.StoreSettings(settings, WindowPosition{10, 10, 623, 320, 0});
        MainForm form({.Arguments = {folder}, .HostPort = &host, .OpenSettingsDialog = NoSettingsDialog});
        form.show();
        QTRY_VERIFY(form.StartupWorkDone());
        QCOMPARE(form.List().RowCount(), 2);
        const QFontMetrics metrics(form.MainList().font());
        QCOMPARE(form.ColumnWidth(ColTitle), metrics.horizontalAdvance(QString::fromStdString(longTitle)) + 12);
        QCOMPARE(form.ColumnWidth(ColFile), 0);
        QCOMPARE(form.ColumnWidth(ColComment), 0);
        QCOMPARE(form.ColumnWidth(ColComposer), 0);
        for (int c = 0; c < kColumnCount; ++c) {
            if (settings.ShowItem[static_cast<std::size_t>(c)] != 0) {
                QVERIFY(form.ColumnWidth(c) >= ColumnMinWidths()[static_cast<std::size_t>(c)]);
                // The caption is never cut ("Artist" over "Ann").
                QVERIFY(form.ColumnWidth(c) >= form.MainList().horizontalHeader()->sectionSizeHint(c));
            }
        }
        // FitColumns ends with a brief " Готово."; the list pass then shows the total.
        QCOMPARE(form.Status().PanelText(0), QStringLiteral(" Всего файлов - 2"));
    }

    void browseAndRereadCommandsUseThePickerAndTheList() {
        UiSandbox sandbox;
        UiFakeHost host;
        const std::string root = MakeTree(sandbox.Dir);
        AppSettings settings = UiSandbox::SavedDefaults();
        settings.NewStyleDialog = false;
        sandbox.StoreSettings(settings, std::nullopt);
        MainForm form({.HostPort = &host, .OpenSettingsDialog = NoSettingsDialog});

        // Cancelled: nothing changes.
        form.Command("BrowseForFolderMnu")->trigger();
        QCOMPARE(host.PickerInstructions, (std::vector<std::string>{"Выбор директории"}));
        QCOMPARE(host.PickerNewStyle, (std::vector<bool>{false}));
        QCOMPARE(form.List().RowCount(), 0);

        host.PickerAnswers = {root};
        form.Command("BrowseForFolderMnu")->trigger();
        QCOMPARE(form.List().RowCount(), 3);
        QCOMPARE(form.Model().rowCount(), 3);
        QCOMPARE(form.List().CurrentFolder, root);

        // Re-reading the last folder needs a checked row.
        for (FileRow& row : form.List().Rows()) row.Checked = false;
        form.Command("RereadMnu")->trigger();
        QCOMPARE(host.Messages.size(), std::size_t{1});
        QCOMPARE(host.Messages[0].Text, std::string("Нет выбранных файлов."));

        form.Command("RereadListMnu")->trigger();
        QVERIFY(form.List().Rows()[0].Checked);
        QCOMPARE(form.Status().PanelText(0), QStringLiteral(" Всего файлов - 3"));
    }

    void aCommandCannotStartWhileAnotherRuns() {
        UiSandbox sandbox;
        UiFakeHost host;
        const std::string root = MakeTree(sandbox.Dir);
        sandbox.StoreSettings(UiSandbox::SavedDefaults(), std::nullopt);
        MainForm form({.HostPort = &host, .OpenSettingsDialog = NoSettingsDialog});
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        host.PickerAnswers = {root, root};

        QSignalSpy resets(&form.Model(), &QAbstractItemModel::modelAboutToBeReset);
        int attempts = 0;
        host.OnProcessEvents = [&] {
            if (attempts++ > 0) return;
            // Everything a user could start from inside the scan's event processing.
            form.Command("BrowseForFolderMnu")->trigger();
            form.Command("RereadListMnu")->trigger();
            form.Command("AddToListMnu")->trigger();
            form.ColomnClick(ColArtist);
            QTest::keyClick(&form.MainList(), Qt::Key_2);
            QVERIFY(!form.RunListCommand([] { return true; }));
        };
        form.Command("BrowseForFolderMnu")->trigger();
        QVERIFY(attempts > 1);
        QCOMPARE(host.PickerInstructions.size(), std::size_t{1});
        QCOMPARE(resets.count(), 1);
        QCOMPARE(form.List().SortColumn, 0);
        QCOMPARE(FileTexts(form.List()),
                 (std::vector<std::string>{root + "/one/x.mp3", root + "/r.mp3", root + "/two/y.mp3"}));
        QCOMPARE(form.List().Rows()[1].ColumnText(ColTitle), std::string("Root"));

        // Once it has ended, commands run again.
        host.OnProcessEvents = nullptr;
        form.ColomnClick(ColArtist);
        QCOMPARE(form.List().SortColumn, int(ColArtist));
    }

    void theListLeavesTheScreenWhileAScanHidesIt() {
        UiSandbox sandbox;
        UiFakeHost host;
        const std::string root = MakeTree(sandbox.Dir);
        sandbox.StoreSettings(UiSandbox::SavedDefaults(), std::nullopt);
        MainForm form({.HostPort = &host, .OpenSettingsDialog = NoSettingsDialog});
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        host.PickerAnswers = {root, root};
        form.Command("BrowseForFolderMnu")->trigger();
        QCOMPARE(form.List().RowCount(), 3);
        QCoreApplication::processEvents();

        // What the window system has of the window, in the list's place.
        const auto listPlace = [&] {
            const QRect place = form.MainList().geometry();
            return QGuiApplication::primaryScreen()->grabWindow(form.winId()).toImage().copy(place);
        };
        const auto colours = [](const QImage& image) {
            std::set<QRgb> found;
            for (int y = 0; y < image.height(); ++y) {
                for (int x = 0; x < image.width(); ++x) found.insert(image.pixel(x, y));
            }
            return found.size();
        };
        QVERIFY(colours(listPlace()) > 1);  // header and rows are painted

        std::size_t coloursWhileHidden = 0;
        host.OnProcessEvents = [&] {
            if (coloursWhileHidden == 0 && !form.MainList().isVisible()) coloursWhileHidden = colours(listPlace());
        };
        form.Command("BrowseForFolderMnu")->trigger();
        // Only the window's background: no row, no header.
        QCOMPARE(coloursWhileHidden, std::size_t{1});
        QVERIFY(form.MainList().isVisible());
    }

    void closingDuringALongLoopClosesWhenItEnds() {
        UiSandbox sandbox;
        UiFakeHost host;
        const std::string root = MakeTree(sandbox.Dir);
        sandbox.StoreSettings(UiSandbox::SavedDefaults(), std::nullopt);
        MainForm form({.HostPort = &host, .OpenSettingsDialog = NoSettingsDialog});
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        host.PickerAnswers = {root};
        bool visibleAfterClose = false;
        host.OnProcessEvents = [&] {
            if (form.List().CancelRequested()) return;
            form.close();
            visibleAfterClose = form.isVisible();
        };
        form.Command("BrowseForFolderMnu")->trigger();
        QVERIFY(visibleAfterClose);
        QVERIFY(form.List().CancelRequested());
        QVERIFY(!form.isVisible());
    }
};

QTEST_MAIN(MainListTest)
#include "MainListTest.moc"
