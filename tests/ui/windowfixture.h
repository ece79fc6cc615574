#pragma once

#include "fakemachine.h"
#include "mainwindow.h"
#include "windowtestkit.h"

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

#include <memory>
#include <string>

// The set-up the window tests share: settings in a folder of their own, a window on fake
// drives and a fake format service whose questions are answered and recorded, and its
// widgets found by name.
class WindowFixture
{
public:
    // Redirects the settings, installs `lang` and puts a fake in place of the file picker.
    bool start(Language lang = English);
    // No window, fresh fakes, no picker calls, and an empty store that keeps the current language
    // (as a real store holds it once the language was chosen).
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
    void click(const char *button) const;
    // The text of a results table cell, and the columns the table hides.
    QString cell(int row, int column) const;
    QList<int> hiddenColumns() const;

    // The display of a test of these streams, without an engine: the reports below play
    // one back. It reads back when the read box is ticked.
    void replay(const QVector<StreamSource> &sources);
    // Twenty steady reports of a write pass, the final one at 100 % and the end of the pass:
    // the card total at `card` MB/s, stream i at streams[i].
    void writePass(double card, const QVector<double> &streams);
    // What the store holds in one group, key by key.
    static QVariantMap storedGroup(const QString &group);

    QTemporaryDir settingsDir;
    // The file picker answers with pickerAnswer and records "<parent>|<caption>|<filter>",
    // where the parent is "window" or "other".
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
