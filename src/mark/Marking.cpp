// The marking commands, the condition test and the removal of checked rows.
#include "mark/Marking.h"

#include <algorithm>

#include "common/Messages.h"
#include "common/Text.h"
#include "filelist/FileList.h"

namespace tagmora {

namespace {

bool RuleResult(const FileRow& row, MarkRule rule) {
    switch (rule) {
        case MarkRule::All: return true;
        case MarkRule::Empty: return IsEmptyRow(row);
        case MarkRule::Full: return !IsEmptyRow(row);
        case MarkRule::Selected: return row.Selected || row.Checked;
        case MarkRule::OnlySelected: return row.Selected;
        case MarkRule::None: return false;
        case MarkRule::Inverse: return !row.Checked;
    }
    return row.Checked;
}

void ShowMarkedCount(FileList& list, int count) {
    list.Status().ShowStatusBriefly(kStatusMarked + std::to_string(count));
}

}  // namespace

bool IsEmptyRow(const FileRow& row) { return row.ColumnText(ColId3v) == "0"; }

int ApplyMarkRule(FileList& list, MarkRule rule) {
    int count = 0;
    for (FileRow& row : list.Rows()) {
        row.Checked = RuleResult(row, rule);
        if (row.Checked) ++count;
    }
    return count;
}

void RunMarkRule(FileList& list, MarkRule rule) {
    list.Status().ShowStatus(kStatusWait);
    const int count = ApplyMarkRule(list, rule);
    // Unmarking reports 0 without counting.
    ShowMarkedCount(list, rule == MarkRule::None ? 0 : count);
}

void MarkAllMnuClick(FileList& list) { RunMarkRule(list, MarkRule::All); }
void MarkEmptyMnuClick(FileList& list) { RunMarkRule(list, MarkRule::Empty); }
void MarkFullMnuClick(FileList& list) { RunMarkRule(list, MarkRule::Full); }
void MarkSelectedMnuClick(FileList& list) { RunMarkRule(list, MarkRule::Selected); }
void MarkOnlySelectedMnuClick(FileList& list) { RunMarkRule(list, MarkRule::OnlySelected); }
void UnMarkMnuClick(FileList& list) { RunMarkRule(list, MarkRule::None); }
void InverseMnuClick(FileList& list) { RunMarkRule(list, MarkRule::Inverse); }

bool MarkConditionHolds(std::string_view value, std::string_view pattern, int op, bool caseSensitive) {
    switch (op) {
        case static_cast<int>(MarkOperator::Equal):
            return caseSensitive ? value == pattern : text::EqualsIgnoreCase(value, pattern);
        case static_cast<int>(MarkOperator::NotEqual):
            return caseSensitive ? value != pattern : !text::EqualsIgnoreCase(value, pattern);
        case static_cast<int>(MarkOperator::Contains):
            if (pattern.empty() || value.empty()) return false;
            if (caseSensitive) return value.find(pattern) != std::string_view::npos;
            return text::FoldCase(value).find(text::FoldCase(pattern)) != std::string::npos;
        default: return true;
    }
}

int ApplyMarkCondition(FileList& list, const MarkCondition& condition) {
    const int field = std::clamp(condition.Field, 0, kColumnCount - 1);
    // A greyed IgnorCheckBox (MarkedCheckBox ticked) is not a choice the user made.
    const bool keepUnmatched = condition.KeepUnmatched && !condition.OnlyMarked;
    int count = 0;
    for (FileRow& row : list.Rows()) {
        if (condition.OnlyMarked && !row.Checked) continue;
        if (MarkConditionHolds(row.ColumnText(field), condition.Value, static_cast<int>(condition.Operator),
                               condition.CaseSensitive)) {
            row.Checked = true;
        } else if (!keepUnmatched) {
            row.Checked = false;
        }
        if (row.Checked) ++count;
    }
    return count;
}

void CustomMarkMnuClick(FileList& list, MarkDialogPort& dialog) {
    const std::optional<MarkCondition> condition = dialog.AskMarkCondition();
    if (!condition) return;
    list.Status().ShowStatus(kStatusWait);
    ShowMarkedCount(list, ApplyMarkCondition(list, *condition));
}

void RemoveMnuClick(FileList& list) {
    list.Status().ShowStatus(kStatusRemoving);
    std::erase_if(list.Rows(), [](const FileRow& row) { return row.Checked; });
    list.Status().ShowStatusBriefly(kStatusDone);
}

}  // namespace tagmora
