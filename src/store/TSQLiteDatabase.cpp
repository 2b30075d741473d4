#include "store/TSQLiteDatabase.h"

#include "store/ESQLiteException.h"

#include <QFile>

#include <sqlite3.h>

namespace veridon {
namespace {

// Finalises on every path out of a statement's use.
struct StatementGuard
{
    sqlite3_stmt* statement;
    ~StatementGuard() { sqlite3_finalize(statement); }
};

} // namespace

QString TSQLiteDatabase::errorText(int code)
{
    static const char* const kTexts[] = {
        "Successful result",
        "SQL error or missing database",
        "An internal logic error in SQLite",
        "Access permission denied",
        "Callback routine requested an abort",
        "The database file is locked",
        "A table in the database is locked",
        "A malloc() failed",
        "Attempt to write a readonly database",
        "Operation terminated by sqlite3_interrupt()",
        "Some kind of disk I/O error occurred",
        "The database disk image is malformed",
        "(Internal Only) Table or record not found",
        "Insertion failed because database is full",
        "Unable to open the database file",
        "Database lock protocol error",
        "Database is empty",
        "The database schema changed",
        "Too much data for one row of a table",
        "Abort due to contraint violation",
        "Data type mismatch",
        "Library used incorrectly",
        "Uses OS features not supported on host",
        "Authorization denied",
        "Auxiliary database format error",
        "2nd parameter to sqlite3_bind out of range",
        "File opened that is not a database file",
    };
    if (code >= 0 && code <= 26)
        return QString::fromLatin1(kTexts[code]);
    if (code == 100)
        return QStringLiteral("sqlite3_step() has another row ready");
    if (code == 101)
        return QStringLiteral("sqlite3_step() has finished executing");
    return QStringLiteral("Unknown SQLite Error Code \"%1\"").arg(code);
}

QString TSQLiteDatabase::composeError(sqlite3* db, const QString& text, const QString& sql)
{
    const int code = db ? sqlite3_errcode(db) : SQLITE_OK;
    const char* message = db ? sqlite3_errmsg(db) : nullptr;
    if (code == SQLITE_OK || !message)
        return text;
    return text + QStringLiteral(".\rError [%1]: %2.\r\"%3\": %4")
                      .arg(code)
                      .arg(errorText(code), sql, QString::fromUtf8(message));
}

TSQLiteDatabase::TSQLiteDatabase(const QString& fileName)
{
    // Nothing reads SQLite's memory statistics, and keeping them takes a lock
    // on every allocation. It can only be switched off before SQLite starts;
    // if something started it earlier, the statistics simply stay on.
    static const int memoryStatisticsOff = sqlite3_config(SQLITE_CONFIG_MEMSTATUS, 0);
    (void)memoryStatisticsOff;
    // A connection serves one thread at a time: SQLite's own locking of every
    // call would only cost time.
    const int rc = sqlite3_open_v2(fileName.toUtf8().constData(), &m_db,
                                   SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX,
                                   nullptr);
    if (rc != SQLITE_OK) {
        const QString reason = m_db ? QString::fromUtf8(sqlite3_errmsg(m_db))
                                    : QStringLiteral("unknown error");
        sqlite3_close(m_db);
        m_db = nullptr;
        throw ESQLiteException(QStringLiteral("Failed to open database \"%1\" : %2").arg(fileName, reason));
    }
}

TSQLiteDatabase::~TSQLiteDatabase()
{
    sqlite3_close_v2(m_db);
}

sqlite3_stmt* TSQLiteDatabase::prepare(const QString& sql, const QString& failText)
{
    sqlite3_stmt* statement = nullptr;
    const QByteArray text = sql.toUtf8();
    const int rc = sqlite3_prepare_v2(m_db, text.constData(), int(text.size()), &statement, nullptr);
    if (rc != SQLITE_OK) {
        m_params.clear();
        sqlite3_finalize(statement);
        throw ESQLiteException(composeError(m_db, failText, sql));
    }
    if (!statement) {
        m_params.clear();
        throw ESQLiteException(composeError(m_db, QStringLiteral("Could not prepare SQL statement"), sql));
    }
    return statement;
}

void TSQLiteDatabase::bindParams(sqlite3_stmt* statement, const QString& sql)
{
    const std::vector<Param> params = std::move(m_params);
    m_params.clear();
    for (const Param& p : params) {
        const int index = sqlite3_bind_parameter_index(statement, p.name.toUtf8().constData());
        int rc = SQLITE_RANGE;
        if (index > 0) {
            if (const auto* i = std::get_if<qint64>(&p.value))
                rc = sqlite3_bind_int64(statement, index, *i);
            else if (const auto* d = std::get_if<double>(&p.value))
                rc = sqlite3_bind_double(statement, index, *d);
            else if (const auto* t = std::get_if<QString>(&p.value)) {
                const QByteArray utf8 = t->toUtf8();
                rc = sqlite3_bind_text(statement, index, utf8.constData(), int(utf8.size()),
                                       SQLITE_TRANSIENT);
            } else
                rc = sqlite3_bind_null(statement, index);
        }
        if (rc != SQLITE_OK)
            throw ESQLiteException(QStringLiteral("Could not bind parameter %1.\rError [%2]: %3.\r\"%4\"")
                                       .arg(p.name)
                                       .arg(rc)
                                       .arg(errorText(rc), sql));
    }
}

void TSQLiteDatabase::ExecSQL(const QString& sql)
{
    StatementGuard guard{prepare(sql, QStringLiteral("Error executing SQL"))};
    if (OnQuery)
        OnQuery(sql);
    bindParams(guard.statement, sql);
    int rc;
    while ((rc = sqlite3_step(guard.statement)) == SQLITE_ROW) {
    }
    if (rc != SQLITE_DONE) {
        sqlite3_reset(guard.statement);
        throw ESQLiteException(composeError(m_db, QStringLiteral("Error executing SQL statement"), sql));
    }
}

std::unique_ptr<TSQLiteTable> TSQLiteDatabase::GetTable(const QString& sql)
{
    StatementGuard guard{prepare(sql, QStringLiteral("Error executing SQL"))};
    if (OnQuery)
        OnQuery(sql);
    bindParams(guard.statement, sql);
    return std::make_unique<TSQLiteTable>(TSQLiteTable::fetch(guard.statement, sql));
}

bool TSQLiteDatabase::TableExists(const QString& name)
{
    // The name is quoted as an SQL literal, so a quote in it cannot end the text.
    QString literal = name.toLower();
    literal.replace(u'\'', QStringLiteral("''"));
    const auto table = GetTable(
        QStringLiteral("select [sql] from sqlite_master where [type] = 'table' and lower(name) = '") +
        literal + QStringLiteral("' "));
    return table->Count() > 0;
}

void TSQLiteDatabase::BeginTransaction()
{
    if (m_inTransaction)
        throw ESQLiteException(QStringLiteral("Transaction already open"));
    ExecSQL(QStringLiteral("BEGIN TRANSACTION"));
    m_inTransaction = true;
}

void TSQLiteDatabase::Commit()
{
    ExecSQL(QStringLiteral("COMMIT"));
    m_inTransaction = false;
}

void TSQLiteDatabase::Rollback()
{
    ExecSQL(QStringLiteral("ROLLBACK"));
    m_inTransaction = false;
}

void TSQLiteDatabase::SetSynchronised(bool value)
{
    if (value == m_synchronised)
        return;
    ExecSQL(value ? QStringLiteral("PRAGMA synchronous = ON;") : QStringLiteral("PRAGMA synchronous = OFF;"));
    m_synchronised = value;
}

int TSQLiteDatabase::RowsChanged() const { return sqlite3_changes(m_db); }

void TSQLiteDatabase::AddParamInt(const QString& name, qint64 value) { m_params.push_back({name, value}); }
void TSQLiteDatabase::AddParamFloat(const QString& name, double value) { m_params.push_back({name, value}); }
void TSQLiteDatabase::AddParamText(const QString& name, const QString& value) { m_params.push_back({name, value}); }
void TSQLiteDatabase::AddParamNull(const QString& name) { m_params.push_back({name, std::monostate{}}); }

std::unique_ptr<TSQLiteStatement> TSQLiteDatabase::Prepare(const QString& sql)
{
    return std::make_unique<TSQLiteStatement>(*this, prepare(sql, QStringLiteral("Error executing SQL")), sql);
}

TSQLiteStatement::TSQLiteStatement(TSQLiteDatabase& db, sqlite3_stmt* statement, const QString& sql)
    : m_db(db), m_statement(statement), m_sql(sql)
{
}

TSQLiteStatement::~TSQLiteStatement() { sqlite3_finalize(m_statement); }

void TSQLiteStatement::check(int rc)
{
    if (rc != SQLITE_OK)
        throw ESQLiteException(QStringLiteral("Could not bind parameter.\rError [%1]: %2.\r\"%3\"")
                                   .arg(rc)
                                   .arg(TSQLiteDatabase::errorText(rc), m_sql));
}

TSQLiteStatement& TSQLiteStatement::bind(int index, qint64 value)
{
    check(sqlite3_bind_int64(m_statement, index, value));
    return *this;
}

TSQLiteStatement& TSQLiteStatement::bind(int index, double value)
{
    check(sqlite3_bind_double(m_statement, index, value));
    return *this;
}

TSQLiteStatement& TSQLiteStatement::bind(int index, const QString& value)
{
    const QByteArray utf8 = value.toUtf8();
    check(sqlite3_bind_text(m_statement, index, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT));
    return *this;
}

TSQLiteStatement& TSQLiteStatement::bind(int index, const QByteArray& blob)
{
    check(sqlite3_bind_blob(m_statement, index, blob.constData(), int(blob.size()), SQLITE_TRANSIENT));
    return *this;
}

TSQLiteStatement& TSQLiteStatement::bindNull(int index)
{
    check(sqlite3_bind_null(m_statement, index));
    return *this;
}

int TSQLiteStatement::parameterIndex(const QString& name) const
{
    return sqlite3_bind_parameter_index(m_statement, name.toUtf8().constData());
}

void TSQLiteStatement::Exec()
{
    if (m_db.OnQuery)
        m_db.OnQuery(m_sql);
    int rc;
    while ((rc = sqlite3_step(m_statement)) == SQLITE_ROW) {
    }
    if (rc != SQLITE_DONE) {
        const QString message = TSQLiteDatabase::composeError(
            m_db.handle(), QStringLiteral("Error executing SQL statement"), m_sql);
        sqlite3_reset(m_statement);
        sqlite3_clear_bindings(m_statement);
        throw ESQLiteException(message);
    }
    sqlite3_reset(m_statement);
    sqlite3_clear_bindings(m_statement);
}

TSQLiteTable TSQLiteStatement::Query()
{
    if (m_db.OnQuery)
        m_db.OnQuery(m_sql);
    struct Reset
    {
        sqlite3_stmt* s;
        ~Reset()
        {
            sqlite3_reset(s);
            sqlite3_clear_bindings(s);
        }
    } reset{m_statement};
    return TSQLiteTable::fetch(m_statement, m_sql);
}

} // namespace veridon
