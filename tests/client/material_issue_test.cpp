// The material issue against a real server: the unit weight per product piece, the batch and
// task completions, the batch picker that appends in every state and the task picker that only
// overwrites, the checks, the two-level titles and what a save stores.
#include <QComboBox>
#include <QDate>
#include <QTableView>

#include "client/data/dataset.h"
#include "client/query/filter_form.h"
#include "client/query/sys_qry_form.h"
#include "client/warehouse/material_issue_form.h"
#include "client/warehouse/warehouse_forms.h"
#include "client/widgets/data_grid.h"
#include "client/widgets/grid_header.h"
#include "client/widgets/screen_registry.h"
#include "client_fixture.h"
#include "line_input.h"

namespace qk::test {
namespace {

using client::Prompter;
using client::Tsys_qryForm;
using client::Twh_Out_matForm;

class MaterialIssueTest : public DocumentScreenTest {
 protected:
  void SetUp() override {
    DocumentScreenTest::SetUp();
    desktop_.on<Tsys_qryForm>([this](Tsys_qryForm& d) {
      return answerQuery_ ? answerQuery_(d) : int(QDialog::Rejected);
    });
    exec("insert into bas_dep(depNo, depName, isWh) values('W2', '原料仓', 1)");
    exec("insert into bas_sup(supNo, supName) values('S1', '钢材公司')");
    exec(
        "insert into bas_products(productNo, productName, productSize, productPre, productMat, "
        "productSta, productUnit, xlz, def1) values "
        "('M1', '圆钢', 'Φ60', '', '304', 'GB/T 1220', 'kg', null, ''), "
        "('M2', '钢板', 'δ20', '', 'Q235', 'GB/T 3274', 'kg', null, ''), "
        "('P1', '阀杆', 'DN50', 'PN16', '304', 'JB/T 1', '件', 1.8, '红')");
    exec("insert into bus_PO(keyNo, supNo) values('CG-1', 'S1')");
    exec(
        "insert into bus_po_det(keyNo, POItemNo, psNo, productNo, Qty, des, pUnit) values "
        "('CG-1', 1, 'PO26120001', 'M1', 500, '圆钢 Φ60 304', 'kg'), "
        "('CG-1', 2, 'PO26120002', 'M2', 300, '钢板 δ20 Q235', 'kg')");
    exec("insert into bus_PI(keyNO, supNo, whNo) values('RK-1', 'S1', 'W2')");
    exec(
        "insert into bus_pi_det(keyNo, PIItemNo, PSNo, productNo, qty, des, pUnit) values "
        "('RK-1', 1, 'PO26120001', 'M1', 200, '圆钢 Φ60 304', 'kg'), "
        "('RK-1', 2, 'PO26120002', 'M2', 100, '钢板 δ20 Q235', 'kg')");
    exec("insert into bus_task(keyNo, gsNo, audited) values('RW-1', '26-11-0001', 1)");
    exec(
        "insert into bus_task_det(taskNo, keyNo, itemNo, gsNo, productNo, qty) values "
        "('26-11-0001-01', 'RW-1', 1, '26-11-0001', 'P1', 40)");
  }

  std::unique_ptr<Twh_Out_matForm> newIssue() {
    auto f = std::make_unique<Twh_Out_matForm>();
    f->formShow();
    f->newActionExecute();
    QComboBox* wh = f->headerCombo("whNo");
    wh->setCurrentIndex(wh->findData("W2"));
    return f;
  }

  std::function<int(Tsys_qryForm&)> answerQuery_;
};

TEST_F(MaterialIssueTest, UnitWeightFollowsQuantityAndProductCount) {
  auto f = newIssue();
  f->addActionExecute();
  client::Dataset& d = f->dCDS();
  typeInto(d, "qty", 12.5);
  EXPECT_TRUE(d.fieldByName("uwReal").isNull());  // no products yet: nothing to divide by
  typeInto(d, "pQty", 5);
  EXPECT_DOUBLE_EQ(d.fieldByName("uwReal").asFloat(), 2.5);
  typeInto(d, "qty", 20);
  EXPECT_DOUBLE_EQ(d.fieldByName("uwReal").asFloat(), 4);
  typeInto(d, "pQty", 8);  // a changed product count recomputes from the current quantity
  EXPECT_DOUBLE_EQ(d.fieldByName("uwReal").asFloat(), 2.5);

  typeInto(d, "pQty", 0);  // no division by 0: the weight stays
  EXPECT_DOUBLE_EQ(d.fieldByName("uwReal").asFloat(), 2.5);
  typeInto(d, "qty", 30);
  EXPECT_DOUBLE_EQ(d.fieldByName("uwReal").asFloat(), 2.5);
  typeInto(d, "pQty", "");  // cleared: a weight of products no longer counted goes too
  EXPECT_TRUE(d.fieldByName("uwReal").isNull());
  typeInto(d, "qty", 40);
  EXPECT_TRUE(d.fieldByName("uwReal").isNull());
}

TEST_F(MaterialIssueTest, BatchAndTaskCompletionFillTheirOwnHalfOfTheLine) {
  auto f = newIssue();
  f->addActionExecute();
  client::Dataset& d = f->dCDS();
  typeInto(d, "psNo", "PO26120001");
  EXPECT_EQ(d.fieldByName("productNo").asString(), "M1");
  EXPECT_EQ(d.fieldByName("matDes").asString(), "圆钢 Φ60 304");
  EXPECT_EQ(d.fieldByName("matUnit").asString(), "kg");

  typeInto(d, "taskNo", "26-11-0001-01");
  EXPECT_EQ(d.fieldByName("productNo").asString(), "M1");  // the material stays
  EXPECT_EQ(d.fieldByName("pName").asString(), "阀杆");
  EXPECT_EQ(d.fieldByName("pUnit").asString(), "件");
  EXPECT_EQ(d.fieldByName("def1").asString(), "红");
  EXPECT_DOUBLE_EQ(d.fieldByName("uwPlan").asFloat(), 1.8);
  EXPECT_EQ(d.fieldByName("matDes").asString(), "圆钢 Φ60 304");

  // Unknown numbers clear what they had filled; the typed numbers stay.
  typeInto(d, "taskNo", "26-11-0009-01");
  EXPECT_EQ(d.fieldByName("pName").asString(), "");
  EXPECT_DOUBLE_EQ(d.fieldByName("uwPlan").asFloat(), 0);
  EXPECT_EQ(d.fieldByName("taskNo").asString(), "26-11-0009-01");
  typeInto(d, "psNo", "PO-NONE");
  EXPECT_EQ(d.fieldByName("productNo").asString(), "");
  EXPECT_EQ(d.fieldByName("matDes").asString(), "");
  EXPECT_EQ(d.fieldByName("matUnit").asString(), "");
  EXPECT_EQ(d.fieldByName("psNo").asString(), "PO-NONE");

  f->isFilling = true;  // while a picker copies, neither completion runs
  typeInto(d, "psNo", "PO26120002");
  typeInto(d, "taskNo", "26-11-0001-01");
  EXPECT_EQ(d.fieldByName("productNo").asString(), "");
  EXPECT_EQ(d.fieldByName("pName").asString(), "");
}

TEST_F(MaterialIssueTest, BatchPickerAppendsInEveryStateAndTaskPickerOnlyOverwrites) {
  auto f = newIssue();
  answerQuery_ = [](Tsys_qryForm& d) {
    EXPECT_EQ(d.windowTitle(), "采购入库单查询");
    return pickRows(d, {"PO26120002", "PO26120001"}, "psNo");
  };
  f->runPicker("psNo");
  client::Dataset& d = f->dCDS();
  ASSERT_EQ(d.recordCount(), 2);
  EXPECT_EQ(d.valueAt(0, "psNo").toString(), "PO26120002");
  EXPECT_EQ(d.valueAt(0, "productNo").toString(), "M2");
  EXPECT_EQ(d.valueAt(0, "matDes").toString(), "钢板 δ20 Q235");
  EXPECT_EQ(d.valueAt(1, "matUnit").toString(), "kg");
  EXPECT_FALSE(f->isFilling);

  // The task picker overwrites the current line, once per marked row; no line is added.
  d.moveTo(0);
  answerQuery_ = [](Tsys_qryForm& d) {
    EXPECT_EQ(d.windowTitle(), "生产任务单查询");
    return pickRows(d, {"26-11-0001-01"}, "taskNo");
  };
  f->runPicker("taskNo");
  ASSERT_EQ(d.recordCount(), 2);
  EXPECT_EQ(d.valueAt(0, "taskNo").toString(), "26-11-0001-01");
  EXPECT_EQ(d.valueAt(0, "pName").toString(), "阀杆");
  EXPECT_EQ(d.valueAt(0, "productNo").toString(), "M2");  // the material is not the task's
  EXPECT_TRUE(d.valueAt(0, "uwPlan").isNull());           // only a typed task plans the weight
  EXPECT_EQ(d.valueAt(1, "taskNo").toString(), "");

  typeInto(d, "qty", 30, 0);
  typeInto(d, "qty", 12, 1);
  ASSERT_TRUE(f->saveDoc());
  EXPECT_EQ(count("select count(*) from wh_mat_det"), 2);

  // On an edited document the batch picker still adds a line per marked row.
  f->editActionExecute();
  answerQuery_ = [](Tsys_qryForm& d) { return pickRows(d, {"PO26120001", "PO26120002"}, "psNo"); };
  f->runPicker("psNo");
  ASSERT_EQ(d.recordCount(), 4);
  EXPECT_EQ(d.valueAt(2, "psNo").toString(), "PO26120001");
  EXPECT_EQ(d.valueAt(3, "psNo").toString(), "PO26120002");
  EXPECT_EQ(d.valueAt(0, "psNo").toString(), "PO26120002");  // the first line untouched
}

TEST_F(MaterialIssueTest, SaveChecksWarehouseThenLinesAndStoresTheIssue) {
  auto f = std::make_unique<Twh_Out_matForm>();
  f->formShow();
  f->newActionExecute();
  EXPECT_FALSE(f->saveDoc());
  EXPECT_EQ(prompter_.texts(), QStringList{"仓库 不能为空!"});
  EXPECT_EQ(prompter_.shown.back().icon, Prompter::Icon::Warning);

  QComboBox* wh = f->headerCombo("whNo");
  wh->setCurrentIndex(wh->findData("W2"));
  prompter_.clear();
  EXPECT_FALSE(f->saveDoc());
  EXPECT_EQ(prompter_.texts(), QStringList{"明细不能为空!"});

  f->addActionExecute();
  typeInto(f->dCDS(), "psNo", "PO26120001");
  prompter_.clear();
  EXPECT_FALSE(f->saveDoc());  // no quantity
  EXPECT_EQ(prompter_.texts(), QStringList{"产品编号和数量不能为空!"});

  typeInto(f->dCDS(), "qty", 90);
  typeInto(f->dCDS(), "uPrice", 6.5);
  typeInto(f->dCDS(), "taskNo", "26-11-0001-01");
  typeInto(f->dCDS(), "pQty", 40);
  EXPECT_DOUBLE_EQ(f->dCDS().fieldByName("amount").asFloat(), 585);
  prompter_.clear();
  ASSERT_TRUE(f->saveDoc());
  const QString keyNo = "LL-" + QDate::currentDate().toString("yy-MM-") + "0001";
  EXPECT_EQ(f->shownKeyNo(), keyNo);
  EXPECT_EQ(text("select keyNo || '|' || whNo || '|' || userName from wh_mat"),
            (keyNo + "|W2|admin").toStdString());
  EXPECT_EQ(text("select psNo || '|' || productNo || '|' || taskNo || '|' || pName || '|' || "
                 "itemNo || '|' || uwReal || '|' || uwPlan from wh_mat_det"),
            "PO26120001|M1|26-11-0001-01|阀杆|1|2.25|1.8");
  EXPECT_EQ(count("select count(*) from wh_mat where moDate is not null"), 1);
}

TEST_F(MaterialIssueTest, LineGridShowsMaterialAndProductUnderTheirGroups) {
  auto f = std::make_unique<Twh_Out_matForm>();
  f->formShow();
  client::DataGrid* grid = f->dataGrid();
  auto* header = qobject_cast<client::GroupHeader*>(grid->view()->horizontalHeader());
  ASSERT_NE(header, nullptr);
  EXPECT_TRUE(header->twoLevel());
  auto title = [&](const char* field) {
    const int logical = header->logicalIndex(grid->columnIndex(field));
    return header->groupText(logical) + "/" + header->titleText(logical);
  };
  EXPECT_EQ(title("psNo"), "原材料信息/采购批号");
  EXPECT_EQ(title("uwReal"), "产品信息/实际单重");
  // The two groups' cells each cover their own columns only.
  const int psNo = header->logicalIndex(grid->columnIndex("psNo"));
  EXPECT_EQ(header->groupRange(psNo).second, grid->columnIndex("amount"));
  EXPECT_LT(grid->columnIndex("amount"), grid->columnIndex("taskNo"));
  EXPECT_EQ(grid->columnIndex("def1"), -1);  // hidden until an administrator shows it
}

TEST_F(MaterialIssueTest, TheMainWindowsActionOpensTheIssue) {
  client::registerWarehouseScreens();
  const client::ScreenFactory* factory = client::findScreen("wh_mat_outAction");
  ASSERT_NE(factory, nullptr);
  std::unique_ptr<QDialog> dlg((*factory)(nullptr));
  ASSERT_NE(qobject_cast<Twh_Out_matForm*>(dlg.get()), nullptr);
  EXPECT_EQ(dlg->windowTitle(), "原材料出库单");
}

}  // namespace
}  // namespace qk::test
