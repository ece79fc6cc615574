#include "historydb.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <sqlite3.h>

#include <cmath>
#include <iterator>

namespace {
constexpr int kBusyTimeoutMs = 5000;
const char *const kPathVariable = "LUMORACARD_HISTORY_DB";

QString tr(const char *key)
{
    return QCoreApplication::translate("HistoryDb", key);
}

// Each step takes the schema from the version before it to the next; never edited once
// released, only added to.
const char *const kMigrations[] = {
    // 0 -> 1
    "CREATE TABLE cards ("
    " id INTEGER PRIMARY KEY,"
    " key TEXT NOT NULL UNIQUE,"
    " description TEXT NOT NULL DEFAULT '',"
    " label TEXT NOT NULL DEFAULT '',"
    " file_system TEXT NOT NULL DEFAULT '',"
    " total_bytes INTEGER NOT NULL DEFAULT 0);"
    "CREATE TABLE tests ("
    " id INTEGER PRIMARY KEY,"
    " card_id INTEGER NOT NULL REFERENCES cards(id) ON DELETE CASCADE,"
    " started_at TEXT NOT NULL, ended_at TEXT,"
    " tool TEXT NOT NULL, version TEXT NOT NULL, outcome TEXT NOT NULL,"
    " label TEXT, file_system TEXT, total_bytes INTEGER,"
    " mode TEXT NOT NULL, test_size INTEGER, streams INTEGER NOT NULL,"
    " block_size INTEGER NOT NULL, read INTEGER NOT NULL, verify INTEGER NOT NULL,"
    " rounds INTEGER NOT NULL,"
    " write_avg REAL, write_min REAL, read_avg REAL, read_min REAL,"
    " verdict TEXT, data_check TEXT, report TEXT NOT NULL);"
    "CREATE INDEX tests_by_card ON tests(card_id, started_at);"
    "CREATE TABLE test_rows ("
    " test_id INTEGER NOT NULL REFERENCES tests(id) ON DELETE CASCADE,"
    " row_index INTEGER NOT NULL, name TEXT NOT NULL, kind TEXT NOT NULL,"
    " write_avg REAL, write_max REAL, write_min REAL, write_jitter REAL, write_cv REAL,"
    " write_drop REAL, write_samples INTEGER,"
    " read_avg REAL, read_max REAL, read_min REAL, read_jitter REAL, read_cv REAL,"
    " read_drop REAL, read_samples INTEGER,"
    " write_verdict TEXT, read_verdict TEXT, data_verdict TEXT, verdict TEXT,"
    " PRIMARY KEY (test_id, row_index));",
};
static_assert(sizeof(kMigrations) / sizeof(kMigrations[0]) == HistoryDb::kSchemaVersion,
              "one migration per schema version");

// user_version cannot be bound as a parameter; the versions are our own constants.
const char *const kSetVersion[] = {"PRAGMA user_version = 1"};

const char *const kStatKeys[] = {"avg", "max", "min", "jitter", "cv", "dropRatio", "sampleCount"};

QVariant number(double v)
{
    return std::isnan(v) ? QVariant() : QVariant(v);
}

double numberOr(const SqliteStatement &q, int column)
{
    return q.isNull(column) ? qQNaN() : q.real(column);
}

QString timeText(const QDateTime &t)
{
    // UTC, so that the text sorts as the time does across changes of the offset.
    return t.isValid() ? t.toUTC().toString(Qt::ISODateWithMs) : QString();
}

// What the test list needs; the columns of kTestColumns in their order.
#define TEST_COLUMNS                                                                               \
    "id, card_id, started_at, ended_at, tool, version, outcome, label, file_system, "              \
    "total_bytes, mode, test_size, streams, block_size, read, verify, rounds, write_avg, "         \
    "write_min, read_avg, read_min, verdict, data_check"

HistoryTest testFrom(const SqliteStatement &q)
{
    HistoryTest t;
    t.id = q.integer(0);
    t.cardId = q.integer(1);
    t.startedAt = QDateTime::fromString(q.text(2), Qt::ISODateWithMs);
    t.endedAt = QDateTime::fromString(q.text(3), Qt::ISODateWithMs);
    t.tool = q.text(4);
    t.version = q.text(5);
    t.outcome = q.text(6);
    t.label = q.text(7);
    t.fileSystem = q.text(8);
    t.totalBytes = q.integer(9);
    t.mode = q.text(10);
    t.testSize = q.integer(11);
    t.streams = int(q.integer(12));
    t.blockSize = q.integer(13);
    t.read = q.integer(14) != 0;
    t.verify = q.integer(15) != 0;
    t.rounds = int(q.integer(16));
    t.writeAvg = numberOr(q, 17);
    t.writeMin = numberOr(q, 18);
    t.readAvg = numberOr(q, 19);
    t.readMin = numberOr(q, 20);
    t.verdict = q.text(21);
    t.dataCheck = q.text(22);
    return t;
}
}  // namespace

QString HistoryDb::defaultPath()
{
    const QByteArray overridden = qgetenv(kPathVariable);
    if (!overridden.isEmpty())
        return QString::fromLocal8Bit(overridden);
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation)
           + QStringLiteral("/history.sqlite");
}

HistoryDb::HistoryDb(const QString &path)
    : m_path(path)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    if (openFile(false))
        return;
    // Only a file that is not a database, or a damaged one, is set aside: a busy or
    // unreachable one belongs to someone else or to the system.
    const int code = m_db.errorCode();
    if (m_damaged || code == SQLITE_NOTADB || code == SQLITE_CORRUPT) {
        moveAside(m_damaged ? m_damage : m_db.errorMessage());
        m_damaged = false;
        if (openFile(false))
            return;
    }
    m_notices
        << tr("LogHistoryUnavailable").arg(QDir::toNativeSeparators(m_path), m_db.errorMessage());
    m_db.close();
}

bool HistoryDb::openFile(bool readOnly)
{
    if (!m_db.open(m_path, readOnly))
        return false;
    m_db.setBusyTimeout(kBusyTimeoutMs);
    SqliteStatement check = m_db.prepare("PRAGMA quick_check");
    if (!check.next())
        return false;
    if (check.text(0) != QLatin1String("ok")) {
        // It answered, with the damage it found.
        m_damaged = true;
        m_damage = check.text(0);
        return false;
    }
    check = SqliteStatement();
    SqliteStatement version = m_db.prepare("PRAGMA user_version");
    if (!version.next())
        return false;
    const qint64 found = version.integer(0);
    version = SqliteStatement();
    if (found > kSchemaVersion) {
        if (!readOnly) {
            m_notices << tr("LogHistoryNewer")
                             .arg(QDir::toNativeSeparators(m_path))
                             .arg(found)
                             .arg(kSchemaVersion);
            return openFile(true);
        }
        return true;
    }
    if (readOnly)
        return true;
    // WAL lets the window and the command line write in turn while the other reads.
    if (!m_db.exec("PRAGMA journal_mode = WAL") || !m_db.exec("PRAGMA foreign_keys = ON"))
        return false;
    return found == kSchemaVersion || migrate();
}

bool HistoryDb::migrate()
{
    SqliteTransaction transaction(m_db);
    if (!transaction.isActive())
        return false;
    // Read again inside the transaction: another program may have migrated meanwhile.
    SqliteStatement version = m_db.prepare("PRAGMA user_version");
    if (!version.next())
        return false;
    for (qint64 v = version.integer(0); v < kSchemaVersion; ++v) {
        if (!m_db.exec(kMigrations[v]) || !m_db.exec(kSetVersion[v]))
            return false;
    }
    version = SqliteStatement();
    return transaction.commit();
}

void HistoryDb::moveAside(const QString &why)
{
    m_db.close();
    const QString aside =
        m_path + QStringLiteral(".damaged-")
        + QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QFile::remove(aside);
    if (!QFile::rename(m_path, aside)) {
        m_notices << tr("LogHistoryUnavailable").arg(QDir::toNativeSeparators(m_path), why);
        return;
    }
    // Journals of the damaged file would be applied to the new one.
    for (const char *suffix : {"-wal", "-shm", "-journal"}) {
        const QString journal = m_path + QLatin1String(suffix);
        if (QFile::exists(journal) && !QFile::rename(journal, aside + QLatin1String(suffix)))
            QFile::remove(journal);
    }
    m_notices << tr("LogHistoryMovedAside")
                     .arg(QDir::toNativeSeparators(m_path), why, QDir::toNativeSeparators(aside));
}

bool HistoryDb::fail(const char *key)
{
    m_lastError = tr(key).arg(QDir::toNativeSeparators(m_path),
                              m_db.isOpen() ? m_db.errorMessage() : QString());
    return false;
}

bool HistoryDb::record(const HistoryCard &card, HistoryTest *test)
{
    if (!m_db.isOpen())
        return fail("LogHistoryNotRecorded");
    if (m_db.isReadOnly()) {
        m_lastError = tr("LogHistoryReadOnly").arg(QDir::toNativeSeparators(m_path));
        return false;
    }
    SqliteTransaction transaction(m_db);
    if (!transaction.isActive())
        return fail("LogHistoryNotRecorded");
    SqliteStatement upsert =
        m_db.prepare("INSERT INTO cards (key, description, label, file_system, total_bytes) "
                     "VALUES (?1, ?2, ?3, ?4, ?5) ON CONFLICT(key) DO UPDATE SET "
                     "description = excluded.description, label = excluded.label, "
                     "file_system = excluded.file_system, total_bytes = excluded.total_bytes");
    upsert.bind(1, card.key).bind(2, card.description).bind(3, card.label);
    upsert.bind(4, card.fileSystem).bind(5, card.totalBytes);
    SqliteStatement cardId = m_db.prepare("SELECT id FROM cards WHERE key = ?1");
    if (!upsert.exec() || !cardId.bind(1, card.key).next())
        return fail("LogHistoryNotRecorded");
    test->cardId = cardId.integer(0);

    SqliteStatement insert = m_db.prepare(
        "INSERT INTO tests (card_id, started_at, ended_at, tool, version, outcome, label, "
        "file_system, total_bytes, mode, test_size, streams, block_size, read, verify, rounds, "
        "write_avg, write_min, read_avg, read_min, verdict, data_check, report) VALUES "
        "(?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11, ?12, ?13, ?14, ?15, ?16, ?17, ?18, "
        "?19, ?20, ?21, ?22, ?23)");
    const QVariant values[] = {
        test->cardId,
        timeText(test->startedAt),
        timeText(test->endedAt),
        test->tool,
        test->version,
        test->outcome,
        test->label,
        test->fileSystem,
        test->totalBytes,
        test->mode,
        test->testSize,
        test->streams,
        test->blockSize,
        test->read,
        test->verify,
        test->rounds,
        number(test->writeAvg),
        number(test->writeMin),
        number(test->readAvg),
        number(test->readMin),
        test->verdict.isEmpty() ? QVariant() : QVariant(test->verdict),
        test->dataCheck.isEmpty() ? QVariant() : QVariant(test->dataCheck),
        test->report,
    };
    for (int i = 0; i < int(std::size(values)); ++i)
        insert.bind(i + 1, values[i]);
    if (!insert.exec())
        return fail("LogHistoryNotRecorded");
    test->id = m_db.lastInsertId();

    SqliteStatement row = m_db.prepare(
        "INSERT INTO test_rows VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11, ?12, ?13, "
        "?14, ?15, ?16, ?17, ?18, ?19, ?20, ?21, ?22)");
    for (int r = 0; r < test->rows.size(); ++r) {
        const HistoryRow &h = test->rows[r];
        row.reset();
        row.bind(1, test->id).bind(2, r).bind(3, h.name).bind(4, h.kind);
        int index = 5;
        for (const QVariantMap *stats : {&h.write, &h.read}) {
            for (const char *key : kStatKeys)
                row.bind(index++, stats->value(QLatin1String(key)));
        }
        row.bind(19, h.writeVerdict).bind(20, h.readVerdict.isEmpty() ? QVariant() : h.readVerdict);
        row.bind(21, h.dataVerdict.isEmpty() ? QVariant() : h.dataVerdict).bind(22, h.verdict);
        if (!row.exec())
            return fail("LogHistoryNotRecorded");
    }
    return transaction.commit() || fail("LogHistoryNotRecorded");
}

QVector<HistoryCard> HistoryDb::cards()
{
    QVector<HistoryCard> list;
    SqliteStatement q = m_db.prepare(
        "SELECT c.id, c.key, c.description, c.label, c.file_system, c.total_bytes, "
        "max(t.started_at), count(t.id) FROM cards c LEFT JOIN tests t ON t.card_id = c.id "
        "GROUP BY c.id ORDER BY max(t.started_at) DESC");
    while (q.next()) {
        HistoryCard c;
        c.id = q.integer(0);
        c.key = q.text(1);
        c.description = q.text(2);
        c.label = q.text(3);
        c.fileSystem = q.text(4);
        c.totalBytes = q.integer(5);
        c.lastTested = QDateTime::fromString(q.text(6), Qt::ISODateWithMs);
        c.testCount = int(q.integer(7));
        list << c;
    }
    return list;
}

std::optional<HistoryCard> HistoryDb::cardByKey(const QString &key)
{
    for (const HistoryCard &c : cards()) {
        if (c.key == key)
            return c;
    }
    return std::nullopt;
}

QVector<HistoryTest> HistoryDb::tests(qint64 cardId)
{
    QVector<HistoryTest> list;
    SqliteStatement q =
        m_db.prepare("SELECT " TEST_COLUMNS " FROM tests "
                     "WHERE ?1 = 0 OR card_id = ?1 ORDER BY started_at DESC, id DESC");
    q.bind(1, cardId);
    while (q.next())
        list << testFrom(q);
    return list;
}

std::optional<HistoryTest> HistoryDb::test(qint64 id)
{
    SqliteStatement q = m_db.prepare("SELECT " TEST_COLUMNS ", report FROM tests WHERE id = ?1");
    if (!q.bind(1, id).next())
        return std::nullopt;
    HistoryTest t = testFrom(q);
    t.report = q.text(23);
    SqliteStatement rows = m_db.prepare("SELECT * FROM test_rows WHERE test_id = ?1 "
                                        "ORDER BY row_index");
    rows.bind(1, id);
    while (rows.next()) {
        HistoryRow r;
        r.name = rows.text(2);
        r.kind = rows.text(3);
        int index = 4;
        for (QVariantMap *stats : {&r.write, &r.read}) {
            for (const char *key : kStatKeys) {
                if (!rows.isNull(index))
                    stats->insert(QLatin1String(key), rows.value(index));
                ++index;
            }
        }
        r.writeVerdict = rows.text(18);
        r.readVerdict = rows.text(19);
        r.dataVerdict = rows.text(20);
        r.verdict = rows.text(21);
        t.rows << r;
    }
    return t;
}

std::optional<HistoryTest> HistoryDb::previousComparable(qint64 cardId, const HistoryTest &current)
{
    SqliteStatement q = m_db.prepare(
        "SELECT " TEST_COLUMNS " FROM tests WHERE card_id = ?1 AND outcome = 'completed' "
        "AND mode = ?2 AND block_size = ?3 AND streams = ?4 AND id <> ?5 AND started_at <= ?6 "
        "ORDER BY started_at DESC, id DESC LIMIT 1");
    q.bind(1, cardId).bind(2, current.mode).bind(3, current.blockSize).bind(4, current.streams);
    q.bind(5, current.id).bind(6, timeText(current.startedAt));
    if (!q.next())
        return std::nullopt;
    return testFrom(q);
}

bool HistoryDb::removeTest(qint64 id)
{
    if (!m_db.isOpen() || m_db.isReadOnly())
        return false;
    SqliteTransaction transaction(m_db);
    SqliteStatement q = m_db.prepare("DELETE FROM tests WHERE id = ?1");
    // A card without tests goes with its last one.
    SqliteStatement cards =
        m_db.prepare("DELETE FROM cards WHERE id NOT IN (SELECT card_id FROM tests)");
    return transaction.isActive() && q.bind(1, id).exec() && cards.exec() && transaction.commit();
}
