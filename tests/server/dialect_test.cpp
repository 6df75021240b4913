// The client's SQL dialect on SQLite: functions, temporary tables, procedure calls, and the guard
// that keeps client statements away from the schema and the server's secrets.
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>

#include "server/db/connection.h"
#include "server/db/dialect.h"
#include "server/procedures/exec_call.h"
#include "support/test_server.h"

namespace qk::test {
namespace {

using db::translateClientSql;
using protocol::Params;
using protocol::Value;

class DialectTest : public ::testing::Test {
 protected:
  void SetUp() override {
    db_ = db::openSqlite(dir_.path() / "t.qkdb", db::OpenMode::Create);
    db_->script(
        "create table t (id integer primary key, name varchar(20) collate nocase, d datetime);"
        "create table sys_user (userName varchar(20) collate nocase, pwd text);"
        "insert into sys_user values ('admin', '$argon2id$secret');"
        "create table qk_migrations (name text primary key);"
        "insert into qk_migrations values ('0001_tables.sql');");
  }
  Value one(const std::string& sql, const Params& p = {}) {
    auto rs = db_->clientQuery(sql, p);
    EXPECT_EQ(rs.rows.size(), 1u) << sql;
    return rs.rows.empty() ? Value{} : rs.rows[0][0];
  }
  std::string refusal(const std::string& sql) {
    try {
      db_->clientExecute(sql, {});
    } catch (const db::RefusedError& e) {
      return e.what();
    } catch (const db::DbError& e) {
      return std::string("<not refused> ") + e.what();
    }
    return "<ran>";
  }
  TempDir dir_;
  std::unique_ptr<db::Connection> db_;
};

TEST_F(DialectTest, DateFunctionsReadDateTimeText) {
  const auto now = std::get<std::string>(one("select getdate()"));
  EXPECT_TRUE(std::regex_match(now, std::regex(R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d)"))) << now;
  EXPECT_EQ(std::get<std::int64_t>(one("select year('2026-12-06 08:00:00')")), 2026);
  EXPECT_EQ(std::get<std::int64_t>(one("select month('2026-02-06')")), 2);
  EXPECT_EQ(std::get<std::int64_t>(one("select day(:d)", {{"d", "2026-12-31 23:59:59"}})), 31);
  EXPECT_TRUE(protocol::isNull(one("select year(null)")));
  EXPECT_THROW(one("select month('yesterday')"), db::DbError);
  EXPECT_EQ(std::get<std::string>(one("select isnull(null, 'x')")), "x");
  EXPECT_EQ(std::get<std::int64_t>(one("select isnull(5, 'x')")), 5);
  EXPECT_EQ(std::get<std::int64_t>(one("select len('阀门  ')")), 2);  // trailing blanks not counted
}

TEST_F(DialectTest, TextComparesWithoutRegardToCase) {
  db_->clientExecute("insert into t (name) values ('Valve')", {});
  EXPECT_EQ(std::get<std::int64_t>(one("select count(*) from t where name = 'VALVE'")), 1);
}

TEST_F(DialectTest, GlobalTemporaryNamesBecomeSessionTables) {
  EXPECT_EQ(translateClientSql("select * from ##tmp_stock_det where a = '##x' -- ##y\n"),
            "select * from temp.\"##tmp_stock_det\" where a = '##x' -- ##y\n");
  db_->clientExecute("create table ##work (n integer)", {});
  db_->clientExecute("insert into ##work values (1)", {});
  EXPECT_EQ(std::get<std::int64_t>(one("select count(*) from ##work")), 1);
  // A second connection to the same file (another session) does not see it.
  auto other = db::openSqlite(dir_.path() / "t.qkdb", db::OpenMode::Existing);
  EXPECT_THROW(other->clientQuery("select * from ##work", {}), db::DbError);
  other->clientExecute("create table ##work (n integer)", {});
  EXPECT_EQ(other->clientQuery("select * from ##work", {}).rows.size(), 0u);
}

TEST_F(DialectTest, GuardRefusesEverythingButOrdinaryStatements) {
  const std::string schema = "不允许修改数据库结构 (CREATE/DROP)";
  const std::string trigger = "不允许创建或删除触发器 (TRIGGER)";
  const std::string view = "不允许创建或删除视图 (VIEW)";
  const std::string inside = "不允许读取数据库内部信息 ";
  const std::pair<const char*, std::string> refused[] = {
      {"create table x (a int)", schema},
      {"drop table t", schema},
      {"create index ix on t(name)", schema},
      {"alter table t add column z int", "不允许修改数据库结构 (ALTER TABLE)"},
      {"attach database '/tmp/x.db' as x", "不允许附加或分离数据库 (ATTACH/DETACH)"},
      {"pragma journal_mode = delete", "不允许执行 PRAGMA journal_mode"},
      {"pragma writable_schema = 1", "不允许执行 PRAGMA writable_schema"},
      {"begin transaction", "事务由服务器控制，不允许客户端开始或提交事务"},
      {"select 1; delete from t", "一次请求只能执行一条 SQL 语句"},
      {"update sys_user set pwd = 'x'", "密码只能通过修改密码功能更改"},
      // Triggers and views, temporary ones too, would run inside the server's own statements.
      {"create view v as select 1", view},
      {"create temp view v as select userName from sys_user", view},
      {"create temp trigger tr after insert on main.t begin delete from qk_migrations; end",
       trigger},
      {"create trigger temp.tr after update on t begin select 1; end", trigger},
      {"create virtual table temp.f using fts4(a)", "不允许创建或删除虚拟表 (VIRTUAL TABLE)"},
      // A temporary table may not take the place of a main table or view.
      {"create temp table sys_user (userName text, pwd text)",
       "临时表不能与数据库中的表或视图同名（sys_user）"},
      {"create table temp.T (a int)", "临时表不能与数据库中的表或视图同名（T）"},
      // Copies of the database, pointers, paths and settings through functions.
      {"vacuum into '/tmp/qk-copy.qkdb'", "不允许整理或复制数据库 (VACUUM)"},
      {"/* tidy */ vacuum", "不允许整理或复制数据库 (VACUUM)"},
      {"select fts3_tokenizer('simple')", "不允许调用函数 fts3_tokenizer"},
      {"select load_extension('/tmp/evil.so')", "不允许调用函数 load_extension"},
      {"select sqlite_compileoption_get(0)", "不允许调用函数 sqlite_compileoption_get"},
      {"select file from pragma_database_list", inside + "(pragma_database_list)"},
      {"select count(*) from pragma_journal_mode('delete')", inside + "(pragma_journal_mode)"},
      {"select sql from sqlite_stmt", inside + "(sqlite_stmt)"},
      // Password hashes and the server's bookkeeping stay out of reach in any form.
      {"update sys_user set userName = userName returning pwd", "修改数据的语句不能读取密码"},
      {"insert into ##copy select pwd from sys_user", "修改数据的语句不能读取密码"},
      {"select count(*) from qk_migrations", "不允许访问服务器内部表"},
      {"delete from qk_migrations", "不允许修改服务器内部表"},
  };
  db_->clientExecute("create table ##copy (pwd text)", {});
  for (const auto& [sql, reason] : refused)
    EXPECT_EQ(refusal(sql), "服务器拒绝执行此语句：" + reason) << sql;
  EXPECT_FALSE(std::filesystem::exists("/tmp/qk-copy.qkdb"));
  EXPECT_EQ(std::get<std::int64_t>(one("select count(*) from sys_user where pwd is null")), 1);
  // Still allowed: temporary tables, reading the table layout, a trailing semicolon.
  EXPECT_EQ(refusal("create table ##ok (a int);"), "<ran>");
  EXPECT_EQ(refusal("create index temp.ix_ok on \"##ok\" (a)"), "<ran>");
  EXPECT_EQ(db_->clientQuery("pragma table_info(t)", {}).rows.size(), 3u);
  EXPECT_EQ(db_->clientQuery("select name from pragma_table_info('t')", {}).rows.size(), 3u);
  // The server's own statements are not guarded.
  EXPECT_NO_THROW(db_->script("create table server_made (a int)"));
}

TEST_F(DialectTest, AStatementPreparedAgainAfterASchemaChangeIsJudgedAgain) {
  bool mayWrite = true;
  db_->setWritePolicy(
      [&](db::WriteKind, std::string_view, std::string_view) -> std::optional<std::string> {
        if (mayWrite) return std::nullopt;
        return "没有新增权限";
      });
  const std::string insert = "insert into t (name) values ('a')";
  EXPECT_EQ(refusal(insert), "<ran>");
  mayWrite = false;
  // The cached statement no longer matches the schema: SQLite prepares it again while it runs.
  db_->script("create table changed_meanwhile (a int)");
  EXPECT_EQ(refusal(insert), "服务器拒绝执行此语句：没有新增权限");
  EXPECT_EQ(std::get<std::int64_t>(one("select count(*) from t")), 1);
}

TEST_F(DialectTest, TheFunctionsOfTheClientsTextsAreAllowed) {
  EXPECT_NO_THROW(one(
      "select abs(-1), round(1.5), floor(1.5), coalesce(null, 1), nullif(1, 2), ifnull(null, 1),"
      " iif(1, 2, 3), substr('abc', 2), replace('a', 'a', 'b'), upper('a'), lower('A'),"
      " trim(' a '), rtrim('a '), ltrim(' a'), length('a'), instr('ab', 'b'), printf('%d', 1),"
      " typeof(1), cast(1 as text), date('now'), datetime('now'), strftime('%Y', 'now'),"
      " julianday('now'), current_timestamp, 'a' like 'A', 'a' glob 'a', getdate(),"
      " year(getdate()), month(getdate()), day(getdate()), len('a')"));
  EXPECT_NO_THROW(
      one("select count(*), sum(id), total(id), avg(id), max(id), min(id),"
          " group_concat(name) from t"));
  EXPECT_NO_THROW(db_->clientQuery("select row_number() over (order by id) from t", {}));
}

TEST_F(DialectTest, FailuresCarryTheirKindAndWhatFailed) {
  db_->script(
      "create table k (a varchar(5) collate nocase, b integer not null, c integer check (c > 0),"
      " d integer, primary key (a, d));"
      "insert into k values ('x', 1, 1, 1);");
  auto failure = [&](const std::string& sql) {
    try {
      db_->clientExecute(sql, {});
    } catch (const db::DbError& e) {
      std::string what = std::to_string(static_cast<int>(e.kind())) + " " + e.table();
      for (const auto& c : e.columns()) what += " " + c;
      return what;
    }
    return std::string("<ran>");
  };
  auto kind = [](db::ErrorKind k) { return std::to_string(static_cast<int>(k)) + " "; };
  EXPECT_EQ(failure("insert into k values ('X', 2, 2, 1)"),
            kind(db::ErrorKind::Duplicate) + "k a d");
  EXPECT_EQ(failure("insert into k (a, d) values ('y', 1)"), kind(db::ErrorKind::NotNull) + "k b");
  EXPECT_EQ(failure("insert into k values ('z', 1, 0, 1)"), kind(db::ErrorKind::Constraint));
  EXPECT_EQ(failure("insert into nothing values (1)"), kind(db::ErrorKind::Other));
  EXPECT_EQ(failure("drop table k"), kind(db::ErrorKind::Refused));
  // The declared size of a text column is reported in characters.
  for (const auto& col : db_->tableColumns("k"))
    EXPECT_EQ(col.size, col.name == "a" ? 5 : 0) << col.name;
  EXPECT_TRUE(db_->isEngineTable("SQLITE_sequence"));
  EXPECT_FALSE(db_->isEngineTable("k"));
}

TEST_F(DialectTest, TheWritePolicyJudgesEveryClientWriteOfTheMainDatabase) {
  std::vector<std::string> asked;
  db_->setWritePolicy([&](db::WriteKind kind, std::string_view table,
                          std::string_view column) -> std::optional<std::string> {
    asked.push_back(std::to_string(static_cast<int>(kind)) + " " + std::string(table) + "." +
                    std::string(column));
    if (kind == db::WriteKind::Delete) return "没有删除权限";
    return std::nullopt;
  });
  db_->clientExecute("insert into t (name) values ('a')", {});
  db_->clientExecute("update t set name = 'b'", {});
  EXPECT_NE(refusal("delete from t").find("没有删除权限"), std::string::npos);
  // Session tables are the client's own; the server's own statements are not asked about.
  db_->clientExecute("create table ##mine (x int)", {});
  db_->clientExecute("delete from ##mine", {});
  db_->execute("delete from t");
  EXPECT_EQ(asked, (std::vector<std::string>{"0 t.", "1 t.name", "2 t."}));
  // A statement prepared under rights that have since changed is judged again.
  db_->setWritePolicy([](db::WriteKind, std::string_view, std::string_view) {
    return std::optional<std::string>("无权修改");
  });
  EXPECT_NE(refusal("insert into t (name) values ('a')").find("无权修改"), std::string::npos);
}

TEST_F(DialectTest, PasswordHashesNeverLeaveTheServer) {
  auto rs = db_->clientQuery("select userName, pwd from sys_user", {});
  ASSERT_EQ(rs.rows.size(), 1u);
  EXPECT_TRUE(protocol::isNull(rs.rows[0][1]));
  EXPECT_EQ(std::get<std::int64_t>(one("select count(*) from sys_user where pwd like '$argon%'")),
            0);
}

TEST_F(DialectTest, ParametersAreBoundByNameAndNeverSpliced) {
  const std::string hostile = "x'; drop table t; --";
  db_->clientExecute("insert into t (name) values (:Name)", {{"name", hostile}});
  EXPECT_EQ(std::get<std::string>(one("select name from t where name = :n", {{"n", hostile}})),
            hostile);
  try {
    db_->clientQuery("select * from t where id = :missing", {});
    FAIL() << "a parameter without a value must not run as null";
  } catch (const db::DbError& e) {
    EXPECT_STREQ(e.what(), "参数 :missing 没有赋值");
  }
}

TEST_F(DialectTest, FieldTypesComeFromDeclaredColumnTypes) {
  db_->script(
      "create table typed (s varchar(12), n integer, q decimal(18,5), b boolean, d datetime, "
      "f float, bl blob)");
  db_->script("insert into typed values ('a', 1, 2, 1, '2026-01-01 00:00:00', 1.5, x'00')");
  auto rs = db_->clientQuery("select *, n * 2 as twice from typed", {});
  using protocol::FieldType;
  std::vector<FieldType> types;
  for (const auto& f : rs.fields) types.push_back(f.type);
  EXPECT_EQ(types,
            (std::vector<FieldType>{FieldType::String, FieldType::Integer, FieldType::Decimal,
                                    FieldType::Boolean, FieldType::DateTime, FieldType::Float,
                                    FieldType::Blob, FieldType::Integer}));
  EXPECT_EQ(rs.fields[0].size, 12);
  EXPECT_EQ(std::get<double>(rs.rows[0][2]), 2.0);  // a whole decimal still reads as a number
  EXPECT_EQ(std::get<bool>(rs.rows[0][3]), true);
}

// ---- procedure calls ---------------------------------------------------------------------------

using server::parseExecCall;

TEST(ExecCall, ParsesLiteralsParametersAndOutputMarkers) {
  Params params{{"@TableName", "bas_products"}, {"p", 7}};
  auto call = parseExecCall(
      "execute sp_query_page :@TableName, 'a, ''b''', -12, 3.5, N'宽', null, :p ,"
      ":@TotalCount output ,:@TotalPageCount OUT;",
      params);
  ASSERT_TRUE(call);
  EXPECT_EQ(call->procedure, "sp_query_page");
  ASSERT_EQ(call->args.size(), 9u);
  EXPECT_EQ(std::get<std::string>(call->args[0].value), "bas_products");
  EXPECT_EQ(std::get<std::string>(call->args[1].value), "a, 'b'");
  EXPECT_EQ(std::get<std::int64_t>(call->args[2].value), -12);
  EXPECT_EQ(std::get<double>(call->args[3].value), 3.5);
  EXPECT_EQ(std::get<std::string>(call->args[4].value), "宽");
  EXPECT_TRUE(protocol::isNull(call->args[5].value));
  EXPECT_EQ(std::get<std::int64_t>(call->args[6].value), 7);
  EXPECT_TRUE(call->args[7].output);
  EXPECT_EQ(call->args[7].param, "@TotalCount");
  EXPECT_TRUE(call->args[8].output);

  auto bare = parseExecCall("  exec sp_createBomTree ", {});
  ASSERT_TRUE(bare);
  EXPECT_EQ(bare->procedure, "sp_createBomTree");
  EXPECT_TRUE(bare->args.empty());
  auto dates =
      parseExecCall(" exec sp_stock_history  '2026-01-01 00:00:00','2026-12-31', '0102'", {});
  ASSERT_EQ(dates->args.size(), 3u);
  EXPECT_EQ(std::get<std::string>(dates->args[2].value), "0102");
}

TEST(ExecCall, OrdinaryStatementsAreNotCalls) {
  EXPECT_FALSE(parseExecCall("select * from executions", {}));
  EXPECT_FALSE(parseExecCall("update t set exec = 1", {}));
  EXPECT_FALSE(parseExecCall("", {}));
}

TEST(ExecCall, MalformedCallsSayWhatIsWrong) {
  auto error = [](const char* sql) {
    try {
      parseExecCall(sql, {});
    } catch (const db::DbError& e) {
      return std::string(e.what());
    }
    return std::string("<accepted>");
  };
  EXPECT_EQ(error("exec"), "exec 后面缺少存储过程名");
  EXPECT_EQ(error("exec @ret ="), "exec 后面缺少存储过程名");
  EXPECT_EQ(error("exec sp_x 'open"), "存储过程调用中的文本没有结束引号");
  EXPECT_EQ(error("exec sp_x 1 2"), "存储过程参数之间缺少逗号");
  EXPECT_EQ(error("exec sp_x 99999999999999999999"),
            "存储过程调用中的整数超出范围: 99999999999999999999");
  EXPECT_EQ(error("exec sp_x :p"), "参数 :p 没有赋值");
  EXPECT_EQ(error("exec sp_x 'a' output"), "只有参数可以标记为 output");
  EXPECT_EQ(error("exec sp_x @v"), "变量 @v 只能作为 output 参数");
  EXPECT_EQ(error("exec sp_x 1; drop table t"),
            "服务器拒绝执行此语句：一次请求只能执行一条 SQL 语句");
}

}  // namespace
}  // namespace qk::test
