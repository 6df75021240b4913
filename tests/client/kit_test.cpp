// The screen kit offscreen: tool bars built from a table (captions with accelerators, hints,
// shortcuts, hidden entries, drop-downs, handlers under the error handler, icons by name) and
// the page bar that speaks only when the user chooses a page.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QImage>
#include <QKeyEvent>
#include <QMenu>
#include <QToolBar>
#include <QToolButton>

#include "client/data/data_error.h"
#include "client/widgets/page_bar.h"
#include "client/widgets/tool_action.h"
#include "support/test_prompter.h"

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

}  // namespace
}  // namespace qk::test
