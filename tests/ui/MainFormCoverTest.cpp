// The cover dialog in the main window: F4 (CoverMnu) opens it on the current row's file, a removal shows in
// the list at once; without a current row F4 tells that no file is chosen.
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "UiTestSupport.h"
#include "tags/Pictures.h"
#include "writetags/CoverForm.h"

using namespace tagmora;
using namespace tagmora::test;

class MainFormCoverTest : public QObject {
    Q_OBJECT

private slots:
    void f4ShowsTheCurrentRowsCoverAndItsRemovalRereadsTheRow() {
        UiSandbox sandbox;
        UiFakeHost host;
        sandbox.StoreSettings(UiSandbox::SavedDefaults(), WindowPosition{40, 30, 700, 400, 0});
        const std::string folder = sandbox.Dir.MakeDir("music");
        const std::string png("\x89PNG\r\n\x1a\n\0\0\0\x0dIHDR\0\0\0\x03\0\0\0\x02", 24);
        WriteFile(folder + "/a.mp3", Id3v2TagBytes(3, Id3v2Frame(3, "TIT2", TextContent(0, "Song")) +
                                                          Id3v2Frame(3, "APIC", FrontCoverContent(kPngMime, png))) +
                                         SilentFrames(2));
        MainForm form(MainFormOptions{.Arguments = {folder}, .HostPort = &host});
        form.show();
        QTRY_VERIFY(form.StartupWorkDone());
        form.MainList().selectionModel()->setCurrentIndex(QModelIndex(), QItemSelectionModel::NoUpdate);
        QCOMPARE(form.Command("CoverMnu")->shortcut(), QKeySequence(Qt::Key_F4));
        form.Command("CoverMnu")->trigger();
        QCOMPARE(host.Messages.size(), std::size_t{1});
        QCOMPARE(host.Messages[0].Text, std::string("Нет выбранных файлов."));

        form.MainList().selectionModel()->setCurrentIndex(form.Model().index(0, 1), QItemSelectionModel::NoUpdate);
        form.List().Rows()[0].Texts[ColTitle] = "stale";
        QStringList seen;
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<TCoverForm*>(QApplication::activeModalWidget());
            if (dialog == nullptr) return;
            seen << dialog->findChild<QLabel*>("LabelMime")->text()
                 << dialog->findChild<QLabel*>("LabelPixels")->text();
            dialog->findChild<QPushButton*>("BtnDelete")->click();
            seen << dialog->findChild<QLabel*>("ImageCover")->text()
                 << form.Model().data(form.Model().index(0, ColTitle)).toString();
            dialog->findChild<QPushButton*>("BtnClose")->click();
        });
        form.Command("CoverMnu")->trigger();
        QCOMPARE(seen, (QStringList{"image/png", "3 × 2", "Нет обложки", "Song"}));
        QCOMPARE(ReadTagPictures(folder + "/a.mp3").Count, 0);
        QCOMPARE(host.Messages.size(), std::size_t{1});
    }
};

QTEST_MAIN(MainFormCoverTest)
#include "MainFormCoverTest.moc"
