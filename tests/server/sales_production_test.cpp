// Sales orders, production tasks and bills of materials as the database serves them: the lines'
// views with their computed figures, the per-session tree of sp_getBomTree read through bomDSP,
// the rules of the bom table and who may insert BOM lines.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "server/core/account_store.h"
#include "support/test_server.h"

namespace qk::test {
namespace {

using protocol::RecordSet;
using protocol::Value;

int column(const RecordSet& rs, const std::string& name) {
  for (std::size_t i = 0; i < rs.fields.size(); ++i)
    if (rs.fields[i].name == name) return static_cast<int>(i);
  ADD_FAILURE() << "no column " << name;
  return 0;
}
std::string text(const RecordSet& rs, std::size_t row, const std::string& name) {
  return protocol::toDisplayText(rs.rows.at(row).at(column(rs, name)));
}
double number(const RecordSet& rs, std::size_t row, const std::string& name) {
  const Value& v = rs.rows.at(row).at(column(rs, name));
  if (auto i = std::get_if<std::int64_t>(&v)) return static_cast<double>(*i);
  if (auto d = std::get_if<double>(&v)) return *d;
  ADD_FAILURE() << name << " is not a number: " << protocol::toDisplayText(v);
  return 0;
}

class SalesProductionTest : public ServerTest {
 protected:
  void SetUp() override {
    ServerTest::SetUp();
    admin = newClient();
    ASSERT_EQ(admin->login(), "OK");
    for (const char* p : {"P", "A", "B", "C", "S"})
      admin->execute(
          "insert into bas_products (productNo, productName, productSize, productUnit) "
          "values (:p, :n, 'DN50', '件')",
          {{"p", p}, {"n", std::string("品") + p}});
  }

  // Inserts a BOM line as the BOM screen does and returns the identity it got.
  std::int64_t addLine(ApiClient& c, const std::string& parent, const std::string& part, int itemNo,
                       double qty) {
    auto rs = c.open("exec sp_bom_insert :p1,:p2,:p3,:p4,:p5,:p6,:p7,:p8,:p9,:p10",
                     {{"p1", parent},
                      {"p2", part},
                      {"p3", itemNo},
                      {"p4", qty},
                      {"p5", ""},
                      {"p6", "1899-12-30 00:00:00"},
                      {"p7", nullptr},
                      {"p8", "主料"},
                      {"p9", false},
                      {"p10", ""}});
    EXPECT_EQ(rs.fields.at(0).name, "sysid");
    return std::get<std::int64_t>(rs.rows.at(0).at(0));
  }

  RecordSet tree(ApiClient& c, const std::string& product) {
    c.execute("exec sp_createBomTree ");
    c.execute("exec sp_getBomTree '" + product + "',0,1,1");
    return c.open("", Json::object(), "bomDSP");
  }

  std::unique_ptr<ApiClient> admin;
};

// The BOM of P: A (x2) and S (x4); A holds B (x3) and the shared sub-assembly S (x1); S holds C.
// So S appears twice and C twice, under different parents.
struct SampleBom {
  std::int64_t pa, ps, ab, as, sc;
};

TEST_F(SalesProductionTest, ACycleIsRefusedWhoeverWritesIt) {
  addLine(*admin, "A", "B", 1, 1);
  addLine(*admin, "B", "C", 1, 1);
  auto refusal = [&](const std::string& sql) {
    return admin->errorOf(protocol::path::kExecute,
                          {{"provider", "pubDSP"}, {"sql", sql}, {"params", Json::object()}});
  };
  EXPECT_EQ(refusal("exec sp_bom_insert 'A','a',1,1,'',null,null,'主料',0,''"),
            "物料清单不能循环：a 不能包含它自己");
  EXPECT_EQ(refusal("insert into bom (productNo, partNo, ylQty) values ('C', 'A', 1)"),
            "物料清单不能循环：A 已包含 C");
  EXPECT_EQ(refusal("exec sp_bom_insert 'c','b',1,1,'',null,null,'主料',0,''"),
            "物料清单不能循环：b 已包含 c");
  // Moving a line so that it closes a circle is refused as well; moving it elsewhere is not.
  EXPECT_EQ(refusal("update bom set partNo = 'A' where productNo = 'B'"),
            "物料清单不能循环：A 已包含 B");
  admin->execute("update bom set partNo = 'S' where partNo = 'C'");
  EXPECT_EQ(admin->open("select count(*) from bom").rows.at(0).at(0), Value{std::int64_t{2}});
}

TEST_F(SalesProductionTest, ZeroOrEmptyUsageIsRefused) {
  const auto id = addLine(*admin, "P", "A", 1, 2);
  for (const char* qty : {"0", "null", "''"}) {
    EXPECT_EQ(admin->errorOf(protocol::path::kExecute,
                             {{"provider", "pubDSP"},
                              {"sql", std::string("exec sp_bom_insert 'P','B',2,") + qty +
                                          ",'',null,null,'主料',0,''"},
                              {"params", Json::object()}}),
              "用量不能为空!")
        << qty;
    // PostgreSQL refuses empty text for a number column before any rule sees it.
    const std::string refusal = admin->errorOf(
        protocol::path::kExecute, {{"provider", "pubDSP"},
                                   {"sql", std::string("update bom set ylQty = ") + qty +
                                               " where sysid = " + std::to_string(id)},
                                   {"params", Json::object()}});
    if (onPostgres() && std::string_view(qty) == "''")
      EXPECT_NE(refusal, "") << qty;
    else
      EXPECT_EQ(refusal, "用量不能为空!") << qty;
  }
  auto left = admin->open("select count(*) as n, max(ylQty) as qty from bom");
  EXPECT_EQ(number(left, 0, "n"), 1);
  EXPECT_EQ(number(left, 0, "qty"), 2);
}

TEST_F(SalesProductionTest, AnInsertedLineIsChangedAndDeletedByTheIdentityItGot) {
  const auto first = addLine(*admin, "P", "A", 1, 2);
  const auto second = addLine(*admin, "P", "B", 2, 5);
  EXPECT_NE(first, second);
  // Empty dates and the screen's zero date are stored as no date; real dates as they are.
  auto stored =
      admin->open("select effectDate, invalidDate from bom where sysid = :id", {{"id", second}});
  EXPECT_EQ(stored.rows.at(0), (protocol::Row{Value{}, Value{}}));
  admin->execute(
      "update bom set partNo = :p1,itemNo = :p2,ylQty = :p3,drwNo = :p4,effectDate = :p5,"
      "invalidDate = :p6,mType = :p7,stop = :p8,remark = :p9 where sysid = :c1",
      {{"p1", "C"},
       {"p2", 2},
       {"p3", 7},
       {"p4", ""},
       {"p5", "2026-01-05 00:00:00"},
       {"p6", "1899-12-30 00:00:00"},
       {"p7", "辅料"},
       {"p8", true},
       {"p9", "改"},
       {"c1", second}});
  auto rows = admin->open(
      "select sysid, partNo, ylQty, effectDate, invalidDate from bom "
      "order by sysid");
  ASSERT_EQ(rows.rows.size(), 2u);
  EXPECT_EQ(text(rows, 0, "partNo"), "A");
  EXPECT_EQ(number(rows, 0, "ylQty"), 2);
  EXPECT_EQ(text(rows, 1, "partNo"), "C");
  EXPECT_EQ(number(rows, 1, "ylQty"), 7);
  EXPECT_EQ(text(rows, 1, "effectDate"), "2026-01-05 00:00:00");
  EXPECT_EQ(rows.rows[1].at(column(rows, "invalidDate")), Value{});
  admin->execute("delete from bom where sysid = :p1", {{"p1", second}});
  rows = admin->open("select sysid from bom");
  EXPECT_EQ(rows.rows, (std::vector<protocol::Row>{{first}}));
}

TEST_F(SalesProductionTest, OnlyHoldersOfTheBomRightInsertLines) {
  admin->addUser("计划员", "pw-计划");
  auto planner = newClient();
  ASSERT_EQ(planner->login("计划员", "pw-计划"), "OK");
  const Json call{{"provider", "pubDSP"},
                  {"sql", "exec sp_bom_insert 'P','A',1,1,'',null,null,'主料',0,''"},
                  {"params", Json::object()}};
  auto refused = planner->post(protocol::path::kExecute, call);
  EXPECT_EQ(refused.body.value("error", ""), "没有执行存储过程 sp_bom_insert 的权限");
  EXPECT_EQ(refused.body.value("code", ""), "refused");
  admin->execute(
      "insert into sys_rights (userName, actionNo, canView) values ('计划员', "
      "'bomAction', 1)");
  planner->call(protocol::path::kExecute, call);
  EXPECT_EQ(admin->open("select count(*) from bom").rows.at(0).at(0), Value{std::int64_t{1}});
}

// The statistics screen counts prints; its right alone changes nothing else of a task line.
TEST_F(SalesProductionTest, TaskSheetPrintsAreCountedWithoutTheRightToChangeTaskLines) {
  admin->execute(
      "insert into bus_task_det (taskNo, keyNo, gsNo, qty) values ('26-12-0001-01', 'T1', "
      "'26-12-0001', 5), ('26-12-0001-02', 'T1', '26-12-0001', 5), ('26-12-0002-01', 'T2', "
      "'26-12-0002', 5)");
  admin->addUser("调度", "pw-调度");
  admin->execute(
      "insert into sys_rights (userName, actionNo, canView) values ('调度', "
      "'bus_task_qryAction', 1)");
  auto clerk = newClient();
  ASSERT_EQ(clerk->login("调度", "pw-调度"), "OK");
  clerk->execute("exec sp_countTaskPrints ',26-12-0001-01,26-12-0002-01,'");
  clerk->execute("exec sp_countTaskPrints ','");  // nothing listed
  EXPECT_EQ(admin->open("select taskNo, printCnt from bus_task_det order by taskNo").rows,
            (std::vector<protocol::Row>{{Value{"26-12-0001-01"}, Value{std::int64_t{1}}},
                                        {Value{"26-12-0001-02"}, Value{std::int64_t{0}}},
                                        {Value{"26-12-0002-01"}, Value{std::int64_t{1}}}}));
  const Json update{{"provider", "pubDSP"},
                    {"sql", "update bus_task_det set qty = 0"},
                    {"params", Json::object()}};
  EXPECT_EQ(clerk->post(protocol::path::kExecute, update).body.value("code", ""), "refused");
}

TEST_F(SalesProductionTest, TheTreeListsEveryPathWithItsOwnNode) {
  SampleBom b{};
  b.ps = addLine(*admin, "P", "S", 2, 4);
  b.pa = addLine(*admin, "P", "A", 1, 2);
  b.as = addLine(*admin, "A", "S", 2, 1);
  b.ab = addLine(*admin, "A", "B", 1, 3);
  b.sc = addLine(*admin, "S", "C", 1, 5);
  auto rs = tree(*admin, "p");
  // Parents before children, siblings by itemNo: P, A, B, S, C, S, C.
  std::vector<std::string> order;
  for (std::size_t r = 0; r < rs.rows.size(); ++r)
    order.push_back(text(rs, r, "gNo") + text(rs, r, "lev"));
  EXPECT_EQ(order, (std::vector<std::string>{"p0", "A1", "B2", "S2", "C3", "S1", "C2"}));
  // The root describes the product.
  EXPECT_EQ(number(rs, 0, "sysId"), 0);
  EXPECT_EQ(number(rs, 0, "nodeId"), 1);
  EXPECT_EQ(number(rs, 0, "parentNodeId"), 0);
  EXPECT_EQ(number(rs, 0, "ylQty"), 1);
  EXPECT_EQ(text(rs, 0, "productName"), "品P");
  EXPECT_EQ(text(rs, 0, "gDes"), "品P DN50");
  EXPECT_EQ(text(rs, 0, "gUnit"), "件");
  // Node identities are unique and every parentNodeId names the row above it on its path.
  std::set<double> nodes;
  for (std::size_t r = 0; r < rs.rows.size(); ++r) nodes.insert(number(rs, r, "nodeId"));
  EXPECT_EQ(nodes.size(), rs.rows.size());
  const std::vector<std::pair<std::int64_t, std::int64_t>> lines{
      {0, 0}, {b.pa, 0}, {b.ab, b.pa}, {b.as, b.pa}, {b.sc, b.as}, {b.ps, 0}, {b.sc, b.ps}};
  for (std::size_t r = 1; r < rs.rows.size(); ++r) {
    EXPECT_EQ(number(rs, r, "sysId"), lines[r].first) << r;
    EXPECT_EQ(number(rs, r, "parentId"), lines[r].second) << r;
    const double parentNode = number(rs, r, "parentNodeId");
    std::size_t p = 0;
    while (p < r && number(rs, p, "nodeId") != parentNode) ++p;
    ASSERT_LT(p, r) << "row " << r << " has no parent above it";
    EXPECT_EQ(number(rs, p, "lev"), number(rs, r, "lev") - 1);
    EXPECT_EQ(number(rs, r, "parentId"), number(rs, p, "sysId"));
  }
  // A product without lines, and one that does not exist, give the root row alone.
  rs = tree(*admin, "C");
  ASSERT_EQ(rs.rows.size(), 1u);
  EXPECT_EQ(text(rs, 0, "gDes"), "品C DN50");
  rs = tree(*admin, "无此物料");
  ASSERT_EQ(rs.rows.size(), 1u);
  EXPECT_EQ(text(rs, 0, "gNo"), "无此物料");
  EXPECT_EQ(text(rs, 0, "gDes"), "");
}

TEST_F(SalesProductionTest, EachSessionHasItsOwnTree) {
  addLine(*admin, "P", "A", 1, 2);
  addLine(*admin, "B", "C", 1, 2);
  auto other = newClient();
  ASSERT_EQ(other->login(), "OK");
  EXPECT_TRUE(other->open("", Json::object(), "bomDSP").rows.empty());
  tree(*admin, "P");
  tree(*other, "B");
  auto mine = admin->open("", Json::object(), "bomDSP");
  auto theirs = other->open("", Json::object(), "bomDSP");
  ASSERT_EQ(mine.rows.size(), 2u);
  ASSERT_EQ(theirs.rows.size(), 2u);
  EXPECT_EQ(text(mine, 1, "gNo"), "A");
  EXPECT_EQ(text(theirs, 1, "gNo"), "C");
  admin->execute("exec sp_createBomTree ");
  EXPECT_TRUE(admin->open("", Json::object(), "bomDSP").rows.empty());
  EXPECT_EQ(other->open("", Json::object(), "bomDSP").rows.size(), 2u);
}

TEST_F(SalesProductionTest, ACycleStoredBeforeTheRulesStopsWhereAPartWouldRepeat) {
  {
    auto db = server::AccountStore(dir_.path()).open(kAccount);
    db->script(std::string(onPostgres() ? "drop trigger tr_bom_cycle on bom;"
                                        : "drop trigger tr_bom_cycle_insert;") +
               "insert into bom (productNo, partNo, itemNo, ylQty) values ('P', 'A', 1, 1), "
               "('A', 'B', 1, 1), ('B', 'P', 1, 1), ('B', 'a', 2, 1);");
  }
  auto rs = tree(*admin, "P");
  std::vector<std::string> order;
  for (std::size_t r = 0; r < rs.rows.size(); ++r) order.push_back(text(rs, r, "gNo"));
  EXPECT_EQ(order, (std::vector<std::string>{"P", "A", "B"}));
}

TEST_F(SalesProductionTest, ATreeDeeperThanTheCapIsRefusedWithItsReason) {
  std::string previous = "D0";
  for (int i = 1; i <= 31; ++i) {
    const std::string part = "D" + std::to_string(i);
    addLine(*admin, previous, part, 1, 1);
    previous = part;
  }
  EXPECT_EQ(admin->errorOf(protocol::path::kExecute, {{"provider", "pubDSP"},
                                                      {"sql", "exec sp_getBomTree 'D0',0,1,1"},
                                                      {"params", Json::object()}}),
            "物料清单超过 30 层，无法展开：D0");
  EXPECT_TRUE(admin->open("", Json::object(), "bomDSP").rows.empty());
  EXPECT_EQ(tree(*admin, "D1").rows.size(), 31u);
}

// An order line of 10 at 2.5, a delivery of 4 and then of 6 more; a task line of 8 for it with
// flow records of two operators and receipts into its own and into another department.
TEST_F(SalesProductionTest, LinesShowWhatDeliveriesAndFlowRecordsSay) {
  admin->execute("update bas_products set xlz = 1.5 where productNo = 'A'");
  admin->execute("insert into bas_dep (depNo, depName) values ('D1', '机加车间'), ('D2', '外协')");
  admin->execute("insert into bas_process (procNo, procName) values ('G1', '车削')");
  admin->execute("insert into bus_SO (keyNo, custNo) values ('SO1', 'K1')");
  admin->execute(
      "insert into bus_so_det (gsNo, keyNo, itemNo, productNo, qty, uprice) "
      "values ('26-01-0001', 'SO1', 1, 'A', 10, 2.5), "
      "('26-01-0002', 'SO1', 2, 'B', 0, 1)");
  admin->execute(
      "insert into bus_sd_det (keyNo, SDItemNo, gsNo, qty) "
      "values ('SD1', 1, '26-01-0001', 4)");
  const std::string soLines = "select * from view_up_bus_SO where keyNo = 'SO1' order by itemNo";
  auto so = admin->open(soLines);
  ASSERT_EQ(so.rows.size(), 2u);
  EXPECT_EQ(text(so, 0, "pName"), "品A");
  EXPECT_EQ(text(so, 0, "pUnit"), "件");
  EXPECT_EQ(text(so, 0, "des"), "品A DN50");
  EXPECT_EQ(number(so, 0, "amount"), 25);
  EXPECT_EQ(number(so, 0, "dQty"), 4);
  EXPECT_EQ(number(so, 0, "done"), 0);
  EXPECT_EQ(number(so, 1, "dQty"), 0);
  EXPECT_EQ(number(so, 1, "done"), 0);  // nothing ordered is never done
  admin->execute(
      "insert into bus_sd_det (keyNo, SDItemNo, gsNo, qty) "
      "values ('SD2', 1, '26-01-0001', 6)");
  so = admin->open(soLines);
  EXPECT_EQ(number(so, 0, "dQty"), 10);
  EXPECT_EQ(number(so, 0, "done"), 1);

  admin->execute("insert into bus_task (keyNo, gsNo) values ('RW1', '26-01-0001')");
  admin->execute(
      "insert into bus_task_det (taskNo, keyNo, itemNo, taskIdNo, gsNo, productNo, "
      "procNo, depNo, qty) values "
      "('26-01-0001-01', 'RW1', 1, 1, '26-01-0001', 'A', 'G1', 'D1', 8), "
      "('26-01-0001-02', 'RW1', 2, 1, '26-01-0001', 'B', 'G1', 'D1', 3)");
  admin->execute(
      "insert into bus_flow (taskNo, staffNo, gqty, gfqty, lfqty, fxqty) values "
      "('26-01-0001-01', 'S1', 5, 1, 0, 2), ('26-01-0001-01', 'S2', 3, 0, 1, 0)");
  admin->execute(
      "insert into bus_flow_rec (taskNo, recQty, recDep) values "
      "('26-01-0001-01', 6, '机加车间'), ('26-01-0001-01', 2, '外协')");
  auto task = admin->open("select * from view_up_bus_task where keyNo = 'RW1' order by itemNo");
  ASSERT_EQ(task.rows.size(), 2u);
  EXPECT_EQ(text(task, 0, "procName"), "车削");
  EXPECT_EQ(text(task, 0, "depName"), "机加车间");
  EXPECT_EQ(number(task, 0, "fQty"), 8);
  EXPECT_EQ(number(task, 0, "gfqty"), 1);
  EXPECT_EQ(number(task, 0, "lfqty"), 1);
  EXPECT_EQ(number(task, 0, "fxqty"), 2);
  EXPECT_EQ(number(task, 0, "recQty"), 8);
  EXPECT_EQ(number(task, 0, "sentQty"), 2);
  EXPECT_EQ(number(task, 0, "done"), 1);
  for (const char* figure : {"fQty", "gfqty", "lfqty", "fxqty", "recQty", "sentQty", "done"})
    EXPECT_EQ(number(task, 1, figure), 0) << figure;

  auto card = admin->open(
      "select a.productNo,des,a.taskNo,a.depName,procName,a.recQty,a.sentQty,pDate,qty as pQty,"
      "xlz from view_bus_task_det a where   a.gsNo = '26-01-0001' order by taskNo");
  ASSERT_EQ(card.rows.size(), 2u);
  EXPECT_EQ(text(card, 0, "des"), "品A DN50");
  EXPECT_EQ(number(card, 0, "xlz"), 1.5);
  EXPECT_EQ(number(card, 0, "recQty"), 8);
  EXPECT_EQ(number(card, 0, "pQty"), 8);
}

TEST_F(SalesProductionTest, TheLinesGridsHaveTheirLayouts) {
  for (const auto& [table, first, count] : {std::tuple{"bus_SO_det", "gsNo", 23},
                                            {"bus_task_det", "taskNo", 31},
                                            {"bom", "sysId", 26}}) {
    auto rs = admin->open("select fieldName from sys_col where tableName = :t order by rowNo",
                          {{"t", table}});
    ASSERT_EQ(rs.rows.size(), static_cast<std::size_t>(count)) << table;
    EXPECT_EQ(protocol::toDisplayText(rs.rows[0][0]), first) << table;
  }
}

}  // namespace
}  // namespace qk::test
