// The grid over real datasets from a real server: footer sums and their alignment, two-level
// titles, column layouts from sys_col, check boxes, title sorting, row numbers, grouping, cell
// buttons and editors, the cursor, printing to PDF and export to .xlsx, the tree grid.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QLineEdit>
#include <QPointer>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QProcess>
#include <QRegularExpression>
#include <QScrollBar>
#include <QStandardPaths>
#include <QTableView>
#include <QTreeView>

#include "client/data/connection.h"
#include "client/data/data_error.h"
#include "client/data/data_module.h"
#include "client/data/dataset.h"
#include "client/data/dataset_model.h"
#include "client/widgets/data_grid.h"
#include "client/widgets/grid_delegate.h"
#include "client/widgets/grid_header.h"
#include "client/widgets/grid_output.h"
#include "client/widgets/tree_grid.h"
#include "connection_fixture.h"
#include "support/scripted_desktop.h"
#include "support/test_prompter.h"
#include "support/test_server.h"
#include "support/widget_input.h"

namespace qk::test {
namespace {

using client::CellButton;
using client::DataError;
using client::DataGrid;
using client::Dataset;
using client::FooterKind;
using client::GridColumn;
using client::TreeGrid;

class GridTest : public DataModuleTest {
 protected:
  void SetUp() override {
    DataModuleTest::SetUp();
    client::setDesktop(&desktop_);
    loginAdmin();
  }
  void TearDown() override {
    client::setDesktop(nullptr);
    DataModuleTest::TearDown();
  }

  // Order lines in a temporary table of this session: group, item, quantity, price, date.
  void createLines() {
    exec(
        "create table ##lines (id integer primary key, grp nvarchar(10), item nvarchar(40),"
        " qty decimal(18,5), price float, made datetime, note nvarchar(200))");
  }
  void seedLines() {
    createLines();
    exec(
        "insert into ##lines (id, grp, item, qty, price, made) values"
        " (1, 'A', 'P-100', 1.5, 10, '2024-03-05 00:00:00'),"
        " (2, 'A', 'P-200', 2.25, 20, '2024-03-06 08:30:00'),"
        " (3, 'B', 'P-300', 1000, 0.5, '2024-03-07 00:00:00'),"
        " (4, 'C', 'P-050', 4, 1, null)");
  }
  void seedMany(int count) {
    createLines();
    exec(QString("insert into ##lines (id, grp, item, qty, price)"
                 " with recursive n(i) as (select 1 union all select i + 1 from n where i < %1)"
                 " select i, 'G' || (i / 25), 'P-' || i, i, 1 from n")
             .arg(count));
  }
  std::unique_ptr<Dataset> lines() { return open("select * from ##lines order by id"); }
  std::unique_ptr<Dataset> seededLines() {
    seedLines();
    return lines();
  }
  // Shows a widget at a size a user's window would give it, and lets it settle.
  static void showAt(QWidget& w, int width, int height) {
    w.resize(width, height);
    w.show();
    settle();
  }

  ScriptedDesktop desktop_;
};

GridColumn col(const char* field, const char* title, int width = 80) {
  GridColumn c;
  c.field = field;
  c.title = QString::fromUtf8(title);
  c.width = width;
  return c;
}

GridColumn sumCol(const char* field, const char* title, const char* format = "#,##0.00") {
  GridColumn c = col(field, title);
  c.footer = FooterKind::Sum;
  c.displayFormat = format;
  return c;
}

QPoint cellCenter(DataGrid& g, int viewRow, int viewColumn) {
  return g.view()->visualRect(g.view()->model()->index(viewRow, viewColumn)).center();
}
void clickTitle(DataGrid& g, int viewColumn) {
  QHeaderView* h = g.view()->horizontalHeader();
  click(h->viewport(),
        QPoint(h->sectionViewportPosition(viewColumn) + h->sectionSize(viewColumn) / 2,
               h->height() - 4));
}
QString cellText(DataGrid& g, int viewRow, int viewColumn) {
  return g.view()->model()->index(viewRow, viewColumn).data().toString();
}
QStringList items(Dataset& ds) {
  QStringList out;
  for (int r = 0; r < ds.recordCount(); ++r) out << ds.valueAt(r, "item").toString();
  return out;
}
client::FooterHeader* footerOf(DataGrid& g) {
  return g.findChild<client::FooterHeader*>();
}

// Runs a program, answering its standard output ("" when it is not installed).
QString run(const QString& program, const QStringList& args) {
  if (QStandardPaths::findExecutable(program).isEmpty()) return {};
  QProcess p;
  p.start(program, args);
  p.waitForFinished(30000);
  return QString::fromUtf8(p.readAllStandardOutput());
}

// ---- footer ---------------------------------------------------------------------------------

TEST_F(GridTest, FooterSumsFollowEditsInsertsDeletesAndFilters) {
  auto ds = seededLines();
  DataGrid grid;
  GridColumn count = col("item", "物料");
  count.footer = FooterKind::Count;
  GridColumn text = col("grp", "组");
  text.footer = FooterKind::Text;
  text.footerText = QString::fromUtf8("合计");
  grid.setColumns({text, count, sumCol("qty", "数量"), sumCol("price", "单价", "")});
  grid.setDataset(ds.get());
  grid.setFooterVisible(true);

  EXPECT_EQ(grid.footerText("qty"), "1,007.75");
  EXPECT_DOUBLE_EQ(grid.footerSum("qty"), 1007.75);
  EXPECT_EQ(grid.footerText("price"), "31.5");  // no format: the field's plain number
  EXPECT_EQ(grid.footerText("item"), "4");
  EXPECT_EQ(grid.footerText("grp"), QString::fromUtf8("合计"));

  // An edit through the grid counts before it is posted.
  QAbstractItemModel* m = grid.view()->model();
  ASSERT_TRUE(m->setData(m->index(0, 2), "11.5"));
  EXPECT_EQ(ds->state(), Dataset::State::Edit);
  EXPECT_EQ(grid.footerText("qty"), "1,017.75");

  ds->append();
  ds->fieldByName("id").setValue(5);
  ds->fieldByName("qty").setValue(0.25);
  ds->post();
  EXPECT_EQ(grid.footerText("qty"), "1,018.00");
  EXPECT_EQ(grid.footerText("item"), "5");

  ASSERT_TRUE(ds->locate("item", "P-300"));
  ds->remove();
  EXPECT_EQ(grid.footerText("qty"), "18.00");

  ds->setFilter([](const client::Record& r) { return r.value("grp").toString() == "A"; });
  EXPECT_EQ(grid.footerText("qty"), "13.75");
  EXPECT_EQ(grid.footerText("item"), "2");

  ds->fieldByName("qty").displayFormat = "0.0";
  grid.column("qty")->displayFormat.clear();
  grid.refresh();
  EXPECT_EQ(grid.footerText("qty"), "13.8");  // the field's format when the column has none

  ds->close();
  EXPECT_EQ(grid.footerText("qty"), "");
}

TEST_F(GridTest, FooterStaysAlignedWhileResizingMovingAndScrolling) {
  auto ds = seededLines();
  DataGrid grid;
  std::vector<GridColumn> cols;
  for (const char* f : {"id", "grp", "item", "qty", "price", "made", "note"})
    cols.push_back(col(f, f, 150));
  cols[3] = sumCol("qty", "数量");
  cols[3].width = 150;
  grid.setColumns(cols);
  grid.setDataset(ds.get());
  grid.setRowNumbers(true);
  grid.setFooterVisible(true);
  showAt(grid, 500, 300);

  QHeaderView* titles = grid.view()->horizontalHeader();
  client::FooterHeader* footer = footerOf(grid);
  ASSERT_NE(footer, nullptr);
  auto expectAligned = [&](const char* when) {
    SCOPED_TRACE(when);
    ASSERT_EQ(footer->count(), titles->count());
    EXPECT_EQ(footer->offset(), titles->offset());
    for (int l = 0; l < titles->count(); ++l) {
      EXPECT_EQ(footer->sectionSize(l), titles->sectionSize(l)) << l;
      EXPECT_EQ(footer->sectionViewportPosition(l), titles->sectionViewportPosition(l)) << l;
    }
    QWidget* viewport = grid.view()->viewport();
    EXPECT_EQ(footer->mapToGlobal(QPoint(0, 0)).x(), viewport->mapToGlobal(QPoint(0, 0)).x());
    EXPECT_EQ(footer->width(), viewport->width());
    // Right under the data area, above the scroll bar.
    EXPECT_EQ(footer->mapToGlobal(QPoint(0, 0)).y(),
              viewport->mapToGlobal(QPoint(0, viewport->height())).y());
  };
  expectAligned("at first");

  titles->resizeSection(1, 260);
  settle();
  expectAligned("after resizing a column");
  EXPECT_EQ(grid.column("grp")->width, 260);

  grid.view()->horizontalScrollBar()->setValue(300);
  settle();
  EXPECT_GT(titles->offset(), 0);
  expectAligned("after scrolling");

  titles->moveSection(titles->visualIndex(0), 2);  // "id" dragged after "item"
  settle();
  expectAligned("after moving a column");
  QStringList order;
  for (const GridColumn& c : grid.columns()) order << c.field;
  EXPECT_EQ(order, QStringList({"grp", "item", "id", "qty", "price", "made", "note"}));
  EXPECT_EQ(grid.columnIndex("id"), 2);
  EXPECT_EQ(grid.footerText("qty"), "1,007.75");
}

// ---- titles ---------------------------------------------------------------------------------

TEST_F(GridTest, TwoLevelTitlesShareGroupCellsAcrossAdjacentColumns) {
  auto ds = seededLines();
  DataGrid grid;
  grid.setColumns({col("item", "物料描述|物料编号"), col("grp", "物料描述|类别"),
                   col("qty", "重量信息|单重"), col("note", "备注"),
                   col("price", "物料描述|单价")});
  grid.setDataset(ds.get());
  auto* header = qobject_cast<client::GroupHeader*>(grid.view()->horizontalHeader());
  ASSERT_NE(header, nullptr);

  EXPECT_TRUE(header->twoLevel());
  EXPECT_EQ(header->groupRange(0), std::make_pair(0, 1));
  EXPECT_EQ(header->groupRange(1), std::make_pair(0, 1));
  EXPECT_EQ(header->groupRange(2), std::make_pair(2, 2));
  EXPECT_EQ(header->groupRange(4), std::make_pair(4, 4));  // same group, not adjacent
  EXPECT_EQ(header->groupText(0), QString::fromUtf8("物料描述"));
  EXPECT_EQ(header->titleText(0), QString::fromUtf8("物料编号"));
  EXPECT_EQ(header->groupText(3), "");  // spans both levels
  EXPECT_EQ(header->titleText(3), QString::fromUtf8("备注"));
  EXPECT_EQ(header->sizeHint().height(), 2 * header->levelHeight());

  grid.setColumns({col("item", "物料编号"), col("qty", "数量")});
  EXPECT_FALSE(header->twoLevel());
  EXPECT_EQ(header->sizeHint().height(), header->levelHeight());
}

TEST_F(GridTest, WithoutColumnsEveryVisibleFieldIsAColumnTitledByItsLabel) {
  auto ds = seededLines();
  ds->fieldByName("note").visible = false;
  ds->fieldByName("qty").displayLabel = QString::fromUtf8("数量");
  DataGrid grid;
  grid.setDataset(ds.get());
  QStringList fields, titles;
  for (const GridColumn& c : grid.columns()) fields << c.field;
  QAbstractItemModel* m = grid.view()->model();
  for (int c = 0; c < m->columnCount(); ++c) titles << m->headerData(c, Qt::Horizontal).toString();
  EXPECT_EQ(fields, QStringList({"id", "grp", "item", "qty", "price", "made"}));
  EXPECT_EQ(titles[3], QString::fromUtf8("数量"));
  EXPECT_EQ(grid.columnIndex("note"), -1);

  grid.addColumn(col("item", "物料"));  // explicit columns replace the automatic ones
  EXPECT_EQ(grid.columns().size(), 1u);
  EXPECT_EQ(grid.view()->model()->columnCount(), 1);
}

// ---- layouts --------------------------------------------------------------------------------

TEST_F(GridTest, LayoutFromSysColSetsCaptionWidthOrderAndVisibility) {
  seedLines();
  exec(
      "insert into sys_col (tableName, rowNo, fieldName, visible, width, tableCName, fieldCName,"
      " defaultName) values"
      " ('grid_lines', 0, 'qty', 1, 90, '测试', '数量', '数量'),"
      " ('grid_lines', 1, 'item', 1, 130, '测试', '物料|编号', '编号'),"
      " ('grid_lines', 2, 'price', 0, 70, '测试', '单价', '单价'),"
      " ('grid_lines', 3, 'made', 1, null, '测试', '', ''),"
      " ('grid_lines', 4, 'qty', 1, 500, '测试', '重复', '重复')");  // a second row: ignored
  auto ds = lines();
  DataGrid grid;
  grid.setColumns({col("id", "序号", 50), col("item", "物料"), col("qty", "qty"),
                   col("price", "price"), col("made", "日期", 110), col("grp", "组")});
  grid.setDataset(ds.get());

  EXPECT_FALSE(grid.applyLayout(dm_->pubCDS, "no_such_layout"));
  ASSERT_TRUE(grid.applyLayout(dm_->pubCDS, "grid_lines"));

  QStringList order, titles;
  for (const GridColumn& c : grid.columns()) order << c.field;
  EXPECT_EQ(order, QStringList({"qty", "item", "price", "made", "id", "grp"}));
  QAbstractItemModel* m = grid.view()->model();
  for (int c = 0; c < m->columnCount(); ++c) titles << m->headerData(c, Qt::Horizontal).toString();
  EXPECT_EQ(titles, QStringList({QString::fromUtf8("数量"), QString::fromUtf8("物料|编号"),
                                 QString::fromUtf8("日期"), QString::fromUtf8("序号"),
                                 QString::fromUtf8("组")}));
  QHeaderView* h = grid.view()->horizontalHeader();
  EXPECT_EQ(h->sectionSize(0), 90);
  EXPECT_EQ(h->sectionSize(1), 130);
  EXPECT_EQ(h->sectionSize(2), 110);  // no width in the layout: the column keeps its own
  EXPECT_EQ(grid.columnIndex("price"), -1);
  EXPECT_FALSE(grid.column("price")->visible);
  // The hidden column's field stays in the dataset; labels follow the captions.
  EXPECT_DOUBLE_EQ(ds->valueAt(0, "price").toDouble(), 10.0);
  EXPECT_EQ(ds->fieldByName("qty").label(), QString::fromUtf8("数量"));
  EXPECT_EQ(ds->fieldByName("item").label(), QString::fromUtf8("物料|编号"));
  EXPECT_EQ(ds->fieldByName("made").label(), "made");
  EXPECT_TRUE(qobject_cast<client::GroupHeader*>(h)->twoLevel());
}

TEST_F(GridTest, ColumnsTheLayoutDoesNotNameKeepTheirCaptionWidthAndPlace) {
  seedLines();
  // The layout names two columns at the places they already have and moves a third to the front.
  exec(
      "insert into sys_col (tableName, rowNo, fieldName, visible, width, tableCName, fieldCName,"
      " defaultName) values"
      " ('part_lines', 0, 'made', 1, 100, '测试', '日期', '日期'),"
      " ('part_lines', 3, 'qty', 1, 60, '测试', '数量', '数量'),"
      " ('part_lines', 4, 'price', 1, 70, '测试', '单价', '单价')");
  auto ds = lines();
  DataGrid grid;
  grid.setColumns({col("id", "序号", 50), col("item", "物料", 130), col("qty", "qty"),
                   col("price", "price"), col("made", "made"), col("grp", "组", 45)});
  grid.setDataset(ds.get());
  ASSERT_TRUE(grid.applyLayout(dm_->pubCDS, "part_lines"));

  QStringList order;
  for (const GridColumn& c : grid.columns()) order << c.field;
  EXPECT_EQ(order, QStringList({"made", "id", "item", "qty", "price", "grp"}));
  EXPECT_EQ(grid.column("item")->title, QString::fromUtf8("物料"));
  EXPECT_EQ(grid.column("grp")->title, QString::fromUtf8("组"));
  QHeaderView* h = grid.view()->horizontalHeader();
  EXPECT_EQ(h->sectionSize(grid.columnIndex("item")), 130);
  EXPECT_EQ(h->sectionSize(grid.columnIndex("grp")), 45);
  EXPECT_EQ(h->sectionSize(grid.columnIndex("qty")), 60);
}

// ---- check boxes ----------------------------------------------------------------------------

TEST_F(GridTest, CheckedRowsComeInCheckingOrderAndStayWithTheirRecords) {
  auto ds = seededLines();
  DataGrid grid;
  grid.setColumns({col("item", "物料"), sumCol("qty", "数量")});
  grid.setDataset(ds.get());
  grid.setReadOnly(true);
  grid.setCheckBoxes(true);
  grid.setTitleSort(true);
  showAt(grid, 400, 300);
  QWidget* vp = grid.view()->viewport();

  for (int row : {2, 0, 3}) click(vp, cellCenter(grid, row, 0));
  EXPECT_EQ(grid.checkedRows(), QList<int>({2, 0, 3}));
  click(vp, cellCenter(grid, 0, 0));  // a second click unchecks
  EXPECT_EQ(grid.checkedRows(), QList<int>({2, 3}));
  EXPECT_EQ(grid.view()->model()->index(2, 0).data(Qt::CheckStateRole).toInt(), Qt::Checked);

  // Clicking elsewhere in the row selects it without checking it.
  click(vp, cellCenter(grid, 1, 1));
  EXPECT_EQ(grid.checkedRows(), QList<int>({2, 3}));
  key(grid.view(), Qt::Key_Space);  // the space bar checks the current row
  EXPECT_EQ(grid.checkedRows(), QList<int>({2, 3, 1}));

  clickTitle(grid, 2);  // sort by quantity: the checks stay with P-300, P-050 and P-200
  QStringList checked;
  for (int r : grid.checkedRows()) checked << ds->valueAt(r, "item").toString();
  EXPECT_EQ(checked, QStringList({"P-300", "P-050", "P-200"}));

  ds->setFilter([](const client::Record& r) { return r.value("item").toString() != "P-050"; });
  checked.clear();
  for (int r : grid.checkedRows()) checked << ds->valueAt(r, "item").toString();
  EXPECT_EQ(checked, QStringList({"P-300", "P-200"}));
  ds->clearFilter();
  EXPECT_EQ(grid.checkedRows().size(), 3);

  grid.clearChecks();
  EXPECT_TRUE(grid.checkedRows().isEmpty());
  grid.setChecked(1, true);
  ds->setCommandText("select * from ##lines order by id");
  ds->open();
  EXPECT_TRUE(grid.checkedRows().isEmpty()) << "a reopened dataset starts unchecked";
}

// ---- sorting and numbering ------------------------------------------------------------------

TEST_F(GridTest, AMarkedRowIsTintedWithItsReasonAndFollowsItsRecordUntilUnmarked) {
  auto ds = seededLines();
  DataGrid grid;
  grid.setColumns({col("item", "物料", 120), sumCol("qty", "数量")});
  grid.setDataset(ds.get());
  grid.setTitleSort(true);
  showAt(grid, 400, 300);
  grid.markRow(2, "重复的编号");  // P-300
  settle();
  // Beside the text of the item cells: red in the marked row, the grid's white in the others.
  const QImage shot = grid.view()->viewport()->grab().toImage();
  auto besideText = [&](int row) {
    const QRect cell = grid.view()->visualRect(grid.view()->model()->index(row, 0));
    return shot.pixelColor(cell.right() - 4, cell.center().y());
  };
  EXPECT_GT(besideText(2).red(), besideText(2).green() + 40);
  EXPECT_EQ(besideText(1), besideText(3));
  EXPECT_GT(besideText(1).green(), 240);
  EXPECT_EQ(grid.view()->model()->index(2, 1).data(Qt::ToolTipRole).toString(), "重复的编号");
  EXPECT_FALSE(grid.view()->model()->index(1, 1).data(Qt::ToolTipRole).isValid());

  // Edited and sorted elsewhere, the record keeps its mark.
  ds->moveTo(2);
  ds->edit();
  ds->fieldByName("item").setValue("P-301");
  ds->post();
  clickTitle(grid, 1);  // by quantity: P-100, P-200, P-050, P-301
  EXPECT_EQ(grid.rowMark(3), "重复的编号");
  EXPECT_EQ(grid.rowMark(2), "");
  grid.unmarkRow(3);
  EXPECT_EQ(grid.rowMark(3), "");
  grid.markRow(0, "太长");
  ds->setCommandText("select * from ##lines order by id");
  ds->open();
  EXPECT_EQ(grid.rowMark(0), "") << "a reopened dataset holds other records";
}

TEST_F(GridTest, FooterSumsStayUnderTheirColumnsWithTheCheckBoxColumn) {
  auto ds = seededLines();
  DataGrid grid;
  GridColumn item = col("item", "物料", 110);
  item.footer = FooterKind::Text;
  item.footerText = "合计";
  GridColumn qty = sumCol("qty", "数量", "#,##0.00"), price = sumCol("price", "单价", "0.0");
  qty.width = price.width = 110;
  grid.setColumns({item, qty, price});
  grid.setDataset(ds.get());
  grid.setReadOnly(true);
  grid.setRowNumbers(true);
  grid.setFooterVisible(true);
  grid.setCheckBoxes(true);  // as in every picker: a column in front of the data
  showAt(grid, 520, 260);

  QHeaderView* titles = grid.view()->horizontalHeader();
  client::FooterHeader* footer = footerOf(grid);
  ASSERT_NE(footer, nullptr);
  const QImage shot = grid.grab().toImage();
  const int top = footer->mapTo(&grid, QPoint(0, 0)).y();
  // The columns as the title row places them, in the grid's own coordinates.
  auto span = [&](const QString& field) {
    const int c = grid.columnIndex(field) + 1;  // past the check-box column
    const int left = titles->mapTo(&grid, QPoint(titles->sectionViewportPosition(c), 0)).x();
    return std::pair{left, left + titles->sectionSize(c) - 1};
  };
  // Where the footer's text is drawn: the dark pixels of the footer row.
  auto ink = [&](int from, int to) {
    int first = -1, last = -1;
    for (int x = from; x <= to; ++x)
      for (int y = top + 2; y < top + footer->height() - 2; ++y)
        if (shot.pixelColor(x, y).lightness() < 100) {
          if (first < 0) first = x;
          last = x;
        }
    return std::pair{first, last};
  };
  for (const char* field : {"qty", "price"}) {
    SCOPED_TRACE(field);
    const auto [left, right] = span(field);
    const auto [first, last] = ink(left, right);
    ASSERT_GE(first, 0) << "the sum is drawn under its own column";
    EXPECT_GT(first, left + 2);
    EXPECT_LE(right - last, 10) << "flush right under the column, as its numbers are";
    EXPECT_EQ(ink(right - 1, right + 1).first, -1) << "no text across the column's edge";
  }
  const auto [left, right] = span("item");
  const auto [first, last] = ink(left, right);
  ASSERT_GE(first, 0);
  EXPECT_LE(std::abs((first + last) / 2 - (left + right) / 2), 3) << "合计 centred under 物料";
  EXPECT_EQ(ink(0, left - 2).first, -1) << "nothing under the check boxes";
}

TEST_F(GridTest, TitleClickSortsAscendingThenDescendingAndAlwaysReportsTheField) {
  auto ds = seededLines();
  DataGrid grid;
  grid.setColumns({col("item", "物料"), col("grp", "组|类别"), sumCol("qty", "数量")});
  grid.setDataset(ds.get());
  grid.setReadOnly(true);
  showAt(grid, 400, 300);
  QStringList clicked;
  QObject::connect(&grid, &DataGrid::titleClicked, [&](const QString& f) { clicked << f; });

  clickTitle(grid, 2);  // sorting is off: the order stays
  EXPECT_EQ(items(*ds), QStringList({"P-100", "P-200", "P-300", "P-050"}));
  EXPECT_EQ(clicked, QStringList({"qty"}));

  grid.setTitleSort(true);
  clickTitle(grid, 2);
  EXPECT_EQ(items(*ds), QStringList({"P-100", "P-200", "P-050", "P-300"}));
  QHeaderView* h = grid.view()->horizontalHeader();
  EXPECT_TRUE(h->isSortIndicatorShown());
  EXPECT_EQ(h->sortIndicatorSection(), 2);
  EXPECT_EQ(h->sortIndicatorOrder(), Qt::AscendingOrder);
  clickTitle(grid, 2);
  EXPECT_EQ(items(*ds), QStringList({"P-300", "P-050", "P-200", "P-100"}));
  EXPECT_EQ(h->sortIndicatorOrder(), Qt::DescendingOrder);
  clickTitle(grid, 0);  // another column starts ascending again
  EXPECT_EQ(items(*ds), QStringList({"P-050", "P-100", "P-200", "P-300"}));
  EXPECT_EQ(clicked, QStringList({"qty", "qty", "qty", "item"}));

  // A click on a group cell is not a click on the column under it.
  click(h->viewport(), QPoint(h->sectionViewportPosition(1) + 10, 3));
  EXPECT_EQ(clicked.size(), 4);
}

// ---- grouping -------------------------------------------------------------------------------

TEST_F(GridTest, GroupingInsertsCaptionsAndGroupFootersAndMapsRowsBack) {
  auto ds = seededLines();
  DataGrid grid;
  GridColumn label = col("item", "物料");
  label.footer = FooterKind::Text;
  label.footerText = QString::fromUtf8("合计");
  GridColumn pick = col("grp", "组");
  pick.button = CellButton::Plus;
  grid.setColumns({label, pick, sumCol("qty", "数量")});
  grid.setDataset(ds.get());
  grid.setReadOnly(true);
  grid.setCheckBoxes(true);
  grid.setRowNumbers(true, 101);  // a query's later page numbers from its first row
  grid.setGroupBy("grp", QString::fromUtf8("类别"));
  showAt(grid, 500, 400);

  QAbstractItemModel* m = grid.view()->model();
  QStringList shown;
  for (int r = 0; r < m->rowCount(); ++r)
    shown << (cellText(grid, r, 0) + "/" + cellText(grid, r, 1) + "/" + cellText(grid, r, 3));
  EXPECT_EQ(shown, QStringList({QString::fromUtf8("类别 A//"), "/P-100/1.50", "/P-200/2.25",
                                QString::fromUtf8("/合计/3.75"), QString::fromUtf8("类别 B//"),
                                "/P-300/1,000.00", QString::fromUtf8("/合计/1,000.00"),
                                QString::fromUtf8("类别 C//"), "/P-050/4.00",
                                QString::fromUtf8("/合计/4.00")}));
  EXPECT_EQ(grid.view()->columnSpan(0, 0), m->columnCount());
  EXPECT_EQ(m->headerData(5, Qt::Vertical).toInt(), 103);  // P-300 is the third record
  EXPECT_FALSE(m->headerData(6, Qt::Vertical).isValid());
  EXPECT_EQ(grid.footerText("qty"), "1,007.75");  // the grand total is still the whole

  QList<int> doubleClicked;
  QList<std::pair<QString, int>> buttons;
  QObject::connect(&grid, &DataGrid::rowDoubleClicked, [&](int r) { doubleClicked << r; });
  QObject::connect(&grid, &DataGrid::buttonClicked, [&](const QString& f, int r) {
    buttons.push_back({f, r});
  });
  QWidget* vp = grid.view()->viewport();
  doubleClick(vp, cellCenter(grid, 5, 1));
  EXPECT_EQ(doubleClicked, QList<int>({2}));
  EXPECT_EQ(ds->currentRow(), 2);
  click(vp, cellCenter(grid, 0, 1));  // a caption is no record
  click(vp, cellCenter(grid, 3, 1));  // nor is a group footer
  EXPECT_EQ(ds->currentRow(), 2);
  click(vp, cellCenter(grid, 8, 0));
  EXPECT_EQ(grid.checkedRows(), QList<int>({3}));
  const QRect cell = grid.view()->visualRect(m->index(2, 2));
  click(vp, client::GridDelegate::buttonRect(cell).center());
  ASSERT_EQ(buttons.size(), 1);
  EXPECT_EQ(buttons[0], std::make_pair(QString("grp"), 1));
  EXPECT_EQ(ds->currentRow(), 1);

  // Group sums follow an edit. Groups are runs of equal values in the current order: a
  // record moved to group C while the rows stay in id order makes a second run of C.
  ds->moveTo(0);
  ds->edit();
  ds->fieldByName("qty").setValue(10);
  EXPECT_EQ(cellText(grid, 3, 3), "12.25");
  ds->fieldByName("grp").setValue("C");
  ds->post();
  QStringList captions;
  for (int r = 0; r < m->rowCount(); ++r)
    if (m->index(r, 1).data().isNull() && !cellText(grid, r, 0).isEmpty())
      captions << cellText(grid, r, 0);
  EXPECT_EQ(captions, QStringList({QString::fromUtf8("类别 C"), QString::fromUtf8("类别 A"),
                                   QString::fromUtf8("类别 B"), QString::fromUtf8("类别 C")}));
  ds->setIndex("grp");
  EXPECT_EQ(m->rowCount(), 10);
  EXPECT_EQ(cellText(grid, 6, 0), QString::fromUtf8("类别 C"));
  EXPECT_EQ(cellText(grid, 10 - 1, 3), "14.00");

  grid.setGroupLevels({"grp", "item"}, {QString::fromUtf8("类别"), QString::fromUtf8("物料")});
  EXPECT_EQ(cellText(grid, 1, 0), QString::fromUtf8("物料 P-200"));
  EXPECT_EQ(m->rowCount(), 3 + 4 * 3 + 3);  // per level 1: caption and footer; per level 2 too
  grid.setGroupBy({});
  EXPECT_EQ(m->rowCount(), 4);
}

// ---- buttons, editors, read-only --------------------------------------------------------------

TEST_F(GridTest, CellButtonsReportFieldAndRowByMouseAndKeyboard) {
  auto ds = seededLines();
  DataGrid grid;
  GridColumn task = col("item", "物料", 120);
  task.button = CellButton::Ellipsis;
  grid.setColumns({col("grp", "组"), task});
  grid.setDataset(ds.get());
  showAt(grid, 400, 300);
  QList<std::pair<QString, int>> pressed;
  QObject::connect(&grid, &DataGrid::buttonClicked, [&](const QString& f, int r) {
    pressed.push_back({f, r});
  });

  QWidget* vp = grid.view()->viewport();
  const QRect cell = grid.view()->visualRect(grid.view()->model()->index(2, 1));
  click(vp, QPoint(cell.left() + 5, cell.center().y()));  // the text part: no button
  EXPECT_TRUE(pressed.isEmpty());
  click(vp, client::GridDelegate::buttonRect(cell).center());
  ASSERT_EQ(pressed.size(), 1);
  EXPECT_EQ(pressed[0], std::make_pair(QString("item"), 2));
  EXPECT_EQ(ds->currentRow(), 2);

  grid.view()->setCurrentIndex(grid.view()->model()->index(1, 1));
  key(grid.view(), Qt::Key_F4);
  key(grid.view(), Qt::Key_Return, Qt::ControlModifier);
  grid.view()->setCurrentIndex(grid.view()->model()->index(1, 0));
  key(grid.view(), Qt::Key_F4);  // a column without a button
  ASSERT_EQ(pressed.size(), 3);
  EXPECT_EQ(pressed[1], std::make_pair(QString("item"), 1));
  EXPECT_EQ(pressed[2], std::make_pair(QString("item"), 1));
}

TEST_F(GridTest, ValidatorErrorsAreShownAndTheCellKeepsItsValue) {
  auto ds = seededLines();
  ds->fieldByName("qty").onValidate = [](client::Field&, const QVariant& v) {
    if (v.toDouble() < 0) throw DataError(QString::fromUtf8("数量不能小于零！"));
  };
  DataGrid grid;
  grid.setColumns({col("item", "物料"), sumCol("qty", "数量")});
  grid.setDataset(ds.get());
  QAbstractItemModel* m = grid.view()->model();

  EXPECT_FALSE(m->setData(m->index(0, 1), "-3"));
  EXPECT_FALSE(m->setData(m->index(0, 1), "abc"));
  ASSERT_EQ(prompter_.shown.size(), 2u);
  EXPECT_EQ(prompter_.shown[0].text, QString::fromUtf8("数量不能小于零！"));
  EXPECT_EQ(prompter_.shown[0].icon, client::Prompter::Icon::Warning);
  EXPECT_EQ(prompter_.shown[1].text, QString::fromUtf8("字段 qty：“abc”不是有效的数值"));
  EXPECT_EQ(cellText(grid, 0, 1), "1.50");
  EXPECT_EQ(grid.footerText("qty"), "1,007.75");

  EXPECT_TRUE(m->setData(m->index(0, 1), "2"));
  EXPECT_EQ(cellText(grid, 0, 1), "2.00");
}

TEST_F(GridTest, EditorsOfferPickListsLookupsAndCalendarsAndWriteOnlyWhatChanged) {
  seedLines();
  exec("insert into bas_cust (custNo, custName) values ('C1', '甲公司'), ('C2', '乙公司')");
  auto ds = lines();
  auto customers = open("select custNo, custName from bas_cust order by custNo");
  DataGrid grid;
  GridColumn pick = col("grp", "组");
  pick.pickList = QStringList({"A", "B", "Z"});
  GridColumn lookup = col("note", "客户");
  lookup.lookupSource = customers.get();
  lookup.lookupKey = "custNo";
  lookup.lookupDisplay = "custName";
  GridColumn when = col("made", "日期");
  GridColumn plain = col("item", "物料");
  plain.button = CellButton::Plus;
  grid.setColumns({pick, lookup, when, plain});
  grid.setDataset(ds.get());
  QAbstractItemModel* m = grid.view()->model();
  QAbstractItemDelegate* delegate = grid.view()->itemDelegate();
  QWidget host;
  QStyleOptionViewItem option;

  auto* box = qobject_cast<QComboBox*>(delegate->createEditor(&host, option, m->index(0, 0)));
  ASSERT_NE(box, nullptr);
  EXPECT_TRUE(box->isEditable());
  EXPECT_EQ(box->count(), 3);
  delegate->setEditorData(box, m->index(0, 0));
  delegate->setModelData(box, m, m->index(0, 0));
  EXPECT_EQ(ds->state(), Dataset::State::Browse) << "an untouched editor changes nothing";
  box->setCurrentText("Z");
  delegate->setModelData(box, m, m->index(0, 0));
  EXPECT_EQ(ds->valueAt(0, "grp").toString(), "Z");
  ds->post();

  auto* names = qobject_cast<QComboBox*>(delegate->createEditor(&host, option, m->index(1, 1)));
  ASSERT_NE(names, nullptr);
  EXPECT_FALSE(names->isEditable());
  ASSERT_EQ(names->count(), 2);
  EXPECT_EQ(names->itemText(1), QString::fromUtf8("乙公司"));
  delegate->setEditorData(names, m->index(1, 1));
  names->setCurrentIndex(1);
  delegate->setModelData(names, m, m->index(1, 1));
  EXPECT_EQ(ds->valueAt(1, "note").toString(), "C2");            // the key is stored
  EXPECT_EQ(cellText(grid, 1, 1), QString::fromUtf8("乙公司"));  // the name is shown
  ds->post();

  auto* date = qobject_cast<QDateTimeEdit*>(delegate->createEditor(&host, option, m->index(0, 2)));
  ASSERT_NE(date, nullptr);
  EXPECT_TRUE(date->calendarPopup());
  delegate->setEditorData(date, m->index(1, 2));
  EXPECT_EQ(date->dateTime(), QDateTime(QDate(2024, 3, 6), QTime(8, 30)));
  date->setDate(QDate(2024, 4, 1));
  delegate->setModelData(date, m, m->index(1, 2));
  EXPECT_EQ(ds->valueAt(1, "made").toDateTime(), QDateTime(QDate(2024, 4, 1), QTime(8, 30)));
  ds->post();
  delegate->setEditorData(date, m->index(3, 2));  // an empty date left alone stays empty
  delegate->setModelData(date, m, m->index(3, 2));
  EXPECT_TRUE(ds->valueAt(3, "made").isNull());

  EXPECT_EQ(ds->changeCount(), 2);  // two records changed

  // The button of a cell being edited: what was typed goes in first, then the button's signal.
  showAt(grid, 500, 300);
  QList<std::pair<QString, int>> pressed;
  QObject::connect(&grid, &DataGrid::buttonClicked, [&](const QString& f, int r) {
    pressed.push_back({f, r});
  });
  QTableView* v = grid.view();
  v->setCurrentIndex(m->index(2, 3));
  v->edit(m->index(2, 3));
  QPointer<QLineEdit> line = v->viewport()->findChild<QLineEdit*>();
  ASSERT_NE(line, nullptr);
  ASSERT_EQ(line->actions().size(), 1);
  line->setText("P-999");
  line->actions().front()->trigger();
  settle();
  EXPECT_EQ(ds->valueAt(2, "item").toString(), "P-999");
  ASSERT_EQ(pressed.size(), 1);
  EXPECT_EQ(pressed[0], std::make_pair(QString("item"), 2));
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(line.isNull()) << "the editor is closed";
}

TEST_F(GridTest, ReadOnlyGridSelectsWholeRowsAndEditsNothing) {
  auto ds = seededLines();
  DataGrid grid;
  grid.setColumns({col("item", "物料"), sumCol("qty", "数量")});
  grid.setDataset(ds.get());
  grid.setReadOnly(true);
  showAt(grid, 400, 300);
  QTableView* v = grid.view();
  EXPECT_FALSE(v->model()->flags(v->model()->index(0, 1)) & Qt::ItemIsEditable);
  EXPECT_FALSE(v->model()->setData(v->model()->index(0, 1), "5"));

  click(v->viewport(), cellCenter(grid, 2, 0));
  click(v->viewport(), cellCenter(grid, 0, 1), Qt::ControlModifier);
  EXPECT_EQ(grid.selectedRows(), QList<int>({2, 0}));
  EXPECT_TRUE(v->selectionModel()->isRowSelected(2, {}));

  grid.setReadOnly(false);
  EXPECT_TRUE(v->model()->flags(v->model()->index(0, 1)) & Qt::ItemIsEditable);
}

// ---- cursor ---------------------------------------------------------------------------------

TEST_F(GridTest, CursorFollowsTheCurrentRowAndBack) {
  auto ds = seededLines();
  ds->beforePost = [](Dataset& d) {
    if (d.fieldByName("item").asString().isEmpty())
      throw DataError(QString::fromUtf8("物料不能为空！"));
  };
  DataGrid grid;
  grid.setColumns({col("item", "物料"), sumCol("qty", "数量")});
  grid.setDataset(ds.get());
  showAt(grid, 400, 300);
  QTableView* v = grid.view();

  ds->moveTo(2);
  EXPECT_EQ(v->currentIndex().row(), 2);
  v->setCurrentIndex(v->model()->index(1, 1));
  EXPECT_EQ(ds->currentRow(), 1);

  QList<int> doubleClicked;
  QObject::connect(&grid, &DataGrid::rowDoubleClicked, [&](int r) { doubleClicked << r; });
  grid.setReadOnly(true);
  doubleClick(v->viewport(), cellCenter(grid, 3, 0));
  EXPECT_EQ(doubleClicked, QList<int>({3}));
  grid.setReadOnly(false);

  // A record its check refuses to leave keeps the cursor, and the grid goes back to it.
  ds->moveTo(0);
  ds->edit();
  ds->fieldByName("item").setValue("");
  v->setCurrentIndex(v->model()->index(2, 0));
  settle();
  EXPECT_EQ(prompter_.texts(), QStringList({QString::fromUtf8("物料不能为空！")}));
  EXPECT_EQ(ds->currentRow(), 0);
  EXPECT_EQ(v->currentIndex().row(), 0);

  ds->cancel();
  ds->append();
  settle();
  EXPECT_EQ(v->currentIndex().row(), 4);
}

// ---- widths and look ------------------------------------------------------------------------

TEST_F(GridTest, FittingWidensColumnsToTheirWidestTextWithinALimit) {
  seedLines();
  exec(QString("update ##lines set note = '%1' where id = 2").arg(QString(300, 'W')));
  auto ds = lines();
  DataGrid grid;
  GridColumn count = col("item", "物料编号与名称的很长的标题", 20);
  grid.setColumns({col("id", "号", 200), count, col("note", "备注", 20)});
  grid.setDataset(ds.get());
  grid.fitColumnsToContent();
  QHeaderView* h = grid.view()->horizontalHeader();
  const QFontMetrics fm(grid.view()->font());
  EXPECT_LT(h->sectionSize(0), 100) << "a wide column narrows to its content";
  EXPECT_GE(h->sectionSize(1),
            h->fontMetrics().horizontalAdvance(QString::fromUtf8("物料编号与名称的很长的标题")));
  EXPECT_EQ(h->sectionSize(2), 400);
  EXPECT_EQ(grid.column("note")->width, 400);
}

TEST_F(GridTest, TenThousandRowsOpenSumAndPaint) {
  seedMany(10000);
  auto ds = lines();
  DataGrid grid;
  grid.setColumns({col("item", "物料"), col("grp", "组"), sumCol("qty", "数量")});
  grid.setDataset(ds.get());
  grid.setRowNumbers(true);
  grid.setFooterVisible(true);
  showAt(grid, 800, 600);
  EXPECT_EQ(grid.footerText("qty"), "50,005,000.00");
  QAbstractItemModel* m = grid.view()->model();
  for (int i = 0; i < 20; ++i) m->setData(m->index(i, 2), QString::number(i));
  grid.view()->scrollToBottom();
  grid.grab();
}

// ---- output ---------------------------------------------------------------------------------

TEST(GridExport, DisplayFormatsBecomeExcelFormats) {
  EXPECT_EQ(client::excelNumberFormat("#,##0.00"), "#,##0.00");
  EXPECT_EQ(client::excelNumberFormat("0.###;-0.###;'零'"), "0.###;-0.###;\"零\"");
  EXPECT_EQ(client::excelNumberFormat(QString::fromUtf8("'¥'#,##0.00元")),
            QString::fromUtf8("\"¥\"#,##0.00\"元\""));
  EXPECT_EQ(client::excelNumberFormat("0%"), "0%");
  EXPECT_EQ(client::excelNumberFormat("yes;no"), "") << "not a number format";
  EXPECT_EQ(client::excelDateFormat("yyyy-MM-dd HH:mm:ss"), "yyyy-mm-dd hh:mm:ss");
  EXPECT_EQ(client::excelDateFormat(QString::fromUtf8("yyyy'年'M'月'd'日'")),
            QString::fromUtf8("yyyy\"年\"m\"月\"d\"日\""));
  EXPECT_EQ(client::excelDateFormat("hh:mm AP"), "");
}

TEST_F(GridTest, ExportWritesTwoLevelTitlesTypedValuesAndTheFooter) {
  auto ds = seededLines();
  DataGrid grid;
  GridColumn label = col("item", "物料描述|物料编号", 120);
  label.footer = FooterKind::Text;
  label.footerText = QString::fromUtf8("合计");
  grid.setColumns({label, col("grp", "物料描述|类别"), sumCol("qty", "数量"), col("made", "日期")});
  grid.setDataset(ds.get());
  grid.setFooterVisible(true);
  TempDir dir;
  const QString file = QDir(QString::fromStdString(dir.path().string())).filePath("明细.xlsx");
  QString error;
  ASSERT_TRUE(grid.exportXlsx(file, &error)) << error.toStdString();

  QFile f(file);
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  EXPECT_EQ(f.read(2), "PK");
  const QString sheet = run("unzip", {"-p", file, "xl/worksheets/sheet1.xml"});
  if (sheet.isEmpty()) GTEST_SKIP() << "unzip is not installed";
  const QString strings = run("unzip", {"-p", file, "xl/sharedStrings.xml"});
  const QString styles = run("unzip", {"-p", file, "xl/styles.xml"});
  for (const char* s : {"物料描述", "物料编号", "数量", "P-300", "合计"})
    EXPECT_TRUE(strings.contains(QString::fromUtf8(s))) << s;
  EXPECT_TRUE(sheet.contains("<mergeCell ref=\"A1:B1\"/>"));  // the group over its two columns
  EXPECT_TRUE(sheet.contains("<mergeCell ref=\"C1:C2\"/>"));  // a title without a group
  EXPECT_TRUE(sheet.contains("<c r=\"C3\" s=\"")) << "numbers are numbers";
  EXPECT_TRUE(sheet.contains("<v>1.5</v>"));
  EXPECT_TRUE(sheet.contains("<v>45356</v>")) << "2024-03-05 is a date";
  EXPECT_TRUE(sheet.contains("<v>1007.75</v>")) << "the footer's sum";
  EXPECT_TRUE(styles.contains("#,##0.00"));
}

TEST_F(GridTest, PdfAndPreviewHaveTheTitleAndMorePagesForMoreRows) {
  seedMany(300);
  auto ds = lines();
  DataGrid grid;
  grid.setColumns({col("item", "物料|编号"), col("grp", "物料|组"), sumCol("qty", "数量")});
  grid.setDataset(ds.get());
  grid.setRowNumbers(true);
  grid.setFooterVisible(true);
  TempDir dir;
  const QDir out(QString::fromStdString(dir.path().string()));

  ds->setFilter([](const client::Record& r) { return r.value("id").toInt() <= 10; });
  ASSERT_TRUE(grid.printToPdf(out.filePath("short.pdf"), QString::fromUtf8("加工费统计")));
  ds->clearFilter();
  ASSERT_TRUE(grid.printToPdf(out.filePath("long.pdf"), QString::fromUtf8("加工费统计")));
  EXPECT_FALSE(grid.printToPdf(out.filePath("none/x.pdf"), "x"));
  int previewed = -1;
  desktop_.on<QPrintPreviewDialog>([&](QPrintPreviewDialog& dialog) {
    if (auto* preview = dialog.findChild<QPrintPreviewWidget*>()) {
      preview->updatePreview();
      previewed = preview->pageCount();
    }
    return QDialog::Rejected;
  });
  grid.printPreview(QString::fromUtf8("加工费统计"));
  EXPECT_EQ(desktop_.titles(), QStringList{QString::fromUtf8("打印预览")});

  const QString info = run("pdfinfo", {out.filePath("short.pdf")});
  if (info.isEmpty()) GTEST_SKIP() << "pdfinfo is not installed";
  auto pages = [&](const char* name) {
    const QString text = run("pdfinfo", {out.filePath(name)});
    const qsizetype at = text.indexOf("Pages:");
    return at < 0 ? -1 : text.mid(at + 6).section('\n', 0, 0).trimmed().toInt();
  };
  EXPECT_EQ(pages("short.pdf"), 1);
  EXPECT_GE(pages("long.pdf"), 5);
  EXPECT_EQ(previewed, pages("long.pdf")) << "the preview shows the printed pages";
  // Extracted text may name a shared glyph by its radical's code point (⼯ for 工): normalise.
  const QString text =
      run("pdftotext", {out.filePath("long.pdf"), "-"}).normalized(QString::NormalizationForm_KC);
  EXPECT_TRUE(text.contains(QString::fromUtf8("加工费统计")));
  EXPECT_TRUE(text.contains("P-300"));
  EXPECT_TRUE(text.contains("45,150.00")) << "the footer on the last page";
  EXPECT_TRUE(text.contains(QRegularExpression(QString::fromUtf8("第\\s*2\\s*\\S\\s*/\\s*共"))));
  EXPECT_EQ(text.count(QString::fromUtf8("编号")), pages("long.pdf")) << "titles on every page";
}

// ---- tree -----------------------------------------------------------------------------------

TEST_F(GridTest, TreeGridNestsRowsByParentAndFollowsTheCursor) {
  exec("create table ##tree (id nvarchar(10), parentId nvarchar(10), name nvarchar(20))");
  exec(
      "insert into ##tree values ('1', null, '原材料'), ('2', '1', '钢材'), ('3', '2', '圆钢'),"
      " ('4', '9', '无主'), ('5', '6', '甲'), ('6', '5', '乙'), ('7', '', '成品')");
  auto ds = open("select * from ##tree order by id");
  GridColumn name = col("name", "分类|名称", 160);
  TreeGrid tree(ds.get(), "id", "parentId");
  tree.setColumns({name, col("id", "分类|编号")});
  showAt(tree, 400, 300);
  QAbstractItemModel* m = tree.view()->model();

  // Top level: 原材料, the orphan, one of the pair that point at each other, 成品.
  QStringList top;
  for (int r = 0; r < m->rowCount(); ++r) top << m->index(r, 0).data().toString();
  EXPECT_EQ(top, QStringList({QString::fromUtf8("原材料"), QString::fromUtf8("无主"),
                              QString::fromUtf8("乙"), QString::fromUtf8("成品")}));
  const QModelIndex steel = m->index(0, 0, m->index(0, 0));
  EXPECT_EQ(steel.data().toString(), QString::fromUtf8("钢材"));
  EXPECT_EQ(m->index(0, 0, steel).data().toString(), QString::fromUtf8("圆钢"));
  EXPECT_TRUE(qobject_cast<client::GroupHeader*>(tree.view()->header())->twoLevel());

  tree.expandAll();
  EXPECT_TRUE(tree.view()->isExpanded(steel));
  tree.collapseAll();
  EXPECT_FALSE(tree.view()->isExpanded(steel));

  ds->moveTo(2);
  EXPECT_EQ(tree.rowOf(tree.view()->currentIndex()), 2);
  EXPECT_TRUE(tree.view()->isExpanded(steel)) << "the current row is made visible";
  tree.view()->setCurrentIndex(tree.indexOf(6));
  EXPECT_EQ(ds->currentRow(), 6);

  ds->append();
  ds->fieldByName("id").setValue("8");
  ds->fieldByName("parentId").setValue("3");
  ds->fieldByName("name").setValue(QString::fromUtf8("Φ20"));
  ds->post();
  const QModelIndex round = m->index(0, 0, steel);
  ASSERT_EQ(m->rowCount(round), 1);
  EXPECT_EQ(m->index(0, 0, round).data().toString(), QString::fromUtf8("Φ20"));
  EXPECT_TRUE(tree.view()->isExpanded(steel)) << "expanded rows stay expanded";
}

}  // namespace
}  // namespace qk::test
