#pragma once

#include <QString>
#include <QVariant>

struct sqlite3;
struct sqlite3_stmt;

// A thin owner of one SQLite statement: prepared once, values bound by position, never
// spliced into the SQL text.
class SqliteStatement
{
public:
    SqliteStatement() = default;
    SqliteStatement(sqlite3 *db, const char *sql);
    ~SqliteStatement();
    SqliteStatement(SqliteStatement &&other) noexcept;
    SqliteStatement &operator=(SqliteStatement &&other) noexcept;
    SqliteStatement(const SqliteStatement &) = delete;
    SqliteStatement &operator=(const SqliteStatement &) = delete;

    bool isValid() const { return m_stmt != nullptr; }
    // Binds parameter `index` (1-based): an invalid variant binds NULL (a null string binds ""),
    // integers and booleans an INTEGER, floating point a REAL, anything else its text.
    SqliteStatement &bind(int index, const QVariant &value);
    // The next row: true while there is one; result() tells a clean end from an error.
    bool next();
    // Runs a statement that returns no rows; true when it ran to its end.
    bool exec();
    void reset();
    int result() const { return m_rc; }

    bool isNull(int column) const;
    qint64 integer(int column) const;
    double real(int column) const;
    QString text(int column) const;
    // NULL as an invalid variant, else the column as integer, real or text.
    QVariant value(int column) const;

private:
    sqlite3_stmt *m_stmt = nullptr;
    int m_rc = 0;
};

// Owns one connection.
class SqliteConnection
{
public:
    SqliteConnection() = default;
    ~SqliteConnection();
    SqliteConnection(const SqliteConnection &) = delete;
    SqliteConnection &operator=(const SqliteConnection &) = delete;

    // Opens (or creates, unless `readOnly`) the database file; false with error() set.
    bool open(const QString &path, bool readOnly);
    void close();
    bool isOpen() const { return m_db != nullptr; }
    bool isReadOnly() const { return m_readOnly; }

    // Constant SQL only (schema, pragmas): values always go through a statement's bind().
    bool exec(const char *sql);
    SqliteStatement prepare(const char *sql) { return SqliteStatement(m_db, sql); }
    qint64 lastInsertId() const;
    // The code (extended codes folded to their primary) and message of the last failure.
    int errorCode() const;
    QString errorMessage() const;
    void setBusyTimeout(int ms);

private:
    sqlite3 *m_db = nullptr;
    bool m_readOnly = false;
    int m_openRc = 0;
};

// A write transaction taken at once (BEGIN IMMEDIATE), so a second writer waits in the busy
// handler instead of failing half-way; rolled back unless committed.
class SqliteTransaction
{
public:
    explicit SqliteTransaction(SqliteConnection &db);
    ~SqliteTransaction();
    SqliteTransaction(const SqliteTransaction &) = delete;
    SqliteTransaction &operator=(const SqliteTransaction &) = delete;
    bool isActive() const { return m_active; }
    bool commit();

private:
    SqliteConnection &m_db;
    bool m_active = false;
};
