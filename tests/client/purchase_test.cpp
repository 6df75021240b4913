// Purchase orders and receipts against a real server: batch numbers given at save (consecutive
// within a save, kept afterwards, fresh for later lines, unique when two screens save at once),
// the products screen as the order's picker, the receipt's batch picker, completion and checks,
// and the deletes the documents refuse: an order whose batches were received, and any audited
// document.
#include <QAction>
#include <QComboBox>
#include <QDate>

#include "client/data/dataset.h"
#include "client/masterdata/products_form.h"
#include "client/purchase/bus_pi_form.h"
#include "client/purchase/bus_po_form.h"
#include "client/purchase/purchase_screens.h"
#include "client/query/filter_form.h"
#include "client/query/sys_qry_form.h"
#include "client/sales/bus_so_form.h"
#include "client/warehouse/warehouse_forms.h"
#include "client/widgets/data_grid.h"
#include "client/widgets/screen_registry.h"
#include "client_fixture.h"

namespace qk::test {
namespace {

using client::DocumentEditor;
using client::Prompter;
using client::Tbus_PIForm;
using client::Tbus_POForm;

// A batch number of this month.
QString ps(const char* sequence) {
  return "PO" + QDate::currentDate().toString("yyMM") + sequence;
}

QString orderNo(const char* sequence) {
  return "CG-" + QDate::currentDate().toString("yy-MM-") + sequence;
}

void typeInto(client::Dataset& ds, const char* field, const QVariant& value, int row = -1) {
  if (row >= 0) ds.moveTo(row);
  ds.edit();
  ds.fieldByName(field).setValue(value);
  ds.post();
}

void choose(DocumentEditor& f, const char* field, const QString& key) {
  QComboBox* box = f.headerCombo(field);
  box->setCurrentIndex(box->findData(key));
}

class PurchaseTest : public DocumentScreenTest {
 protected:
  void SetUp() override {
    DocumentScreenTest::SetUp();
    exec("insert into bas_sup(supNo, supName) values('S1', '华东钢厂'), ('S2', '南方铸造')");
    exec("insert into bas_dep(depNo, depName, isWh) values('W1', '原料仓', 1)");
    exec(
        "insert into bas_products(productNo, productName, productSize, productPre, productMat, "
        "productSta, productUnit, costPrice, def1) values "
        "('M1', '圆钢', 'Φ50', '', '45#', 'GB/T 699', '公斤', 6, '热轧'), "
        "('M2', '钢板', '10mm', '', 'Q235', 'GB/T 3274', '公斤', 5, ''), "
        "('M3', '焊条', 'Φ3.2', '', 'J422', 'GB/T 5117', '公斤', 9, '')");
  }

  template <typename Form>
  std::unique_ptr<Form> open() {
    auto f = std::make_unique<Form>();
    f->formShow();
    return f;
  }

  std::unique_ptr<Tbus_POForm> newOrder(const QString& supNo = "S1") {
    auto f = open<Tbus_POForm>();
    f->newActionExecute();
    choose(*f, "supNo", supNo);
    return f;
  }

  void addLine(DocumentEditor& f, const QString& productNo, const QVariant& qty) {
    f.addActionExecute();
    client::Dataset& d = f.dCDS();
    d.edit();
    d.fieldByName("productNo").setValue(productNo);
    d.fieldByName("Qty").setValue(qty);
    d.fieldByName("uPrice").setValue(8);
    d.post();
  }

  std::unique_ptr<Tbus_POForm> savedOrder(int lines) {
    auto f = newOrder();
    for (int i = 0; i < lines; ++i) addLine(*f, QString("M%1").arg(i % 3 + 1), 10 * (i + 1));
    EXPECT_TRUE(f->saveDoc());
    prompter_.clear();
    return f;
  }

  std::unique_ptr<Tbus_PIForm> newReceipt() {
    auto f = open<Tbus_PIForm>();
    f->newActionExecute();
    choose(*f, "supNo", "S1");
    choose(*f, "whNo", "W1");
    return f;
  }
};

// ---- the order's batch numbers

TEST_F(PurchaseTest, ThreeNewLinesGetConsecutiveBatchesAnEditedOrderKeepsThemAndAsksForTheNext) {
  auto f = newOrder();
  EXPECT_EQ(f->mCDS().fieldByName("purDate").asDateTime(),
            QDateTime(QDate::currentDate(), QTime(0, 0)));
  EXPECT_EQ(f->mCDS().fieldByName("supName").asString(), "华东钢厂");
  for (const char* p : {"M1", "M2", "M3"}) addLine(*f, p, 5);
  ASSERT_TRUE(f->saveDoc());
  EXPECT_EQ(prompter_.texts(), QStringList{"OK"});
  EXPECT_EQ(f->shownKeyNo(), orderNo("0001"));
  EXPECT_EQ(column(f->dCDS(), "psNo"), (QStringList{ps("0001"), ps("0002"), ps("0003")}));
  EXPECT_EQ(text("select group_concat(psNo || ':' || POItemNo || ':' || keyNo, ',') from "
                 "(select * from bus_po_det order by POItemNo)"),
            QString("%1:1:%4,%2:2:%4,%3:3:%4")
                .arg(ps("0001"), ps("0002"), ps("0003"), orderNo("0001"))
                .toStdString());
  EXPECT_DOUBLE_EQ(f->dCDS().valueAt(0, "amount").toDouble(), 40);

  savedOrder(1);  // another order takes 0004
  f->firstActionExecute();
  ASSERT_EQ(f->shownKeyNo(), orderNo("0001"));
  f->editActionExecute();
  typeInto(f->dCDS(), "Qty", 7, 1);
  addLine(*f, "M1", 2);
  ASSERT_TRUE(f->saveDoc());
  EXPECT_EQ(column(f->dCDS(), "psNo"),
            (QStringList{ps("0001"), ps("0002"), ps("0003"), ps("0005")}));
  EXPECT_EQ(count("select count(*) from bus_po_det where psNo = '" + ps("0002").toStdString() +
                  "' and Qty = 7"),
            1);
}

TEST_F(PurchaseTest, TwoScreensSavingAtOnceGetDistinctBatches) {
  auto first = newOrder("S1");
  addLine(*first, "M1", 1);
  auto second = newOrder("S2");
  addLine(*second, "M2", 2);
  addLine(*second, "M3", 3);
  // The second screen has read its batch numbers; the first saves the same ones before them.
  bool raced = false;
  second->dCDS().afterPost = [&](client::Dataset& d) {
    if (raced || d.fieldByName("psNo").asString().isEmpty()) return;
    raced = true;
    EXPECT_TRUE(first->saveDoc());
  };
  ASSERT_TRUE(second->saveDoc());
  EXPECT_TRUE(raced);
  EXPECT_EQ(prompter_.texts(), (QStringList{"OK", "OK"}));
  EXPECT_EQ(column(first->dCDS(), "psNo"), QStringList{ps("0001")});
  EXPECT_EQ(column(second->dCDS(), "psNo"), (QStringList{ps("0002"), ps("0003")}));
  EXPECT_EQ(count("select count(distinct psNo) from bus_po_det"), 3);
}

TEST_F(PurchaseTest, AFailedSaveKeepsNoBatchNumbers) {
  auto f = newOrder();
  addLine(*f, "M1", 1);
  addLine(*f, "M2", 1);
  typeInto(f->mCDS(), "remarkM", QString(60, QChar(u'长')));  // the server holds 50
  EXPECT_FALSE(f->saveDoc());
  EXPECT_EQ(column(f->dCDS(), "psNo"), (QStringList{"", ""}));
  savedOrder(1);
  typeInto(f->mCDS(), "remarkM", "加急");
  prompter_.clear();
  ASSERT_TRUE(f->saveDoc());
  EXPECT_EQ(column(f->dCDS(), "psNo"), (QStringList{ps("0002"), ps("0003")}));
}

TEST_F(PurchaseTest, OrderChecksSupplierThenEachLine) {
  auto f = open<Tbus_POForm>();
  f->newActionExecute();
  addLine(*f, "M1", 1);
  EXPECT_FALSE(f->saveDoc());
  EXPECT_EQ(prompter_.texts(), QStringList{"供应商不能为空!"});
  prompter_.clear();
  choose(*f, "supNo", "S1");
  addLine(*f, "", 1);
  EXPECT_FALSE(f->saveDoc());
  EXPECT_EQ(prompter_.texts(), QStringList{"物料名称和数量不能为空!"});
  EXPECT_EQ(f->dCDS().currentRow(), 1);
  EXPECT_EQ(count("select count(*) from bus_PO"), 0);
}

// Ticks these products on the products screen, as a user would.
std::function<int(client::Tbas_productsForm&)> tick(QStringList products) {
  return [products](client::Tbas_productsForm& d) {
    d.qryActionExecute();
    client::Dataset& rows = *d.grid()->dataset();
    for (const QString& p : products)
      for (int r = 0; r < rows.recordCount(); ++r)
        if (rows.valueAt(r, "productNo").toString() == p) d.grid()->setChecked(r, true);
    d.selBtnClick();
    return d.result();
  };
}

TEST_F(PurchaseTest, TheProductsScreenAddsEveryTickedProductWithoutPrice) {
  auto f = newOrder();
  desktop_.on<client::Tbas_productsForm>(tick({"M3", "M1"}));
  f->dataGrid()->buttonClicked("productNo", 0);
  client::Dataset& d = f->dCDS();
  EXPECT_EQ(column(d, "productNo"), (QStringList{"M3", "M1"}));
  EXPECT_EQ(d.valueAt(1, "des").toString(), "圆钢 Φ50  45# GB/T 699");
  EXPECT_EQ(d.valueAt(1, "def1").toString(), "热轧");
  EXPECT_TRUE(d.valueAt(1, "uPrice").isNull()) << "an order's price is the supplier's, typed";
}

// ---- the receipt

TEST_F(PurchaseTest, PickingTwoOrderLinesAddsThemWithTheOrderedQuantities) {
  savedOrder(3);  // batches 0001 (M1, 10), 0002 (M2, 20), 0003 (M3, 30)
  auto f = newReceipt();
  desktop_.on<client::Tsys_qryForm>([&](client::Tsys_qryForm& d) {
    EXPECT_EQ(d.windowTitle(), "采购订单查询");
    client::Dataset& rows = d.listSP();
    for (const QString& batch : {ps("0003"), ps("0001")})
      for (int r = 0; r < rows.recordCount(); ++r)
        if (rows.valueAt(r, "psNo").toString() == batch) d.listGrid()->setChecked(r, true);
    return int(QDialog::Accepted);
  });
  f->dataGrid()->buttonClicked("PSNo", 0);
  client::Dataset& d = f->dCDS();
  EXPECT_EQ(column(d, "PSNo"), (QStringList{ps("0003"), ps("0001")}));
  EXPECT_EQ(column(d, "qty"), (QStringList{"30", "10"}));
  EXPECT_EQ(column(d, "pName"), (QStringList{"焊条", "圆钢"}));
  typeInto(d, "uprice", 6, 1);
  ASSERT_TRUE(f->saveDoc());
  EXPECT_EQ(text("select group_concat(PSNo || ':' || PIItemNo, ',') from "
                 "(select * from bus_pi_det order by PIItemNo)"),
            QString("%1:1,%2:2").arg(ps("0003"), ps("0001")).toStdString());
}

TEST_F(PurchaseTest, ATypedBatchFillsTheLineOrClearsItAndALineNeedsItsBatch) {
  savedOrder(2);
  auto f = newReceipt();
  f->addActionExecute();
  client::Dataset& d = f->dCDS();
  d.edit();
  d.fieldByName("PSNo").setValue(ps("0002"));
  EXPECT_EQ(d.fieldByName("productNo").asString(), "M2");
  EXPECT_EQ(d.fieldByName("pName").asString(), "钢板");
  d.fieldByName("PSNo").setValue("PO-NONE");
  EXPECT_EQ(d.fieldByName("productNo").asString(), "");
  EXPECT_EQ(d.fieldByName("pName").asString(), "");
  // A product without a batch cannot be traced to an order.
  d.fieldByName("PSNo").setValue("");
  d.fieldByName("productNo").setValue("M1");
  d.fieldByName("qty").setValue(3);
  d.post();
  EXPECT_FALSE(f->saveDoc());
  EXPECT_EQ(prompter_.texts(), QStringList{"采购批号和数量不能为空!"});
  prompter_.clear();
  choose(*f, "whNo", "");
  typeInto(d, "PSNo", ps("0001"));
  EXPECT_FALSE(f->saveDoc());
  EXPECT_EQ(prompter_.texts(), QStringList{"供应商和仓库不能为空!"});
  EXPECT_EQ(count("select count(*) from bus_PI"), 0);
}

// ---- deletes refused

TEST_F(PurchaseTest, AnOrderWhoseBatchWasReceivedIsNotDeleted) {
  auto order = savedOrder(2);
  auto receipt = newReceipt();
  receipt->addActionExecute();
  typeInto(receipt->dCDS(), "PSNo", ps("0002"));
  typeInto(receipt->dCDS(), "qty", 4);
  ASSERT_TRUE(receipt->saveDoc());
  prompter_.clear();

  prompter_.answers = {0};  // 确定
  order->delActionExecute();
  ASSERT_EQ(prompter_.texts().size(), 2);
  EXPECT_EQ(prompter_.texts().at(1), "采购批号 " + ps("0002") + " 已有采购入库单，不能删除！");
  EXPECT_EQ(count("select count(*) from bus_po_det"), 2);
  EXPECT_EQ(count("select count(*) from bus_PO"), 1);
  EXPECT_EQ(order->shownKeyNo(), orderNo("0001"));
  EXPECT_EQ(order->dCDS().recordCount(), 2);

  // Without its receipt the order goes, lines first.
  prompter_.clear();
  prompter_.answers = {0};
  receipt->delActionExecute();
  prompter_.answers = {0};
  order->delActionExecute();
  EXPECT_EQ(count("select count(*) from bus_po_det"), 0);
  EXPECT_EQ(count("select count(*) from bus_PO"), 0);
}

TEST_F(PurchaseTest, EveryDocumentRefusesToDeleteAnAuditedOne) {
  exec("insert into bus_PO(keyNo, supNo, audited) values('CG-A', 'S1', 1)");
  exec(
      "insert into bus_po_det(keyNo, POItemNo, psNo, productNo, Qty) "
      "values('CG-A', 1, 'PO-A', 'M1', 1)");
  exec("insert into bus_PI(keyNO, supNo, whNo, audited) values('JH-A', 'S1', 'W1', 1)");
  exec("insert into wh_In(keyNo, whNo, audited) values('RK-A', 'W1', 1)");
  exec("insert into wh_Out(keyNo, whNo, audited) values('CK-A', 'W1', 1)");
  exec("insert into bas_cust(custNo, custName) values('C1', '东方阀门')");
  exec("insert into bus_SO(keyNo, custNo, audited) values('XS-A', 'C1', 1)");
  const std::vector<std::pair<client::DocumentConfig, const char*>> documents{
      {client::purchaseOrderConfig(), "CG-A"},
      {client::purchaseReceiptConfig(), "JH-A"},
      {client::warehouseReceiptConfig(), "RK-A"},
      {client::warehouseIssueConfig(), "CK-A"},
      {client::salesOrderConfig(), "XS-A"}};
  for (const auto& [config, keyNo] : documents) {
    SCOPED_TRACE(config.caption.toStdString());
    DocumentEditor f(config);
    f.formShow();
    f.loadDoc(keyNo);
    prompter_.clear();
    f.delActionExecute();
    ASSERT_EQ(prompter_.shown.size(), 1u) << "refused before asking";
    EXPECT_EQ(prompter_.shown[0].text, "此单已审核，请取消审核后删除！");
    EXPECT_EQ(prompter_.shown[0].icon, Prompter::Icon::Stop);
    EXPECT_EQ(f.shownKeyNo(), keyNo);
    EXPECT_EQ(count("select count(*) from " + config.masterTable.toStdString() +
                    " where keyNo = '" + keyNo + "'"),
              1);
  }
  EXPECT_EQ(count("select count(*) from bus_po_det"), 1);
}

TEST_F(PurchaseTest, TheMainWindowsActionsOpenTheLastOrderAndReceipt) {
  savedOrder(1);
  auto second = savedOrder(1);
  client::registerPurchaseScreens();
  for (const auto& [action, caption, keyNo] :
       {std::tuple{"bus_POAction", "采购订单", orderNo("0002")},
        std::tuple{"bus_PIAction", "采购入库单", QString()}}) {
    const client::ScreenFactory* factory = client::findScreen(action);
    ASSERT_NE(factory, nullptr);
    std::unique_ptr<QDialog> dlg((*factory)(nullptr));
    auto* f = qobject_cast<DocumentEditor*>(dlg.get());
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->windowTitle(), caption);
    EXPECT_EQ(f->shownKeyNo(), keyNo);
  }
}

}  // namespace
}  // namespace qk::test
