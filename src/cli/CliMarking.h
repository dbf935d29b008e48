// tagmora-cli marking: --mark and --where, the marking commands of the program's "&Выделение"
// menu for every command that shows or acts on checked rows, applied in the order given once the
// rows are read:
//
//     tagmora-cli list --mark empty FOLDER
//     tagmora-cli eval --where Artist '~' beat --case '%p0%' FOLDER
//     tagmora-cli rename --preset --mark all --where Year = 1999 --within-marked FOLDER
#pragma once

#include <string>
#include <vector>

#include "mark/Marking.h"

namespace CLI {
class App;
}

namespace tagmora::cli {

struct CliSession;

// One --mark or --where, in the order given.
struct MarkingStep {
    bool IsRule = true;
    MarkRule Rule = MarkRule::All;  // --mark
    MarkCondition Condition;        // --where: field, operator and value
};

// What the marking options of a command asked for. The flags hold for every --where: --case
// compares case-sensitively; --within-marked narrows the marking (MarkedCheckBox); --add adds the
// matching rows to it (IgnorCheckBox; with --within-marked it does not count, as the greyed box
// does not in the dialog). Without either the condition replaces the marking.
struct MarkingOptions {
    std::vector<MarkingStep> Steps;
    bool CaseSensitive = false;
    bool WithinMarked = false;
    bool Add = false;
};

// The rule named by a --mark value: all, empty, full, inverse, none. False for any other.
bool ParseMarkRule(const std::string& name, MarkRule& rule);
// The names --mark takes, in the order of the program's menu.
std::vector<std::string> MarkRuleNames();
// The column of a --where: a caption of the list ("Artist", "File size", "TAG Owner"), ignoring
// ASCII case; -1 when there is none.
int ParseMarkField(const std::string& caption);
// The operator of a --where: "=", "!=" or "~" (contains). False for any other.
bool ParseMarkOperator(const std::string& text, MarkOperator& op);

// Adds --mark, --where, --case, --within-marked and --add to `command`; each --mark and --where
// is recorded in `options` as it is parsed, so that the steps keep the order of the command line.
// A bad rule, column or operator is a usage error naming it.
void AddMarkingOptions(CLI::App& command, MarkingOptions& options);

// Applies the steps to the session's rows, in order, with the semantics of the marking commands
// (ApplyMarkRule, ApplyMarkCondition). Nothing changes without steps.
void ApplyMarking(CliSession& session, const MarkingOptions& options);

}  // namespace tagmora::cli
