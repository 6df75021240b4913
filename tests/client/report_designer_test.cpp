// The report designer driven through its commands as the toolbar, canvas and panels drive it:
// edits reach the saved file exactly, undo and redo restore exact values, fields insert their
// expressions, closing asks about unsaved changes, and the preview renders with real rows.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QGraphicsItem>
#include <QGraphicsView>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTemporaryDir>
#include <memory>

#include "client/report/designer_document.h"
#include "client/report/report_data.h"
#include "client/report/report_designer.h"
#include "client/report/report_preview.h"
#include "support/test_prompter.h"

namespace qk::client {
namespace {

using BandType = ReportBand::Type;

ReportItem text(double x, double y, double w, double h, const QString& content) {
  ReportItem item;
  item.rect = QRectF(x, y, w, h);
  item.text = content;
  return item;
}

// An A5 warehouse receipt with a page header, one master row per document, its lines, a
// summary and a page footer; bands 0..4 in that order.
ReportTemplate receipt() {
  ReportTemplate t;
  t.title = "入库单";
  t.page.paper = ReportTemplate::Page::Paper::A5;
  t.page.landscape = true;
  ReportBand& header = t.addBand(BandType::PageHeader, 16);
  ReportItem title = text(0, 0, 190, 9, "入库单");
  title.fontSize = 16;
  title.bold = true;
  title.alignment = Qt::AlignCenter;
  header.items.push_back(title);
  header.items.push_back(text(0, 10, 60, 6, "单号：[入库单主表.\"keyNo\"]"));
  header.items.push_back(text(130, 10, 60, 6, "日期：[Date]"));
  ReportBand& master = t.addBand(BandType::MasterData, 8);
  master.dataSource = "入库单主表";
  master.items.push_back(text(0, 1, 80, 6, "仓库：[入库单主表.\"whName\"]"));
  ReportBand& detail = t.addBand(BandType::DetailData, 7);
  detail.dataSource = "入库单明细表";
  detail.masterKey = detail.detailKey = "keyNo";
  const std::pair<double, QString> columns[] = {{20, "[入库单明细表.\"itemNo\"]"},
                                                {100, "[入库单明细表.\"productNo\"]"},
                                                {40, "[入库单明细表.\"qty\"]"}};
  double x = 0;
  for (const auto& [w, expr] : columns) {
    ReportItem cell = text(x, 0, w, 7, expr);
    cell.frame = ReportItem::AllSides;
    detail.items.push_back(cell);
    x += w;
  }
  ReportBand& summary = t.addBand(BandType::Summary, 8);
  summary.items.push_back(text(120, 1, 40, 6, "合计 [SUM(入库单明细表.\"qty\")]"));
  ReportBand& footer = t.addBand(BandType::PageFooter, 8);
  footer.items.push_back(text(0, 1, 190, 6, "第 [Page] 页 / 共 [TotalPages] 页"));
  return t;
}

class ReportDesignerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir.isValid());
    file = dir.filePath("入库单.xml");
    receipt().save(file);
    auto& master = data.addTable("入库单主表", {"keyNo", "whName"});
    master.addRow({"RK001", "成品库"});
    auto& detail = data.addTable("入库单明细表", {"keyNo", "itemNo", "productNo", "qty"});
    for (int i = 1; i <= 5; ++i) detail.addRow({"RK001", i, QString("产品 %1").arg(i), i * 10});
    setPrompter(&prompts);
  }
  void TearDown() override { EXPECT_TRUE(prompts.answers.empty()) << "questions not asked"; }

  QRectF rectOf(const ReportTemplate& t, int band, int item) const {
    return t.bands.at(band).items.at(item).rect;
  }

  QTemporaryDir dir;
  QString file;
  ReportData data;
  test::TestPrompter prompts;
};

// ---------------------------------------------------------------------------------------------
// Editing reaches the saved file

TEST_F(ReportDesignerTest, MovedAlignedAndResizedItemsAreSavedWithTheirNewGeometry) {
  ReportDesigner designer(file, data);
  DesignerDocument& doc = designer.document();

  // Header: the date moves down and right, then the number aligns its top and bottom to it.
  doc.selectItems({{0, 2}});
  doc.moveSelection(2.5, 1);
  doc.selectItems({{0, 2}, {0, 1}});
  doc.alignTop();
  doc.sameHeight();
  // Detail cells: the first two take the quantity's width and line up on its right edge.
  doc.selectItems({{2, 2}, {2, 0}, {2, 1}});
  doc.sameWidth();
  doc.alignRight();
  doc.selectItems({{3, 0}});
  doc.resizeSelection(-5, 1.5);
  // Nothing leaves its band through the top-left edge.
  doc.selectItems({{4, 0}});
  doc.moveSelection(-3, -3);

  EXPECT_TRUE(designer.modified());
  ASSERT_TRUE(designer.save());
  EXPECT_FALSE(designer.modified());
  EXPECT_TRUE(designer.saved());

  const ReportTemplate saved = ReportTemplate::load(file);
  EXPECT_EQ(rectOf(saved, 0, 2), QRectF(132.5, 11, 60, 6));
  EXPECT_EQ(rectOf(saved, 0, 1), QRectF(0, 11, 60, 6));
  EXPECT_EQ(rectOf(saved, 2, 2), QRectF(120, 0, 40, 7));
  EXPECT_EQ(rectOf(saved, 2, 0), QRectF(120, 0, 40, 7));
  EXPECT_EQ(rectOf(saved, 2, 1), QRectF(120, 0, 40, 7));
  EXPECT_EQ(rectOf(saved, 3, 0), QRectF(120, 1, 35, 7.5));
  EXPECT_EQ(rectOf(saved, 4, 0), QRectF(0, 0, 190, 6));
  EXPECT_EQ(saved, designer.reportTemplate());
}

TEST_F(ReportDesignerTest, ArrowKeysNudgeAndDeleteRemovesTheSelection) {
  ReportDesigner designer(file, data);
  DesignerDocument& doc = designer.document();
  QWidget* view = designer.findChild<QGraphicsView*>();
  ASSERT_NE(view, nullptr);
  auto press = [view](int key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
    QKeyEvent e(QEvent::KeyPress, key, mods);
    QApplication::sendEvent(view, &e);
  };
  doc.selectItems({{1, 0}});
  press(Qt::Key_Right);
  press(Qt::Key_Right);
  press(Qt::Key_Down);
  press(Qt::Key_Left, Qt::ShiftModifier);
  EXPECT_EQ(rectOf(designer.reportTemplate(), 1, 0), QRectF(1, 1.5, 79.5, 6));
  press(Qt::Key_Delete);
  EXPECT_TRUE(designer.reportTemplate().bands[1].items.empty());
  EXPECT_TRUE(doc.selection().empty());
}

TEST_F(ReportDesignerTest, DraggingItemsHandlesAndFieldsChangesTheTemplateOnRelease) {
  ReportDesigner designer(file, data);
  designer.resize(1280, 800);
  designer.show();
  QApplication::processEvents();
  DesignerDocument& doc = designer.document();
  // The canvas acts on a release at the next turn of the event loop, and rebuilds at the one after.
  auto settle = [] {
    for (int i = 0; i < 4; ++i) QApplication::processEvents();
  };
  auto* view = designer.findChild<QGraphicsView*>();
  ASSERT_NE(view, nullptr);
  auto mouse = [view](QEvent::Type type, QPointF scenePos) {
    const QPoint at = view->mapFromScene(scenePos);
    const Qt::MouseButtons buttons =
        type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent e(type, at, view->viewport()->mapToGlobal(at), Qt::LeftButton, buttons,
                  Qt::NoModifier);
    QApplication::sendEvent(view->viewport(), &e);
  };
  // Where the canvas put the master band's text (80 x 6 mm at 0, 1 in its band).
  doc.selectItems({{1, 0}});
  settle();
  ASSERT_EQ(view->scene()->selectedItems().size(), 1);
  const QPointF origin = view->scene()->selectedItems().front()->scenePos();

  // The drag snaps to half millimetres and lands in the template only when released.
  mouse(QEvent::MouseButtonPress, origin + QPointF(20, 3));
  mouse(QEvent::MouseMove, origin + QPointF(25, 3));
  mouse(QEvent::MouseMove, origin + QPointF(32.1, 3.9));
  EXPECT_EQ(rectOf(designer.reportTemplate(), 1, 0), QRectF(0, 1, 80, 6));
  mouse(QEvent::MouseButtonRelease, origin + QPointF(32.1, 3.9));
  settle();
  EXPECT_EQ(rectOf(designer.reportTemplate(), 1, 0), QRectF(12, 2, 80, 6));

  // The bottom-right handle of the moved item stretches it.
  const QPointF moved = view->scene()->selectedItems().front()->scenePos();
  mouse(QEvent::MouseButtonPress, moved + QPointF(80, 6));
  mouse(QEvent::MouseMove, moved + QPointF(90.2, 7));
  mouse(QEvent::MouseButtonRelease, moved + QPointF(90.2, 7));
  settle();
  EXPECT_EQ(rectOf(designer.reportTemplate(), 1, 0), QRectF(12, 2, 90, 7));

  // A field dropped on the summary band lands where it was let go; off the page, nowhere.
  QMimeData field;
  field.setData("application/x-qk-report-field", QString("入库单明细表\tqty").toUtf8());
  auto drop = [&](QPointF scenePos) {
    const QPoint at = view->mapFromScene(scenePos);
    QDragEnterEvent enter(at, Qt::CopyAction, &field, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(view->viewport(), &enter);
    QDropEvent e(at, Qt::CopyAction, &field, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(view->viewport(), &e);
    settle();
  };
  doc.selectItems({{3, 0}});
  settle();
  const QPointF summary = view->scene()->selectedItems().front()->scenePos() - QPointF(120, 1);
  drop(summary + QPointF(20.2, 1.1));
  ASSERT_EQ(designer.reportTemplate().bands[3].items.size(), 2u);
  EXPECT_EQ(designer.reportTemplate().bands[3].items[1].text, "[入库单明细表.\"qty\"]");
  EXPECT_EQ(rectOf(designer.reportTemplate(), 3, 1), QRectF(20, 1, 30, 6));
  drop(QPointF(-5, -5));
  EXPECT_EQ(doc.undoStack().count(), 3);

  doc.undo();
  doc.undo();
  doc.undo();
  EXPECT_EQ(designer.reportTemplate(), receipt());
}

// ---------------------------------------------------------------------------------------------
// Undo and redo

TEST_F(ReportDesignerTest, UndoAndRedoRestoreExactValuesThroughEveryKindOfChange) {
  ReportDesigner designer(file, data);
  DesignerDocument& doc = designer.document();
  const ReportTemplate original = designer.reportTemplate();

  doc.selectItems({{2, 1}, {2, 0}});
  doc.moveSelection(0.5, 0.5);
  doc.alignLeft();
  doc.editSelection("字号", [](ReportItem& i) { i.fontSize = 12; });
  doc.selectItems({{2, 1}});
  doc.deleteSelection();
  // Bands go where they print: a summary before the page footer, a title first.
  EXPECT_EQ(doc.addBand(BandType::GroupFooter), 3);
  EXPECT_EQ(doc.addBand(BandType::ReportTitle), 0);
  doc.editBand(3, "栏高", [](ReportBand& b) { b.height = 12.5; });
  doc.removeBand(1);
  doc.editReport("页边距", [](ReportTemplate& t) { t.page.margins.setLeft(15); });
  const ReportTemplate edited = designer.reportTemplate();
  ASSERT_EQ(edited.bands.size(), 6u);
  EXPECT_EQ(edited.bands[0].type, BandType::ReportTitle);
  EXPECT_EQ(edited.bands[3].type, BandType::GroupFooter);
  EXPECT_EQ(edited.bands[2].items.size(), 2u);

  while (doc.undoStack().canUndo()) doc.undo();
  EXPECT_EQ(designer.reportTemplate(), original);
  EXPECT_FALSE(designer.modified());
  while (doc.undoStack().canRedo()) doc.redo();
  EXPECT_EQ(designer.reportTemplate(), edited);

  // A command with nothing to act on leaves no step behind.
  const int steps = doc.undoStack().count();
  doc.selectItems({});
  doc.alignLeft();
  doc.moveSelection(1, 1);
  doc.selectItems({{2, 0}});
  doc.moveSelection(0, 0);
  EXPECT_EQ(doc.undoStack().count(), steps);
}

// ---------------------------------------------------------------------------------------------
// Inserting items and fields

TEST_F(ReportDesignerTest, InsertingAFieldAddsItsExpressionNextToTheBandsLastItem) {
  ReportDesigner designer(file, data);
  DesignerDocument& doc = designer.document();
  doc.selectBand(2);
  ASSERT_TRUE(doc.addField("入库单明细表", "qty"));
  const ReportBand& detail = designer.reportTemplate().bands[2];
  ASSERT_EQ(detail.items.size(), 4u);
  EXPECT_EQ(detail.items[3].text, "[入库单明细表.\"qty\"]");
  // The row is 160 mm wide already: a new cell would run off the 190 mm between the margins
  // only past 190, so it goes right after the last one and no taller than the band.
  EXPECT_EQ(detail.items[3].rect, QRectF(160, 0, 30, 6));
  EXPECT_EQ(doc.selection(), (std::vector<ItemRef>{{2, 3}}));

  // One more does not fit on the right, so it starts again at the left edge.
  ASSERT_TRUE(doc.addItem(ReportItem::Kind::Rectangle));
  EXPECT_EQ(designer.reportTemplate().bands[2].items[4].rect, QRectF(0, 0, 30, 7));

  doc.undo();
  doc.undo();
  EXPECT_EQ(designer.reportTemplate(), receipt());
}

TEST_F(ReportDesignerTest, NewFileOpensEmptyAndItemsNeedABandFirst) {
  const QString fresh = dir.filePath("新报表.xml");
  ReportDesigner designer(fresh, data);
  DesignerDocument& doc = designer.document();
  EXPECT_TRUE(designer.reportTemplate().bands.empty());
  EXPECT_FALSE(doc.addItem(ReportItem::Kind::Text));
  EXPECT_FALSE(doc.addField("入库单主表", "keyNo"));
  EXPECT_FALSE(designer.modified());

  doc.addBand(BandType::MasterData);
  ASSERT_TRUE(doc.addField("入库单主表", "keyNo"));
  // Closing saves after the question, and the file did not exist before.
  prompts.answers = {1};
  designer.reject();
  EXPECT_EQ(prompts.texts(), QStringList{"报表已修改，是否保存？"});
  ASSERT_TRUE(QFile::exists(fresh));
  EXPECT_EQ(ReportTemplate::load(fresh).bands.at(0).items.at(0).text, "[入库单主表.\"keyNo\"]");
}

// ---------------------------------------------------------------------------------------------
// Closing

TEST_F(ReportDesignerTest, ClosingWithChangesAsksAndSavesOrDiscardsPerTheAnswer) {
  const QByteArray before = ReportTemplate::load(file).toXml();
  {
    // Unchanged: closes without a question.
    ReportDesigner designer(file, data);
    designer.reject();
    EXPECT_TRUE(prompts.shown.empty());
    EXPECT_FALSE(designer.saved());
  }
  {
    // "No" discards.
    ReportDesigner designer(file, data);
    designer.document().selectItems({{0, 0}});
    designer.document().moveSelection(0, 2);
    prompts.answers = {0};
    designer.reject();
    EXPECT_EQ(prompts.texts(), QStringList{"报表已修改，是否保存？"});
    EXPECT_EQ(ReportTemplate::load(file).toXml(), before);
    EXPECT_FALSE(designer.isVisible());
  }
  prompts.clear();
  {
    // "Yes" saves.
    ReportDesigner designer(file, data);
    designer.document().selectItems({{0, 0}});
    designer.document().moveSelection(0, 2);
    prompts.answers = {1};
    designer.accept();
    EXPECT_EQ(prompts.texts(), QStringList{"报表已修改，是否保存？"});
    EXPECT_EQ(rectOf(ReportTemplate::load(file), 0, 0), QRectF(0, 2, 190, 9));
    EXPECT_TRUE(designer.saved());
  }
}

TEST_F(ReportDesignerTest, OpeningScrollingAndClosingTheDesignerAgainAndAgainLeavesNothingBehind) {
  // Each close tears down a canvas whose view was scrolled; the sanitizer build catches any
  // call into the half-destroyed canvas.
  for (int round = 0; round < 5; ++round) {
    auto designer = std::make_unique<ReportDesigner>(file, data);
    designer->resize(1200 + 40 * round, 420);
    designer->show();
    QApplication::processEvents();
    auto* view = designer->findChild<QGraphicsView*>();
    ASSERT_NE(view, nullptr);
    ASSERT_GT(view->verticalScrollBar()->maximum(), 0) << "the page must not fit the view";
    view->verticalScrollBar()->setValue(view->verticalScrollBar()->maximum());
    view->horizontalScrollBar()->setValue(view->horizontalScrollBar()->maximum());
    designer->document().selectItems({{2, round % 3}});
    QApplication::processEvents();
    designer->reject();
    EXPECT_FALSE(designer->isVisible());
    designer.reset();
    QApplication::processEvents();
  }
  EXPECT_TRUE(prompts.shown.empty());
}

TEST_F(ReportDesignerTest, ATemplateThatCannotBeWrittenKeepsTheDesignerOpenWithItsChanges) {
  const QString blocked = dir.filePath("只读/入库单.xml");  // its folder does not exist
  ReportDesigner designer(blocked, data);
  designer.show();
  designer.document().addBand(BandType::PageHeader);
  prompts.answers = {1};
  designer.reject();
  ASSERT_EQ(prompts.shown.size(), 2u);
  EXPECT_TRUE(prompts.shown[1].text.startsWith("无法保存报表模板文件"))
      << prompts.shown[1].text.toStdString();
  EXPECT_EQ(prompts.shown[1].icon, Prompter::Icon::Stop);
  EXPECT_TRUE(designer.isVisible());
  EXPECT_TRUE(designer.modified());
  // "No" then lets it go.
  prompts.answers = {0};
  designer.reject();
  EXPECT_FALSE(designer.isVisible());
}

TEST_F(ReportDesignerTest, ADamagedTemplateIsReportedAndNeverOpened) {
  QFile damaged(file);
  ASSERT_TRUE(damaged.open(QIODevice::WriteOnly));
  damaged.write("<report version=\"1\"><band type=");
  damaged.close();
  EXPECT_FALSE(designReportFile(nullptr, file, data));
  ASSERT_EQ(prompts.shown.size(), 1u);
  EXPECT_TRUE(prompts.shown[0].text.startsWith("报表模板格式错误"))
      << prompts.shown[0].text.toStdString();
  QFile again(file);
  ASSERT_TRUE(again.open(QIODevice::ReadOnly));
  EXPECT_EQ(again.readAll(), "<report version=\"1\"><band type=");
}

// ---------------------------------------------------------------------------------------------
// Preview

TEST_F(ReportDesignerTest, PreviewRendersTheReceiptAsItStandsWithItsRows) {
  ReportDesigner designer(file, data);
  designer.resize(1280, 800);
  designer.show();
  ReportPreview* preview = designer.showPreview();
  ASSERT_NE(preview, nullptr);
  ASSERT_EQ(preview->pageCount(), 1);
  EXPECT_TRUE(preview->report().warnings.isEmpty())
      << preview->report().warnings.join("; ").toStdString();
  const QStringList texts = preview->report().pages[0].texts();
  EXPECT_TRUE(texts.contains("单号：RK001"));
  EXPECT_TRUE(texts.contains("产品 5"));
  EXPECT_TRUE(texts.contains("合计 150"));

  // An edit while the preview shows renders again.
  designer.document().selectItems({{0, 0}});
  designer.document().editSelection("文本", [](ReportItem& i) { i.text = "成品入库单"; });
  preview = designer.showPreview();
  EXPECT_TRUE(preview->report().pages[0].texts().contains("成品入库单"));
}

}  // namespace
}  // namespace qk::client
