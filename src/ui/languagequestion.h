#pragma once

#include "i18n.h"

#include <QMessageBox>

class QPushButton;

// The first-start question for the UI language. Its texts are fixed in all three languages
// because no translator is installed yet when it is shown.
class LanguageQuestion
{
public:
    LanguageQuestion();

    // Shows the modal question and returns the choice.
    Language ask();
    // The choice after the box has closed: no click counts as Simplified Chinese.
    Language choice() const;

    QMessageBox &box() { return messageBox; }
    QPushButton *simplifiedButton() const { return simplified; }
    QPushButton *traditionalButton() const { return traditional; }
    QPushButton *englishButton() const { return english; }

private:
    QMessageBox messageBox;
    QPushButton *simplified = nullptr;
    QPushButton *traditional = nullptr;
    QPushButton *english = nullptr;
};

// The question as the window's start asks it.
Language askLanguageAtFirstStart();
