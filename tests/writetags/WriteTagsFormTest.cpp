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

#include <optional>
#include <string>
#include <vector>

#include "FakePorts.h"
#include "filelist/FileList.h"
#include "settings/AppSettings.h"
#include "tags/Genres.h"
#include "writetags/WriteTagsForm.h"

namespace tagmora {
namespace {

const QString kKeep = QStringLiteral("Оставить как есть");
const QString kFromList = QStringLiteral("Взять из списка");

// The seven fields of both modes and the eleven of ID3v2 only, in tab order.
const char* const kId3v1Fields[] = {"ComboBoxExTitles", "ComboBoxExArtist",  "ComboBoxExAlbum", "ComboBoxExYear",
                                    "ComboBoxGenre",    "ComboBoxExComment", "ComboBoxExTrack"};
const char* const kId3v2Fields[] = {"ComboBoxExCommentOwner", "ComboBoxExComposer", "ComboBoxExOrigArtist",
                                    "ComboBoxExCopyright",    "ComboBoxExTIT1",     "ComboBoxExTSSE",
                                    "ComboBoxExMCDI",         "ComboBoxExUFID",     "ComboBoxExTXXX",
                                    "ComboBoxExEncBy",        "ComboBoxExURL"};

}  // namespace

class WriteTagsFormTest : public QObject {
    Q_OBJECT
public:
    WriteTagsFormTest() : list(settings, status, host) {
        ApplyFirstRunDefaults(settings, DesignedColumnWidths());
        // A scan with subfolders: column 0 holds full paths.
        for (const char* name : {"00 - Intro", "01 - Song", "02 - Other"}) {
            FileRow row;
            row.FileText = row.Path = std::string("/music/Artist/Album/") + name + ".mp3";
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
        return nullptr;
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
        QCOMPARE(Control<QToolButton>(form, "SpeedButton1")->text(),
                 id3v1 ? QStringLiteral("ID3v 1") : QStringLiteral("ID3v 2"));
        QCOMPARE(form.height(), id3v1 ? 201 : 346);
        QCOMPARE(form.minimumHeight(), id3v1 ? 201 : 346);
        QCOMPARE(form.width(), 580);
        QCOMPARE(form.minimumWidth(), 580);
        QCOMPARE(Control<QPlainTextEdit>(form, "MemoTitles")->height(), id3v1 ? 117 : 241);
        QVERIFY(Control<QPlainTextEdit>(form, "MemoTitles")->isVisible());
        for (const char* name : kId3v1Fields) {
            QVERIFY2(Control(form, name)->isVisible(), name);
            QVERIFY2(LabelOf(form, Control(form, name))->isVisible(), name);
        }
        for (const char* name : kId3v2Fields) {
            QVERIFY2(Control(form, name)->isVisible() == !id3v1, name);
            QVERIFY2(LabelOf(form, Control(form, name))->isVisible() == !id3v1, name);
        }
        QCOMPARE(Control<QCheckBox>(form, "CheckBoxKillTags")->isVisible(), !id3v1);
        QCOMPARE(Control(form, "ComboBoxGenre")->isEditable(), !id3v1);
        for (const char* name : {"ComboBoxExArtist", "ComboBoxExAlbum", "ComboBoxExComment"}) {
            QVERIFY2((Control(form, name)->lineEdit()->maxLength() == 29) == id3v1, name);
        }
        // Every control still lies inside the dialog.
        for (QWidget* child : form.findChildren<QWidget*>()) {
            if (child->isVisible() && child->isWindow() == false && child->parentWidget() == &form) {
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
        QTest::addColumn<QString>("keys");  // "3": F3, "b": the mode button
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
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        CheckLayout(form, mode);
        for (QChar key : keys) {
            if (key == QLatin1Char('3')) {
                // Typed into a field: the key belongs to the dialog, not to the text.
                QTest::keyClick(Control(form, "ComboBoxExTitles")->lineEdit(), Qt::Key_F3);
            } else {
                QTest::mouseClick(Control<QToolButton>(form, "SpeedButton1"), Qt::LeftButton);
            }
            mode = 3 - mode;
            CheckLayout(form, mode);
        }
        QVERIFY(Control(form, "ComboBoxExTitles")->currentText().isEmpty());
    }

    void OpensWithEveryControlEmpty() {
        TWriteTagsForm form(Request(1), list, &host);
        QCOMPARE(form.windowTitle(), QStringLiteral("Пакетная запись в TAG'и. Выбрано файлов - 2"));
        QVERIFY(Control<QToolButton>(form, "SpeedButton1")->font().bold());
        QCOMPARE(form.minimumSize(), QSize(580, 201));
        for (const char* name : kId3v1Fields) {
            QCOMPARE(Control(form, name)->currentIndex(), -1);
            QCOMPARE(Control(form, name)->currentText(), QString());
        }
        for (const char* name : kId3v2Fields) {
            QVERIFY(Control(form, name)->isEditable());
            QCOMPARE(Control(form, name)->currentText(), QString());
        }
        auto* memo = Control<QPlainTextEdit>(form, "MemoTitles");
        QVERIFY(!memo->isEnabled());
        QCOMPARE(memo->toPlainText(), QStringLiteral("01 - Song\n02 - Other"));
        QCOMPARE(memo->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
        QCOMPARE(memo->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
        QVERIFY(!Control<QCheckBox>(form, "CheckBoxKillTags")->isChecked());
        QCOMPARE(form.Answer().MemoLines, (std::vector<std::string>{"01 - Song", "02 - Other"}));
    }

    void FieldsHaveTheirLabelsAndItems() {
        TWriteTagsForm form(Request(2), list, &host);
        const QStringList keepOnly{kKeep};
        struct Case {
            const char* name;
            const char* label;
            QStringList items;
        };
        const std::vector<Case> cases = {
            {"ComboBoxExTitles", "Title", {kKeep, kFromList, QStringLiteral("%p0n[6-]n[-4]%")}},
            {"ComboBoxExArtist", "Artist", {QStringLiteral("Artist"), kKeep}},
            {"ComboBoxExAlbum", "Album", {QStringLiteral("Album"), kKeep}},
            {"ComboBoxExYear", "Year", keepOnly},
            {"ComboBoxExComment", "Comment", keepOnly},
            {"ComboBoxExTrack",
             "Track",
             {kKeep, QStringLiteral("Удалить"), QStringLiteral("Записать в порядке выбранных файлов"),
              QStringLiteral("Записать в порядке всех отображенных файлов")}},
            {"ComboBoxExCommentOwner", "CommentOwner", keepOnly},
            {"ComboBoxExComposer", "Composer", keepOnly},
            {"ComboBoxExOrigArtist", "OrigArtist", keepOnly},
            {"ComboBoxExCopyright", "Copyright", keepOnly},
            {"ComboBoxExTIT1", "TIT1", keepOnly},
            {"ComboBoxExTSSE", "TSSE", keepOnly},
            {"ComboBoxExMCDI", "MCDI", keepOnly},
            {"ComboBoxExUFID", "UFID", keepOnly},
            {"ComboBoxExTXXX", "TXXX", keepOnly},
            {"ComboBoxExEncBy", "EncodedBy", keepOnly},
            {"ComboBoxExURL", "URL", keepOnly},
        };
        for (const Case& c : cases) {
            QCOMPARE(Items(Control(form, c.name)), c.items);
            QVERIFY2(LabelOf(form, Control(form, c.name)) != nullptr, c.name);
            QCOMPARE(LabelOf(form, Control(form, c.name))->text(), QString::fromLatin1(c.label));
        }
        QCOMPARE(LabelOf(form, Control(form, "ComboBoxGenre"))->text(), QStringLiteral("Genre"));
        QCOMPARE(Control<QCheckBox>(form, "CheckBoxKillTags")->text(), QStringLiteral("Удалить TAG'и ID3v1"));
        QCOMPARE(Control<QPushButton>(form, "BitBtnWrite")->text(), QStringLiteral("Начать"));
        QCOMPARE(Control<QPushButton>(form, "BitBtnCancel")->text(), QStringLiteral("Отмена"));
        // The hints of the keys.
        QCOMPARE(Control<QPushButton>(form, "BitBtnWrite")->toolTip(), QStringLiteral("F12"));
        QCOMPARE(Control<QPushButton>(form, "BitBtnCancel")->toolTip(), QStringLiteral("Ecape"));
        QCOMPARE(Control<QToolButton>(form, "SpeedButton1")->toolTip(), QStringLiteral("F3"));
        QCOMPARE(Control<QPlainTextEdit>(form, "MemoTitles")->toolTip(),
                 QStringLiteral("Нажмите F2, чтобы отсечь первые символы строк"));

        // The genres: the whole table in alphabetical order, then "keep" as item 148.
        QComboBox* genre = Control(form, "ComboBoxGenre");
        const QStringList genres = Items(genre);
        QCOMPARE(genres.size(), kGenreCount + 1);
        QCOMPARE(genres.last(), kKeep);
        QStringList table;
        for (const char* name : GenreTable) table << QString::fromLatin1(name);
        QStringList names = genres.mid(0, kGenreCount);
        QStringList sortedNames = names;
        std::sort(sortedNames.begin(), sortedNames.end(),
                  [](const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) < 0; });
        QCOMPARE(names, sortedNames);
        std::sort(names.begin(), names.end());
        std::sort(table.begin(), table.end());
        QCOMPARE(names, table);
        QCOMPARE(genres.mid(0, 3), (QStringList{"A Cappella", "Acid", "Acid Jazz"}));
        QCOMPARE(genre->maxVisibleItems(), 10);
    }

    void ParentAndFolderNamesFollowCurrentFolder_data() {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("artist");
        QTest::addColumn<QString>("album");
        QTest::newRow("two levels") << "/home/me/Music/Artist/Album"
                                    << "Artist"
                                    << "Album";
        QTest::newRow("Cyrillic") << "/Музыка/Кино/Группа крови"
                                  << "Кино"
                                  << "Группа крови";
        QTest::newRow("below the root") << "/Album"
                                        << ""
                                        << "Album";
    }
    void ParentAndFolderNamesFollowCurrentFolder() {
        QFETCH(QString, folder);
        QFETCH(QString, artist);
        QFETCH(QString, album);
        WriteTagsRequest request = Request(1);
        request.CurrentFolder = folder.toStdString();
        TWriteTagsForm form(request, list, &host);
        QCOMPARE(Items(Control(form, "ComboBoxExArtist")), (QStringList{artist, kKeep}));
        QCOMPARE(Items(Control(form, "ComboBoxExAlbum")), (QStringList{album, kKeep}));
    }

    void TabFollowsTheFields() {
        TWriteTagsForm form(Request(2), list, &host);
        form.show();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        // The memo takes part once it is enabled.
        Pick(Control(form, "ComboBoxExTitles"), 1, Qt::NoModifier);
        Control(form, "ComboBoxExTitles")->setFocus();
        QStringList expected;
        expected << "ComboBoxExTitles"
                 << "MemoTitles";
        for (const char* name : kId3v1Fields) {
            if (QLatin1String(name) != QLatin1String("ComboBoxExTitles")) expected << name;
        }
        for (const char* name : kId3v2Fields) expected << name;
        expected << "CheckBoxKillTags"
                 << "BitBtnWrite"
                 << "BitBtnCancel"
                 << "ComboBoxExTitles";
        QStringList visited;
        for (int i = 0; i < expected.size(); ++i) {
            QWidget* focus = QApplication::focusWidget();
            QVERIFY(focus != nullptr);
            // A field's edit line has the focus on behalf of its combo.
            if (qobject_cast<QLineEdit*>(focus) && qobject_cast<QComboBox*>(focus->parentWidget())) {
                focus = focus->parentWidget();
            }
            visited << focus->objectName();
            QTest::keyClick(focus, Qt::Key_Tab);
        }
        QCOMPARE(visited, expected);
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
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
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

        // Unchecking asks nothing; ID3v1 mode hides the box with its state, ID3v2 unchecks it.
        QTest::keyClick(box, Qt::Key_Space);
        QVERIFY(!box->isChecked());
        QTest::keyClick(box, Qt::Key_Space);  // no answers left: the fake says Ok
        QVERIFY(!box->isChecked());
        QCOMPARE(asked.Messages.size(), std::size_t{2});
        asked.Answers = {MessageResult::Yes};
        QTest::keyClick(box, Qt::Key_Space);
        QVERIFY(box->isChecked());
        QTest::keyClick(&form, Qt::Key_F3);
        QVERIFY(!box->isVisible());
        QVERIFY(form.Answer().KillTags);
        QTest::keyClick(&form, Qt::Key_F3);
        QVERIFY(box->isVisible());
        QVERIFY(!form.Answer().KillTags);
        QCOMPARE(asked.Messages.size(), std::size_t{3});
    }

    void KillTagsWithoutAHostAsksInAMessageBox() {
        TWriteTagsForm form(Request(2), list);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
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

    void F2CutsTheFirstCharacterOfTheListedLines() {
        WriteTagsRequest request = Request(1);
        // Three rows in the list: the fourth line is beyond them.
        request.MemoLines = {"01 - Song", "Ж2 - Другая", "", "04 - Beyond"};
        TWriteTagsForm form(request, list, &host);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        auto* memo = Control<QPlainTextEdit>(form, "MemoTitles");
        QVERIFY(!memo->isEnabled());
        // Once per press, from any control, the memo disabled.
        QTest::keyClick(Control(form, "ComboBoxExTitles")->lineEdit(), Qt::Key_F2);
        QTest::keyClick(Control(form, "ComboBoxExTrack")->lineEdit(), Qt::Key_F2);
        QCOMPARE(form.Answer().MemoLines, (std::vector<std::string>{" - Song", " - Другая", "", "04 - Beyond"}));
        QCOMPARE(Control(form, "ComboBoxExTitles")->currentText(), QString());
    }

    void HeldKeysActOnce() {
        TWriteTagsForm form(Request(1), list, &host);
        form.show();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        QLineEdit* field = Control(form, "ComboBoxExArtist")->lineEdit();
        field->setFocus();
        // The repeats of a held key do nothing.
        qt_sendShortcutOverrideEvent(field, 0, Qt::Key_F3, Qt::NoModifier, QString(), true);
        qt_sendShortcutOverrideEvent(field, 0, Qt::Key_F2, Qt::NoModifier, QString(), true);
        QCOMPARE(form.Mode(), 1);
        QCOMPARE(form.Answer().MemoLines, (std::vector<std::string>{"01 - Song", "02 - Other"}));
        qt_sendShortcutOverrideEvent(field, 0, Qt::Key_F3, Qt::NoModifier, QString(), false);
        QCOMPARE(form.Mode(), 2);
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
        form.show();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        QTest::keyClicks(Control(form, "ComboBoxExArtist")->lineEdit(), "%t3%");
        Control(form, "ComboBoxExTrack")->setCurrentIndex(2);
        Control(form, "ComboBoxGenre")->setCurrentIndex(3);

        QComboBox* titles = Control(form, "ComboBoxExTitles");
        Pick(titles, item, ctrl ? Qt::ControlModifier : Qt::NoModifier);
        QCOMPARE(titles->currentText(), titles->itemText(item));
        QCOMPARE(Control<QPlainTextEdit>(form, "MemoTitles")->isEnabled(), item == 1);

        const WriteTagsAnswer answer = form.Answer();
        const std::string keep = kKeep.toStdString();
        const std::string* const texts[] = {
            &answer.Album,      &answer.Year,      &answer.Comment,   &answer.CommentOwner, &answer.Composer,
            &answer.OrigArtist, &answer.Copyright, &answer.TIT1,      &answer.TSSE,         &answer.MCDI,
            &answer.UFID,       &answer.TXXX,      &answer.EncodedBy, &answer.URL};
        for (const std::string* text : texts) QCOMPARE(*text, everyField ? keep : std::string());
        QCOMPARE(answer.Artist, everyField ? keep : std::string("%t3%"));
        QCOMPARE(Control(form, "ComboBoxExTrack")->currentIndex(), everyField ? 0 : 2);
        QCOMPARE(Control(form, "ComboBoxGenre")->currentIndex(), everyField ? 148 : 3);
        QCOMPARE(answer.Genre, everyField ? keep : Control(form, "ComboBoxGenre")->itemText(3).toStdString());
    }

    void MemoFollowsTheTitlesText() {
        TWriteTagsForm form(Request(1), list, &host);
        QComboBox* titles = Control(form, "ComboBoxExTitles");
        auto* memo = Control<QPlainTextEdit>(form, "MemoTitles");
        for (int index : {1, 0, 1, 2}) {
            titles->setCurrentIndex(index);
            QCOMPARE(memo->isEnabled(), index == 1);
        }
        titles->setEditText(kFromList);
        QVERIFY(memo->isEnabled());
        titles->setEditText(kFromList + QLatin1Char(' '));
        QVERIFY(!memo->isEnabled());
    }

    void HintsPreviewTheFieldOnTheSampleRow_data() {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("hint");
        QTest::newRow("album from the folder") << "ComboBoxExAlbum"
                                               << "%p1%"
                                               << "Album";
        QTest::newRow("artist, two levels up") << "ComboBoxExArtist"
                                               << "%p2%"
                                               << "Artist";
        QTest::newRow("title of the first checked file") << "ComboBoxExTitles"
                                                         << "%p0n[6-]n[-4]%"
                                                         << "Song";
        QTest::newRow("track number") << "ComboBoxExTrack"
                                      << "%p0n[-11]%"
                                      << "01";
        QTest::newRow("plain text") << "ComboBoxExURL"
                                    << "http://x"
                                    << "http://x";
        QTest::newRow("rejected script") << "ComboBoxExComment"
                                         << "%p0n["
                                         << "Error";
        QTest::newRow("unclosed placeholder") << "ComboBoxExTIT1"
                                              << "%p1"
                                              << "Error";
    }
    void HintsPreviewTheFieldOnTheSampleRow() {
        QFETCH(QString, field);
        QFETCH(QString, typed);
        QFETCH(QString, hint);
        TWriteTagsForm form(Request(2), list, &host);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QComboBox* combo = Control(form, qPrintable(field));
        QCOMPARE(combo->toolTip(), QString());
        QTest::keyClicks(combo->lineEdit(), typed);
        QCOMPARE(combo->toolTip(), hint);
        combo->setCurrentIndex(combo->findText(kKeep));
        QCOMPARE(combo->toolTip(), kKeep);
    }

    void TheGenreHasNoPreview() {
        TWriteTagsForm form(Request(2), list, &host);
        form.show();
        QVERIFY(QTest::qWaitForWindowActive(&form));
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
    }

    void Id3v1CutsArtistAlbumAndCommentAt29() {
        TWriteTagsForm form(Request(1), list, &host);
        form.show();
        const QString typed = QStringLiteral("Абвгдежзийклмнопрстуфхцчшщъыь-40");  // 32 characters
        for (const char* name : {"ComboBoxExArtist", "ComboBoxExAlbum", "ComboBoxExComment", "ComboBoxExYear"}) {
            Control(form, name)->lineEdit()->insert(typed);  // as typed or pasted
        }
        const WriteTagsAnswer answer = form.Answer();
        QCOMPARE(QString::fromStdString(answer.Artist), typed.left(29));
        QCOMPARE(QString::fromStdString(answer.Album), typed.left(29));
        QCOMPARE(QString::fromStdString(answer.Comment), typed.left(29));
        QCOMPARE(QString::fromStdString(answer.Year), typed);
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
        form.show();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        Control(form, "ComboBoxExTitles")->setCurrentIndex(1);  // the memo takes the focus too
        QWidget* target = form.findChild<QWidget*>(focus);
        target->setFocus();
        QSignalSpy accepts(&form, &QDialog::accepted);
        QSignalSpy rejects(&form, &QDialog::rejected);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key(key));
        QCOMPARE(accepts.size(), accepted ? 1 : 0);
        QCOMPARE(rejects.size(), accepted ? 0 : 1);
        QCOMPARE(form.result(), accepted ? int(QDialog::Accepted) : int(QDialog::Rejected));
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
            // The keys reach the dialog as the active window (the offscreen platform leaves its owner active).
            form->activateWindow();
            QTRY_COMPARE(QApplication::activeWindow(), form);
            QTest::keyClick(form, Qt::Key_F3);  // ID3v1 to ID3v2
            QComboBox* titles = form->findChild<QComboBox*>(QStringLiteral("ComboBoxExTitles"));
            titles->setCurrentIndex(1);
            auto* memo = form->findChild<QPlainTextEdit*>(QStringLiteral("MemoTitles"));
            memo->setPlainText(QStringLiteral("First\nSecond\n"));
            for (QComboBox* combo : form->findChildren<QComboBox*>()) {
                if (combo == titles) continue;
                combo->setEditText(combo->objectName().mid(8) + QStringLiteral(" значение"));
            }
            QTest::keyClick(form->findChild<QCheckBox*>(QStringLiteral("CheckBoxKillTags")), Qt::Key_Space);
            QTest::keyClick(memo, Qt::Key_F12);
        });
        const std::optional<WriteTagsAnswer> answer = ShowWriteTagsForm(&window, Request(1), list, &asked);
        QVERIFY(answer.has_value());
        // 24 pixels below the window's top edge, centred across it.
        const QRect frame = window.frameGeometry();
        QCOMPARE(placed, QPoint(frame.left() + frame.width() / 2 - 580 / 2, frame.top() + 24));

        QCOMPARE(answer->Mode, 2);
        QCOMPARE(answer->Title, kFromList.toStdString());
        const std::pair<const std::string*, const char*> fields[] = {
            {&answer->Artist, "ExArtist"},
            {&answer->Album, "ExAlbum"},
            {&answer->Year, "ExYear"},
            {&answer->Genre, "Genre"},
            {&answer->Comment, "ExComment"},
            {&answer->Track, "ExTrack"},
            {&answer->CommentOwner, "ExCommentOwner"},
            {&answer->Composer, "ExComposer"},
            {&answer->OrigArtist, "ExOrigArtist"},
            {&answer->Copyright, "ExCopyright"},
            {&answer->TIT1, "ExTIT1"},
            {&answer->TSSE, "ExTSSE"},
            {&answer->MCDI, "ExMCDI"},
            {&answer->UFID, "ExUFID"},
            {&answer->TXXX, "ExTXXX"},
            {&answer->EncodedBy, "ExEncBy"},
            {&answer->URL, "ExURL"},
        };
        for (const auto& [text, name] : fields) QCOMPARE(*text, std::string(name) + " значение");
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
