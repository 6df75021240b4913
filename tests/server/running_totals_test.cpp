// The totals the server keeps per order line, task line and warehouse day always equal what they
// sum, whatever clients do to the lines and documents; the upgrade fills them for the data already
// there; clients read them only through the views.
#include <gtest/gtest.h>
#include <libpq-fe.h>

#include <cstdlib>
#include <random>
#include <string>

#include "server/core/account_store.h"
#include "server/db/pg_connection.h"
#include "server/procedures/registry.h"
#include "server/schema/embedded.h"
#include "support/dashboard_documents.h"
#include "support/stock_documents.h"
#include "support/test_server.h"

namespace qk::test {
namespace {

namespace path = protocol::path;
using protocol::RecordSet;

std::int64_t count(db::Connection& db, const std::string& sql) {
  return std::get<std::int64_t>(db.query(sql).rows.at(0).at(0));
}

// Each kept total against the straight sum over its lines, both ways round: a count of the keys
// where they differ (a key without a kept row counts as 0).
constexpr const char* kMismatches[][2] = {
    {"order lines and what was delivered of them",
     "select count(*) from (select gsNo from bus_so_det where gsNo is not null union select gsNo "
     "from bus_sd_det "
     "where gsNo is not null union select gsNo from qk_so_line) g "
     "left join qk_so_line k on k.gsNo = g.gsNo "
     "left join bus_so_det l on l.gsNo = g.gsNo "
     "where k.gsNo is null or k.keyNo is distinct from l.keyNo "
     " or abs(k.qty - coalesce(l.qty, 0)) > 1e-6 "
     " or abs(k.dQty - (select total(qty) from bus_sd_det s where s.gsNo = g.gsNo)) > 1e-6 "
     " or k.unQty <> round(k.qty - k.dQty, 5)"},
    {"task lines and what was recorded against them",
     "select count(*) from (select taskNo from bus_task_det union select taskNo from bus_flow "
     "where taskNo is not null union select taskNo from bus_flow_rec where taskNo is not null "
     "union select taskNo from qk_task_progress) g "
     "left join qk_task_progress k on k.taskNo = g.taskNo "
     "left join bus_task_det l on l.taskNo = g.taskNo "
     "where k.taskNo is null or k.productNo is distinct from l.productNo or k.procNo is distinct "
     "from l.procNo "
     " or k.depNo is distinct from l.depNo or k.pDate is distinct from l.pDate "
     " or k.quote is distinct from (select quote from bas_quote q where q.productNo = l.productNo "
     "   and q.procNo = l.procNo) "
     " or abs(k.qty - coalesce(l.qty, 0)) > 1e-6 "
     " or abs(k.fQty - (select total(gqty) from bus_flow f where f.taskNo = g.taskNo)) > 1e-6"
     " or abs(k.gfqty - (select total(gfqty) from bus_flow f where f.taskNo = g.taskNo)) > 1e-6"
     " or abs(k.lfqty - (select total(lfqty) from bus_flow f where f.taskNo = g.taskNo)) > 1e-6"
     " or abs(k.fxqty - (select total(fxqty) from bus_flow f where f.taskNo = g.taskNo)) > 1e-6"
     " or abs(k.recQty - (select total(recQty) from bus_flow_rec c where c.taskNo = g.taskNo))"
     "  > 1e-6"},
    {"moved per warehouse and day",
     "with m as (select whNo, case when moveDate is null or typeof(moveDate) in ('integer', "
     "'real') then '' else substr(moveDate, 1, 10) end as day, total(inQty) as i, "
     "total(outQty) as o from view_stock_move where whNo is not null "
     "group by whNo collate nocase, day) "
     "select count(*) from (select whNo, day from m union select whNo, day from qk_stock_day) g "
     "left join m on m.whNo = g.whNo and m.day = g.day "
     "left join qk_stock_day k on k.whNo = g.whNo and k.day = g.day "
     "where abs(coalesce(k.inQty, 0) - coalesce(m.i, 0)) > 1e-6 "
     "   or abs(coalesce(k.outQty, 0) - coalesce(m.o, 0)) > 1e-6"},
};

void expectTotalsTrue(db::Connection& db) {
  for (const auto& [what, sql] : kMismatches) EXPECT_EQ(count(db, sql), 0) << what;
}

void generate(db::Connection& db) {
  StockDocumentsSpec stock;
  stock.items = 8;
  stock.lines = 200;
  generateStockDocuments(db, stock);
  DashboardDocumentsSpec spec;
  spec.day = "2026-06-15";
  spec.items = stock.items;
  spec.orders = 20;
  spec.taskLines = 30;
  generateDashboardDocuments(db, spec);
}

class RunningTotalsTest : public ServerTest {
 protected:
  void SetUp() override {
    ServerTest::SetUp();
    stopServer();
    generate(*server::AccountStore(dir_.path()).open(kAccount));
    startServer();
    admin = newClient();
    ASSERT_EQ(admin->login(), "OK");
  }

  std::string anyOf(const std::string& sql) {
    const RecordSet rs = admin->open(sql + " order by random() limit 1");
    return rs.rows.empty() ? std::string() : protocol::toDisplayText(rs.rows[0][0]);
  }

  std::unique_ptr<ApiClient> admin;
};

TEST_F(RunningTotalsTest, TotalsEqualTheStraightSumsAfterRandomEditsThroughTheServer) {
  std::mt19937 rng(5);
  auto pick = [&](int n) { return std::uniform_int_distribution<int>(1, n)(rng); };
  // Item numbers as typed: now and then in another case, which names the same line.
  auto orderLine = [&] {
    const std::string gsNo = anyOf("select gsNo from bus_so_det");
    return pick(4) == 1 ? "xs" + gsNo.substr(2) : gsNo;
  };
  auto taskLine = [&] { return anyOf("select taskNo from bus_task_det"); };
  const std::string oneFlow =
      " where sysid = (select sysid from bus_flow order by random() limit 1)";
  const std::string oneRec =
      " where sysid = (select sysid from bus_flow_rec order by random() limit 1)";
  const std::string oneDelivery =
      " where (keyNo, SDItemNo) in (select keyNo, SDItemNo from bus_sd_det order by random() "
      "limit 1)";
  admin->execute("insert into bus_SD (keyNo, whNo, dDate) values ('FH-1', 'W01', '2026-06-10')");
  for (int step = 0; step < 240; ++step) {
    switch (pick(19)) {
      case 1:  // a delivery line, now and then of no order line
        admin->execute(
            "insert into bus_sd_det (keyNo, SDItemNo, gsNo, productNo, qty) values "
            "('FH-1', :i, :g, 'P000001', :q)",
            {{"i", step}, {"g", pick(6) == 1 ? Json() : Json(orderLine())}, {"q", pick(40)}});
        break;
      case 2:  // another quantity, or none
        admin->execute("update bus_sd_det set qty = :q" + oneDelivery,
                       {{"q", pick(5) == 1 ? Json() : Json(pick(80) / 4.0)}});
        break;
      case 3:  // delivered against another order line
        admin->execute("update bus_sd_det set gsNo = :g" + oneDelivery, {{"g", orderLine()}});
        break;
      case 4:
        admin->execute("delete from bus_sd_det" + oneDelivery);
        break;
      case 5:  // a whole delivery with its lines
        if (const std::string key = anyOf("select keyNo from bus_sd_det"); !key.empty()) {
          admin->execute("delete from bus_SD where keyNo = :k", {{"k", key}});
          admin->execute("delete from bus_sd_det where keyNo = :k", {{"k", key}});
        }
        break;
      case 6:  // a process record
        admin->execute(
            "insert into bus_flow (taskNo, gqty, gfqty, lfqty, fxqty, inspDate) values "
            "(:t, :g, :s, :l, :r, '2026-06-12 09:00:00')",
            {{"t", taskLine()}, {"g", pick(30)}, {"s", pick(3) - 1}, {"l", Json()}, {"r", 1.5}});
        break;
      case 7:  // its figures changed
        admin->execute("update bus_flow set gqty = :g, fxqty = :r" + oneFlow,
                       {{"g", pick(50) / 2.0}, {"r", pick(3)}});
        break;
      case 8:  // recorded against another task line
        admin->execute("update bus_flow set taskNo = :t" + oneFlow, {{"t", taskLine()}});
        break;
      case 9:
        admin->execute("delete from bus_flow" + oneFlow);
        break;
      case 10:  // a receipt record, changed, moved or deleted
        admin->execute(
            "insert into bus_flow_rec (taskNo, recQty, recDep) values (:t, :q, '装配车间')",
            {{"t", taskLine()}, {"q", pick(60)}});
        break;
      case 11:
        if (pick(2) == 1)
          admin->execute("update bus_flow_rec set recQty = :q" + oneRec, {{"q", pick(90)}});
        else
          admin->execute("update bus_flow_rec set taskNo = :t" + oneRec, {{"t", taskLine()}});
        break;
      case 12:
        admin->execute("delete from bus_flow_rec" + oneRec);
        break;
      case 13:  // every record of a task line
        admin->execute("delete from bus_flow where taskNo = :t", {{"t", taskLine()}});
        break;
      case 14:  // an order line: another quantity, order or item number
        if (pick(3) == 1)
          admin->execute("update bus_so_det set qty = :q where gsNo = :g",
                         {{"q", pick(120)}, {"g", orderLine()}});
        else if (pick(2) == 1)
          admin->execute("update bus_so_det set keyNo = :k where gsNo = :g",
                         {{"k", anyOf("select keyNo from bus_SO")}, {"g", orderLine()}});
        else
          admin->execute("update bus_so_det set gsNo = :n where gsNo = :g",
                         {{"n", "XS-NEW-" + std::to_string(step)}, {"g", orderLine()}});
        break;
      case 15:  // an order line deleted, or added again under a number deliveries name
        if (pick(2) == 1)
          admin->execute("delete from bus_so_det where gsNo = :g", {{"g", orderLine()}});
        else if (const std::string g = anyOf("select gsNo from bus_sd_det where gsNo not in "
                                             "(select gsNo from bus_so_det)");
                 !g.empty())
          admin->execute(
              "insert into bus_so_det (gsNo, keyNo, itemNo, qty) values (:g, 'XS0000001', 9, 7)",
              {{"g", g}});
        break;
      case 16:  // a task line: another plan, department, product or number
        if (pick(2) == 1)
          admin->execute(
              "update bus_task_det set qty = :q, pDate = :d where taskNo = :t",
              {{"q", pick(150)},
               {"d", pick(3) == 1 ? Json() : Json("2026-07-0" + std::to_string(pick(9)))},
               {"t", taskLine()}});
        else if (pick(2) == 1)
          admin->execute("update bus_task_det set depNo = :d, productNo = :p where taskNo = :t",
                         {{"d", "D" + std::to_string(pick(2))},
                          {"p", "P00000" + std::to_string(pick(8))},
                          {"t", taskLine()}});
        else
          admin->execute("update bus_task_det set taskNo = :n where taskNo = :t",
                         {{"n", "T-NEW-" + std::to_string(step)}, {"t", taskLine()}});
        break;
      case 17:  // a task line deleted, or one made for a number that has records
        if (pick(2) == 1)
          admin->execute("delete from bus_task_det where taskNo = :t", {{"t", taskLine()}});
        else if (const std::string t = anyOf("select taskNo from bus_flow where taskNo not in "
                                             "(select taskNo from bus_task_det)");
                 !t.empty())
          admin->execute(
              "insert into bus_task_det (taskNo, productNo, procNo, depNo, qty) values "
              "(:t, 'P000002', '01', 'D1', 40)",
              {{"t", t}});
        break;
      case 18:  // a process quota changed, removed or set again
        if (const std::string p = "P00000" + std::to_string(pick(8)); pick(3) == 1)
          admin->execute("delete from bas_quote where productNo = :p and procNo = '01'",
                         {{"p", p}});
        else
          admin->execute(
              "insert into bas_quote (productNo, procNo, quote) values (:p, '0' || :r, :q) "
              "on conflict (productNo, procNo) do update set quote = excluded.quote",
              {{"p", p}, {"r", pick(3)}, {"q", pick(12) / 4.0}});
        break;
      default:  // stock documents: to another day or warehouse, or gone
        if (const std::string key = anyOf("select keyNo from wh_Out"); !key.empty()) {
          if (pick(3) == 1)
            admin->execute("delete from wh_Out where keyNo = :k", {{"k", key}});
          else if (pick(2) == 1)
            admin->execute("update wh_Out set outDate = :d where keyNo = :k",
                           {{"d", "2026-0" + std::to_string(pick(9)) + "-1" +
                                      std::to_string(pick(9)) + " 08:00:00"},
                            {"k", key}});
          else
            admin->execute("update wh_Out set whNo = :w where keyNo = :k",
                           {{"w", "W0" + std::to_string(pick(2))}, {"k", key}});
        }
    }
  }
  auto db = server::AccountStore(dir_.path()).open(kAccount);
  expectTotalsTrue(*db);

  // What the screens read through the views equals the straight sums too.
  const RecordSet viaView =
      admin->open("select count(*), total(dQty), total(unQty) from view_qry_bus_so where dQty > 0");
  const auto straight = db->query(
      "select count(*), total(d), total(coalesce(l.qty, 0) - d) from bus_so_det l "
      "join (select gsNo, total(qty) as d from bus_sd_det group by gsNo) s on s.gsNo = l.gsNo "
      "where d > 0");
  ASSERT_EQ(viaView.rows.size(), 1u);
  EXPECT_EQ(viaView.rows[0][0], straight.rows[0][0]);
  EXPECT_NEAR(std::get<double>(viaView.rows[0][1]), std::get<double>(straight.rows[0][1]), 1e-6);
  EXPECT_NEAR(std::get<double>(viaView.rows[0][2]), std::get<double>(straight.rows[0][2]), 1e-6);
  const RecordSet task =
      admin->open("select total(fQty), total(recQty), total(done) from view_bus_task_det");
  const auto taskStraight = db->query(
      "select (select total(f.gqty) from bus_flow f join bus_task_det t on t.taskNo = f.taskNo), "
      "(select total(c.recQty) from bus_flow_rec c join bus_task_det t on t.taskNo = c.taskNo), "
      "(select count(*) from bus_task_det t where t.qty > 0 and t.qty <= (select total(recQty) "
      "from bus_flow_rec c where c.taskNo = t.taskNo))");
  for (std::size_t i = 0; i < 3; ++i)
    EXPECT_NEAR(std::get<double>(task.rows[0][i]),
                protocol::toDisplayText(taskStraight.rows[0][i]) == "" ? 0
                : i == 2 ? static_cast<double>(std::get<std::int64_t>(taskStraight.rows[0][i]))
                         : std::get<double>(taskStraight.rows[0][i]),
                1e-6)
        << i;
}

TEST_F(RunningTotalsTest, ClientsCanNeitherReadNorWriteTheTotals) {
  for (const char* sql :
       {"select * from qk_so_line", "select * from qk_task_progress", "select * from qk_stock_day"})
    EXPECT_NE(admin
                  ->errorOf(path::kOpen,
                            {{"provider", "pubDSP"}, {"sql", sql}, {"params", Json::object()}})
                  .find("服务器内部表"),
              std::string::npos)
        << sql;
  EXPECT_NE(admin
                ->errorOf(path::kExecute, {{"provider", "pubDSP"},
                                           {"sql", "update qk_task_progress set fQty = 1e9"},
                                           {"params", Json::object()}})
                .find("服务器内部表"),
            std::string::npos);
}

TEST(RunningTotalsUpgradeTest, TheUpgradeFillsTheTotalsForTheDocumentsAlreadyThere) {
  const auto& files = server::schemaFiles();
  std::size_t before = 0;
  while (before < files.size() && std::string(files[before].name) < "0026") ++before;
  ASSERT_LT(before, files.size());
  TempDir dir;
  auto db = db::openSqlite(dir.path() / "old.db", db::OpenMode::Create);
  server::migrate(*db, before);
  generate(*db);
  ASSERT_GT(count(*db, "select count(*) from bus_flow"), 0);
  server::migrate(*db);
  expectTotalsTrue(*db);
  EXPECT_GT(count(*db, "select count(*) from qk_so_line where dQty > 0"), 0);
}

// On PostgreSQL the same client writes keep the same totals, the views read them alike, and the
// dashboard's SQL runs unchanged to the same figures.
TEST(RunningTotalsPostgresTest, TheSameWritesKeepTheSameTotalsAndTheDashboardAgrees) {
  const char* url = std::getenv("QK_TEST_PG");
  if (!url || !*url) GTEST_SKIP() << "QK_TEST_PG not set: no PostgreSQL cluster to test against";
  TempDir dir;
  auto sqlite = db::openSqlite(dir.path() / "t.qkdb", db::OpenMode::Create);
  server::migrate(*sqlite);
  const auto model = db::SchemaModel::build(*sqlite);
  auto admin = db::openPostgres(url, model);
  std::random_device rd;
  const std::string name = "qk_t_" + std::to_string(rd()) + std::to_string(rd());
  admin->script("CREATE DATABASE " + name +
                " TEMPLATE template0 ENCODING 'UTF8' LC_COLLATE 'C' LC_CTYPE 'C'");
  const std::string dbUrl = postgresUrlOf(url, name);
  {
    // The schema as written, not through the translation client and server statements take.
    PGconn* raw = PQconnectdb(dbUrl.c_str());
    for (const auto& file : server::postgresSchemaFiles()) {
      PGresult* r = PQexec(raw, std::string(file.text).c_str());
      const bool ok = PQresultStatus(r) == PGRES_COMMAND_OK || PQresultStatus(r) == PGRES_TUPLES_OK;
      EXPECT_TRUE(ok) << file.name << ": " << PQerrorMessage(raw);
      PQclear(r);
    }
    PQfinish(raw);
    auto pg = db::openPostgres(dbUrl, model);
    db::preparePostgresDatabase(*pg);
    const char* writes[] = {
        "insert into bas_dep (depNo, depName, isWh, isOw) values ('W1', '成品库', 1, 0), "
        "('D1', '机加车间', 0, 0), ('D9', '外协厂', 0, 1)",
        "insert into bas_cust (custNo, custName) values ('C1', '客户一')",
        "insert into bas_process (procNo, procName) values ('01', '车削')",
        "insert into bas_quote (productNo, procNo, quote) values ('P1', '01', 0.35)",
        "insert into bus_SO (keyNo, custNo, dlvDate) values ('XS1', 'C1', '2026-12-01 00:00:00'), "
        "('XS2', 'C1', '2026-12-09 00:00:00')",
        "insert into bus_so_det (gsNo, keyNo, itemNo, productNo, qty) values "
        "('XS1-01', 'XS1', 1, 'P1', 10), ('XS1-02', 'XS1', 2, 'P1', 4), "
        "('XS2-01', 'XS2', 1, 'P1', 6)",
        "insert into bus_SD (keyNo, whNo, dDate) values ('FH1', 'W1', '2026-12-03 10:00:00')",
        "insert into bus_sd_det (keyNo, SDItemNo, gsNo, productNo, qty) values "
        "('FH1', 1, 'xs1-01', 'P1', 3), ('FH1', 2, 'XS1-02', 'P1', 4), ('FH1', 3, 'XS9', 'P1', 1)",
        "update bus_sd_det set qty = 5 where SDItemNo = 1",
        "update bus_sd_det set gsNo = 'XS2-01' where SDItemNo = 3",
        "update bus_so_det set qty = 12 where gsNo = 'XS1-01'",
        "insert into bus_task_det (taskNo, gsNo, productNo, procNo, depNo, qty, pDate) values "
        "('T1', 'XS1-01', 'P1', '01', 'D1', 20, '2026-12-05'), "
        "('T2', 'XS2-01', 'P1', '01', 'D9', 8, null)",
        "insert into bus_flow (taskNo, staffNo, gqty, gfqty, inspDate) values "
        "('T1', 'E1', 7, 1, '2026-12-04 09:00:00'), ('t1', 'E1', 3, 0, '2026-11-20 09:00:00'), "
        "('T2', '', 5, 0, '2026-12-06 09:00:00')",
        "insert into bus_flow_rec (taskNo, recQty, recDep) values ('T2', 8, '外协厂'), "
        "('T1', 2, '')",
        "update bus_flow set gqty = 9 where gqty = 7",
        "update bus_task_det set depNo = 'D9', qty = 25 where taskNo = 'T1'",
        "delete from bus_flow where gqty = 3",
        "insert into wh_Out (keyNo, whNo, outDate) values ('CK1', 'W1', '2026-12-07 08:00:00')",
        "insert into wh_out_det (keyNo, itemNo, productNo, qty) values ('CK1', 1, 'P1', 2)",
        "update wh_Out set outDate = '2026-12-08 08:00:00' where keyNo = 'CK1'",
        "update bas_quote set quote = 0.45 where productNo = 'P1'",
        "insert into bas_quote (productNo, procNo, quote) values ('P2', '01', 1.25)",
        "update bus_task_det set productNo = 'P2' where taskNo = 'T2'",
    };
    for (const char* sql : writes) {
      sqlite->clientExecute(sql, {});
      pg->clientExecute(sql, {});
    }
    const auto rows = [](db::Connection& c, const std::string& sql) {
      std::vector<std::string> out;
      for (const auto& row : c.query(sql).rows) {
        std::string line;
        for (const auto& v : row) line += protocol::toDisplayText(v) + "|";
        out.push_back(line);
      }
      return out;
    };
    for (const std::string sql :
         {"select gsNo, keyNo, qty, dQty, unQty from qk_so_line order by gsNo",
          "select taskNo, productNo, procNo, depNo, qty, pDate, fQty, gfqty, recQty "
          "from qk_task_progress order by taskNo",
          "select whNo, day, inQty, outQty from qk_stock_day order by whNo, day",
          "select gsNo, dQty, unQty from view_qry_bus_so order by gsNo",
          "select taskNo, fQty, recQty, sentQty, done from view_up_bus_task order by taskNo"})
      EXPECT_EQ(rows(*pg, sql), rows(*sqlite, sql)) << sql;

    server::registerAllProcedures();
    const auto board = [](db::Connection& c) {
      std::vector<protocol::Value> args{std::string("2026-12-07")};
      server::ProcedureCall call{c, args};
      const auto result = (*server::findProcedure("sp_dashboard"))(call);
      std::vector<std::string> out;
      for (const auto& row : result->rows) {
        std::string line;
        for (const auto& v : row) line += protocol::toDisplayText(v) + "|";
        out.push_back(line);
      }
      return out;
    };
    const auto onSqlite = board(*sqlite);
    EXPECT_GT(onSqlite.size(), 20u);
    EXPECT_EQ(board(*pg), onSqlite);
  }
  admin->script("DROP DATABASE IF EXISTS " + name + " WITH (FORCE)");
  admin->script("DROP ROLE IF EXISTS qk_client_" + name);
}

}  // namespace
}  // namespace qk::test
