// How the program looks to a user: Qt's own dialogs in Chinese, message boxes titled once and
// cleanly, and a drawn icon on every ribbon button and for every tool-bar name.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileIconProvider>
#include <QFontDatabase>
#include <QFontInfo>
#include <QImage>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QTimer>
#include <QToolButton>

#include "client/app/action_icons.h"
#include "client/app/actions.h"
#include "client/app/application_setup.h"
#include "client/app/main_window.h"
#include "client/data/settings.h"
#include "client/masterdata/master_lists.h"
#include "client/masterdata/products_form.h"
#include "client/query/filter_form.h"
#include "client/query/sys_qry_form.h"
#include "client/report/report_designer.h"
#include "client/report/report_preview.h"
#include "client/report/sys_report_form.h"
#include "client/warehouse/warehouse_forms.h"
#include "client/widgets/grid_style.h"
#include "client/widgets/icons.h"
#include "client/widgets/message_prompter.h"
#include "client/widgets/window_size.h"
#include "client_fixture.h"
#include "support/widget_input.h"

namespace qk::test {
namespace {

bool setUp() {
  static const bool translated =
      client::setUpApplication(*static_cast<QApplication*>(QCoreApplication::instance()));
  return translated;
}

// Pixels an icon actually draws at this size; an icon that draws nothing counts none.
int inkedPixels(const QIcon& icon, int size, QIcon::Mode mode = QIcon::Normal) {
  const QImage img = icon.pixmap(QSize(size, size), 1.0, mode).toImage();
  int n = 0;
  for (int y = 0; y < img.height(); ++y)
    for (int x = 0; x < img.width(); ++x) n += qAlpha(img.pixel(x, y)) > 64;
  return n;
}

// The colour an icon draws in: its most opaque pixel.
QColor ink(const QIcon& icon, QIcon::Mode mode = QIcon::Normal) {
  const QImage img = icon.pixmap(QSize(32, 32), 1.0, mode).toImage();
  QRgb best = 0;
  for (int y = 0; y < img.height(); ++y)
    for (int x = 0; x < img.width(); ++x)
      if (qAlpha(img.pixel(x, y)) > qAlpha(best)) best = img.pixel(x, y);
  return QColor::fromRgba(best);
}

// Runs `open`, which shows a modal dialog, and hands that dialog to `look` before closing it.
void whileModal(const std::function<void()>& open, const std::function<void(QWidget&)>& look) {
  bool seen = false;
  QTimer::singleShot(0, [&] {
    QWidget* dialog = QApplication::activeModalWidget();
    if (!dialog) return;
    seen = true;
    look(*dialog);
    // close() would be refused by a message box without a cancel button.
    if (auto* d = qobject_cast<QDialog*>(dialog)) d->reject();
  });
  open();
  EXPECT_TRUE(seen) << "no modal dialog came up";
}

const QRegularExpression kLatinWord("[A-Za-z]{2,}");

TEST(QtDialogs, StandardButtonsFileAndPrintDialogsSpeakChinese) {
  ASSERT_TRUE(setUp()) << "Qt's Chinese catalogue qtbase_zh_CN.qm was not found";
  QDialogButtonBox buttons(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
  EXPECT_EQ(buttons.button(QDialogButtonBox::Ok)->text(), "确定");
  EXPECT_EQ(buttons.button(QDialogButtonBox::Cancel)->text(), "取消");

  QFileDialog files;
  files.setOption(QFileDialog::DontUseNativeDialog);
  EXPECT_EQ(files.windowTitle(), "打开");
  EXPECT_EQ(QFileIconProvider().type(QFileInfo(QDir::tempPath())), "文件夹")
      << "the file list's type column names a folder";

  QPrinter printer;
  QPrintDialog print(&printer);
  EXPECT_EQ(print.windowTitle(), "打印");

  QPrintPreviewDialog preview(&printer);
  QStringList tips;
  for (QAction* a : preview.findChildren<QAction*>())
    if (!a->toolTip().isEmpty()) tips << a->toolTip();
  EXPECT_TRUE(tips.contains("下一页")) << tips.join(", ").toStdString();
  EXPECT_TRUE(tips.filter(kLatinWord).isEmpty())
      << "still in English: " << tips.filter(kLatinWord).join(", ").toStdString();
}

TEST(MessageTitles, AreTheProductNameOnceOrTheCallersTitleAloneAndFitTheFrame) {
  setUp();
  // Qt appends a separately set display name to every window title on X11 and Windows.
  EXPECT_EQ(QGuiApplication::applicationDisplayName(), QCoreApplication::applicationName());

  client::MessagePrompter prompter;
  QStringList titles;
  auto look = [&](QWidget& box) {
    titles << box.windowTitle();
    QFont bold = box.font();
    bold.setBold(true);
    EXPECT_GT(box.width(), QFontMetrics(bold).horizontalAdvance(box.windowTitle()) + 100)
        << "a short message's box leaves no room for its title";
  };
  whileModal([&] { prompter.message("已保存", client::Prompter::Icon::Information); }, look);
  whileModal([&] { prompter.confirm("删除吗？", "提示"); }, look);
  whileModal([&] { prompter.choose("选择", {"甲", "乙"}); }, look);
  EXPECT_EQ(titles, (QStringList{"QK管理系统客户端", "提示", "QK管理系统客户端"}));
  for (const QString& t : titles)
    EXPECT_FALSE(t.contains("—") || t.contains(" - ")) << t.toStdString();
}

TEST(ToolBarIcons, EveryNameDrawsItsOwnPictureLegiblyAtTwentyFourPixels) {
  const QStringList names{"first",   "prior",   "next",       "last",  "new",    "edit",
                          "delete",  "add-row", "remove-row", "save",  "cancel", "audit",
                          "unaudit", "find",    "print",      "close", "select", "query",
                          "export",  "detail",  "insert"};
  QMap<QByteArray, QString> pictures;
  for (const QString& name : names) {
    const QIcon icon = client::themeIcon(name);
    ASSERT_FALSE(icon.isNull()) << name.toStdString();
    EXPECT_GT(inkedPixels(icon, 24), 24) << name.toStdString() << " draws (almost) nothing";
    const QImage img = icon.pixmap(24, 24).toImage();
    const QByteArray key(reinterpret_cast<const char*>(img.constBits()), img.sizeInBytes());
    EXPECT_FALSE(pictures.contains(key))
        << name.toStdString() << " looks like " << pictures.value(key).toStdString();
    pictures.insert(key, name);
  }

  const QColor red = ink(client::themeIcon("save", QColor(Qt::red)));
  EXPECT_GT(red.red(), 200);
  EXPECT_LT(red.green(), 60) << "a tint must recolour the drawing";
}

TEST(ToolBarIcons, AnUnknownNameGivesAnEmptyIconThatButtonsDrawSafely) {
  const QIcon none = client::themeIcon("no-such-icon");
  EXPECT_TRUE(none.isNull());
  EXPECT_TRUE(client::themeIcon("").isNull());
  EXPECT_TRUE(client::actionIcon("noSuchAction").isNull());
  QToolButton button;
  button.setIcon(none);
  button.setText("打印");
  button.setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
  EXPECT_FALSE(button.grab().isNull());
}

class RibbonIconTest : public ClientTest {};

TEST_F(RibbonIconTest, EveryActionShowsADrawnIconThatGreysWhenDisabled) {
  client::TmainForm window(*dm_);
  QStringList names{"exit1Action", "helpAction", "aboutAction"};
  for (const auto& a : client::rightsActions()) names << a.name;
  for (const QString& name : names) {
    QAction* action = window.action(name);
    ASSERT_NE(action, nullptr) << name.toStdString();
    const QIcon icon = action->icon();
    ASSERT_FALSE(icon.isNull()) << name.toStdString() << " has no icon";
    EXPECT_GT(inkedPixels(icon, 24), 24) << name.toStdString();
    EXPECT_GT(inkedPixels(icon, 32), 32) << name.toStdString();
    const QColor on = ink(icon), off = ink(icon, QIcon::Disabled);
    EXPECT_GT(off.lightness(), on.lightness() + 50)
        << name.toStdString() << ": a disabled action must look greyed";
    EXPECT_LT(off.saturation(), 40) << name.toStdString();
  }
  int buttons = 0;
  for (auto* b : window.findChildren<QToolButton*>())
    if (b->defaultAction()) ++buttons;
  int onRibbon = 0;
  for (const auto& tab : client::ribbonLayout())
    for (const auto& group : tab.groups) onRibbon += static_cast<int>(group.size());
  EXPECT_EQ(buttons, onRibbon);
}

// ---- window sizes

class WindowSizeTest : public ClientTest {
 protected:
  void SetUp() override {
    ClientTest::SetUp();
    loginAdmin();
    dm_->userName = "admin";
    answerConditions();
  }
  // Shows the window as a user gets it: with its frame it lies inside the screen's free area,
  // whatever its content asks for (what does not fit scrolls inside).
  void expectFits(QWidget& window) {
    SCOPED_TRACE(window.windowTitle().toStdString());
    window.show();
    settle();
    const QSize room = window.screen()->availableGeometry().size();
    const QSize outer = window.size().grownBy(client::kTypicalFrame);
    EXPECT_LE(outer.width(), room.width());
    EXPECT_LE(outer.height(), room.height());
    window.hide();
    ++checked_;
  }

  int checked_ = 0;
};

TEST_F(WindowSizeTest, EveryWindowFitsTheScreenItOpensOnFrameIncluded) {
  client::Twh_InForm receipt;
  receipt.formShow();
  expectFits(receipt);
  client::Tbas_custForm customers;
  expectFits(customers);
  client::Tbas_productsForm products;
  expectFits(products);
  client::Tbas_prdEditForm product(&products);
  expectFits(product);

  client::Tsys_qryForm query(*dm_);
  query.loadQuery("qry_wh_in");
  expectFits(query);
  client::TfilterForm conditions(*dm_);
  conditions.queryId = "qry_wh_in";
  conditions.load();
  expectFits(conditions);
  desktop_.on<QPrintPreviewDialog>([this](QPrintPreviewDialog& d) {
    expectFits(d);
    return QDialog::Rejected;
  });
  query.print();

  client::Tsys_reportForm reports;
  reports.category = "wh_in";
  reports.treeMode = false;
  reports.loadReports();
  expectFits(reports);
  ASSERT_TRUE(reports.selectStyle("标准样式"));
  desktop_.on<client::ReportPreview>([this](client::ReportPreview& d) {
    expectFits(d);
    return QDialog::Rejected;
  });
  reports.previewActionExecute();
  desktop_.on<client::ReportDesigner>([this](client::ReportDesigner& d) {
    expectFits(d);
    return QDialog::Rejected;
  });
  reports.designActionExecute();
  EXPECT_EQ(checked_, 10);
}

}  // namespace
}  // namespace qk::test

namespace qk::test {
namespace {

// The seeded grid font "宋体" is missing on most Linux desks; the grid must still get a family
// that draws Chinese itself, or printed tables mix glyphs of two fonts at different sizes.
TEST(GridFont, AConfiguredFamilyTheMachineLacksStillDrawsChineseWithOneFont) {
  client::Settings& s = client::settings();
  const client::Settings kept = s;
  s.gridFontName = "字体类型(宋体) 字体大小(9) 字形(fsNormal)  ";
  const QFont font = client::gridStyle(QApplication::font()).font;
  s = kept;
  const QString used = QFontInfo(font).family();
  EXPECT_TRUE(QFontDatabase::writingSystems(used).contains(QFontDatabase::SimplifiedChinese))
      << used.toStdString();
  EXPECT_EQ(QFontInfo(font).pointSize(), 9);
}

}  // namespace
}  // namespace qk::test
