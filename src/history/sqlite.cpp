#include "sqlite.h"

#include <QByteArray>

#include <sqlite3.h>

SqliteStatement::SqliteStatement(sqlite3 *db, const char *sql)
{
    m_rc = db ? sqlite3_prepare_v2(db, sql, -1, &m_stmt, nullptr) : SQLITE_MISUSE;
    if (m_rc != SQLITE_OK) {
        sqlite3_finalize(m_stmt);
        m_stmt = nullptr;
    }
}

SqliteStatement::~SqliteStatement()
{
    sqlite3_finalize(m_stmt);
}

SqliteStatement::SqliteStatement(SqliteStatement &&other) noexcept
    : m_stmt(other.m_stmt)
    , m_rc(other.m_rc)
{
    other.m_stmt = nullptr;
}

SqliteStatement &SqliteStatement::operator=(SqliteStatement &&other) noexcept
{
    if (this != &other) {
        sqlite3_finalize(m_stmt);
        m_stmt = other.m_stmt;
        m_rc = other.m_rc;
        other.m_stmt = nullptr;
    }
    return *this;
}

SqliteStatement &SqliteStatement::bind(int index, const QVariant &value)
{
    if (!m_stmt)
        return *this;
    int rc = SQLITE_OK;
    switch (value.isValid() ? value.userType() : int(QMetaType::UnknownType)) {
    case QMetaType::UnknownType:
        rc = sqlite3_bind_null(m_stmt, index);
        break;
    case QMetaType::Bool:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Long:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
        rc = sqlite3_bind_int64(m_stmt, index, value.toLongLong());
        break;
    case QMetaType::Double:
    case QMetaType::Float:
        rc = sqlite3_bind_double(m_stmt, index, value.toDouble());
        break;
    default: {
        const QByteArray utf8 = value.toString().toUtf8();
        rc = sqlite3_bind_text(m_stmt, index, utf8.constData(), utf8.size(), SQLITE_TRANSIENT);
        break;
    }
    }
    if (rc != SQLITE_OK)
        m_rc = rc;
    return *this;
}

bool SqliteStatement::next()
{
    if (!m_stmt)
        return false;
    if (m_rc != SQLITE_OK && m_rc != SQLITE_ROW && m_rc != SQLITE_DONE)
        return false;  // a failed bind: never run with a missing value
    m_rc = sqlite3_step(m_stmt);
    return m_rc == SQLITE_ROW;
}

bool SqliteStatement::exec()
{
    while (next()) {
    }
    return m_rc == SQLITE_DONE;
}

void SqliteStatement::reset()
{
    if (m_stmt) {
        sqlite3_reset(m_stmt);
        sqlite3_clear_bindings(m_stmt);
        m_rc = SQLITE_OK;
    }
}

bool SqliteStatement::isNull(int column) const
{
    return !m_stmt || sqlite3_column_type(m_stmt, column) == SQLITE_NULL;
}

qint64 SqliteStatement::integer(int column) const
{
    return m_stmt ? sqlite3_column_int64(m_stmt, column) : 0;
}

double SqliteStatement::real(int column) const
{
    return m_stmt ? sqlite3_column_double(m_stmt, column) : 0.0;
}

QString SqliteStatement::text(int column) const
{
    if (!m_stmt)
        return QString();
    const auto *data = reinterpret_cast<const char *>(sqlite3_column_text(m_stmt, column));
    return QString::fromUtf8(data, sqlite3_column_bytes(m_stmt, column));
}

QVariant SqliteStatement::value(int column) const
{
    if (!m_stmt)
        return QVariant();
    switch (sqlite3_column_type(m_stmt, column)) {
    case SQLITE_INTEGER:
        return integer(column);
    case SQLITE_FLOAT:
        return real(column);
    case SQLITE_NULL:
        return QVariant();
    default:
        return text(column);
    }
}

SqliteConnection::~SqliteConnection()
{
    close();
}

bool SqliteConnection::open(const QString &path, bool readOnly)
{
    close();
    const int flags = readOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE;
    m_openRc =
        sqlite3_open_v2(path.toUtf8().constData(), &m_db, flags | SQLITE_OPEN_NOMUTEX, nullptr);
    if (m_openRc != SQLITE_OK) {
        // The handle exists even on failure, for its message; keep the code, drop the handle.
        sqlite3_close(m_db);
        m_db = nullptr;
        return false;
    }
    m_readOnly = readOnly;
    sqlite3_extended_result_codes(m_db, 0);
    return true;
}

void SqliteConnection::close()
{
    // Statements are owned by their callers, which end before the connection.
    sqlite3_close(m_db);
    m_db = nullptr;
}

bool SqliteConnection::exec(const char *sql)
{
    return m_db && sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
}

qint64 SqliteConnection::lastInsertId() const
{
    return m_db ? sqlite3_last_insert_rowid(m_db) : 0;
}

int SqliteConnection::errorCode() const
{
    return (m_db ? sqlite3_errcode(m_db) : m_openRc) & 0xff;
}

QString SqliteConnection::errorMessage() const
{
    return QString::fromUtf8(m_db ? sqlite3_errmsg(m_db) : sqlite3_errstr(m_openRc));
}

void SqliteConnection::setBusyTimeout(int ms)
{
    if (m_db)
        sqlite3_busy_timeout(m_db, ms);
}

SqliteTransaction::SqliteTransaction(SqliteConnection &db)
    : m_db(db)
{
    m_active = m_db.exec("BEGIN IMMEDIATE");
}

SqliteTransaction::~SqliteTransaction()
{
    if (m_active)
        m_db.exec("ROLLBACK");
}

bool SqliteTransaction::commit()
{
    if (!m_active)
        return false;
    m_active = false;
    if (m_db.exec("COMMIT"))
        return true;
    m_db.exec("ROLLBACK");
    return false;
}
