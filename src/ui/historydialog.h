#pragma once

#include "cardinfo.h"
#include "historydb.h"
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

// The averages and minimums of a card's tests over time, oldest on the left.
class HistoryChart : public QWidget
{
    Q_OBJECT
public:
    explicit HistoryChart(QWidget *parent = nullptr);
    void setTests(const QVector<HistoryTest> &tests);  // newest first, as listed
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
    HistoryDialog(const QString &path, const QString &cardKey, QWidget *parent = nullptr);

protected:
    void changeEvent(QEvent *event) override;

private:
    void retranslate();
    void fillCards(const QString &key);
    void showTests();
    void deleteSelected();
    void exportCsv();

    HistoryDb m_db;
    QVector<HistoryCard> m_cards;
    QVector<HistoryTest> m_tests;
    QLabel *m_cardLabel = nullptr;
    QComboBox *m_cardCombo = nullptr;
    QTableWidget *m_table = nullptr;
    HistoryChart *m_chart = nullptr;
    QLabel *m_notice = nullptr;
    QPushButton *m_deleteButton = nullptr;
    QPushButton *m_exportButton = nullptr;
    QPushButton *m_closeButton = nullptr;
};

// The window's part of the history: the File menu's "Card history…" and the switch that
// turns recording on and off (stored as history/enabled), and the recording of every test
// that completed or failed.
class HistoryActions : public QObject
{
    Q_OBJECT
public:
    HistoryActions(QMainWindow *window, QMenu *menu);
    bool recording() const;
    // Compares and records the run whose report this is; says what it found through log().
    void record(QJsonObject report, const CardInfo &card, const VerdictRules &rules);
    // The card of the last recorded test, shown first by the dialog.
    void setCurrentCard(const QString &key) { m_cardKey = key; }
    // The report's "previous" of the last recorded test: null when there was none.
    QJsonValue previous() const { return m_previous; }

signals:
    void log(const QString &message);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void retranslate();

    QMainWindow *m_window;
    QAction *m_openAction;
    QAction *m_recordAction;
    QString m_cardKey;
    QJsonValue m_previous;
};
