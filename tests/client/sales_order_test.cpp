// The sales order against a real server: item numbers given at save (consecutive within a save,
// kept afterwards, fresh for later lines, past 9999, taken back when a save fails, retried when
// another screen took them), the checks, the product completion and picker, the item-number
// search, audit and the main window's action.
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDate>
#include <QLineEdit>
#include <QMenu>

#include "client/data/dataset.h"
#include "client/documents/gs_no_form.h"
#include "client/masterdata/products_form.h"
#include "client/query/filter_form.h"
#include "client/query/sys_qry_form.h"
#include "client/sales/bus_so_form.h"
#include "client/widgets/data_grid.h"
#include "client/widgets/screen_registry.h"
#include "client_fixture.h"
#include "line_input.h"

namespace qk::test {
namespace {

using client::DocumentEditor;
using client::Prompter;
using client::Tbus_SOForm;

// This month's item-number stem, "yy-MM-".
QString gs(const char* sequence) {
  return QDate::currentDate().toString("yy-MM-") + sequence;
}

QString orderNo(const char* sequence) {
  return "XS-" + QDate::currentDate().toString("yy-MM-") + sequence;
}

class SalesOrderTest : public DocumentScreenTest {
 protected:
  void SetUp() override {
    DocumentScreenTest::SetUp();
    exec("insert into bas_cust(custNo, custName) values('C1', '东方阀门'), ('C2', '南方管件')");
    exec(
        "insert into bas_products(productNo, productName, productSize, productPre, productMat, "
        "productSta, productUnit, def1) values "
        "('P1', '闸阀', 'DN100', 'PN25', 'CF8', 'GB/T 12234', '台', '红'), "
        "('P2', '球阀', 'DN50', 'PN16', 'WCB', 'GB/T 12237', '台', ''), "
        "('P3', '法兰', 'DN80', 'PN16', '304', 'HG/T 20592', '片', '')");
  }

  std::unique_ptr<Tbus_SOForm> open() {
    auto f = std::make_unique<Tbus_SOForm>();
    f->formShow();
    return f;
  }

  void addLine(DocumentEditor& f, const QString& productNo, const QVariant& qty,
               const QVariant& price = 10) {
    f.addActionExecute();
    client::Dataset& d = f.dCDS();
    d.edit();
    d.fieldByName("productNo").setValue(productNo);
    d.fieldByName("qty").setValue(qty);
    d.fieldByName("uprice").setValue(price);
    d.post();
  }

  // An order being entered for a customer chosen in the header.
  std::unique_ptr<Tbus_SOForm> newOrder(const QString& custNo = "C1") {
    auto f = open();
    f->newActionExecute();
    QComboBox* cust = f->headerCombo("custNo");
    cust->setCurrentIndex(cust->findData(custNo));
    return f;
  }

  std::unique_ptr<Tbus_SOForm> savedOrder(int lines) {
    auto f = newOrder();
    for (int i = 0; i < lines; ++i) addLine(*f, QString("P%1").arg(i % 3 + 1), i + 1);
    EXPECT_TRUE(f->saveDoc());
    prompter_.clear();
    return f;
  }
};

// ---- item numbers

TEST_F(SalesOrderTest, ThreeNewLinesGetConsecutiveItemNumbersKeptOnResave) {
  auto f = newOrder();
  EXPECT_EQ(f->mCDS().fieldByName("dlvDate").asDateTime(),
            QDateTime(QDate::currentDate(), QTime(0, 0)));
  EXPECT_EQ(f->mCDS().fieldByName("userName").asString(), "admin");
  EXPECT_EQ(f->mCDS().fieldByName("docDate").asDateTime().date(), QDate::currentDate());
  qobject_cast<QCheckBox*>(f->headerEditor("stock"))->setChecked(true);
  for (const char* p : {"P1", "P2", "P3"}) addLine(*f, p, 2, 12.5);
  ASSERT_TRUE(f->saveDoc());
  EXPECT_EQ(prompter_.texts(), QStringList{"OK"});
  EXPECT_EQ(f->shownKeyNo(), orderNo("0001"));
  EXPECT_EQ(column(f->dCDS(), "gsNo"), (QStringList{gs("0001"), gs("0002"), gs("0003")}));
  EXPECT_EQ(text("select group_concat(gsNo || ':' || itemNo, ',') from "
                 "(select * from bus_so_det order by itemNo)"),
            QString("%1:1,%2:2,%3:3").arg(gs("0001"), gs("0002"), gs("0003")).toStdString());
  EXPECT_EQ(count("select count(*) from bus_SO where stock = 1"), 1);
  EXPECT_DOUBLE_EQ(f->dCDS().valueAt(0, "amount").toDouble(), 25);

  f->editActionExecute();
  typeInto(f->dCDS(), "qty", 7, 1);
  ASSERT_TRUE(f->saveDoc());
  EXPECT_EQ(column(f->dCDS(), "gsNo"), (QStringList{gs("0001"), gs("0002"), gs("0003")}));
  EXPECT_EQ(count("select count(*) from bus_so_det"), 3);
  EXPECT_EQ(count("select count(*) from bus_so_det where itemNo = 2 and qty = 7"), 1);
}

TEST_F(SalesOrderTest, ALineAddedLaterGetsAFreshNumberFromTheGenerator) {
  auto a = savedOrder(2);  // 0001, 0002
  savedOrder(1);           // 0003 in another order
  a->firstActionExecute();
  ASSERT_EQ(a->shownKeyNo(), orderNo("0001"));
  a->editActionExecute();
  addLine(*a, "P3", 5);
  ASSERT_TRUE(a->saveDoc());
  EXPECT_EQ(column(a->dCDS(), "gsNo"), (QStringList{gs("0001"), gs("0002"), gs("0004")}));
  EXPECT_EQ(text("select keyNo from bus_so_det where itemNo = 3"), orderNo("0001").toStdString());
}

TEST_F(SalesOrderTest, ASequencePast9999GrowsToFiveDigitsAndTheSearchFindsIt) {
  exec("insert into bus_SO(keyNo, custNo) values('XS-OLD', 'C2')");
  exec(QString("insert into bus_so_det(gsNo, keyNo, itemNo, productNo, qty) "
               "values('%1', 'XS-OLD', 1, 'P1', 1)")
           .arg(gs("9998")));
  auto f = newOrder();
  for (const char* p : {"P1", "P2", "P3"}) addLine(*f, p, 1);
  ASSERT_TRUE(f->saveDoc());
  EXPECT_EQ(column(f->dCDS(), "gsNo"), (QStringList{gs("9999"), gs("10000"), gs("10001")}));
  const QString saved = f->shownKeyNo();
  prompter_.clear();

  f->loadDoc("XS-OLD");
  QString typed = gs("10000");
  desktop_.on<client::TgsNoForm>([&](client::TgsNoForm& d) {
    EXPECT_EQ(d.windowTitle(), "请输入物项号");
    d.edit()->setText(typed);
    EXPECT_TRUE(d.edit()->hasAcceptableInput());
    return QDialog::Accepted;
  });
  ASSERT_NE(f->findAction->menu(), nullptr);
  const QList<QAction*> entries = f->findAction->menu()->actions();
  ASSERT_EQ(entries.size(), 2);
  EXPECT_EQ(entries[0]->text(), "按物项号查找");
  EXPECT_EQ(entries[1]->text(), "自定义查找");
  entries[0]->trigger();
  EXPECT_EQ(f->shownKeyNo(), saved);
  EXPECT_TRUE(prompter_.shown.empty());

  typed = gs("0042");  // no such item: the order shown stays
  f->findByGsNo("bus_so_det");
  EXPECT_EQ(f->shownKeyNo(), saved);
  ASSERT_EQ(prompter_.shown.size(), 1u);
  EXPECT_EQ(prompter_.shown[0].text, "无此物项号!");
  EXPECT_EQ(prompter_.shown[0].icon, Prompter::Icon::Stop);
  EXPECT_EQ(prompter_.shown[0].title, QApplication::applicationDisplayName());
}

TEST_F(SalesOrderTest, DeletingALineRenumbersItemNoAndKeepsItemNumbers) {
  auto f = savedOrder(3);
  f->editActionExecute();
  f->dCDS().moveTo(1);
  f->minuActionExecute();
  ASSERT_TRUE(f->saveDoc());
  EXPECT_EQ(text("select group_concat(gsNo || ':' || itemNo, ',') from "
                 "(select * from bus_so_det order by itemNo)"),
            QString("%1:1,%2:2").arg(gs("0001"), gs("0003")).toStdString());
}

TEST_F(SalesOrderTest, TwoScreensSavingAtOnceBothSucceedWithDistinctNumbers) {
  auto first = newOrder("C1");
  addLine(*first, "P1", 1);
  auto second = newOrder("C2");
  addLine(*second, "P2", 2);
  addLine(*second, "P3", 3);
  // The second screen has read its numbers; before they reach the server the first saves the
  // same ones.
  bool raced = false;
  second->dCDS().afterPost = [&](client::Dataset& d) {
    if (raced || d.fieldByName("gsNo").asString().isEmpty()) return;
    raced = true;
    EXPECT_TRUE(first->saveDoc());
  };
  ASSERT_TRUE(second->saveDoc());
  EXPECT_TRUE(raced);
  EXPECT_EQ(prompter_.texts(), (QStringList{"OK", "OK"}));
  EXPECT_EQ(first->shownKeyNo(), orderNo("0001"));
  EXPECT_EQ(second->shownKeyNo(), orderNo("0002"));
  EXPECT_EQ(column(first->dCDS(), "gsNo"), QStringList{gs("0001")});
  EXPECT_EQ(column(second->dCDS(), "gsNo"), (QStringList{gs("0002"), gs("0003")}));
  EXPECT_EQ(text("select group_concat(keyNo || ':' || gsNo, ',') from "
                 "(select * from bus_so_det order by gsNo)"),
            QString("%1:%2,%3:%4,%3:%5")
                .arg(orderNo("0001"), gs("0001"), orderNo("0002"), gs("0002"), gs("0003"))
                .toStdString());
}

TEST_F(SalesOrderTest, AFailedSaveLeavesTheLinesWithoutTheNumbersItGave) {
  auto f = newOrder();
  addLine(*f, "P1", 1);
  addLine(*f, "P2", 1);
  typeInto(f->mCDS(), "remarkM", QString(60, QChar(u'长')));  // the server holds 50
  EXPECT_FALSE(f->saveDoc());
  ASSERT_EQ(prompter_.shown.size(), 1u);
  EXPECT_TRUE(prompter_.shown[0].text.contains("50")) << prompter_.shown[0].text.toStdString();
  EXPECT_EQ(column(f->dCDS(), "gsNo"), (QStringList{"", ""}));
  EXPECT_TRUE(f->shownKeyNo().isEmpty());
  EXPECT_EQ(count("select count(*) from bus_so_det"), 0);

  // Someone saves an order meanwhile: the resave asks the generator again.
  savedOrder(1);
  typeInto(f->mCDS(), "remarkM", "加急");
  prompter_.clear();
  ASSERT_TRUE(f->saveDoc());
  EXPECT_EQ(column(f->dCDS(), "gsNo"), (QStringList{gs("0002"), gs("0003")}));
  EXPECT_EQ(f->shownKeyNo(), orderNo("0002"));
}

// ---- checks and lines

TEST_F(SalesOrderTest, SaveChecksCustomerThenLinesThenEachLine) {
  auto f = open();
  f->newActionExecute();
  EXPECT_FALSE(f->saveDoc());
  EXPECT_EQ(prompter_.texts(), QStringList{"客户不能为空!"});
  EXPECT_EQ(prompter_.shown[0].icon, Prompter::Icon::Warning);
  prompter_.clear();
  QComboBox* cust = f->headerCombo("custNo");
  cust->setCurrentIndex(cust->findData("C2"));
  EXPECT_EQ(f->mCDS().fieldByName("custName").asString(), "南方管件");
  EXPECT_FALSE(f->saveDoc());
  EXPECT_EQ(prompter_.texts(), QStringList{"明细不能为空!"});
  prompter_.clear();
  addLine(*f, "P1", 1);
  addLine(*f, "P2", QVariant());  // an empty quantity counts as 0
  addLine(*f, "P3", 1);
  EXPECT_FALSE(f->saveDoc());
  EXPECT_EQ(prompter_.texts(), QStringList{"物料名称和数量不能为空!"});
  EXPECT_EQ(f->dCDS().currentRow(), 1);
  EXPECT_EQ(column(f->dCDS(), "gsNo"), (QStringList{"", "", ""})) << "nothing numbered";
  EXPECT_EQ(count("select count(*) from bus_SO"), 0);
}

TEST_F(SalesOrderTest, ProductNumberFillsOrQuietlyClearsTheDescription) {
  auto f = newOrder();
  f->addActionExecute();
  client::Dataset& d = f->dCDS();
  d.edit();
  d.fieldByName("productNo").setValue("P1");
  EXPECT_EQ(d.fieldByName("pName").asString(), "闸阀");
  EXPECT_EQ(d.fieldByName("pSta").asString(), "GB/T 12234");
  EXPECT_EQ(d.fieldByName("def1").asString(), "红");
  d.fieldByName("productNo").setValue("NOPE");
  EXPECT_EQ(d.fieldByName("pName").asString(), "");
  EXPECT_EQ(d.fieldByName("des").asString(), "");
  EXPECT_EQ(d.fieldByName("def1").asString(), "");
  d.post();
  EXPECT_TRUE(prompter_.shown.empty());
}

// Ticks these products on the products screen after querying them all, as a user would.
std::function<int(client::Tbas_productsForm&)> tick(QStringList products) {
  return [products](client::Tbas_productsForm& d) {
    EXPECT_TRUE(d.selBtn->isVisible() || !d.isVisible());
    d.qryActionExecute();
    client::Dataset& rows = *d.grid()->dataset();
    for (const QString& p : products)
      for (int r = 0; r < rows.recordCount(); ++r)
        if (rows.valueAt(r, "productNo").toString() == p) d.grid()->setChecked(r, true);
    d.selBtnClick();
    return d.result();
  };
}

TEST_F(SalesOrderTest, ProductPickerTurnsEveryTickedProductIntoALine) {
  auto f = newOrder();
  desktop_.on<client::Tbas_productsForm>(tick({"P3", "P1"}));
  f->dataGrid()->buttonClicked("productNo", 0);
  client::Dataset& d = f->dCDS();
  ASSERT_EQ(d.recordCount(), 2);
  EXPECT_EQ(column(d, "productNo"), (QStringList{"P3", "P1"}));
  EXPECT_EQ(d.valueAt(0, "des").toString(), "法兰 DN80 PN16 304 HG/T 20592");
  EXPECT_EQ(d.valueAt(0, "pUnit").toString(), "片");
  EXPECT_EQ(d.valueAt(1, "def1").toString(), "红");
  EXPECT_FALSE(f->isFilling);

  // An empty current line takes the first product before any line is appended.
  f->addActionExecute();
  desktop_.on<client::Tbas_productsForm>(tick({"P2", "P3"}));
  f->runPicker("productNo");
  EXPECT_EQ(column(d, "productNo"), (QStringList{"P3", "P1", "P2", "P3"}));
  for (int r = 0; r < d.recordCount(); ++r) typeInto(d, "qty", r + 1, r);
  ASSERT_TRUE(f->saveDoc());

  // Editing, the current line takes the products in turn: the last one stays.
  f->editActionExecute();
  d.moveTo(0);
  desktop_.on<client::Tbas_productsForm>(tick({"P1", "P2"}));
  f->runPicker("productNo");
  EXPECT_EQ(column(d, "productNo"), (QStringList{"P2", "P1", "P2", "P3"}));
  EXPECT_EQ(d.valueAt(0, "pName").toString(), "球阀");

  // Closed without choosing: nothing changes.
  desktop_.on<client::Tbas_productsForm>(
      [](client::Tbas_productsForm&) { return QDialog::Rejected; });
  f->runPicker("productNo");
  EXPECT_EQ(d.recordCount(), 4);
}

// ---- audit, find, the main window

TEST_F(SalesOrderTest, AuditAndUnauditStampTheOrder) {
  auto f = savedOrder(1);
  f->audActionExecute();
  EXPECT_EQ(count("select count(*) from bus_SO where audited = 1 and audName = 'admin' and "
                  "audDate is not null"),
            1);
  EXPECT_EQ(f->footerText("audName"), "admin");
  f->editActionExecute();
  EXPECT_EQ(prompter_.texts(), QStringList{"此单已审核，请取消审核后修改！"});
  prompter_.clear();
  f->audActionExecute();
  EXPECT_EQ(prompter_.texts(), QStringList{"本单已审核！"});
  f->unaudActionExecute();
  EXPECT_EQ(count("select count(*) from bus_SO where audited = 0 and audName = '' and "
                  "audDate is null"),
            1);
  EXPECT_FALSE(f->mCDS().fieldByName("audited").asBoolean());
}

TEST_F(SalesOrderTest, CustomFindAndTheMainWindowsActionOpenOrders) {
  auto a = savedOrder(1);
  savedOrder(2);
  client::registerSalesScreens();
  const client::ScreenFactory* factory = client::findScreen("bus_SOAction");
  ASSERT_NE(factory, nullptr);
  std::unique_ptr<QDialog> dlg((*factory)(nullptr));
  auto* f = qobject_cast<DocumentEditor*>(dlg.get());
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(f->windowTitle(), "销售订单");
  EXPECT_EQ(f->shownKeyNo(), orderNo("0002"));
  desktop_.on<client::Tsys_qryForm>([&](client::Tsys_qryForm& d) {
    EXPECT_EQ(d.windowTitle(), "销售订单查询");
    for (int r = 0; r < d.listSP().recordCount(); ++r)
      if (d.listSP().valueAt(r, "keyNo").toString() == orderNo("0001")) d.listSP().moveTo(r);
    return int(QDialog::Accepted);
  });
  f->findAction->menu()->actions().at(1)->trigger();
  EXPECT_EQ(f->shownKeyNo(), orderNo("0001"));
  EXPECT_EQ(f->dCDS().recordCount(), 1);
}

}  // namespace
}  // namespace qk::test
