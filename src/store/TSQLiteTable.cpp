#include "store/TSQLiteTable.h"

#include "store/ESQLiteException.h"
#include "store/TSQLiteDatabase.h"

#include <sqlite3.h>

namespace veridon {
namespace {

TSQLiteTable::Kind kindOf(sqlite3_stmt* statement, int column)
{
    using Kind = TSQLiteTable::Kind;
    if (const char* declared = sqlite3_column_decltype(statement, column)) {
        const QString type = QString::fromUtf8(declared).toUpper();
        if (type == u"INTEGER" || type == u"BOOLEAN")
            return Kind::Integer;
        if (type == u"NUMERIC" || type == u"FLOAT" || type == u"DOUBLE" || type == u"REAL")
            return Kind::Float;
        if (type == u"BLOB")
            return Kind::Blob;
        return Kind::Text;
    }
    // An expression: whatever SQLite stored in the first row.
    switch (sqlite3_column_type(statement, column)) {
    case SQLITE_INTEGER: return Kind::Integer;
    case SQLITE_FLOAT: return Kind::Float;
    case SQLITE_BLOB: return Kind::Blob;
    case SQLITE_NULL: return Kind::Null;
    default: return Kind::Text;
    }
}

} // namespace

TSQLiteTable TSQLiteTable::fetch(sqlite3_stmt* statement, const QString& sql)
{
    TSQLiteTable table;
    sqlite3* db = sqlite3_db_handle(statement);
    for (;;) {
        const int rc = sqlite3_step(statement);
        if (rc == SQLITE_DONE)
            break;
        if (rc == SQLITE_BUSY)
            throw ESQLiteException(
                TSQLiteDatabase::composeError(db, QStringLiteral("Could not prepare SQL statement"), sql));
        if (rc != SQLITE_ROW) {
            sqlite3_reset(statement);
            throw ESQLiteException(
                TSQLiteDatabase::composeError(db, QStringLiteral("Could not retrieve data"), sql));
        }
        const int columns = sqlite3_column_count(statement);
        if (table.m_rowCount == 0) {
            for (int c = 0; c < columns; ++c) {
                table.m_columnNames << QString::fromUtf8(sqlite3_column_name(statement, c)).toUpper();
                table.m_kinds.push_back(kindOf(statement, c));
            }
        }
        ++table.m_rowCount;
        for (int c = 0; c < columns; ++c) {
            if (sqlite3_column_type(statement, c) == SQLITE_NULL) {
                table.m_values.emplace_back();
                continue;
            }
            switch (table.m_kinds[std::size_t(c)]) {
            case Kind::Integer: table.m_values.emplace_back(qint64(sqlite3_column_int64(statement, c))); break;
            case Kind::Float: table.m_values.emplace_back(sqlite3_column_double(statement, c)); break;
            case Kind::Blob: {
                const void* data = sqlite3_column_blob(statement, c);
                const int size = sqlite3_column_bytes(statement, c);
                table.m_values.emplace_back(QByteArray(static_cast<const char*>(data), size));
                break;
            }
            case Kind::Text:
            case Kind::Null: {
                const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, c));
                const int size = sqlite3_column_bytes(statement, c);
                table.m_values.emplace_back(QString::fromUtf8(text, size));
                break;
            }
            }
        }
    }
    return table;
}

TSQLiteTable::Kind TSQLiteTable::ColumnKind(int column) const
{
    if (column < 0 || column >= ColCount())
        throw ESQLiteException(QStringLiteral("Field index out of range"));
    return m_kinds[std::size_t(column)];
}

const TSQLiteTable::Value& TSQLiteTable::at(int column) const
{
    if (Eof())
        throw ESQLiteException(QStringLiteral("Table is at End of File"));
    if (column < 0 || column >= ColCount() || m_row < 0)
        throw ESQLiteException(QStringLiteral("Field index out of range"));
    return m_values[std::size_t(m_row) * std::size_t(ColCount()) + std::size_t(column)];
}

int TSQLiteTable::FieldIndex(const QString& name) const
{
    if (m_columnNames.isEmpty())
        throw ESQLiteException(QStringLiteral("Field ") + name +
                               QStringLiteral(" Not found. Empty dataset"));
    const qsizetype index = m_columnNames.indexOf(name.toUpper());
    if (index < 0)
        throw ESQLiteException(QStringLiteral("Field not found in dataset: ") + name);
    return int(index);
}

bool TSQLiteTable::FieldIsNull(int column) const
{
    return std::holds_alternative<std::monostate>(at(column));
}

QString TSQLiteTable::FieldAsString(int column) const
{
    const Value& v = at(column);
    if (const auto* i = std::get_if<qint64>(&v))
        return QString::number(*i);
    if (const auto* d = std::get_if<double>(&v))
        return QString::number(*d, 'g', 15);
    if (const auto* t = std::get_if<QString>(&v))
        return *t;
    if (const auto* b = std::get_if<QByteArray>(&v))
        return QString::fromLatin1(*b);
    return {};
}

qint64 TSQLiteTable::FieldAsInteger(int column) const
{
    const Value& v = at(column);
    const Kind kind = m_kinds[std::size_t(column)];
    if (kind != Kind::Integer && kind != Kind::Float)
        throw ESQLiteException(QStringLiteral("Not an integer or numeric field"));
    if (const auto* i = std::get_if<qint64>(&v))
        return *i;
    if (const auto* d = std::get_if<double>(&v))
        return qint64(*d);
    return 0;
}

double TSQLiteTable::FieldAsDouble(int column) const
{
    const Value& v = at(column);
    const Kind kind = m_kinds[std::size_t(column)];
    if (kind != Kind::Integer && kind != Kind::Float)
        throw ESQLiteException(QStringLiteral("Not an integer or numeric field"));
    if (const auto* i = std::get_if<qint64>(&v))
        return double(*i);
    if (const auto* d = std::get_if<double>(&v))
        return *d;
    return 0;
}

QByteArray TSQLiteTable::FieldAsBlob(int column) const
{
    const Value& v = at(column);
    if (m_kinds[std::size_t(column)] != Kind::Blob)
        throw ESQLiteException(QStringLiteral("Not a Blob field"));
    if (const auto* b = std::get_if<QByteArray>(&v))
        return *b;
    return {};
}

} // namespace veridon
