#pragma once

#include "store/TSQLiteTable.h"

#include <QByteArray>
#include <QString>

#include <functional>
#include <memory>
#include <variant>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace veridon {

class TSQLiteStatement;

// One open connection to a SQLite 3 database file. Failures raise
// ESQLiteException; nothing is retried (a busy database fails at once).
class TSQLiteDatabase
{
public:
    // Opens or creates the file (Create).
    explicit TSQLiteDatabase(const QString& fileName);
    ~TSQLiteDatabase();
    TSQLiteDatabase(const TSQLiteDatabase&) = delete;
    TSQLiteDatabase& operator=(const TSQLiteDatabase&) = delete;

    void ExecSQL(const QString& sql);
    std::unique_ptr<TSQLiteTable> GetTable(const QString& sql);
    bool TableExists(const QString& name);

    void BeginTransaction();
    void Commit();
    void Rollback();
    bool TransactionOpen() const { return m_inTransaction; }

    bool Synchronised() const { return m_synchronised; }
    void SetSynchronised(bool value);

    int RowsChanged() const;

    // Parameters for the next statement, by name (":name", "@name" or "$name").
    void AddParamInt(const QString& name, qint64 value);
    void AddParamFloat(const QString& name, double value);
    void AddParamText(const QString& name, const QString& value);
    void AddParamNull(const QString& name);
    void ParamsClear() { m_params.clear(); }

    // A statement prepared once and run many times with new values: the way to
    // insert many rows quickly (inside one transaction).
    std::unique_ptr<TSQLiteStatement> Prepare(const QString& sql);

    // Called with the SQL text before each statement is run.
    std::function<void(const QString& sql)> OnQuery;

    sqlite3* handle() const { return m_db; }

    // The exception text for a failure: `text`, then SQLite's code, its fixed
    // text, the statement and SQLite's message when SQLite reports an error.
    static QString composeError(sqlite3* db, const QString& text, const QString& sql);
    static QString errorText(int code);

private:
    struct Param
    {
        QString name;
        std::variant<std::monostate, qint64, double, QString> value;
    };

    sqlite3_stmt* prepare(const QString& sql, const QString& failText);
    void bindParams(sqlite3_stmt* statement, const QString& sql);

    sqlite3* m_db = nullptr;
    bool m_inTransaction = false;
    bool m_synchronised = true;
    std::vector<Param> m_params;
};

// A prepared statement of one database: bind values by position (from 1) or
// name, then Exec (no rows expected) or Query (all rows). Bindings are cleared
// after each run.
class TSQLiteStatement
{
public:
    TSQLiteStatement(TSQLiteDatabase& db, sqlite3_stmt* statement, const QString& sql);
    ~TSQLiteStatement();
    TSQLiteStatement(const TSQLiteStatement&) = delete;
    TSQLiteStatement& operator=(const TSQLiteStatement&) = delete;

    TSQLiteStatement& bind(int index, qint64 value);
    TSQLiteStatement& bind(int index, double value);
    TSQLiteStatement& bind(int index, const QString& value);
    TSQLiteStatement& bind(int index, const QByteArray& blob);
    TSQLiteStatement& bindNull(int index);
    int parameterIndex(const QString& name) const;

    void Exec();
    TSQLiteTable Query();

private:
    void check(int rc);

    TSQLiteDatabase& m_db;
    sqlite3_stmt* m_statement;
    QString m_sql;
};

} // namespace veridon
