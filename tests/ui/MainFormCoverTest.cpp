// The cover dialog of the current row (CoverMnu, F4): its facts, saving, replacing and removing the
// cover, the list showing the row read again after each change; without a current row the no-file box.
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
    void f4ShowsSavesReplacesAndDeletesTheCurrentRowsCover() {
        UiSandbox sandbox;
        UiFakeHost host;
        sandbox.StoreSettings(UiSandbox::SavedDefaults(), WindowPosition{40, 30, 700, 400, 0});
        const std::string folder = sandbox.Dir.MakeDir("music"), path = folder + "/a.mp3";
        // Headers enough for the pixel size: a JPEG of 60 x 20, a PNG of 30 x 20.
        const std::string jpeg("\xFF\xD8\xFF\xC0\0\x11\x08\0\x14\0\x3C", 11);
        WriteFile(folder + "/new.png", std::string("\x89PNG\r\n\x1a\n\0\0\0\x0dIHDR\0\0\0\x1e\0\0\0\x14", 24));
        WriteFile(path, Id3v2TagBytes(3, Id3v2Frame(3, "TIT2", TextContent(0, "Song")) +
                                             Id3v2Frame(3, "APIC", FrontCoverContent(kJpegMime, jpeg)) +
                                             Id3v2Frame(3, "APIC", std::string("\0image/png\0\4\0", 13))) +
                            SilentFrames(2));
        MainForm form(MainFormOptions{.Arguments = {folder}, .HostPort = &host});
        form.show();
        QTRY_VERIFY(form.StartupWorkDone());
        form.MainList().selectionModel()->setCurrentIndex(QModelIndex(), QItemSelectionModel::NoUpdate);
        form.Command("CoverMnu")->trigger();
        QCOMPARE(host.Messages.size(), std::size_t{1});
        QCOMPARE(host.Messages[0].Text, std::string("Нет выбранных файлов."));

        form.MainList().selectionModel()->setCurrentIndex(form.Model().index(0, 1), QItemSelectionModel::NoUpdate);
        QList<QStringList> seen;
        std::vector<std::string> offered;
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<TCoverForm*>(QApplication::activeModalWidget());
            if (dialog == nullptr) return;
            dialog->ChooseSavePath = [&](QWidget*, const std::string& suggested) {
                offered.push_back(suggested);
                return folder + (offered.size() == 1 ? "/saved.jpg" : "/missing/saved.jpg");
            };
            dialog->ChoosePicture = [&](QWidget*, const std::string&) { return folder + "/new.png"; };
            // After each button: the dialog's picture, facts and Удалить, the list's title, the pictures left.
            for (const char* button : {"", "BtnSaveAs", "BtnSaveAs", "BtnReplace", "BtnDelete"}) {
                form.List().Rows()[0].SetColumnText(ColTitle, "stale");
                if (*button != '\0') dialog->findChild<QPushButton*>(button)->click();
                seen << QStringList{};
                for (const char* name : {"ImageCover", "LabelMime", "LabelPixels", "LabelBytes"}) {
                    seen.back() << dialog->findChild<QLabel*>(name)->text();
                }
                seen.back() << QString::number(dialog->findChild<QPushButton*>("BtnDelete")->isEnabled())
                            << form.Model().data(form.Model().index(0, ColTitle)).toString()
                            << QString::number(ReadTagPictures(path).Count);
            }
            dialog->findChild<QPushButton*>("BtnClose")->click();
        });
        form.Command("CoverMnu")->trigger();
        const QStringList old{"", "image/jpeg", "60 × 20", "11", "1", "stale", "2"};
        QCOMPARE(seen, (QList<QStringList>{old,
                                           old,
                                           old,
                                           {"", "image/png", "30 × 20", "24", "1", "Song", "2"},
                                           {"Нет обложки", "", "", "", "0", "Song", "0"}}));
        QCOMPARE(offered, std::vector<std::string>(2, folder + "/a.jpg"));
        QCOMPARE(ReadFile(folder + "/saved.jpg"), jpeg);
        QCOMPARE(host.Messages.size(), std::size_t{2});
        QVERIFY(host.Messages[1].Text.starts_with("Код ошибки - 2 при записи файла"));
    }
};

QTEST_MAIN(MainFormCoverTest)
#include "MainFormCoverTest.moc"
