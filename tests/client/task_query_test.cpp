// The task statistics screen against a real server: the department, item-number and entry-date
// conditions, the unprinted filter, and printing that counts exactly the listed lines.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QLineEdit>

#include "client/data/dataset.h"
#include "client/production/task_query_form.h"
#include "client/report/sys_report_form.h"
#include "client/widgets/data_grid.h"
#include "client_fixture.h"

namespace qk::test {
namespace {

using client::Tbus_task_qryForm;

class TaskQueryTest : public ClientTest {
 protected:
  void SetUp() override {
    ClientTest::SetUp();
    loginAdmin();
    exec(
        "insert into bas_dep(depNo, depName, isPlant) values ('D1', '金工车间', 1),"
        " ('D2', '装配车间', 1)");
    exec(
        "insert into bus_task(keyNo, gsNo, docDate) values"
        " ('T1', '26-12-0001', '2026-12-02 09:00:00'), ('T2', '26-12-0002', '2026-12-15 10:00:00'),"
        " ('T3', '26-12-0003', '2026-11-20 08:00:00')");
    exec(
        "insert into bus_task_det(taskNo, keyNo, itemNo, depNo, productNo, qty, printCnt) values"
        " ('26-12-0001-01', 'T1', 1, 'D1', 'P1', 1, 0), ('26-12-0001-02', 'T1', 2, 'D1', 'P2', 1, "
        "0),"
        " ('26-12-0002-01', 'T2', 1, 'D1', 'P1', 1, 0), ('26-12-0003-01', 'T3', 1, 'D1', 'P1', 1, "
        "2),"
        " ('26-12-0002-02', 'T2', 2, 'D2', 'P1', 1, 0)");
  }

  // The listed task-line numbers after a query with the given conditions.
  static QStringList query(Tbus_task_qryForm& f) {
    f.qryActionExecute();
    QStringList out;
    client::Dataset& ds = f.listCDS();
    for (int r = 0; r < ds.recordCount(); ++r) out << ds.valueAt(r, "taskNo").toString();
    return out;
  }
  static void department(Tbus_task_qryForm& f, const QString& name) {
    f.depCmb->setCurrentIndex(f.depCmb->findText(name));
  }
  static void range(Tbus_task_qryForm& f, const char* from, const char* to) {
    f.CheckBox1->setChecked(true);
    f.MaskEdit1->setText(from);
    f.MaskEdit2->setText(to);
  }
  qint64 printed(const char* taskNo) {
    return count(std::string("select printCnt from bus_task_det where taskNo = '") + taskNo + "'");
  }
  // The report dialog closes at once; its category and data are noted.
  void answerReport() {
    desktop_.on<client::Tsys_reportForm>([this](client::Tsys_reportForm& r) {
      reports_ << r.category;
      hasLines_ = r.reportData().source("生产任务单明细表") != nullptr;
      return QDialog::Rejected;
    });
  }

  QStringList reports_;
  bool hasLines_ = false;
};

TEST_F(TaskQueryTest, WithoutADepartmentNothingIsListed) {
  Tbus_task_qryForm f;
  EXPECT_EQ(f.depCmb->count(), 2);
  EXPECT_TRUE(f.CheckBox3->isChecked()) << "unprinted lines by default";
  EXPECT_EQ(query(f), QStringList{});
}

TEST_F(TaskQueryTest, AnItemRangeIncludesTheLinesOfItsUpperItem) {
  Tbus_task_qryForm f;
  department(f, "金工车间");
  f.CheckBox3->setChecked(false);
  EXPECT_EQ(query(f),
            QStringList({"26-12-0001-01", "26-12-0001-02", "26-12-0002-01", "26-12-0003-01"}));
  range(f, "26-12-0001", "26-12-0002");
  EXPECT_EQ(query(f), QStringList({"26-12-0001-01", "26-12-0001-02", "26-12-0002-01"}));
  range(f, "26-12-0001", "26-12-0001");
  EXPECT_EQ(query(f), QStringList({"26-12-0001-01", "26-12-0001-02"}));
  range(f, "26-12-0002", "26-12-0003");
  EXPECT_EQ(query(f), QStringList({"26-12-0002-01", "26-12-0003-01"}));
  // A quote in a typed value is a value, never SQL.
  department(f, "装配车间");
  f.CheckBox1->setChecked(false);
  f.depCmb->setEditable(true);
  f.depCmb->setCurrentText("x' or '1'='1");
  EXPECT_EQ(query(f), QStringList{});
}

TEST_F(TaskQueryTest, EntryDatesAndTheUnprintedFilterNarrowTheList) {
  Tbus_task_qryForm f;
  department(f, "金工车间");
  f.CheckBox2->setChecked(true);
  f.dt1->setDateTime(QDateTime(QDate(2026, 12, 1), QTime(0, 0)));
  f.dt2->setDateTime(QDateTime(QDate(2026, 12, 15), QTime(9, 59, 59)));
  EXPECT_EQ(query(f), QStringList({"26-12-0001-01", "26-12-0001-02"})) << "T2 came later";
  f.dt2->setDateTime(QDateTime(QDate(2026, 12, 31), QTime(23, 59, 59)));
  EXPECT_EQ(query(f), QStringList({"26-12-0001-01", "26-12-0001-02", "26-12-0002-01"}));
  f.CheckBox2->setChecked(false);
  EXPECT_EQ(query(f).size(), 3) << "26-12-0003-01 was printed before";
  f.CheckBox3->setChecked(false);
  EXPECT_EQ(query(f).size(), 4);
  EXPECT_EQ(f.grid()->footerText("taskNo"), "4");
}

TEST_F(TaskQueryTest, PrintingCountsExactlyTheListedLinesOnceConfirmed) {
  answerReport();
  Tbus_task_qryForm f;
  department(f, "金工车间");
  range(f, "26-12-0001", "26-12-0001");
  ASSERT_EQ(query(f).size(), 2);

  prompter_.answers = {1};  // 取消
  f.printActionExecute();
  EXPECT_EQ(reports_, QStringList{"bus_task"});
  EXPECT_TRUE(hasLines_);
  EXPECT_EQ(prompter_.texts(), QStringList{client::kTaskPrintConfirm});
  EXPECT_EQ(printed("26-12-0001-01"), 0);

  prompter_.answers = {0};  // 确定
  f.printActionExecute();
  EXPECT_EQ(printed("26-12-0001-01"), 1);
  EXPECT_EQ(printed("26-12-0001-02"), 1);
  EXPECT_EQ(printed("26-12-0002-01"), 0) << "not listed";
  EXPECT_EQ(printed("26-12-0002-02"), 0);
  EXPECT_EQ(printed("26-12-0003-01"), 2);
  EXPECT_EQ(query(f), QStringList{}) << "printed lines are no longer unprinted";
}

TEST_F(TaskQueryTest, AnEmptyListPrintsNothingAndCountsNothing) {
  Tbus_task_qryForm f;
  f.printActionExecute();  // before any query
  department(f, "装配车间");
  range(f, "26-12-0009", "26-12-0009");
  ASSERT_EQ(query(f), QStringList{});
  f.printActionExecute();
  EXPECT_EQ(prompter_.texts(),
            QStringList({client::kTaskNothingToPrint, client::kTaskNothingToPrint}));
  EXPECT_TRUE(desktop_.titles().isEmpty()) << "no report dialog";
  EXPECT_EQ(count("select sum(printCnt) from bus_task_det"), 2);
}

}  // namespace
}  // namespace qk::test
