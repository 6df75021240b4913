// Purchase orders and receipts as the database serves them: the order lines with what the
// receipts took in, the batch query the receipt reads, the rule that a batch other documents
// name stays, and who may write order lines.
#include <gtest/gtest.h>

#include <string>

#include "support/test_server.h"

namespace qk::test {
namespace {

using protocol::RecordSet;
using protocol::Value;

std::string cell(const RecordSet& rs, std::size_t row, const std::string& name) {
  for (std::size_t i = 0; i < rs.fields.size(); ++i)
    if (rs.fields[i].name == name) return protocol::toDisplayText(rs.rows.at(row).at(i));
  ADD_FAILURE() << "no column " << name;
  return {};
}

Json statement(const std::string& sql) {
  return {{"provider", "pubDSP"}, {"sql", sql}, {"params", Json::object()}};
}

class PurchaseViewsTest : public ServerTest {
 protected:
  void SetUp() override {
    ServerTest::SetUp();
    admin = newClient();
    ASSERT_EQ(admin->login(), "OK");
    admin->execute("insert into bas_sup (supNo, supName) values ('S1', '华东钢厂')");
    admin->execute("insert into bus_PO (keyNo, supNo) values ('CG-1', 'S1')");
    admin->execute(
        "insert into bus_po_det (keyNo, POItemNo, psNo, productNo, Qty, uPrice, pName) values "
        "('CG-1', 1, 'PO26120001', 'M1', 10, 2, '圆钢'), "
        "('CG-1', 2, 'PO26120002', 'M2', 5, 3, '钢板'), "
        "('CG-1', 3, 'PO26120003', 'M3', 0, 3, '焊条')");
    admin->execute("insert into bus_PI (keyNO, supNo, whNo) values ('JH-1', 'S1', 'W1')");
  }

  void receive(int item, const std::string& psNo, double qty) {
    admin->execute(
        "insert into bus_pi_det (keyNo, PIItemNo, PSNo, productNo, qty) values ('JH-1', :i, :p, "
        "'M1', :q)",
        {{"i", item}, {"p", psNo}, {"q", qty}});
  }

  std::unique_ptr<ApiClient> admin;
};

TEST_F(PurchaseViewsTest, ReceivedQuantityAndDoneFollowTheReceiptsOfEachBatch) {
  receive(1, "PO26120001", 4);
  receive(2, "po26120001", 6);  // batch numbers compare without regard to case
  receive(3, "PO26120002", 2);
  auto lines = admin->open("select * from view_up_bus_po where keyNo = 'CG-1' order by POItemNo");
  ASSERT_EQ(lines.rows.size(), 3u);
  EXPECT_EQ(cell(lines, 0, "inQty"), "10");
  EXPECT_EQ(cell(lines, 0, "done"), "1");
  EXPECT_EQ(cell(lines, 0, "amount"), "20");
  EXPECT_EQ(cell(lines, 1, "inQty"), "2");
  EXPECT_EQ(cell(lines, 1, "done"), "0");
  EXPECT_EQ(cell(lines, 2, "done"), "0") << "nothing ordered is never done by receipts";

  auto batch = admin->open("select * from view_qry_bus_po where psNo = 'PO26120002'");
  ASSERT_EQ(batch.rows.size(), 1u);
  EXPECT_EQ(cell(batch, 0, "supName"), "华东钢厂");
  EXPECT_EQ(cell(batch, 0, "pName"), "钢板");
  EXPECT_EQ(cell(batch, 0, "unQty"), "3");
  EXPECT_EQ(cell(batch, 0, "done"), "0");

  // A receipt deleted gives the quantity back: nothing stored lags behind.
  admin->execute("delete from bus_pi_det where PIItemNo = 2");
  lines = admin->open("select inQty, done from view_up_bus_po where psNo = 'PO26120001'");
  EXPECT_EQ(cell(lines, 0, "inQty"), "4");
  EXPECT_EQ(cell(lines, 0, "done"), "0");
}

TEST_F(PurchaseViewsTest, ABatchThatOtherDocumentsNameCannotBeDeletedOrRenumbered) {
  receive(1, "PO26120001", 4);
  admin->execute("insert into wh_mat_det (keyNo, itemNo, psNo) values ('CL-1', 1, 'PO26120002')");
  EXPECT_EQ(admin->errorOf(protocol::path::kExecute,
                           statement("delete from bus_po_det where keyNo = 'CG-1'")),
            "采购批号 PO26120001 已有采购入库单，不能删除！");
  EXPECT_EQ(admin->errorOf(protocol::path::kExecute,
                           statement("delete from bus_po_det where psNo = 'PO26120002'")),
            "采购批号 PO26120002 已有原材料出库单，不能删除！");
  admin->execute("insert into check_m (keyNo, posch) values ('JY-1', 'PO26120003')");
  EXPECT_EQ(admin->errorOf(protocol::path::kExecute,
                           statement("delete from bus_po_det where psNo = 'PO26120003'")),
            "采购批号 PO26120003 已有进货检验单，不能删除！");
  EXPECT_EQ(
      admin->errorOf(protocol::path::kExecute,
                     statement("update bus_po_det set psNo = 'PO26129999' where POItemNo = 1")),
      "采购批号 PO26120001 已被引用，不能修改！");
  EXPECT_EQ(admin->open("select count(*) from bus_po_det").rows.at(0).at(0),
            Value{std::int64_t{3}});

  // Once the inspection is gone its batch may go; the line's other fields stay editable.
  admin->execute("delete from check_m");
  admin->execute("update bus_po_det set Qty = 12 where psNo = 'PO26120001'");
  admin->execute("delete from bus_po_det where psNo = 'PO26120003'");
  EXPECT_EQ(admin->open("select count(*) from bus_po_det").rows.at(0).at(0),
            Value{std::int64_t{2}});
}

TEST_F(PurchaseViewsTest, OnlyHoldersOfThePurchaseOrderRightWriteOrderLines) {
  admin->addUser("仓管", "pw-仓管");
  admin->execute(
      "insert into sys_rights (userName, actionNo, canView) values ('仓管', 'bus_PIAction', 1)");
  auto keeper = newClient();
  ASSERT_EQ(keeper->login("仓管", "pw-仓管"), "OK");
  const auto refused =
      keeper->post(protocol::path::kExecute, statement("update bus_po_det set Qty = 0"));
  EXPECT_EQ(refused.body.value("code", ""), "refused");
  keeper->execute("update bus_pi_det set qty = 0");  // the receipt's own lines it may write
  EXPECT_EQ(admin->open("select count(*) from bus_po_det where Qty = 0").rows.at(0).at(0),
            Value{std::int64_t{1}});
}

}  // namespace
}  // namespace qk::test
