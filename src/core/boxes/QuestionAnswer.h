#pragma once

#include "common/BoxState.h"

#include <QMetaType>
#include <QString>

#include <optional>

// What a box says of the yes/no question on its screen: nobody answered
// yet, yes, no, or answered in words that do not say which.
enum class PromptReply { Open, Yes, No, Answered };

// What a box said to a question such as the mode question.
struct QuestionAnswer {
    // False when the box was asked and gave no answer, or one that tells
    // nothing (error says why): what was known of it stays. A box that
    // cannot be asked the question counts as reached.
    bool reached = true;
    // The mode question: whether a message would be seen now; nothing when
    // the box cannot tell.
    std::optional<bool> canShow;
    // What a reached mode answer says of the box: standby when a message
    // would not be seen, on otherwise (also when it cannot tell).
    BoxState stateSaid() const { return canShow == false ? BoxState::Standby : BoxState::On; }
    QString error;
    // Not reached since it never went: its address refused or its name not
    // resolved (messages to it fail the same way, in their own words).
    bool neverSent = false;
    // The HTTP status of the box's answer, 0 when none (401: it wants a login).
    int status = 0;
    // The answer question: what became of the yes/no question.
    std::optional<PromptReply> reply;
};

Q_DECLARE_METATYPE(QuestionAnswer)
