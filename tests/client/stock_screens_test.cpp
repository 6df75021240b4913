// The stock screens against a real server: the period dialog's warehouse text, closing figures
// and the rule that hides items without movement, the ledger tree with its empty zero cells and
// formats, and the item detail opened from the stock query.
#include <gtest/gtest.h>

#include <QAbstractItemModel>
#include <QCheckBox>
#include <QDateTimeEdit>
#include <QTreeView>
#include <QTreeWidget>

#include "client/data/dataset.h"
#include "client/query/sys_qry_form.h"
#include "client/stock/det_form.h"
#include "client/stock/index_form.h"
#include "client/stock/stock_det_form.h"
#include "client/stock/stock_qry_form.h"
#include "client/stock/stock_screens.h"
#include "client/stock/stock_tree_columns.h"
#include "client/widgets/tree_grid.h"
#include "client_fixture.h"

namespace qk::test {
namespace {

using client::TdetForm;
using client::TindexForm;
using client::TStockQryForm;

class StockScreensTest : public ClientTest {
 protected:
  void SetUp() override {
    ClientTest::SetUp();
    loginAdmin();
    client::registerStockScreens();
    exec(
        "insert into bas_dep (depNo, depName, isWh) values ('01', '成品库', 1), ('02', '原料库', "
        "1)");
    exec(
        "insert into bas_products (productNo, productName, productUnit) values ('A', '阀体', '件'),"
        " ('B', '阀盖', '件')");
    exec("insert into wh_stock (whNo, productNo, initQty, initPrice) values ('01', 'A', 10, 2)");
    exec(
        "insert into wh_In (keyNo, whNo, inDate) values ('R0', '01', '2026-02-10'),"
        " ('R1', '01', '2026-03-05')");
    // B: a return and a receipt before the period leave no quantity but a value of 40.
    exec(
        "insert into wh_in_det (keyNo, itemNo, productNo, qty, uPrice) values"
        " ('R0', 1, 'B', 2, 30), ('R0', 2, 'B', -2, 10), ('R1', 1, 'A', 5, 4)");
    exec("insert into wh_Out (keyNo, whNo, outDate) values ('O1', '01', '2026-03-20 10:00:00')");
    exec(
        "insert into wh_out_det (keyNo, itemNo, taskNo, productNo, qty) values"
        " ('O1', 1, '26-03-0001-01', 'A', 3)");
  }

  // The period dialog answered with March 2026, the given warehouses ticked.
  void answerPeriod(QStringList ticked, bool hideIdle = true) {
    desktop_.on<TindexForm>([this, ticked, hideIdle](TindexForm& f) {
      listed = {};
      for (int i = 0; i < f.ListView1->topLevelItemCount(); ++i)
        listed << f.ListView1->topLevelItem(i)->text(0);
      for (const QString& no : ticked) f.setTicked(no, true);
      f.DateTimePicker1->setDateTime(QDateTime(QDate(2026, 3, 1), QTime(0, 0)));
      f.DateTimePicker2->setDateTime(QDateTime(QDate(2026, 3, 31), QTime(23, 59, 59)));
      f.CheckBox1->setChecked(hideIdle);
      sentWarehouses = f.warehouses();
      return QDialog::Accepted;
    });
  }
  static QString figure(TStockQryForm& f, const char* item, const char* field) {
    client::Dataset& ds = f.stockCDS();
    for (int r = 0; r < ds.recordCount(); ++r)
      if (ds.valueAt(r, "gNo").toString() == item) return ds.valueAt(r, field).toString();
    return "(hidden)";
  }

  QStringList listed;
  QString sentWarehouses;
};

TEST_F(StockScreensTest, StockQueryShowsClosingFiguresAndHidesItemsWithoutMovement) {
  TStockQryForm form;
  // Nothing ticked: told so, and the screen stays as it was.
  answerPeriod({});
  form.qryActionExecute();
  ASSERT_EQ(prompter_.shown.size(), 1u);
  EXPECT_EQ(prompter_.shown[0].text, "请选择仓库!");
  EXPECT_FALSE(form.stockCDS().active());

  answerPeriod({"02", "01"});
  form.qryActionExecute();
  EXPECT_EQ(listed, (QStringList{"01", "02"}));
  EXPECT_EQ(sentWarehouses, "0102");
  EXPECT_EQ(figure(form, "A", "iniQty"), "10");
  EXPECT_EQ(figure(form, "A", "qmQty"), "12");
  // The issue at the average price of 40 / 15 as the database keeps it, 2.66667.
  EXPECT_EQ(figure(form, "A", "qmMoney"), "31.99999");
  EXPECT_EQ(figure(form, "B", "iniQty"), "(hidden)") << "an opening value alone shows no row";
  EXPECT_EQ(form.grid()->footerText("qmQty"), "12.00");

  answerPeriod({"01"}, /*hideIdle=*/false);
  form.qryActionExecute();
  EXPECT_EQ(figure(form, "B", "iniMoney"), "40");
  EXPECT_EQ(figure(form, "B", "qmMoney"), "40");
}

TEST_F(StockScreensTest, LedgerTreeShowsRunningBalanceWithZeroCellsEmpty) {
  TStockQryForm form;
  answerPeriod({"01"});
  form.qryActionExecute();
  ASSERT_TRUE(form.stockCDS().locate("gNo", "A"));
  QStringList lines;
  auto cellsOf = [&](TdetForm& det) {
    lines.clear();
    QAbstractItemModel* model = det.tree()->view()->model();
    const auto columns = client::ledgerColumns();
    auto col = [&](const char* field) {
      for (std::size_t i = 0; i < columns.size(); ++i)
        if (columns[i].field == field) return static_cast<int>(i);
      return -1;
    };
    for (int top = 0; top < model->rowCount(); ++top) {
      const QModelIndex parent = model->index(top, 0);
      EXPECT_TRUE(det.tree()->view()->isExpanded(parent));
      for (int r = 0; r < model->rowCount(parent); ++r) {
        QStringList cells;
        for (const char* f :
             {"keyNo", "content", "inQty", "outQty", "outPrice", "getQty", "getPrice", "getMoney"})
          cells << model->index(r, col(f), parent).data().toString();
        lines << cells.join('|');
      }
    }
    return QDialog::Accepted;
  };
  desktop_.on<TdetForm>(cellsOf);
  form.curDetActionExecute();
  EXPECT_EQ(lines, (QStringList{"R1|入库单|5.00|||15.00|2.66667|40.00",
                                "O1|出库单||3.00|2.66667|12.00|2.66667|32.00",
                                "|本期合计|5.00|3.00|2.66667|12.00|2.66667|32.00"}));

  form.allDetActionExecute();  // every item: A, and B with its value
  EXPECT_EQ(lines.size(), 4);
}

TEST_F(StockScreensTest, StockQueryDetailShowsTheItemsMovementsInItsWarehouse) {
  client::Tsys_qryForm query(client::dm());
  QStringList rows;
  desktop_.on<client::Tstock_detForm>([&](client::Tstock_detForm& f) {
    client::Dataset& ds = f.pubCDS();
    for (int r = 0; r < ds.recordCount(); ++r)
      rows << ds.valueAt(r, "itemName").toString() + ' ' + ds.valueAt(r, "keyNo").toString() + ' ' +
                  ds.valueAt(r, "qty").toString();
    return QDialog::Accepted;
  });
  client::Tsys_qryForm::detailHandler("qry_wh_view")(query, {{"productNo", "A"}, {"whNo", "01"}});
  EXPECT_EQ(rows, (QStringList{"期初库存  10", "入库单  5", "出库单  3", "期初库存  10",
                               "入库单 R1 5", "出库单 O1 3"}));
}

}  // namespace
}  // namespace qk::test
