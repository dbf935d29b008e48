// MainForm: the program's main window. Owns the FileList, shows it in MainList, carries the
// command table as its menu, reports through its status bar, and runs the start-up sequence.
#pragma once

#include <QMainWindow>
#include <QMenu>
#include <QTableView>
#include <QTimer>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "commands/CommandContext.h"
#include "common/ShellPort.h"
#include "export/Spreadsheet.h"
#include "common/MenuNames.h"
#include "filelist/FileList.h"
#include "main/ColumnLayout.h"
#include "main/MainFormHost.h"
#include "main/MainFormStatus.h"
#include "main/MainListModel.h"
#include "rename/Undo.h"
#include "settings/AppSettings.h"
#include "settings/SettingsStore.h"
#include "settings/WindowPosition.h"

class QAction;
class QItemSelection;

namespace tagmora {

inline constexpr int kClientWidth = 623;
inline constexpr int kClientHeight = 299;
inline constexpr int kTitleScrollMilliseconds = 200;

struct MainFormOptions {
    // The program's arguments without the program itself: the folders to open at start-up.
    std::vector<std::string> Arguments{};
    // The host port; nullptr: a QtHost of the window's own. The window attaches itself to it.
    QtHost* HostPort = nullptr;
    // The settings store; nullptr: the store files of this user and of this installation.
    SettingsStore* Store = nullptr;
    // How long ShowStatusBriefly's text stays.
    int BriefStatusMilliseconds = kBriefStatusMilliseconds;
    // Opens the settings dialog (first run). Empty: the settings command (SettingsMnu) runs.
    std::function<void()> OpenSettingsDialog{};
    // The dialogs of the commands; nullptr: the window's own forms, shown modally over it.
    Dialogs* DialogsPort = nullptr;
    // The player, the help viewer and the clipboard; nullptr: the desktop's (QtShell).
    ShellPort* Shell = nullptr;
    // The folder context-menu entry; nullptr: the file managers' entries of this user (XdgFolderVerb).
    FolderVerbPort* FolderVerb = nullptr;
    // The spreadsheet application of the export; nullptr: the built-in workbook engine.
    SpreadsheetProvider* Spreadsheet = nullptr;
};

// The list view: whole rows highlighted, several at once, no editing; the digit keys 1 to 9 of
// the main keyboard are passed to the window instead of the view's keyboard search, and Space
// toggles the check box of the current row whichever of its cells is current.
class MainListView : public QTableView {
    Q_OBJECT

public:
    explicit MainListView(QWidget* parent);

signals:
    void DigitKeyPressed(int digit);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    // Home and End (with or without Ctrl) go to the first and the last row, in the current column.
    QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override;
};

// A menu of the command table: each item shows its key as the table names it ("Enter",
// "Ctrl+Enter"), not as Qt names the key of its first shortcut ("Return").
class CommandMenu : public QMenu {
    Q_OBJECT

public:
    using QMenu::QMenu;
    // The text the menu shows for `action`: its caption, and after a tab its key.
    QString ShownText(const QAction* action) const;

protected:
    void initStyleOption(QStyleOptionMenuItem* option, const QAction* action) const override;
};

class MainForm : public QMainWindow, private CommandFrame {
    Q_OBJECT

public:
    // Builds the window and runs FormCreate (the settings start-up included).
    explicit MainForm(MainFormOptions options = {}, QWidget* parent = nullptr);
    ~MainForm() override;

    // What the commands work on: settings, store, list, undo list and dialogs.
    CommandContext& Context() { return context_; }
    FileList& List() { return context_.List(); }
    // The pairs of the last preset rename, for the undo.
    const UndoList& Undo() { return context_.Undo(); }
    AppSettings& Settings() { return context_.Settings(); }
    MainListModel& Model() { return *model_; }
    MainListView& MainList() { return *mainList_; }
    MainStatusBar& Status() { return *status_; }
    QTimer& Timer1() { return timer1_; }
    // The menu item named `name` (its objectName), or nullptr.
    QAction* Command(std::string_view name) const;
    QAction* Command(MenuName name) const { return Command(name.Text); }

    // The settings could not be read: the program ends without showing the window.
    bool EndRequested() const { return endRequested_; }
    bool PositionRestored() const { return startupPending_; }
    bool StartupWorkDone() const { return startupDone_; }
    const std::string& ApplicationTitle() const { return applicationTitle_; }
    const ColumnLayout& Columns() const { return columns_; }
    // A column's width as the list shows it (0 when hidden).
    int ColumnWidth(int column) const;

    // Runs a command through the context's RunCommand: refused (false) while another command
    // runs; otherwise the model is reset around it and the highlighted rows and the current row
    // are restored afterwards. A close asked for meanwhile happens when it returns.
    bool RunListCommand(const std::function<void()>& command);

    // Header click: sorts by the column.
    void ColomnClick(int column);
    // A digit key 1..9 of the main keyboard in the list: sorts by column digit - 1.
    void KeyUpR(int digit);
    void ApplyColumnLayout();
    void FitColumns();
    bool SaveWindowPosition();
    bool RestoreWindowPosition();
    // SettingsMnu (Ctrl+S) and the first run: the settings dialog, and on OK the folder verb, the
    // column layout, the fit and the save; the grid lines after OK and cancel.
    void RunSettingsCommand();

    // Requests of the host port. Hiding the list repaints its place at once (long loops follow).
    // Around each box: a box shown while a command runs with the list on the screen shows the
    // list's rows as they are now, painted and with the focus (as after a renaming that failed
    // for some files); the command's change goes on once the box is closed.
    void ListForBox(bool opening);
    void SetListVisible(bool visible);
    void SetApplicationTitle(const std::string& title);
    void StartTitleScrolling();
    // Timer1: the application title rotates by one character. On this platform the task bar shows
    // the window's title, so the title the window system shows becomes the application title at
    // every tick; the form's caption (windowTitle()) stays what the program set.
    void ChangeAppName();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void FormCreate();
    void FormShow();
    void RunStartupWork();
    void BuildMainList();
    void BuildMenu();
    void ConnectCommands();
    // The "&Выделение" menu and the hand-offs: player, clipboard, help and About.
    void ConnectMarkingCommands();
    void ConnectListCommand(MenuName name, void (*command)(FileList&));
    // CoverMnu (F4): the cover dialog of the current row ("Нет выбранных файлов." without one).
    void CoverMnuClick();
    // CommandFrame: around every command that runs.
    void CommandStarting() override;
    void CommandEnded() override;
    void ApplyWidthsToHeader();
    void SectionResized(int column, int oldSize, int newSize);
    void SelectionChanged(const QItemSelection& selected, const QItemSelection& deselected);
    void RestoreSelection();
    void RestoreCurrentRow(const std::string& path, int column);
    void CentreOnScreen();

    std::unique_ptr<SettingsStore> ownStore_;
    SettingsStore* store_;
    std::unique_ptr<QtHost> ownHost_;
    QtHost* host_;
    MainStatusBar* status_;
    std::unique_ptr<Dialogs> ownDialogs_;
    std::unique_ptr<ShellPort> ownShell_;
    ShellPort* shell_;
    std::unique_ptr<FolderVerbPort> ownFolderVerb_;
    FolderVerbPort* folderVerb_;
    std::unique_ptr<SpreadsheetProvider> ownSpreadsheet_;
    SpreadsheetProvider* spreadsheet_;
    CommandContext context_;
    MainListModel* model_ = nullptr;
    MainListView* mainList_ = nullptr;
    std::map<std::string, QAction*, std::less<>> commands_;
    QTimer timer1_;
    ColumnLayout columns_;
    WindowPosition windowPosition_;
    std::vector<std::string> arguments_;
    std::function<void()> openSettingsDialog_;
    std::string applicationTitle_;
    // The current row while a command runs, found again by its file afterwards.
    std::string commandCurrentPath_;
    int commandCurrentColumn_ = 0;

    bool endRequested_ = false;
    bool startupPending_ = false;  // the saved position was restored: start-up work after showing
    bool startupDone_ = false;
    bool shown_ = false;
    bool closePending_ = false;
    bool applyingWidths_ = false;
    bool listPausedForBox_ = false;
    bool restoringSelection_ = false;
};

}  // namespace tagmora
