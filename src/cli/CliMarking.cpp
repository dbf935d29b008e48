// tagmora-cli marking: the options and their application.
#include "cli/CliMarking.h"

#include <CLI/CLI.hpp>

#include <array>
#include <utility>

#include "cli/CliCommon.h"
#include "common/Text.h"
#include "filelist/FileList.h"

namespace tagmora::cli {

namespace {

constexpr std::array<std::pair<const char*, MarkRule>, 5> kRules = {{
    {"all", MarkRule::All},
    {"empty", MarkRule::Empty},
    {"full", MarkRule::Full},
    {"inverse", MarkRule::Inverse},
    {"none", MarkRule::None},
}};

}  // namespace

bool ParseMarkRule(const std::string& name, MarkRule& rule) {
    for (const auto& [text, value] : kRules) {
        if (name != text) continue;
        rule = value;
        return true;
    }
    return false;
}

std::vector<std::string> MarkRuleNames() {
    std::vector<std::string> names;
    for (const auto& rule : kRules) names.emplace_back(rule.first);
    return names;
}

int ParseMarkField(const std::string& caption) {
    const auto& captions = ColumnCaptions();
    for (int c = 0; c < kColumnCount; ++c) {
        if (text::EqualsAsciiIgnoreCase(caption, captions[static_cast<std::size_t>(c)])) return c;
    }
    return -1;
}

bool ParseMarkOperator(const std::string& text, MarkOperator& op) {
    if (text == "=") op = MarkOperator::Equal;
    else if (text == "!=") op = MarkOperator::NotEqual;
    else if (text == "~") op = MarkOperator::Contains;
    else return false;
    return true;
}

void AddMarkingOptions(CLI::App& command, MarkingOptions& options) {
    command
        .add_option_function<std::string>(
            "--mark",
            [&options](const std::string& name) {
                MarkingStep step;
                if (!ParseMarkRule(name, step.Rule)) {
                    throw CLI::ValidationError("--mark",
                                               "expected all, empty, full, inverse or none, got '" + name + "'");
                }
                options.Steps.push_back(step);
            },
            "check rows: all, empty (without a tag), full (with a tag), inverse, none; repeatable, applied in order "
            "with --where")
        ->type_name("RULE")
        ->trigger_on_parse();
    command
        .add_option_function<std::vector<std::string>>(
            "--where",
            [&options](const std::vector<std::string>& words) {
                MarkingStep step;
                step.IsRule = false;
                step.Condition.Field = ParseMarkField(words[0]);
                if (step.Condition.Field < 0) {
                    throw CLI::ValidationError("--where", "no column '" + words[0] + "' (a caption such as Artist)");
                }
                if (!ParseMarkOperator(words[1], step.Condition.Operator)) {
                    throw CLI::ValidationError("--where", "expected the operator =, != or ~, got '" + words[1] + "'");
                }
                step.Condition.Value = words[2];
                options.Steps.push_back(step);
            },
            "check the rows whose COLUMN (a caption such as Artist or \"File size\") is = VALUE, != VALUE or "
            "contains (~) VALUE, ignoring case; replaces the marking unless --within-marked or --add")
        ->type_name("COLUMN OP VALUE")
        ->expected(3)
        ->allow_extra_args(false)
        ->trigger_on_parse();
    command.add_flag("--case", options.CaseSensitive, "--where compares case-sensitively");
    command.add_flag("--within-marked", options.WithinMarked, "--where only unchecks checked rows that do not match");
    command.add_flag("--add", options.Add, "--where only checks the matching rows, the others keep their state");
}

void ApplyMarking(CliSession& session, const MarkingOptions& options) {
    for (const MarkingStep& step : options.Steps) {
        if (step.IsRule) {
            ApplyMarkRule(session.List, step.Rule);
            continue;
        }
        MarkCondition condition = step.Condition;
        condition.CaseSensitive = options.CaseSensitive;
        condition.OnlyMarked = options.WithinMarked;
        condition.KeepUnmatched = options.Add;
        ApplyMarkCondition(session.List, condition);
    }
}

}  // namespace tagmora::cli
