#pragma once

#include "fakemachine.h"
#include "i18n.h"
#include "mainwindow.h"

#include <QtTest>
#include <QtWidgets>

class VerdictRulesDialog;

// Settings in a folder of their own, a window on fake drives and a fake format service, its
// prompts answered and recorded, and the window's widgets by name.
class WindowFixture
{
public:
    // Redirects the settings and installs `lang` as the start-up does, without asking.
    bool start(Language lang = English);
    // No window, fresh fakes, and an empty store that keeps the current language.
    void reset();
    // A new window, shown. Without fake drives it sees the machine's own.
    MainWindow &open(bool fakeDrives = true);
    FakeDrive &addCard(const std::string &root, qint64 freeBytes, qint64 totalBytes);

    template <typename T>
    T *child(const char *name) const
    {
        return window->findChild<T *>(QString::fromLatin1(name));
    }
    void click(const char *button) const { child<QPushButton>(button)->click(); }
    bool idle() const { return child<QPushButton>("startButton")->isEnabled(); }
    QString cell(int row, int column) const
    {
        const QTableWidgetItem *item = child<QTableWidget>("resultsTable")->item(row, column);
        return item ? item->text() : QStringLiteral("<no item>");
    }
    // A test size of `bytes` chosen, and `streams` streams.
    void chooseSize(qint64 bytes, int streams);
    // Opens the rules dialog, lets `edit` change it once it is on screen, and accepts it.
    void acceptRules(const std::function<void(VerdictRulesDialog *)> &edit = {}) const;

    QTemporaryDir settingsDir;
    std::shared_ptr<FakeDriveTable> drives;
    FakeFormatService *format = nullptr;  // owned by the window
    PromptLog prompts;
    std::unique_ptr<MainWindow> window;
};

// Every test function starts in English from an empty store, with a new window on an empty
// fake machine.
class WindowTestCase : public QObject
{
    Q_OBJECT

protected slots:
    void initTestCase() { QVERIFY2(f.start(), "settings are not redirected"); }
    void init();
    void cleanup() { f.reset(); }

protected:
    WindowFixture f;
};

// Switches the language as the menu does and lets the change reach the widgets.
void switchLanguage(Language lang);

// Collects the window's log (its debug output), without the "[hh:mm:ss] " time stamps.
class LogCapture
{
public:
    LogCapture();
    ~LogCapture();
    LogCapture(const LogCapture &) = delete;
    LogCapture &operator=(const LogCapture &) = delete;
    static QStringList messages() { return s_lines; }

private:
    static void handle(QtMsgType type, const QMessageLogContext &, const QString &text);
    static inline QStringList s_lines;
    QtMessageHandler m_previous = nullptr;
};
