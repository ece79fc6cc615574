#pragma once

#include <QString>

#include <functional>

class QWidget;

// One message box or question of the main window. All of them pass through one handler so
// that a test can answer them without a person and without a nested event loop of its own.
struct UserPrompt {
    enum Kind {
        Warning,        // a refusal, OK only
        Critical,       // a blocked target, OK only
        RunError,       // an engine error: shown without waiting for OK, the run goes on ending
        Question,       // Yes / No, No by default
        FormatConfirm,  // the last word before a card is erased: Format / Cancel
    };

    Kind kind = Warning;
    QString title;
    QString text;
};

// Returns true for Yes or Format; the answer to an OK-only box is false and not used.
using PromptHandler = std::function<bool(QWidget *parent, const UserPrompt &prompt)>;

// The real handler: modal message boxes, and the format confirmation dialog.
bool showUserPrompt(QWidget *parent, const UserPrompt &prompt);
