// The production task against a real server: the header filled from the chosen sales-order line,
// the bill-of-materials tree beside the lines (quantities along the path, the line filter), the
// task-line numbers given at save, the hidden-tree setting, the checks and messages, the menus.
#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QMenu>

#include "client/data/dataset.h"
#include "client/data/settings.h"
#include "client/documents/gs_no_form.h"
#include "client/production/production_screens.h"
#include "client/production/task_form.h"
#include "client/production/task_query_form.h"
#include "client/query/sys_qry_form.h"
#include "client/widgets/screen_registry.h"
#include "client/widgets/tree_grid.h"
#include "client_fixture.h"

namespace qk::test {
namespace {

using client::Dataset;
using client::Prompter;
using client::Tbus_taskForm;

QStringList captions(const QAction* button) {
  QStringList out;
  if (button->menu())
    for (const QAction* a : button->menu()->actions()) out << a->text();
  return out;
}

class TaskFormTest : public ClientTest {
 protected:
  void SetUp() override {
    ClientTest::SetUp();
    loginAdmin();
    dm_->userName = "admin";
    saved_ = client::settings();
    answerConditions();
    desktop_.on<client::Tsys_qryForm>([this](client::Tsys_qryForm& d) {
      titles_ << d.windowTitle();
      Dataset& rows = d.listSP();
      for (int r = 0; r < rows.recordCount(); ++r)
        if (rows.valueAt(r, "gsNo").toString() == pick_) rows.moveTo(r);
      return int(pick_.isEmpty() ? QDialog::Rejected : QDialog::Accepted);
    });
    exec(
        "insert into bas_products(productNo, productName, productSize, productUnit, def1) values"
        " ('PRD', '闸阀', 'DN100', '台', '红'), ('A', '阀体', 'DN100', '件', ''),"
        " ('C', '螺栓', 'M16', '个', ''), ('D', '垫片', 'DN100', '片', '')");
    // PRD ← A (3 each) ← C (2 each); PRD ← D (4 each).
    exec(
        "insert into bom(productNo, partNo, itemNo, ylQty) values ('PRD', 'A', 1, 3),"
        " ('A', 'C', 1, 2), ('PRD', 'D', 2, 4)");
    exec("insert into bas_cust(custNo, custName) values ('C1', '东方阀门')");
    exec(QString("insert into bus_SO(keyNo, custNo, docDate, dlvDate) values"
                 " ('XS-1', 'C1', '%1', '2026-12-20')")
             .arg(QDate::currentDate().toString("yyyy-MM-dd")));
    exec(
        "insert into bus_so_det(gsNo, keyNo, itemNo, productNo, qty) values"
        " ('26-12-0001', 'XS-1', 1, 'PRD', 100), ('26-12-10000', 'XS-1', 2, 'D', 5)");
    exec("insert into bas_dep(depNo, depName, isPlant) values ('D1', '机加车间', 1)");
  }
  void TearDown() override {
    client::settings() = saved_;
    ClientTest::TearDown();
  }

  std::unique_ptr<Tbus_taskForm> open() {
    auto f = std::make_unique<Tbus_taskForm>();
    f->formShow();
    return f;
  }

  // A new task for the sales-order line chosen through the item number's button.
  std::unique_ptr<Tbus_taskForm> newTask(const QString& gsNo = "26-12-0001") {
    auto f = open();
    f->newActionExecute();
    pick_ = gsNo;
    f->headerButton("gsNo")->click();
    return f;
  }

  static void selectNode(Tbus_taskForm& f, const char* gNo) {
    Dataset& t = f.treeCDS();
    for (int r = 0; r < t.recordCount(); ++r)
      if (t.valueAt(r, "gNo").toString() == gNo) return t.moveTo(r);
    FAIL() << "no node " << gNo;
  }

  static void addFrom(Tbus_taskForm& f, const char* gNo) {
    selectNode(f, gNo);
    f.addActionExecute();
  }

  static void click(Tbus_taskForm& f, const char* gNo) {
    selectNode(f, gNo);
    f.bomCellClick();
  }

  QString headerText(Tbus_taskForm& f, const char* field) {
    return qobject_cast<QLineEdit*>(f.headerEditor(field))->text();
  }

  client::Settings saved_;
  QStringList titles_;
  QString pick_;
};

TEST_F(TaskFormTest, ChoosingAnItemShowsItsOrderLineAndTheTreeOfItsProduct) {
  auto f = newTask();
  EXPECT_EQ(titles_, QStringList{"销售订单查询"});
  EXPECT_EQ(f->mCDS().fieldByName("gsNo").asString(), "26-12-0001");
  EXPECT_EQ(f->mCDS().fieldByName("userName").asString(), "admin");
  EXPECT_EQ(f->mCDS().fieldByName("docDate").asDateTime().date(), QDate::currentDate());
  EXPECT_EQ(headerText(*f, "productNo"), "PRD");
  EXPECT_EQ(headerText(*f, "qty"), "100");
  EXPECT_EQ(headerText(*f, "dlvDate"), "2026-12-20");
  EXPECT_TRUE(headerText(*f, "des").contains("闸阀")) << headerText(*f, "des").toStdString();
  EXPECT_EQ(f->computedValue("pName").toString(), "闸阀");
  EXPECT_EQ(f->computedValue("def1").toString(), "红");
  EXPECT_EQ(column(f->treeCDS(), "gNo"), (QStringList{"PRD", "A", "C", "D"}));
  EXPECT_EQ(column(f->treeCDS(), "lev"), (QStringList{"0", "1", "2", "1"}));
  EXPECT_FALSE(f->bomGrid()->isHidden());

  // An item number without an order line leaves the header empty and the tree closed.
  exec("insert into bus_task(keyNo, gsNo) values ('RW-OLD', '26-12-0404')");
  f->loadDoc("RW-OLD");
  EXPECT_EQ(headerText(*f, "productNo"), "");
  EXPECT_EQ(f->computedValue("qty").toDouble(), 0);
  EXPECT_FALSE(f->treeCDS().active());
}

// ---- new lines from the tree

TEST_F(TaskFormTest, ALineTakesTheOrderedQuantityTimesTheUsagesUpToTheRoot) {
  auto f = newTask();
  addFrom(*f, "PRD");
  addFrom(*f, "A");
  addFrom(*f, "C");
  addFrom(*f, "D");
  Dataset& d = f->dCDS();
  EXPECT_EQ(column(d, "qty"), (QStringList{"100", "300", "600", "400"}));
  EXPECT_EQ(column(d, "productNo"), (QStringList{"PRD", "A", "C", "D"}));
  EXPECT_EQ(column(d, "pName"), (QStringList{"闸阀", "阀体", "螺栓", "垫片"}));
  EXPECT_EQ(column(d, "pUnit"), (QStringList{"台", "件", "个", "片"}));
  EXPECT_EQ(column(d, "gsNo"), QStringList(4, "26-12-0001"));
  EXPECT_EQ(column(d, "taskIdNo"), QStringList(4, "1"));
  EXPECT_EQ(column(d, "taskIdName"), QStringList(4, "正常生产"));
  EXPECT_EQ(d.valueAt(2, "pDate").toDateTime().date(), QDate::currentDate());
  ASSERT_TRUE(f->saveDoc());
  EXPECT_EQ(count("select sum(qty) from bus_task_det"), 1400);
}

TEST_F(TaskFormTest, ANodeWithoutUsageGivesNoQuantityAndTheSaveIsRefused) {
  auto f = newTask();
  selectNode(*f, "C");
  Dataset& t = f->treeCDS();
  t.edit();
  t.fieldByName("ylQty").setValue(0);  // a usage stored before the database refused it
  t.post();
  f->addActionExecute();
  EXPECT_EQ(f->dCDS().fieldByName("qty").asFloat(), 0);
  prompter_.clear();
  EXPECT_FALSE(f->saveDoc());
  EXPECT_EQ(prompter_.texts(), QStringList{"物料编号和数量不能为空!"});
  EXPECT_EQ(prompter_.shown[0].icon, Prompter::Icon::Warning);
  EXPECT_EQ(count("select count(*) from bus_task"), 0);
}

TEST_F(TaskFormTest, ClickingANodeShowsItsLinesYetSaveAndDeleteReachThemAll) {
  auto f = newTask();
  for (const char* n : {"A", "C", "C", "D"}) addFrom(*f, n);
  click(*f, "C");
  EXPECT_EQ(column(f->dCDS(), "productNo"), (QStringList{"C", "C"}));
  // A save with a filter on still numbers and stores every line.
  ASSERT_TRUE(f->saveDoc());
  EXPECT_EQ(count("select count(*) from bus_task_det where trim(taskNo) <> '' and itemNo > 0"), 4);
  EXPECT_EQ(text("select group_concat(itemNo, ',') from (select itemNo from bus_task_det "
                 "order by itemNo)"),
            "1,2,3,4");
  click(*f, "D");
  EXPECT_EQ(column(f->dCDS(), "productNo"), QStringList{"D"});
  click(*f, "PRD");
  EXPECT_EQ(f->dCDS().recordCount(), 4);
  click(*f, "A");
  f->loadDoc(f->shownKeyNo());
  EXPECT_EQ(f->dCDS().recordCount(), 4);
  EXPECT_FALSE(f->dCDS().filtered());
  EXPECT_EQ(f->treeCDS().recordCount(), 4) << "the tree is read again";

  // Deleting the task takes the lines the filter hides with it.
  click(*f, "C");
  prompter_.answers = {0};
  f->delActionExecute();
  EXPECT_EQ(count("select count(*) from bus_task"), 0);
  EXPECT_EQ(count("select count(*) from bus_task_det"), 0);
}

// ---- task-line numbers

TEST_F(TaskFormTest, NewLinesOfASaveGetConsecutiveSuffixesAndLaterOnesTheNextNumber) {
  auto f = newTask();
  for (const char* n : {"A", "C", "D"}) addFrom(*f, n);
  ASSERT_TRUE(f->saveDoc());
  EXPECT_EQ(prompter_.texts(), QStringList{"OK"});
  EXPECT_TRUE(f->shownKeyNo().startsWith("RW-")) << f->shownKeyNo().toStdString();
  EXPECT_EQ(column(f->dCDS(), "taskNo"),
            (QStringList{"26-12-0001-01", "26-12-0001-02", "26-12-0001-03"}));
  const QString first = f->shownKeyNo();

  f->editActionExecute();
  addFrom(*f, "PRD");
  ASSERT_TRUE(f->saveDoc());
  EXPECT_EQ(column(f->dCDS(), "taskNo"),
            (QStringList{"26-12-0001-01", "26-12-0001-02", "26-12-0001-03", "26-12-0001-04"}));
  EXPECT_EQ(f->shownKeyNo(), first);

  // A second task of the same item continues its numbers.
  auto g = newTask();
  addFrom(*g, "C");
  ASSERT_TRUE(g->saveDoc());
  EXPECT_EQ(column(g->dCDS(), "taskNo"), QStringList{"26-12-0001-05"});
  EXPECT_NE(g->shownKeyNo(), first);
  EXPECT_EQ(count("select count(*) from bus_task_det where keyNo = '" + first.toStdString() + "'"),
            4);
}

TEST_F(TaskFormTest, AnItemNumberPast9999IsTheStemOfItsTaskLineNumbers) {
  exec("insert into bus_task(keyNo, gsNo) values ('RW-X', '26-12-1000')");
  exec(
      "insert into bus_task_det(taskNo, keyNo, itemNo, productNo, qty) values"
      " ('26-12-1000-07', 'RW-X', 1, 'D', 1)");
  auto f = newTask("26-12-10000");
  EXPECT_EQ(column(f->treeCDS(), "gNo"), QStringList{"D"});
  addFrom(*f, "D");
  addFrom(*f, "D");
  ASSERT_TRUE(f->saveDoc());
  EXPECT_EQ(column(f->dCDS(), "taskNo"), (QStringList{"26-12-10000-01", "26-12-10000-02"}));
  EXPECT_EQ(column(f->dCDS(), "qty"), (QStringList{"5", "5"}));
}

// ---- the hidden tree

TEST_F(TaskFormTest, WithTheTreeHiddenANewLineIsTheOrderedProduct) {
  client::settings().hideBom = true;
  auto f = newTask();
  EXPECT_TRUE(f->bomGrid()->isHidden());
  EXPECT_FALSE(f->treeCDS().active());
  f->addActionExecute();
  Dataset& d = f->dCDS();
  ASSERT_EQ(d.recordCount(), 1);
  EXPECT_EQ(d.fieldByName("productNo").asString(), "PRD");
  EXPECT_EQ(d.fieldByName("pName").asString(), "闸阀");
  EXPECT_EQ(d.fieldByName("def1").asString(), "红");
  EXPECT_EQ(d.fieldByName("qty").asFloat(), 100);
  ASSERT_TRUE(f->saveDoc());
  EXPECT_FALSE(f->treeCDS().active()) << "not read after a load either";
  EXPECT_EQ(text("select taskNo from bus_task_det"), "26-12-0001-01");
}

// ---- checks and messages

TEST_F(TaskFormTest, ANewLineNeedsAnItemNumberAndATreeNode) {
  auto f = open();
  f->newActionExecute();
  f->addActionExecute();
  ASSERT_EQ(prompter_.shown.size(), 1u);
  EXPECT_EQ(prompter_.shown[0].text, "主表请先选择一物项号！");
  EXPECT_EQ(prompter_.shown[0].icon, Prompter::Icon::Information);
  prompter_.clear();
  EXPECT_FALSE(f->saveDoc());
  EXPECT_EQ(prompter_.texts(), QStringList{"物项号不能为空!"});
  prompter_.clear();

  // An item whose order line is gone has no product and so no tree.
  exec("insert into bus_task(keyNo, gsNo) values ('RW-OLD', '26-12-0404')");
  f->cancelActionExecute();
  f->loadDoc("RW-OLD");
  f->editActionExecute();
  f->addActionExecute();
  ASSERT_EQ(prompter_.shown.size(), 1u);
  EXPECT_EQ(prompter_.shown[0].text, "请选中左边物料清单某一项！");
  EXPECT_EQ(prompter_.shown[0].icon, Prompter::Icon::Information);
  EXPECT_TRUE(f->dCDS().isEmpty());
  prompter_.clear();
  EXPECT_FALSE(f->saveDoc());
  EXPECT_EQ(prompter_.texts(), QStringList{"明细不能为空!"});
}

TEST_F(TaskFormTest, ChoosingADepartmentByNameStoresItsNumber) {
  auto f = newTask();
  addFrom(*f, "A");
  Dataset& d = f->dCDS();
  d.edit();
  d.fieldByName("depName").setValue("机加车间");
  d.fieldByName("procName").setValue("无此工序");
  d.post();
  EXPECT_EQ(d.fieldByName("depNo").asString(), "D1");
  EXPECT_TRUE(d.fieldByName("procNo").isNull());
  ASSERT_TRUE(f->saveDoc());
  EXPECT_EQ(text("select depNo from bus_task_det"), "D1");
  f->loadDoc(f->shownKeyNo());
  EXPECT_EQ(f->dCDS().fieldByName("depName").asString(), "机加车间");
}

// ---- menus, audit, the main window

TEST_F(TaskFormTest, FindAndPrintMenusOpenTasksAndTheStatistics) {
  auto f = newTask();
  addFrom(*f, "A");
  ASSERT_TRUE(f->saveDoc());
  const QString saved = f->shownKeyNo();
  exec("insert into bus_task(keyNo, gsNo) values ('RW-ZZZ', '26-12-0404')");
  f->lastActionExecute();
  ASSERT_EQ(f->shownKeyNo(), "RW-ZZZ");
  prompter_.clear();

  EXPECT_EQ(captions(f->findAction), (QStringList{"自定义查找", "按物项号查找"}));
  EXPECT_EQ(captions(f->printAction), (QStringList{"打印", "分类打印"}));
  QString typed = "26-12-0001";
  desktop_.on<client::TgsNoForm>([&](client::TgsNoForm& d) {
    d.edit()->setText(typed);
    return int(QDialog::Accepted);
  });
  f->findAction->menu()->actions().at(1)->trigger();
  EXPECT_EQ(f->shownKeyNo(), saved);
  typed = "26-12-0999";
  f->findAction->menu()->actions().at(1)->trigger();
  EXPECT_EQ(f->shownKeyNo(), saved);
  ASSERT_EQ(prompter_.shown.size(), 1u);
  EXPECT_EQ(prompter_.shown[0].text, "无此物项号!");
  EXPECT_EQ(prompter_.shown[0].icon, Prompter::Icon::Stop);

  int statistics = 0;
  desktop_.on<client::Tbus_task_qryForm>([&](client::Tbus_task_qryForm& d) {
    EXPECT_EQ(d.parent(), f.get());
    ++statistics;
    return int(QDialog::Rejected);
  });
  f->printAction->menu()->actions().at(1)->trigger();
  EXPECT_EQ(statistics, 1);
}

TEST_F(TaskFormTest, AuditStampsTheTaskAndTheMainWindowsActionOpensTheLast) {
  auto f = newTask();
  addFrom(*f, "A");
  ASSERT_TRUE(f->saveDoc());
  prompter_.clear();
  f->audActionExecute();
  EXPECT_TRUE(f->mCDS().fieldByName("audited").asBoolean());
  EXPECT_EQ(text("select audName from bus_task where audited = 1"), "admin");
  f->editActionExecute();
  EXPECT_EQ(prompter_.texts(), QStringList{"此单已审核，请取消审核后修改！"});
  f->unaudActionExecute();
  EXPECT_EQ(count("select count(*) from bus_task where audited = 0"), 1);

  client::registerProductionScreens();
  const client::ScreenFactory* factory = client::findScreen("bus_taskAction");
  ASSERT_NE(factory, nullptr);
  std::unique_ptr<QDialog> dlg((*factory)(nullptr));
  auto* g = qobject_cast<Tbus_taskForm*>(dlg.get());
  ASSERT_NE(g, nullptr);
  EXPECT_EQ(g->windowTitle(), "生产任务单");
  EXPECT_EQ(g->shownKeyNo(), f->shownKeyNo());
  EXPECT_EQ(g->treeCDS().recordCount(), 4);
}

}  // namespace
}  // namespace qk::test
