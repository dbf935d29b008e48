// Marking: the commands of the "&Выделение" menu that set and clear the rows' check boxes in bulk
// (all, without a tag, with a tag, the highlighted ones, inverse, none, or by a condition on a
// column), and the removal of the checked rows from the list. Each reports through the list's
// status reporter: " Подождите..." while it runs, then " Отмечено файлов - " and the number of
// rows checked in the whole list afterwards:
//
//     MarkEmptyMnuClick(list);                 // rows whose ID3v text is "0" checked, others not
//     MarkCondition c{.Field = ColArtist, .Operator = MarkOperator::Contains, .Value = "beat"};
//     ApplyMarkCondition(list, c);             // "The Beatles" matches: case is ignored
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tagmora {

class FileList;
struct FileRow;

inline constexpr const char* kStatusMarked = " Отмечено файлов - ";
inline constexpr const char* kStatusRemoving = " Удаление из списка...";

// The ready rules of the menu, one per command.
enum class MarkRule {
    All,           // MarkAllMnu: checked
    Empty,         // MarkEmptyMnu: checked exactly when the row is empty
    Full,          // MarkFullMnu: checked exactly when the row is not empty
    Selected,      // MarkSelectedMnu: highlighted rows checked, the others unchanged
    OnlySelected,  // MarkOnlySelectedMnu: checked exactly when highlighted
    None,          // UnMarkMnu: unchecked
    Inverse,       // InverseMnu: the opposite of the current state
};

// A row is empty exactly when its ID3v column reads "0" (reading found no tag); a row never read
// (an empty ID3v text) is not empty.
bool IsEmptyRow(const FileRow& row);

// Applies the rule to every row; the number of rows checked afterwards (for None: 0).
int ApplyMarkRule(FileList& list, MarkRule rule);

// The frame of a marking command: " Подождите...", the rule, then ShowStatusBriefly of
// " Отмечено файлов - " and the count.
void RunMarkRule(FileList& list, MarkRule rule);

// The commands of the menu, each RunMarkRule with its rule.
void MarkAllMnuClick(FileList& list);
void MarkEmptyMnuClick(FileList& list);
void MarkFullMnuClick(FileList& list);
void MarkSelectedMnuClick(FileList& list);
void MarkOnlySelectedMnuClick(FileList& list);
void UnMarkMnuClick(FileList& list);
void InverseMnuClick(FileList& list);

// The operators of the condition, as WhatCombo lists them.
enum class MarkOperator { Equal = 0, NotEqual = 1, Contains = 2 };

// The test of a condition. Equal / NotEqual: the same characters (case-sensitive) or the same
// after Unicode simple case folding (Cyrillic and Greek included: "ёЖ" equals "ЁЖ"). Contains:
// `pattern` occurs in `value`, folded alike when case is ignored; an empty pattern never occurs
// and nothing occurs in an empty value. Any other operator holds always.
bool MarkConditionHolds(std::string_view value, std::string_view pattern, int op, bool caseSensitive);

// What the condition dialog (TMarkForm) gives back.
struct MarkCondition {
    int Field = 0;  // ColumnId: 0 is FileText (the full path with subfolders, the name in flat scans)
    MarkOperator Operator = MarkOperator::Equal;
    std::string Value;
    bool OnlyMarked = false;  // MarkedCheckBox: "Искать только среди отмеченных"
    bool KeepUnmatched = false;  // IgnorCheckBox: "Игнорировать файлы, которые не удовлетворяют..."
    bool CaseSensitive = false;  // CSCheckBox: "Учитывать регистр"
};

// Applies a condition: with both options off it replaces the marking (matching rows checked, the
// others unchecked); with OnlyMarked it narrows the current marking (unchecked rows are not looked
// at); with KeepUnmatched alone it adds the matching rows. The dialog greys KeepUnmatched while
// OnlyMarked is ticked, and a greyed box does not count: with both ticked the condition narrows.
// The number of rows checked afterwards.
int ApplyMarkCondition(FileList& list, const MarkCondition& condition);

// The condition dialog as the command sees it: a new dialog per question, nothing kept.
class MarkDialogPort {
public:
    virtual ~MarkDialogPort() = default;
    // The condition confirmed with "Ok", or nothing on cancel.
    virtual std::optional<MarkCondition> AskMarkCondition() = 0;
};

// CustomMarkMnu "От&метить...": asks the dialog; on cancel nothing changes, not even the status
// bar; on "Ok" the frame of the marking commands around ApplyMarkCondition. The dialog is shown
// for an empty list too (the count is then 0).
void CustomMarkMnuClick(FileList& list, MarkDialogPort& dialog);

// RemoveMnu "&Удалить из списка": " Удаление из списка...", every checked row taken out of the
// list (the others keep their order), then " Готово." briefly. Files are not touched; folder
// numbers and the per-folder counters stay as they were.
void RemoveMnuClick(FileList& list);

}  // namespace tagmora
