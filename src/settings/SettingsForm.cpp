// SettingsForm and ShowSettingsForm.
#include "settings/SettingsForm.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QShortcut>
#include <QToolButton>
#include <QTabWidget>
#include <QVBoxLayout>
#include <QIntValidator>
#include <QKeyEvent>

#include <algorithm>
#include <climits>
#include <string>

#include "common/FixedSizeForm.h"
#include "common/FileHelpers.h"
#include "tags/TagFields.h"

namespace tagmora {

namespace {

constexpr std::array<const char*, 4> kReadSequenceTexts = {"Читать только ID3 v1", "Читать только ID3 v2",
                                                           "Сперва ID3 v2, если пустой, то ID3 v1",
                                                           "Сперва ID3 v1, если пустой, то ID3 v2"};

// The ID3v1 code pages offered, in the list's order.
constexpr std::array<int, 2> kCodePages = {1251, 1252};

constexpr int kShowItemRows = 7;  // three columns of seven

QString Q(const char* text) { return QString::fromUtf8(text); }
QString Q(const std::string& text) { return QString::fromStdString(text); }

template <class Widget>
Widget* Named(Widget* widget, const char* name) {
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

}  // namespace

SettingsForm::SettingsForm(const SettingsDialogRequest& request, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint),
      request_(request) {
    setObjectName(QStringLiteral("SettingsForm"));
    setWindowTitle(QStringLiteral("Настройки"));

    PageControl = Named(new QTabWidget(this), "PageControl");
    // Every tab's caption shows: the dialog is as wide as the tab row.
    PageControl->setUsesScrollButtons(false);
    PageControl->setElideMode(Qt::ElideNone);
    BuildRenameTab(PageControl);
    BuildViewTab(PageControl);
    BuildReadTab(PageControl);
    BuildExtraTab(PageControl);
    BuildShellTab(PageControl);
    PageControl->setCurrentIndex(0);

    OkButton = Named(new QPushButton(QStringLiteral("Ok"), this), "OkButton");
    CancelButton = Named(new QPushButton(QStringLiteral("Отмена"), this), "CancelButton");
    OkButton->setDefault(true);
    connect(OkButton, &QPushButton::clicked, this, &SettingsForm::accept);
    connect(CancelButton, &QPushButton::clicked, this, &SettingsForm::reject);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(OkButton);
    buttons->addWidget(CancelButton);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(PageControl);
    layout->addLayout(buttons);

    auto* help = new QShortcut(QKeySequence(Qt::Key_F1), this);
    connect(help, &QShortcut::activated, this, [this] {
        if (request_.OpenHelp) request_.OpenHelp();
    });

    Fill();
    setFixedSize(sizeHint());
    setWindowFlags(kFixedSizeDialogFlags);
}

void SettingsForm::BuildRenameTab(QTabWidget* tabs) {
    auto* page = Named(new QWidget, "RenameTab");
    AddPrefixCheck =
        Named(new QCheckBox(QStringLiteral("Добавлять номер песни перед названием песни"), page), "AddPrefixCheck");
    AddPrefixCheck->setToolTip(QStringLiteral("Это нужно, чтобы сохранить последовательность песен в альбоме"));
    AddPrefixHowCombo = Named(new QComboBox(page), "AddPrefixHowCombo");
    AddPrefixHowCombo->setEditable(false);
    AddPrefixHowCombo->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    StartLabel = Named(new QLabel(QStringLiteral("начиная с "), page), "StartLabel");
    // An edit with a validator rather than a spin box: a spin box would silently put its last
    // number back when the focus leaves a text such as "-", and OK could then not say so.
    AddPrefixStartEdit = Named(new QLineEdit(page), "AddPrefixStartEdit");
    AddPrefixStartEdit->setValidator(new QIntValidator(INT_MIN, INT_MAX, AddPrefixStartEdit));
    AddPrefixStartEdit->setFixedWidth(
        AddPrefixStartEdit->fontMetrics().horizontalAdvance(QStringLiteral("-0000000000")));
    AddPrefixStartEdit->installEventFilter(this);
    for (QToolButton*& arrow : StartArrows) {
        const bool up = &arrow == &StartArrows[0];
        arrow = Named(new QToolButton(page), up ? "AddPrefixStartUp" : "AddPrefixStartDown");
        arrow->setArrowType(up ? Qt::UpArrow : Qt::DownArrow);
        arrow->setAutoRepeat(true);
        arrow->setFocusPolicy(Qt::NoFocus);
        arrow->setFixedSize(16, AddPrefixStartEdit->sizeHint().height() / 2);
        connect(arrow, &QToolButton::clicked, this, [this, up] { StepStartNumber(up ? 1 : -1); });
    }
    StartLabel->setBuddy(AddPrefixStartEdit);
    StartNumberNote = Named(new QLabel(Q(kStartNumberNote), page), "StartNumberNote");
    StartNumberNote->setStyleSheet(QStringLiteral("color: #c00000"));
    StartNumberNote->hide();
    AddPrefixArtistCheck = Named(new QCheckBox(QStringLiteral("Добавлять исполнителя"), page), "AddPrefixArtistCheck");
    AddPrefixAlbumCheck =
        Named(new QCheckBox(QStringLiteral("Добавлять название альбома"), page), "AddPrefixAlbumCheck");
    auto* separatorLabel = new QLabel(QStringLiteral("Разделитель:"), page);
    AddPrefixSeparatorEdit = Named(new QLineEdit(page), "AddPrefixSeparatorEdit");
    separatorLabel->setBuddy(AddPrefixSeparatorEdit);
    ReplaceBannedCheck = Named(new QCheckBox(QStringLiteral("Заменять недопустимые для имен файлов символы на"), page),
                               "ReplaceBannedCheck");
    ReplaceBannedCheck->setToolTip(QStringLiteral("Названия песен могут содержать такие символы, как *,\\, и т. д."));
    ReplaceSymbolEdit = Named(new QLineEdit(page), "ReplaceSymbolEdit");
    ReplaceSymbolEdit->setMaxLength(1);
    ReplaceSymbolEdit->setFixedWidth(ReplaceSymbolEdit->fontMetrics().horizontalAdvance(QLatin1Char('W')) * 3);

    auto* number = new QHBoxLayout;
    number->addSpacing(20);
    number->addWidget(AddPrefixHowCombo);
    number->addWidget(StartLabel);
    // The arrows sit against the edit, as a spin box's do.
    auto* arrows = new QVBoxLayout;
    arrows->setSpacing(0);
    arrows->addWidget(StartArrows[0]);
    arrows->addWidget(StartArrows[1]);
    auto* startNumber = new QHBoxLayout;
    startNumber->setSpacing(0);
    startNumber->addWidget(AddPrefixStartEdit);
    startNumber->addLayout(arrows);
    number->addLayout(startNumber);
    number->addStretch();
    auto* separator = new QHBoxLayout;
    separator->addWidget(separatorLabel);
    separator->addWidget(AddPrefixSeparatorEdit);
    separator->addStretch();
    auto* replace = new QHBoxLayout;
    replace->addWidget(ReplaceBannedCheck);
    replace->addWidget(ReplaceSymbolEdit);
    replace->addStretch();

    auto* layout = new QVBoxLayout(page);
    layout->addWidget(AddPrefixCheck);
    layout->addLayout(number);
    layout->addWidget(StartNumberNote, 0, Qt::AlignRight);
    layout->addWidget(AddPrefixArtistCheck);
    layout->addWidget(AddPrefixAlbumCheck);
    layout->addLayout(separator);
    layout->addLayout(replace);
    layout->addStretch();
    tabs->addTab(page, QStringLiteral("Переименовывание"));

    connect(AddPrefixCheck, &QCheckBox::clicked, this, &SettingsForm::AddPrefixClick);
    connect(ReplaceBannedCheck, &QCheckBox::clicked, this, &SettingsForm::ReplaceBannedClick);
    connect(ReplaceSymbolEdit, &QLineEdit::textChanged, this, &SettingsForm::ReplaceSymbolChange);
    connect(AddPrefixStartEdit, &QLineEdit::textChanged, StartNumberNote, &QWidget::hide);
}

void SettingsForm::BuildViewTab(QTabWidget* tabs) {
    auto* page = Named(new QWidget, "ViewTab");
    ResizeTabHeadersCheck = Named(new QCheckBox(QStringLiteral("Подгонять заголовки табуляторов под строки"), page),
                                  "ResizeTabHeadersCheck");
    ShowGridCheck = Named(new QCheckBox(QStringLiteral("Показывать сетку"), page), "ShowGridCheck");
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(ResizeTabHeadersCheck);
    layout->addWidget(ShowGridCheck);
    layout->addStretch();
    tabs->addTab(page, QStringLiteral("Вид"));
}

void SettingsForm::BuildReadTab(QTabWidget* tabs) {
    auto* page = Named(new QWidget, "ReadTab");
    auto* group = Named(new QGroupBox(QStringLiteral("Порядок чтения  TAG'ов"), page), "ReadSequenceGroup");
    auto* groupLayout = new QVBoxLayout(group);
    for (std::size_t i = 0; i < ReadSequence.size(); ++i) {
        ReadSequence[i] = new QRadioButton(Q(kReadSequenceTexts[i]), group);
        ReadSequence[i]->setObjectName(QStringLiteral("ReadSequence%1").arg(i));
        groupLayout->addWidget(ReadSequence[i]);
    }
    auto* label = new QLabel(QStringLiteral("При чтении показывать:"), page);
    ShowItemList = Named(new QListWidget(page), "ShowItemList");
    // Three columns: the items flow top to bottom and wrap after seven.
    ShowItemList->setFlow(QListView::TopToBottom);
    ShowItemList->setWrapping(true);
    ShowItemList->setResizeMode(QListView::Adjust);
    ShowItemList->setUniformItemSizes(true);
    ShowItemList->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    ShowItemList->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    int widest = 0;
    for (const TagField& field : kTagFields) {  // in ColumnId order
        auto* item = new QListWidgetItem(Q(field.ShowItem), ShowItemList);
        item->setFlags(Qt::ItemIsUserCheckable | Qt::ItemIsEnabled);
        item->setCheckState(Qt::Unchecked);
        widest = std::max(widest, ShowItemList->fontMetrics().horizontalAdvance(item->text()));
    }
    const int rowHeight = ShowItemList->fontMetrics().height() + 6;
    const int columnWidth = widest + 40;
    ShowItemList->setGridSize(QSize(columnWidth, rowHeight));
    ShowItemList->setFixedSize(columnWidth * 3 + 2 * ShowItemList->frameWidth() + 4,
                               rowHeight * kShowItemRows + 2 * ShowItemList->frameWidth() + 4);
    label->setBuddy(ShowItemList);
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(group);
    layout->addWidget(label);
    layout->addWidget(ShowItemList);
    layout->addStretch();
    tabs->addTab(page, QStringLiteral("Чтение TAG'ов"));
}

void SettingsForm::BuildExtraTab(QTabWidget* tabs) {
    auto* page = Named(new QWidget, "ExtraTab");
    TryChangeAttrsCheck =
        Named(new QCheckBox(QStringLiteral("При необходимости снимать атрибут \"Только чтение\" с файлов"), page),
              "TryChangeAttrsCheck");
    IncludeSubDirsCheck = Named(new QCheckBox(QStringLiteral("При выборе директории просматривать подкаталоги"), page),
                                "IncludeSubDirsCheck");
    auto* scriptLabel = new QLabel(QStringLiteral("Разделитель скриптов"), page);
    ScriptSeparatorEdit = Named(new QLineEdit(page), "ScriptSeparatorEdit");
    ScriptSeparatorEdit->setMaxLength(1);
    ScriptSeparatorEdit->setFixedWidth(ScriptSeparatorEdit->fontMetrics().horizontalAdvance(QLatin1Char('W')) * 3);
    scriptLabel->setBuddy(ScriptSeparatorEdit);
    auto* startLabel = new QLabel(QStringLiteral("Начинать обзор каталогов с директории:"), page);
    StartDirEdit = Named(new QLineEdit(page), "StartDirEdit");
    startLabel->setBuddy(StartDirEdit);
    BrowseButton = Named(new QPushButton(QStringLiteral(">>"), page), "BrowseButton");
    BrowseButton->setFixedWidth(BrowseButton->fontMetrics().horizontalAdvance(QStringLiteral(">>")) + 16);
    connect(BrowseButton, &QPushButton::clicked, this, &SettingsForm::BrowseClick);
    auto* codePageLabel = new QLabel(QStringLiteral("Кодовая страница TAG'ов ID3v1:"), page);
    TagCodePageCombo = Named(new QComboBox(page), "TagCodePageCombo");
    for (const int codePage : kCodePages) TagCodePageCombo->addItem(QString::number(codePage));
    codePageLabel->setBuddy(TagCodePageCombo);
    auto* enqueueLabel = new QLabel(QStringLiteral("Команда постановки в очередь плеера:"), page);
    EnqueueCommandEdit = Named(new QLineEdit(page), "EnqueueCommandEdit");
    EnqueueCommandEdit->setPlaceholderText(QStringLiteral("audacious -e"));
    enqueueLabel->setBuddy(EnqueueCommandEdit);

    auto* script = new QHBoxLayout;
    script->addWidget(scriptLabel);
    script->addWidget(ScriptSeparatorEdit);
    script->addStretch();
    auto* startDir = new QHBoxLayout;
    startDir->addWidget(StartDirEdit);
    startDir->addWidget(BrowseButton);
    auto* codePage = new QHBoxLayout;
    codePage->addWidget(codePageLabel);
    codePage->addWidget(TagCodePageCombo);
    codePage->addStretch();

    auto* layout = new QVBoxLayout(page);
    layout->addWidget(TryChangeAttrsCheck);
    layout->addWidget(IncludeSubDirsCheck);
    layout->addLayout(script);
    layout->addWidget(startLabel);
    layout->addLayout(startDir);
    layout->addLayout(codePage);
    layout->addWidget(enqueueLabel);
    layout->addWidget(EnqueueCommandEdit);
    layout->addStretch();
    tabs->addTab(page, QStringLiteral("Дополнительно"));
}

void SettingsForm::BuildShellTab(QTabWidget* tabs) {
    auto* page = Named(new QWidget, "ShellTab");
    UseShellCallCheck =
        Named(new QCheckBox(QStringLiteral("Вызов программы из контекстного меню проводника для директорий"), page),
              "UseShellCallCheck");
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(UseShellCallCheck);
    layout->addStretch();
    tabs->addTab(page, QStringLiteral("Интеграция с оболочкой"));
}

void SettingsForm::Fill() {
    const AppSettings& s = request_.Settings;
    AddPrefixCheck->setChecked(s.AddPrefix);
    for (const char* item : kAddPrefixHowItems) AddPrefixHowCombo->addItem(Q(item));
    AddPrefixHowCombo->setCurrentIndex(s.AddPrefixHow >= 0 && s.AddPrefixHow < 4 ? s.AddPrefixHow : -1);
    AddPrefixHowChange();
    connect(AddPrefixHowCombo, &QComboBox::currentIndexChanged, this, &SettingsForm::AddPrefixHowChange);
    AddPrefixStartEdit->setText(QString::number(s.AddPrefixStart));
    AddPrefixArtistCheck->setChecked(s.AddPrefixArtist);
    AddPrefixAlbumCheck->setChecked(s.AddPrefixAlbum);
    AddPrefixSeparatorEdit->setText(Q(s.AddPrefixSeparator));
    ReplaceBannedCheck->setChecked(s.ReplaceBannedSymbols);
    ReplaceSymbolEdit->setText(Q(s.ReplaceSymbol));
    ResizeTabHeadersCheck->setChecked(s.ResizeTabHeaders);
    ShowGridCheck->setChecked(s.ShowGrid);
    for (std::size_t i = 0; i < ReadSequence.size(); ++i) {
        ReadSequence[i]->setChecked(static_cast<std::int32_t>(i) == s.TAGReadSequence);
    }
    TryChangeAttrsCheck->setChecked(s.TryChangeAttrs);
    IncludeSubDirsCheck->setChecked(s.IncludeSubDirs);
    ScriptSeparatorEdit->setText(Q(s.ScriptSeparator));
    StartDirEdit->setText(Q(s.StartDir));
    TagCodePageCombo->setCurrentIndex(s.TagCodePage == kCodePages[1] ? 1 : 0);
    EnqueueCommandEdit->setText(Q(s.EnqueueCommand));
    UseShellCallCheck->setChecked(s.UseShellCall);

    // "File name" and "Title" are always shown.
    for (int c = 0; c < kColumnCount; ++c) {
        QListWidgetItem* item = ShowItemList->item(c);
        if (c < 2) {
            item->setCheckState(Qt::Checked);
            item->setFlags(item->flags() & ~Qt::ItemIsEnabled);
        } else {
            item->setCheckState(s.ShowItem[static_cast<std::size_t>(c)] != 0 ? Qt::Checked : Qt::Unchecked);
        }
    }

    ReplaceBannedClick();
    AddPrefixClick();
}

void SettingsForm::PlaceOver(const QWidget& window) {
    const QRect area = window.frameGeometry();
    move(area.center() - QPoint(frameGeometry().width() / 2, frameGeometry().height() / 2));
}

void SettingsForm::ReplaceBannedClick() { ReplaceSymbolEdit->setEnabled(ReplaceBannedCheck->isChecked()); }

void SettingsForm::AddPrefixClick() {
    const bool on = AddPrefixCheck->isChecked();
    AddPrefixHowCombo->setEnabled(on);
    AddPrefixStartEdit->setEnabled(on);
    for (QToolButton* arrow : StartArrows) arrow->setEnabled(on);
}

void SettingsForm::AddPrefixHowChange() {
    const int how = AddPrefixHowCombo->currentIndex();
    const bool shown = how == 0 || how == 1;
    StartLabel->setVisible(shown);
    AddPrefixStartEdit->setVisible(shown);
    for (QToolButton* arrow : StartArrows) arrow->setVisible(shown);
    if (!shown) StartNumberNote->hide();
}

void SettingsForm::ReplaceSymbolChange() {
    const QByteArray text = ReplaceSymbolEdit->text().toUtf8();
    if (text.size() == 1 && BannedChars.find(text[0]) != std::string_view::npos) ReplaceSymbolEdit->clear();
}

void SettingsForm::BrowseClick() {
    std::string folder;
    if (request_.ChooseFolder && request_.ChooseFolder(folder)) request_.Settings.StartDir = folder;
    StartDirEdit->setText(Q(request_.Settings.StartDir));
}

void SettingsForm::StepStartNumber(int step) {
    std::int32_t number = 0;
    if (!StrToIntCheck(AddPrefixStartEdit->text().toStdString(), number)) number = 0;
    const std::int64_t next = std::int64_t{number} + step;
    if (next < INT_MIN || next > INT_MAX) return;
    AddPrefixStartEdit->setText(QString::number(next));
}

bool SettingsForm::eventFilter(QObject* watched, QEvent* event) {
    if (watched == AddPrefixStartEdit && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Up || key == Qt::Key_Down) {
            StepStartNumber(key == Qt::Key_Up ? 1 : -1);
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void SettingsForm::accept() {
    std::int32_t start = 0;
    // The number counts only where it can be seen and changed.
    const bool shown = !AddPrefixStartEdit->isHidden() && AddPrefixStartEdit->isEnabled();
    if (shown && !StrToIntCheck(AddPrefixStartEdit->text().toStdString(), start)) {
        PageControl->setCurrentIndex(0);
        StartNumberNote->show();
        AddPrefixStartEdit->setFocus();
        return;
    }
    TakeOver();
    QDialog::accept();
}

void SettingsForm::TakeOver() {
    AppSettings& s = request_.Settings;
    s.ReplaceBannedSymbols = ReplaceBannedCheck->isChecked();
    s.AddPrefix = AddPrefixCheck->isChecked();
    if (AddPrefixHowCombo->currentIndex() >= 0) s.AddPrefixHow = AddPrefixHowCombo->currentIndex();
    // A hidden number edit whose text is no integer keeps the number as it was.
    std::int32_t start = 0;
    if (StrToIntCheck(AddPrefixStartEdit->text().toStdString(), start)) s.AddPrefixStart = start;
    s.AddPrefixArtist = AddPrefixArtistCheck->isChecked();
    s.AddPrefixAlbum = AddPrefixAlbumCheck->isChecked();
    s.AddPrefixSeparator = AddPrefixSeparatorEdit->text().toStdString();
    s.UseShellCall = UseShellCallCheck->isChecked();
    s.TryChangeAttrs = TryChangeAttrsCheck->isChecked();
    s.ResizeTabHeaders = ResizeTabHeadersCheck->isChecked();
    s.ShowGrid = ShowGridCheck->isChecked();
    s.ReplaceSymbol = ReplaceSymbolEdit->text().toStdString();
    for (std::size_t i = 0; i < ReadSequence.size(); ++i) {
        if (ReadSequence[i]->isChecked()) s.TAGReadSequence = static_cast<std::int32_t>(i);
    }
    s.ScriptSeparator = ScriptSeparatorEdit->text().toStdString();
    s.StartDir = StartDirEdit->text().toStdString();
    for (int c = 0; c < kColumnCount; ++c) {
        s.ShowItem[static_cast<std::size_t>(c)] = ShowItemList->item(c)->checkState() == Qt::Checked ? 1 : 0;
    }
    s.IncludeSubDirs = IncludeSubDirsCheck->isChecked();
    s.TagCodePage = kCodePages[static_cast<std::size_t>(std::max(0, TagCodePageCombo->currentIndex()))];
    s.EnqueueCommand = EnqueueCommandEdit->text().toStdString();
}

bool ShowSettingsForm(QWidget* parent, const SettingsDialogRequest& request) {
    SettingsForm form(request, parent);
    if (parent != nullptr) form.PlaceOver(*parent->window());
    return form.exec() == QDialog::Accepted;
}

}  // namespace tagmora
