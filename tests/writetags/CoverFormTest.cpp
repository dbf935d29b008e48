// The cover dialog, headless: a cover's facts, saving it, replacing it and removing every picture
// through the tag engine, the file and its row read again after each change.
#include <QBuffer>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QtTest>

#include "FakePorts.h"
#include "TestFiles.h"
#include "filelist/FileList.h"
#include "settings/AppSettings.h"
#include "writetags/CoverCommands.h"
#include "writetags/CoverForm.h"

namespace tagmora {

class CoverFormTest : public QObject {
    Q_OBJECT

    static std::string Picture(int width, int height, const char* format) {
        QImage image(width, height, QImage::Format_RGB32);
        image.fill(Qt::darkCyan);
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        image.save(&buffer, format);
        return bytes.toStdString();
    }
    static QString Text(TCoverForm& form, const char* label) {
        return form.findChild<QLabel*>(QString::fromLatin1(label))->text();
    }
    static QPushButton* Button(TCoverForm& form, const char* name) {
        return form.findChild<QPushButton*>(QString::fromLatin1(name));
    }

private slots:
    void ShowsSavesReplacesAndDeletesTheCover() {
        AppSettings settings;
        ApplyFirstRunDefaults(settings, DesignedColumnWidths());
        test::RecordingStatus status;
        test::FakeHost host;
        FileList list(settings, status, host);
        Id3v2WriteSession session;
        const TagEngine engine = RealTagEngine(settings, session, host);
        test::TempDir dir;
        const std::string jpeg = Picture(60, 50, "JPEG");
        const std::string frames = test::Id3v2Frame(3, "TIT2", test::TextContent(0, "Song")) +
                                   test::Id3v2Frame(3, "APIC", FrontCoverContent(kJpegMime, jpeg)) +
                                   test::Id3v2Frame(3, "APIC", std::string("\0image/png\0\x04\0", 13) + "back");
        const std::string path = dir / "01 Song.mp3";
        test::WriteFile(path, test::Id3v2TagBytes(3, frames) + test::SilentFrames());
        list.Rows().resize(1);
        list.Rows()[0].Path = path;
        list.Rows()[0].Texts[ColTitle] = "stale";
        TCoverForm form(
            path,
            [&](CoverEdit edit, const std::string& picture) { return ChangeRowCover(list, 0, edit, picture, engine); },
            host);

        QVERIFY(!form.findChild<QLabel*>("ImageCover")->pixmap().isNull());
        QCOMPARE((QStringList{Text(form, "LabelMime"), Text(form, "LabelPixels"), Text(form, "LabelBytes")}),
                 (QStringList{"image/jpeg", "60 × 50", QString::number(jpeg.size())}));
        QVERIFY(Button(form, "BtnSaveAs")->isEnabled() && Button(form, "BtnDelete")->isEnabled());

        // Saved where asked, next to the file by default; a failed save is told.
        std::string suggested;
        std::string target = dir / "saved.jpg";
        form.ChooseSavePath = [&](QWidget*, const std::string& offered) {
            suggested = offered;
            return target;
        };
        Button(form, "BtnSaveAs")->click();
        QCOMPARE(suggested, dir / "01 Song.jpg");
        QCOMPARE(test::ReadFile(dir / "saved.jpg"), jpeg);
        target = dir / "missing/saved.jpg";
        Button(form, "BtnSaveAs")->click();
        QCOMPARE(host.Messages.size(), std::size_t{1});
        QVERIFY(host.Messages[0].Text.starts_with("Код ошибки - 2 при записи файла"));

        // Replaced: the other picture stays, the row is read again.
        const std::string png = Picture(30, 20, "PNG");
        test::WriteFile(dir / "new.png", png);
        form.ChoosePicture = [&](QWidget*) { return dir / "new.png"; };
        Button(form, "BtnReplace")->click();
        QCOMPARE((QStringList{Text(form, "LabelMime"), Text(form, "LabelPixels")}),
                 (QStringList{"image/png", "30 × 20"}));
        TagPictures pictures = ReadTagPictures(path);
        QCOMPARE(pictures.Count, 2);
        QCOMPARE(pictures.FrontCover->Bytes, png);
        QCOMPARE(list.Rows()[0].Texts[ColTitle], std::string("Song"));

        // Deleted: no picture is left, the text frames are.
        list.Rows()[0].Texts[ColTitle] = "stale";
        Button(form, "BtnDelete")->click();
        QCOMPARE(ReadTagPictures(path).Count, 0);
        QCOMPARE(list.Rows()[0].Texts[ColTitle], std::string("Song"));
        QCOMPARE(Text(form, "ImageCover"), QStringLiteral("Нет обложки"));
        QCOMPARE(Text(form, "LabelMime"), QString());
        QVERIFY(!Button(form, "BtnSaveAs")->isEnabled() && !Button(form, "BtnDelete")->isEnabled());
        QCOMPARE(host.Messages.size(), std::size_t{1});
    }
};

}  // namespace tagmora

QTEST_MAIN(tagmora::CoverFormTest)
#include "CoverFormTest.moc"
