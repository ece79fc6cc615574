#include "mainwindow.h"

#include "i18n.h"

#include <QAction>
#include <QActionGroup>
#include <QMenu>
#include <QMenuBar>

void MainWindow::setupLanguageMenu()
{
    // Texts come from retranslateUi(), which also runs on every language change.
    QMenu *menu = menuBar()->addMenu(QString());
    menu->setObjectName(QStringLiteral("languageMenu"));
    languageMenuAction = menu->menuAction();

    languageGroup = new QActionGroup(this);
    languageGroup->setExclusive(true);
    const auto makeAction = [this, menu](const char *name) {
        auto *action = new QAction(this);
        action->setObjectName(QString::fromLatin1(name));
        action->setCheckable(true);
        languageGroup->addAction(action);
        menu->addAction(action);
        return action;
    };
    langSimplifiedAction = makeAction("langSimplifiedAction");
    langTraditionalAction = makeAction("langTraditionalAction");
    langEnglishAction = makeAction("langEnglishAction");

    // Only the start sets the mark; the exclusive group moves it on every choice.
    switch (I18n::instance()->language()) {
    case SimplifiedChinese:
        langSimplifiedAction->setChecked(true);
        break;
    case TraditionalChinese:
        langTraditionalAction->setChecked(true);
        break;
    case English:
        langEnglishAction->setChecked(true);
        break;
    }

    connect(langSimplifiedAction, &QAction::triggered, this,
            [] { I18n::instance()->setLanguage(SimplifiedChinese); });
    connect(langTraditionalAction, &QAction::triggered, this,
            [] { I18n::instance()->setLanguage(TraditionalChinese); });
    connect(langEnglishAction, &QAction::triggered, this,
            [] { I18n::instance()->setLanguage(English); });
}
