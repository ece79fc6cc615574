#include "appidentity.h"
#include "focusringstyle.h"
#include "i18n.h"
#include "languagequestion.h"
#include "mainwindow.h"
#include "sessionguard.h"

#include <QApplication>
#include <QIcon>
#include <QStyle>

int main(int argc, char *argv[])
{
    // On a 125-200 % screen the window scales instead of shrinking, by the screen's own
    // factor: rounded, 150 % would become 200 % and the window would no longer fit. Qt 5
    // reads these only before the application object exists.
    QGuiApplication::setHighDpiScaleFactorRoundingPolicy(
        Qt::HighDpiScaleFactorRoundingPolicy::PassThrough);
    QCoreApplication::setAttribute(Qt::AA_EnableHighDpiScaling);
    QCoreApplication::setAttribute(Qt::AA_UseHighDpiPixmaps);
    QApplication app(argc, argv);
    setApplicationIdentity();
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/logo.ico")));
    // The platform's look, with a focus ring that shows where the keyboard is.
    QApplication::setStyle(new FocusRingStyle(QApplication::style()->objectName()));

    // Asks on the first start and installs the translator, so the window is built in the
    // chosen language from its first text on.
    I18n::instance()->initLanguage(askLanguageAtFirstStart);

    int result = 0;
    {
        // Destroyed before the application object: its destructor stops and joins a
        // running engine while everything it reports to still exists.
        MainWindow window;
        // A signal or the end of the session stops a running test, which deletes its files.
        SessionGuard guard(&window);
        window.show();
        result = app.exec();
    }
    return result;
}
