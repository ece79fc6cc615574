#pragma once

#include "fakemachine.h"
#include "i18n.h"
#include "mainwindow.h"

// The window's widgets, so that every test can find them by type.
#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QSpinBox>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QVariantMap>
#include <QtTest>

#include <functional>
#include <memory>
#include <string>

// The set-up the window tests share: settings in a folder of their own, a window on fake
// drives and a fake format service whose prompts are answered and recorded, a fake file
// picker, and the window's widgets found by name.
class WindowFixture
{
public:
    // Redirects the settings and installs `lang` as the start-up does, without asking.
    bool start(Language lang = English);
    // No window, fresh fakes, and an empty store that keeps the current language.
    void reset();
    // Builds a new window and shows it. Without fake drives it sees the machine's own.
    MainWindow &open(bool fakeDrives = true);
    // A card on the fake machine; the next refresh lists it.
    FakeDrive &addCard(const std::string &root, qint64 freeBytes, qint64 totalBytes);

    template <typename T>
    T *child(const char *name) const
    {
        return window->findChild<T *>(QString::fromLatin1(name));
    }
    void click(const char *button) const { child<QPushButton>(button)->click(); }
    bool idle() const { return child<QPushButton>("startButton")->isEnabled(); }
    // The text of a results table cell.
    QString cell(int row, int column) const
    {
        const QTableWidgetItem *item = child<QTableWidget>("resultsTable")->item(row, column);
        return item ? item->text() : QStringLiteral("<no item>");
    }
    bool columnHidden(int column) const
    {
        return child<QTableWidget>("resultsTable")->isColumnHidden(column);
    }

    // The display of a test of `streams` random streams without an engine, then twenty
    // steady reports of a write pass and its end: the card total at `card` MB/s, stream i
    // at streams[i].
    void replay(int streams);
    void writePass(double card, const QVector<double> &streams);
    // What the store holds in one group, key by key.
    static QVariantMap storedGroup(const QString &group);

    QTemporaryDir settingsDir;
    // The file picker answers with pickerAnswer and records the caption of each call.
    QStringList pickerAnswer;
    QStringList pickerCalls;
    std::shared_ptr<FakeDriveTable> drives;
    std::shared_ptr<FakeFormatScript> format;
    PromptLog prompts;
    std::unique_ptr<MainWindow> window;
};

// The base of the window test classes: every test function starts in English from an empty
// store with a new window on an empty fake machine.
class WindowTestCase : public QObject
{
    Q_OBJECT

protected slots:
    void initTestCase();
    void init();
    void cleanup();

protected:
    WindowFixture f;
};

// Switches the language as the menu does and lets the change reach the widgets.
void switchLanguage(Language lang);

// Closes any modal dialog that opens while it lives, so that a test never waits for a person.
class ModalCloser : public QObject
{
public:
    ModalCloser();
    int closed = 0;

private:
    QTimer timer;
};

// Collects the window's log (its debug output) while it lives.
class LogCapture
{
public:
    LogCapture()
    {
        s_lines.clear();
        m_previous = qInstallMessageHandler(&LogCapture::handle);
    }
    ~LogCapture()
    {
        qInstallMessageHandler(m_previous);
        onMessage = nullptr;
    }
    LogCapture(const LogCapture &) = delete;
    LogCapture &operator=(const LogCapture &) = delete;

    // The lines without their "[hh:mm:ss] " time stamps.
    static QStringList messages()
    {
        QStringList out;
        for (const QString &line : s_lines)
            out << line.mid(11);
        return out;
    }
    // Called with each message as it is logged, in the logging thread.
    static inline std::function<void(const QString &)> onMessage;

private:
    static void handle(QtMsgType type, const QMessageLogContext &, const QString &text)
    {
        if (type != QtDebugMsg)
            return;
        s_lines << text;
        if (onMessage)
            onMessage(text.mid(11));
    }
    static inline QStringList s_lines;
    QtMessageHandler m_previous = nullptr;
};
