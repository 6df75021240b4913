// Writing change logs: apply with per-row errors, UpdateBasData, and UpdateData's all-or-nothing.
#include <gtest/gtest.h>

#include "support/change_sets.h"
#include "support/test_server.h"

namespace qk::test {
namespace {

namespace path = protocol::path;

// A receipt master and its lines as the document screen sends them: lookup and calculated
// fields (whName, amount) travel along and must be ignored.
Json receiptMaster(const std::string& keyNo) {
  return insertRow({{"keyNo", keyNo},
                    {"whNo", "01"},
                    {"docType", "生产入库"},
                    {"inDate", "2026-12-06 00:00:00"},
                    {"userName", "admin"},
                    {"audited", false},
                    {"whName", "成品仓"}});
}
Json receiptLine(const std::string& keyNo, int item, double qty) {
  return insertRow({{"KEYNO", keyNo},
                    {"ItemNo", item},
                    {"productNo", "PRDS000001"},
                    {"qty", qty},
                    {"uPrice", 2.5},
                    {"amount", qty * 2.5},
                    {"pName", "闸阀"}});
}

class ChangeSetTest : public ServerTest {
 protected:
  void SetUp() override {
    ServerTest::SetUp();
    c = newClient();
    ASSERT_EQ(c->login(), "OK");
  }
  Json updateDataReply(const Json& a, const Json& b) {
    return c->call(path::kUpdateData, {{"deltaA", a},
                                       {"tableA", "wh_In"},
                                       {"keyA1", "keyNo"},
                                       {"keyA2", ""},
                                       {"deltaB", b},
                                       {"tableB", "wh_in_det"},
                                       {"keyB1", "keyNo"},
                                       {"keyB2", "ItemNo"}});
  }
  std::string updateData(const Json& a, const Json& b) {
    return updateDataReply(a, b).value("result", "<none>");
  }
  std::int64_t count(const std::string& sql) {
    auto rs = c->open(sql);
    return rs.rows.empty() ? -1 : std::get<std::int64_t>(rs.rows[0][0]);
  }
  std::unique_ptr<ApiClient> c;
};

TEST_F(ChangeSetTest, UpdateDataWritesBothSetsOrNeither) {
  EXPECT_EQ(updateData(delta({receiptMaster("RK1")}),
                       delta({receiptLine("RK1", 1, 3), receiptLine("RK1", 2, 4)})),
            "OK");
  EXPECT_EQ(count("select count(*) from wh_in_det where keyNo = 'rk1'"), 2);
  auto rs = c->open("select qty, uPrice from wh_in_det where keyNo = 'RK1' and itemNo = 2");
  EXPECT_EQ(std::get<double>(rs.rows.at(0).at(0)), 4.0);

  // Set B fails (line 1 given twice): the master of set A must not stay behind. The reply names
  // the lines by the captions of their grid layout and says which table refused.
  const Json reply = updateDataReply(delta({receiptMaster("RK2")}),
                                     delta({receiptLine("RK2", 1, 1), receiptLine("RK2", 1, 2)}));
  EXPECT_EQ(reply, Json::parse(R"({"result":"重复的编号：入库单明细中已有单据编号为“RK2”、)"
                               R"(行号为“1”的记录","code":"duplicate","table":"wh_in_det"})"));
  EXPECT_EQ(count("select count(*) from wh_In where keyNo = 'RK2'"), 0);
  EXPECT_EQ(count("select count(*) from wh_in_det where keyNo = 'RK2'"), 0);
}

// New lines reach the database many to a statement. A line the database refuses, deep in a save
// of more lines than one statement takes, is still the one named, nothing of the save stays, and
// the stock its lines move is what they say once the save goes through.
TEST_F(ChangeSetTest, ManyNewLinesAreWrittenTogetherAndARefusedOneIsStillNamed) {
  auto lines = [](const std::string& key, bool withBadLine) {
    Json rows = Json::array();
    for (int i = 1; i <= 230; ++i) {
      Json line = receiptLine(key, i, i % 7 + 1);
      if (i % 50 == 0) line["new"]["remark"] = "整批";  // other columns: another statement
      if (withBadLine && i == 215) line["new"]["ItemNo"] = 214;
      rows.push_back(line);
    }
    return Json{{"rows", rows}};
  };
  auto received = [&] {
    auto rs = c->open(
        "select coalesce(sum(inQty), 0), coalesce(sum(inMoney), 0) from wh_stock "
        "where whNo = '01' and productNo = 'PRDS000001'");
    return std::pair{protocol::toDisplayText(rs.rows.at(0).at(0)),
                     protocol::toDisplayText(rs.rows.at(0).at(1))};
  };
  const auto before = received();

  const Json reply = updateDataReply(delta({receiptMaster("RK1")}), lines("RK1", true));
  EXPECT_EQ(reply["result"], "重复的编号：入库单明细中已有单据编号为“RK1”、行号为“214”的记录");
  EXPECT_EQ(reply["code"], "duplicate");
  EXPECT_EQ(reply["table"], "wh_in_det");
  EXPECT_EQ(count("select count(*) from wh_In where keyNo = 'RK1'"), 0);
  EXPECT_EQ(count("select count(*) from wh_in_det where keyNo = 'RK1'"), 0);
  EXPECT_EQ(received(), before);

  // The same save without that line's fault: the session's transaction was left sound.
  ASSERT_EQ(updateData(delta({receiptMaster("RK1")}), lines("RK1", false)), "OK");
  EXPECT_EQ(count("select count(*) from wh_in_det where keyNo = 'RK1'"), 230);
  EXPECT_EQ(count("select count(*) from wh_in_det where keyNo = 'RK1' and remark = '整批'"), 4);
  double qty = 0;
  for (int i = 1; i <= 230; ++i) qty += i % 7 + 1;
  auto rs = c->open(
      "select inQty, inMoney, Qty from wh_stock where whNo = '01' and productNo = 'PRDS000001'");
  EXPECT_EQ(std::get<double>(rs.rows.at(0).at(0)) - std::stod(before.first), qty);
  EXPECT_EQ(std::get<double>(rs.rows.at(0).at(1)) - std::stod(before.second), qty * 2.5);
}

TEST_F(ChangeSetTest, UpdatesAndDeletesFindTheirRowByTheOldKeyValues) {
  ASSERT_EQ(updateData(delta({receiptMaster("RK1")}),
                       delta({receiptLine("RK1", 1, 1), receiptLine("RK1", 2, 2),
                              receiptLine("RK1", 3, 3)})),
            "OK");
  // Line 2 deleted and line 3 renumbered to 2, as a save after deleting a line sends them;
  // the key names arrive in another case than the schema's.
  Json lines = delta({updateRow({{"keyno", "RK1"}, {"itemno", 3}}, {{"ITEMNO", 2}, {"qty", 30}}),
                      deleteRow({{"keyNo", "RK1"}, {"itemNo", 2}})});
  Json r =
      c->call(path::kUpdateBasData,
              {{"delta", lines}, {"table", "WH_IN_DET"}, {"key1", "KeyNo"}, {"key2", "itemno"}});
  EXPECT_EQ(r["result"], "OK");
  auto rs = c->open("select itemNo, qty from wh_in_det where keyNo = 'RK1' order by itemNo");
  ASSERT_EQ(rs.rows.size(), 2u);
  EXPECT_EQ(std::get<std::int64_t>(rs.rows[1][0]), 2);
  EXPECT_EQ(std::get<double>(rs.rows[1][1]), 30.0);

  // A master update changes only what the table holds; a stale row is reported, not ignored.
  r = c->call(path::kUpdateBasData,
              {{"delta", delta({updateRow({{"keyNo", "RK1"}, {"remarkM", nullptr}},
                                          {{"remarkM", "加急"}, {"whName", "x"}})})},
               {"table", "wh_in"},
               {"key1", "keyNo"},
               {"key2", ""}});
  EXPECT_EQ(r["result"], "OK");
  r = c->call(path::kUpdateBasData,
              {{"delta", delta({updateRow({{"keyNo", "RK9"}}, {{"remarkM", "x"}})})},
               {"table", "wh_in"},
               {"key1", "keyNo"},
               {"key2", ""}});
  EXPECT_EQ(r["result"], "入库单中要修改的记录不存在，可能已被其他用户修改或删除，请刷新后重试");
  EXPECT_EQ(r["code"], "not_found");
  r = c->call(path::kUpdateBasData, {{"delta", delta({deleteRow({{"keyNo", "RK1"}})})},
                                     {"table", "wh_in"},
                                     {"key1", "keyNo"},
                                     {"key2", ""}});
  EXPECT_EQ(r["result"], "OK");
  EXPECT_EQ(count("select count(*) from wh_In"), 0);
}

TEST_F(ChangeSetTest, RefusesTablesAndKeysThatDoNotExist) {
  const Json master = delta({receiptMaster("X")});
  const std::pair<Json, const char*> cases[] = {
      {{{"delta", master}, {"table", "no_table"}, {"key1", "keyNo"}}, "表 no_table 不存在"},
      {{{"delta", master}, {"table", "wh_In"}, {"key1", "nokey"}}, "表 wh_In 没有关键字段 nokey"},
      {{{"delta", master}, {"table", "qk_migrations"}, {"key1", "name"}},
       "不允许修改服务器内部表 qk_migrations"},
      // The engine's own tables: on PostgreSQL this one does not exist.
      {{{"delta", delta({deleteRow({{"name", "bom"}})})},
        {"table", "SQLITE_SEQUENCE"},
        {"key1", "name"}},
       onPostgres() ? "表 SQLITE_SEQUENCE 不存在" : "不允许修改服务器内部表 sqlite_sequence"},
      {{{"delta", delta({deleteRow({{"whNo", "01"}})})}, {"table", "wh_In"}, {"key1", "keyNo"}},
       "表 wh_In 的记录缺少关键字段 keyNo 的原值"},
      {{{"delta", delta({})}, {"table", "wh_In"}, {"key1", "keyNo"}}, "OK"},
      {{{"delta", delta({insertRow({{"whName", "仅视图字段"}})})},
        {"table", "wh_In"},
        {"key1", "keyNo"}},
       "要新增的记录没有表 wh_In 的任何字段"},
  };
  for (const auto& [body, expected] : cases)
    EXPECT_EQ(c->call(path::kUpdateBasData, body).value("result", "<none>"), expected) << body;
  // Rows of a provider that renames columns cannot be written back to the table behind it.
  EXPECT_EQ(c->errorOf(path::kApply,
                       {{"provider", "whDSP"}, {"delta", delta({insertRow({{"whNo", "09"}})})}}),
            "数据提供者 whDSP 的数据不能直接修改");
}

TEST_F(ChangeSetTest, ApplyReportsRefusedRowsAndHonoursTheErrorLimit) {
  c->execute("insert into bas_cust (custNo, custName) values ('C1', '甲')");
  const Json rows = delta({insertRow({{"custNo", "C2"}, {"custName", "乙"}}),
                           insertRow({{"custNo", "C1"}, {"custName", "重复"}}),
                           updateRow({{"custNo", "C1"}}, {{"tel", "123"}})});
  // No error tolerated: the refused row is reported and nothing at all is written.
  Json r = c->call(path::kApply,
                   {{"provider", "custDSP"}, {"sql", ""}, {"delta", rows}, {"maxErrors", 0}});
  ASSERT_EQ(r["errors"].size(), 1u);
  EXPECT_EQ(r["errors"][0]["row"], 1);
  EXPECT_EQ(r["errors"][0]["message"], "重复的编号：客户资料中已有客户编号为“C1”的记录");
  EXPECT_EQ(r["errors"][0]["code"], "duplicate");
  EXPECT_EQ(r["committed"], false);
  EXPECT_EQ(count("select count(*) from bas_cust"), 1);
  // With errors tolerated the other rows are written.
  r = c->call(path::kApply, {{"provider", "custDSP"},
                             {"sql", "select * from bas_cust where custNo like 'C%'"},
                             {"delta", rows},
                             {"maxErrors", -1}});
  EXPECT_EQ(r["errors"].size(), 1u);
  EXPECT_EQ(r["committed"], true);
  EXPECT_EQ(count("select count(*) from bas_cust"), 2);
  EXPECT_EQ(count("select count(*) from bas_cust where tel = '123'"), 1);
  // A text that reads more than one table cannot be applied.
  EXPECT_EQ(c->errorOf(path::kApply,
                       {{"provider", "pubDSP"},
                        {"sql", "select * from bas_cust a join bas_sup b on a.custNo = b.supNo"},
                        {"delta", rows}}),
            "无法确定要更新的表：数据集必须只读取一个表");
}

TEST_F(ChangeSetTest, TextLongerThanItsFieldIsRefusedAndNothingOfTheSaveIsStored) {
  // wh_in_det.remark holds 20 characters, counted as characters, not bytes.
  const std::string twenty = "一二三四五六七八九十一二三四五六七八九十";
  Json line = receiptLine("RK1", 1, 1);
  line["new"]["remark"] = twenty;
  EXPECT_EQ(updateData(delta({receiptMaster("RK1")}), delta({line})), "OK");

  line = receiptLine("RK2", 1, 1);
  line["new"]["remark"] = twenty + "多";
  const Json reply = updateDataReply(delta({receiptMaster("RK2")}), delta({line}));
  EXPECT_EQ(reply["result"], "“备注”最多 20 个字符（输入了 21 个）");
  EXPECT_EQ(reply["code"], "too_long");
  EXPECT_EQ(reply["table"], "wh_in_det");
  EXPECT_EQ(count("select count(*) from wh_In where keyNo = 'RK2'"), 0);

  // An update is held to the same size; the caption comes from the products' two-level title.
  c->execute("insert into bas_products (productNo, productName) values ('P1', '阀')");
  Json r =
      c->call(path::kUpdateBasData,
              {{"delta",
                delta({updateRow({{"productNo", "P1"}}, {{"productName", std::string(51, 'x')}})})},
               {"table", "bas_products"},
               {"key1", "productNo"}});
  EXPECT_EQ(r["result"], "“物料名称”最多 50 个字符（输入了 51 个）");
  auto name = c->open("select productName from bas_products");
  EXPECT_EQ(std::get<std::string>(name.rows.at(0).at(0)), "阀");

  // apply reports the row with its code.
  r = c->call(path::kApply,
              {{"provider", "custDSP"},
               {"delta", delta({insertRow({{"custNo", "C1234567890"}, {"custName", "甲"}})})}});
  ASSERT_EQ(r["errors"].size(), 1u);
  EXPECT_EQ(r["errors"][0]["message"], "“客户编号”最多 10 个字符（输入了 11 个）");
  EXPECT_EQ(r["errors"][0]["code"], "too_long");
  EXPECT_EQ(count("select count(*) from bas_cust"), 0);
}

TEST_F(ChangeSetTest, MissingValuesAndDuplicatesAreNamedByCaptions) {
  // sys_user has no grid layout: its captions come from the server's caption table.
  Json r = c->call(path::kApply,
                   {{"provider", "userDSP"},
                    {"delta", delta({insertRow({{"userId", "0009"}, {"userName", nullptr}})})}});
  ASSERT_EQ(r["errors"].size(), 1u);
  EXPECT_EQ(r["errors"][0]["message"], "用户的“用户名”不能为空");
  EXPECT_EQ(r["errors"][0]["code"], "constraint");

  ASSERT_EQ(updateData(delta({receiptMaster("RK1")}), delta({})), "OK");
  const Json reply = updateDataReply(delta({receiptMaster("rk1")}), delta({}));
  EXPECT_EQ(reply["result"], "重复的编号：入库单中已有单据编号为“rk1”的记录");
  EXPECT_EQ(reply["table"], "wh_In");

  // A client's own statement that breaks a key is told in the same words, without the values
  // the server cannot know.
  auto e = c->post(path::kExecute,
                   {{"sql", "insert into wh_In (keyNo) select keyNo from wh_In"}, {"params", {}}});
  EXPECT_EQ(e.body, Json::parse(R"({"error":"重复的编号：入库单中已有相同单据编号的记录",)"
                                R"("code":"duplicate","table":"wh_In"})"));
  // Refusals and plain failures carry their codes too.
  EXPECT_EQ(c->post(path::kExecute, {{"sql", "drop table wh_In"}}).body["code"], "refused");
  EXPECT_EQ(c->post(path::kOpen, {{"sql", "select nothing from wh_In"}}).body["code"], "error");
  EXPECT_EQ(c->post(path::kOpen, {{"sql", 12}}).body["code"], "bad_request");
}

}  // namespace
}  // namespace qk::test
