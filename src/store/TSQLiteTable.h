#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <variant>
#include <vector>

struct sqlite3_stmt;

namespace veridon {

// The complete result of one query, held in memory: it keeps no statement,
// so it stays valid after later statements. Columns are typed once, from the
// first row; the cursor starts on row 0.
class TSQLiteTable
{
public:
    enum class Kind { Integer, Float, Text, Blob, Null };
    using Value = std::variant<std::monostate, qint64, double, QString, QByteArray>;

    int Count() const { return m_rowCount; }
    int ColCount() const { return int(m_columnNames.size()); }
    // EOF: the cursor is past the last row ("EOF" itself is a C library macro).
    bool Eof() const { return m_row >= m_rowCount; }
    int Row() const { return m_row; }
    void Next() { ++m_row; }
    void MoveFirst() { m_row = 0; }
    void MoveTo(int row) { m_row = row; }

    const QStringList& ColumnNames() const { return m_columnNames; } // upper case
    Kind ColumnKind(int column) const;

    int FieldIndex(const QString& name) const;
    bool FieldIsNull(int column) const;
    QString FieldAsString(int column) const;
    qint64 FieldAsInteger(int column) const;
    double FieldAsDouble(int column) const;
    QByteArray FieldAsBlob(int column) const;

    QString FieldAsString(const QString& name) const { return FieldAsString(FieldIndex(name)); }
    qint64 FieldAsInteger(const QString& name) const { return FieldAsInteger(FieldIndex(name)); }

    // Fetches every row of a prepared, bound statement; used by the database
    // object and by prepared statements. `sql` is for error texts.
    static TSQLiteTable fetch(sqlite3_stmt* statement, const QString& sql);

private:
    const Value& at(int column) const;

    int m_rowCount = 0;
    QStringList m_columnNames;
    std::vector<Kind> m_kinds;
    std::vector<Value> m_values; // row-major
    int m_row = 0;
};

} // namespace veridon
