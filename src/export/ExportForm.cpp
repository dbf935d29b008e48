// ExportForm and ShowExportForm.
#include "export/ExportForm.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QShortcut>
#include <QShowEvent>
#include <QVBoxLayout>

#include <string>
#include <utility>
#include <vector>

#include "common/Messages.h"
#include "export/ExportColumns.h"
#include "filelist/FileList.h"
#include "script/Script.h"
#include "settings/AppSettings.h"

namespace tagmora {
namespace {

const QString kNewBook = QStringLiteral("В новую книгу");
const QString kOpenBook = QStringLiteral("Выбрать книгу");
const QString kStart = QStringLiteral("Начать");
const QString kBookFilter = QStringLiteral("Excel.Sheet (*.xlsx)");
constexpr const char* kGroupingQuestion = "При такой группировке данные могут быть отображены некорректно. Продолжить?";

QString DefaultSaveBookName(QWidget* parent) {
    QFileDialog dialog(parent, QString(), QString(), kBookFilter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    // The extension is added before the dialog asks about overwriting the file.
    dialog.setDefaultSuffix(QStringLiteral("xlsx"));
    if (dialog.exec() != QDialog::Accepted) return {};
    return dialog.selectedFiles().value(0);
}

QString DefaultOpenBookName(QWidget* parent) {
    return QFileDialog::getOpenFileName(parent, QString(), QString(), kBookFilter);
}

bool DefaultContinueGrouping(QWidget* parent) {
    QMessageBox box(QMessageBox::Question, QString::fromUtf8(kProductName), QString::fromUtf8(kGroupingQuestion),
                    QMessageBox::Yes | QMessageBox::No, parent);
    return box.exec() == QMessageBox::Yes;
}

// A button whose caption may become a long path: the path neither widens the dialog nor hides.
QPushButton* BookButton(const QString& text, const char* name, QWidget* parent) {
    auto* button = new QPushButton(text, parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    button->setMinimumWidth(button->fontMetrics().horizontalAdvance(text) + 24);
    button->setAutoDefault(false);
    return button;
}

}  // namespace

ExportForm::ExportForm(const ExportDialogRequest& request, ExportFormQuestions questions, QWidget* parent)
    : QDialog(parent), request_(request), questions_(std::move(questions)) {
    if (!questions_.SaveBookName) questions_.SaveBookName = DefaultSaveBookName;
    if (!questions_.OpenBookName) questions_.OpenBookName = DefaultOpenBookName;
    if (!questions_.ContinueGrouping) questions_.ContinueGrouping = DefaultContinueGrouping;

    setObjectName(QStringLiteral("ExportForm"));
    setWindowTitle(QStringLiteral("Экспорт списка в Excel"));
    setMinimumSize(kMinWidth, kMinHeight);
    resize(kMinWidth + 60, kMinHeight + 40);
    setSizeGripEnabled(true);

    // In the order of the focus chain.
    auto* top = new QHBoxLayout;
    top->addWidget(BuildColumnsBox(), 2);
    auto* right = new QVBoxLayout;
    right->addWidget(BuildScriptBox());
    right->addWidget(BuildFormatBox(), 1);
    top->addLayout(right, 3);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top, 1);
    BuildBookRows(layout);
    SetSheetControlsVisible(false);
    ConnectControls();
    AddKeys();

    ClampExportColumnCount(request_.Settings);
    FillColumnList(0);
    ColumnsList->setFocus();
}

// Left: the column list with its two buttons.
QGroupBox* ExportForm::BuildColumnsBox() {
    auto* columnsBox = new QGroupBox(QStringLiteral("Столбцы"), this);
    columnsBox->setObjectName(QStringLiteral("ColumnsBox"));
    ColumnsList = new QListWidget(columnsBox);
    ColumnsList->setObjectName(QStringLiteral("ColumnsList"));
    ColumnsList->setSelectionMode(QAbstractItemView::SingleSelection);
    AddButton = new QPushButton(QStringLiteral("Добавить"), columnsBox);
    AddButton->setObjectName(QStringLiteral("AddButton"));
    DeleteButton = new QPushButton(QStringLiteral("Удалить"), columnsBox);
    DeleteButton->setObjectName(QStringLiteral("DeleteButton"));
    auto* listButtons = new QHBoxLayout;
    listButtons->addWidget(AddButton);
    listButtons->addWidget(DeleteButton);
    auto* columnsLayout = new QVBoxLayout(columnsBox);
    columnsLayout->addWidget(ColumnsList, 1);
    columnsLayout->addLayout(listButtons);
    return columnsBox;
}

// Right, above: the script of the selected column.
QGroupBox* ExportForm::BuildScriptBox() {
    auto* scriptBox = new QGroupBox(QStringLiteral("Содержимое"), this);
    scriptBox->setObjectName(QStringLiteral("ScriptBox"));
    ScriptEdit = new QLineEdit(scriptBox);
    ScriptEdit->setObjectName(QStringLiteral("ScriptEdit"));
    auto* scriptLayout = new QVBoxLayout(scriptBox);
    scriptLayout->addWidget(ScriptEdit);
    return scriptBox;
}

// Right, below: the head, the flags and the network address.
QGroupBox* ExportForm::BuildFormatBox() {
    auto* formatBox = new QGroupBox(QStringLiteral("Вид и формат"), this);
    formatBox->setObjectName(QStringLiteral("FormatBox"));
    auto* headLabel = new QLabel(QStringLiteral("Заголовок"), formatBox);
    headLabel->setObjectName(QStringLiteral("HeadLabel"));
    HeadEdit = new QLineEdit(formatBox);
    HeadEdit->setObjectName(QStringLiteral("HeadEdit"));
    headLabel->setBuddy(HeadEdit);
    GroupCheckBox = new QCheckBox(QStringLiteral("Группировать при повторении записей"), formatBox);
    GroupCheckBox->setObjectName(QStringLiteral("GroupCheckBox"));
    LinkCheckBox = new QCheckBox(QStringLiteral("Ссылка на файл"), formatBox);
    LinkCheckBox->setObjectName(QStringLiteral("LinkCheckBox"));
    LocalCheckBox = new QCheckBox(QStringLiteral("Локальная ссылка"), formatBox);
    LocalCheckBox->setObjectName(QStringLiteral("LocalCheckBox"));
    NetAddrLabel = new QLabel(QStringLiteral("Сетевой путь"), formatBox);
    NetAddrLabel->setObjectName(QStringLiteral("NetAddrLabel"));
    NetAddrEdit = new QLineEdit(formatBox);
    NetAddrEdit->setObjectName(QStringLiteral("NetAddrEdit"));
    NetAddrLabel->setBuddy(NetAddrEdit);
    auto* formatLayout = new QGridLayout(formatBox);
    formatLayout->addWidget(headLabel, 0, 0);
    formatLayout->addWidget(HeadEdit, 0, 1);
    formatLayout->addWidget(GroupCheckBox, 1, 0, 1, 2);
    formatLayout->addWidget(LinkCheckBox, 2, 0, 1, 2);
    formatLayout->addWidget(LocalCheckBox, 3, 0, 1, 2);
    formatLayout->addWidget(NetAddrLabel, 4, 0);
    formatLayout->addWidget(NetAddrEdit, 4, 1);
    formatLayout->setColumnStretch(1, 1);
    formatLayout->setRowStretch(5, 1);
    return formatBox;
}

// Below: the workbook, the sheet and the two closing buttons, added to `layout`.
void ExportForm::BuildBookRows(QVBoxLayout* layout) {
    ExportLabel = new QLabel(QStringLiteral("Экспорт"), this);
    ExportLabel->setObjectName(QStringLiteral("ExportLabel"));
    NewBookButton = BookButton(kNewBook, "NewBookButton", this);
    OpenBookButton = BookButton(kOpenBook, "OpenBookButton", this);
    auto* books = new QHBoxLayout;
    books->addWidget(NewBookButton, 1);
    books->addWidget(OpenBookButton, 1);
    SheetLabel = new QLabel(QStringLiteral("Лист:"), this);
    SheetLabel->setObjectName(QStringLiteral("SheetLabel"));
    SheetCombo = new QComboBox(this);
    SheetCombo->setObjectName(QStringLiteral("SheetCombo"));
    SheetCombo->setEditable(true);
    SheetCombo->setInsertPolicy(QComboBox::NoInsert);
    SheetCombo->setCompleter(nullptr);
    SheetCombo->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    SheetCombo->setMinimumContentsLength(12);
    SheetLabel->setBuddy(SheetCombo);
    StartButton = new QPushButton(kStart, this);
    StartButton->setObjectName(QStringLiteral("StartButton"));
    StartButton->setEnabled(false);
    CancelButton = new QPushButton(QStringLiteral("Отмена"), this);
    CancelButton->setObjectName(QStringLiteral("CancelButton"));
    // Enter in an editor finishes nothing: only the buttons start or cancel.
    for (QPushButton* button : {AddButton, DeleteButton, StartButton, CancelButton}) button->setAutoDefault(false);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(SheetLabel);
    bottom->addWidget(SheetCombo, 1);
    bottom->addStretch(0);
    bottom->addWidget(StartButton);
    bottom->addWidget(CancelButton);
    layout->addWidget(ExportLabel);
    layout->addLayout(books);
    layout->addLayout(bottom);
}

void ExportForm::ConnectControls() {
    // The previews follow every change of their text.
    connect(ScriptEdit, &QLineEdit::textChanged, this, [this](const QString& text) {
        ScriptEdit->setToolTip(
            QString::fromStdString(CheckScript(text.toStdString(), request_.List, request_.SampleRow)));
    });
    connect(NetAddrEdit, &QLineEdit::textChanged, this, [this](const QString& text) {
        NetAddrEdit->setToolTip(
            QString::fromStdString(CheckScript(text.toStdString(), request_.List, request_.SampleRow)));
    });
    for (QWidget* editor : std::initializer_list<QWidget*>{HeadEdit, ScriptEdit, GroupCheckBox, LinkCheckBox,
                                                           LocalCheckBox, NetAddrEdit}) {
        editor->installEventFilter(this);
    }
    for (QCheckBox* box : {LinkCheckBox, LocalCheckBox}) {
        connect(box, &QCheckBox::clicked, this, [this] {
            StoreEditors();
            ShowColumn(selected_);
        });
    }
    connect(ColumnsList, &QListWidget::currentRowChanged, this, [this](int row) {
        if (filling_ || row < 0) return;
        selected_ = row;
        ShowColumn(row);
    });
    connect(AddButton, &QPushButton::clicked, this, &ExportForm::AddButtonClick);
    connect(DeleteButton, &QPushButton::clicked, this, &ExportForm::DeleteButtonClick);
    connect(NewBookButton, &QPushButton::clicked, this, &ExportForm::NewBookButtonClick);
    connect(OpenBookButton, &QPushButton::clicked, this, &ExportForm::OpenBookButtonClick);
    connect(SheetCombo, &QComboBox::editTextChanged, this,
            [this](const QString& text) { StartButton->setEnabled(!text.isEmpty()); });
    connect(StartButton, &QPushButton::clicked, this, &ExportForm::StartButtonClick);
    connect(CancelButton, &QPushButton::clicked, this, &QDialog::reject);
}

void ExportForm::AddKeys() {
    const auto addKey = [this](Qt::Key key, auto action) {
        auto* shortcut = new QShortcut(QKeySequence(key), this);
        connect(shortcut, &QShortcut::activated, this, action);
    };
    addKey(Qt::Key_PageUp, [this] { PageUp(); });
    addKey(Qt::Key_PageDown, [this] { PageDown(); });
    addKey(Qt::Key_F1, [this] {
        if (request_.OpenHelp) request_.OpenHelp();
    });
}

void ExportForm::FillColumnList(int index) {
    const AppSettings& settings = request_.Settings;
    filling_ = true;
    ColumnsList->clear();
    for (int i = 0; i < settings.ExcColumnsCount; ++i) {
        ColumnsList->addItem(QString::fromStdString(settings.ExportColumns[static_cast<std::size_t>(i)].Head));
    }
    selected_ = index;
    ColumnsList->setCurrentRow(index);
    filling_ = false;
    ShowColumn(index);
}

void ExportForm::ShowColumn(int index) {
    if (index < 0 || index >= request_.Settings.ExcColumnsCount) return;
    const ExportColumn& column = request_.Settings.ExportColumns[static_cast<std::size_t>(index)];
    HeadEdit->setText(QString::fromStdString(column.Head));
    ScriptEdit->setText(QString::fromStdString(column.Script));
    GroupCheckBox->setChecked(column.Group);
    LinkCheckBox->setChecked(column.IsLink);
    LocalCheckBox->setChecked(column.IsLocal);
    NetAddrEdit->setText(QString::fromStdString(column.NetAddr));
    ApplyVisibility();
}

void ExportForm::ApplyVisibility() {
    const ExportEditorVisibility visible = EditorVisibility(LinkCheckBox->isChecked(), LocalCheckBox->isChecked());
    LocalCheckBox->setVisible(visible.LocalLink);
    NetAddrLabel->setVisible(visible.NetAddr);
    NetAddrEdit->setVisible(visible.NetAddr);
}

void ExportForm::StoreEditors() {
    if (selected_ < 0 || selected_ >= request_.Settings.ExcColumnsCount) return;
    ExportColumn& column = request_.Settings.ExportColumns[static_cast<std::size_t>(selected_)];
    column.Head = HeadEdit->text().toStdString();
    column.Script = ScriptEdit->text().toStdString();
    column.Group = GroupCheckBox->isChecked();
    column.IsLink = LinkCheckBox->isChecked();
    column.IsLocal = LocalCheckBox->isChecked();
    column.NetAddr = NetAddrEdit->text().toStdString();
    if (QListWidgetItem* item = ColumnsList->item(selected_)) item->setText(HeadEdit->text());
}

bool ExportForm::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusOut && !filling_) StoreEditors();
    return QDialog::eventFilter(watched, event);
}

void ExportForm::AddButtonClick() {
    StoreEditors();
    // With 24 columns the list stays as it is.
    FillColumnList(AddExportColumn(request_.Settings, selected_));
}

void ExportForm::DeleteButtonClick() {
    StoreEditors();
    // With one column the list stays as it is.
    FillColumnList(DeleteExportColumn(request_.Settings, selected_));
}

void ExportForm::PageUp() {
    StoreEditors();
    const int previous = PreviousExportColumn(selected_);
    if (previous != selected_) FillColumnList(previous);
}

void ExportForm::PageDown() {
    StoreEditors();
    const int next = NextExportColumn(request_.Settings, selected_);
    if (next != selected_) FillColumnList(next);
}

void ExportForm::SetSheetControlsVisible(bool visible) {
    SheetLabel->setVisible(visible);
    SheetCombo->setVisible(visible);
}

void ExportForm::NewBookButtonClick() {
    QString path = questions_.SaveBookName(this);
    if (path.isEmpty()) return;
    if (QFileInfo(path).suffix().isEmpty()) path += QStringLiteral(".xlsx");
    NewBookButton->setText(path);
    NewBookButton->setToolTip(path);
    OpenBookButton->setText(kOpenBook);
    OpenBookButton->setToolTip(QString());
    ExportLabel->setText(QStringLiteral("Экспорт в новую книгу"));
    SetSheetControlsVisible(false);
    SheetCombo->setEditText(QStringLiteral("Music"));
    request_.Target.SheetName = "Music";
    request_.Target.NewBook = true;
    request_.Target.BookPath = path.toStdString();
    StartButton->setEnabled(true);
}

void ExportForm::OpenBookButtonClick() {
    const QString path = questions_.OpenBookName(this);
    if (path.isEmpty()) return;
    OpenBookButton->setText(path);
    OpenBookButton->setToolTip(path);
    NewBookButton->setText(kNewBook);
    NewBookButton->setToolTip(QString());

    StartButton->setEnabled(false);
    StartButton->setText(QStringLiteral("Подождите..."));
    StartButton->repaint();
    std::vector<std::string> names;
    const int count = request_.ListSheets ? request_.ListSheets(path.toStdString(), names) : -1;
    StartButton->setText(kStart);

    // A workbook whose sheets cannot be listed leaves the combo empty for a typed sheet name.
    SheetCombo->clear();
    if (count > 0) {
        for (const std::string& name : names) SheetCombo->addItem(QString::fromStdString(name));
        SheetCombo->setCurrentIndex(0);
    }
    SetSheetControlsVisible(true);
    ExportLabel->setText(QStringLiteral("Экспорт в существующую книгу"));
    request_.Target.NewBook = false;
    request_.Target.BookPath = path.toStdString();
    StartButton->setEnabled(!SheetCombo->currentText().isEmpty());
}

void ExportForm::StartButtonClick() {
    StoreEditors();
    if (!GroupedColumnsFormOneRun(request_.Settings) && !questions_.ContinueGrouping(this)) {
        result_ = ExportDialogResult::Declined;
        accept();
        return;
    }
    const QString sheet = SheetCombo->currentText();
    std::vector<std::string> listed;
    for (int i = 0; i < SheetCombo->count(); ++i) listed.push_back(SheetCombo->itemText(i).toStdString());
    request_.Target.SheetName = sheet.toStdString();
    request_.Target.NewSheet = IsNewSheet(request_.Target.SheetName, listed);
    result_ = ExportDialogResult::Start;
    accept();
}

void ExportForm::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (event->spontaneous() || parentWidget() == nullptr) return;
    const QRect area = parentWidget()->window()->frameGeometry();
    move(area.center() - QPoint(frameGeometry().width() / 2, frameGeometry().height() / 2));
}

ExportDialogResult ShowExportForm(QWidget* parent, const ExportDialogRequest& request, ExportFormQuestions questions) {
    ExportForm form(request, std::move(questions), parent);
    if (form.exec() != QDialog::Accepted) return ExportDialogResult::Cancelled;
    return form.Result();
}

}  // namespace tagmora
