#pragma once

#include <QDockWidget>
#include <QStringList>

class QAction;
class QLabel;
class QMainWindow;
class QPlainTextEdit;
class QPushButton;

// The log in the window: every line in a panel the user shows and hides (hidden at first, so
// the window keeps its layout), the latest line in the status bar, and the lines that need
// the user's eye (a refused format, a cancelled test, the data check, errors) kept there
// until the next test. The debug output is written elsewhere, as before.
class LogPanel : public QDockWidget
{
    Q_OBJECT
public:
    // Docks itself at the bottom of `window`, adds a View menu to its menu bar and two labels
    // to its status bar.
    explicit LogPanel(QMainWindow *window);

    // One line: `stamp` is its time as the debug output shows it.
    void append(const QString &stamp, const QString &message);
    // A test begins: the kept lines make way.
    void newTest();
    QString text() const;
    QStringList keptLines() const { return m_kept; }
    QAction *showAction() const { return m_showAction; }
    // Writes the log as UTF-8 text; false when it could not be written.
    bool saveTo(const QString &path) const;

signals:
    void saveRequested();

protected:
    void changeEvent(QEvent *event) override;

private:
    void retranslate();
    bool needsAttention(const QString &message) const;

    QPlainTextEdit *m_view = nullptr;
    QPushButton *m_copyButton = nullptr;
    QPushButton *m_saveButton = nullptr;
    QAction *m_viewMenu = nullptr;
    QAction *m_showAction = nullptr;
    QLabel *m_keptLabel = nullptr;
    QLabel *m_latestLabel = nullptr;
    QStringList m_kept;
};
