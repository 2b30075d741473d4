#include "store/ESQLiteException.h"
#include "store/TSQLiteDatabase.h"
#include "support/TempDir.h"

#include <QFile>

#include <gtest/gtest.h>

using namespace veridon;
using namespace veridon::test;

namespace {

template <typename F> QString failure(F&& action)
{
    try {
        action();
    } catch (const ESQLiteException& e) {
        return e.message();
    }
    return {};
}

class SQLiteTest : public ::testing::Test
{
protected:
    TempDir dir;
    TSQLiteDatabase db{dir.file("ORVELDataBase.db")};
};

TEST_F(SQLiteTest, TableExistsIgnoresCase)
{
    db.ExecSQL("create table cainfo (path text, md5 text, corever text)");
    EXPECT_TRUE(db.TableExists("CaInfo"));
    EXPECT_TRUE(db.TableExists("cainfo"));
    EXPECT_FALSE(db.TableExists("other"));
    EXPECT_FALSE(db.TableExists("x' or '1'='1"));
}

TEST_F(SQLiteTest, ColumnKindsComeFromDeclaredTypesOrTheFirstRow)
{
    db.ExecSQL("create table t (i INTEGER, b boolean, n NUMERIC, r REAL, x TEXT, v VARCHAR(10),"
               " k BLOB, w INT)");
    db.ExecSQL("insert into t values (42, 1, 1.5, 2.25, 'text', 'var', x'00FF41', 7)");
    db.ExecSQL("insert into t values (null, null, null, null, null, null, null, null)");
    auto table = db.GetTable("select i, b, n, r, x, v, k, w, 3 + 4 as e, 0.5 as f from t");
    using K = TSQLiteTable::Kind;
    const K expected[] = {K::Integer, K::Integer, K::Float, K::Float, K::Text,
                          K::Text,    K::Blob,    K::Text,  K::Integer, K::Float};
    ASSERT_EQ(table->ColCount(), 10);
    for (int c = 0; c < 10; ++c)
        EXPECT_EQ(table->ColumnKind(c), expected[c]) << c;
    EXPECT_EQ(table->ColumnNames().first(), "I");
    EXPECT_EQ(table->Count(), 2);

    EXPECT_EQ(table->FieldAsInteger(0), 42);
    EXPECT_EQ(table->FieldAsDouble(2), 1.5);
    EXPECT_EQ(table->FieldAsString(3), "2.25");
    EXPECT_EQ(table->FieldAsString("x"), "text");
    EXPECT_EQ(table->FieldAsBlob(6), QByteArray("\x00\xFF" "A", 3));
    EXPECT_EQ(table->FieldAsString(7), "7");
    EXPECT_EQ(table->FieldAsInteger("E"), 7);
    EXPECT_EQ(failure([&] { table->FieldAsInteger(4); }), "Not an integer or numeric field");
    EXPECT_EQ(failure([&] { table->FieldAsDouble(4); }), "Not an integer or numeric field");
    EXPECT_EQ(failure([&] { table->FieldAsBlob(0); }), "Not a Blob field");
    EXPECT_EQ(failure([&] { table->FieldIndex("nope"); }), "Field not found in dataset: nope");

    table->Next();
    EXPECT_FALSE(table->Eof());
    for (int c = 0; c < 8; ++c) {
        EXPECT_TRUE(table->FieldIsNull(c));
        EXPECT_EQ(table->FieldAsString(c), "") << c;
    }
    table->Next();
    EXPECT_TRUE(table->Eof());
    EXPECT_EQ(failure([&] { table->FieldAsString(0); }), "Table is at End of File");
    EXPECT_EQ(failure([&] { table->FieldAsInteger(0); }), "Table is at End of File");
    EXPECT_EQ(failure([&] { table->FieldAsBlob(6); }), "Table is at End of File");
}

TEST_F(SQLiteTest, EmptyResultHasNoColumns)
{
    db.ExecSQL("create table cainfo (path text)");
    auto table = db.GetTable("select * from cainfo");
    EXPECT_EQ(table->Count(), 0);
    EXPECT_TRUE(table->Eof());
    EXPECT_EQ(failure([&] { table->FieldIndex("path"); }), "Field path Not found. Empty dataset");
}

TEST_F(SQLiteTest, TablesStayValidAfterLaterStatements)
{
    db.ExecSQL("create table t (a integer)");
    db.ExecSQL("insert into t values (1)");
    auto before = db.GetTable("select a from t");
    db.ExecSQL("drop table t");
    EXPECT_EQ(before->FieldAsInteger(0), 1);
}

TEST_F(SQLiteTest, ErrorsCarryCodeFixedTextStatementAndSQLiteMessage)
{
    EXPECT_EQ(failure([&] { db.ExecSQL("selec nonsense"); }),
              "Error executing SQL.\rError [1]: SQL error or missing database.\r\"selec nonsense\": "
              "near \"selec\": syntax error");
    EXPECT_TRUE(failure([&] { db.ExecSQL(""); }).startsWith("Could not prepare SQL statement"));
    db.ExecSQL("create table u (k text primary key)");
    db.ExecSQL("insert into u values ('a')");
    const QString duplicate = failure([&] { db.ExecSQL("insert into u values ('a')"); });
    EXPECT_TRUE(duplicate.startsWith("Error executing SQL statement.\rError [19]: Abort due to "
                                     "contraint violation.\r\"insert into u values ('a')\": "))
        << duplicate.toStdString();
    EXPECT_TRUE(failure([&] { db.GetTable("select * from missing"); }).startsWith("Error executing SQL.\r"));
}

TEST(SQLiteErrorTexts, ByCode)
{
    EXPECT_EQ(TSQLiteDatabase::errorText(0), "Successful result");
    EXPECT_EQ(TSQLiteDatabase::errorText(5), "The database file is locked");
    EXPECT_EQ(TSQLiteDatabase::errorText(26), "File opened that is not a database file");
    EXPECT_EQ(TSQLiteDatabase::errorText(100), "sqlite3_step() has another row ready");
    EXPECT_EQ(TSQLiteDatabase::errorText(101), "sqlite3_step() has finished executing");
    EXPECT_EQ(TSQLiteDatabase::errorText(27), "Unknown SQLite Error Code \"27\"");
}

TEST_F(SQLiteTest, TransactionsCommitRollBackAndRefuseNesting)
{
    db.ExecSQL("create table t (a integer)");
    db.BeginTransaction();
    EXPECT_EQ(failure([&] { db.BeginTransaction(); }), "Transaction already open");
    db.ExecSQL("insert into t values (1)");
    db.Rollback();
    EXPECT_EQ(db.GetTable("select * from t")->Count(), 0);
    db.BeginTransaction();
    db.ExecSQL("insert into t values (2)");
    db.ExecSQL("insert into t values (3)");
    EXPECT_EQ(db.RowsChanged(), 1);
    db.Commit();
    EXPECT_FALSE(db.TransactionOpen());
    TSQLiteDatabase other(dir.file("ORVELDataBase.db"));
    EXPECT_EQ(other.GetTable("select * from t")->Count(), 2);
}

TEST_F(SQLiteTest, ParametersAndPreparedStatementsCarryAnyText)
{
    QStringList queries;
    db.OnQuery = [&](const QString& sql) { queries << sql; };
    db.ExecSQL("create table cainfo (path text, md5 text, corever text, size integer, f real)");
    const QString path = "C:\\Program Files\\O'Brien's \"tool\"\\ünï.exe";
    db.AddParamText(":path", path);
    db.AddParamText(":md5", "44d88612fea8a8f36de82e1278abb02f");
    db.AddParamNull(":corever");
    db.AddParamInt(":size", 68);
    db.AddParamFloat(":f", 0.25);
    db.ExecSQL("insert into cainfo values (:path, :md5, :corever, :size, :f)");
    EXPECT_EQ(queries.size(), 2);

    db.AddParamText(":p", path);
    auto row = db.GetTable("select md5, corever, size, f from cainfo where path = :p");
    ASSERT_EQ(row->Count(), 1);
    EXPECT_EQ(row->FieldAsString(0), "44d88612fea8a8f36de82e1278abb02f");
    EXPECT_TRUE(row->FieldIsNull(1));
    EXPECT_EQ(row->FieldAsInteger(2), 68);
    EXPECT_EQ(row->FieldAsDouble(3), 0.25);

    // Parameters are consumed by the statement that used them: unbound means null.
    EXPECT_EQ(db.GetTable("select * from cainfo where path = :p")->Count(), 0);

    db.BeginTransaction();
    auto insert = db.Prepare("insert into cainfo (path, md5, size) values (?, ?, ?)");
    for (int i = 0; i < 500; ++i)
        insert->bind(1, QString("C:\\f%1'.exe").arg(i)).bind(2, QString("md5-%1").arg(i)).bind(3, qint64(i)).Exec();
    db.Commit();
    EXPECT_EQ(db.GetTable("select count(*) as n from cainfo")->FieldAsInteger("n"), 501);

    auto lookup = db.Prepare("select md5 from cainfo where path = ?");
    lookup->bind(1, QString("C:\\f77'.exe"));
    TSQLiteTable found = lookup->Query();
    ASSERT_EQ(found.Count(), 1);
    EXPECT_EQ(found.FieldAsString(0), "md5-77");
    EXPECT_EQ(lookup->Query().Count(), 0); // bindings cleared after each run
}

TEST(SQLiteOpen, FailureNamesTheFileAndSQLitesReason)
{
    TempDir dir;
    const QString path = dir.file("missing/folder/db.sqlite");
    const QString message = failure([&] { TSQLiteDatabase db(path); });
    EXPECT_TRUE(message.startsWith("Failed to open database \"" + path + "\" : ")) << message.toStdString();
    EXPECT_GT(message.size(), QString("Failed to open database \"" + path + "\" : ").size());

    const QString junk = dir.write("junk.db", QByteArray(4096, 'x'));
    TSQLiteDatabase db(junk);
    EXPECT_TRUE(failure([&] { db.GetTable("select * from sqlite_master"); }).contains("[26]"));
}

TEST_F(SQLiteTest, SynchronisedRunsThePragmaOnChange)
{
    QStringList queries;
    db.OnQuery = [&](const QString& sql) { queries << sql; };
    db.SetSynchronised(false);
    db.SetSynchronised(false);
    db.SetSynchronised(true);
    EXPECT_EQ(queries, QStringList({"PRAGMA synchronous = OFF;", "PRAGMA synchronous = ON;"}));
    EXPECT_EQ(db.GetTable("PRAGMA synchronous")->FieldAsInteger(0), 1);
}

} // namespace
