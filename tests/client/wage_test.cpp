// Wage and outsourcing-fee statistics against a real server: the totals of a period are the
// sums of their records (rates from the process quotas, outsourced work as fees), the whole last
// day counts, a new query clears the records of the old one, and each screen prints its own
// heading.
#include <QDate>
#include <QPrintPreviewDialog>
#include <QPrinter>

#include "client/data/dataset.h"
#include "client/production/wage_fee_forms.h"
#include "client/widgets/sel_date_form.h"
#include "client_fixture.h"

namespace qk::test {
namespace {

using client::Tqry_feeForm;
using client::Tqry_wageForm;
using client::TselDateForm;
using client::WageStatisticsForm;

QString at(const QDate& day, const char* time) {
  return day.toString("yyyy-MM-dd ") + time;
}

class WageTest : public DocumentScreenTest {
 protected:
  void SetUp() override {
    DocumentScreenTest::SetUp();
    desktop_.on<TselDateForm>([](TselDateForm&) { return int(QDialog::Accepted); });
    exec("insert into bas_staff(staffNo, staffName) values('E1', '张三'), ('E2', '李四')");
    exec(
        "insert into bas_dep(depNo, depName, isPlant, isOw) values('D1', '机加车间', 1, 0), "
        "('D9', '外协镀锌厂', 0, 1)");
    exec("insert into bas_process(procNo, procName) values('01', '车削'), ('02', '镀锌')");
    exec(
        "insert into bas_products(productNo, productName, productSize) values('P1', '阀杆', "
        "'M20')");
    exec(
        "insert into bas_quote(productNo, procNo, quote) values('P1', '01', 2.5), ('P1', '02', "
        "0.8)");
    exec(
        "insert into bus_task_det(taskNo, productNo, procNo, depNo, qty) values "
        "('26-12-0001-01', 'P1', '01', 'D1', 20), ('26-12-0001-02', 'P1', '02', 'D9', 60)");
    const QDate today = QDate::currentDate();
    const QDate lastMonth = QDate(today.year(), today.month(), 1).addDays(-1);
    exec(QString("insert into bus_flow(taskNo, staffNo, gqty, inspDate) values "
                 "('26-12-0001-01', 'E1', 10, '%1'), ('26-12-0001-01', 'E1', 3, '%2'), "
                 "('26-12-0001-01', 'E2', 4, '%1'), ('26-12-0001-01', 'E1', 100, '%3'), "
                 "('26-12-0001-02', '', 50, '%1'), ('26-12-0001-02', '', 5, '%2')")
             .arg(at(today, "00:00:00"), at(today, "23:30:00"), at(lastMonth, "12:00:00")));
  }

  // Each total of the summary against the sum of the records its click shows.
  void expectTotalsAreSumsOfDetails(WageStatisticsForm& f) {
    client::Dataset& m = f.summaryCDS();
    for (int r = 0; r < m.recordCount(); ++r) {
      f.DBGridEh1CellClick(r);
      double sum = 0;
      for (int d = 0; d < f.detailCDS().recordCount(); ++d)
        sum += f.detailCDS().valueAt(d, "wage").toDouble();
      EXPECT_NEAR(sum, m.valueAt(r, "wage").toDouble(), 1e-9) << r;
    }
  }

  QString printedHeading(WageStatisticsForm& f, bool detail) {
    QString heading;
    desktop_.on<QPrintPreviewDialog>([&heading](QPrintPreviewDialog& d) {
      heading = d.printer()->docName();
      return int(QDialog::Rejected);
    });
    detail ? f.N2Click() : f.N1Click();
    return heading;
  }
};

TEST_F(WageTest, TotalsOfThePeriodAreTheSumsOfTheirRecords) {
  Tqry_wageForm wages;
  wages.qryActionExecute();
  EXPECT_EQ(wages.startDate().time(), QTime(0, 0));
  EXPECT_EQ(wages.endDate().time(), QTime(23, 59, 59));
  client::Dataset& m = wages.summaryCDS();
  EXPECT_EQ(column(m, "staffNo"), (QStringList{"E1", "E2"}));
  EXPECT_EQ(column(m, "staffName"), (QStringList{"张三", "李四"}));
  // 13 pieces at 2.5 (the last month's 100 pieces are outside), 4 pieces at 2.5.
  EXPECT_EQ(column(m, "wage"), (QStringList{"32.5", "10"}));
  expectTotalsAreSumsOfDetails(wages);
  wages.DBGridEh1CellClick(0);
  client::Dataset& d = wages.detailCDS();
  ASSERT_EQ(d.recordCount(), 2);
  EXPECT_EQ(d.valueAt(1, "taskNo").toString(), "26-12-0001-01");
  EXPECT_EQ(d.valueAt(1, "procName").toString(), "车削");
  EXPECT_EQ(d.valueAt(1, "des").toString(), "阀杆 M20");
  EXPECT_DOUBLE_EQ(d.valueAt(1, "quote").toDouble(), 2.5);
  EXPECT_DOUBLE_EQ(d.valueAt(1, "gqty").toDouble(), 3);

  // Outsourced work is the department's fee, not anyone's wage.
  Tqry_feeForm fees;
  fees.qryActionExecute();
  EXPECT_EQ(column(fees.summaryCDS(), "depNo"), QStringList{"D9"});
  EXPECT_EQ(column(fees.summaryCDS(), "wage"), QStringList{"44"});
  expectTotalsAreSumsOfDetails(fees);
  EXPECT_EQ(fees.detailCDS().recordCount(), 2);
}

TEST_F(WageTest, ANewQueryClearsTheRecordsAndEachScreenPrintsItsOwnHeading) {
  Tqry_wageForm wages;
  wages.qryActionExecute();
  wages.DBGridEh1CellClick(1);
  EXPECT_EQ(wages.detailCDS().recordCount(), 1);
  wages.qryActionExecute();
  EXPECT_EQ(wages.detailCDS().recordCount(), 0);
  EXPECT_EQ(wages.DBGridEh2->footerSum("wage"), 0);

  EXPECT_EQ(printedHeading(wages, false), "工资统计");
  EXPECT_EQ(printedHeading(wages, true), "工资统计");
  Tqry_feeForm fees;
  EXPECT_EQ(printedHeading(fees, false), "加工费统计");
}

}  // namespace
}  // namespace qk::test
