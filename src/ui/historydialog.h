#pragma once

#include "cardinfo.h"
#include "historydb.h"
#include "userprompt.h"
#include "verdict.h"

#include <QDialog>
#include <QJsonObject>
#include <QWidget>

class QAction;
class QComboBox;
class QLabel;
class QMainWindow;
class QMenu;
class QPushButton;
class QTableWidget;
class HistoryRecorder;

// The averages and minimums of a card's tests over time, oldest on the left.
class HistoryChart : public QWidget
{
    Q_OBJECT
public:
    explicit HistoryChart(QWidget *parent = nullptr);
    void setTests(const QVector<HistoryTest> &tests);  // newest first, as listed
    const QVector<HistoryTest> &tests() const { return m_tests; }
    QSize sizeHint() const override { return QSize(640, 220); }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QVector<HistoryTest> m_tests;  // oldest first
};

// The recorded tests of one card, or of every card: a list, a chart, deleting and exporting.
class HistoryDialog : public QDialog
{
    Q_OBJECT
public:
    // Opens the history at `path`; `cardKey` chooses the card shown first (empty: all).
    // Questions go through `prompt`, the window's handler.
    HistoryDialog(const QString &path, const QString &cardKey, PromptHandler prompt,
                  QWidget *parent = nullptr);

protected:
    void changeEvent(QEvent *event) override;

private:
    void retranslate();
    void fillCards(const QString &key);
    void showTests();
    void showChart();
    void deleteSelected();
    void exportCsv();
    void warnNotSaved(const QString &path);

    HistoryDb m_db;
    PromptHandler m_prompt;
    QVector<HistoryCard> m_cards;
    QVector<HistoryTest> m_tests;
    QLabel *m_cardLabel = nullptr;
    QComboBox *m_cardCombo = nullptr;
    QTableWidget *m_table = nullptr;
    HistoryChart *m_chart = nullptr;
    QLabel *m_chartCard = nullptr;
    QLabel *m_notice = nullptr;
    QPushButton *m_deleteButton = nullptr;
    QPushButton *m_exportButton = nullptr;
    QPushButton *m_closeButton = nullptr;
};

// The window's part of the history: the File menu's "Card history…" and the switch that
// turns recording on and off (stored as history/enabled), and the recording of every test
// that completed or failed, off the window's thread.
class HistoryActions : public QObject
{
    Q_OBJECT
public:
    HistoryActions(QMainWindow *window, QMenu *menu, PromptHandler prompt);
    bool recording() const;
    // Compares and records the run whose report this is; says what it found through log()
    // once it is done.
    void record(const QJsonObject &report, const CardInfo &card, const VerdictRules &rules);
    // The card of the last recorded test, shown first by the dialog.
    void setCurrentCard(const QString &key) { m_cardKey = key; }
    // The report's "previous" of the last recorded test, null when there was none. A recording
    // still under way is waited for (as long as the database's busy timeout at most), so that
    // a report saved at once holds it.
    QJsonValue previous();

signals:
    void log(const QString &message);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void retranslate();

    QMainWindow *m_window;
    PromptHandler m_prompt;
    HistoryRecorder *m_recorder;
    QAction *m_openAction;
    QAction *m_recordAction;
    QString m_cardKey;
    QJsonValue m_previous;
};
