// TWriteTagsForm and ShowWriteTagsForm.
#include "writetags/WriteTagsForm.h"

#include "writetags/TagWriteBatch.h"
#include "writetags/CoverForm.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QCompleter>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShortcut>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "common/FileHelpers.h"
#include "common/FixedSizeForm.h"
#include "common/Messages.h"
#include "common/Ports.h"
#include "common/Text.h"
#include "filelist/FileList.h"
#include "script/Script.h"
#include "tags/Genres.h"
#include "tags/Id3v1.h"
#include "tags/Pictures.h"
#include "tags/TagFields.h"
#include "writetags/WriteTagsKeywords.h"

namespace tagmora {
namespace {

QString FromView(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

const QString kKeep = FromView(kKeepAsIs);
const QString kFromList = FromView(kTakeFromList);
const QString kModeId3v1 = QStringLiteral("ID3v 1");
const QString kModeId3v2 = QStringLiteral("ID3v 2");
constexpr const char* kKillTagsQuestion = "Будут удалены ID3 v1 в выбранных файлах. Продолжить?";
// QLineEdit's own default: no limit worth the name.
constexpr int kNoTextLimit = 32767;
// The cover items by their place in kCoverItems; a chosen picture file is the item after them.
constexpr int kCoverKeepIndex = 0;
constexpr int kCoverFileIndex = 1;
constexpr int kCoverFolderIndex = 2;
constexpr int kCoverChosenIndex = static_cast<int>(kCoverItems.size());

// The genre names in alphabetical order: by code point, A-Z folded, as the list sorts.
std::vector<std::string> SortedGenres() {
    std::vector<std::string> names(GenreTable.begin(), GenreTable.end());
    std::stable_sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
        return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
            return static_cast<unsigned char>(text::AsciiLower(x)) < static_cast<unsigned char>(text::AsciiLower(y));
        });
    });
    return names;
}

// An editable field combo: typed text is kept as typed, nothing is completed or added to the list.
void MakeField(QComboBox* combo) {
    combo->setEditable(true);
    combo->setInsertPolicy(QComboBox::NoInsert);
    combo->setCompleter(nullptr);
    // Long items must not widen the dialog; the opened list is as wide as its longest item.
    combo->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    combo->setMinimumContentsLength(6);
    combo->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    // A picked item shows from its start ("Оставить как е" rather than "ть как есть"); the
    // tooltip and the open list show it whole.
    QObject::connect(combo, &QComboBox::currentIndexChanged, combo, [combo] {
        if (combo->lineEdit() != nullptr) combo->lineEdit()->setCursorPosition(0);
    });
}

void AddItems(QComboBox* combo, const QStringList& items) {
    for (const QString& item : items) combo->addItem(item);
    combo->view()->setMinimumWidth(combo->view()->sizeHintForColumn(0) + 8);
    combo->setCurrentIndex(-1);
}

// The memo's lines as its text holds them; a final line break ends the last line, it starts none.
QStringList MemoLines(const QPlainTextEdit& memo) {
    const QString all = memo.toPlainText();
    if (all.isEmpty()) return {};
    QStringList lines = all.split(QLatin1Char('\n'));
    if (all.endsWith(QLatin1Char('\n'))) lines.removeLast();
    return lines;
}

}  // namespace

TWriteTagsForm::TWriteTagsForm(const WriteTagsRequest& request, const FileList& list, Host* host, QWidget* parent)
    : QDialog(parent), ChoosePicture(ChoosePictureFile), list_(list), sampleRow_(request.SampleRow), host_(host) {
    setObjectName(QStringLiteral("WriteTagsForm"));
    setWindowTitle(QStringLiteral("Пакетная запись в TAG'и. Выбрано файлов - ") +
                   QString::number(request.CheckedCount));
    // Only the system menu: no help, minimise or maximise buttons.
    setWindowFlags(kFixedSizeDialogFlags);
    setMinimumSize(kWidth, kMinHeight);
    resize(kWidth, kId3v2Height);

    auto* left = BuildTitleColumn();
    auto* fieldsAndButtons = BuildFields();
    fieldsAndButtons->addLayout(BuildButtons());
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(8, 8, 8, 8);
    layout->setSpacing(8);
    layout->addLayout(left, 2);
    layout->addLayout(fieldsAndButtons, 3);
    SetTabOrder();
    // The items, before any handler is connected: filling them previews nothing.
    FillItems(request);
    ConnectControls();
    AddKeys();

    QStringList memo;
    for (const std::string& line : request.MemoLines) memo.append(QString::fromStdString(line));
    MemoTitles->setPlainText(memo.join(QLatin1Char('\n')));
    SetUpMode(request.Mode);
    ComboBoxExTitles->setFocus();
}

// Left: the title field and its list of titles.
QVBoxLayout* TWriteTagsForm::BuildTitleColumn() {
    auto* titleLabel = new QLabel(QString::fromUtf8(TagFieldOf(ColTitle).Label), this);
    titleLabel->setObjectName(QStringLiteral("LabelTitles"));
    ComboBoxExTitles = new QComboBox(this);
    ComboBoxExTitles->setObjectName(QString::fromUtf8(TagFieldOf(ColTitle).Control));
    MakeField(ComboBoxExTitles);
    titleLabel->setBuddy(ComboBoxExTitles);
    MemoTitles = new QPlainTextEdit(this);
    MemoTitles->setObjectName(QStringLiteral("MemoTitles"));
    MemoTitles->setLineWrapMode(QPlainTextEdit::NoWrap);
    MemoTitles->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    MemoTitles->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    MemoTitles->setTabChangesFocus(true);
    MemoTitles->setToolTip(QStringLiteral("Нажмите F2, чтобы отсечь первые символы строк"));
    MemoTitles->setEnabled(false);
    auto* titleRow = new QHBoxLayout;
    titleRow->addWidget(titleLabel);
    titleRow->addWidget(ComboBoxExTitles, 1);
    auto* left = new QVBoxLayout;
    left->setSpacing(4);
    left->addLayout(titleRow);
    left->addWidget(MemoTitles);
    left->addStretch(1);
    return left;
}

// Right: the other fields two by two, the ID3v2-only ones below the seven of ID3v1, in a column
// that the buttons end.
QVBoxLayout* TWriteTagsForm::BuildFields() {
    fields_ = new QGridLayout;
    fields_->setHorizontalSpacing(6);
    fields_->setVerticalSpacing(4);
    fields_->setColumnStretch(1, 1);
    fields_->setColumnStretch(3, 1);
    const auto addField = [&](ColumnId column, int row, int column0, int span = 1) {
        return AddField(TagFieldOf(column).Control, TagFieldOf(column).Label, row, column0, span);
    };
    ComboBoxExArtist = addField(ColArtist, 0, 0);
    ComboBoxExAlbum = addField(ColAlbum, 0, 2);
    ComboBoxExYear = addField(ColYear, 1, 0);
    ComboBoxGenre = addField(ColGenre, 1, 2);
    // Comment and Track take a row each, so that long texts and the two numbering items show.
    ComboBoxExComment = addField(ColComment, 2, 0, 3);
    ComboBoxExTrack = addField(ColTrack, 3, 0, 3);
    // The ID3v2-only fields in their order in the field table, two by two.
    std::size_t shown = 0;
    for (const ColumnId column : kAnswerColumns) {
        if (!TagFieldOf(column).Id3v2Only()) continue;
        const int at = static_cast<int>(shown) + 8;
        id3v2Fields_[shown] = addField(column, at / 2, (at % 2) * 2);
        id3v2Labels_[shown] = qobject_cast<QLabel*>(fields_->itemAtPosition(at / 2, (at % 2) * 2)->widget());
        ++shown;
    }
    AddCoverField(10);
    CheckBoxKillTags = new QCheckBox(QStringLiteral("Удалить TAG'и ID3v1"), this);
    CheckBoxKillTags->setObjectName(QStringLiteral("CheckBoxKillTags"));
    fields_->addWidget(CheckBoxKillTags, 11, 0, 1, 4);
    fields_->setRowStretch(12, 1);
    auto* right = new QVBoxLayout;
    right->setSpacing(4);
    right->addLayout(fields_, 1);
    return right;
}

// "Обложка:", its pick-only list, and the preview at the right end of the row.
void TWriteTagsForm::AddCoverField(int row) {
    ComboBoxCover = new QComboBox(this);
    ComboBoxCover->setObjectName(QStringLiteral("ComboBoxCover"));
    ComboBoxCover->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    ComboBoxCover->setMinimumContentsLength(6);
    ComboBoxCover->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    LabelCover = new QLabel(QStringLiteral("Обложка:"), this);
    LabelCover->setObjectName(QStringLiteral("LabelCover"));
    LabelCover->setBuddy(ComboBoxCover);
    ImageCover = new QLabel(this);
    ImageCover->setObjectName(QStringLiteral("ImageCover"));
    ImageCover->setFixedSize(kCoverPreviewSide, kCoverPreviewSide);
    ImageCover->setAlignment(Qt::AlignCenter);
    ImageCover->setFrameShape(QFrame::StyledPanel);
    fields_->addWidget(LabelCover, row, 0, Qt::AlignTop);
    fields_->addWidget(ComboBoxCover, row, 1, 1, 2, Qt::AlignTop);
    fields_->addWidget(ImageCover, row, 3, Qt::AlignRight | Qt::AlignTop);
}

// The mode button, "Начать" and "Отмена".
QHBoxLayout* TWriteTagsForm::BuildButtons() {
    BitBtnWrite = new QPushButton(QStringLiteral("Начать"), this);
    BitBtnWrite->setObjectName(QStringLiteral("BitBtnWrite"));
    BitBtnWrite->setToolTip(QStringLiteral("F12"));
    BitBtnCancel = new QPushButton(QStringLiteral("Отмена"), this);
    BitBtnCancel->setObjectName(QStringLiteral("BitBtnCancel"));
    BitBtnCancel->setToolTip(QStringLiteral("Ecape"));
    // Enter in a field finishes nothing: F12 and the button start the writing.
    BitBtnWrite->setAutoDefault(false);
    BitBtnCancel->setAutoDefault(false);
    SpeedButton1 = new QToolButton(this);
    SpeedButton1->setObjectName(QStringLiteral("SpeedButton1"));
    SpeedButton1->setText(kModeId3v1);
    SpeedButton1->setToolTip(QStringLiteral("F3"));
    SpeedButton1->setFocusPolicy(Qt::NoFocus);
    QFont bold = SpeedButton1->font();
    bold.setBold(true);
    SpeedButton1->setFont(bold);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(SpeedButton1);
    buttons->addStretch(1);
    buttons->addWidget(BitBtnWrite);
    buttons->addWidget(BitBtnCancel);
    return buttons;
}

// The tab order is the order of the fields, then the check box and the buttons.
void TWriteTagsForm::SetTabOrder() {
    QWidget* previous = ComboBoxExTitles;
    for (QWidget* next : std::initializer_list<QWidget*>{MemoTitles, ComboBoxExArtist, ComboBoxExAlbum, ComboBoxExYear,
                                                         ComboBoxGenre, ComboBoxExComment, ComboBoxExTrack}) {
        setTabOrder(previous, next);
        previous = next;
    }
    for (QComboBox* next : id3v2Fields_) {
        setTabOrder(previous, next);
        previous = next;
    }
    setTabOrder(previous, ComboBoxCover);
    setTabOrder(ComboBoxCover, CheckBoxKillTags);
    setTabOrder(CheckBoxKillTags, BitBtnWrite);
    setTabOrder(BitBtnWrite, BitBtnCancel);
}

void TWriteTagsForm::FillItems(const WriteTagsRequest& request) {
    AddItems(ComboBoxExTitles, {kKeep, kFromList, QStringLiteral("%p0n[6-]n[-4]%")});
    AddItems(ComboBoxExArtist, {QString::fromStdString(PathPart(request.CurrentFolder, 1)), kKeep});
    AddItems(ComboBoxExAlbum, {QString::fromStdString(PathPart(request.CurrentFolder, 0)), kKeep});
    AddItems(ComboBoxExYear, {kKeep});
    AddItems(ComboBoxExComment, {kKeep});
    QStringList trackItems;
    for (const std::string_view item : kTrackItems) trackItems << FromView(item);
    AddItems(ComboBoxExTrack, trackItems);
    for (QComboBox* combo : id3v2Fields_) AddItems(combo, {kKeep});
    for (const std::string_view item : kCoverItems) ComboBoxCover->addItem(FromView(item));
    ComboBoxCover->setCurrentIndex(kCoverKeepIndex);
    for (const std::string& name : SortedGenres()) ComboBoxGenre->addItem(QString::fromStdString(name));
    ComboBoxGenre->addItem(kKeep);
    ComboBoxGenre->setMaxVisibleItems(10);
    ComboBoxGenre->setCurrentIndex(-1);
    ComboBoxGenre->installEventFilter(this);
}

void TWriteTagsForm::ConnectControls() {
    // Every field combo but the genre previews its text on the sample row in its hint.
    for (QComboBox* combo : findChildren<QComboBox*>()) {
        if (combo == ComboBoxGenre || combo == ComboBoxCover) continue;
        connect(combo, &QComboBox::editTextChanged, combo, [this, combo](const QString& text) {
            combo->setToolTip(QString::fromStdString(CheckScript(text.toStdString(), list_, sampleRow_)));
        });
    }
    connect(ComboBoxExTitles, &QComboBox::editTextChanged, this,
            [this](const QString& text) { MemoTitles->setEnabled(text == kFromList); });
    connect(ComboBoxExTitles, &QComboBox::activated, this, &TWriteTagsForm::ComboBoxExTitlesSelect);
    connect(ComboBoxCover, &QComboBox::currentIndexChanged, this, &TWriteTagsForm::ComboBoxCoverChange);
    connect(CheckBoxKillTags, &QCheckBox::toggled, this, &TWriteTagsForm::CheckBoxKillTagsClick);
    connect(SpeedButton1, &QToolButton::clicked, this, &TWriteTagsForm::SpeedButton1Click);
    connect(BitBtnWrite, &QPushButton::clicked, this, &QDialog::accept);
    connect(BitBtnCancel, &QPushButton::clicked, this, &QDialog::reject);
}

void TWriteTagsForm::AddKeys() {
    // The keys act on the whole dialog, once per press (a held key does not repeat).
    const auto addKey = [this](Qt::Key key, auto action) {
        auto* shortcut = new QShortcut(QKeySequence(key), this);
        shortcut->setAutoRepeat(false);
        connect(shortcut, &QShortcut::activated, this, action);
    };
    addKey(Qt::Key_F2, [this] { MemoTitlesCutFirstChars(); });
    addKey(Qt::Key_F3, [this] { SpeedButton1Click(); });
    addKey(Qt::Key_F12, [this] { BitBtnWrite->click(); });
    // Escape: QDialog's own, which a field's open list takes first (see keyPressEvent).
}

QComboBox* TWriteTagsForm::AddField(const char* name, const char* label, int row, int column, int span) {
    auto* caption = new QLabel(QString::fromUtf8(label), this);
    caption->setObjectName(QStringLiteral("Label") + QString::fromUtf8(name + std::strlen("ComboBox")));
    auto* combo = new QComboBox(this);
    combo->setObjectName(QString::fromUtf8(name));
    MakeField(combo);
    caption->setBuddy(combo);
    fields_->addWidget(caption, row, column);
    fields_->addWidget(combo, row, column + 1, 1, span);
    return combo;
}

void TWriteTagsForm::SetUpMode(int mode) {
    const bool id3v1 = mode == 1;
    SpeedButton1->setText(id3v1 ? kModeId3v1 : kModeId3v2);
    const int height = id3v1 ? kId3v1Height : kId3v2Height;
    setMinimumHeight(height);
    resize(width(), height);
    MemoTitles->setFixedHeight(id3v1 ? kId3v1MemoHeight : kId3v2MemoHeight);

    // The genre is picked from the list in ID3v1 (a typed name not in it is dropped), typed in ID3v2.
    const QString genre = ComboBoxGenre->currentText();
    ComboBoxGenre->setEditable(!id3v1);
    if (id3v1) {
        ComboBoxGenre->setCurrentIndex(ComboBoxGenre->findText(genre, Qt::MatchExactly));
    } else {
        // Typing opens the list of the genres that start with the typed text.
        auto* completer = new QCompleter(ComboBoxGenre->model(), ComboBoxGenre);
        completer->setCaseSensitivity(Qt::CaseInsensitive);
        completer->setCompletionMode(QCompleter::PopupCompletion);
        completer->setMaxVisibleItems(10);
        ComboBoxGenre->setCompleter(completer);
        ComboBoxGenre->setEditText(genre);
    }
    for (QComboBox* combo : {ComboBoxExArtist, ComboBoxExAlbum, ComboBoxExComment}) {
        combo->lineEdit()->setMaxLength(id3v1 ? static_cast<int>(kId3v1TextChars) : kNoTextLimit);
    }
    for (std::size_t i = 0; i < id3v2Fields_.size(); ++i) {
        id3v2Fields_[i]->setVisible(!id3v1);
        id3v2Labels_[i]->setVisible(!id3v1);
    }
    for (QWidget* cover : std::initializer_list<QWidget*>{LabelCover, ComboBoxCover, ImageCover}) {
        cover->setVisible(!id3v1);
    }
    if (!id3v1) ShowCoverPreview();
    // Hidden in ID3v1 with its state kept; shown unchecked in ID3v2.
    CheckBoxKillTags->setVisible(!id3v1);
    if (!id3v1) CheckBoxKillTags->setChecked(false);
}

int TWriteTagsForm::Mode() const { return SpeedButton1->text() == kModeId3v1 ? 1 : 2; }

WriteTagsAnswer TWriteTagsForm::Answer() const {
    const auto text = [](const QComboBox* combo) { return combo->currentText().toStdString(); };
    WriteTagsAnswer answer;
    answer.Mode = Mode();
    answer.Title = text(ComboBoxExTitles);
    answer.Artist = text(ComboBoxExArtist);
    answer.Album = text(ComboBoxExAlbum);
    answer.Year = text(ComboBoxExYear);
    answer.Genre = text(ComboBoxGenre);
    answer.Comment = text(ComboBoxExComment);
    answer.Track = text(ComboBoxExTrack);
    std::size_t shown = 0;
    for (std::size_t i = 0; i < kAnswerColumns.size(); ++i) {
        if (TagFieldOf(kAnswerColumns[i]).Id3v2Only()) answer.*kAnswerTexts[i] = text(id3v2Fields_[shown++]);
    }
    for (const QString& line : MemoLines(*MemoTitles)) answer.MemoLines.push_back(line.toStdString());
    answer.KillTags = CheckBoxKillTags->isChecked();
    const int cover = ComboBoxCover->currentIndex();
    answer.Cover = cover >= kCoverChosenIndex ? ComboBoxCover->currentData().toByteArray().toStdString()
                                              : std::string(kCoverItems[static_cast<std::size_t>(cover)]);
    return answer;
}

void TWriteTagsForm::PlaceOver(const QWidget& window) {
    const QRect area = window.frameGeometry();
    move(area.left() + area.width() / 2 - frameGeometry().width() / 2, area.top() + 24);
}

void TWriteTagsForm::keyPressEvent(QKeyEvent* event) {
    // Escape cancels once per press; an open list of a field has taken its Escape before.
    if (event->key() == Qt::Key_Escape && event->isAutoRepeat()) return;
    QDialog::keyPressEvent(event);
}

void TWriteTagsForm::SpeedButton1Click() { SetUpMode(Mode() == 1 ? 2 : 1); }

void TWriteTagsForm::MemoTitlesCutFirstChars() {
    QStringList lines = MemoTitles->toPlainText().split(QLatin1Char('\n'));
    const int cut = std::min<qsizetype>(lines.size(), list_.RowCount());
    for (int i = 0; i < cut; ++i) {
        QString& line = lines[i];
        if (line.isEmpty()) continue;
        // One character: both halves of a surrogate pair.
        line.remove(0, line.size() > 1 && line[0].isHighSurrogate() && line[1].isLowSurrogate() ? 2 : 1);
    }
    MemoTitles->setPlainText(lines.join(QLatin1Char('\n')));
}

void TWriteTagsForm::ComboBoxExTitlesSelect() {
    MemoTitles->setEnabled(ComboBoxExTitles->currentText() == kFromList);
    if (!QGuiApplication::keyboardModifiers().testFlag(Qt::ControlModifier)) return;
    if (ComboBoxExTitles->currentText() != kKeep) return;
    for (QComboBox* combo : {ComboBoxExArtist, ComboBoxExAlbum, ComboBoxExYear, ComboBoxExComment}) {
        combo->setEditText(kKeep);
    }
    for (QComboBox* combo : id3v2Fields_) combo->setEditText(kKeep);
    ComboBoxCover->setCurrentIndex(kCoverKeepIndex);
    ComboBoxExTrack->setCurrentIndex(0);
    ComboBoxGenre->setCurrentIndex(kGenreCount);
}

void TWriteTagsForm::ComboBoxCoverChange(int index) {
    if (index != kCoverFileIndex) {
        coverIndex_ = index;
        ShowCoverPreview();
        return;
    }
    const int row = PreviewRow();
    const std::string folder = row >= 0 ? FolderOfPath(list_.RowPath(row)) : std::string();
    const std::string path = ChoosePicture ? ChoosePicture(this, folder) : std::string();
    if (path.empty()) {
        ComboBoxCover->setCurrentIndex(coverIndex_);
        return;
    }
    // One chosen file at a time: its name shows, its path is the answer.
    if (ComboBoxCover->count() > kCoverChosenIndex) ComboBoxCover->removeItem(kCoverChosenIndex);
    const QString shown = QString::fromStdString(path);
    ComboBoxCover->addItem(shown.mid(shown.lastIndexOf(QLatin1Char('/')) + 1), QByteArray::fromStdString(path));
    ComboBoxCover->setItemData(kCoverChosenIndex, shown, Qt::ToolTipRole);
    ComboBoxCover->setCurrentIndex(kCoverChosenIndex);
}

int TWriteTagsForm::PreviewRow() const {
    if (sampleRow_ >= 0 && sampleRow_ < list_.RowCount()) return sampleRow_;
    return SampleRow(list_);
}

void TWriteTagsForm::ShowCoverPreview() {
    // ID3v1 has no cover: nothing is read until the ID3v2 layout shows it.
    if (Mode() == 1) return;
    const int index = ComboBoxCover->currentIndex();
    const int row = PreviewRow();
    std::string bytes;
    if (index == kCoverKeepIndex && row >= 0) {
        if (!sampleCover_) {
            TagPictures pictures = ReadTagPictures(list_.RowPath(row));
            sampleCover_ = pictures.FrontCover ? std::move(pictures.FrontCover->Bytes) : std::string();
        }
        bytes = *sampleCover_;
    } else if (index == kCoverFolderIndex && row >= 0) {
        const std::string picture = FolderPicturePath(FolderOfPath(list_.RowPath(row)));
        if (!picture.empty()) bytes = LoadPictureFile(picture).Bytes;
    } else if (index >= kCoverChosenIndex) {
        bytes = LoadPictureFile(ComboBoxCover->currentData().toByteArray().toStdString()).Bytes;
    }
    QPixmap picture;
    if (bytes.empty() || !picture.loadFromData(reinterpret_cast<const uchar*>(bytes.data()), bytes.size())) {
        ImageCover->clear();
        return;
    }
    ImageCover->setPixmap(
        picture.scaled(kCoverPreviewSide - 2, kCoverPreviewSide - 2, Qt::KeepAspectRatio, Qt::SmoothTransformation));
}

void TWriteTagsForm::CheckBoxKillTagsClick(bool checked) {
    if (checked && !AskKillTags()) CheckBoxKillTags->setChecked(false);
}

bool TWriteTagsForm::AskKillTags() {
    const QString text = QString::fromUtf8(kKillTagsQuestion);
    if (host_ != nullptr) {
        return host_->ShowMessage(kKillTagsQuestion, kProductName, MessageIcon::Question, MessageButtons::YesNo) ==
               MessageResult::Yes;
    }
    QMessageBox box(QMessageBox::Question, QString::fromUtf8(kProductName), text, QMessageBox::Yes | QMessageBox::No,
                    this);
    box.setWindowFlags(kFixedSizeDialogFlags);
    return box.exec() == QMessageBox::Yes;
}

void TWriteTagsForm::accept() {
    const int malformed = MalformedFieldColumn(Answer(), list_, sampleRow_);
    if (malformed < 0) {
        QDialog::accept();
        return;
    }
    const std::string text = MalformedFieldText(malformed);
    if (host_ != nullptr) {
        host_->ShowMessage(text, kProductName, MessageIcon::Error, MessageButtons::Ok);
        return;
    }
    QMessageBox::critical(this, QString::fromUtf8(kProductName), QString::fromStdString(text));
}

bool TWriteTagsForm::eventFilter(QObject* watched, QEvent* event) {
    if (watched == ComboBoxGenre && event->type() == QEvent::KeyPress && !ComboBoxGenre->isEditable()) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const QString typed = key->text();
        const bool printable =
            !typed.isEmpty() && typed.at(0).isPrint() && !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier));
        if (printable && !ComboBoxGenre->view()->isVisible()) {
            ComboBoxGenre->showPopup();
            ComboBoxGenre->view()->keyboardSearch(typed);
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

std::optional<WriteTagsAnswer> ShowWriteTagsForm(QWidget* parent, const WriteTagsRequest& request, const FileList& list,
                                                 Host* host) {
    TWriteTagsForm form(request, list, host, parent);
    if (parent != nullptr) form.PlaceOver(*parent->window());
    if (form.exec() != QDialog::Accepted) return std::nullopt;
    return form.Answer();
}

}  // namespace tagmora
