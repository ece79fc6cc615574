#pragma once

#include "i18n.h"
#include "isolatedsettings.h"
#include "languagequestion.h"
#include "streamsource.h"

#include <QApplication>
#include <QCoreApplication>
#include <QSettings>
#include <QTimer>
#include <QVector>
#include <QWidget>

// Points every QSettings at `dir`, stores `lang` as the chosen language (so that no
// first-start question appears) and installs it, as the start-up does before the window
// exists. Returns whether the settings really live under `dir`.
inline bool startWindowEnvironment(const QString &dir, Language lang)
{
    if (!isolateSettings(dir))
        return false;
    QCoreApplication::setApplicationVersion(QStringLiteral("1.0.1"));
    QSettings().setValue(QStringLiteral("ui/language"), int(lang));
    I18n::instance()->initLanguage(askLanguageAtFirstStart);
    return I18n::instance()->language() == lang;
}

// Switches the language as the menu does and lets the change events reach the widgets.
inline void switchLanguage(Language lang)
{
    I18n::instance()->setLanguage(lang);
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
}

// The text of `key` in `lang`, straight from the string table.
inline QString tableText(Language lang, const char *key)
{
    return I18n::instance()->table(lang).value(QString::fromLatin1(key));
}

inline QVector<StreamSource> randomStreams(int count)
{
    QVector<StreamSource> sources;
    for (int i = 1; i <= count; ++i)
        sources.append(StreamSource{StreamSource::RandomStream, i, QString()});
    return sources;
}

// Rejects any modal dialog that opens while it lives (a file picker, a message box), so
// that a test of the control that opens it never waits for a person.
class ModalCloser : public QObject
{
public:
    ModalCloser()
    {
        connect(&timer, &QTimer::timeout, this, [this] {
            if (QWidget *modal = QApplication::activeModalWidget()) {
                ++closed;
                modal->close();
            }
        });
        timer.start(20);
    }
    int closed = 0;

private:
    QTimer timer;
};
