// Sales deliveries against a real server: the order-line picker, item-number completion and the
// purchase-order note in the header remark, the refusal of an item number no order carries,
// and the delivery and line numbers a save gives.
#include <QComboBox>
#include <QDate>

#include "client/data/dataset.h"
#include "client/query/sys_qry_form.h"
#include "client/sales/bus_sd_form.h"
#include "client_fixture.h"
#include "line_input.h"

namespace qk::test {
namespace {

using client::Tbus_SDForm;
using client::Tsys_qryForm;

class DeliveryTest : public DocumentScreenTest {
 protected:
  void SetUp() override {
    DocumentScreenTest::SetUp();
    desktop_.on<Tsys_qryForm>([this](Tsys_qryForm& d) {
      return answerQuery_ ? answerQuery_(d) : int(QDialog::Rejected);
    });
    exec("insert into bas_cust(custNo, custName) values('C1', '东方阀门')");
    exec("insert into bas_dep(depNo, depName, isWh) values('W1', '成品仓', 1)");
    exec(
        "insert into bas_products(productNo, productName, productSize, productPre, productMat, "
        "productSta, productUnit, def1) values "
        "('P1', '闸阀', 'DN50', 'PN16', 'WCB', 'GB/T 12234', '台', '法兰'), "
        "('P2', '截止阀', 'DN25', 'PN25', 'CF8', 'GB/T 12235', '台', ''), "
        "('P3', '球阀', 'DN80', 'PN40', 'A105', 'GB/T 12237', '台', '')");
    exec(
        "insert into bus_SO(keyNo, custNo, purNo) values('XS-1', 'C1', 'PO-A'), "
        "('XS-2', 'C1', 'PO-B')");
    exec(
        "insert into bus_so_det(gsNo, keyNo, itemNo, productNo, qty, uprice) values "
        "('26-12-0001', 'XS-1', 1, 'P1', 4, 1200), ('26-12-0002', 'XS-1', 2, 'P2', 6, 300), "
        "('26-12-0003', 'XS-2', 1, 'P3', 2, 800)");
  }

  std::unique_ptr<Tbus_SDForm> newDelivery() {
    auto f = std::make_unique<Tbus_SDForm>();
    f->formShow();
    f->newActionExecute();
    for (const char* field : {"custNo", "whNo"}) {
      QComboBox* box = f->headerCombo(field);
      box->setCurrentIndex(box->findData(QString(field) == "custNo" ? "C1" : "W1"));
    }
    return f;
  }

  void typeLine(Tbus_SDForm& f, const QString& gsNo, double qty) {
    f.addActionExecute();
    client::Dataset& d = f.dCDS();
    d.edit();
    d.fieldByName("gsNo").setValue(gsNo);
    d.fieldByName("qty").setValue(qty);
    d.post();
  }

  QString remark(Tbus_SDForm& f) { return f.mCDS().fieldByName("remarkM").asString(); }

  std::function<int(Tsys_qryForm&)> answerQuery_;
};

// ---- lines from the order and the purchase-order note

TEST_F(DeliveryTest, PickedOrderLinesBringTheirDataAndThePurchaseNumberIsNotedOnce) {
  auto f = newDelivery();
  answerQuery_ = [](Tsys_qryForm& d) {
    EXPECT_EQ(d.windowTitle(), "销售订单查询");
    return pickRows(d, {"26-12-0003", "26-12-0001", "26-12-0002"}, "gsNo");
  };
  f->runPicker("gsNo");
  client::Dataset& d = f->dCDS();
  ASSERT_EQ(d.recordCount(), 3);
  EXPECT_EQ(column(d, "gsNo"), (QStringList{"26-12-0003", "26-12-0001", "26-12-0002"}));
  EXPECT_EQ(column(d, "qty"), (QStringList{"2", "4", "6"}));
  EXPECT_EQ(d.valueAt(1, "pName").toString(), "闸阀");
  EXPECT_EQ(d.valueAt(1, "def1").toString(), "法兰");
  EXPECT_EQ(d.valueAt(1, "des").toString(), "闸阀 DN50 PN16 WCB GB/T 12234");
  // The first line's customer order, once; the later lines add nothing.
  EXPECT_EQ(remark(*f), " 采购号:PO-B");

  // Typed by hand, the item fills its line; a remark that has its note keeps it as it is.
  typeLine(*f, "26-12-0001", 1);
  EXPECT_EQ(d.fieldByName("productNo").asString(), "P1");
  EXPECT_EQ(d.fieldByName("pSize").asString(), "DN50");
  EXPECT_EQ(remark(*f), " 采购号:PO-B");
}

TEST_F(DeliveryTest, TheNoteNeverGrowsTheRemarkPastItsColumn) {
  auto f = newDelivery();
  const QString typed(48, QChar(u'备'));
  typeInto(f->mCDS(), "remarkM", typed);
  typeLine(*f, "26-12-0001", 1);
  EXPECT_EQ(remark(*f), typed + " 采");  // what the 50 characters of the column hold
  ASSERT_TRUE(f->saveDoc());
  EXPECT_EQ(QString::fromStdString(text("select remarkM from bus_SD")), typed + " 采");
}

TEST_F(DeliveryTest, AnItemNumberNoOrderCarriesIsRefusedAtSave) {
  auto f = newDelivery();
  typeLine(*f, "26-12-0001", 1);
  typeLine(*f, "26-12-0099", 3);
  // Accepted while typing, with its product fields emptied ...
  EXPECT_EQ(f->dCDS().fieldByName("productNo").asString(), "");
  EXPECT_EQ(f->dCDS().fieldByName("pName").asString(), "");
  // ... but never saved pointing at nothing.
  EXPECT_FALSE(f->saveDoc());
  EXPECT_EQ(prompter_.texts(), QStringList{"无此物项号: 26-12-0099"});
  EXPECT_EQ(f->dCDS().currentRow(), 1);
  EXPECT_EQ(count("select count(*) from bus_SD"), 0);
  EXPECT_EQ(count("select count(*) from bus_sd_det"), 0);
}

// ---- numbers

TEST_F(DeliveryTest, SavingNumbersTheDeliveryAndItsLinesInGridOrder) {
  auto f = newDelivery();
  typeLine(*f, "26-12-0001", 1);
  typeLine(*f, "26-12-0002", 2);
  typeLine(*f, "26-12-0003", 3);
  ASSERT_TRUE(f->saveDoc());
  const QString keyNo = "FH-" + QDate::currentDate().toString("yy-MM-") + "0001";
  EXPECT_EQ(f->shownKeyNo(), keyNo);

  f->editActionExecute();
  f->dCDS().moveTo(0);
  f->minuActionExecute();
  ASSERT_TRUE(f->saveDoc());
  EXPECT_EQ(text("select group_concat(SDItemNo || ':' || gsNo || ':' || keyNo, ',') from "
                 "(select * from bus_sd_det order by SDItemNo)"),
            QString("1:26-12-0002:%1,2:26-12-0003:%1").arg(keyNo).toStdString());
  EXPECT_EQ(column(f->dCDS(), "SDItemNo"), (QStringList{"1", "2"}));
}

}  // namespace
}  // namespace qk::test
