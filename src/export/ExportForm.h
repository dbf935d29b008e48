// ExportForm: the export dialog (the export column list with its editors, the workbook and the
// sheet to export into), and ShowExportForm, which shows it modally for the dialog port.
#pragma once

#include <functional>

#include <QDialog>
#include <QString>

#include "export/ExportDialog.h"

class QCheckBox;
class QComboBox;
class QEvent;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QShowEvent;
class QVBoxLayout;
class QWidget;

namespace tagmora {

// The questions the dialog asks through other windows. An empty member opens the real one: the
// save-file dialog that asks before overwriting, the open-file dialog (both with the filter
// "Excel.Sheet (*.xlsx)"), the Yes/No box of the grouping question. Tests answer them instead.
struct ExportFormQuestions {
    // The path of a new workbook; empty when cancelled.
    std::function<QString(QWidget* parent)> SaveBookName;
    // The path of an existing workbook; empty when cancelled.
    std::function<QString(QWidget* parent)> OpenBookName;
    // "При такой группировке данные могут быть отображены некорректно. Продолжить?": true on Yes.
    std::function<bool(QWidget* parent)> ContinueGrouping;
};

class ExportForm : public QDialog {
    Q_OBJECT
public:
    static constexpr int kMinWidth = 460;
    static constexpr int kMinHeight = 380;

    // Brings request.Settings.ExcColumnsCount into 1..24, fills the column list and shows column 0.
    // "Начать" starts disabled; the sheet combo and its label are hidden. The request's settings and
    // target are edited in place and must outlive the form.
    explicit ExportForm(const ExportDialogRequest& request, ExportFormQuestions questions = {},
                        QWidget* parent = nullptr);

    // How the dialog ended: Start or Declined after "Начать", Cancelled otherwise.
    ExportDialogResult Result() const { return result_; }
    // The index of the selected column.
    int Selected() const { return selected_; }

    // Filling the column list: the heads of the columns, then `index` selected and shown.
    void FillColumnList(int index);
    // Showing a column: its six values into the editors, then the visibility rules.
    void ShowColumn(int index);
    // Storing the editors: the six editor values into the selected column.
    void StoreEditors();

    void AddButtonClick();
    void DeleteButtonClick();
    // PageUp and PageDown: store the editors, then the previous or next column (nothing at the ends).
    void PageUp();
    void PageDown();
    void NewBookButtonClick();
    void OpenBookButtonClick();
    void StartButtonClick();

protected:
    // Leaving an editor stores the editors (leaving the head edit renames the list entry too).
    bool eventFilter(QObject* watched, QEvent* event) override;
    // Centres the dialog on its parent's window.
    void showEvent(QShowEvent* event) override;

private:
    // The dialog's groups of controls, built by the constructor in turn.
    QGroupBox* BuildColumnsBox();
    QGroupBox* BuildScriptBox();
    QGroupBox* BuildFormatBox();
    void BuildBookRows(QVBoxLayout* layout);
    void ConnectControls();
    void AddKeys();
    void ApplyVisibility();
    void SetSheetControlsVisible(bool visible);

    ExportDialogRequest request_;  // a copy: its settings, target and list are referred to
    ExportFormQuestions questions_;
    ExportDialogResult result_ = ExportDialogResult::Cancelled;
    int selected_ = 0;
    // Set while the list is refilled: its selection changes show and store nothing.
    bool filling_ = false;

    QListWidget* ColumnsList;
    QPushButton* AddButton;
    QPushButton* DeleteButton;
    QLineEdit* ScriptEdit;
    QLineEdit* HeadEdit;
    QCheckBox* GroupCheckBox;
    QCheckBox* LinkCheckBox;
    QCheckBox* LocalCheckBox;
    QLabel* NetAddrLabel;
    QLineEdit* NetAddrEdit;
    QLabel* ExportLabel;
    QPushButton* NewBookButton;
    QPushButton* OpenBookButton;
    QLabel* SheetLabel;
    QComboBox* SheetCombo;
    QPushButton* StartButton;
    QPushButton* CancelButton;
};

// Shows ExportForm modally over `parent` for one request and returns how it ended.
ExportDialogResult ShowExportForm(QWidget* parent, const ExportDialogRequest& request,
                                  ExportFormQuestions questions = {});

}  // namespace tagmora
