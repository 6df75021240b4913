// The server's own SQL on both backends: the demo account set built on SQLite and on PostgreSQL,
// then every view and every registered procedure run on both with the same arguments; the record
// sets must agree (column names as spelled, rows, doubles within 1e-9). Needs a cluster
// (QK_TEST_PG, see scripts/pg-cluster.sh); skipped without one.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <random>
#include <set>

#include "server/core/account_store.h"
#include "server/core/password.h"
#include "server/core/rights.h"
#include "server/core/rights_map.h"
#include "server/db/pg_connection.h"
#include "server/db/pg_translate.h"
#include "server/db/schema_model.h"
#include "server/demo/bulk_data.h"
#include "server/demo/demo_data.h"
#include "server/procedures/registry.h"
#include "server/shop/shop_floor.h"
#include "support/test_server.h"

namespace qk::test {
namespace {

using protocol::RecordSet;
using protocol::Value;

// One cell as both backends must give it: numbers compared to 1e-9 whatever their C++ type
// (a whole DECIMAL is an integer on SQLite), flags as 0/1.
std::string cellText(const Value& v) {
  if (protocol::isNull(v)) return "<null>";
  if (const auto* b = std::get_if<bool>(&v)) return *b ? "1" : "0";
  if (const auto* i = std::get_if<std::int64_t>(&v)) return std::to_string(*i);
  if (const auto* d = std::get_if<double>(&v)) {
    char buf[64];
    const double rounded = std::round(*d * 1e9) / 1e9;
    std::snprintf(buf, sizeof buf, "%.9f", rounded == 0 ? 0.0 : rounded);
    std::string s = buf;
    s.erase(s.find_last_not_of('0') + 1);
    if (s.back() == '.') s.pop_back();
    return s;
  }
  return protocol::toDisplayText(v);
}

std::vector<std::vector<std::string>> rowsOf(const RecordSet& rs, bool sorted) {
  std::vector<std::vector<std::string>> out;
  for (const auto& row : rs.rows) {
    auto& r = out.emplace_back();
    for (const auto& v : row) r.push_back(cellText(v));
  }
  if (sorted) std::sort(out.begin(), out.end());
  return out;
}

std::string typeText(protocol::FieldType t) {
  return t == protocol::FieldType::Integer || t == protocol::FieldType::Float
             ? "number"
             : protocol::fieldTypeName(t);
}

std::vector<std::string> namesOf(const RecordSet& rs) {
  std::vector<std::string> names;
  for (const auto& f : rs.fields) names.push_back(f.name);
  return names;
}

// The page reads every number alike; SQLite gives a whole sum as an integer.
protocol::Json numbersAsDoubles(protocol::Json j) {
  if (j.is_number()) return j.get<double>();
  if (j.is_structured())
    for (auto& item : j) item = numbersAsDoubles(item);
  return j;
}

// The server's statements as PostgreSQL must read them; no database needed.
TEST(PortableStatements, DerivedTablesGetANameAndDefinitionsKeepTheirFunctionNames) {
  EXPECT_EQ(db::translateForPostgres("select count(*) from (select 1 from t where a = (select 2)) "
                                     "where 1 = 1")
                .sql,
            "select count(*) from (select 1 from t where a = (select 2)) AS qk_sub1 where 1 = 1");
  EXPECT_EQ(db::translateForPostgres("select * from (select 1) x join (values (2)) on 1=1").sql,
            "select * from (select 1) x join (values (2)) AS qk_sub1 on 1=1");
  EXPECT_EQ(db::translateForPostgres("select * from (select 1) as x, t where x in (select 1)").sql,
            "select * from (select 1) as x, t where x in (select 1)");
  EXPECT_EQ(db::translateForPostgres("select * from (select 1)").sql,
            "select * from (select 1) AS qk_sub1");
  EXPECT_EQ(db::translateForPostgres(
                "create function isnull(a int, b int) returns int as $$ select 1 $$ language sql")
                .sql,
            "create function isnull(a int, b int) returns int as $$ select 1 $$ language sql");
  EXPECT_EQ(db::translateForPostgres("select isnull(a, 0) from t").sql,
            "select coalesce(a, 0) from t");
}

// A demonstration set's documents lie in the month it is made and the two before.
std::tm demoDay() {
  std::tm t{};
  t.tm_year = 2026 - 1900;
  t.tm_mon = 10;
  t.tm_mday = 16;
  t.tm_hour = 10;
  return t;
}
constexpr const char* kFrom = "2026-09-01";
constexpr const char* kTo = "2026-11-30";

constexpr const char* kPassword = "demo-口令";

void initialise(db::Connection& c, const std::string& passwordHash) {
  db::Transaction tx(c);
  c.execute(
      "insert into main.sys_user (userId, userName, pwd, remark) values "
      "('0001', 'admin', :pwd, '系统管理员')",
      {{"pwd", passwordHash}});
  c.execute(
      "insert into main.sys_rights (userName, actionNo, canNew, canEdit, canDelete, "
      "canReview, canView) select 'admin', actionNo, 1, 1, 1, 1, 1 from main.sys_action");
  server::addDemoData(c, demoDay());
  tx.commit();
}

// Both account sets are made once for the program: the demo data takes a while on each.
struct Backends {
  TempDir dir;
  std::unique_ptr<db::Connection> sqlite;
  std::unique_ptr<db::Connection> admin;
  std::unique_ptr<db::Connection> pg;
  std::string url, name;

  Backends(const std::string& clusterUrl) {
    sqlite = db::openSqlite(dir.path() / "demo.qkdb", db::OpenMode::Create);
    server::migrate(*sqlite);
    const auto model = db::SchemaModel::build(*sqlite);
    const std::string hash = server::hashPassword(kPassword);
    initialise(*sqlite, hash);

    admin = db::openPostgres(clusterUrl, model);
    std::random_device rd;
    name = "qk_t_" + std::to_string(rd()) + std::to_string(rd());
    // As an account set's database is made: text ordered and folded by bytes, as SQLite does.
    admin->script("CREATE DATABASE " + name +
                  " TEMPLATE template0 ENCODING 'UTF8' LC_COLLATE 'C' LC_CTYPE 'C'");
    url = postgresUrlOf(clusterUrl, name);
    pg = db::openPostgres(url, model);
    server::migratePostgres(*pg);
    db::preparePostgresDatabase(*pg);
    initialise(*pg, hash);
  }
  ~Backends() {
    pg.reset();
    try {
      admin->script("DROP DATABASE IF EXISTS " + name + " WITH (FORCE)");
      admin->script("DROP ROLE IF EXISTS qk_client_" + name);
    } catch (...) {  // the cluster is thrown away after the run anyway
    }
  }
};

class PortableProcedures : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    const char* url = std::getenv("QK_TEST_PG");
    if (!url || !*url) return;
    server::registerAllProcedures();
    server::registerStaffPinProcedure();
    server::registerPasswordProcedure();
    try {
      backends_ = new Backends(url);
    } catch (const std::exception& e) {
      setUpFailure_ = e.what();
    }
  }
  static void TearDownTestSuite() {
    delete backends_;
    backends_ = nullptr;
  }
  void SetUp() override {
    const char* url = std::getenv("QK_TEST_PG");
    if (!url || !*url)
      GTEST_SKIP() << "QK_TEST_PG is not set: start a cluster with scripts/pg-cluster.sh";
    ASSERT_TRUE(backends_) << "the demo account sets could not be made: " << setUpFailure_;
  }

  db::Connection& sqlite() { return *backends_->sqlite; }
  db::Connection& pg() { return *backends_->pg; }

  // Runs the procedure on one backend; what it returned and its output arguments.
  static RecordSet call(db::Connection& c, const std::string& name, std::vector<Value>& args) {
    const server::Procedure* proc = server::findProcedure(name);
    if (!proc) throw std::runtime_error("no procedure " + name);
    called_.insert(protocol::toLower(name));
    server::ProcedureCall pc{c, args, "admin"};
    auto rs = (*proc)(pc);
    return rs ? *rs : RecordSet{};
  }

  // The procedure on both backends; results, output arguments and the rows of `after` (read as
  // a client would, e.g. the session table the procedure filled) must agree. Gives the number of
  // rows compared (of `after` when given), so that a call comparing nothing is noticed.
  std::size_t same(const std::string& name, std::vector<Value> args, const std::string& after = {},
                   bool sorted = false) {
    SCOPED_TRACE(name);
    std::vector<Value> a = args, b = args;
    RecordSet ra, rb;
    try {
      ra = call(sqlite(), name, a);
    } catch (const std::exception& e) {
      ADD_FAILURE() << "SQLite: " << e.what();
      return 0;
    }
    try {
      rb = call(pg(), name, b);
    } catch (const std::exception& e) {
      ADD_FAILURE() << "PostgreSQL: " << e.what();
      return 0;
    }
    expectSame(ra, rb, sorted);
    RecordSet outA, outB;
    outA.rows.push_back(a);
    outB.rows.push_back(b);
    EXPECT_EQ(rowsOf(outA, false), rowsOf(outB, false)) << "output arguments";
    return after.empty() ? ra.rows.size() : sameRows(after, sorted);
  }

  std::size_t sameRows(const std::string& sql, bool sorted) {
    SCOPED_TRACE(sql);
    // The server's own tables are read by the server's statements only.
    const bool own = sql.find("qk_") != std::string::npos;
    RecordSet ra, rb;
    try {
      ra = own ? sqlite().query(sql) : sqlite().clientQuery(sql, {});
    } catch (const std::exception& e) {
      ADD_FAILURE() << "SQLite: " << e.what();
      return 0;
    }
    try {
      rb = own ? pg().query(sql) : pg().clientQuery(sql, {});
    } catch (const std::exception& e) {
      ADD_FAILURE() << "PostgreSQL: " << e.what();
      return 0;
    }
    expectSame(ra, rb, sorted);
    return ra.rows.size();
  }

  static void expectSame(const RecordSet& a, const RecordSet& b, bool sorted) {
    EXPECT_EQ(namesOf(a), namesOf(b));
    // Without rows SQLite cannot tell a computed column's type; with rows its first value
    // decides, so a whole number computed as a double is an integer there.
    if (!a.rows.empty()) {
      for (std::size_t i = 0; i < std::min(a.fields.size(), b.fields.size()); ++i)
        EXPECT_EQ(typeText(a.fields[i].type), typeText(b.fields[i].type)) << a.fields[i].name;
    }
    const auto ra = rowsOf(a, sorted), rb = rowsOf(b, sorted);
    EXPECT_EQ(ra.size(), rb.size());
    for (std::size_t i = 0; i < std::min(ra.size(), rb.size()); ++i)
      if (ra[i] != rb[i]) {
        ADD_FAILURE() << "row " << i << " differs: " << ::testing::PrintToString(ra[i]) << " vs "
                      << ::testing::PrintToString(rb[i]);
        break;
      }
  }

  // A value of the demo data both backends hold, by a query the SQLite side answers.
  std::string first(const std::string& sql) {
    const auto rs = sqlite().query(sql);
    if (rs.rows.empty()) throw std::runtime_error("the demo data has no row for " + sql);
    return protocol::toDisplayText(rs.rows[0][0]);
  }

  void listsAndPages() {
    EXPECT_GT(same("sp_query_page", {"wh_stock", "*", "whNo, productNo", "", "", std::int64_t{0},
                                     std::int64_t{7}, std::int64_t{2}, Value{}, Value{}}),
              0u);
    same("sp_query_page", {"view_bas_prd_des", "productNo, des", "productNo",
                           "where des like '%阀%'", "order by productNo desc", std::int64_t{0},
                           std::int64_t{5}, std::int64_t{1}, Value{}, Value{}});
    same("sp_query_page", {"bas_dep group by isWh", "isWh, count(*) AS n", "isWh", "", "",
                           std::int64_t{0}, std::int64_t{10}, std::int64_t{1}, Value{}, Value{}});
  }

  void billOfMaterials() {
    const std::string product = first(
        "SELECT productNo FROM bom b WHERE NOT EXISTS (SELECT 1 FROM bom c WHERE "
        "c.partNo = b.productNo) GROUP BY productNo ORDER BY count(*) DESC, productNo");
    same("sp_createBomTree", {});
    same("sp_getBomTree", {product, std::int64_t{0}, std::int64_t{1}, std::int64_t{1}});
    EXPECT_GT(same("sp_bomTreeRows", {}), 2u);
    const std::string part = first("SELECT productNo FROM bas_products ORDER BY productNo DESC");
    same("sp_bom_insert",
         {product, part, std::int64_t{99}, 2.5, "", "", "", "", std::int64_t{0}, "试制"},
         "SELECT productNo, partNo, itemNo, ylQty, stop, remark FROM bom WHERE itemNo = 99");
  }

  void stock() {
    std::string warehouses;
    for (const auto& r :
         sqlite().query("SELECT depNo FROM bas_dep WHERE isWh = 1 ORDER BY depNo").rows)
      warehouses += protocol::toDisplayText(r[0]);
    EXPECT_GT(same("sp_stock_history", {kFrom, kTo, warehouses}), 10u);
    EXPECT_GT(same("sp_stock_det", {kFrom, kTo, warehouses, "all"},
                   "SELECT * FROM ##tmp_stock_det ORDER BY sysid"),
              100u);
    const std::string wh =
        first("SELECT whNo FROM wh_stock ORDER BY initQty DESC, whNo, productNo");
    const std::string item =
        first("SELECT productNo FROM wh_stock ORDER BY initQty DESC, whNo, productNo");
    same("sp_stock_det", {"2026-10-05", "2026-11-20 12:00:00", wh, item},
         "SELECT * FROM ##tmp_stock_det ORDER BY sysid");
    EXPECT_GT(same("sp_stock_Detail", {item, wh}, "SELECT * FROM ##stock_detail ORDER BY sysid"),
              1u);
  }

  void wages() {
    EXPECT_GT(same("sp_getWage_m", {kFrom, kTo}), 0u);
    EXPECT_GT(same("sp_getWage_d", {kFrom, kTo,
                                    first("SELECT staffNo FROM bus_flow WHERE "
                                          "staffNo <> '' ORDER BY staffNo")}),
              0u);
    same("sp_getFee_m", {kFrom, "2026-11-30 23:59:59"});
    same("sp_getFee_d",
         {kFrom, kTo, first("SELECT depNo FROM bas_dep WHERE isOw = 1 ORDER BY depNo")});
  }

  void writingProcedures() {
    const std::string tasks = first(
        "SELECT group_concat(taskNo, ',') FROM (SELECT taskNo FROM "
        "bus_task_det ORDER BY taskNo LIMIT 3)");
    same("sp_countTaskPrints", {"," + tasks + ","},
         "SELECT taskNo, printCnt FROM bus_task_det ORDER BY taskNo");
    const std::string certificate = first("SELECT keyNo FROM check_mat_d ORDER BY keyNo");
    same("sp_mc_pad", {certificate},
         "SELECT keyNo, rowNo, sch, mainId FROM check_mat_d ORDER BY keyNo, rowNo, sysid");
    same("sp_mc_clean", {certificate},
         "SELECT keyNo, rowNo, sch, mainId FROM check_mat_d ORDER BY keyNo, rowNo, sysid");
    const std::string staff = first("SELECT staffNo FROM bas_staff ORDER BY staffNo");
    same("sp_setStaffPin", {staff, "4321"}, "SELECT staffNo, setBy FROM qk_staff_pin");
    same("sp_setStaffPin", {staff, ""}, "SELECT staffNo FROM qk_staff_pin");
    same("sp_setPassword", {"admin", kPassword, "新口令-1"});
    for (db::Connection* c : {&sqlite(), &pg()})
      EXPECT_TRUE(server::verifyPassword(
          protocol::toDisplayText(
              c->query("SELECT pwd FROM sys_user WHERE userName = 'admin'").rows.at(0).at(0)),
          "新口令-1"));
  }

  void dashboard() { EXPECT_GT(same("sp_dashboard", {"2026-11-16"}), 10u); }

  static inline Backends* backends_ = nullptr;
  static inline std::string setUpFailure_;
  static inline std::set<std::string> called_;
};

TEST_F(PortableProcedures, EveryViewGivesTheSameRows) {
  const auto views =
      sqlite().query("SELECT name FROM sqlite_master WHERE type = 'view' ORDER BY name");
  ASSERT_GT(views.rows.size(), 10u);
  std::size_t rows = 0, filled = 0;
  for (const auto& v : views.rows) {
    const std::size_t n = sameRows("SELECT * FROM " + protocol::toDisplayText(v[0]), true);
    rows += n;
    filled += n > 0;
  }
  // The demo data reaches most views, so the comparison is not one of empty sets.
  EXPECT_GT(filled * 3, views.rows.size() * 2) << filled << " of " << views.rows.size();
  EXPECT_GT(rows, 500u);
}

// Each procedure with representative arguments; then none the server registers is left out.
TEST_F(PortableProcedures, EveryRegisteredProcedureGivesTheSameResults) {
  listsAndPages();
  billOfMaterials();
  stock();
  wages();
  writingProcedures();
  dashboard();
  // Other tests of this program register procedures of their own (sp_test_…).
  for (const std::string& name : server::registeredProcedures())
    if (name.rfind("sp_test_", 0) != 0) {
      EXPECT_TRUE(called_.count(protocol::toLower(name))) << name << " is not compared";
    }
}

// A client statement writes log rows of its own user's logins only, on both engines; the server's
// own writes are not checked.
TEST_F(PortableProcedures, ClientStatementsWriteOnlyTheirOwnLogRows) {
  for (db::Connection* c : {&sqlite(), &pg()}) {
    SCOPED_TRACE(c == &pg() ? "PostgreSQL" : "SQLite");
    c->execute("insert into sys_user (userName, remark) values ('clerk', '')");
    c->execute(
        "insert into sys_log (userName, sysdate, loginTime) "
        "values ('clerk', '2026-11-16 08:00:00', '2026-11-16 08:00:00')");
    server::Rights rights(*c, "admin");
    auto run = [&](const std::string& sql) {
      return rights.runClient(*c, [&] { return c->clientExecute(sql, {}); });
    };
    const auto own =
        run("insert into sys_log (userName, sysdate, loginTime, computerName) "
            "values ('ADMIN ', getdate(), getdate(), 'pc')");
    EXPECT_EQ(own.rowsAffected, 1);
    EXPECT_EQ(run("insert into sys_log_det (mId, detail) values (" +
                  std::to_string(own.lastInsertId) + ", '物料')")
                  .rowsAffected,
              1);
    EXPECT_EQ(run("update sys_log set logoutTime = getdate() where sysid = " +
                  std::to_string(own.lastInsertId))
                  .rowsAffected,
              1);
    for (const char* sql : {"insert into sys_log (userName, loginTime) values ('clerk', getdate())",
                            "update sys_log set computerName = 'x' where computerName = 'pc'",
                            "insert into sys_log_det (mId, detail) select sysid, 'x' from sys_log "
                            "where userName = 'clerk'"}) {
      try {
        run(sql);
        ADD_FAILURE() << "ran: " << sql;
      } catch (const db::DbError& e) {
        EXPECT_EQ(e.kind(), db::ErrorKind::Refused) << sql;
        EXPECT_STREQ(e.what(), "只能记录本人登录的日志") << sql;
      }
    }
    EXPECT_FALSE(c->inTransaction());
    // Outside such a statement the server writes any login's rows.
    EXPECT_EQ(
        c->execute("update sys_log set computerName = 'srv' where userName = 'clerk'").rowsAffected,
        1);
  }
}

// Generated bulk rows continue each other's numbers the same way on both engines, also beside a
// number someone typed with the same beginning.
TEST_F(PortableProcedures, BulkRowsAreNumberedAlike) {
  for (db::Connection* c : {&sqlite(), &pg()}) {
    c->execute("insert into bas_products (productNo, productName) values ('BK0000009x', 'typed')");
    server::addBulkProducts(*c, 12);
    server::addBulkProducts(*c, 3);
    server::addBulkReceipts(*c, 4);
    server::addBulkReceipts(*c, 2);
  }
  EXPECT_EQ(sameRows("SELECT productNo, productName, productSize, costPrice FROM bas_products "
                     "WHERE productNo LIKE 'BK%' ORDER BY productNo",
                     false),
            16u);
  EXPECT_EQ(sameRows("SELECT keyNo, whNo, inDate FROM wh_In WHERE keyNo LIKE 'BK%' ORDER BY keyNo",
                     false),
            6u);
}

// The shop-floor page reads a task line with its progress and records alike on both engines.
TEST_F(PortableProcedures, ShopFloorTaskLinesAgree) {
  const std::string task = first("SELECT taskNo FROM bus_flow ORDER BY taskNo");
  const std::string staff = first("SELECT staffNo FROM bus_flow ORDER BY taskNo");
  const auto a = server::shopTaskLine(sqlite(), staff, task);
  const auto b = server::shopTaskLine(pg(), staff, task);
  EXPECT_EQ(numbersAsDoubles(a).dump(), numbersAsDoubles(b).dump());
  EXPECT_FALSE(a.at("records").empty());
  EXPECT_EQ(server::shopChoices(sqlite()).dump(), server::shopChoices(pg()).dump());
}

// Rights given or taken by another connection count at the next request, on PostgreSQL too.
TEST_F(PortableProcedures, RightsFollowChangesOfOtherConnections) {
  for (db::Connection* c : {&sqlite(), &pg()}) {
    std::unique_ptr<db::Connection> other =
        c == &pg() ? db::openPostgres(backends_->url, db::SchemaModel::build(sqlite()))
                   : db::openSqlite(backends_->dir.path() / "demo.qkdb", db::OpenMode::Existing);
    server::Rights rights(*c, "admin");
    const std::string action =
        protocol::toDisplayText(c->query("SELECT min(actionNo) FROM sys_action").rows.at(0).at(0));
    ASSERT_TRUE(rights.holds(action));
    other->execute("UPDATE sys_rights SET canView = 0 WHERE userName = 'admin' AND actionNo = :a",
                   {{"a", action}});
    rights.refresh(*c);
    EXPECT_FALSE(rights.holds(action));
    // A client statement counts too (on PostgreSQL its trigger writes the server's counter).
    EXPECT_TRUE(rights.holds(server::kRightsAdminAction));
    rights.runClient(*c, [&] {
      return c->clientExecute(
          "UPDATE sys_rights SET canView = 1 WHERE userName = 'admin' AND actionNo = :a",
          {{"a", action}});
    });
    rights.refresh(*c);
    EXPECT_TRUE(rights.holds(action));
  }
}

}  // namespace
}  // namespace qk::test
