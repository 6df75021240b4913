// The tree grid editing a real dataset from a real server: cells edited in place with the grid's
// editors, read-only columns and a read-only tree, children inserted under the current row,
// subtrees removed, cell buttons, and a tree that stays whole while values change.
#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QHeaderView>
#include <QLineEdit>
#include <QTreeView>

#include "client/data/dataset.h"
#include "client/widgets/grid_delegate.h"
#include "client/widgets/tree_grid.h"
#include "connection_fixture.h"
#include "support/scripted_desktop.h"
#include "support/widget_input.h"

namespace qk::test {
namespace {

using client::CellButton;
using client::Dataset;
using client::GridColumn;
using client::TreeGrid;

class TreeGridTest : public DataModuleTest {
 protected:
  void SetUp() override {
    DataModuleTest::SetUp();
    client::setDesktop(&desktop_);
    loginAdmin();
    // A product, two parts, a sub-part; node 5 is a second use of the sub-assembly 3.
    exec(
        "create table ##bom (nodeId integer, parentNodeId integer, lev integer, gNo nvarchar(20),"
        " mType nvarchar(10), effectDate datetime, stoped boolean, ylQty decimal(18,5))");
    exec(
        "insert into ##bom values (1, 0, 0, 'PRD', '', null, 0, 1),"
        " (2, 1, 1, 'A', '主料', null, 0, 2), (3, 1, 1, 'B', '辅料', '2024-01-01', 0, 3),"
        " (4, 3, 2, 'B1', '主料', null, 1, 4), (5, 2, 2, 'B', '辅料', null, 0, 1)");
    ds_ = open("select * from ##bom order by nodeId");
    tree_.setColumns(columns());
    tree_.setIdField("nodeId");
    tree_.setParentField("parentNodeId");
    tree_.setDataset(ds_.get());
    tree_.setAlwaysExpanded(true);
    tree_.resize(600, 300);
    tree_.show();
    settle();
  }
  void TearDown() override {
    tree_.setDataset(nullptr);
    ds_.reset();
    client::setDesktop(nullptr);
    DataModuleTest::TearDown();
  }

  static std::vector<GridColumn> columns() {
    std::vector<GridColumn> cols =
        client::gridColumns({"lev", "gNo", "mType", "effectDate", "stoped", "ylQty"});
    cols[0].readOnly = true;
    cols[1].button = CellButton::Ellipsis;
    cols[2].pickList = {QString::fromUtf8("主料"), QString::fromUtf8("辅料")};
    return cols;
  }
  QAbstractItemModel* model() const { return tree_.view()->model(); }
  // The cell of a dataset row in a column, as the view shows it.
  QModelIndex cell(int row, int column) const {
    const QModelIndex at = tree_.indexOf(row);
    return at.sibling(at.row(), column);
  }
  // The part numbers under a row of the view, in order.
  QStringList childParts(const QModelIndex& parent) const {
    QStringList out;
    for (int r = 0; r < model()->rowCount(parent); ++r)
      out << model()->index(r, 1, parent).data().toString();
    return out;
  }
  QWidget* openEditor(int row, int column) {
    tree_.view()->setCurrentIndex(cell(row, column));
    tree_.view()->edit(cell(row, column));
    settle();
    return tree_.view()->indexWidget(cell(row, column));
  }

  ScriptedDesktop desktop_;
  std::unique_ptr<Dataset> ds_;
  TreeGrid tree_;
};

TEST_F(TreeGridTest, AReadOnlyTreeOffersNoEditorAndKeepsItsCheckBoxesFixed) {
  tree_.setEditable(false);
  EXPECT_FALSE(model()->flags(cell(1, 1)) & Qt::ItemIsEditable);
  EXPECT_FALSE(model()->setData(cell(1, 1), "X"));
  EXPECT_EQ(openEditor(1, 1), nullptr);
  EXPECT_FALSE(model()->setData(cell(3, 4), Qt::Unchecked, Qt::CheckStateRole));
  EXPECT_EQ(ds_->valueAt(1, "gNo").toString(), "A");
  EXPECT_TRUE(ds_->valueAt(3, "stoped").toBool());
  EXPECT_EQ(ds_->state(), Dataset::State::Browse);
}

TEST_F(TreeGridTest, CellsEditInPlaceWithPickListsCalendarsAndCheckBoxes) {
  tree_.setEditable(true);
  EXPECT_FALSE(model()->flags(cell(1, 0)) & Qt::ItemIsEditable) << "a read-only column";
  EXPECT_EQ(openEditor(1, 0), nullptr);

  auto* kind = qobject_cast<QComboBox*>(openEditor(1, 2));
  ASSERT_NE(kind, nullptr) << "a pick list";
  EXPECT_EQ(kind->count(), 2);
  kind->setCurrentIndex(1);
  tree_.commitEdit();
  EXPECT_EQ(ds_->fieldByName("mType").asString(), QString::fromUtf8("辅料"));
  EXPECT_EQ(ds_->state(), Dataset::State::Edit);

  auto* date = qobject_cast<QDateTimeEdit*>(openEditor(1, 3));
  ASSERT_NE(date, nullptr) << "a calendar for a date";
  date->setDate(QDate(2025, 3, 1));
  tree_.commitEdit();
  EXPECT_EQ(ds_->fieldByName("effectDate").asDateTime(), QDateTime(QDate(2025, 3, 1), QTime(0, 0)));

  auto* part = qobject_cast<QLineEdit*>(openEditor(1, 1));
  ASSERT_NE(part, nullptr);
  part->setText("A2");
  tree_.commitEdit();
  ds_->post();
  EXPECT_EQ(ds_->valueAt(1, "gNo").toString(), "A2");
  EXPECT_EQ(model()->data(cell(1, 1)).toString(), "A2");

  // A check box toggles on a click in its cell, and only there.
  ASSERT_TRUE(model()->flags(cell(3, 4)) & Qt::ItemIsUserCheckable);
  EXPECT_FALSE(model()->data(cell(3, 4)).isValid()) << "no True/False text under the box";
  click(tree_.view()->viewport(), tree_.view()->visualRect(cell(3, 4)).center());
  ds_->post();
  EXPECT_FALSE(ds_->valueAt(3, "stoped").toBool());
  EXPECT_EQ(ds_->currentRow(), 3);
}

TEST_F(TreeGridTest, ValueChangesKeepTheOpenEditorAndTheExpandedTree) {
  tree_.setEditable(true);
  QWidget* editor = openEditor(2, 5);
  ASSERT_NE(editor, nullptr);
  const QModelIndex sub = cell(2, 0);
  tree_.view()->collapse(sub);
  ds_->edit();
  ds_->fieldByName("mType").setValue(QString::fromUtf8("主料"));
  settle();
  EXPECT_EQ(tree_.view()->indexWidget(cell(2, 5)), editor) << "no rebuild for a value";
  EXPECT_FALSE(tree_.view()->isExpanded(sub)) << "nor a new expansion";
  ds_->post();
}

TEST_F(TreeGridTest, InsertedRowsHangUnderTheCurrentRowWithKeysOfTheirOwn) {
  tree_.setEditable(true);
  ds_->moveTo(3);  // B1 under B under PRD
  EXPECT_EQ(tree_.insertChild(), 3);
  EXPECT_EQ(ds_->state(), Dataset::State::Insert);
  EXPECT_EQ(ds_->fieldByName("parentNodeId").asInteger(), 4);
  EXPECT_EQ(ds_->fieldByName("nodeId").asInteger(), 6) << "after the highest key";
  ds_->fieldByName("gNo").setValue("B11");
  ds_->post();

  const QModelIndex b1 = cell(3, 0);
  EXPECT_EQ(childParts(b1), QStringList({"B11"}));
  EXPECT_TRUE(tree_.view()->isExpanded(b1)) << "everything stays expanded";
  EXPECT_EQ(tree_.rowOf(tree_.view()->currentIndex()), ds_->currentRow());

  // The next insert under the new row gets yet another key.
  EXPECT_EQ(tree_.insertChild(), 5);
  EXPECT_EQ(ds_->fieldByName("nodeId").asInteger(), 7);
  EXPECT_EQ(ds_->fieldByName("parentNodeId").asInteger(), 6);
  ds_->cancel();
  EXPECT_EQ(ds_->recordCount(), 6);

  // An empty tree takes its first row at the top.
  Dataset empty(*conn_, "pubDSP");
  empty.setCommandText("select * from ##bom where 1 = 0");
  empty.open();
  tree_.setDataset(&empty);
  EXPECT_EQ(tree_.insertChild(), -1);
  EXPECT_TRUE(empty.fieldByName("parentNodeId").isNull());
  EXPECT_EQ(empty.fieldByName("nodeId").asInteger(), 1);
  empty.post();
  EXPECT_EQ(model()->rowCount(), 1);
  tree_.setDataset(ds_.get());
}

TEST_F(TreeGridTest, DeletingARowTakesEverythingBelowItAndLeavesTheOtherUses) {
  tree_.setEditable(true);
  ds_->moveTo(2);  // B with B1 below it; node 5 is B again, under A
  tree_.deleteCurrent();
  QStringList left;
  for (int r = 0; r < ds_->recordCount(); ++r) left << ds_->valueAt(r, "nodeId").toString();
  EXPECT_EQ(left, QStringList({"1", "2", "5"}));
  EXPECT_EQ(ds_->valueAt(ds_->currentRow(), "gNo").toString(), "PRD") << "back on its parent";
  EXPECT_EQ(model()->rowCount(), 1) << "no orphan at the top";
  EXPECT_EQ(childParts(cell(0, 0)), QStringList({"A"}));

  // A record being inserted is only given up.
  tree_.insertChild();
  tree_.deleteCurrent();
  EXPECT_EQ(ds_->recordCount(), 3);
  EXPECT_EQ(ds_->state(), Dataset::State::Browse);

  // A delete hook that refuses keeps the row and its children.
  ds_->beforeDelete = [](Dataset&) { throw client::Abort(); };
  ds_->moveTo(1);
  EXPECT_THROW(tree_.deleteCurrent(), client::Abort);
  EXPECT_EQ(ds_->recordCount(), 3);
}

TEST_F(TreeGridTest, ColumnsALayoutHidesTakeNoRoom) {
  std::vector<GridColumn> cols = columns();
  cols[5].visible = false;
  tree_.setColumns(cols);
  EXPECT_TRUE(tree_.view()->header()->isSectionHidden(5));
  EXPECT_FALSE(tree_.view()->header()->isSectionHidden(1));
  ds_->edit();
  ds_->fieldByName("nodeId").setValue(9);  // a rebuild keeps it hidden
  ds_->post();
  EXPECT_TRUE(tree_.view()->header()->isSectionHidden(5));
}

TEST_F(TreeGridTest, CellButtonsReportTheirFieldOnTheirRow) {
  tree_.setEditable(true);
  QList<std::pair<QString, int>> pressed;
  QObject::connect(&tree_, &TreeGrid::buttonClicked, [&](const QString& f, int r) {
    pressed.push_back({f, r});
  });
  const QRect at = tree_.view()->visualRect(cell(4, 1));
  click(tree_.view()->viewport(), QPoint(at.left() + 3, at.center().y()));
  EXPECT_TRUE(pressed.isEmpty()) << "the text part is no button";
  click(tree_.view()->viewport(), client::GridDelegate::buttonRect(at).center());
  ASSERT_EQ(pressed.size(), 1);
  EXPECT_EQ(pressed[0], std::make_pair(QString("gNo"), 4));
  EXPECT_EQ(ds_->currentRow(), 4);
}

}  // namespace
}  // namespace qk::test
