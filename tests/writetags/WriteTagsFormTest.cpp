// The batch tag dialog, headless: the two layouts and the mode keys, the fields' items, labels, hints
// and tab order, the kill-tags question, F2 on the memo, the Ctrl rule, the previews, the placement
// and the answer read back after F12.
#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTimer>
#include <QToolButton>
#include <QtTest>

#include <algorithm>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "FakePorts.h"
#include "TestFiles.h"
#include "filelist/FileList.h"
#include "settings/AppSettings.h"
#include "tags/Genres.h"
#include "tags/Pictures.h"
#include "writetags/WriteTagsForm.h"

namespace tagmora {
namespace {

const QString kKeep = QStringLiteral("Оставить как есть");
const QString kFromList = QStringLiteral("Взять из списка");

// The field combos in tab order: label, whether only ID3v2 shows it, the answer's field.
struct Field {
    const char* Name;
    const char* Label;
    bool Id3v2Only;
    std::string WriteTagsAnswer::*Text;
};
const Field kFields[] = {
    {"ComboBoxExTitles", "Title", false, &WriteTagsAnswer::Title},
    {"ComboBoxExArtist", "Artist", false, &WriteTagsAnswer::Artist},
    {"ComboBoxExAlbum", "Album", false, &WriteTagsAnswer::Album},
    {"ComboBoxExYear", "Year", false, &WriteTagsAnswer::Year},
    {"ComboBoxGenre", "Genre", false, &WriteTagsAnswer::Genre},
    {"ComboBoxExComment", "Comment", false, &WriteTagsAnswer::Comment},
    {"ComboBoxExTrack", "Track", false, &WriteTagsAnswer::Track},
    {"ComboBoxExCommentOwner", "CommentOwner", true, &WriteTagsAnswer::CommentOwner},
    {"ComboBoxExComposer", "Composer", true, &WriteTagsAnswer::Composer},
    {"ComboBoxExOrigArtist", "OrigArtist", true, &WriteTagsAnswer::OrigArtist},
    {"ComboBoxExCopyright", "Copyright", true, &WriteTagsAnswer::Copyright},
    {"ComboBoxExTIT1", "TIT1", true, &WriteTagsAnswer::TIT1},
    {"ComboBoxExTSSE", "TSSE", true, &WriteTagsAnswer::TSSE},
    {"ComboBoxExMCDI", "MCDI", true, &WriteTagsAnswer::MCDI},
    {"ComboBoxExUFID", "UFID", true, &WriteTagsAnswer::UFID},
    {"ComboBoxExTXXX", "TXXX", true, &WriteTagsAnswer::TXXX},
    {"ComboBoxExEncBy", "EncodedBy", true, &WriteTagsAnswer::EncodedBy},
    {"ComboBoxExURL", "URL", true, &WriteTagsAnswer::URL},
};

}  // namespace

class WriteTagsFormTest : public QObject {
    Q_OBJECT
public:
    WriteTagsFormTest() : list(settings, status, host) {
        ApplyFirstRunDefaults(settings, DesignedColumnWidths());
        // A scan with subfolders: column 0 holds full paths.
        for (const char* name : {"00 - Intro", "01 - Song", "02 - Other"}) {
            FileRow row;
            row.SetPath(std::string("/music/Artist/Album/") + name + ".mp3");
            row.SetFileText(row.Path());
            row.Checked = name[1] != '0';
            list.Rows().push_back(row);
        }
    }

private:
    template <typename T = QComboBox>
    static T* Control(QWidget& form, const char* name) {
        T* control = form.findChild<T*>(QString::fromLatin1(name));
        if (control == nullptr) qFatal("no control %s", name);
        return control;
    }
    static QLabel* LabelOf(QWidget& form, QWidget* control) {
        for (QLabel* label : form.findChildren<QLabel*>()) {
            if (label->buddy() == control) return label;
        }
        qFatal("no label for %s", qPrintable(control->objectName()));
    }
    static QStringList Items(QComboBox* combo) {
        QStringList items;
        for (int i = 0; i < combo->count(); ++i) items << combo->itemText(i);
        return items;
    }
    WriteTagsRequest Request(int mode) const {
        WriteTagsRequest request;
        request.Mode = mode;
        request.CheckedCount = 2;
        request.MemoLines = {"01 - Song", "02 - Other"};
        request.CurrentFolder = "/music/Artist/Album";
        request.SampleRow = 1;
        return request;
    }
    // A form shown and active, so that its keys reach it.
    static bool ShowActive(TWriteTagsForm& form) {
        form.show();
        form.activateWindow();
        return QTest::qWaitFor([&form] { return QApplication::activeWindow() == &form; });
    }
    // Picks item `index` of the combo in its opened list with the keyboard, modifiers held.
    static void Pick(QComboBox* combo, int index, Qt::KeyboardModifiers modifiers) {
        combo->showPopup();
        QAbstractItemView* view = combo->view();
        QTRY_VERIFY(view->isVisible());
        view->setCurrentIndex(combo->model()->index(index, 0));
        QTest::keyClick(view, Qt::Key_Return, modifiers);
        QTRY_VERIFY(!view->isVisible());
    }
    // Every fact of a layout: sizes, the mode button, which fields show, the genre and length rules.
    static void CheckLayout(TWriteTagsForm& form, int mode) {
        const bool id3v1 = mode == 1;
        QCOMPARE(form.Mode(), mode);
        QCOMPARE(Control<QToolButton>(form, "SpeedButton1")->text(), QStringLiteral("ID3v %1").arg(mode));
        QCOMPARE(form.size(), QSize(580, id3v1 ? 201 : 446));
        QCOMPARE(form.minimumSize(), QSize(580, id3v1 ? 201 : 446));
        QCOMPARE(Control<QPlainTextEdit>(form, "MemoTitles")->height(), id3v1 ? 117 : 341);
        QVERIFY(Control<QPlainTextEdit>(form, "MemoTitles")->isVisible());
        for (const Field& field : kFields) {
            QVERIFY2(Control(form, field.Name)->isVisible() == (!id3v1 || !field.Id3v2Only), field.Name);
            QVERIFY2(LabelOf(form, Control(form, field.Name))->isVisible() == (!id3v1 || !field.Id3v2Only), field.Name);
        }
        QCOMPARE(Control<QCheckBox>(form, "CheckBoxKillTags")->isVisible(), !id3v1);
        for (const char* name : {"ComboBoxCover", "LabelCover", "ImageCover"}) {
            QVERIFY2(Control<QWidget>(form, name)->isVisible() == !id3v1, name);
        }
        QCOMPARE(Control(form, "ComboBoxGenre")->isEditable(), !id3v1);
        for (const char* name : {"ComboBoxExArtist", "ComboBoxExAlbum", "ComboBoxExComment"}) {
            QVERIFY2((Control(form, name)->lineEdit()->maxLength() == 29) == id3v1, name);
        }
        QCOMPARE(Control(form, "ComboBoxExYear")->lineEdit()->maxLength(), 32767);
        // Every control lies inside the dialog.
        for (QWidget* child : form.findChildren<QWidget*>()) {
            if (child->isVisible() && child->parentWidget() == &form) {
                QVERIFY2(form.rect().contains(child->geometry()), qPrintable(child->objectName()));
            }
        }
    }

    AppSettings settings;
    test::RecordingStatus status;
    test::FakeHost host;
    FileList list;

private slots:
    void ModeKeysSwitchTheLayout_data() {
        QTest::addColumn<int>("mode");
        QTest::addColumn<QString>("keys");  // "3": F3 typed into a field, "b": the mode button
        QTest::newRow("ID3v1 as opened") << 1 << "";
        QTest::newRow("ID3v1, F3") << 1 << "3";
        QTest::newRow("ID3v1, F3, button") << 1 << "3b";
        QTest::newRow("ID3v2 as opened") << 2 << "";
        QTest::newRow("ID3v2, button, F3, F3") << 2 << "b33";
    }
    void ModeKeysSwitchTheLayout() {
        QFETCH(int, mode);
        QFETCH(QString, keys);
        TWriteTagsForm form(Request(mode), list, &host);
        QVERIFY(ShowActive(form));
        CheckLayout(form, mode);
        for (QChar key : keys) {
            if (key == QLatin1Char('3')) {
                QTest::keyClick(Control(form, "ComboBoxExTitles")->lineEdit(), Qt::Key_F3);
            } else {
                QTest::mouseClick(Control<QToolButton>(form, "SpeedButton1"), Qt::LeftButton);
            }
            mode = 3 - mode;
            CheckLayout(form, mode);
        }
        QVERIFY(Control(form, "ComboBoxExTitles")->currentText().isEmpty());
    }

    void AMalformedScriptKeepsTheDialogOpen() {
        TWriteTagsForm form(Request(2), list, &host);
        Control(form, "ComboBoxExComment")->setEditText(QStringLiteral("Rated 100%"));
        form.accept();
        QCOMPARE(form.result(), int(QDialog::Rejected));  // still open: not accepted
        QCOMPARE(host.Messages.size(), std::size_t{1});
        QVERIFY(host.Messages[0].Text.starts_with("Поле Comment: ошибка в скрипте (Error)."));
        Control(form, "ComboBoxExComment")->setEditText(QStringLiteral("Rated 100"));
        form.accept();
        QCOMPARE(form.result(), int(QDialog::Accepted));
    }

    void OpensEmptyWithTheFieldsLabelsAndItems() {
        TWriteTagsForm form(Request(2), list, &host);
        QCOMPARE(form.windowTitle(), QStringLiteral("Пакетная запись в TAG'и. Выбрано файлов - 2"));
        QVERIFY(Control<QToolButton>(form, "SpeedButton1")->font().bold());
        const std::map<std::string, QStringList> items = {
            {"ComboBoxExTitles", {kKeep, kFromList, QStringLiteral("%p0n[6-]n[-4]%")}},
            {"ComboBoxExArtist", {QStringLiteral("Artist"), kKeep}},
            {"ComboBoxExAlbum", {QStringLiteral("Album"), kKeep}},
            {"ComboBoxExTrack",
             {kKeep, QStringLiteral("Удалить"), QStringLiteral("Записать в порядке выбранных файлов"),
              QStringLiteral("Записать в порядке всех отображенных файлов")}},
        };
        for (const Field& field : kFields) {
            QComboBox* combo = Control(form, field.Name);
            QCOMPARE(LabelOf(form, combo)->text(), QString::fromLatin1(field.Label));
            QCOMPARE(combo->currentIndex(), -1);
            QCOMPARE(combo->currentText(), QString());
            QVERIFY(combo->isEditable());
            if (combo->objectName() == QLatin1String("ComboBoxGenre")) continue;
            const auto own = items.find(field.Name);
            QCOMPARE(Items(combo), own == items.end() ? QStringList{kKeep} : own->second);
        }
        auto* memo = Control<QPlainTextEdit>(form, "MemoTitles");
        QVERIFY(!memo->isEnabled());
        QCOMPARE(memo->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
        QCOMPARE(memo->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
        QCOMPARE(Control<QCheckBox>(form, "CheckBoxKillTags")->text(), QStringLiteral("Удалить TAG'и ID3v1"));
        QVERIFY(!Control<QCheckBox>(form, "CheckBoxKillTags")->isChecked());
        // Captions and hints of the buttons and the memo.
        const std::pair<QWidget*, QStringList> texts[] = {
            {Control<QPushButton>(form, "BitBtnWrite"), {"Начать", "F12"}},
            {Control<QPushButton>(form, "BitBtnCancel"), {"Отмена", "Ecape"}},
            {Control<QToolButton>(form, "SpeedButton1"), {"ID3v 2", "F3"}},
            {memo, {"01 - Song\n02 - Other", "Нажмите F2, чтобы отсечь первые символы строк"}},
        };
        for (const auto& [control, expected] : texts) {
            const QString text = memo == control ? memo->toPlainText() : control->property("text").toString();
            QCOMPARE((QStringList{text, control->toolTip()}), expected);
        }

        // The genres: the whole table in alphabetical order, then "keep" as item 148.
        QComboBox* genre = Control(form, "ComboBoxGenre");
        const QStringList genres = Items(genre);
        QCOMPARE(genres.size(), kGenreCount + 1);
        QCOMPARE(genres.last(), kKeep);
        QStringList names = genres.mid(0, kGenreCount);
        QVERIFY(std::is_sorted(names.begin(), names.end(), [](const QString& a, const QString& b) {
            return a.compare(b, Qt::CaseInsensitive) < 0;
        }));
        QCOMPARE(names.mid(0, 3), (QStringList{"A Cappella", "Acid", "Acid Jazz"}));
        QStringList table;
        for (const char* name : GenreTable) table << QString::fromLatin1(name);
        std::sort(names.begin(), names.end());
        std::sort(table.begin(), table.end());
        QCOMPARE(names, table);
        QCOMPARE(genre->maxVisibleItems(), 10);
    }

    void ArtistAndAlbumItemsFollowCurrentFolder() {
        const QStringList cases[] = {{"/home/me/Music/Artist/Album", "Artist", "Album"},
                                     {"/Музыка/Кино/Группа крови", "Кино", "Группа крови"},
                                     {"/Album", "", "Album"}};
        for (const QStringList& c : cases) {
            WriteTagsRequest request = Request(1);
            request.CurrentFolder = c[0].toStdString();
            TWriteTagsForm form(request, list, &host);
            QCOMPARE(Items(Control(form, "ComboBoxExArtist")), (QStringList{c[1], kKeep}));
            QCOMPARE(Items(Control(form, "ComboBoxExAlbum")), (QStringList{c[2], kKeep}));
        }
    }

    void TabFollowsTheFields() {
        TWriteTagsForm form(Request(2), list, &host);
        QVERIFY(ShowActive(form));
        // The memo takes part once it is enabled.
        Pick(Control(form, "ComboBoxExTitles"), 1, Qt::NoModifier);
        Control(form, "ComboBoxExTitles")->setFocus();
        QStringList expected{"ComboBoxExTitles", "MemoTitles"};
        for (const Field& field : kFields) expected << field.Name;
        expected.removeAt(2);
        expected << "ComboBoxCover"
                 << "CheckBoxKillTags"
                 << "BitBtnWrite"
                 << "BitBtnCancel"
                 << "ComboBoxExTitles";
        QStringList visited;
        for (int i = 0; i < expected.size(); ++i) {
            QWidget* focus = QApplication::focusWidget();
            QVERIFY(focus != nullptr);
            // A field's edit line has the focus on behalf of its combo.
            const bool editLine = qobject_cast<QLineEdit*>(focus) && qobject_cast<QComboBox*>(focus->parentWidget());
            visited << (editLine ? focus->parentWidget() : focus)->objectName();
            QTest::keyClick(focus, Qt::Key_Tab);
        }
        QCOMPARE(visited, expected);
    }

    // The cover's answer (a keyword, or a chosen file's path; a cancelled choice goes back) and the
    // preview of what the write sets: the first checked file's cover while it is kept.
    void TheCoverAnswersAndPreviewsThePicture() {
        test::TempDir dir;
        const auto png = [&dir](const char* name, Qt::GlobalColor colour) {
            QImage image(40, 20, QImage::Format_RGB32);
            image.fill(colour);
            image.save(QString::fromStdString(dir / name), "PNG");
            return test::ReadFile(dir / name);
        };
        png("Folder.PNG", Qt::blue);
        png("chosen.png", Qt::green);
        test::WriteFile(
            dir / "01.mp3",
            test::Id3v2TagBytes(3, test::Id3v2Frame(3, "APIC", FrontCoverContent(kPngMime, png("red.png", Qt::red)))) +
                test::SilentFrames());
        FileList covered(settings, status, host);
        covered.Rows().resize(2);  // no sample row: the first checked row's cover
        covered.Rows()[1].SetPath(dir / "01.mp3");
        covered.Rows()[1].Checked = true;
        WriteTagsRequest request;
        request.Mode = 2;
        TWriteTagsForm form(request, covered, &host);
        QComboBox* cover = Control(form, "ComboBoxCover");
        QCOMPARE(Items(cover), (QStringList{kKeep, "Из файла...", "Из папки файла", "Удалить"}));
        int choices = 0;
        form.ChoosePicture = [&](QWidget*, const std::string&) { return ++choices == 1 ? "" : dir / "chosen.png"; };
        const std::tuple<int, QString, std::string, QRgb> steps[] = {
            {-1, kKeep, "Оставить как есть", qRgb(255, 0, 0)},
            {2, "Из папки файла", "Из папки файла", qRgb(0, 0, 255)},
            {1, "Из папки файла", "Из папки файла", qRgb(0, 0, 255)},  // cancelled
            {1, "chosen.png", dir / "chosen.png", qRgb(0, 255, 0)},
            {3, "Удалить", "Удалить", 0},
        };
        for (const auto& [index, shown, answer, preview] : steps) {
            if (index >= 0) cover->setCurrentIndex(index);
            const QImage image = Control<QLabel>(form, "ImageCover")->pixmap().toImage();
            QCOMPARE(cover->currentText(), shown);
            QCOMPARE(form.Answer().Cover, answer);
            QCOMPARE(image.isNull() ? 0 : image.pixel(image.rect().center()), preview);
        }
        QCOMPARE(choices, 2);
    }

    void KillTagsQuestion_data() {
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("checked");
        QTest::newRow("Yes keeps the box checked") << int(MessageResult::Yes) << true;
        QTest::newRow("No unchecks it") << int(MessageResult::No) << false;
        QTest::newRow("a closed box unchecks it") << int(MessageResult::Cancel) << false;
    }
    void KillTagsQuestion() {
        QFETCH(int, answer);
        QFETCH(bool, checked);
        test::FakeHost asked;
        asked.Answers = {MessageResult(answer)};
        TWriteTagsForm form(Request(2), list, &asked);
        QVERIFY(ShowActive(form));
        auto* box = Control<QCheckBox>(form, "CheckBoxKillTags");
        QTest::keyClick(box, Qt::Key_Space);
        QCOMPARE(asked.Messages.size(), std::size_t{1});
        QCOMPARE(asked.Messages[0].Text, std::string("Будут удалены ID3 v1 в выбранных файлах. Продолжить?"));
        QCOMPARE(asked.Messages[0].Caption, std::string("Tagmora"));
        QCOMPARE(asked.Messages[0].Icon, MessageIcon::Question);
        QCOMPARE(asked.Messages[0].Buttons, MessageButtons::YesNo);
        QCOMPARE(box->isChecked(), checked);
        QCOMPARE(form.Answer().KillTags, checked);
        if (!checked) return;

        // Unchecking asks nothing; ID3v1 hides the box with its state, ID3v2 shows it unchecked.
        QTest::keyClick(box, Qt::Key_Space);
        QVERIFY(!box->isChecked());
        QCOMPARE(asked.Messages.size(), std::size_t{1});
        asked.Answers = {MessageResult::Yes};
        QTest::keyClick(box, Qt::Key_Space);
        QTest::keyClick(&form, Qt::Key_F3);
        QVERIFY(!box->isVisible());
        QVERIFY(form.Answer().KillTags);
        QTest::keyClick(&form, Qt::Key_F3);
        QVERIFY(box->isVisible());
        QVERIFY(!form.Answer().KillTags);
        QCOMPARE(asked.Messages.size(), std::size_t{2});
    }

    void KillTagsWithoutAHostAsksInAMessageBox() {
        TWriteTagsForm form(Request(2), list);
        QVERIFY(ShowActive(form));
        bool seen = false;
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            QVERIFY(box != nullptr);
            seen = true;
            QCOMPARE(box->windowTitle(), QStringLiteral("Tagmora"));
            QCOMPARE(box->text(), QStringLiteral("Будут удалены ID3 v1 в выбранных файлах. Продолжить?"));
            QCOMPARE(box->icon(), QMessageBox::Question);
            QCOMPARE(box->standardButtons(), QMessageBox::Yes | QMessageBox::No);
            QCOMPARE(box->parentWidget(), &form);
            box->button(QMessageBox::No)->click();
        });
        QTest::keyClick(Control<QCheckBox>(form, "CheckBoxKillTags"), Qt::Key_Space);
        QVERIFY(seen);
        QVERIFY(!Control<QCheckBox>(form, "CheckBoxKillTags")->isChecked());
    }

    void F2CutsTheListedLinesOncePerPress() {
        WriteTagsRequest request = Request(1);
        // Three rows in the list: the fourth line is beyond them.
        request.MemoLines = {"01 - Song", "Ж2 - Другая", "", "04 - Beyond"};
        TWriteTagsForm form(request, list, &host);
        QVERIFY(ShowActive(form));
        QVERIFY(!Control<QPlainTextEdit>(form, "MemoTitles")->isEnabled());
        QLineEdit* field = Control(form, "ComboBoxExTrack")->lineEdit();
        field->setFocus();
        // The repeats of a held key do nothing.
        qt_sendShortcutOverrideEvent(field, 0, Qt::Key_F2, Qt::NoModifier, QString(), true);
        qt_sendShortcutOverrideEvent(field, 0, Qt::Key_F3, Qt::NoModifier, QString(), true);
        QCOMPARE(form.Mode(), 1);
        QCOMPARE(form.Answer().MemoLines, request.MemoLines);
        // Twice, from any control, while the memo is disabled.
        QTest::keyClick(Control(form, "ComboBoxExTitles")->lineEdit(), Qt::Key_F2);
        QTest::keyClick(field, Qt::Key_F2);
        QCOMPARE(form.Answer().MemoLines, (std::vector<std::string>{" - Song", " - Другая", "", "04 - Beyond"}));
        QCOMPARE(form.Answer().Track, std::string());
    }

    void CtrlOnKeepSetsEveryFieldToKeep_data() {
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("item");
        QTest::addColumn<bool>("ctrl");
        QTest::addColumn<bool>("everyField");
        QTest::newRow("Ctrl, keep, ID3v2") << 2 << 0 << true << true;
        QTest::newRow("Ctrl, keep, ID3v1") << 1 << 0 << true << true;
        QTest::newRow("keep alone") << 2 << 0 << false << false;
        QTest::newRow("Ctrl, from the list") << 2 << 1 << true << false;
    }
    void CtrlOnKeepSetsEveryFieldToKeep() {
        QFETCH(int, mode);
        QFETCH(int, item);
        QFETCH(bool, ctrl);
        QFETCH(bool, everyField);
        TWriteTagsForm form(Request(mode), list, &host);
        QVERIFY(ShowActive(form));
        QTest::keyClicks(Control(form, "ComboBoxExArtist")->lineEdit(), "%t3%");
        Control(form, "ComboBoxExTrack")->setCurrentIndex(2);
        Control(form, "ComboBoxGenre")->setCurrentIndex(3);

        QComboBox* titles = Control(form, "ComboBoxExTitles");
        Pick(titles, item, ctrl ? Qt::ControlModifier : Qt::NoModifier);
        QCOMPARE(titles->currentText(), titles->itemText(item));
        QCOMPARE(Control<QPlainTextEdit>(form, "MemoTitles")->isEnabled(), item == 1);

        const WriteTagsAnswer answer = form.Answer();
        const std::string keep = kKeep.toStdString();
        const std::map<std::string, std::string> before = {
            {"ComboBoxExArtist", "%t3%"},
            {"ComboBoxExTrack", Control(form, "ComboBoxExTrack")->itemText(2).toStdString()},
            {"ComboBoxGenre", Control(form, "ComboBoxGenre")->itemText(3).toStdString()}};
        for (const Field& field : kFields) {
            if (field.Text == &WriteTagsAnswer::Title) continue;
            const auto own = before.find(field.Name);
            QCOMPARE(answer.*field.Text, everyField ? keep : own == before.end() ? std::string() : own->second);
        }
        QCOMPARE(Control(form, "ComboBoxExTrack")->currentIndex(), everyField ? 0 : 2);
        QCOMPARE(Control(form, "ComboBoxGenre")->currentIndex(), everyField ? 148 : 3);
    }

    void MemoIsEnabledExactlyForTheListKeyword() {
        TWriteTagsForm form(Request(1), list, &host);
        QComboBox* titles = Control(form, "ComboBoxExTitles");
        for (const QString& text : {kFromList, kKeep, kFromList, kFromList + QLatin1Char(' '), QString()}) {
            titles->setEditText(text);
            QCOMPARE(Control<QPlainTextEdit>(form, "MemoTitles")->isEnabled(), text == kFromList);
        }
    }

    void HintsPreviewTheFieldOnTheSampleRow() {
        TWriteTagsForm form(Request(2), list, &host);
        QVERIFY(ShowActive(form));
        const char* const cases[][3] = {
            {"ComboBoxExAlbum", "%p1%", "Album"},  // the first checked file's folder
            {"ComboBoxExArtist", "%p2%", "Artist"},  {"ComboBoxExTitles", "%p0n[6-]n[-4]%", "Song"},
            {"ComboBoxExTrack", "%p0n[-11]%", "01"}, {"ComboBoxExURL", "http://x", "http://x"},
            {"ComboBoxExComment", "%p0n[", "Error"},  // rejected by the language
            {"ComboBoxExTIT1", "%p1", "Error"},
        };
        for (const auto& [name, typed, hint] : cases) {
            QComboBox* combo = Control(form, name);
            QCOMPARE(combo->toolTip(), QString());
            QTest::keyClicks(combo->lineEdit(), typed);
            QCOMPARE(combo->toolTip(), QString::fromUtf8(hint));
            combo->setCurrentIndex(combo->findText(kKeep));
            QCOMPARE(combo->toolTip(), kKeep);
        }
    }

    void TheGenreHasNoPreviewAndIsPickedInId3v1() {
        TWriteTagsForm form(Request(2), list, &host);
        QVERIFY(ShowActive(form));
        QComboBox* genre = Control(form, "ComboBoxGenre");
        genre->setEditText(QStringLiteral("%p1%"));
        QCOMPARE(genre->toolTip(), QString());
        QCOMPARE(form.Answer().Genre, std::string("%p1%"));
        // ID3v1 picks from the list only: a typed name not in it is dropped, a listed one kept.
        QTest::keyClick(&form, Qt::Key_F3);
        QCOMPARE(form.Answer().Genre, std::string());
        QTest::keyClick(&form, Qt::Key_F3);
        genre->setEditText(QStringLiteral("Rock"));
        QTest::keyClick(&form, Qt::Key_F3);
        QCOMPARE(form.Answer().Genre, std::string("Rock"));
        // Typing opens the list at the first name that starts with the typed text.
        QTest::keyClick(genre, Qt::Key_J);
        QTRY_VERIFY(genre->view()->isVisible());
        QCOMPARE(genre->view()->currentIndex().data().toString(), QStringLiteral("Jazz"));
        genre->hidePopup();
    }

    void F12AndEscapeCloseOncePerPress_data() {
        QTest::addColumn<QString>("focus");
        QTest::addColumn<int>("key");
        QTest::addColumn<bool>("accepted");
        for (const char* focus : {"ComboBoxExTitles", "MemoTitles", "ComboBoxGenre", "ComboBoxExURL",
                                  "CheckBoxKillTags", "BitBtnCancel", "BitBtnWrite"}) {
            QTest::addRow("F12 in %s", focus) << focus << int(Qt::Key_F12) << true;
            QTest::addRow("Escape in %s", focus) << focus << int(Qt::Key_Escape) << false;
        }
    }
    void F12AndEscapeCloseOncePerPress() {
        QFETCH(QString, focus);
        QFETCH(int, key);
        QFETCH(bool, accepted);
        TWriteTagsForm form(Request(2), list, &host);
        QVERIFY(ShowActive(form));
        Control(form, "ComboBoxExTitles")->setCurrentIndex(1);  // the memo takes the focus too
        form.findChild<QWidget*>(focus)->setFocus();
        QSignalSpy accepts(&form, &QDialog::accepted);
        QSignalSpy rejects(&form, &QDialog::rejected);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key(key));
        QCOMPARE(accepts.size(), accepted ? 1 : 0);
        QCOMPARE(rejects.size(), accepted ? 0 : 1);
    }

    // Escape with a list open closes the list only; the next Escape cancels the dialog.
    void EscapeClosesAnOpenListFirst() {
        TWriteTagsForm form(Request(2), list, &host);
        QVERIFY(ShowActive(form));
        QComboBox* track = Control(form, "ComboBoxExTrack");
        track->showPopup();
        QTRY_VERIFY(track->view()->isVisible());
        QTest::keyClick(track->view(), Qt::Key_Escape);
        QTRY_VERIFY(!track->view()->isVisible());
        QVERIFY(form.isVisible());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
        QVERIFY(!form.isVisible());
    }

    // The two numbering items can be told apart; an item shows from its start, whole in its list.
    void FieldsShowTheirItemsReadably() {
        TWriteTagsForm form(Request(2), list, &host);
        QVERIFY(ShowActive(form));
        QComboBox* track = Control(form, "ComboBoxExTrack");
        const QFontMetrics metrics = track->lineEdit()->fontMetrics();
        QVERIFY(track->lineEdit()->width() >= metrics.horizontalAdvance(track->itemText(2)));
        Control(form, "ComboBoxExYear")->setCurrentIndex(0);
        QCOMPARE(Control(form, "ComboBoxExYear")->lineEdit()->cursorPosition(), 0);
        track->setCurrentIndex(3);
        QCOMPARE(track->toolTip(), track->itemText(3));
        track->showPopup();
        QTRY_VERIFY(track->view()->isVisible());
        QVERIFY(track->view()->width() >= metrics.horizontalAdvance(track->itemText(3)));
    }

    void ShowPlacesTheDialogAndReadsTheAnswer() {
        QWidget window;
        window.setGeometry(200, 150, 800, 600);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        test::FakeHost asked;
        asked.Answers = {MessageResult::Yes};

        QPoint placed;
        QTimer::singleShot(0, [&] {
            // A failed check below must not leave the dialog waiting for ever.
            const auto closeOnFailure = qScopeGuard([] {
                if (QWidget* left = QApplication::activeModalWidget()) left->close();
            });
            auto* form = qobject_cast<TWriteTagsForm*>(QApplication::activeModalWidget());
            QVERIFY(form != nullptr);
            placed = form->frameGeometry().topLeft();
            // The offscreen platform leaves the owner active.
            QVERIFY(ShowActive(*form));
            QTest::keyClick(form, Qt::Key_F3);  // ID3v1 to ID3v2
            Control(*form, "ComboBoxExTitles")->setCurrentIndex(1);
            for (const Field& field : kFields) {
                if (field.Text != &WriteTagsAnswer::Title) {
                    Control(*form, field.Name)->setEditText(QString::fromLatin1(field.Label) + " значение");
                }
            }
            auto* memo = Control<QPlainTextEdit>(*form, "MemoTitles");
            memo->setPlainText(QStringLiteral("First\nSecond\n"));
            QTest::keyClick(Control<QCheckBox>(*form, "CheckBoxKillTags"), Qt::Key_Space);
            QTest::keyClick(memo, Qt::Key_F12);
        });
        const std::optional<WriteTagsAnswer> answer = ShowWriteTagsForm(&window, Request(1), list, &asked);
        QVERIFY(answer.has_value());
        // 24 pixels below the window's top edge, centred across it.
        const QRect frame = window.frameGeometry();
        QCOMPARE(placed, QPoint(frame.left() + frame.width() / 2 - 580 / 2, frame.top() + 24));
        QCOMPARE(answer->Mode, 2);
        QCOMPARE(answer->Title, kFromList.toStdString());
        for (const Field& field : kFields) {
            if (field.Text != &WriteTagsAnswer::Title) {
                QCOMPARE(QString::fromStdString(*answer.*field.Text), QString::fromLatin1(field.Label) + " значение");
            }
        }
        QCOMPARE(answer->MemoLines, (std::vector<std::string>{"First", "Second"}));
        QVERIFY(answer->KillTags);

        // Escape, and closing the window, give nothing.
        QTimer::singleShot(0, [] { QTest::keyClick(QApplication::activeModalWidget(), Qt::Key_Escape); });
        QVERIFY(!ShowWriteTagsForm(&window, Request(2), list, &asked).has_value());
        QTimer::singleShot(0, [] { QApplication::activeModalWidget()->close(); });
        QVERIFY(!ShowWriteTagsForm(&window, Request(2), list, &asked).has_value());
    }
};

}  // namespace tagmora

QTEST_MAIN(tagmora::WriteTagsFormTest)
#include "WriteTagsFormTest.moc"
