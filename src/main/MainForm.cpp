#include "main/MainForm.h"

#include <QAction>
#include <QCloseEvent>
#include <QFontMetrics>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QHeaderView>
#include <QIcon>
#include <QItemSelection>
#include <QKeyEvent>
#include <QMenuBar>
#include <QPainter>
#include <QPixmap>
#include <QScreen>
#include <QShortcut>
#include <QStyle>
#include <QStyleOptionHeader>
#include <QStyleOptionMenuItem>
#include <QWindow>

#include <exception>
#include <utility>

#include "common/FileHelpers.h"
#include "common/Messages.h"
#include "common/Text.h"
#include "export/ExportCommand.h"
#include "export/XlsxEngine.h"
#include "filelist/FolderCommands.h"
#include "main/CommandTable.h"
#include "main/MainFormDialogs.h"
#include "main/MainFormShell.h"
#include "mark/HandOffs.h"
#include "mark/Marking.h"
#include "platform/FolderVerb.h"
#include "rename/PresetRename.h"
#include "rename/ScriptRename.h"
#include "settings/SettingsCommand.h"
#include "writetags/CoverCommands.h"
#include "writetags/CoverForm.h"
#include "writetags/TagEngine.h"
#include "writetags/TagRemoval.h"
#include "writetags/TagWriteBatch.h"

namespace tagmora {

namespace {

QList<QKeySequence> ShortcutsFor(std::string_view key) {
    if (key.empty()) return {};
    // "Enter" is the main keyboard's Return key and the keypad's Enter alike.
    if (key == "Enter") return {QKeySequence(Qt::Key_Return), QKeySequence(Qt::Key_Enter)};
    if (key == "Ctrl+Enter") {
        return {QKeySequence(Qt::CTRL | Qt::Key_Return), QKeySequence(Qt::CTRL | Qt::Key_Enter)};
    }
    return {QKeySequence::fromString(QString::fromUtf8(key.data(), static_cast<qsizetype>(key.size())),
                                     QKeySequence::PortableText)};
}

QString FromView(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

// The action property that holds the key text the menu shows.
constexpr const char* kKeyTextProperty = "tagmoraKeyText";

// Two overlapping sheets: the copy icon where the style has none.
QIcon CopyIcon(const QPalette& palette) {
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setPen(palette.color(QPalette::WindowText));
    painter.setBrush(palette.color(QPalette::Base));
    painter.drawRect(1, 1, 9, 10);
    painter.drawRect(5, 4, 9, 10);
    return QIcon(pixmap);
}

// A command's menu icon: the desktop theme's icon of that name, or else one of the style's own.
QIcon CommandIcon(std::string_view name, const QStyle& style, const QPalette& palette) {
    if (name.empty()) return {};
    static const std::pair<std::string_view, QStyle::StandardPixmap> kBuiltIn[] = {
        {"document-open", QStyle::SP_DialogOpenButton},
        {"folder-new", QStyle::SP_FileDialogNewFolder},
        {"go-next", QStyle::SP_ArrowForward},
        {"go-previous", QStyle::SP_ArrowBack},
        {"view-refresh", QStyle::SP_BrowserReload},
        {"media-playback-start", QStyle::SP_MediaPlay},
        {"application-exit", QStyle::SP_DialogCloseButton},
        {"document-save", QStyle::SP_DialogSaveButton},
        {"document-save-as", QStyle::SP_DialogSaveButton},
        {"edit-delete", QStyle::SP_TrashIcon},
        {"edit-undo", QStyle::SP_ArrowBack},
        {"help-contents", QStyle::SP_DialogHelpButton},
        {"help-about", QStyle::SP_MessageBoxInformation},
        {"image-x-generic", QStyle::SP_FileIcon},
    };
    QIcon fallback = name == "edit-copy" ? CopyIcon(palette) : QIcon();
    for (const auto& [icon, pixmap] : kBuiltIn) {
        if (icon == name) fallback = style.standardIcon(pixmap);
    }
    return QIcon::fromTheme(FromView(name), fallback);
}

}  // namespace

QString CommandMenu::ShownText(const QAction* action) const {
    QStyleOptionMenuItem option;
    initStyleOption(&option, action);
    return option.text;
}

void CommandMenu::initStyleOption(QStyleOptionMenuItem* option, const QAction* action) const {
    QMenu::initStyleOption(option, action);
    const QVariant key = action != nullptr ? action->property(kKeyTextProperty) : QVariant();
    if (!key.isValid()) return;
    // Qt would show its own name of the first shortcut ("Return" for Enter).
    const qsizetype tab = option->text.indexOf(u'\t');
    if (tab >= 0) option->text.truncate(tab);
    if (!key.toString().isEmpty()) option->text += u'\t' + key.toString();
}

MainListView::MainListView(QWidget* parent) : QTableView(parent) {}

void MainListView::keyPressEvent(QKeyEvent* event) {
    const int key = event->key();
    if (key >= Qt::Key_1 && key <= Qt::Key_9 && !(event->modifiers() & Qt::KeypadModifier)) {
        emit DigitKeyPressed(key - Qt::Key_0);
        event->accept();
        return;
    }
    const QModelIndex current = currentIndex();
    if (key == Qt::Key_Space && event->modifiers() == Qt::NoModifier && current.isValid()) {
        // The check box sits in column 0; the current cell may be in any column.
        const QModelIndex box = current.siblingAtColumn(0);
        const bool checked = box.data(Qt::CheckStateRole).toInt() != Qt::Unchecked;
        model()->setData(box, checked ? Qt::Unchecked : Qt::Checked, Qt::CheckStateRole);
        event->accept();
        return;
    }
    QTableView::keyPressEvent(event);
}

QModelIndex MainListView::moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) {
    const int rows = model() != nullptr ? model()->rowCount() : 0;
    if ((action == MoveHome || action == MoveEnd) && rows > 0) {
        const int column = currentIndex().isValid() ? currentIndex().column() : 0;
        return model()->index(action == MoveHome ? 0 : rows - 1, column);
    }
    return QTableView::moveCursor(action, modifiers);
}

MainForm::MainForm(MainFormOptions options, QWidget* parent)
    : QMainWindow(parent),
      ownStore_(options.Store != nullptr
                    ? nullptr
                    : std::make_unique<FileSettingsStore>(FileSettingsStore::DefaultUserHivePath(),
                                                          FileSettingsStore::DefaultMachineHivePath())),
      store_(options.Store != nullptr ? options.Store : ownStore_.get()),
      ownHost_(options.HostPort != nullptr ? nullptr : std::make_unique<QtHost>()),
      host_(options.HostPort != nullptr ? options.HostPort : ownHost_.get()),
      status_(new MainStatusBar(this, options.BriefStatusMilliseconds)),
      ownDialogs_(options.DialogsPort != nullptr ? nullptr : std::make_unique<QtDialogs>(this)),
      ownShell_(options.Shell != nullptr ? nullptr : std::make_unique<QtShell>()),
      shell_(options.Shell != nullptr ? options.Shell : ownShell_.get()),
      ownFolderVerb_(options.FolderVerb != nullptr ? nullptr
                                                   : std::make_unique<XdgFolderVerb>(XdgFolderVerb::DefaultDataHome())),
      folderVerb_(options.FolderVerb != nullptr ? options.FolderVerb : ownFolderVerb_.get()),
      ownSpreadsheet_(options.Spreadsheet != nullptr ? nullptr : MakeBuiltInSpreadsheet()),
      spreadsheet_(options.Spreadsheet != nullptr ? options.Spreadsheet : ownSpreadsheet_.get()),
      context_(*store_, *status_, *host_, options.DialogsPort != nullptr ? *options.DialogsPort : *ownDialogs_),
      columns_(InitialColumnLayout()),
      arguments_(std::move(options.Arguments)),
      openSettingsDialog_(std::move(options.OpenSettingsDialog)),
      applicationTitle_(kProductName) {
    setObjectName(QStringLiteral("MainForm"));
    setWindowTitle(QString::fromUtf8(kProductName));
    setWindowIconText(QString::fromUtf8(applicationTitle_));
    setWindowIcon(QIcon::fromTheme(QStringLiteral("tagmora")));
    host_->Attach(this);
    setStatusBar(status_);
    status_->SetRowCounter([this] { return List().RowCount(); });
    context_.SetFrame(this);

    BuildMainList();
    BuildMenu();
    ConnectCommands();
    ConnectMarkingCommands();

    timer1_.setObjectName(QStringLiteral("Timer1"));
    timer1_.setInterval(kTitleScrollMilliseconds);
    connect(&timer1_, &QTimer::timeout, this, &MainForm::ChangeAppName);

    // The client area (list and status bar) is 623 x 299; a menu bar inside the window adds to it.
    const int menuHeight = menuBar()->isNativeMenuBar() ? 0 : menuBar()->sizeHint().height();
    resize(kClientWidth, kClientHeight + menuHeight);
    CentreOnScreen();
    FormCreate();
}

MainForm::~MainForm() {
    timer1_.stop();
    status_->EndProgressTimer().stop();
    // The view and the model read the rows: they go before the list does.
    delete mainList_;
    delete model_;
    context_.SetFrame(nullptr);
    host_->Attach(nullptr);
}

void MainForm::CentreOnScreen() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (screen == nullptr) return;
    const QRect available = screen->availableGeometry();
    move(available.center() - QPoint(width() / 2, height() / 2));
}

void MainForm::BuildMainList() {
    model_ = new MainListModel(List(), this);
    mainList_ = new MainListView(this);
    mainList_->setObjectName(QStringLiteral("MainList"));
    mainList_->setModel(model_);
    mainList_->setSelectionBehavior(QAbstractItemView::SelectRows);
    mainList_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    mainList_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    mainList_->setTabKeyNavigation(false);
    mainList_->setWordWrap(false);
    mainList_->setSortingEnabled(false);
    mainList_->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);

    // The highlight stays visible when the list loses the focus.
    QPalette palette = mainList_->palette();
    palette.setColor(QPalette::Inactive, QPalette::Highlight, palette.color(QPalette::Active, QPalette::Highlight));
    palette.setColor(QPalette::Inactive, QPalette::HighlightedText,
                     palette.color(QPalette::Active, QPalette::HighlightedText));
    mainList_->setPalette(palette);

    QHeaderView* rows = mainList_->verticalHeader();
    rows->setVisible(false);
    rows->setMinimumSectionSize(1);
    rows->setSectionResizeMode(QHeaderView::Fixed);
    rows->setDefaultSectionSize(mainList_->fontMetrics().height() + 4);

    QHeaderView* header = mainList_->horizontalHeader();
    // Each column has bounds of its own (SectionResized); the header's common minimum is 0.
    header->setMinimumSectionSize(0);
    header->setStretchLastSection(false);
    header->setSectionsMovable(false);
    header->setSectionsClickable(true);
    header->setHighlightSections(false);
    header->setSectionResizeMode(QHeaderView::Interactive);
    header->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    ApplyWidthsToHeader();

    connect(header, &QHeaderView::sectionResized, this, &MainForm::SectionResized);
    connect(header, &QHeaderView::sectionClicked, this, &MainForm::ColomnClick);
    connect(mainList_, &MainListView::DigitKeyPressed, this, &MainForm::KeyUpR);
    connect(mainList_->selectionModel(), &QItemSelectionModel::selectionChanged, this, &MainForm::SelectionChanged);

    setCentralWidget(mainList_);
    mainList_->setFocus();
}

void MainForm::BuildMenu() {
    for (const MenuSpec& menuSpec : MainMenuTable()) {
        auto* menu = new CommandMenu(FromView(menuSpec.Caption), menuBar());
        menuBar()->addMenu(menu);
        for (const CommandSpec& item : menuSpec.Items) {
            if (item.IsSeparator()) {
                menu->addSeparator();
                continue;
            }
            QAction* action = menu->addAction(CommandIcon(item.Icon, *style(), palette()), FromView(item.Caption));
            action->setObjectName(FromView(item.Name));
            const QList<QKeySequence> keys = ShortcutsFor(item.Key);
            action->setShortcuts(keys);
            action->setProperty(kKeyTextProperty, FromView(item.Key));
            // Single letters too act whenever the main window has the focus.
            action->setShortcutContext(Qt::WindowShortcut);
            action->setStatusTip(FromView(item.Hint));
            action->setEnabled(item.EnabledAtStart);
            action->setVisible(item.Visible);
            if (!item.Visible && !keys.isEmpty()) {
                // A hidden item keeps its key; Qt turns off the shortcuts of invisible actions.
                auto* shortcut = new QShortcut(keys.front(), this);
                shortcut->setContext(Qt::WindowShortcut);
                // trigger() still refuses an item that was disabled explicitly.
                connect(shortcut, &QShortcut::activated, action, &QAction::trigger);
            }
            commands_.emplace(std::string(item.Name), action);
        }
    }
}

void MainForm::ConnectListCommand(MenuName name, void (*command)(FileList&)) {
    connect(Command(name), &QAction::triggered, this,
            [this, command] { RunListCommand([this, command] { command(List()); }); });
}

void MainForm::ConnectCommands() {
    ConnectListCommand(menu::BrowseForFolderMnu, &BrowseForFolderCommand);
    ConnectListCommand(menu::AddToListMnu, &AddToListCommand);
    ConnectListCommand(menu::NextDirMnu, &NextDirCommand);
    ConnectListCommand(menu::PreviousDirMnu, &PreviousDirCommand);
    ConnectListCommand(menu::RereadListMnu, &RereadListCommand);
    ConnectListCommand(menu::RereadMnu, &RereadCommand);
    ConnectListCommand(menu::RereadSelectedMnu, &RereadSelectedCommand);
    connect(Command(menu::RenameAllMnu), &QAction::triggered, this,
            [this] { RunListCommand([this] { RenameAllMnuClick(List(), context_.Undo()); }); });
    connect(Command(menu::RenameWindMnu), &QAction::triggered, this, [this] {
        if (RunListCommand([this] { RenameWindMnuClick(List(), context_.Store(), context_.DialogsPort()); })) {
            mainList_->setFocus();
        }
    });
    connect(Command(menu::WriteTag1Mnu), &QAction::triggered, this, [this] {
        RunListCommand([this] { WriteTagsMnuClick(List(), 1, context_.DialogsPort(), context_.TagWriteSession()); });
    });
    connect(Command(menu::WriteTAG2Mnu), &QAction::triggered, this, [this] {
        RunListCommand([this] { WriteTagsMnuClick(List(), 2, context_.DialogsPort(), context_.TagWriteSession()); });
    });
    connect(Command(menu::CoverMnu), &QAction::triggered, this, &MainForm::CoverMnuClick);
    connect(Command(menu::AGID3v11), &QAction::triggered, this,
            [this] { RunListCommand([this] { KillTags1MnuClick(List(), context_.TagWriteSession()); }); });
    connect(Command(menu::AGID3v21), &QAction::triggered, this,
            [this] { RunListCommand([this] { KillTags2MnuClick(List(), context_.TagWriteSession()); }); });
    connect(Command(menu::UnDoMnu), &QAction::triggered, this,
            [this] { RunListCommand([this] { UnDoMnuClick(List(), context_.Undo()); }); });
    connect(Command(menu::ExportMnu), &QAction::triggered, this, [this] {
        RunListCommand([this] {
            ExportMnuClick(List(), Settings(), context_.Store(), context_.DialogsPort(), *spreadsheet_,
                           context_.Export(), [this] { OpenHelpFile(*host_, *shell_, Settings().Path); });
        });
    });
    connect(Command(menu::ExitMnu), &QAction::triggered, this, &QWidget::close);
    connect(Command(menu::SavePosMnu), &QAction::triggered, this, [this] { SaveWindowPosition(); });
    connect(Command(menu::Settings), &QAction::triggered, this,
            [this] { RunListCommand([this] { RunSettingsCommand(); }); });
}

void MainForm::ConnectMarkingCommands() {
    ConnectListCommand(menu::MarkAllMnu, &MarkAllMnuClick);
    ConnectListCommand(menu::MarkEmptyMnu, &MarkEmptyMnuClick);
    ConnectListCommand(menu::MarkFullMnu, &MarkFullMnuClick);
    ConnectListCommand(menu::MarkSelectedMnu, &MarkSelectedMnuClick);
    ConnectListCommand(menu::MarkOnlySelectedMnu, &MarkOnlySelectedMnuClick);
    ConnectListCommand(menu::UnMarkMnu, &UnMarkMnuClick);
    ConnectListCommand(menu::InverseMnu, &InverseMnuClick);
    ConnectListCommand(menu::RemoveMnu, &RemoveMnuClick);
    connect(Command(menu::CustomMarkMnu), &QAction::triggered, this, [this] {
        if (RunListCommand([this] { CustomMarkMnuClick(List(), context_.DialogsPort()); })) mainList_->setFocus();
    });
    connect(Command(menu::EnqInWinampMnu), &QAction::triggered, this,
            [this] { RunListCommand([this] { EnqInWinampMnuClick(List(), *shell_); }); });
    connect(Command(menu::CopyToClipbrdMnu), &QAction::triggered, this,
            [this] { RunListCommand([this] { CopyToClipbrdMnuClick(List(), *shell_); }); });
    // Help and About leave the list alone: they run outside the command frame.
    connect(Command(menu::MainHelpMnu), &QAction::triggered, this,
            [this] { OpenHelpFile(*host_, *shell_, Settings().Path); });
    connect(Command(menu::HotKeysMnu), &QAction::triggered, this,
            [this] { OpenHelpFile(*host_, *shell_, Settings().Path, kHelpKeysAnchor); });
    connect(Command(menu::AboutMnu), &QAction::triggered, this,
            [this] { AboutMnuClick(*host_, TAGMORA_FILE_VERSION); });
}

void MainForm::CoverMnuClick() {
    // The dialog itself changes nothing: its changes run as commands, each one re-reading the row.
    if (context_.Busy()) return;
    const QModelIndex current = mainList_->currentIndex();
    if (!current.isValid() || current.row() >= List().RowCount()) {
        ShowNoCheckedFiles(*host_);
        return;
    }
    const std::string path = List().RowPath(current.row());
    const TagEngine engine = RealTagEngine(Settings(), context_.TagWriteSession(), *host_);
    ShowCoverForm(
        this, path,
        [this, &path, &engine](CoverEdit edit, const std::string& picture) {
            bool written = false;
            RunListCommand([&] {
                const auto& rows = List().Rows();
                for (std::size_t r = 0; r < rows.size(); ++r) {
                    if (rows[r].Path() != path) continue;
                    written = ChangeRowCover(List(), static_cast<int>(r), edit, picture, engine);
                    return;
                }
            });
            return written;
        },
        *host_);
    mainList_->setFocus();
}

QAction* MainForm::Command(std::string_view name) const {
    const auto found = commands_.find(name);
    return found == commands_.end() ? nullptr : found->second;
}

void MainForm::FormCreate() {
    SettingsStartupPorts ports;
    ports.CurrentColumnWidths = [this] { return ColumnWidths(columns_); };
    ports.SaveWindowPosition = [this] { return SaveWindowPosition(); };
    ports.RestoreWindowPosition = [this] { return RestoreWindowPosition(); };
    ports.OpenSettingsDialog = [this] {
        if (openSettingsDialog_) openSettingsDialog_();
        else RunListCommand([this] { RunSettingsCommand(); });
    };
    ports.ShowMessage = [this](const std::string& text, const std::string& caption, bool error) {
        host_->ShowMessage(text, caption, error ? MessageIcon::Error : MessageIcon::Information, MessageButtons::Ok);
    };
    ports.EndProgram = [this] { endRequested_ = true; };
    ports.SetGridLines = [this](bool on) { mainList_->setShowGrid(on); };
    RunSettingsStartup(Settings(), *store_, ports);
    mainList_->setShowGrid(Settings().ShowGrid);
}

void MainForm::RunSettingsCommand() {
    SettingsWindow window;
    window.ApplyColumnLayout = [this] { ApplyColumnLayout(); };
    window.FitColumns = [this] { FitColumns(); };
    window.SetGridLines = [this](bool on) { mainList_->setShowGrid(on); };
    window.ChooseFolder = [this](std::string& folder) {
        folder.clear();
        return ChooseFolder(List(), kChooseFolderText, folder);
    };
    window.OpenHelp = [this] { OpenHelpFile(*host_, *shell_, Settings().Path); };
    SettingsMnuClick(Settings(), *store_, context_.DialogsPort(), *folderVerb_, *host_, window);
}

void MainForm::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (shown_) return;
    shown_ = true;
    FormShow();
}

void MainForm::FormShow() {
    if (startupPending_ && windowPosition_.State == static_cast<std::uint8_t>(WindowState::Maximized)) {
        QTimer::singleShot(0, this, [this] { setWindowState(windowState() | Qt::WindowMaximized); });
    }
    ApplyStoredWidths(columns_, Settings());
    ApplyWidthsToHeader();
    // The start-up work runs once the window is shown and placed (after the maximising above).
    if (startupPending_) QTimer::singleShot(0, this, &MainForm::RunStartupWork);
}

void MainForm::RunStartupWork() {
    if (startupDone_) return;
    startupDone_ = true;
    ApplyColumnLayout();
    RunListCommand([this] { OpenCommandLineFolders(List(), arguments_); });
}

void MainForm::closeEvent(QCloseEvent* event) {
    if (context_.Busy()) {
        // A long loop is running: it ends at its next step, and the window closes after it.
        List().RequestCancel();
        closePending_ = true;
        event->ignore();
        return;
    }
    QMainWindow::closeEvent(event);
}

bool MainForm::RunListCommand(const std::function<void()>& command) {
    const bool ran = context_.RunCommand(command);
    if (ran && closePending_ && !context_.Busy()) {
        closePending_ = false;
        close();
    }
    return ran;
}

void MainForm::CommandStarting() {
    // The current row (the keyboard's place in the list) is found again by its file afterwards.
    const QModelIndex current = mainList_->currentIndex();
    commandCurrentPath_.clear();
    commandCurrentColumn_ = current.isValid() ? current.column() : 0;
    if (current.isValid() && current.row() < List().RowCount()) {
        commandCurrentPath_ = List().Rows()[static_cast<std::size_t>(current.row())].Path();
    }
    model_->BeginChange();
    mainList_->setUpdatesEnabled(false);
}

void MainForm::CommandEnded() {
    model_->EndChange();
    mainList_->setUpdatesEnabled(true);
    RestoreSelection();
    RestoreCurrentRow(commandCurrentPath_, commandCurrentColumn_);
}

void MainForm::SelectionChanged(const QItemSelection& selected, const QItemSelection& deselected) {
    if (restoringSelection_ || model_->Changing()) return;
    auto& rows = List().Rows();
    const auto mark = [&rows](const QItemSelection& ranges, bool on) {
        for (const QItemSelectionRange& range : ranges) {
            for (int r = range.top(); r <= range.bottom() && r < static_cast<int>(rows.size()); ++r) {
                rows[static_cast<std::size_t>(r)].Selected = on;
            }
        }
    };
    mark(deselected, false);
    mark(selected, true);
}

void MainForm::RestoreSelection() {
    QItemSelection selection;
    const auto& rows = List().Rows();
    const int count = static_cast<int>(rows.size());
    int start = -1;
    for (int r = 0; r <= count; ++r) {
        const bool on = r < count && rows[static_cast<std::size_t>(r)].Selected;
        if (on && start < 0) start = r;
        if (!on && start >= 0) {
            selection.select(model_->index(start, 0), model_->index(r - 1, kColumnCount - 1));
            start = -1;
        }
    }
    restoringSelection_ = true;
    mainList_->selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
    restoringSelection_ = false;
}

void MainForm::RestoreCurrentRow(const std::string& path, int column) {
    if (path.empty()) return;
    const auto& rows = List().Rows();
    for (std::size_t r = 0; r < rows.size(); ++r) {
        if (rows[r].Path() != path) continue;
        mainList_->selectionModel()->setCurrentIndex(model_->index(static_cast<int>(r), column),
                                                     QItemSelectionModel::NoUpdate);
        return;
    }
}

void MainForm::ColomnClick(int column) {
    RunListCommand([this, column] { List().SortByColumn(column); });
}

void MainForm::KeyUpR(int digit) {
    if (digit >= 1 && digit <= 9) ColomnClick(digit - 1);
}

void MainForm::ApplyColumnLayout() {
    status_->ShowStatus(kStatusWait);
    tagmora::ApplyColumnLayout(columns_, Settings());
    ApplyWidthsToHeader();
    status_->ShowStatus(kStatusDone);
}

void MainForm::FitColumns() {
    status_->ShowStatus(kStatusWait);
    const QFont font = mainList_->font();
    const QFontMetricsF advanceMetrics(font);
    const QFontMetrics metrics(font);
    TextAdvanceCache advances(
        [&advanceMetrics](char32_t cp) { return advanceMetrics.horizontalAdvance(QString::fromUcs4(&cp, 1)); },
        [&advanceMetrics](char32_t a, char32_t b) {
            const char32_t pair[2] = {a, b};
            return advanceMetrics.horizontalAdvance(QString::fromUcs4(pair, 2));
        });
    const QHeaderView* header = mainList_->horizontalHeader();
    const auto captionWidth = [header](int column) {
        // The header section's own size for the caption, with room for a sort indicator.
        QStyleOptionHeader option;
        option.initFrom(header);
        option.orientation = Qt::Horizontal;
        option.section = column;
        option.text = header->model()->headerData(column, Qt::Horizontal).toString();
        option.sortIndicator = QStyleOptionHeader::SortDown;
        // Bold, as the header measures a section, so that a highlighted caption fits too.
        QFont bold = header->font();
        bold.setBold(true);
        option.fontMetrics = QFontMetrics(bold);
        return header->style()->sizeFromContents(QStyle::CT_HeaderSection, &option, QSize(), header).width();
    };
    FitColumnLayout(
        columns_, Settings(),
        [&](int column) {
            // Inside a command (the rows cannot change meanwhile) the window stays responsive
            // between columns, as it does between rows.
            if (context_.Busy()) host_->ProcessEvents();
            return LargestTextWidth(List().Rows(), column, advances, [&](const std::string& text) {
                // Measured as the list shows it.
                return metrics.horizontalAdvance(
                    QString::fromUtf8(column == ColFile ? text::SanitizeUtf8(text) : text));
            });
        },
        captionWidth);
    ApplyWidthsToHeader();
    status_->ShowStatusBriefly(kStatusDone);
}

void MainForm::ApplyWidthsToHeader() {
    QHeaderView* header = mainList_->horizontalHeader();
    applyingWidths_ = true;
    for (int c = 0; c < kColumnCount; ++c) {
        const int width = columns_[static_cast<std::size_t>(c)].Width;
        // A column of width 0 is hidden, so that its edge cannot be caught instead of a neighbour's.
        if (width <= 0) {
            header->setSectionHidden(c, true);
        } else {
            header->setSectionHidden(c, false);
            header->resizeSection(c, width);
        }
    }
    applyingWidths_ = false;
}

void MainForm::SectionResized(int column, int, int newSize) {
    QHeaderView* header = mainList_->horizontalHeader();
    if (applyingWidths_ || column < 0 || column >= kColumnCount || header->isSectionHidden(column)) return;
    ColumnBounds& bounds = columns_[static_cast<std::size_t>(column)];
    const int bounded = BoundWidth(bounds, newSize);
    bounds.Width = bounded;
    if (bounded != newSize) {
        applyingWidths_ = true;
        header->resizeSection(column, bounded);
        applyingWidths_ = false;
    }
}

int MainForm::ColumnWidth(int column) const {
    const QHeaderView* header = mainList_->horizontalHeader();
    return header->isSectionHidden(column) ? 0 : header->sectionSize(column);
}

bool MainForm::SaveWindowPosition() {
    // The bounds are the frame's top-left corner and the window's size without the frame: what
    // move() and resize() take, so that a restore puts the window back exactly.
    // A window minimized from maximized is saved as minimized, with the bounds from before the
    // maximising, as a maximized one keeps them.
    const bool maximized = isMaximized();
    windowPosition_.State = static_cast<std::uint8_t>(isMinimized() ? WindowState::Minimized
                                                      : maximized   ? WindowState::Maximized
                                                                    : WindowState::Normal);
    if (!maximized) {
        windowPosition_.Top = y();
        windowPosition_.Left = x();
        windowPosition_.Width = width();
        windowPosition_.Height = height();
    }
    return StoreWindowPosition(*store_, windowPosition_);
}

bool MainForm::RestoreWindowPosition() {
    const std::optional<WindowPosition> stored = LoadWindowPosition(*store_);
    if (!stored) return false;
    // A window whose title bar cannot be reached, or larger than its screen, is moved onto the
    // nearest screen (the primary first when two are as near).
    std::vector<ScreenArea> screens;
    const QScreen* primary = QGuiApplication::primaryScreen();
    for (const QScreen* screen : QGuiApplication::screens()) {
        const QRect area = screen->availableGeometry();
        const ScreenArea rect{area.left(), area.top(), area.width(), area.height()};
        if (screen == primary) screens.insert(screens.begin(), rect);
        else screens.push_back(rect);
    }
    windowPosition_ = PlaceOnScreens(*stored, screens);
    move(windowPosition_.Left, windowPosition_.Top);
    resize(windowPosition_.Width, windowPosition_.Height);
    startupPending_ = true;
    return true;
}

void MainForm::ListForBox(bool opening) {
    if (opening && !listPausedForBox_ && model_->Changing() && mainList_->isVisible()) {
        model_->Pause();
        mainList_->setUpdatesEnabled(true);
        mainList_->setFocus();
        listPausedForBox_ = true;
    } else if (!opening && listPausedForBox_) {
        listPausedForBox_ = false;
        model_->Resume();
        mainList_->setUpdatesEnabled(false);
    }
}

void MainForm::SetListVisible(bool visible) {
    mainList_->setVisible(visible);
    // A command turns the list's own updates off while it runs, and a widget whose updates are off
    // leaves its place unpainted when hidden: the old rows would stay on the screen.
    if (!visible && isVisible()) repaint(mainList_->geometry());
}

void MainForm::SetApplicationTitle(const std::string& title) {
    applicationTitle_ = title;
    setWindowIconText(QString::fromUtf8(applicationTitle_));
}

void MainForm::StartTitleScrolling() {
    if (!timer1_.isActive()) timer1_.start();
}

void MainForm::ChangeAppName() {
    applicationTitle_ = RotateText(applicationTitle_);
    const QString title = QString::fromUtf8(applicationTitle_);
    setWindowIconText(title);
    // The icon text alone reaches the window system only when something else flushes it; a
    // window title is sent at once.
    if (QWindow* window = windowHandle()) window->setTitle(title);
}

}  // namespace tagmora
