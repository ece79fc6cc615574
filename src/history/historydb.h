#pragma once

#include "sqlite.h"

#include <QDateTime>
#include <QStringList>
#include <QVector>

#include <optional>

// A card as the history knows it. `key` says how it was recognised: "cid:…" (an SD card's
// own register), "usb:…" (the USB device with the volume on it) or "volume:…" (the volume
// serial with the capacity); the same key is the same card.
struct HistoryCard {
    qint64 id = 0;
    QString key;
    QString description;  // identityText() when it was last seen
    QString label;
    QString fileSystem;
    qint64 totalBytes = 0;
    QDateTime lastTested;
    int testCount = 0;
};

// The figures of one result row.
struct HistoryRow {
    QString name;
    QString kind;       // "card" or "stream"
    QVariantMap write;  // avg, max, min, jitter, cv, dropRatio, dropCount, sampleCount
    QVariantMap read;   // empty without a read pass
    QString writeVerdict, readVerdict, dataVerdict, verdict;
};

// One recorded test. Figures that a test did not produce are NaN (a failed run has no rows).
struct HistoryTest {
    qint64 id = 0;
    qint64 cardId = 0;
    QDateTime startedAt;
    QDateTime endedAt;
    QString tool;
    QString version;
    QString outcome;  // "completed" or "failed"
    QString label;
    QString fileSystem;
    qint64 totalBytes = 0;
    QString mode;  // "random", "files" or "fill"
    qint64 testSize = 0;
    int streams = 1;
    qint64 blockSize = 0;
    bool read = false;
    bool verify = false;
    int rounds = 1;
    double writeAvg = qQNaN();
    double writeMin = qQNaN();
    double readAvg = qQNaN();
    double readMin = qQNaN();
    QString verdict;    // empty unless completed
    QString dataCheck;  // the data check's summary as JSON, empty without one
    QString report;     // the whole JSON report of the run
    QVector<HistoryRow> rows;
};

// The card history in one SQLite file. Opening never fails the program: a file that is not
// a database, or a damaged one, is moved aside and a new one started; one written by a newer
// version is opened read-only. What happened is in notices(), ready for the log.
class HistoryDb
{
public:
    static constexpr int kSchemaVersion = 1;

    // history.sqlite in the application's data folder, or $LUMORACARD_HISTORY_DB.
    static QString defaultPath();

    explicit HistoryDb(const QString &path = defaultPath());
    bool isOpen() const { return m_db.isOpen(); }
    bool isReadOnly() const { return m_db.isReadOnly(); }
    QString path() const { return m_path; }
    // Log lines about opening (moved aside, read-only, cannot be opened), in the UI language.
    QStringList notices() const { return m_notices; }
    // The last failure of a write, in the UI language.
    QString lastError() const { return m_lastError; }

    // Records a test of the card with this key: the card is added on its first test and
    // updated on every later one. False (nothing written) when the database is read-only,
    // missing, full or busy beyond the timeout.
    bool record(const HistoryCard &card, HistoryTest *test);

    QVector<HistoryCard> cards();
    std::optional<HistoryCard> cardByKey(const QString &key);
    // Tests of one card (every card with 0), newest first, without their rows and report.
    QVector<HistoryTest> tests(qint64 cardId = 0);
    // One test complete with its rows and report.
    std::optional<HistoryTest> test(qint64 id);
    // The newest completed test of the card before `before` with the same mode, block size
    // and stream count.
    std::optional<HistoryTest> previousComparable(qint64 cardId, const HistoryTest &current);
    bool removeTest(qint64 id);

private:
    bool openFile(bool readOnly);
    bool migrate();
    void moveAside(const QString &why);
    bool fail(const char *key);

    QString m_path;
    SqliteConnection m_db;
    QStringList m_notices;
    QString m_lastError;
    bool m_damaged = false;
    QString m_damage;
};
