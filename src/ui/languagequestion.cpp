#include "languagequestion.h"

#include <QAbstractButton>
#include <QPushButton>

LanguageQuestion::LanguageQuestion()
{
    messageBox.setWindowTitle(QStringLiteral("Select Language / 选择语言 / 選擇語言"));
    messageBox.setText(QStringLiteral("Please choose your language.\n请选择语言。\n請選擇語言。"));
    messageBox.setIcon(QMessageBox::Question);
    simplified = messageBox.addButton(QStringLiteral("简体中文"), QMessageBox::AcceptRole);
    traditional = messageBox.addButton(QStringLiteral("繁體中文"), QMessageBox::AcceptRole);
    english = messageBox.addButton(QStringLiteral("English"), QMessageBox::AcceptRole);
    messageBox.setDefaultButton(simplified);
}

Language LanguageQuestion::ask()
{
    messageBox.exec();
    return choice();
}

Language LanguageQuestion::choice() const
{
    const QAbstractButton *clicked = messageBox.clickedButton();
    if (clicked && clicked == traditional)
        return TraditionalChinese;
    if (clicked && clicked == english)
        return English;
    return SimplifiedChinese;
}

Language askLanguageAtFirstStart()
{
    LanguageQuestion question;
    return question.ask();
}
