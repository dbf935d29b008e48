// SettingsForm: the settings dialog ("Настройки"): every user setting on five tabs, filled from
// the settings record and, on OK, taken over into it; and ShowSettingsForm, which shows it modally
// for the dialog port.
#pragma once

#include <array>

#include <QDialog>

#include "settings/AppSettings.h"
#include "settings/SettingsDialog.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;
class QToolButton;
class QTabWidget;
class QWidget;

namespace tagmora {

// The items of the song-number list (AddPrefixHow).
inline constexpr std::array<const char*, 4> kAddPrefixHowItems = {"В порядке выбранных файлов",
                                                                  "В порядке всех отображенных файлов",
                                                                  "Взять из поля Track", "Нумерация для каждой папки"};
// The note shown when OK finds a start number that is not an integer.
inline constexpr const char* kStartNumberNote = "Введите целое число.";

class SettingsForm : public QDialog {
    Q_OBJECT
public:
    // Builds the five tabs ("Переименовывание" in front) and fills them from request.Settings:
    // the song-number list gets its items and AddPrefixHow, and the start-number rule runs once;
    // "File name" and "Title" are ticked and disabled, the other columns ticked from ShowItem;
    // then the two enabling rules run once.
    explicit SettingsForm(const SettingsDialogRequest& request, QWidget* parent = nullptr);

    // Centres the dialog on `window`.
    void PlaceOver(const QWidget& window);

    // OK: when the shown (and enabled) start number is not an integer, the dialog stays open with the note
    // kStartNumberNote under the number; otherwise the values are taken over (TakeOver) and the
    // dialog ends with OK.
    void accept() override;

    // The rules while the dialog is open.
    // The replacement edit is enabled only while "Заменять ..." is ticked.
    void ReplaceBannedClick();
    // The song-number list and the number edit are enabled only while "Добавлять номер ..." is ticked.
    void AddPrefixClick();
    // "начиная с " and the number edit are shown only for the list's items 0 and 1.
    void AddPrefixHowChange();
    // The replacement edit is emptied when its text is exactly one character of BannedChars.
    void ReplaceSymbolChange();
    // ">>": the folder picker; a chosen folder becomes StartDir at once; the edit shows StartDir.
    void BrowseClick();
    // The number edit's arrows and its Up and Down keys: the number plus `step` (a text that is no
    // number counts as 0; the 32-bit range is not left).
    void StepStartNumber(int step);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildRenameTab(QTabWidget* tabs);
    void BuildViewTab(QTabWidget* tabs);
    void BuildReadTab(QTabWidget* tabs);
    void BuildExtraTab(QTabWidget* tabs);
    void BuildShellTab(QTabWidget* tabs);
    void Fill();
    // Takes the values over into the settings, in the documented order.
    void TakeOver();

    const SettingsDialogRequest& request_;
    QTabWidget* PageControl = nullptr;
    QCheckBox* AddPrefixCheck = nullptr;
    QComboBox* AddPrefixHowCombo = nullptr;
    QLabel* StartLabel = nullptr;
    QLineEdit* AddPrefixStartEdit = nullptr;
    // The up-down arrows of the number edit: up, down.
    std::array<QToolButton*, 2> StartArrows{};
    QLabel* StartNumberNote = nullptr;
    QCheckBox* AddPrefixArtistCheck = nullptr;
    QCheckBox* AddPrefixAlbumCheck = nullptr;
    QLineEdit* AddPrefixSeparatorEdit = nullptr;
    QCheckBox* ReplaceBannedCheck = nullptr;
    QLineEdit* ReplaceSymbolEdit = nullptr;
    QCheckBox* ResizeTabHeadersCheck = nullptr;
    QCheckBox* ShowGridCheck = nullptr;
    std::array<QRadioButton*, 4> ReadSequence{};
    QListWidget* ShowItemList = nullptr;
    QCheckBox* TryChangeAttrsCheck = nullptr;
    QCheckBox* IncludeSubDirsCheck = nullptr;
    QLineEdit* ScriptSeparatorEdit = nullptr;
    QLineEdit* StartDirEdit = nullptr;
    QPushButton* BrowseButton = nullptr;
    QComboBox* TagCodePageCombo = nullptr;
    QLineEdit* EnqueueCommandEdit = nullptr;
    QCheckBox* UseShellCallCheck = nullptr;
    QPushButton* OkButton = nullptr;
    QPushButton* CancelButton = nullptr;
};

// Shows SettingsForm modally, centred over `parent`'s window; true when it ended with OK.
bool ShowSettingsForm(QWidget* parent, const SettingsDialogRequest& request);

}  // namespace tagmora
