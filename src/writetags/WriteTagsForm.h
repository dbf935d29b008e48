// TWriteTagsForm: the batch tag dialog (what to write into each tag field of the checked files, in an
// ID3v1 or an ID3v2 layout), and ShowWriteTagsForm, which shows it modally for the dialog port.
#pragma once

#include <array>
#include <functional>
#include <optional>
#include <string>

#include <QDialog>

#include "writetags/WriteTagsDialog.h"

class QCheckBox;
class QEvent;
class QGridLayout;
class QHBoxLayout;
class QComboBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QToolButton;
class QVBoxLayout;
class QWidget;

namespace tagmora {

class FileList;
class Host;

class TWriteTagsForm : public QDialog {
    Q_OBJECT
public:
    // The dialog's sizes, those of the widget itself (the window manager's frame comes on top): 580
    // wide and at least 580 x 192; the height of each layout is also its minimum height.
    static constexpr int kWidth = 580;
    static constexpr int kMinHeight = 192;
    static constexpr int kId3v1Height = 201;
    static constexpr int kId3v1MemoHeight = 117;
    static constexpr int kId3v2Height = 446;
    static constexpr int kId3v2MemoHeight = 341;
    // The cover preview's side.
    static constexpr int kCoverPreviewSide = 96;

    // Every field starts empty with nothing selected; the Artist and Album lists offer the names of
    // the parent of request.CurrentFolder and of the folder itself. The memo holds request.MemoLines
    // (disabled), the caption ends with request.CheckedCount, and the layout is request.Mode's.
    // Previews run CheckScript on request.SampleRow of `list`. The kill-tags question goes to
    // `host` when given, otherwise to a message box owned by the dialog.
    TWriteTagsForm(const WriteTagsRequest& request, const FileList& list, Host* host = nullptr,
                   QWidget* parent = nullptr);

    // Mode set-up: 1 the ID3v1 layout (seven fields, 201 pixels high, Artist, Album and Comment
    // limited to 29 characters, genre picked from the list only, the cover and the kill-tags box
    // hidden with their state kept), 2 the ID3v2 layout (eighteen fields and the cover with its
    // preview, 446 pixels, genre editable, the kill-tags box shown and unchecked).
    void SetUpMode(int mode);
    // 1 or 2, as the caption of SpeedButton1 shows ("ID3v 1", "ID3v 2").
    int Mode() const;

    // What the batch tag writer reads after OK: every field's text, the memo lines, the kill-tags
    // box, the mode and the cover (its keyword, or the path of the picture file chosen).
    WriteTagsAnswer Answer() const;

    // Asks for the picture file of "Из файла..." (starting in the preview row's folder): its path,
    // "" when cancelled. ChoosePictureFile (CoverForm.h) unless a test puts in its own.
    std::function<std::string(QWidget* parent, const std::string& folder)> ChoosePicture;

    // Moves the dialog 24 pixels below the top edge of `window`, centred horizontally on it.
    void PlaceOver(const QWidget& window);

    // SpeedButton1 and F3: switches to the other mode.
    void SpeedButton1Click();
    // F2: every memo line within the list's row count loses its first character.
    void MemoTitlesCutFirstChars();
    // An item picked in ComboBoxExTitles; with Ctrl held on "Оставить как есть" every field keeps.
    void ComboBoxExTitlesSelect();
    // CheckBoxKillTags toggled: checking asks whether to go on; any answer but Yes unchecks it.
    void CheckBoxKillTagsClick(bool checked);

    // "Начать": closes the dialog with OK, unless a field holds a malformed script; then the box
    // names the field and the dialog stays open.
    void accept() override;

protected:
    // Escape cancels the dialog (BitBtnCancel), once per press, when no list of a field is open.
    void keyPressEvent(QKeyEvent* event) override;
    // Typing into the genre combo while it is pick-only opens its list at the typed text.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The dialog's groups of controls, built by the constructor in turn.
    QVBoxLayout* BuildTitleColumn();
    QVBoxLayout* BuildFields();
    QHBoxLayout* BuildButtons();
    void SetTabOrder();
    void FillItems(const WriteTagsRequest& request);
    void ConnectControls();
    void AddKeys();
    // A labelled field at (row, column) of the grid, the combo over `span` columns.
    QComboBox* AddField(const char* name, const char* label, int row, int column, int span = 1);
    bool AskKillTags();
    // The cover field: the label, the combo and the preview in row `row` of the grid.
    void AddCoverField(int row);
    // An item picked in ComboBoxCover; "Из файла..." asks for a picture file, cancelling goes back.
    void ComboBoxCoverChange(int index);
    // The picture the write would set, or the sample row's front cover while the cover is kept.
    void ShowCoverPreview();
    // The row the previews read: the request's sample row, else the first checked row (-1: none).
    int PreviewRow() const;

    const FileList& list_;
    int sampleRow_;
    Host* host_;

    QComboBox* ComboBoxExTitles;
    QPlainTextEdit* MemoTitles;
    QComboBox* ComboBoxExArtist;
    QComboBox* ComboBoxExAlbum;
    QComboBox* ComboBoxExYear;
    QComboBox* ComboBoxGenre;
    QComboBox* ComboBoxExComment;
    QComboBox* ComboBoxExTrack;
    // The ID3v2-only fields, in their order among the dialog's fields (kAnswerColumns).
    std::array<QComboBox*, 11> id3v2Fields_{};
    std::array<QLabel*, 11> id3v2Labels_{};
    QLabel* LabelCover;
    QComboBox* ComboBoxCover;
    QLabel* ImageCover;
    // The cover item before the current one, for a cancelled choice of a picture file.
    int coverIndex_ = 0;
    // The preview row's front cover, read once when the cover is first shown.
    std::optional<std::string> sampleCover_;
    QCheckBox* CheckBoxKillTags;
    QPushButton* BitBtnWrite;
    QPushButton* BitBtnCancel;
    QToolButton* SpeedButton1;
    QGridLayout* fields_ = nullptr;
};

// Shows TWriteTagsForm modally over `parent` (placed on its window) for one request; the answer
// when it closes with OK ("Начать", F12), nothing when it closes any other way.
std::optional<WriteTagsAnswer> ShowWriteTagsForm(QWidget* parent, const WriteTagsRequest& request, const FileList& list,
                                                 Host* host = nullptr);

}  // namespace tagmora
