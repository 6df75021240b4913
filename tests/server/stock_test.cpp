// Stock figures as the database serves them: the period summary, the ledger and wh_stock agree
// with the documents and with each other, whatever the documents went through; each session
// sees only its own ledger; unclear warehouses, missing periods and missing rights are refused.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <future>
#include <iterator>
#include <map>
#include <random>
#include <set>
#include <string>

#include "server/core/account_store.h"
#include "support/stock_documents.h"
#include "support/test_server.h"

namespace qk::test {
namespace {

using protocol::RecordSet;

double num(const RecordSet& rs, std::size_t row, const std::string& name) {
  for (std::size_t i = 0; i < rs.fields.size(); ++i)
    if (rs.fields[i].name == name) {
      const protocol::Value& v = rs.rows.at(row).at(i);
      if (const auto* d = std::get_if<double>(&v)) return *d;
      if (const auto* n = std::get_if<std::int64_t>(&v)) return static_cast<double>(*n);
      return 0;
    }
  ADD_FAILURE() << "no column " << name;
  return 0;
}

std::string str(const RecordSet& rs, std::size_t row, const std::string& name) {
  for (std::size_t i = 0; i < rs.fields.size(); ++i)
    if (rs.fields[i].name == name) return protocol::toDisplayText(rs.rows.at(row).at(i));
  ADD_FAILURE() << "no column " << name;
  return {};
}

using Pair = std::pair<std::string, std::string>;

class StockTest : public ServerTest {
 protected:
  void SetUp() override {
    ServerTest::SetUp();
    admin = newClient();
    ASSERT_EQ(admin->login(), "OK");
  }

  // Documents generated into the file while no server has it open.
  std::vector<StockMove> generate(const StockDocumentsSpec& spec) {
    admin.reset();
    stopServer();
    std::vector<StockMove> moves;
    {
      auto db = server::AccountStore(dir_.path()).open(kAccount);
      moves = generateStockDocuments(*db, spec);
    }
    startServer();
    admin = newClient();
    EXPECT_EQ(admin->login(), "OK");
    return moves;
  }

  RecordSet summary(ApiClient& c, const std::string& from, const std::string& to,
                    const std::string& whs) {
    return c.open("exec sp_stock_history :f, :t, :w", {{"f", from}, {"t", to}, {"w", whs}},
                  "selectDSP");
  }
  RecordSet ledger(ApiClient& c, const std::string& from, const std::string& to,
                   const std::string& whs, const std::string& item) {
    c.execute("exec sp_stock_det :f, :t, :w, :i",
              {{"f", from}, {"t", to}, {"w", whs}, {"i", item}});
    return c.open("select * from ##tmp_stock_det order by sysid");
  }
  // The closing row of each pair's ledger ("本期合计"), by pair.
  std::map<Pair, std::size_t> closingRows(const RecordSet& rs) {
    std::map<Pair, std::size_t> out;
    for (std::size_t r = 0; r < rs.rows.size(); ++r)
      if (str(rs, r, "content") == "本期合计") out[{str(rs, r, "depNo"), str(rs, r, "gNo")}] = r;
    return out;
  }

  std::unique_ptr<ApiClient> admin;
};

TEST_F(StockTest, ClosingQuantityIsOpeningPlusReceiptsLessIssues) {
  admin->execute("insert into bas_dep (depNo, depName, isWh) values ('01', '成品库', 1)");
  admin->execute(
      "insert into wh_stock (whNo, productNo, initQty, initPrice) values ('01', 'A', 4, 2)");
  admin->execute("insert into wh_In (keyNo, whNo, inDate) values ('R1', '01', '2026-02-20')");
  admin->execute(
      "insert into wh_in_det (keyNo, itemNo, productNo, qty, uPrice) values ('R1', 1, 'A', 6, 2)");
  // The first day of the period without a time of day belongs to it.
  admin->execute("insert into wh_In (keyNo, whNo, inDate) values ('R2', '01', '2026-03-01')");
  admin->execute(
      "insert into wh_in_det (keyNo, itemNo, productNo, qty, uPrice) values ('R2', 1, 'A', 5, 4)");
  admin->execute(
      "insert into bus_SD (keyNo, whNo, dDate) values ('D1', '01', '2026-03-31 18:00:00')");
  admin->execute(
      "insert into bus_sd_det (keyNo, SDItemNo, productNo, qty, uprice) values ('D1', 1, 'A', 3, "
      "99)");
  admin->execute("insert into wh_Out (keyNo, whNo, outDate) values ('O1', '01', '2026-04-01')");
  admin->execute(
      "insert into wh_out_det (keyNo, itemNo, productNo, qty) values ('O1', 1, 'A', 100)");

  const RecordSet rs = summary(*admin, "2026-03-01", "2026-03-31", "01");
  ASSERT_EQ(rs.rows.size(), 1u);
  EXPECT_EQ(num(rs, 0, "iniQty"), 10);
  EXPECT_EQ(num(rs, 0, "bq1"), 5);
  EXPECT_EQ(num(rs, 0, "bq2"), 3);
  EXPECT_EQ(num(rs, 0, "iniQty") + num(rs, 0, "bq1") - num(rs, 0, "bq2"), 12);
  // Receipts at their price, the delivery at the average (8 + 12 + 20) / 15, not its selling price.
  EXPECT_EQ(num(rs, 0, "iniMoney"), 20);
  EXPECT_EQ(num(rs, 0, "bq1Money"), 20);
  EXPECT_NEAR(num(rs, 0, "bq2Money"), 3 * 40.0 / 15, 1e-4);
  EXPECT_EQ(admin->open("select Qty from wh_stock where productNo = 'A'").rows[0][0],
            protocol::Value{-88.0});

  const RecordSet det = ledger(*admin, "2026-03-01", "2026-03-31", "01", "A");
  ASSERT_EQ(det.rows.size(), 4u);  // opening, receipt, delivery, totals
  EXPECT_EQ(str(det, 1, "keyNo"), "R2");
  EXPECT_EQ(num(det, 1, "getQty"), 15);
  EXPECT_EQ(str(det, 2, "keyNo"), "D1");
  EXPECT_EQ(num(det, 3, "getQty"), 12);
  EXPECT_NEAR(num(det, 3, "getMoney"), 40 - 8.0, 1e-4);
  EXPECT_NEAR(num(det, 3, "getPrice"), 40.0 / 15, 1e-4);
}

TEST_F(StockTest, LedgerEndsAtTheSummaryClosingForEveryItemOverThousandsOfDocuments) {
  StockDocumentsSpec spec;
  const std::vector<StockMove> moves = generate(spec);
  const std::string from = "2026-03-01", to = "2026-04-30 23:59:59";
  std::map<Pair, double> expected;  // closing quantity, from the generated documents alone
  for (const StockMove& m : moves)
    if (m.date.substr(0, 10) <= "2026-04-30") expected[{m.wh, m.product}] += m.qty;

  const RecordSet sum = summary(*admin, from, to, "W01W02");
  const RecordSet det = ledger(*admin, from, to, "W01W02", "all");
  const auto closing = closingRows(det);
  ASSERT_GT(sum.rows.size(), 60u);
  int checked = 0;
  for (std::size_t r = 0; r < sum.rows.size(); ++r) {
    const Pair pair{str(sum, r, "depNo"), str(sum, r, "gNo")};
    const double qm = num(sum, r, "iniQty") + num(sum, r, "bq1") - num(sum, r, "bq2");
    const double money =
        num(sum, r, "iniMoney") + num(sum, r, "bq1Money") - num(sum, r, "bq2Money");
    EXPECT_NEAR(qm, expected[pair], 1e-6) << pair.first << " " << pair.second;
    auto it = closing.find(pair);
    if (qm == 0 && num(sum, r, "iniMoney") == 0 && num(sum, r, "bq1") == 0 &&
        num(sum, r, "bq2") == 0)
      continue;
    ASSERT_NE(it, closing.end()) << pair.first << " " << pair.second;
    EXPECT_NEAR(num(det, it->second, "getQty"), qm, 1e-6);
    EXPECT_NEAR(num(det, it->second, "getMoney"), money, 1e-3);
    EXPECT_NEAR(num(det, it->second, "inQty"), num(sum, r, "bq1"), 1e-6);
    ++checked;
  }
  EXPECT_EQ(checked, static_cast<int>(closing.size()));
}

TEST_F(StockTest, WhStockFollowsRandomSavesAndDeletesThroughTheServer) {
  StockDocumentsSpec spec;
  spec.items = 8;
  spec.lines = 200;
  generate(spec);
  std::mt19937 rng(7);
  auto pick = [&](int n) { return std::uniform_int_distribution<int>(1, n)(rng); };
  auto product = [&] { return "P00000" + std::to_string(pick(8)); };
  const char* details[] = {"wh_in_det", "bus_pi_det", "wh_out_det", "wh_mat_det", "bus_sd_det"};
  const char* lineKeys[] = {"itemNo", "PIItemNo", "itemNo", "itemNo", "SDItemNo"};
  const char* masters[] = {"wh_In", "bus_PI", "wh_Out", "wh_mat", "bus_SD"};
  for (int step = 0; step < 120; ++step) {
    const int k = pick(5) - 1;
    const std::string detail = details[k], master = masters[k];
    const RecordSet any = admin->open("select keyNo from " + detail + " order by random() limit 1");
    if (any.rows.empty()) continue;
    const std::string doc = protocol::toDisplayText(any.rows[0][0]);
    switch (pick(6)) {
      case 1:  // a new line
        admin->execute(
            "insert into " + detail + " (keyNo, " + lineKeys[k] + ", productNo, qty, " +
                (k == 1 || k == 4 ? "uprice" : "uPrice") + ") values (:k, :i, :p, :q, :u)",
            {{"k", doc}, {"i", 100 + step}, {"p", product()}, {"q", pick(30)}, {"u", pick(40)}});
        break;
      case 2:  // another quantity and price
        admin->execute("update " + detail + " set qty = :q, " +
                           (k == 1 || k == 4 ? "uprice" : "uPrice") + " = :u where keyNo = :k",
                       {{"q", pick(30)}, {"u", pick(40)}, {"k", doc}});
        break;
      case 3:  // a line moved to another item
        admin->execute("update " + detail + " set productNo = :p where keyNo = :k",
                       {{"p", product()}, {"k", doc}});
        break;
      case 4:  // the document moved to the other warehouse (with a new one created)
        admin->execute("update " + master + " set whNo = :w where keyNo = :k",
                       {{"w", pick(3) == 3 ? "W03" : "W0" + std::to_string(pick(2))}, {"k", doc}});
        break;
      case 5:  // a line deleted
        admin->execute("delete from " + detail + " where keyNo = :k and " + lineKeys[k] +
                           " = (select min(" + lineKeys[k] + ") from " + detail +
                           " where keyNo = :k)",
                       {{"k", doc}});
        break;
      default:  // the whole document deleted, master first as the editor does
        admin->execute("delete from " + master + " where keyNo = :k", {{"k", doc}});
        admin->execute("delete from " + detail + " where keyNo = :k", {{"k", doc}});
    }
  }
  admin->execute("insert into bas_dep (depNo, depName, isWh) values ('W03', '仓库3', 1)");
  // Over all time, each pair's ledger ends where wh_stock stands.
  const RecordSet det = ledger(*admin, "1900-01-01", "9999-12-31", "W01W02W03", "all");
  const auto closing = closingRows(det);
  const RecordSet stock = admin->open("select whNo, productNo, Qty, uPrice from wh_stock");
  ASSERT_GT(stock.rows.size(), 10u);
  int moved = 0;
  for (std::size_t r = 0; r < stock.rows.size(); ++r) {
    const Pair pair{str(stock, r, "whNo"), str(stock, r, "productNo")};
    auto it = closing.find(pair);
    if (it == closing.end()) {
      EXPECT_EQ(num(stock, r, "Qty"), 0) << pair.first << " " << pair.second;
      continue;
    }
    EXPECT_NEAR(num(det, it->second, "getQty"), num(stock, r, "Qty"), 1e-6)
        << pair.first << " " << pair.second;
    EXPECT_NEAR(num(det, it->second, "getMoney"), num(stock, r, "Qty") * num(stock, r, "uPrice"),
                0.01 + std::abs(num(stock, r, "Qty")) * 1e-5);
    moved += pair.first == "W03";
  }
  EXPECT_GT(moved, 0);
  // And wh_stock is what the documents say, counted afresh.
  EXPECT_EQ(admin
                ->open("select count(*) from wh_stock s left join (select whNo, productNo, "
                       "total(inQty) - total(outQty) as q from view_stock_move group by whNo, "
                       "productNo) m on m.whNo = s.whNo and m.productNo = s.productNo "
                       "where abs(coalesce(s.initQty, 0) + coalesce(m.q, 0) - s.Qty) > 1e-6")
                .rows[0][0],
            protocol::Value{std::int64_t{0}});
}

// The figures kept per month give the same period summary as summing every document afresh,
// whatever moved: lines to other items and documents, documents to other warehouses and dates.
TEST_F(StockTest, SummaryEqualsAStraightSumOverTheDocumentsAfterRandomEdits) {
  StockDocumentsSpec spec;
  spec.items = 6;
  spec.lines = 300;
  generate(spec);
  std::mt19937 rng(11);
  auto pick = [&](int n) { return std::uniform_int_distribution<int>(1, n)(rng); };
  auto day = [&] {
    char buf[32];
    std::snprintf(buf, sizeof buf, "2026-%02d-%02d%s", pick(7), pick(28),
                  pick(2) == 1 ? "" : " 10:30:00");
    return std::string(buf);
  };
  const char* details[] = {"wh_in_det", "bus_pi_det", "wh_out_det", "wh_mat_det", "bus_sd_det"};
  const char* masters[] = {"wh_In", "bus_PI", "wh_Out", "wh_mat", "bus_SD"};
  const char* dates[] = {"inDate", "PIDate", "outDate", "moDate", "dDate"};
  const char* lineKeys[] = {"itemNo", "PIItemNo", "itemNo", "itemNo", "SDItemNo"};
  auto anyKey = [&](const std::string& table) {
    const RecordSet rs = admin->open("select keyNo from " + table + " order by random() limit 1");
    return rs.rows.empty() ? std::string() : protocol::toDisplayText(rs.rows[0][0]);
  };
  // The document's first line, by its line number: the same line on every engine.
  auto oneLine = [&](const std::string& detail) {
    const std::string line =
        lineKeys[std::find(std::begin(details), std::end(details), detail) - std::begin(details)];
    return " where keyNo = :k and " + line + " = (select min(" + line + ") from " + detail +
           " where keyNo = :k)";
  };
  for (int step = 0; step < 150; ++step) {
    const int k = pick(5) - 1;
    const std::string detail = details[k], master = masters[k], date = dates[k];
    const std::string doc = anyKey(detail);
    if (doc.empty()) continue;
    switch (pick(7)) {
      case 1:  // another quantity
        admin->execute("update " + detail + " set qty = :q" + oneLine(detail),
                       {{"q", pick(30)}, {"k", doc}});
        break;
      case 2:  // a line moved to another item
        admin->execute("update " + detail + " set productNo = :p" + oneLine(detail),
                       {{"p", "P00000" + std::to_string(pick(6))}, {"k", doc}});
        break;
      case 3:  // a line moved to another document: another month or warehouse
        admin->execute(
            "update " + detail + " set keyNo = :to, " + lineKeys[k] + " = :i" + oneLine(detail),
            {{"to", anyKey(master)}, {"i", 1000 + step}, {"k", doc}});
        break;
      case 4:  // the document moved to the other warehouse
        admin->execute("update " + master + " set whNo = :w where keyNo = :k",
                       {{"w", "W0" + std::to_string(pick(2))}, {"k", doc}});
        break;
      case 5:  // the document's date changed, or cleared so the day it was entered counts
        if (pick(4) == 1)
          admin->execute(
              "update " + master + " set " + date + " = null, docDate = :d where keyNo = :k",
              {{"d", day()}, {"k", doc}});
        else
          admin->execute("update " + master + " set " + date + " = :d where keyNo = :k",
                         {{"d", day()}, {"k", doc}});
        break;
      case 6:  // a line deleted
        admin->execute("delete from " + detail + oneLine(detail), {{"k", doc}});
        break;
      default:  // the whole document deleted
        admin->execute("delete from " + master + " where keyNo = :k", {{"k", doc}});
        admin->execute("delete from " + detail + " where keyNo = :k", {{"k", doc}});
    }
  }
  // The same figures straight from the documents: the opening is everything before the start.
  const std::string straight =
      "select s.whNo, s.productNo, "
      " coalesce(s.initQty, 0) + total(case when m.moveDate < :f then m.inQty - m.outQty end)"
      "   as iniQty,"
      " coalesce(s.initQty, 0) * coalesce(s.initPrice, 0)"
      "   + total(case when m.moveDate < :f then m.inMoney - m.outQty * s.uPrice end) as iniMoney,"
      " total(case when m.moveDate >= :f and m.moveDate <= :t then m.inQty end) as bq1,"
      " total(case when m.moveDate >= :f and m.moveDate <= :t then m.inMoney end) as bq1Money,"
      " total(case when m.moveDate >= :f and m.moveDate <= :t then m.outQty end) as bq2,"
      " total(case when m.moveDate >= :f and m.moveDate <= :t then m.outQty end) * s.uPrice"
      "   as bq2Money "
      "from wh_stock s left join view_stock_move m on m.whNo = s.whNo and m.productNo = "
      "s.productNo group by s.whNo, s.productNo order by s.whNo, s.productNo";
  const std::pair<std::string, std::string> periods[] = {
      {"2026-03-01", "2026-03-31"},          {"2026-03-15", "2026-05-10 12:00:00"},
      {"2026-01-01", "2026-12-31"},          {"2025-12-20", "2026-01-10"},
      {"2026-06-30 12:00:00", "2026-07-02"}, {"2026-08-01", "2026-08-31"}};
  for (const auto& [from, to] : periods) {
    const RecordSet sum = summary(*admin, from, to, "W01W02");
    const std::string wholeDay = to.size() == 10 ? to + " 23:59:59" : to;
    const RecordSet ref = admin->open(straight, {{"f", from}, {"t", wholeDay}});
    ASSERT_EQ(sum.rows.size(), ref.rows.size()) << from;
    ASSERT_GT(sum.rows.size(), 6u);
    const char* columns[] = {"iniQty", "iniMoney", "bq1", "bq1Money", "bq2", "bq2Money"};
    for (std::size_t r = 0; r < sum.rows.size(); ++r) {
      ASSERT_EQ(str(sum, r, "gNo"), str(ref, r, "productNo")) << from;
      for (const char* c : columns)
        EXPECT_NEAR(num(sum, r, c), num(ref, r, c), 1e-4)
            << from << " " << str(sum, r, "depNo") << " " << str(sum, r, "gNo") << " " << c;
    }
  }
}

TEST_F(StockTest, TwoSessionsRunningLedgersAtOnceSeeOnlyTheirOwnRows) {
  StockDocumentsSpec spec;
  spec.lines = 1000;
  generate(spec);
  auto run = [&](std::string item) {
    auto c = newClient();
    c->login();
    std::set<std::string> seen;
    for (int i = 0; i < 10; ++i) {
      const RecordSet rs = ledger(*c, "2026-01-01", "2026-06-30", "W01W02", item);
      for (std::size_t r = 0; r < rs.rows.size(); ++r) seen.insert(str(rs, r, "gNo"));
    }
    return seen;
  };
  auto a = std::async(std::launch::async, run, "P000001");
  auto b = std::async(std::launch::async, run, "P000002");
  EXPECT_EQ(a.get(), std::set<std::string>{"P000001"});
  EXPECT_EQ(b.get(), std::set<std::string>{"P000002"});
}

// A pair's row in wh_stock is the user's as well as the documents': what the user wrote there
// stays when documents move the item, and opening stock entered later fills that row.
TEST_F(StockTest, WhatUsersWroteInAStockRowStaysWhenDocumentsMoveItsItem) {
  auto row = [&] {
    return admin->open(
        "select remark, initQty, inQty, Qty from wh_stock "
        "where whNo = '01' and productNo = 'PRDS000001'");
  };
  ASSERT_EQ(admin->call(protocol::path::kUpdateData, receiptDocument("RK1", 2))["result"], "OK");
  admin->execute(
      "update wh_stock set remark = '货架 A' where whNo = '01' and productNo = 'PRDS000001'");
  ASSERT_EQ(admin->call(protocol::path::kUpdateData, receiptDocument("RK2", 3))["result"], "OK");
  RecordSet rs = row();
  ASSERT_EQ(rs.rows.size(), 1u);
  EXPECT_EQ(str(rs, 0, "remark"), "货架 A");
  EXPECT_EQ(num(rs, 0, "inQty"), 1 + 2 + 1 + 2 + 3);

  admin->execute(
      "insert into wh_stock (whNo, productNo, initQty, initPrice, remark) "
      "values ('01', 'PRDS000001', 5, 2, '期初')");
  rs = row();
  ASSERT_EQ(rs.rows.size(), 1u);
  EXPECT_EQ(str(rs, 0, "remark"), "期初");
  EXPECT_EQ(num(rs, 0, "Qty"), 5 + 9);
}

TEST_F(StockTest, UnclearWarehousesMissingPeriodsAndMissingRightsAreRefused) {
  for (const char* no : {"0", "01", "1", "11", "02"})
    admin->execute("insert into bas_dep (depNo, depName, isWh) values (:n, :n, 1)", {{"n", no}});
  auto error = [&](ApiClient& c, const std::string& sql) {
    return c.errorOf(protocol::path::kOpen,
                     {{"provider", "pubDSP"}, {"sql", sql}, {"params", Json::object()}});
  };
  // "011" is 0 + 11 as well as 01 + 1.
  EXPECT_EQ(error(*admin, "exec sp_stock_history '2026-03-01', '2026-03-31', '011'"),
            "仓库“011”可以分成不同的仓库（0+11 或 01+1），无法确定要查询哪些仓库，请修改仓库编号");
  EXPECT_EQ(error(*admin, "exec sp_stock_history '2026-03-01', '2026-03-31', '0103'"),
            "仓库“0103”不是已有仓库编号的组合");
  EXPECT_TRUE(summary(*admin, "2026-03-01", "2026-03-31", "1102").fields.size() == 11u);
  EXPECT_EQ(error(*admin, "exec sp_stock_det '', '', '01', 'all'"),
            "查询期间的日期不能为空，请先选择期间");

  admin->addUser("clerk", "pw-12345");
  auto clerk = newClient();
  ASSERT_EQ(clerk->login("clerk", "pw-12345"), "OK");
  EXPECT_EQ(error(*clerk, "exec sp_stock_history '2026-03-01', '2026-03-31', '1102'"),
            "没有执行存储过程 sp_stock_history 的权限");
}

}  // namespace
}  // namespace qk::test
