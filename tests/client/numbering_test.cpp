// Document, item, batch and task-line numbers against the real server and its seeded rules.
#include <gtest/gtest.h>

#include "client/data/data_error.h"
#include "client/data/numbering.h"
#include "client_fixture.h"

namespace qk::test {
namespace {

using client::nextGsNo;
using client::nextKeyNo;
using client::nextPsNo;
using client::nextTaskNo;

class NumberingTest : public ClientTest {
 protected:
  void SetUp() override {
    ClientTest::SetUp();
    loginAdmin();
  }
  const QDate dec5{2026, 12, 5};
};

TEST_F(NumberingTest, DocumentNumbersFollowTheRuleAndTheHighestStoredNumber) {
  client::Dataset& pub = dm_->pubCDS;
  EXPECT_EQ(nextKeyNo("wh_in", pub, dec5), "RK-26-12-0001");
  exec("insert into wh_In (keyNo) values ('RK-26-12-0007'), ('RK-26-12-0003'), ('RK-26-11-0042')");
  EXPECT_EQ(nextKeyNo("wh_in", pub, dec5), "RK-26-12-0008");
  // A new month starts again: the prefix changes with it.
  EXPECT_EQ(nextKeyNo("wh_in", pub, QDate(2027, 1, 2)), "RK-27-01-0001");
  EXPECT_EQ(nextKeyNo("wh_in", pub, QDate(2026, 11, 30)), "RK-26-11-0043");
  // The routine leaves the dataset open on its last query.
  EXPECT_TRUE(pub.active());
}

TEST_F(NumberingTest, SequencesGrowWiderPastTheirWidthAndKeepCounting) {
  client::Dataset& pub = dm_->pubCDS;
  exec("insert into wh_In (keyNo) values ('RK-26-12-9999')");
  EXPECT_EQ(nextKeyNo("wh_in", pub, dec5), "RK-26-12-10000");
  exec("insert into wh_In (keyNo) values ('RK-26-12-10000')");
  // By text "…9999" sorts after "…10000"; the wider number is the higher one.
  EXPECT_EQ(nextKeyNo("wh_in", pub, dec5), "RK-26-12-10001");
}

TEST_F(NumberingTest, RuleVariantsShapeThePrefix) {
  client::Dataset& pub = dm_->pubCDS;
  exec("update bas_form set formsep = '', formcode = '年月日' where tableName = 'wh_in'");
  EXPECT_EQ(nextKeyNo("wh_in", pub, dec5), "RK2612050001");
  exec("update bas_form set formsep = '-', formcode = '' where tableName = 'wh_in'");
  EXPECT_EQ(nextKeyNo("wh_in", pub, dec5), "RK--0001");
  exec("update bas_form set formsep = '/', formcode = '年' where tableName = 'wh_in'");
  EXPECT_EQ(nextKeyNo("wh_in", pub, dec5), "RK/26/0001");
  // Wildcard characters in a head are matched literally.
  exec(
      "update bas_form set formHead = 'R_', formsep = '', formcode = '' where tableName = 'wh_in'");
  exec("insert into wh_In (keyNo) values ('RX0005')");
  EXPECT_EQ(nextKeyNo("wh_in", pub, dec5), "R_0001");
}

TEST_F(NumberingTest, MissingRulesAndNonNumericNumbersStopWithAClearMessage) {
  client::Dataset& pub = dm_->pubCDS;
  EXPECT_EQ(dataErrorOf([&] { nextKeyNo("bus_nothing", pub, dec5); }),
            "表 bus_nothing 没有单据编号规则（bas_form），无法生成单据号");
  exec("insert into wh_Out (keyNo) values ('CK-26-12-00AB')");
  EXPECT_EQ(dataErrorOf([&] { nextKeyNo("wh_out", pub, dec5); }),
            "已有的最大编号“CK-26-12-00AB”的末尾 4 位不是数字，无法生成新编号");
  exec(
      "insert into bas_form (tableName, formHead, formcode, formsep, formbegin) values "
      "('x; drop table wh_In', 'X', '', '', '01')");
  EXPECT_EQ(dataErrorOf([&] { nextKeyNo("x; drop table wh_In", pub, dec5); }),
            "无效的表名或字段名：x; drop table wh_In");
}

TEST_F(NumberingTest, ItemBatchAndTaskLineNumbers) {
  client::Dataset& pub = dm_->pubCDS;
  EXPECT_EQ(nextGsNo(pub, dec5), "26-12-0001");
  exec("insert into bus_so_det (gsNo, keyNo, itemNo) values ('26-12-0001', 'X', 1)");
  EXPECT_EQ(nextGsNo(pub, dec5), "26-12-0002");
  EXPECT_EQ(nextPsNo(pub, dec5), "PO26120001");
  exec("insert into bus_po_det (psNo, keyNo, POItemNo) values ('PO26120001', 'X', 1)");
  EXPECT_EQ(nextPsNo(pub, dec5), "PO26120002");
  EXPECT_EQ(nextTaskNo("26-12-0003", pub), "26-12-0003-01");
  exec("insert into bus_task_det (taskNo, keyNo) values ('26-12-0003-01', 'T')");
  EXPECT_EQ(nextTaskNo("26-12-0003", pub), "26-12-0003-02");
  exec("insert into bus_task_det (taskNo, keyNo) values ('26-12-0003-09', 'T')");
  EXPECT_EQ(nextTaskNo("26-12-0003", pub), "26-12-0003-10");
  // Another item's lines do not count.
  EXPECT_EQ(nextTaskNo("26-12-0004", pub), "26-12-0004-01");
}

TEST_F(NumberingTest, TaskLinesOfAFiveDigitItemNumber) {
  client::Dataset& pub = dm_->pubCDS;
  // The 10 000th item of a month has a number one character wider.
  exec(
      "insert into bus_task_det (taskNo, keyNo) values ('26-12-10000-01', 'T'), "
      "('26-12-10000-02', 'T')");
  EXPECT_EQ(nextTaskNo("26-12-10000", pub), "26-12-10000-03");
  // Item 26-12-1000 is a prefix of 26-12-10000 but has no lines of its own yet.
  EXPECT_EQ(nextTaskNo("26-12-1000", pub), "26-12-1000-01");
  exec("insert into bus_task_det (taskNo, keyNo) values ('26-12-1000-01', 'T')");
  EXPECT_EQ(nextTaskNo("26-12-1000", pub), "26-12-1000-02");
  EXPECT_EQ(nextTaskNo("26-12-10000", pub), "26-12-10000-03");
}

}  // namespace
}  // namespace qk::test
