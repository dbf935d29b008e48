// Test support: dialogs that answer as a test tells them and count the questions.
#pragma once

#include <optional>

#include "commands/Dialogs.h"

namespace tagmora::test {

// The condition dialog answers with `Answer` (nothing: cancelled); the other dialogs are never
// confirmed.
class AnsweringMarkDialog : public NullDialogs {
public:
    std::optional<MarkCondition> AskMarkCondition() override {
        ++Asked;
        return Answer;
    }
    std::optional<MarkCondition> Answer;
    int Asked = 0;
};

}  // namespace tagmora::test
