// The screen kit offscreen: tool bars built from a table (captions with accelerators, hints,
// shortcuts, hidden entries, drop-downs, handlers under the error handler, icons by name) and
// the page bar that speaks only when the user chooses a page.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QKeyEvent>
#include <QMenu>
#include <QScreen>
#include <QScrollBar>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include "client/data/data_error.h"
#include "client/widgets/page_bar.h"
#include "client/widgets/scroll_panel.h"
#include "client/widgets/tool_action.h"
#include "client/widgets/window_size.h"
#include "support/test_prompter.h"
#include "support/widget_input.h"

namespace qk::test {
namespace {

using client::PageBar;
using client::ToolAction;

class KitTest : public ::testing::Test {
 protected:
  void SetUp() override { client::setPrompter(&prompter_); }
  void TearDown() override { client::setPrompter(nullptr); }
  TestPrompter prompter_;
};

TEST_F(KitTest, ATableBecomesTheBarsActionsWithAcceleratorsHintsAndHandlers) {
  QWidget screen;
  QToolBar* bar = client::newToolBar(&screen);
  QAction *save = nullptr, *select = nullptr, *fail = nullptr;
  int saved = 0;
  const std::vector<QAction*> made = client::addToolActions(
      *bar, {
                {"保存", 'v', "save", "保存此张单据", [&] { ++saved; }, &save},
                ToolAction::separator(),
                {"选择", 0, "select", {}, [] {}, &select, false},
                {"出错", 'E', {}, {}, [] { throw client::DataError("连接已断开"); }, &fail},
            });
  ASSERT_EQ(made.size(), 4u);
  EXPECT_EQ(made[0], save);
  EXPECT_TRUE(made[1]->isSeparator());
  EXPECT_EQ(bar->actions(), QList<QAction*>(made.begin(), made.end()));

  EXPECT_EQ(save->text(), "保存(&V)");
  EXPECT_EQ(save->iconText(), "保存") << "the button reads the bare caption";
  EXPECT_EQ(save->toolTip(), "保存此张单据");
  EXPECT_EQ(save->statusTip(), "保存此张单据");
  EXPECT_EQ(save->shortcut(), QKeySequence(Qt::ALT | Qt::Key_V));
  EXPECT_FALSE(save->icon().isNull());
  EXPECT_EQ(select->text(), "选择") << "no accelerator: the caption as it is";
  EXPECT_TRUE(select->shortcut().isEmpty());
  EXPECT_FALSE(select->isVisible());

  save->trigger();
  EXPECT_EQ(saved, 1);
  // A failing handler is reported by the application-wide handler; nothing escapes.
  fail->trigger();
  EXPECT_EQ(prompter_.texts(), QStringList{"连接已断开"});
}

TEST_F(KitTest, LaterEntriesGoBeforeAnActionAndCarryDropDowns) {
  QWidget screen;
  QToolBar* bar = client::newToolBar(&screen);
  QAction *find = nullptr, *close = nullptr;
  int byNumber = 0, found = 0;
  client::addToolActions(*bar, {{"查找", 'X', "find", {}, [&] { ++found; }, &find},
                                {"关闭", 'Z', "close", {}, [] {}, &close}});
  // A screen adds a print drop-down before "关闭" and a second way to find.
  const std::vector<QAction*> added = client::addToolActions(
      *bar, {{"打印", 'Y', "print", {}, {}, {}, true, {{"汇总表"}, {"明细表"}}}}, close);
  client::setToolMenu(*bar, *find, {{"按物项号查找", 0, {}, {}, [&] { ++byNumber; }}});

  ASSERT_EQ(bar->actions().size(), 3);
  EXPECT_EQ(bar->actions().at(1), added[0]);
  auto* print = qobject_cast<QToolButton*>(bar->widgetForAction(added[0]));
  ASSERT_NE(print, nullptr);
  ASSERT_NE(added[0]->menu(), nullptr);
  EXPECT_EQ(print->popupMode(), QToolButton::InstantPopup) << "only a menu: it opens at once";
  EXPECT_EQ(added[0]->menu()->actions().size(), 2);

  auto* findButton = qobject_cast<QToolButton*>(bar->widgetForAction(find));
  ASSERT_NE(findButton, nullptr);
  ASSERT_NE(find->menu(), nullptr);
  EXPECT_EQ(findButton->popupMode(), QToolButton::MenuButtonPopup) << "the click still finds";
  find->menu()->actions().at(0)->trigger();
  find->trigger();
  EXPECT_EQ(byNumber, 1);
  EXPECT_EQ(found, 1);
}

TEST_F(KitTest, PageBarIsHiddenUntilAResultAndSpeaksOnlyForTheUser) {
  QWidget screen;
  auto* bar = new PageBar(&screen);
  screen.show();
  QList<int> chosen;
  QObject::connect(bar, &PageBar::pageChosen, [&](int page) { chosen << page; });
  EXPECT_FALSE(bar->isVisible());
  EXPECT_EQ(bar->pageText(), "");

  bar->setTotals(3, 25);
  bar->setPage(3);
  bar->setTotals(3, 25);  // a new run: page 1 again
  EXPECT_TRUE(bar->isVisible());
  EXPECT_EQ(chosen.count(), 0) << "filling and moving the bar is not a choice";
  EXPECT_EQ(bar->pageText(), "1");
  EXPECT_EQ(bar->pageCountText(), "3");
  EXPECT_EQ(bar->recordText(), "记录总数：25");
  EXPECT_EQ(bar->chooser()->count(), 3);

  // The user steps to the next page with the keyboard.
  QKeyEvent down(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier);
  QApplication::sendEvent(bar->chooser(), &down);
  EXPECT_EQ(chosen, QList<int>{2});
  EXPECT_EQ(bar->pageText(), "2");

  bar->setTotals(0, 0);
  EXPECT_EQ(bar->chooser()->count(), 0);
  EXPECT_EQ(bar->recordText(), "记录总数：0");
  EXPECT_EQ(chosen.count(), 1);
}

// ---- window sizes

TEST_F(KitTest, AWindowTakesItsSizeOrTheRoomItsScreenHasAndAParentsScreenCounts) {
  QWidget main;
  main.show();
  const QSize room = client::screenRoom(main);
  const QSize free = main.screen()->availableGeometry().size();
  EXPECT_EQ(room, free.shrunkBy(client::kTypicalFrame)) << "the frame of a window is left free";

  QDialog small(&main);
  client::fitToScreen(small, QSize(300, 200));
  EXPECT_EQ(small.size(), QSize(300, 200));
  QDialog large(&main);
  client::fitToScreen(large, QSize(5000, 300));
  EXPECT_EQ(large.size(), QSize(room.width(), 300));
  large.show();
  settle();
  EXPECT_LE(large.frameGeometry().width(), free.width());
}

TEST_F(KitTest, APanelScrollsInsideANarrowWindowWithoutLosingItsHeight) {
  auto* form = new QWidget;
  form->setMinimumSize(900, 120);
  QWidget window;
  auto* layout = new QVBoxLayout(&window);
  layout->setContentsMargins(0, 0, 0, 0);
  auto* panel = new client::ScrollPanel(form, Qt::Horizontal);
  layout->addWidget(panel);
  layout->addStretch();
  EXPECT_LT(window.minimumSizeHint().width(), 200) << "the panel does not widen the window";
  window.resize(400, 400);
  window.show();
  settle();
  EXPECT_EQ(window.width(), 400);
  QScrollBar* bar = panel->horizontalScrollBar();
  EXPECT_TRUE(bar->isVisible());
  EXPECT_EQ(bar->maximum(), 900 - panel->viewport()->width());
  EXPECT_EQ(panel->viewport()->height(), 120) << "across the scrolling, nothing is cut off";

  window.resize(1000, 400);
  settle();
  EXPECT_FALSE(bar->isVisible());
  EXPECT_EQ(panel->height(), 120) << "room enough: the panel is as high as the form, no more";
}

}  // namespace
}  // namespace qk::test
