// The bill-of-materials screen against a real server: a bill built level by level through the
// screen and read back with the database's identities, changes and deletes reaching exactly
// their line, the root protected, the save checks with their texts, the database's refusal of a
// cycle, and the part, drawing and product pickers.
#include <gtest/gtest.h>

#include <QAction>

#include "client/data/dataset.h"
#include "client/production/bom_form.h"
#include "client/query/sys_qry_form.h"
#include "client/widgets/tree_grid.h"
#include "client_fixture.h"

namespace qk::test {
namespace {

using client::Dataset;
using client::TbomForm;
using client::Tsys_qryForm;

class BomTest : public ClientTest {
 protected:
  void SetUp() override {
    ClientTest::SetUp();
    loginAdmin();
    answerConditions();
    desktop_.on<Tsys_qryForm>([this](Tsys_qryForm& d) {
      titles_ << d.windowTitle();
      if (pick_.isEmpty()) return int(QDialog::Rejected);
      Dataset& rows = d.listSP();
      for (int r = 0; r < rows.recordCount(); ++r)
        if (rows.valueAt(r, pickField_).toString() == pick_) rows.moveTo(r);
      d.selBtnClick();
      return d.result();
    });
    exec(
        "insert into bas_products(productNo, productName, productSize, productUnit, def1) values"
        " ('PRD', '闸阀', 'DN100', '台', ''), ('A', '阀体', 'DN100', '件', '铸'),"
        " ('B', '阀盖', 'DN100', '件', ''), ('C', '螺栓', 'M16', '个', ''),"
        " ('D', '垫片', 'DN100', '片', '')");
    exec("insert into bas_drawing(drwNo, productNo) values ('DW-01', 'A')");
  }

  // Starts a line under the current one and types its part and usage.
  static void addLine(TbomForm& f, const char* part, const QVariant& qty) {
    f.addActionExecute();
    Dataset& t = f.treeCDS();
    t.fieldByName("gNo").setValue(part);
    t.fieldByName("ylQty").setValue(qty);
    t.fieldByName("itemNo").setValue(1);
  }
  static void moveToPart(TbomForm& f, const char* part) {
    Dataset& t = f.treeCDS();
    for (int r = 0; r < t.recordCount(); ++r)
      if (t.valueAt(r, "gNo").toString() == part) return t.moveTo(r);
    FAIL() << "no line " << part;
  }
  qint64 bomCount() { return count("select count(*) from bom"); }
  // A number the database holds, whole or not.
  double number(const std::string& sql) {
    const protocol::Value v = scalar(sql);
    if (const double* d = std::get_if<double>(&v)) return *d;
    if (const std::int64_t* i = std::get_if<std::int64_t>(&v)) return double(*i);
    return -1;
  }

  QStringList titles_;
  QString pick_, pickField_ = "productNo";
};

TEST_F(BomTest, ADeepBillBuiltThroughTheScreenReloadsWithTheDatabasesIds) {
  TbomForm f;
  f.openForProduct("PRD");
  Dataset& t = f.treeCDS();
  ASSERT_EQ(t.recordCount(), 1) << "the product alone";
  EXPECT_EQ(t.fieldByName("lev").asInteger(), 0);

  addLine(f, "A", 2);
  f.saveActionExecute();
  const qint64 a = t.fieldByName("sysId").asInteger();
  EXPECT_EQ(a, count("select sysid from bom where productNo = 'PRD' and partNo = 'A'"));
  EXPECT_EQ(count("select effectDate is null and invalidDate is null from bom"), 1)
      << "empty dates are stored as null";

  addLine(f, "B", 3);
  f.saveActionExecute();
  addLine(f, "C", 4);  // under B, a level-2 line
  EXPECT_EQ(t.fieldByName("lev").asInteger(), 3);
  f.saveActionExecute();
  const qint64 c = t.fieldByName("sysId").asInteger();
  EXPECT_EQ(text("select productNo from bom where partNo = 'C'"), "B")
      << "the stored parent is the part of the row it was inserted under";

  // A change right after the insert reaches exactly that line.
  f.editActionExecute();
  t.fieldByName("ylQty").setValue(5);
  f.saveActionExecute();
  EXPECT_EQ(number(QString("select ylQty from bom where sysid = %1").arg(c).toStdString()), 5);
  EXPECT_EQ(number("select ylQty from bom where partNo = 'B'"), 3);

  // And a delete right after an insert takes only that line.
  moveToPart(f, "PRD");
  addLine(f, "D", 1);
  f.saveActionExecute();
  prompter_.answers = {0};
  f.delActionExecute();
  EXPECT_EQ(prompter_.texts(), QStringList{client::kBomConfirmDelete});
  EXPECT_EQ(count("select count(*) from bom where partNo = 'D'"), 0);
  EXPECT_EQ(bomCount(), 3);

  f.loadTree();
  ASSERT_EQ(t.recordCount(), 4);
  QStringList read;
  for (int r = 0; r < t.recordCount(); ++r)
    read << QString("%1:%2:%3")
                .arg(t.valueAt(r, "lev").toInt())
                .arg(t.valueAt(r, "gNo").toString(), t.valueAt(r, "ylQty").toString());
  EXPECT_EQ(read, QStringList({"0:PRD:1", "1:A:2", "2:B:3", "3:C:5"}));
  moveToPart(f, "A");
  EXPECT_EQ(t.fieldByName("sysId").asInteger(), a);
}

TEST_F(BomTest, AChangeToASharedSubAssemblyShowsInEveryPlaceItIsUsed) {
  // B is used under A and under D, so B and its lines appear twice in the tree.
  exec(
      "insert into bom(productNo, partNo, itemNo, ylQty) values ('PRD', 'A', 1, 1),"
      " ('PRD', 'D', 2, 1), ('A', 'B', 1, 2), ('D', 'B', 1, 3)");
  TbomForm f;
  f.openForProduct("PRD");
  Dataset& t = f.treeCDS();
  const auto values = [&](const char* part) {
    QStringList out;
    for (int r = 0; r < t.recordCount(); ++r)
      if (t.valueAt(r, "gNo").toString() == part) out << t.valueAt(r, "ylQty").toString();
    return out;
  };
  moveToPart(f, "B");
  addLine(f, "C", 4);
  f.saveActionExecute();
  EXPECT_EQ(values("C"), QStringList({"4", "4"})) << "the new line under both uses of B";
  EXPECT_EQ(t.fieldByName("gNo").asString(), "C") << "back on the line just saved";

  f.editActionExecute();
  t.fieldByName("ylQty").setValue(6);
  f.saveActionExecute();
  EXPECT_EQ(values("C"), QStringList({"6", "6"}));

  prompter_.answers = {0};
  f.delActionExecute();
  EXPECT_TRUE(values("C").isEmpty());
  EXPECT_EQ(t.fieldByName("gNo").asString(), "B") << "on the deleted line's parent";
  EXPECT_EQ(values("B"), QStringList({"2", "3"})) << "each use keeps its own line";
}

TEST_F(BomTest, TheRootCanBeNeitherSavedNorDeleted) {
  TbomForm f;
  f.openForProduct("PRD");
  Dataset& t = f.treeCDS();
  f.editActionExecute();
  t.fieldByName("ylQty").setValue(9);
  EXPECT_THROW(f.saveActionExecute(), client::Abort);
  EXPECT_EQ(prompter_.texts(), QStringList{client::kBomRootNotEditable});
  EXPECT_EQ(t.state(), Dataset::State::Edit) << "kept for the user to cancel";
  f.cancelActionExecute();

  prompter_.clear();
  f.delActionExecute();
  EXPECT_EQ(prompter_.texts(), QStringList{client::kBomRootNotDeletable}) << "and nothing asked";
  EXPECT_EQ(t.recordCount(), 1);
}

TEST_F(BomTest, SaveChecksComeInOrderAndKeepTheLine) {
  TbomForm f;
  f.openForProduct("PRD");
  Dataset& t = f.treeCDS();
  f.addActionExecute();
  EXPECT_THROW(f.saveActionExecute(), client::Abort);
  t.fieldByName("gNo").setValue("A");
  EXPECT_THROW(f.saveActionExecute(), client::Abort);  // no usage at all
  t.fieldByName("ylQty").setValue(0);
  EXPECT_THROW(f.saveActionExecute(), client::Abort);
  EXPECT_EQ(prompter_.texts(),
            QStringList({client::kBomPartEmpty, client::kBomQtyEmpty, client::kBomQtyEmpty}));
  EXPECT_EQ(t.state(), Dataset::State::Insert);
  EXPECT_EQ(bomCount(), 0);
  t.fieldByName("ylQty").setValue(1.5);
  f.saveActionExecute();
  EXPECT_EQ(bomCount(), 1);
}

TEST_F(BomTest, ACycleIsRefusedWithTheServersTextAndTheLineStaysForCorrection) {
  exec(
      "insert into bom(productNo, partNo, itemNo, ylQty) values ('PRD', 'A', 1, 2), ('A', 'B', 1, "
      "3)");
  TbomForm f;
  f.openForProduct("PRD");
  Dataset& t = f.treeCDS();
  ASSERT_EQ(t.recordCount(), 3);
  moveToPart(f, "B");
  addLine(f, "PRD", 1);
  const QString refusal = dataErrorOf([&] { f.saveActionExecute(); });
  EXPECT_NE(refusal, "<no error>");
  EXPECT_FALSE(refusal.isEmpty());
  EXPECT_EQ(t.state(), Dataset::State::Insert);
  EXPECT_EQ(bomCount(), 2);

  t.fieldByName("gNo").setValue("C");
  f.saveActionExecute();
  EXPECT_EQ(text("select productNo from bom where partNo = 'C'"), "B");
}

TEST_F(BomTest, PickersFillTheLineAndDoNothingOnTheRoot) {
  TbomForm f;
  f.openForProduct("PRD");
  Dataset& t = f.treeCDS();
  pick_ = "A";
  f.gNoButtonClick();
  EXPECT_TRUE(titles_.isEmpty()) << "the root's part is the product itself";
  EXPECT_EQ(t.state(), Dataset::State::Browse);

  f.addActionExecute();
  f.gNoButtonClick();
  EXPECT_EQ(titles_, QStringList{"物料查询"});
  EXPECT_EQ(t.fieldByName("gNo").asString(), "A");
  EXPECT_EQ(t.fieldByName("productName").asString(), "阀体");
  EXPECT_EQ(t.fieldByName("def1").asString(), "铸");
  pick_ = "DW-01";
  pickField_ = "drwNo";
  f.drwNoButtonClick();
  EXPECT_EQ(titles_.last(), "图纸查询");
  EXPECT_EQ(t.fieldByName("drwNo").asString(), "DW-01");
  t.fieldByName("ylQty").setValue(1);
  f.saveActionExecute();
  EXPECT_EQ(text("select drwNo from bom where partNo = 'A'"), "DW-01");
}

TEST_F(BomTest, OpenedWithoutAProductTheTreeIsEmptyUntilFindPicksOne) {
  TbomForm f;
  EXPECT_TRUE(f.findAction->isVisible());
  EXPECT_FALSE(f.treeCDS().active());
  f.addActionExecute();  // nothing to insert under
  EXPECT_FALSE(f.treeCDS().active());
  pick_ = "PRD";
  f.findActionExecute();
  EXPECT_EQ(titles_, QStringList{"物料查询"});
  EXPECT_EQ(f.productNo(), "PRD");
  EXPECT_EQ(f.treeCDS().recordCount(), 1);

  TbomForm fromProducts;
  fromProducts.openForProduct("PRD");
  EXPECT_FALSE(fromProducts.findAction->isVisible()) << "the products screen passes its product";
}

}  // namespace
}  // namespace qk::test
