// Account sets and the command line: creation, migrations, demo data, and argument errors.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <cstdio>

#include "server/core/account_store.h"
#include "server/demo/demo_data.h"
#include "support/test_server.h"

namespace qk::test {
namespace {

struct Run {
  int code;
  std::string output;
};

Run runServer(const std::string& args) {
  const std::string cmd = std::string(QK_SERVER_BIN) + " " + args + " 2>&1";
  Run r{-1, {}};
  FILE* p = ::popen(cmd.c_str(), "r");
  if (!p) return r;
  char buf[4096];
  while (std::size_t n = std::fread(buf, 1, sizeof buf, p)) r.output.append(buf, n);
  const int status = ::pclose(p);
  r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return r;
}

TEST(CommandLine, BadArgumentsExitWithCodeTwoAndSayWhy) {
  EXPECT_EQ(runServer("").code, 2);
  auto r = runServer("frobnicate");
  EXPECT_EQ(r.code, 2);
  EXPECT_NE(r.output.find("unknown command 'frobnicate'"), std::string::npos) << r.output;
  r = runServer("init --data /tmp/x --account a");
  EXPECT_EQ(r.code, 2);
  EXPECT_NE(r.output.find("init needs --admin-password"), std::string::npos) << r.output;
  r = runServer("serve --data /tmp --listen 127.0.0.1:99999");
  EXPECT_EQ(r.code, 2);
  EXPECT_NE(r.output.find("--listen must be HOST:PORT"), std::string::npos) << r.output;
  r = runServer("serve --data /tmp --bogus");
  EXPECT_EQ(r.code, 2);
  EXPECT_NE(r.output.find("unknown option '--bogus'"), std::string::npos) << r.output;
  r = runServer("--help");
  EXPECT_EQ(r.code, 0);
  EXPECT_NE(r.output.find("qk-server init"), std::string::npos);
  EXPECT_NE(r.output.find("qk-server serve"), std::string::npos);
}

TEST(CommandLine, InitCreatesAnAccountSetOnceAndNeverOverwritesOne) {
  TempDir dir;
  const std::string data = dir.path().string();
  auto r = runServer("init --data " + data + " --account 演示 --admin-password pw");
  EXPECT_EQ(r.code, 0) << r.output;
  server::AccountStore store(dir.path());
  EXPECT_TRUE(store.exists("演示"));
  r = runServer("init --data " + data + " --account 演示 --admin-password other");
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.output.find("数据库文件已存在"), std::string::npos) << r.output;
  r = runServer("init --data " + data + " --account 'a/b' --admin-password pw");
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(store.list(), std::vector<std::string>{"演示"});
}

TEST(AccountStore, NewSetsHoldTheSeedAndAnAdministratorWithEveryRight) {
  TempDir dir;
  installTestAccount(dir.path());
  server::AccountStore store(dir.path());
  auto db = store.open(kAccount);
  auto n = [&](const char* sql) { return std::get<std::int64_t>(db->query(sql).rows.at(0).at(0)); };
  const auto actions = n("select count(*) from sys_action");
  EXPECT_GE(actions, 45);
  EXPECT_EQ(n("select count(*) from sys_rights where userName = 'admin' and canView = 1"), actions);
  EXPECT_EQ(n("select count(*) from sys_config where idName in ('RecordCount', 'autoColWidth', "
              "'hideBom', 'sys_background', 'gridLineColor', 'gridFontColor', 'gridFooterColor', "
              "'gridTitleColor', 'gridFontName', 'gridFooterName')"),
            10);
  EXPECT_EQ(n("select count(*) from bas_form where tableName in ('wh_in', 'wh_out', 'wh_mat', "
              "'bus_PO', 'bus_pi', 'bus_SO', 'bus_SD', 'bus_task', 'bus_check', 'check_m', "
              "'check_mat_m')"),
            11);
  auto pwd = db->query("select pwd from sys_user where userName = 'admin'");
  EXPECT_EQ(std::get<std::string>(pwd.rows[0][0]).rfind("$argon2id$", 0), 0u);
  // Running the migrations again changes nothing.
  EXPECT_NO_THROW(server::migrate(*db));
  EXPECT_EQ(n("select count(*) from sys_action"), actions);
}

TEST(AccountStore, DemoDataIsConsistent) {
  TempDir dir;
  installTestAccount(dir.path(), /*demo=*/true);
  server::AccountStore store(dir.path());
  auto db = store.open(kAccount);
  auto n = [&](const char* sql) { return std::get<std::int64_t>(db->query(sql).rows.at(0).at(0)); };
  EXPECT_GE(n("select count(*) from bas_products"), 200);
  EXPECT_GE(n("select count(*) from bas_dep where isWh = 1"), 2);
  EXPECT_GE(n("select count(*) from bas_staff"), 20);
  EXPECT_GE(n("select count(*) from bas_cust"), 10);
  EXPECT_GE(n("select count(*) from bas_sup"), 10);
  EXPECT_GE(n("select count(*) from bas_doc where docId = '入库单'"), 1);
  EXPECT_GE(n("select count(*) from bas_doc where docId = '出库单'"), 1);
  EXPECT_EQ(n("select count(*) from bas_staff where depNo not in (select depNo from bas_dep)"), 0);
  EXPECT_EQ(n("select count(*) from bas_products where productId not in "
              "(select productId from bas_productId)"),
            0);

  // Documents name master data that exists, the warehouse and document type of their kind, and
  // lines only of documents that exist.
  EXPECT_GE(n("select count(*) from wh_In"), 2);
  EXPECT_GE(n("select count(*) from wh_Out"), 1);
  EXPECT_GE(n("select count(*) from bus_task_det"), 2);
  EXPECT_EQ(n("select count(*) from (select whNo from wh_In union all select whNo from wh_Out) "
              "where whNo not in (select depNo from bas_dep where isWh = 1)"),
            0);
  EXPECT_EQ(n("select count(*) from wh_In where docType not in "
              "(select docType from bas_doc where docId = '入库单')"),
            0);
  EXPECT_EQ(n("select count(*) from wh_Out where docType not in "
              "(select docType from bas_doc where docId = '出库单')"),
            0);
  EXPECT_EQ(n("select count(*) from (select keyNo, productNo from wh_in_det union all "
              "select keyNo, productNo from wh_out_det union all "
              "select keyNo, productNo from bus_task_det union all "
              "select keyNo, productNo from bus_so_det union all "
              "select keyNo, productNo from bus_po_det union all "
              "select keyNo, productNo from bus_pi_det union all "
              "select keyNo, productNo from wh_mat_det union all "
              "select keyNo, productNo from bus_sd_det) d "
              "where d.productNo not in (select productNo from bas_products) or d.keyNo not in "
              "(select keyNo from wh_In union all select keyNo from wh_Out union all "
              "select keyNo from bus_task union all select keyNo from bus_SO union all "
              "select keyNo from bus_PO union all select keyNO from bus_PI union all "
              "select keyNo from wh_mat union all select keyNo from bus_SD)"),
            0);
  EXPECT_EQ(n("select count(*) from (select taskNo from wh_in_det union all "
              "select taskNo from wh_out_det union all select taskNo from wh_mat_det) "
              "where taskNo <> '' and taskNo not in (select taskNo from bus_task_det)"),
            0);
  EXPECT_EQ(n("select count(*) from bus_task_det d join bus_task m on m.keyNo = d.keyNo "
              "where d.gsNo <> m.gsNo or d.taskNo not like m.gsNo || '-__' "
              "or m.gsNo not in (select gsNo from bus_so_det) "
              "or d.procNo not in (select procNo from bas_process) "
              "or d.depNo not in (select depNo from bas_dep where isPlant = 1 or isOw = 1)"),
            0);
  // Receipts and material issues name ordered batches; deliveries ordered items.
  EXPECT_EQ(n("select count(*) from (select PSNo as b from bus_pi_det union all "
              "select psNo from wh_mat_det) where b not in (select psNo from bus_po_det)"),
            0);
  EXPECT_EQ(n("select count(*) from bus_sd_det where gsNo not in (select gsNo from bus_so_det)"),
            0);
  // Numbers follow the numbering rules with the month they were written in, so the screens'
  // next number of that month comes after them.
  EXPECT_EQ(n("select count(*) from (select 'wh_in' as t, keyNo, docDate from wh_In union all "
              "select 'wh_out', keyNo, docDate from wh_Out union all "
              "select 'wh_mat', keyNo, docDate from wh_mat union all "
              "select 'bus_SO', keyNo, docDate from bus_SO union all "
              "select 'bus_SD', keyNo, docDate from bus_SD union all "
              "select 'bus_PO', keyNo, docDate from bus_PO union all "
              "select 'bus_pi', keyNO, docDate from bus_PI union all "
              "select 'bus_task', keyNo, docDate from bus_task) d "
              "join bas_form f on f.tableName = d.t where d.keyNo <> f.formHead || f.formsep || "
              "substr(d.docDate, 3, 2) || f.formsep || substr(d.docDate, 6, 2) || f.formsep || "
              "substr(d.keyNo, length(d.keyNo) - 3)"),
            0);
  EXPECT_EQ(n("select count(*) from bus_po_det d join bus_PO m on m.keyNo = d.keyNo "
              "where d.psNo <> 'PO' || substr(m.docDate, 3, 2) || substr(m.docDate, 6, 2) || "
              "substr(d.psNo, length(d.psNo) - 3)"),
            0);
  if (!onPostgres()) {  // a check of the SQLite file
    EXPECT_EQ(std::get<std::string>(db->query("pragma integrity_check").rows[0][0]), "ok");
  }
}

TEST(AccountStore, DemoDocumentsAreDatedFromTheDayTheSetIsMade) {
  // Made on 1 March 2028 at 00:30: the documents lie in January, February (29 days that year)
  // and March up to that moment, numbered by those months.
  TempDir dir;
  installTestAccount(dir.path());
  server::AccountStore store(dir.path());
  auto db = store.open(kAccount);
  std::tm now{};
  now.tm_year = 2028 - 1900;
  now.tm_mon = 2;
  now.tm_mday = 1;
  now.tm_min = 30;
  db::Transaction tx(*db);
  server::addDemoData(*db, now);
  tx.commit();
  auto text = [&](const char* sql) {
    auto rs = db->query(sql);
    return rs.rows.empty() ? std::string("<none>") : protocol::toDisplayText(rs.rows[0][0]);
  };
  EXPECT_EQ(text("select docDate from bus_SO where keyNo = 'XS-28-01-0001'"),
            "2028-01-02 10:15:00");
  EXPECT_EQ(text("select pDate from bus_task_det where taskNo = '28-01-0001-02'"),
            "2028-02-29 00:00:00")
      << "a day past the month's end is its last day";
  EXPECT_EQ(text("select inDate from wh_In where keyNo = 'RK-28-02-0001'"), "2028-02-26 00:00:00");
  EXPECT_EQ(text("select psNo from bus_po_det where keyNo = 'CG-28-03-0001' order by psNo"),
            "PO28030001");
  // This month's documents lie no later than the moment the set was made.
  EXPECT_EQ(text("select max(d) from (select moDate as d from wh_mat union all "
                 "select docDate from bus_task union all select dDate from bus_SD union all "
                 "select docDate from bus_SO)"),
            "2028-03-01 00:30:00");
  EXPECT_EQ(text("select dlvDate from bus_SO where keyNo = 'XS-28-03-0001'"), "2028-04-10 00:00:00")
      << "what is due may lie ahead";
}

}  // namespace
}  // namespace qk::test
