// TRenameForm: the rename dialog (script field with its history, live preview, Ok and Cancel),
// and the Qt implementation of the dialog port that shows it modally.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include <QDialog>

#include "rename/ScriptRename.h"

class QComboBox;
class QLabel;
class QPushButton;
class QShowEvent;
class QWidget;

namespace tagmora {

class FileList;

class TRenameForm : public QDialog {
    Q_OBJECT
public:
    // The drop-down list holds `history` with its first entry in the edit field; the label is empty
    // and Ok disabled until the text changes. Previews run on `sampleRow` of `list`.
    TRenameForm(const std::vector<std::string>& history, const FileList& list, int sampleRow,
                QWidget* parent = nullptr);

    // The text of ScriptEdit (UTF-8).
    std::string ScriptText() const;

    // On every change of the script text, typed or picked: ChLabel shows CheckScript of the text,
    // and OkButton is enabled exactly when that is neither empty nor "Error".
    void ScriptChanged(const QString& text);

protected:
    // Centres the dialog on its parent's window.
    void showEvent(QShowEvent* event) override;

private:
    const FileList& list_;
    int sampleRow_;
    QLabel* Label1;
    QComboBox* ScriptEdit;
    QLabel* ChLabel;
    QPushButton* OkButton;
    QPushButton* CancelButton;
};

// The dialog port of the program: TRenameForm over `parent`, created and destroyed per question.
class QtScriptDialog : public ScriptDialogPort {
public:
    explicit QtScriptDialog(QWidget* parent) : parent_(parent) {}
    std::optional<std::string> AskRenameScript(const std::vector<std::string>& history, const FileList& list,
                                               int sampleRow) override;

private:
    QWidget* parent_;
};

}  // namespace tagmora
