// The factory dashboard against a real server over generated documents: every tile's figures
// are those the test computes from what it generated and those the screen behind the tile
// shows; a click opens that screen (never without the user's right to it); a user without the
// dashboard's right is refused by the server; the picture and the print show the dashboard.
#include <QChartView>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QTimer>
#include <map>
#include <set>

#include "client/app/login_dialog.h"
#include "client/app/main_window.h"
#include "client/app/screens.h"
#include "client/dashboard/dashboard_form.h"
#include "client/dashboard/dashboard_tile.h"
#include "client/dashboard/dashboard_view.h"
#include "client/data/dataset.h"
#include "client/data/settings.h"
#include "client/production/task_query_form.h"
#include "client/production/wage_fee_forms.h"
#include "client/query/sys_qry_form.h"
#include "client/stock/stock_qry_form.h"
#include "client_fixture.h"
#include "server/core/account_store.h"
#include "support/dashboard_documents.h"
#include "support/stock_documents.h"

namespace qk::test {
namespace {

using client::DashboardRow;
using client::DashboardView;
using client::Tsys_qryForm;

class DashboardTest : public DocumentScreenTest {
 protected:
  void SetUp() override {
    DocumentScreenTest::SetUp();
    client::registerStandardScreens();
    today = QDate::currentDate().toString("yyyy-MM-dd").toStdString();
    // Written beside the running server, as another program of the site would.
    auto db = server::AccountStore(dir_.path()).open(kAccount);
    StockDocumentsSpec stock;
    stock.items = 30;
    stock.lines = 1500;
    stock.firstDay = dayAfter(today.substr(0, 8) + "01", -40);
    stock.days = 75;
    moves = generateStockDocuments(*db, stock);
    DashboardDocumentsSpec spec;
    spec.day = today;
    spec.items = stock.items;
    documents = generateDashboardDocuments(*db, spec);
    client::settings().recordCount = 10000;  // one page holds every row a tile stands for
  }
  void TearDown() override {
    client::settings().recordCount = 100;
    DocumentScreenTest::TearDown();
  }

  // A dashboard, loaded.
  std::unique_ptr<DashboardView> loadedView() {
    auto view = std::make_unique<DashboardView>();
    view->refresh();
    EXPECT_TRUE(view->waitForLoad());
    EXPECT_EQ(view->figures().error, "");
    return view;
  }
  // The query dialog a tile opens: its total and every row.
  struct Listed {
    int total = -1;
    std::vector<QVariantMap> rows;
    QString title;
  };
  Listed listedBy(DashboardView& view, const QString& tile) {
    Listed out;
    desktop_.on<Tsys_qryForm>([&out](Tsys_qryForm& f) {
      out.total = f.totalCount();
      out.title = f.windowTitle();
      for (int r = 0; r < f.listSP().recordCount(); ++r) out.rows.push_back(f.rowValues(r));
      return int(QDialog::Rejected);
    });
    view.openTile(tile);
    return out;
  }

  std::string today;
  std::vector<StockMove> moves;
  DashboardDocuments documents;
};

struct OrderFigures {
  std::set<std::string> orders;
  int lines = 0;
  double qty = 0;
};

TEST_F(DashboardTest, OrdersDueAndLateAreTheUndeliveredLinesTheirTilesList) {
  OrderFigures due, late;
  std::map<std::string, int> lateOrdersByCustomer;
  const std::string weekEnd = dayAfter(today, 7);
  for (const GeneratedOrderLine& l : documents.orderLines) {
    if (l.delivered >= l.qty) continue;
    OrderFigures* f = l.dlvDate < today ? &late : l.dlvDate < weekEnd ? &due : nullptr;
    if (!f) continue;
    f->orders.insert(l.keyNo);
    f->lines += 1;
    f->qty += l.qty - l.delivered;
  }
  for (const GeneratedOrderLine& l : documents.orderLines)
    if (l.delivered < l.qty && l.dlvDate < today) lateOrdersByCustomer[l.custNo] = 0;
  std::set<std::pair<std::string, std::string>> seen;
  for (const GeneratedOrderLine& l : documents.orderLines)
    if (l.delivered < l.qty && l.dlvDate < today && seen.insert({l.custNo, l.keyNo}).second)
      ++lateOrdersByCustomer[l.custNo];
  ASSERT_GT(late.lines, 0);
  ASSERT_GT(due.lines, 0);

  auto view = loadedView();
  for (auto [name, expected] : {std::pair{"due", &due}, std::pair{"late", &late}}) {
    const DashboardRow& total = view->figures().tile(name).total;
    EXPECT_EQ(total.v1, double(expected->orders.size())) << name;
    EXPECT_EQ(total.v2, expected->lines) << name;
    EXPECT_NEAR(total.v3, expected->qty, 1e-6) << name;

    const Listed listed = listedBy(*view, name);
    EXPECT_EQ(listed.title, "未交付订单查询");
    EXPECT_EQ(listed.total, expected->lines) << name;
    std::set<QString> orders;
    double qty = 0;
    for (const QVariantMap& row : listed.rows) {
      orders.insert(row.value("keyNo").toString());
      qty += row.value("unQty").toDouble();
    }
    EXPECT_EQ(orders.size(), expected->orders.size()) << name;
    EXPECT_NEAR(qty, expected->qty, 1e-6) << name;
  }
  // The due chart has a bar for each of the seven days, the late one the worst customers.
  const auto& dueRows = view->figures().tile("due").rows;
  ASSERT_EQ(dueRows.size(), 7u);
  EXPECT_EQ(dueRows.front().keyNo.toStdString(), today);
  double perDay = 0;
  for (const DashboardRow& r : dueRows) perDay += r.v1;
  EXPECT_EQ(perDay, double(due.orders.size()));
  const auto& worst = view->figures().tile("late").rows.front();
  int most = 0;
  for (const auto& [cust, n] : lateOrdersByCustomer) most = std::max(most, n);
  EXPECT_EQ(worst.v1, most);
}

TEST_F(DashboardTest, ProductionCountsOnlyOpenLinesWithAPlanAndWaitingPerDepartment) {
  int open = 0;
  double planned = 0, finished = 0;
  std::map<QString, double> waiting;
  for (const GeneratedTaskLine& t : documents.taskLines) {
    // Lines received in full are done; lines planning nothing have no progress to show.
    if (t.qty <= 0 || t.received >= t.qty) continue;
    ++open;
    planned += t.qty;
    finished += t.finished;
    waiting[QString::fromStdString(t.depNo)] += std::max(t.qty - t.finished, 0.0);
  }
  ASSERT_GT(open, 0);
  ASSERT_LT(open, int(documents.taskLines.size()));

  auto view = loadedView();
  const DashboardRow& progress = view->figures().tile("progress").total;
  EXPECT_EQ(progress.v1, open);
  EXPECT_EQ(progress.v2, planned);
  EXPECT_EQ(progress.v3, finished);
  EXPECT_LE(view->figures().tile("progress").rows.size(), 8u);
  for (const DashboardRow& r : view->figures().tile("progress").rows)
    EXPECT_NEAR(r.v3, std::round(1000.0 * r.v2 / r.v1) / 10, 1e-9) << r.label.toStdString();

  std::map<QString, double> shown;
  for (const DashboardRow& r : view->figures().tile("waiting").rows) shown[r.keyNo] = r.v1;
  EXPECT_EQ(shown, waiting);
  EXPECT_EQ(view->figures().tile("waiting").total.v3, open);

  // Both tiles open the task statistics.
  for (const char* tile : {"progress", "waiting"}) {
    bool opened = false;
    desktop_.on<client::Tbus_task_qryForm>([&opened](client::Tbus_task_qryForm&) {
      opened = true;
      return int(QDialog::Rejected);
    });
    view->openTile(tile);
    EXPECT_TRUE(opened) << tile;
  }
}

TEST_F(DashboardTest, ItemsUnderMinimumAndOverMaximumAreThoseTheStockQueryLists) {
  // Every generated item has the limits 10 and 500; its stock is all its movements.
  std::map<std::string, double> stock;
  std::set<std::string> stocked;
  for (const StockMove& m : moves) {
    stock[m.product] += m.qty;
    stocked.insert(m.product);
  }
  std::set<QString> low, lowStocked, high;
  for (int i = 1; i <= 30; ++i) {
    const std::string p = number("P", i, 6);
    if (stock[p] < 10) {
      low.insert(QString::fromStdString(p));
      if (stocked.count(p)) lowStocked.insert(QString::fromStdString(p));
    }
    if (stock[p] > 500) high.insert(QString::fromStdString(p));
  }
  // A little stock over the maximum, so both tiles have something to show.
  exec("update bas_products set highQty = 20 where productNo = 'P000003'");
  if (stock["P000003"] > 20) high.insert("P000003");
  ASSERT_FALSE(low.empty());
  ASSERT_FALSE(high.empty());

  auto view = loadedView();
  EXPECT_EQ(view->figures().tile("low").total.v1, double(low.size()));
  EXPECT_EQ(view->figures().tile("high").total.v1, double(high.size()));
  for (const DashboardRow& r : view->figures().tile("low").rows) {
    EXPECT_TRUE(low.count(r.keyNo)) << r.keyNo.toStdString();
    EXPECT_NEAR(r.v1, stock[r.keyNo.toStdString()], 1e-6);
    EXPECT_NEAR(r.v3, r.v2 - r.v1, 1e-6);
  }
  // The largest shortfall first.
  const auto& rows = view->figures().tile("low").rows;
  for (std::size_t i = 1; i < rows.size(); ++i) EXPECT_GE(rows[i - 1].v3, rows[i].v3);

  // The stock query lists the rows of every such item that has any (an item never stocked has
  // none to list, yet is under its minimum all the same).
  for (auto [tile, expected] : {std::pair{"low", &lowStocked}, std::pair{"high", &high}}) {
    const Listed listed = listedBy(*view, tile);
    EXPECT_EQ(listed.title, "库存查询");
    std::set<QString> items;
    for (const QVariantMap& row : listed.rows) items.insert(row.value("productNo").toString());
    EXPECT_EQ(items, *expected) << tile;
  }
}

TEST_F(DashboardTest, ReceiptsAndIssuesOfTheMonthAreThoseOfTheStockFigures) {
  const std::string month = today.substr(0, 7);
  std::map<int, std::pair<double, double>> byDay;
  for (const StockMove& m : moves)
    if (m.date.substr(0, 7) == month) {
      auto& [in, out] = byDay[std::stoi(m.date.substr(8, 2))];
      (m.qty > 0 ? in : out) += std::abs(m.qty);
    }
  auto view = loadedView();
  const auto& tile = view->figures().tile("moves");
  const int days = QDate::currentDate().daysInMonth();
  ASSERT_EQ(int(tile.rows.size()), days);
  double in = 0, out = 0;
  for (int d = 1; d <= days; ++d) {
    EXPECT_NEAR(tile.rows[d - 1].v1, byDay[d].first, 1e-6) << d;
    EXPECT_NEAR(tile.rows[d - 1].v2, byDay[d].second, 1e-6) << d;
    in += byDay[d].first;
    out += byDay[d].second;
  }
  EXPECT_NEAR(tile.total.v1, in, 1e-6);
  EXPECT_NEAR(tile.total.v2, out, 1e-6);

  // The stock figures screen's procedure over the month, every warehouse.
  auto admin = newClient();
  admin->login();
  const std::string monthEnd = QDate::currentDate()
                                   .addDays(days - QDate::currentDate().day())
                                   .toString("yyyy-MM-dd")
                                   .toStdString();
  const auto history =
      admin->open("exec sp_stock_history :f, :t, 'W01W02'",
                  {{"f", month + "-01"}, {"t", monthEnd + " 23:59:59"}}, "selectDSP");
  double bq1 = 0, bq2 = 0;
  for (const auto& row : history.rows)
    for (std::size_t i = 0; i < history.fields.size(); ++i) {
      if (history.fields[i].name == "bq1") bq1 += std::get<double>(row[i]);
      if (history.fields[i].name == "bq2") bq2 += std::get<double>(row[i]);
    }
  EXPECT_NEAR(bq1, in, 1e-6);
  EXPECT_NEAR(bq2, out, 1e-6);

  bool opened = false;
  desktop_.on<client::TStockQryForm>([&opened](client::TStockQryForm&) {
    opened = true;
    return int(QDialog::Rejected);
  });
  view->openTile("moves");
  EXPECT_TRUE(opened);
}

TEST_F(DashboardTest, WagesAndFeesOfThisAndLastMonthAreTheWageScreensTotals) {
  const std::string month = today.substr(0, 7);
  double wage[2] = {0, 0}, fee[2] = {0, 0};  // this month, last month
  for (const GeneratedRecord& r : documents.records) {
    const int when = r.inspDate.substr(0, 7) == month ? 0 : 1;
    if (r.outsourced)
      fee[when] += r.wage;
    else if (!r.staffNo.empty())
      wage[when] += r.wage;  // work nobody is named for is nobody's wage
  }
  ASSERT_GT(wage[0], 0);
  ASSERT_GT(fee[1], 0);

  auto view = loadedView();
  const auto& tile = view->figures().tile("wages");
  ASSERT_EQ(tile.rows.size(), 2u);
  EXPECT_NEAR(tile.rows[0].v1, wage[0], 1e-6);
  EXPECT_NEAR(tile.rows[0].v2, wage[1], 1e-6);
  EXPECT_NEAR(tile.rows[1].v1, fee[0], 1e-6);
  EXPECT_NEAR(tile.rows[1].v2, fee[1], 1e-6);
  EXPECT_NEAR(tile.total.v1, wage[0] + fee[0], 1e-6);

  // The wage screen opens on this month and shows the same total.
  double shown = -1;
  QDateTime start;
  desktop_.on<client::Tqry_wageForm>([&](client::Tqry_wageForm& f) {
    start = f.startDate();
    shown = 0;
    for (int r = 0; r < f.summaryCDS().recordCount(); ++r)
      shown += f.summaryCDS().valueAt(r, "wage").toDouble();
    return int(QDialog::Rejected);
  });
  view->openTile("wages");
  EXPECT_EQ(start.date(), QDate(QDate::currentDate().year(), QDate::currentDate().month(), 1));
  EXPECT_NEAR(shown, wage[0], 1e-6);
}

TEST_F(DashboardTest, AUserWithoutTheRightIsRefusedByTheServer) {
  addUser("clerk", "pw-12345");
  client::Connection clerk(conn_->url());
  clerk.open();
  ASSERT_EQ(clerk.login(QString::fromUtf8(kAccount), "clerk", "pw-12345"), "OK");
  EXPECT_EQ(dataErrorOf([&] { clerk.openQuery("pubDSP", "exec sp_dashboard", {}); }),
            "没有执行存储过程 sp_dashboard 的权限");
  // The dashboard says so in its status line, and keeps the window usable.
  const client::DashboardFigures figures = client::loadDashboard(clerk);
  EXPECT_EQ(figures.error, "没有执行存储过程 sp_dashboard 的权限");
}

TEST_F(DashboardTest, ATileOpensNothingWithoutTheRightToTheScreenBehindIt) {
  addUser("owner", "pw-12345");
  exec(
      "insert into sys_rights (userName, actionNo, canView) values ('owner', 'dashboardAction', "
      "1)");
  dm_->connection().logout();
  ASSERT_EQ(dm_->connection().login(QString::fromUtf8(kAccount), "owner", "pw-12345"), "OK");
  dm_->userName = "owner";
  auto view = loadedView();
  view->openTile("wages");
  ASSERT_FALSE(prompter_.shown.empty());
  EXPECT_EQ(prompter_.shown.back().text, "您没有打开“工资统计”的权限");
  for (const auto& d : desktop_.shown) EXPECT_NE(d.className, "qk::client::Tqry_wageForm");
}

TEST_F(DashboardTest, AWrongDayIsRefusedAndAGivenDayIsTheFiguresDay) {
  EXPECT_EQ(dataErrorOf([&] {
              conn_->openQuery("pubDSP", "exec sp_dashboard :d", {{"d", std::string("31.12.26")}});
            }),
            "日期格式不正确: 31.12.26");
  const client::DashboardFigures figures =
      client::loadDashboard(*conn_, QDate::currentDate().addDays(-3));
  EXPECT_EQ(figures.tile("due").total.keyNo,
            QDate::currentDate().addDays(-3).toString("yyyy-MM-dd"));
}

TEST_F(DashboardTest, ThePictureAndThePrintShowTheLoadedDashboard) {
  auto view = loadedView();
  view->resize(1300, 700);
  EXPECT_NE(view->tile("late")->figureLabel()->text(), "—");
  EXPECT_NE(view->tile("moves")->chartView()->chart()->series().size(), 0);

  const QString file = programFile("看板.png");
  desktop_.files.push_back(file);
  prompter_.answers.push_back(0);  // not opened after the export
  EXPECT_EQ(view->exportPng(), file);
  const QImage picture(file);
  EXPECT_EQ(picture.size(), view->size());

  QString printed;
  desktop_.on<QPrintPreviewDialog>([&printed](QPrintPreviewDialog& d) {
    printed = d.printer()->docName();
    return int(QDialog::Rejected);
  });
  view->print();
  EXPECT_EQ(printed, "工厂看板");
}

TEST_F(DashboardTest, TheScreenLoadsWhenShownAndRefreshesOnATimer) {
  client::TdashboardForm form;
  EXPECT_FALSE(form.view()->refreshTimer()->isActive());
  form.show();
  EXPECT_TRUE(form.view()->refreshTimer()->isActive());
  EXPECT_EQ(form.view()->refreshTimer()->interval(), client::kDashboardRefreshMs);
  EXPECT_TRUE(form.view()->waitForLoad());
  EXPECT_TRUE(form.view()->statusLabel()->text().startsWith("更新于"));
  EXPECT_EQ(form.view()->figures().tile("wages").rows.size(), 2u);
}

TEST_F(DashboardTest, TheMainWindowShowsItInsteadOfThePictureOnlyWhenSetTo) {
  answerLogin();
  {
    client::TmainForm w(*dm_);
    ASSERT_TRUE(w.FormShow());
    EXPECT_EQ(w.findChild<DashboardView*>(), nullptr) << "off by default";
  }
  exec("update sys_config set idValue = '是' where idName = 'showDashboard'");
  client::TmainForm w(*dm_);
  ASSERT_TRUE(w.FormShow());
  auto* view = w.findChild<DashboardView*>();
  ASSERT_NE(view, nullptr);
  view->refresh();
  EXPECT_TRUE(view->waitForLoad());
  EXPECT_EQ(view->figures().error, "");
  EXPECT_EQ(view->figures().tile("moves").rows.size(), size_t(QDate::currentDate().daysInMonth()));
}

}  // namespace
}  // namespace qk::test
