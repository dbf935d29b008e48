// The settings dialog, headless: its tabs, texts and lists; filling the controls from the settings
// and taking them over on OK (both directions for two different records); "File name" and "Title"
// always ticked; the enabling and visibility rules; the replacement character; ">>" with cancel;
// F1; the start number's validation; the placement.
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>
#include <QTabWidget>
#include <QtTest>

#include <string>
#include <vector>

#include "settings/AppSettings.h"
#include "settings/SettingsForm.h"

namespace tagmora {
namespace {

// Two records that differ in every field the dialog shows.
AppSettings First() {
    AppSettings s;
    ApplyFirstRunDefaults(s, DesignedColumnWidths());
    s.AddPrefixArtist = false;
    s.AddPrefixAlbum = true;
    s.StartDir = "/music/Старое";
    s.UseShellCall = false;
    s.TagCodePage = 1251;
    s.EnqueueCommand = "";
    s.Path = "/opt/tm";
    return s;
}

AppSettings Second() {
    AppSettings s = First();
    s.ReplaceBannedSymbols = false;
    s.AddPrefix = false;
    s.AddPrefixHow = 0;
    s.AddPrefixStart = -17;
    s.AddPrefixArtist = true;
    s.AddPrefixAlbum = false;
    s.AddPrefixSeparator = " — ";
    s.StartDir = "/home/u/Музыка";
    s.UseShellCall = true;
    s.TryChangeAttrs = false;
    s.ResizeTabHeaders = false;
    s.ShowGrid = false;
    s.ReplaceSymbol = "_";
    s.TAGReadSequence = 3;
    s.ScriptSeparator = "$";
    for (std::size_t c = 0; c < 21; ++c) s.ShowItem[c] = (c % 3 == 0 || c < 2) ? 1 : 0;
    s.IncludeSubDirs = false;
    s.TagCodePage = 1252;
    s.EnqueueCommand = "vlc --enqueue";
    return s;
}

template <class T>
T* Find(QWidget& form, const char* name) {
    T* widget = form.findChild<T*>(QString::fromLatin1(name));
    if (widget == nullptr) qFatal("no control %s", name);
    return widget;
}

QString Q(const std::string& text) { return QString::fromStdString(text); }

// The controls' state, read as the settings record they show.
AppSettings Shown(QWidget& f, const AppSettings& base) {
    AppSettings s = base;
    s.AddPrefix = Find<QCheckBox>(f, "AddPrefixCheck")->isChecked();
    s.AddPrefixHow = Find<QComboBox>(f, "AddPrefixHowCombo")->currentIndex();
    s.AddPrefixStart = Find<QLineEdit>(f, "AddPrefixStartEdit")->text().toInt();
    s.AddPrefixArtist = Find<QCheckBox>(f, "AddPrefixArtistCheck")->isChecked();
    s.AddPrefixAlbum = Find<QCheckBox>(f, "AddPrefixAlbumCheck")->isChecked();
    s.AddPrefixSeparator = Find<QLineEdit>(f, "AddPrefixSeparatorEdit")->text().toStdString();
    s.ReplaceBannedSymbols = Find<QCheckBox>(f, "ReplaceBannedCheck")->isChecked();
    s.ReplaceSymbol = Find<QLineEdit>(f, "ReplaceSymbolEdit")->text().toStdString();
    s.ResizeTabHeaders = Find<QCheckBox>(f, "ResizeTabHeadersCheck")->isChecked();
    s.ShowGrid = Find<QCheckBox>(f, "ShowGridCheck")->isChecked();
    for (int i = 0; i < 4; ++i) {
        if (Find<QRadioButton>(f, QStringLiteral("ReadSequence%1").arg(i).toLatin1().constData())->isChecked())
            s.TAGReadSequence = i;
    }
    auto* list = Find<QListWidget>(f, "ShowItemList");
    for (int c = 0; c < 21; ++c) s.ShowItem[static_cast<std::size_t>(c)] = list->item(c)->checkState() == Qt::Checked;
    s.TryChangeAttrs = Find<QCheckBox>(f, "TryChangeAttrsCheck")->isChecked();
    s.IncludeSubDirs = Find<QCheckBox>(f, "IncludeSubDirsCheck")->isChecked();
    s.ScriptSeparator = Find<QLineEdit>(f, "ScriptSeparatorEdit")->text().toStdString();
    s.StartDir = Find<QLineEdit>(f, "StartDirEdit")->text().toStdString();
    s.TagCodePage = Find<QComboBox>(f, "TagCodePageCombo")->currentText().toInt();
    s.EnqueueCommand = Find<QLineEdit>(f, "EnqueueCommandEdit")->text().toStdString();
    s.UseShellCall = Find<QCheckBox>(f, "UseShellCallCheck")->isChecked();
    return s;
}

// Sets the controls as the user would to show `s`.
void Enter(QWidget& f, const AppSettings& s) {
    Find<QCheckBox>(f, "AddPrefixCheck")->setChecked(s.AddPrefix);
    Find<QComboBox>(f, "AddPrefixHowCombo")->setCurrentIndex(s.AddPrefixHow);
    Find<QLineEdit>(f, "AddPrefixStartEdit")->setText(QString::number(s.AddPrefixStart));
    Find<QCheckBox>(f, "AddPrefixArtistCheck")->setChecked(s.AddPrefixArtist);
    Find<QCheckBox>(f, "AddPrefixAlbumCheck")->setChecked(s.AddPrefixAlbum);
    Find<QLineEdit>(f, "AddPrefixSeparatorEdit")->setText(Q(s.AddPrefixSeparator));
    Find<QCheckBox>(f, "ReplaceBannedCheck")->setChecked(s.ReplaceBannedSymbols);
    Find<QLineEdit>(f, "ReplaceSymbolEdit")->setText(Q(s.ReplaceSymbol));
    Find<QCheckBox>(f, "ResizeTabHeadersCheck")->setChecked(s.ResizeTabHeaders);
    Find<QCheckBox>(f, "ShowGridCheck")->setChecked(s.ShowGrid);
    Find<QRadioButton>(f, QStringLiteral("ReadSequence%1").arg(s.TAGReadSequence).toLatin1().constData())
        ->setChecked(true);
    auto* list = Find<QListWidget>(f, "ShowItemList");
    for (int c = 2; c < 21; ++c) {
        list->item(c)->setCheckState(s.ShowItem[static_cast<std::size_t>(c)] ? Qt::Checked : Qt::Unchecked);
    }
    Find<QCheckBox>(f, "TryChangeAttrsCheck")->setChecked(s.TryChangeAttrs);
    Find<QCheckBox>(f, "IncludeSubDirsCheck")->setChecked(s.IncludeSubDirs);
    Find<QLineEdit>(f, "ScriptSeparatorEdit")->setText(Q(s.ScriptSeparator));
    Find<QLineEdit>(f, "StartDirEdit")->setText(Q(s.StartDir));
    Find<QComboBox>(f, "TagCodePageCombo")->setCurrentText(QString::number(s.TagCodePage));
    Find<QLineEdit>(f, "EnqueueCommandEdit")->setText(Q(s.EnqueueCommand));
    Find<QCheckBox>(f, "UseShellCallCheck")->setChecked(s.UseShellCall);
}

SettingsDialogRequest Request(AppSettings& settings) { return {settings, {}, {}}; }

}  // namespace

class SettingsFormTest : public QObject {
    Q_OBJECT

private slots:
    void tabsTextsAndLists() {
        AppSettings settings = First();
        const SettingsDialogRequest request = Request(settings);
        SettingsForm form(request);
        QCOMPARE(form.windowTitle(), QStringLiteral("Настройки"));
        auto* tabs = Find<QTabWidget>(form, "PageControl");
        const QStringList captions = {QStringLiteral("Переименовывание"), QStringLiteral("Вид"),
                                      QStringLiteral("Чтение TAG'ов"), QStringLiteral("Дополнительно"),
                                      QStringLiteral("Интеграция с оболочкой")};
        QCOMPARE(tabs->count(), captions.size());
        for (int i = 0; i < tabs->count(); ++i) QCOMPARE(tabs->tabText(i), captions[i]);
        QCOMPARE(tabs->currentIndex(), 0);
        QCOMPARE(form.minimumSize(), form.maximumSize());

        const std::vector<std::pair<const char*, QString>> texts = {
            {"AddPrefixCheck", QStringLiteral("Добавлять номер песни перед названием песни")},
            {"StartLabel", QStringLiteral("начиная с ")},
            {"AddPrefixArtistCheck", QStringLiteral("Добавлять исполнителя")},
            {"AddPrefixAlbumCheck", QStringLiteral("Добавлять название альбома")},
            {"ReplaceBannedCheck", QStringLiteral("Заменять недопустимые для имен файлов символы на")},
            {"ResizeTabHeadersCheck", QStringLiteral("Подгонять заголовки табуляторов под строки")},
            {"ShowGridCheck", QStringLiteral("Показывать сетку")},
            {"ReadSequenceGroup", QStringLiteral("Порядок чтения  TAG'ов")},
            {"ReadSequence0", QStringLiteral("Читать только ID3 v1")},
            {"ReadSequence1", QStringLiteral("Читать только ID3 v2")},
            {"ReadSequence2", QStringLiteral("Сперва ID3 v2, если пустой, то ID3 v1")},
            {"ReadSequence3", QStringLiteral("Сперва ID3 v1, если пустой, то ID3 v2")},
            {"TryChangeAttrsCheck", QStringLiteral("При необходимости снимать атрибут \"Только чтение\" с файлов")},
            {"IncludeSubDirsCheck", QStringLiteral("При выборе директории просматривать подкаталоги")},
            {"BrowseButton", QStringLiteral(">>")},
            {"UseShellCallCheck", QStringLiteral("Вызов программы из контекстного меню проводника для директорий")},
            {"OkButton", QStringLiteral("Ok")},
            {"CancelButton", QStringLiteral("Отмена")},
        };
        for (const auto& [name, text] : texts) {
            QWidget* widget = Find<QWidget>(form, name);
            const QVariant shown = widget->property(qobject_cast<QGroupBox*>(widget) ? "title" : "text");
            QCOMPARE(shown.toString(), text);
        }
        QCOMPARE(Find<QCheckBox>(form, "AddPrefixCheck")->toolTip(),
                 QStringLiteral("Это нужно, чтобы сохранить последовательность песен в альбоме"));
        QCOMPARE(Find<QCheckBox>(form, "ReplaceBannedCheck")->toolTip(),
                 QStringLiteral("Названия песен могут содержать такие символы, как *,\\, и т. д."));
        QCOMPARE(Find<QLineEdit>(form, "ReplaceSymbolEdit")->maxLength(), 1);
        QCOMPARE(Find<QLineEdit>(form, "ScriptSeparatorEdit")->maxLength(), 1);
        QVERIFY(!Find<QComboBox>(form, "AddPrefixHowCombo")->isEditable());

        // The labels of the edits, found by their texts.
        QStringList labels;
        for (const QLabel* label : form.findChildren<QLabel*>()) labels << label->text();
        for (const char* label :
             {"Разделитель:", "Разделитель скриптов", "Начинать обзор каталогов с директории:",
              "При чтении показывать:", "Кодовая страница TAG'ов ID3v1:", "Команда постановки в очередь плеера:"}) {
            QVERIFY2(labels.contains(QString::fromUtf8(label)), label);
        }

        auto* how = Find<QComboBox>(form, "AddPrefixHowCombo");
        QCOMPARE(how->count(), 4);
        for (int i = 0; i < 4; ++i) QCOMPARE(how->itemText(i), QString::fromUtf8(kAddPrefixHowItems[i]));
        const QStringList columns = {"File name", "Title",     "Album",    "Artist",   "Year",       "Track",
                                     "ID3v",      "Genre",     "Comment",  "Composer", "OrigArtist", "Copyright",
                                     "Url",       "EncodedBy", "TAGOwner", "TXXX",     "UFID",       "MCDI",
                                     "TSSE",      "TIT1",      "File size"};
        auto* list = Find<QListWidget>(form, "ShowItemList");
        QCOMPARE(list->count(), columns.size());
        for (int c = 0; c < list->count(); ++c) QCOMPARE(list->item(c)->text(), columns[c]);
        auto* codePages = Find<QComboBox>(form, "TagCodePageCombo");
        QCOMPARE(codePages->count(), 2);
        QCOMPARE(codePages->itemText(0), QStringLiteral("1251"));
        QCOMPARE(codePages->itemText(1), QStringLiteral("1252"));
        QCOMPARE(Find<QLineEdit>(form, "EnqueueCommandEdit")->placeholderText(), QStringLiteral("audacious -e"));
    }

    // Each record fills the controls, and the controls set to the other record are taken over as
    // that record: every control is tied to its own field, in both directions.
    void fillingAndTakingOver() {
        const AppSettings records[] = {First(), Second()};
        for (int i = 0; i < 2; ++i) {
            const AppSettings& from = records[i];
            const AppSettings& to = records[1 - i];
            AppSettings settings = from;
            const SettingsDialogRequest request = Request(settings);
            SettingsForm form(request);
            QCOMPARE(Shown(form, from), from);
            Enter(form, to);
            form.accept();
            QCOMPARE(form.result(), int(QDialog::Accepted));
            QCOMPARE(settings, to);
        }
    }

    void fileNameAndTitleAreAlwaysTicked() {
        AppSettings settings = First();
        settings.ShowItem.fill(0);
        settings.ShowItem[21] = 7;  // the spare entry is left alone
        const SettingsDialogRequest request = Request(settings);
        SettingsForm form(request);
        auto* list = Find<QListWidget>(form, "ShowItemList");
        for (int c = 0; c < 21; ++c) {
            QCOMPARE(list->item(c)->checkState(), c < 2 ? Qt::Checked : Qt::Unchecked);
            QCOMPARE(bool(list->item(c)->flags() & Qt::ItemIsEnabled), c >= 2);
        }
        form.accept();
        QCOMPARE(settings.ShowItem[0], std::uint8_t{1});
        QCOMPARE(settings.ShowItem[1], std::uint8_t{1});
        for (std::size_t c = 2; c < 21; ++c) QCOMPARE(settings.ShowItem[c], std::uint8_t{0});
        QCOMPARE(settings.ShowItem[21], std::uint8_t{7});
    }

    void enablingRulesFollowTheirBoxes() {
        AppSettings settings = First();
        settings.AddPrefix = false;
        settings.ReplaceBannedSymbols = false;
        const SettingsDialogRequest request = Request(settings);
        SettingsForm form(request);
        form.show();
        auto* addPrefix = Find<QCheckBox>(form, "AddPrefixCheck");
        auto* replace = Find<QCheckBox>(form, "ReplaceBannedCheck");
        auto* how = Find<QComboBox>(form, "AddPrefixHowCombo");
        auto* start = Find<QLineEdit>(form, "AddPrefixStartEdit");
        auto* up = Find<QToolButton>(form, "AddPrefixStartUp");
        auto* symbol = Find<QLineEdit>(form, "ReplaceSymbolEdit");
        for (int click = 0; click < 3; ++click) {
            const bool prefixOn = click % 2 == 1;
            QCOMPARE(how->isEnabled(), prefixOn);
            QCOMPARE(start->isEnabled(), prefixOn);
            QCOMPARE(up->isEnabled(), prefixOn);
            QCOMPARE(symbol->isEnabled(), prefixOn);
            QTest::mouseClick(addPrefix, Qt::LeftButton, {}, QPoint(5, addPrefix->height() / 2));
            QTest::mouseClick(replace, Qt::LeftButton, {}, QPoint(5, replace->height() / 2));
        }
    }

    void startNumberShowsOnlyForTheFirstTwoWays() {
        for (int filled = 0; filled < 4; ++filled) {
            AppSettings settings = First();
            settings.AddPrefixHow = filled;
            const SettingsDialogRequest request = Request(settings);
            SettingsForm form(request);
            auto* how = Find<QComboBox>(form, "AddPrefixHowCombo");
            auto* label = Find<QLabel>(form, "StartLabel");
            auto* start = Find<QLineEdit>(form, "AddPrefixStartEdit");
            auto* down = Find<QToolButton>(form, "AddPrefixStartDown");
            QCOMPARE(how->currentIndex(), filled);
            for (int chosen : {filled, 2, 0, 3, 1}) {
                how->setCurrentIndex(chosen);
                QCOMPARE(label->isHidden(), chosen >= 2);
                QCOMPARE(start->isHidden(), chosen >= 2);
                QCOMPARE(down->isHidden(), chosen >= 2);
            }
        }
    }

    void bannedCharactersEmptyTheReplacementEdit() {
        AppSettings settings = First();
        const SettingsDialogRequest request = Request(settings);
        SettingsForm form(request);
        form.show();
        auto* symbol = Find<QLineEdit>(form, "ReplaceSymbolEdit");
        for (const char c : std::string("/|\\?;*\"<>:")) {
            symbol->clear();
            QTest::keyClicks(symbol, QString(QLatin1Char(c)));
            QVERIFY2(symbol->text().isEmpty(), std::string(1, c).c_str());
        }
        for (const QString& kept :
             {QStringLiteral("_"), QStringLiteral(" "), QStringLiteral("ё"), QStringLiteral("%")}) {
            symbol->clear();
            // Typed keys carry Latin-1 only: the Cyrillic letter is inserted as an input method would.
            if (kept.at(0).unicode() < 0x80) QTest::keyClicks(symbol, kept);
            else symbol->insert(kept);
            QCOMPARE(symbol->text(), kept);
        }
    }

    void browseTakesTheFolderAtOnceAndCancelKeepsIt() {
        AppSettings settings = First();
        std::vector<std::string> answers = {"/picked/Новая"};
        int asked = 0;
        const SettingsDialogRequest request{settings,
                                            [&](std::string& folder) {
                                                ++asked;
                                                if (answers.empty()) return false;
                                                folder = answers.front();
                                                answers.erase(answers.begin());
                                                return true;
                                            },
                                            {}};
        SettingsForm form(request);
        auto* edit = Find<QLineEdit>(form, "StartDirEdit");
        Find<QPushButton>(form, "BrowseButton")->click();
        QCOMPARE(asked, 1);
        QCOMPARE(settings.StartDir, std::string("/picked/Новая"));
        QCOMPARE(edit->text(), QStringLiteral("/picked/Новая"));
        // A picker closed without a folder: the edit shows StartDir again, whatever was typed.
        edit->setText(QStringLiteral("/typed"));
        Find<QPushButton>(form, "BrowseButton")->click();
        QCOMPARE(asked, 2);
        QCOMPARE(edit->text(), QStringLiteral("/picked/Новая"));
        Find<QCheckBox>(form, "ShowGridCheck")->setChecked(!settings.ShowGrid);
        const AppSettings before = settings;
        form.reject();
        QCOMPARE(settings, before);
        QCOMPARE(settings.StartDir, std::string("/picked/Новая"));
    }

    void f1OpensTheHelp() {
        AppSettings settings = First();
        int helps = 0;
        const SettingsDialogRequest request{settings, {}, [&] { ++helps; }};
        SettingsForm form(request);
        form.show();
        form.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        QTest::keyClick(Find<QLineEdit>(form, "AddPrefixSeparatorEdit"), Qt::Key_F1);
        QCOMPARE(helps, 1);
    }

    void startNumberMustBeAnInteger() {
        AppSettings settings = First();
        settings.AddPrefixHow = 1;
        settings.AddPrefixStart = 5;
        const SettingsDialogRequest request = Request(settings);
        SettingsForm form(request);
        form.show();
        auto* line = Find<QLineEdit>(form, "AddPrefixStartEdit");
        auto* note = Find<QLabel>(form, "StartNumberNote");
        auto* ok = Find<QPushButton>(form, "OkButton");
        QVERIFY(note->isHidden());
        // Letters are refused as they are typed.
        line->selectAll();
        QTest::keyClicks(line, QStringLiteral("a1b2"));
        QCOMPARE(line->text(), QStringLiteral("12"));
        // The arrows and the Up and Down keys step the number.
        QTest::keyClick(line, Qt::Key_Up);
        QCOMPARE(line->text(), QStringLiteral("13"));
        Find<QToolButton>(form, "AddPrefixStartDown")->click();
        Find<QToolButton>(form, "AddPrefixStartDown")->click();
        QCOMPARE(line->text(), QStringLiteral("11"));
        for (const QString& bad : {QString(), QStringLiteral("-")}) {
            Find<QTabWidget>(form, "PageControl")->setCurrentIndex(3);
            line->selectAll();
            QTest::keyClick(line, Qt::Key_Delete);
            QTest::keyClicks(line, bad);
            // OK clicked with the mouse: the focus leaves the edit first, its text stays.
            QTest::mouseClick(ok, Qt::LeftButton);
            QCOMPARE(line->text(), bad);
            QVERIFY(form.isVisible());
            QVERIFY(!note->isHidden());
            QCOMPARE(note->text(), QString::fromUtf8(kStartNumberNote));
            QCOMPARE(Find<QTabWidget>(form, "PageControl")->currentIndex(), 0);
            QCOMPARE(settings.AddPrefixStart, 5);
        }
        // Typing hides the note; the digits after the "-" left in the edit make a number to take over.
        QTest::keyClicks(line, QStringLiteral("42"));
        QVERIFY(note->isHidden());
        QTest::keyClick(line, Qt::Key_Return);
        QCOMPARE(form.result(), int(QDialog::Accepted));
        QCOMPARE(settings.AddPrefixStart, -42);
    }

    // A hidden start number that is not an integer does not hold OK; the number stays as it was.
    void hiddenStartNumberKeepsTheNumber() {
        AppSettings settings = First();
        settings.AddPrefixStart = 5;
        const SettingsDialogRequest request = Request(settings);
        SettingsForm form(request);
        auto* line = Find<QLineEdit>(form, "AddPrefixStartEdit");
        line->setText(QStringLiteral("-"));
        Find<QComboBox>(form, "AddPrefixHowCombo")->setCurrentIndex(2);
        form.accept();
        QCOMPARE(form.result(), int(QDialog::Accepted));
        QCOMPARE(settings.AddPrefixStart, 5);
        QCOMPARE(settings.AddPrefixHow, 2);
    }

    void placedInTheMiddleOfTheWindow() {
        QWidget window;
        window.setGeometry(100, 80, 900, 700);
        window.show();
        AppSettings settings = First();
        const SettingsDialogRequest request = Request(settings);
        SettingsForm form(request, &window);
        form.PlaceOver(window);
        const QPoint centre = form.frameGeometry().center();
        QVERIFY(std::abs(centre.x() - window.frameGeometry().center().x()) <= 1);
        QVERIFY(std::abs(centre.y() - window.frameGeometry().center().y()) <= 1);
    }
};

}  // namespace tagmora

QTEST_MAIN(tagmora::SettingsFormTest)
#include "SettingsFormTest.moc"
