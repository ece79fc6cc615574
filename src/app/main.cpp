#include "appidentity.h"
#include "i18n.h"
#include "languagequestion.h"
#include "mainwindow.h"
#include "startup.h"

#include <QApplication>
#include <QIcon>

int main(int argc, char *argv[])
{
    platform::prepareProcess();
    // On a 150-200 % screen the window scales instead of shrinking; Qt 5 reads these only
    // before the application object exists.
    QCoreApplication::setAttribute(Qt::AA_EnableHighDpiScaling);
    QCoreApplication::setAttribute(Qt::AA_UseHighDpiPixmaps);
    QApplication app(argc, argv);
    setApplicationIdentity();
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/logo.ico")));

    // Asks on the first start and installs the translator, so the window is built in the
    // chosen language from its first text on.
    I18n::instance()->initLanguage(askLanguageAtFirstStart);

    int result = 0;
    {
        // Destroyed before the application object: its destructor stops and joins a
        // running engine while everything it reports to still exists.
        MainWindow window;
        window.show();
        result = app.exec();
    }
    return result;
}
