// The PostgreSQL connection: the runtime translation of SQLite texts (no database needed), and
// against a real cluster (QK_TEST_PG, see scripts/pg-cluster.sh) values, names, errors, the
// guard with its database role, the limits and transactions.
#include <gtest/gtest.h>

#include <cstdlib>
#include <future>
#include <random>

#include "server/core/account_store.h"
#include "server/db/pg_connection.h"
#include "server/db/pg_translate.h"
#include "server/db/schema_model.h"
#include "support/test_server.h"

namespace qk::test {
namespace {

using protocol::Blob;
using protocol::FieldType;
using protocol::Value;

// ---- translation ---------------------------------------------------------------------------

TEST(PgTranslate, NamedParametersBecomeNumberedOnesAndLiteralsStayAsWritten) {
  const auto st = db::translateForPostgres(
      "select a::int, ':x' from t where b = :Name and c = :id -- :gone\n and d = :name");
  EXPECT_EQ(st.sql, "select a::int, ':x' from t where b = $1 and c = $2 -- :gone\n and d = $1");
  EXPECT_EQ(st.params, (std::vector<std::string>{"Name", "id"}));
  const auto body = db::translateForPostgres("do $f$ begin x := :y; end $f$");
  EXPECT_EQ(body.sql, "do $f$ begin x := :y; end $f$");
  EXPECT_TRUE(body.params.empty());
}

TEST(PgTranslate, SessionTablesAndSchemaNamesFindPostgresSchemas) {
  EXPECT_EQ(db::translateForPostgres("select * from ##Tmp join temp.w on 1=1").sql,
            "select * from pg_temp.\"##tmp\" join pg_temp.w on 1=1");
  EXPECT_EQ(db::translateForPostgres("select main.t.a from main.t").sql, "select t.a from t");
  EXPECT_EQ(db::translateForPostgres("select \"KeyNo\", [Item Name] from t").sql,
            "select \"keyno\", \"item name\" from t");
}

TEST(PgTranslate, SessionTableDefinitionsKeepTheirSpellingAndGetPostgresTypes) {
  const auto def = db::sessionTableDefinition(
      "create temp table if not exists \"##Sum\" (ProductNo NVARCHAR(20), Qty DECIMAL(18, 4), "
      "\"When\" DATETIME, Note text, primary key (ProductNo))");
  EXPECT_EQ(def.name, "##Sum");
  using Column = std::pair<std::string, std::string>;
  EXPECT_EQ(def.columns, (std::vector<Column>{{"ProductNo", "NVARCHAR(20)"},
                                              {"Qty", "DECIMAL(18, 4)"},
                                              {"When", "DATETIME"},
                                              {"Note", "text"}}));
  EXPECT_EQ(db::sessionTableDefinition("create temporary table temp.##t as select 1").name, "##t");
  EXPECT_TRUE(db::sessionTableDefinition("create temp table w (a int)").name.empty());
  EXPECT_TRUE(db::sessionTableDefinition("select * from ##t").name.empty());
  EXPECT_EQ(db::withPostgresColumnTypes(
                "create temp table ##t (a decimal ( 18 , 4 ), b datetime, c nvarchar(5), "
                "d decimal(9), e text default 'DATETIME')"),
            "create temp table ##t (a DOUBLE PRECISION, b TEXT, c VARCHAR(5), d decimal(9), "
            "e text default 'DATETIME')");
}

TEST(PgTranslate, SqliteFormsBecomePostgresOnes) {
  auto st = db::translateForPostgres("INSERT OR IGNORE INTO main.sys_config (a) VALUES (1); -- x");
  EXPECT_EQ(st.sql, "INSERT INTO sys_config (a) VALUES (1) ON CONFLICT DO NOTHING; -- x");
  EXPECT_EQ(st.insertTable, "sys_config");
  EXPECT_EQ(st.sql.substr(st.clauseAt, 1), ";");
  EXPECT_EQ(db::translateForPostgres("select isnull(a, 0), IFNULL (b,'') from t where "
                                     "c isnull and n = 'x' collate nocase")
                .sql,
            "select coalesce(a, 0), coalesce (b,'') from t where c isnull and n = 'x' ");
  // A subquery in FROM gets the name PostgreSQL 15 asks for, unless it has one.
  EXPECT_EQ(db::translateForPostgres("select count(*) from (select a from t union all select b "
                                     "from (values (1))) where a > 0")
                .sql,
            "select count(*) from (select a from t union all select b from (values (1)) AS "
            "qk_sub1) AS qk_sub2 where a > 0");
  EXPECT_EQ(
      db::translateForPostgres("select x.a from (select a from t) x join (select 1) as y").sql,
      "select x.a from (select a from t) x join (select 1) as y");
  // The migrations declare these functions themselves.
  EXPECT_EQ(db::translateForPostgres("create function ifnull(a int) returns int as 'x'").sql,
            "create function ifnull(a int) returns int as 'x'");
  const auto replace =
      db::translateForPostgres("insert or replace into T (A, \"B\") values (1, 2)");
  EXPECT_TRUE(replace.replaceRows);
  EXPECT_EQ(replace.sql, "insert into T (A, \"b\") values (1, 2)");
  EXPECT_EQ(replace.insertTable, "t");
  EXPECT_TRUE(db::translateForPostgres("select 1").insertTable.empty());
}

TEST(PgTranslate, ScriptsSplitOutsideLiteralsAndBodies) {
  const auto parts = db::splitPostgresScript(
      "create table a (x text default ';');\n"
      "create function f() returns int as $$ select 1; $$ language sql;"
      " -- end\n ;");
  ASSERT_EQ(parts.size(), 2u);
  EXPECT_EQ(parts[1], "\ncreate function f() returns int as $$ select 1; $$ language sql");
}

TEST(PgTranslate, AliasesKeepTheirSpelling) {
  const auto a = db::aliasSpellings("select qty AS TotalQty, x as \"Count Of\" from t");
  EXPECT_EQ(a.at("totalqty"), "TotalQty");
  EXPECT_EQ(a.at("count of"), "Count Of");
}

std::string refusalOf(const std::string& sql) {
  return db::checkClientStatement(sql).refusal;
}

TEST(PgClientCheck, RefusesWhatClientsMayNotRun) {
  for (const char* sql : {"select 1; select 2",
                          "create table t (a int)",
                          "drop table item",
                          "alter table t add b int",
                          "copy item to '/tmp/x'",
                          "do $$ begin end $$",
                          "call p()",
                          "set role postgres",
                          "begin",
                          "listen x",
                          "select pg_read_file('/etc/passwd')",
                          "select \"pg_read_file\"('/etc/passwd')",
                          "select set_config('role', 'x', false)",
                          "select * from pg_catalog.pg_authid",
                          "select * from information_schema.tables",
                          "select * from qk_migrations",
                          "delete from item returning *",
                          "select * into newtable from item",
                          "update sys_user set pwd = 'x'",
                          "create temp table shadow (a int)"})
    EXPECT_FALSE(refusalOf(sql).empty()) << sql;
  for (const char* sql :
       {"select 1;", "with x as (select 1) select * from x", "create table ##t (a int)",
        "drop table if exists ##t, ##u", "select a into ##t from item", "select qk_refuse('x')",
        "select * from item for update", "insert into ##t values (1)"})
    EXPECT_EQ(refusalOf(sql), "") << sql;
  EXPECT_TRUE(db::checkClientStatement(" -- nothing\n").blank);
}

TEST(PgClientCheck, FindsEveryWriteWithTheColumnsAnUpdateSets) {
  const auto check = db::checkClientStatement(
      "with d as (delete from main.Item where keyNo = 1) "
      "update only Stock s set Qty = (select 1, 2), s.Price = 3, (a, b) = (1, 2) where x = 1");
  ASSERT_EQ(check.writes.size(), 5u);
  EXPECT_EQ(check.writes[0].kind, db::WriteKind::Delete);
  EXPECT_EQ(check.writes[0].table, "item");
  std::vector<std::string> columns;
  for (std::size_t i = 1; i < check.writes.size(); ++i) {
    EXPECT_EQ(check.writes[i].kind, db::WriteKind::Update);
    EXPECT_EQ(check.writes[i].table, "stock");
    columns.push_back(check.writes[i].column);
  }
  EXPECT_EQ(columns, (std::vector<std::string>{"qty", "price", "a", "b"}));
  const auto upsert =
      db::checkClientStatement("insert into T (a) values (1) on conflict (a) do update set b = 2");
  ASSERT_EQ(upsert.writes.size(), 2u);
  EXPECT_EQ(upsert.writes[1].table, "t");
  EXPECT_EQ(upsert.writes[1].column, "b");
  EXPECT_TRUE(db::checkClientStatement("insert into ##t values (1)").writes.empty());
}

TEST(SchemaModel, AnswersAsTheMigratedSqliteDatabaseDoes) {
  auto sqlite = db::openSqlite(":memory:", db::OpenMode::Create);
  server::migrate(*sqlite);
  const auto model = db::SchemaModel::build(*sqlite);
  ASSERT_GT(model->relations().size(), 50u);
  for (const auto& name : model->relations()) {
    EXPECT_EQ(model->canonicalTableName(protocol::toLower(name)), sqlite->canonicalTableName(name));
    const auto expected = sqlite->tableColumns(name);
    const auto got = model->tableColumns(name);
    ASSERT_EQ(got.size(), expected.size()) << name;
    for (std::size_t i = 0; i < got.size(); ++i) {
      EXPECT_EQ(got[i].name, expected[i].name) << name;
      EXPECT_EQ(got[i].declaredType, expected[i].declaredType) << name;
      EXPECT_EQ(got[i].primaryKey, expected[i].primaryKey) << name;
      EXPECT_EQ(got[i].isIdentity, expected[i].isIdentity) << name;
      EXPECT_EQ(got[i].size, expected[i].size) << name;
    }
  }
  EXPECT_EQ(model->relationSpelling("WH_IN"), "wh_In");
  EXPECT_EQ(model->nameSpelling("KEYNO"), "keyNo");
  EXPECT_TRUE(model->tableColumns("no_such_table").empty());
}

// ---- against a cluster -----------------------------------------------------------------------

// The schema as the migrations would spell it (SQLite, for the model) and the same in
// PostgreSQL's form.
constexpr const char* kSqliteSchema = R"(
create table Item (keyNo integer primary key autoincrement, ItemName varchar(10) not null unique,
  Code varchar(5), Qty decimal(18,4), Active boolean, Photo blob, Made datetime);
create table sys_user (userId integer primary key autoincrement, userName varchar(20), pwd text);
create table qk_caption (name text primary key);
create view v_Item as select keyNo, ItemName as DisplayName from Item;
)";

constexpr const char* kPostgresSchema = R"(
create extension if not exists citext;
create table item (keyno bigint generated by default as identity primary key,
  itemname citext not null unique, code varchar(5), qty double precision, active smallint,
  photo bytea, made citext);
create table sys_user (userid bigint generated by default as identity primary key,
  username citext, pwd citext);
insert into sys_user (username, pwd) values ('admin', '$argon2id$secret');
create table qk_caption (name citext primary key);
create view v_item as select keyno, itemname as displayname from item;
create function qk_refuse(msg text) returns int language plpgsql as $$
begin
  raise exception using message = msg, errcode = 'P0001';
end $$;
)";

class PgConnectionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* url = std::getenv("QK_TEST_PG");
    if (!url || !*url)
      GTEST_SKIP() << "QK_TEST_PG is not set: start a cluster with scripts/pg-cluster.sh";
    {
      auto sqlite = db::openSqlite(":memory:", db::OpenMode::Create);
      sqlite->script(kSqliteSchema);
      model_ = db::SchemaModel::build(*sqlite);
    }
    admin_ = db::openPostgres(url, model_);
    std::random_device rd;
    name_ = "qk_t_" + std::to_string(rd()) + std::to_string(rd());
    admin_->script("create database " + name_);
    url_ = postgresUrlOf(url, name_);
    owner_ = db::openPostgres(url_, model_);
    owner_->script(kPostgresSchema);
    db::preparePostgresDatabase(*owner_);
  }

  void TearDown() override {
    owner_.reset();
    if (!admin_) return;
    admin_->script("drop database if exists " + name_ + " with (force)");
    admin_->script("drop role if exists qk_client_" + name_);
  }

  Value one(const std::string& sql, const db::Params& params = {}) {
    const auto rs = owner_->clientQuery(sql, params);
    EXPECT_EQ(rs.rows.size(), 1u) << sql;
    return rs.rows.empty() || rs.rows[0].empty() ? Value{} : rs.rows[0][0];
  }

  // The error a client statement fails with.
  db::DbError failure(const std::string& sql, const db::Params& params = {}, bool query = false) {
    try {
      if (query)
        owner_->clientQuery(sql, params);
      else
        owner_->clientExecute(sql, params);
    } catch (const db::DbError& e) {
      return e;
    }
    return db::DbError("<ran>", db::ErrorKind::Other);
  }

  std::shared_ptr<const db::SchemaModel> model_;
  std::unique_ptr<db::Connection> admin_;
  std::unique_ptr<db::Connection> owner_;
  std::string name_;
  std::string url_;
};

TEST_F(PgConnectionTest, ValuesRoundTripWithTheSchemasTypes) {
  const Blob photo{{0x00, 0xff, 0x10}};
  const auto r = owner_->clientExecute(
      "insert into Item (ItemName, Qty, Active, Photo, Made) values (:n, :q, :a, :p, :m)",
      {{"n", "阀门"}, {"q", 2.5}, {"a", true}, {"p", photo}, {"m", "2026-12-07 08:30:00"}});
  EXPECT_EQ(r.rowsAffected, 1);
  EXPECT_EQ(r.lastInsertId, 1);
  owner_->execute("insert into item (itemname, qty, active) values (:n, :q, 0)",
                  {{"n", "b"}, {"q", std::int64_t{3}}});
  const auto rs = owner_->clientQuery(
      "select keyNo, ItemName, Qty, Active, Photo, Made, Code from Item where keyNo >= :min "
      "order by keyNo",
      {{"min", std::int64_t{1}}});
  ASSERT_EQ(rs.rows.size(), 2u);
  const std::vector<FieldType> types{FieldType::Integer, FieldType::String, FieldType::Decimal,
                                     FieldType::Boolean, FieldType::Blob,   FieldType::DateTime,
                                     FieldType::String};
  for (std::size_t c = 0; c < types.size(); ++c) EXPECT_EQ(rs.fields[c].type, types[c]) << c;
  EXPECT_EQ(rs.fields[1].size, 10);
  EXPECT_EQ(rs.rows[0], (protocol::Row{std::int64_t{1}, std::string("阀门"), 2.5, true, photo,
                                       std::string("2026-12-07 08:30:00"), Value{}}));
  EXPECT_EQ(rs.rows[1][2], Value(3.0));  // a whole decimal is still a double, as on SQLite
  EXPECT_EQ(rs.rows[1][3], Value(false));
  // Computed columns take their type from PostgreSQL's.
  const auto computed =
      owner_->clientQuery("select count(*) as n, sum(qty) as s, sum(keyno) as k from item", {});
  EXPECT_EQ(computed.rows[0], (protocol::Row{std::int64_t{2}, 5.5, std::int64_t{3}}));
  EXPECT_EQ(computed.fields[2].type, FieldType::Integer);  // a sum of integers, as on SQLite
  // Text comparison ignores case, as the schema's text columns do on SQLite.
  EXPECT_EQ(one("select count(*) from item where itemname = :n", {{"n", "B"}}),
            Value(std::int64_t{1}));
}

TEST_F(PgConnectionTest, InsertOrReplaceOverwritesTheRowOfItsKey) {
  owner_->execute("insert into item (itemname, qty) values ('a', 1)", {});
  owner_->execute("insert or replace into Item (keyNo, ItemName) values (1, 'b')", {});
  owner_->clientExecute("insert or replace into Item (keyNo, ItemName) values (2, 'c')", {});
  const auto rs = owner_->query("select keyno, itemname, qty from item order by keyno", {});
  ASSERT_EQ(rs.rows.size(), 2u);
  // The row is replaced whole: what the statement leaves out is back to its default.
  EXPECT_EQ(rs.rows[0], (protocol::Row{std::int64_t{1}, std::string("b"), Value{}}));
  EXPECT_EQ(rs.rows[1][1], Value(std::string("c")));
}

TEST_F(PgConnectionTest, ResultColumnsAreSpelledAsTheSchemaSpellsThem) {
  owner_->execute("insert into item (itemname) values ('a')", {});
  const auto rs = owner_->clientQuery(
      "select keyno, itemname as ItemLabel, qty + 1 as \"Qty Plus\", count(*) as Lines, made "
      "from item group by keyno, itemname, qty, made",
      {});
  std::vector<std::string> names;
  for (const auto& f : rs.fields) names.push_back(f.name);
  EXPECT_EQ(names, (std::vector<std::string>{"keyNo", "ItemLabel", "Qty Plus", "Lines", "Made"}));
  const auto view = owner_->query("select * from v_item", {});
  ASSERT_EQ(view.fields.size(), 2u);
  EXPECT_EQ(view.fields[0].name, "keyNo");
  EXPECT_EQ(view.fields[1].name, "DisplayName");
  EXPECT_EQ(owner_->canonicalTableName("ITEM"), "Item");
  EXPECT_EQ(owner_->canonicalTableName("v_item"), "");  // a view, as on SQLite
  const auto cols = owner_->tableColumns("item");
  ASSERT_EQ(cols.size(), 7u);
  EXPECT_TRUE(cols[0].isIdentity);
  EXPECT_EQ(cols[2].name, "Code");
  EXPECT_EQ(cols[2].size, 5);
  EXPECT_TRUE(owner_->isEngineTable("pg_class"));
  EXPECT_FALSE(owner_->isEngineTable("Item"));
}

TEST_F(PgConnectionTest, EachConnectionHasItsOwnSessionTables) {
  auto other = db::openPostgres(url_, model_);
  owner_->clientExecute("create table ##Pick (a int)", {});
  other->clientExecute("create table ##pick (a int)", {});
  owner_->clientExecute("insert into ##pick values (1)", {});
  other->clientExecute("insert into ##PICK values (2), (3)", {});
  EXPECT_EQ(one("select sum(a) from ##pick"), Value(std::int64_t{1}));
  EXPECT_EQ(other->clientQuery("select sum(a) from ##pick", {}).rows[0][0], Value(std::int64_t{5}));
  other->clientExecute("select keyNo into ##Keys from item", {});
  EXPECT_EQ(other->clientQuery("select count(*) from ##keys", {}).rows[0][0],
            Value(std::int64_t{0}));
  other->clientExecute("drop table ##keys", {});
  // A session table never takes the place of a table of the schema.
  owner_->clientExecute("create table ##item (x int)", {});
  EXPECT_EQ(one("select count(*) from item"), Value(std::int64_t{0}));
}

TEST_F(PgConnectionTest, ErrorsCarryTheirKindAndTheSchemasNames) {
  owner_->execute("insert into item (itemname) values ('a')", {});
  auto dup = failure("insert into item (itemname) values ('A')");
  EXPECT_EQ(dup.kind(), db::ErrorKind::Duplicate) << dup.what();
  EXPECT_EQ(dup.table(), "Item");
  EXPECT_EQ(dup.columns(), (std::vector<std::string>{"ItemName"}));
  auto missing = failure("insert into item (qty) values (1)");
  EXPECT_EQ(missing.kind(), db::ErrorKind::NotNull) << missing.what();
  EXPECT_EQ(missing.columns(), (std::vector<std::string>{"ItemName"}));
  EXPECT_EQ(failure("update item set code = 'ABCDEF'").kind(), db::ErrorKind::TooLong);
  auto refused = failure("select qk_refuse('库存不足，不能出库')");
  EXPECT_EQ(refused.kind(), db::ErrorKind::Refused);
  EXPECT_STREQ(refused.what(), "库存不足，不能出库");
  EXPECT_EQ(failure("select nosuchcolumn from item").kind(), db::ErrorKind::Other);
  EXPECT_THROW(owner_->query("select :missing", {}), db::DbError);
}

TEST_F(PgConnectionTest, TheGuardAndTheClientRoleKeepClientsInTheirPlace) {
  db::preparePostgresDatabase(*owner_);  // again, as after every migration
  for (const char* sql : {"create table t (a int)", "select 1; delete from item",
                          "copy item to '/tmp/qk-copy'", "select pg_read_file('/etc/passwd')",
                          "select * from qk_caption", "update sys_user set pwd = 'x'"})
    EXPECT_EQ(failure(sql).kind(), db::ErrorKind::Refused) << sql;
  // The database refuses as well: the password column of the table itself is out of reach.
  EXPECT_EQ(failure("select pwd from public.sys_user").kind(), db::ErrorKind::Refused);
  const auto users = owner_->clientQuery("select * from sys_user", {});
  ASSERT_EQ(users.rows.size(), 1u);
  ASSERT_EQ(users.fields.size(), 3u);
  EXPECT_EQ(users.fields[1].name, "userName");
  EXPECT_EQ(users.rows[0][1], Value(std::string("admin")));
  EXPECT_TRUE(protocol::isNull(users.rows[0][2]));
  const auto role = owner_->query(
      "select r.rolsuper, r.rolcreaterole, has_schema_privilege(r.rolname, 'public', 'create'), "
      "has_table_privilege(r.rolname, 'public.qk_caption', 'select'), "
      "has_column_privilege(r.rolname, 'public.sys_user', 'pwd', 'select'), "
      "pg_has_role(r.rolname, 'pg_read_server_files', 'member') "
      "from pg_roles r where r.rolname = 'qk_client_' || current_database()",
      {});
  ASSERT_EQ(role.rows.size(), 1u);
  for (const auto& granted : role.rows[0]) EXPECT_EQ(granted, Value(std::int64_t{0}));

  owner_->setWritePolicy([](db::WriteKind kind, std::string_view table, std::string_view column) {
    if (kind == db::WriteKind::Delete && table == "Item")
      return std::optional<std::string>("不能删除");
    if (column == "ItemName") return std::optional<std::string>("不能改名称");
    return std::optional<std::string>();
  });
  EXPECT_EQ(failure("delete from item").kind(), db::ErrorKind::Refused);
  EXPECT_EQ(failure("with d as (delete from item) select 1").kind(), db::ErrorKind::Refused);
  EXPECT_NE(std::string(failure("update item set itemname = 'x'").what()).find("不能改名称"),
            std::string::npos);
  EXPECT_NO_THROW(owner_->clientExecute("update item set qty = 1", {}));
}

TEST_F(PgConnectionTest, ClientStatementsStopAtTheLimits) {
  owner_->setLimits({5, std::int64_t{1} << 20, std::chrono::milliseconds(300)});
  auto rows = failure("select a from generate_series(1, 100) a", {}, true);
  EXPECT_EQ(rows.kind(), db::ErrorKind::Refused);
  EXPECT_NE(std::string(rows.what()).find("5 行"), std::string::npos) << rows.what();
  auto bytes = failure("select repeat('x', 400000) from generate_series(1, 4)", {}, true);
  EXPECT_NE(std::string(bytes.what()).find("1 MB"), std::string::npos) << bytes.what();
  auto slow =
      failure("select count(*) from generate_series(1, 100000) a, generate_series(1, 100000) b");
  EXPECT_EQ(slow.kind(), db::ErrorKind::Refused);
  EXPECT_NE(std::string(slow.what()).find("已被中止"), std::string::npos) << slow.what();
  // A write is no result: an insert of more rows than a query may give still runs whole.
  const auto many = owner_->clientExecute(
      "insert into item (itemname) select 'n' || a from generate_series(1, 20) a", {});
  EXPECT_EQ(many.rowsAffected, 20);
  EXPECT_EQ(many.lastInsertId, 20);
  // The connection goes on, and the server's own statements are not bounded.
  EXPECT_EQ(one("select 1"), Value(std::int64_t{1}));
  EXPECT_EQ(owner_->query("select count(*) from generate_series(1, 100)", {}).rows[0][0],
            Value(std::int64_t{100}));
}

TEST_F(PgConnectionTest, ClientStatementsNeedTheDatabasePrepared) {
  owner_->script("drop owned by qk_client_" + name_ + " cascade");
  admin_->script("drop role qk_client_" + name_);
  auto fresh = db::openPostgres(url_, model_);
  try {
    fresh->clientQuery("select 1", {});
    ADD_FAILURE() << "ran without the client role";
  } catch (const db::DbError& e) {
    EXPECT_EQ(e.kind(), db::ErrorKind::Storage) << e.what();
  }
  EXPECT_EQ(fresh->query("select 1", {}).rows[0][0], Value(std::int64_t{1}));
}

TEST_F(PgConnectionTest, ARowLockedElsewhereFailsAsBusy) {
  owner_->execute("insert into item (itemname) values ('a')", {});
  owner_->begin();
  owner_->execute("update item set qty = 1", {});
  const std::string sep = url_.find('?') == std::string::npos ? "?" : "&";
  auto other = db::openPostgres(url_ + sep + "options=-c%20lock_timeout%3D200", model_);
  try {
    other->clientExecute("update item set qty = 2", {});
    ADD_FAILURE() << "waited for the lock and ran";
  } catch (const db::DbError& e) {
    EXPECT_EQ(e.kind(), db::ErrorKind::Busy) << e.what();
    EXPECT_FALSE(e.lostToAnother());  // the other one still holds the row: trying again waits
  }
  owner_->rollback();
}

TEST_F(PgConnectionTest, OfTwoTransactionsThatDeadlockOneIsToldItLostAndTheOtherGoesOn) {
  owner_->execute("insert into item (itemname) values ('a'), ('b')", {});
  auto other = db::openPostgres(url_, model_);
  owner_->begin();
  other->begin();
  owner_->execute("update item set qty = 1 where itemname = 'a'", {});
  other->execute("update item set qty = 2 where itemname = 'b'", {});
  // Each now waits for the row the other holds; the engine ends one of them.
  auto second = std::async(std::launch::async, [&] {
    try {
      other->execute("update item set qty = 2 where itemname = 'a'", {});
      return std::string();
    } catch (const db::DbError& e) {
      return e.lostToAnother() ? std::string("lost") : std::string(e.what());
    }
  });
  std::string first;
  try {
    owner_->execute("update item set qty = 1 where itemname = 'b'", {});
  } catch (const db::DbError& e) {
    first = e.lostToAnother() ? "lost" : e.what();
  }
  if (first == "lost") owner_->rollback();
  const std::string secondOutcome = second.get();
  if (secondOutcome == "lost") other->rollback();
  EXPECT_EQ(first + "|" + secondOutcome == "lost|" || first + "|" + secondOutcome == "|lost", true)
      << first << " | " << secondOutcome;
  if (owner_->inTransaction()) owner_->commit();
  if (other->inTransaction()) other->commit();
}

TEST_F(PgConnectionTest, TransactionsRollBackAndClientsStayUnderTheirRole) {
  {
    db::Transaction t(*owner_);
    owner_->clientExecute("insert into item (itemname) values ('x')", {});
    EXPECT_TRUE(owner_->inTransaction());
  }
  EXPECT_FALSE(owner_->inTransaction());
  EXPECT_EQ(one("select count(*) from item"), Value(std::int64_t{0}));
  // The rollback undid the switch to the client role made inside the transaction.
  EXPECT_EQ(one("select current_user"), Value("qk_client_" + name_));
  EXPECT_EQ(owner_->query("select current_user = session_user", {}).rows[0][0],
            Value(std::int64_t{1}));  // a comparison gives 1, as on SQLite

  // A failed statement ends the transaction: the rest of it still reads (a refusal is worded
  // from what it reads), writes nothing, and its commit says nothing was saved.
  owner_->begin();
  owner_->execute("insert into item (itemname) values ('y')", {});
  EXPECT_THROW(owner_->execute("insert into item (itemname) values ('Y')", {}), db::DbError);
  EXPECT_TRUE(owner_->inTransaction());
  EXPECT_EQ(one("select count(*) from item"), Value(std::int64_t{0}));
  EXPECT_THROW(owner_->clientQuery("select nosuchcolumn from item", {}), db::DbError);
  EXPECT_EQ(owner_->clientQuery("select count(*) from item", {}).rows[0][0],
            Value(std::int64_t{0}));
  EXPECT_THROW(owner_->query("insert into item (itemname) values ('w') returning itemname", {}),
               db::DbError);  // a read of its own, and read-only
  EXPECT_THROW(owner_->execute("insert into item (itemname) values ('z')", {}), db::DbError);
  EXPECT_THROW(owner_->clientExecute("insert into item (itemname) values ('z')", {}), db::DbError);
  EXPECT_THROW(owner_->commit(), db::DbError);  // never a silent rollback reported as saved
  EXPECT_FALSE(owner_->inTransaction());
  EXPECT_EQ(one("select count(*) from item"), Value(std::int64_t{0}));

  // With statement rollback asked for, a failed statement undoes only itself, as on SQLite: the
  // transaction goes on, and what it wrote before and after the failure is saved.
  owner_->begin();
  {
    const db::StatementRollback keepGoing(*owner_);
    owner_->execute("insert into item (itemname) values ('y')", {});
    EXPECT_THROW(owner_->execute("insert into item (itemname) values ('Y')", {}), db::DbError);
    EXPECT_THROW(owner_->clientQuery("select nosuchcolumn from item", {}), db::DbError);
    EXPECT_EQ(owner_->clientQuery("select count(*) from item", {}).rows[0][0],
              Value(std::int64_t{1}));
    owner_->execute("insert into item (itemname) values ('z')", {});
  }
  owner_->commit();
  EXPECT_EQ(one("select count(*) from item"), Value(std::int64_t{2}));
  // The next transaction starts afresh.
  owner_->begin();
  owner_->execute("insert into item (itemname) values ('x')", {});
  owner_->rollback();
  EXPECT_EQ(one("select count(*) from item"), Value(std::int64_t{2}));
}

}  // namespace
}  // namespace qk::test
