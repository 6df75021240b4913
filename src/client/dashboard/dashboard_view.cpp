#include "client/dashboard/dashboard_view.h"

#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QCursor>
#include <QDateTime>
#include <QDialog>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QGridLayout>
#include <QHorizontalBarSeries>
#include <QLabel>
#include <QLegendMarker>
#include <QLineSeries>
#include <QPainter>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QProgressBar>
#include <QTimer>
#include <QToolBar>
#include <QToolTip>
#include <QVBoxLayout>
#include <QValueAxis>
#include <QtConcurrent/QtConcurrentRun>
#include <cmath>
#include <memory>

#include "client/dashboard/dashboard_tile.h"
#include "client/data/data_module.h"
#include "client/data/dataset.h"
#include "client/data/prompter.h"
#include "client/data/settings.h"
#include "client/production/wage_fee_forms.h"
#include "client/query/filter_form.h"
#include "client/query/sys_qry_form.h"
#include "client/widgets/desktop.h"
#include "client/widgets/error_handler.h"
#include "client/widgets/file_export.h"
#include "client/widgets/screen_registry.h"
#include "client/widgets/tool_action.h"

namespace qk::client {

namespace {

struct TileDef {
  const char* name;
  const char* caption;
  const char* hint;  // what a click opens
};

// In reading order: orders, production, stock, money.
constexpr TileDef kTiles[] = {
    {"due", "7天内到期订单", "单击打开未交付订单查询（7天内到期）"},
    {"late", "逾期未交订单", "单击打开未交付订单查询（已过交货日期）"},
    {"progress", "生产进度", "单击打开生产任务单统计"},
    {"waiting", "各部门待加工", "单击打开生产任务单统计"},
    {"low", "低于最低库存", "单击打开库存查询（低于最低库存）"},
    {"high", "高于最高库存", "单击打开库存查询（高于最高库存）"},
    {"moves", "本月出入库", "单击打开存货统计"},
    {"wages", "本月计件工资与外协费", "单击打开工资统计（本月）"},
};

constexpr QRgb kBlue = 0x1e88e5, kGreen = 0x43a047, kRed = 0xe53935, kOrange = 0xfb8c00,
               kGrey = 0x90a4ae;

QString num(double v, int decimals = 0) {
  return QLocale().toString(v, 'f', decimals);
}

// Long names are cut on the axis (their start, or their end for numbers); the tooltip shows them
// whole. The axis needs distinct captions, so a repeated one gets invisible marks appended.
QString axisLabel(const QString& s, bool keepEnd, QStringList& taken) {
  const int chars = keepEnd ? 6 : 5;
  QString label = s.size() <= chars ? s : keepEnd ? "…" + s.right(chars) : s.left(chars) + "…";
  while (taken.contains(label)) label += QChar(0x200B);
  taken << label;
  return label;
}

// A value axis from 0 with three ticks on whole numbers.
QValueAxis* countAxis(double top) {
  auto* axis = new QValueAxis;
  axis->setLabelFormat("%.0f");
  axis->setTickCount(3);
  const double nice = std::max(2.0, 2 * std::ceil(top * 1.05 / 2));
  axis->setRange(0, nice);
  return axis;
}

QFont smallFont() {
  QFont f;
  f.setPointSize(8);
  return f;
}

QChart* newChart() {
  auto* chart = new QChart;
  chart->setMargins(QMargins(2, 2, 2, 2));
  chart->setBackgroundRoundness(0);
  chart->setAnimationOptions(QChart::NoAnimation);
  chart->legend()->setFont(smallFont());
  chart->legend()->setAlignment(Qt::AlignBottom);
  return chart;
}

constexpr std::size_t kHorizontalBars = 4;

struct BarSetDef {
  QString name;
  QRgb color;
  double DashboardRow::*value;
};

// Bars per row of the tile, one set per figure; horizontal for named rows (customers, items).
QChart* barChart(const std::vector<DashboardRow>& rows, const std::vector<BarSetDef>& sets,
                 bool horizontal, bool keepEnd = false) {
  QChart* chart = newChart();
  QAbstractBarSeries* series = horizontal
                                   ? static_cast<QAbstractBarSeries*>(new QHorizontalBarSeries)
                                   : static_cast<QAbstractBarSeries*>(new QBarSeries);
  QStringList categories, fullNames;
  // Horizontal bars read top to bottom in row order.
  // A horizontal bar's caption needs a line's height: four fit a tile, more would be elided.
  std::vector<const DashboardRow*> ordered;
  for (const DashboardRow& r : rows)
    if (!horizontal || ordered.size() < kHorizontalBars) ordered.push_back(&r);
  if (horizontal) std::reverse(ordered.begin(), ordered.end());
  for (const DashboardRow* r : ordered) {
    categories << axisLabel(r->label, keepEnd, categories);
    fullNames << r->label;
  }
  for (const BarSetDef& def : sets) {
    auto* set = new QBarSet(def.name);
    set->setColor(QColor(def.color));
    set->setBorderColor(QColor(def.color));
    for (const DashboardRow* r : ordered) set->append(r->*(def.value));
    QObject::connect(set, &QBarSet::hovered, set, [set, fullNames](bool on, int index) {
      if (on && index >= 0 && index < fullNames.size())
        QToolTip::showText(
            QCursor::pos(),
            QString("%1\n%2：%3").arg(fullNames[index], set->label(), num(set->at(index), 2)));
    });
    series->append(set);
  }
  chart->addSeries(series);
  auto* axis = new QBarCategoryAxis;
  axis->append(categories.isEmpty() ? QStringList{"无"} : categories);
  // Qt Charts elides a caption taller than its share of the axis to "…" alone.
  QFont captions = smallFont();
  if (horizontal) captions.setPointSize(7);
  axis->setLabelsFont(captions);
  double top = 0;
  for (const DashboardRow* r : ordered)
    for (const BarSetDef& def : sets) top = std::max(top, r->*(def.value));
  QValueAxis* values = countAxis(top);
  values->setLabelsFont(smallFont());
  chart->addAxis(axis, horizontal ? Qt::AlignLeft : Qt::AlignBottom);
  chart->addAxis(values, horizontal ? Qt::AlignBottom : Qt::AlignLeft);
  series->attachAxis(axis);
  series->attachAxis(values);
  chart->legend()->setVisible(sets.size() > 1);
  return chart;
}

// Receipts and issues over the days of the month.
QChart* movesChart(const std::vector<DashboardRow>& rows) {
  QChart* chart = newChart();
  double top = 0;
  const std::pair<const char*, QRgb> lines[] = {{"入库", kGreen}, {"出库", kOrange}};
  for (int i = 0; i < 2; ++i) {
    auto* series = new QLineSeries;
    series->setName(lines[i].first);
    series->setColor(QColor(lines[i].second));
    for (const DashboardRow& r : rows) {
      const double v = i == 0 ? r.v1 : r.v2;
      series->append(r.label.toDouble(), v);
      top = std::max(top, v);
    }
    const QString name = lines[i].first;
    QObject::connect(series, &QLineSeries::hovered, series, [name](const QPointF& p, bool on) {
      if (on)
        QToolTip::showText(QCursor::pos(),
                           QString("%1日 %2：%3").arg(qRound(p.x())).arg(name, num(p.y(), 2)));
    });
    chart->addSeries(series);
  }
  auto* days = new QValueAxis;
  days->setRange(1, std::max<int>(2, static_cast<int>(rows.size())));
  days->setLabelFormat("%d");
  days->setTickCount(6);
  days->setLabelsFont(smallFont());
  QValueAxis* values = countAxis(top);
  values->setLabelsFont(smallFont());
  chart->addAxis(days, Qt::AlignBottom);
  chart->addAxis(values, Qt::AlignLeft);
  for (QAbstractSeries* s : chart->series()) {
    s->attachAxis(days);
    s->attachAxis(values);
  }
  return chart;
}

QString percent(double part, double whole) {
  return whole > 0 ? num(100.0 * part / whole, 0) + "%" : "—";
}

}  // namespace

DashboardView::DashboardView(QWidget* parent) : QWidget(parent) {
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(6, 4, 6, 6);
  bar_ = newToolBar(this);
  addToolActions(
      *bar_, {
                 {"刷新", 'R', "query", "重新读取看板数据", [this] { refresh(); }, &refreshAction},
                 {"导出图片", 'E', "export", "把看板保存为 PNG 图片", [this] { exportPng(); },
                  &exportAction},
                 {"打印", 'P', "print", "打印预览看板", [this] { print(); }, &printAction},
             });
  busy_ = new QProgressBar(this);
  busy_->setRange(0, 0);  // a busy indicator, not a percentage
  busy_->setMaximumWidth(120);
  busy_->setTextVisible(false);
  busy_->hide();
  status_ = new QLabel(this);
  status_->setStyleSheet("color: #607d8b; padding-left: 12px;");
  auto* spacer = new QWidget(this);
  spacer->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
  bar_->addWidget(spacer);
  bar_->addWidget(busy_);
  bar_->addWidget(status_);
  layout->addWidget(bar_);

  auto* grid = new QGridLayout;
  grid->setSpacing(8);
  int i = 0;
  for (const TileDef& def : kTiles) {
    auto* tile = new DashboardTile(def.name, def.caption, def.hint, this);
    // Under the application-wide handler, as a tool action's handler runs.
    connect(tile, &DashboardTile::clicked, this,
            [this](const QString& name) { guarded([&] { openTile(name); }); });
    tiles_[def.name] = tile;
    grid->addWidget(tile, i / 4, i % 4);
    ++i;
  }
  for (int c = 0; c < 4; ++c) grid->setColumnStretch(c, 1);
  layout->addLayout(grid, 1);
  setStyleSheet("DashboardView { background: #eef3f8; }");
  setAttribute(Qt::WA_StyledBackground);

  timer_ = new QTimer(this);
  timer_->setInterval(kDashboardRefreshMs);
  connect(timer_, &QTimer::timeout, this, &DashboardView::refresh);
  connect(&watcher_, &QFutureWatcher<DashboardFigures>::finished, this, [this] {
    busy_->hide();
    refreshAction->setEnabled(true);
    show(watcher_.result());
    emit loaded();
  });
}

DashboardView::~DashboardView() {
  // The worker holds only its own connection, but it must not outlive the program's objects.
  watcher_.waitForFinished();
}

void DashboardView::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (shownOnce_) return;
  shownOnce_ = true;
  timer_->start();
  refresh();
}

bool DashboardView::loading() const {
  return watcher_.isRunning();
}

void DashboardView::refresh() {
  if (loading()) return;
  busy_->show();
  refreshAction->setEnabled(false);
  status_->setText("正在读取…");
  std::shared_ptr<Connection> own = dm().connection().sibling();
  const QDate forDay = day;
  watcher_.setFuture(QtConcurrent::run([own, forDay] { return loadDashboard(*own, forDay); }));
}

bool DashboardView::waitForLoad(int ms) {
  if (!loading()) return true;
  QEventLoop loop;
  QTimer::singleShot(ms, &loop, &QEventLoop::quit);
  connect(this, &DashboardView::loaded, &loop, &QEventLoop::quit);
  loop.exec();
  return !loading();
}

DashboardTile* DashboardView::tile(const QString& name) const {
  const auto it = tiles_.find(name);
  return it == tiles_.end() ? nullptr : it->second;
}

void DashboardView::show(const DashboardFigures& figures) {
  if (!figures.error.isEmpty()) {
    // The figures shown stay; only the status says they could not be brought up to date.
    status_->setText("读取失败：" + figures.error);
    return;
  }
  figures_ = figures;
  status_->setText("更新于 " + QTime::currentTime().toString("HH:mm:ss"));

  const auto& due = figures.tile("due");
  tile("due")->setFigure(
      num(due.total.v1) + " 单",
      QString("订单行 %1，未交数量 %2").arg(num(due.total.v2), num(due.total.v3, 2)));
  std::vector<DashboardRow> days = due.rows;
  for (DashboardRow& r : days) {
    const QDate date = QDate::fromString(r.keyNo, "yyyy-MM-dd");
    if (date.isValid()) r.label = QString::number(date.day());
  }
  tile("due")->setChart(barChart(days, {{"订单数", kBlue, &DashboardRow::v1}}, false));

  const auto& late = figures.tile("late");
  tile("late")->setFigure(
      num(late.total.v1) + " 单",
      QString("订单行 %1，未交数量 %2").arg(num(late.total.v2), num(late.total.v3, 2)));
  tile("late")->figureLabel()->setStyleSheet(
      QString("color: %1; font-weight: bold; font-size: 26px;")
          .arg(late.total.v1 > 0 ? "#c62828" : "#2e7d32"));
  tile("late")->setChart(barChart(late.rows, {{"逾期订单", kRed, &DashboardRow::v1}}, true));

  const auto& progress = figures.tile("progress");
  tile("progress")
      ->setFigure(percent(progress.total.v3, progress.total.v2),
                  QString("未完工任务 %1 行，计划 %2，已完成 %3")
                      .arg(num(progress.total.v1), num(progress.total.v2), num(progress.total.v3)));
  tile("progress")
      ->setChart(
          barChart(progress.rows,
                   {{"计划数", kGrey, &DashboardRow::v1}, {"完成数", kGreen, &DashboardRow::v2}},
                   true, true));

  const auto& waiting = figures.tile("waiting");
  tile("waiting")->setFigure(
      num(waiting.total.v2) + " 件",
      QString("%1 个部门，%2 行任务").arg(num(waiting.total.v1), num(waiting.total.v3)));
  tile("waiting")->setChart(
      barChart(waiting.rows, {{"待加工数", kOrange, &DashboardRow::v1}}, true));

  const auto& low = figures.tile("low");
  tile("low")->setFigure(num(low.total.v1) + " 种", "库存合计低于最低库存的物料");
  tile("low")->setChart(barChart(
      low.rows, {{"库存", kBlue, &DashboardRow::v1}, {"最低库存", kRed, &DashboardRow::v2}}, true));

  const auto& high = figures.tile("high");
  tile("high")->setFigure(num(high.total.v1) + " 种", "库存合计高于最高库存的物料");
  tile("high")->setChart(barChart(
      high.rows, {{"库存", kBlue, &DashboardRow::v1}, {"最高库存", kOrange, &DashboardRow::v2}},
      true));

  const auto& moves = figures.tile("moves");
  tile("moves")->setFigure(QString("入 %1 / 出 %2").arg(num(moves.total.v1), num(moves.total.v2)),
                           QString("%1 各仓库每天的入库与出库数量").arg(moves.total.label));
  tile("moves")->setChart(movesChart(moves.rows));

  const auto& wages = figures.tile("wages");
  tile("wages")->setFigure(num(wages.total.v1, 2) + " 元",
                           QString("上月 %1 元").arg(num(wages.total.v2, 2)));
  tile("wages")->setChart(barChart(
      wages.rows, {{"本月", kBlue, &DashboardRow::v1}, {"上月", kGrey, &DashboardRow::v2}}, false));
}

bool DashboardView::userMayOpen(const char* action, const QString& caption) {
  Dataset rights(dm().connection(), "pubDSP");
  rights.setCommandText(
      "select count(*) as n from sys_rights where rtrim(userName) = rtrim(:p1) "
      "and actionNo = :p2 and canView = 1");
  rights.params().byName("p1").value = dm().userName;
  rights.params().byName("p2").value = QString(action);
  rights.open();
  if (rights.valueAt(0, "n").toInt() > 0) return true;
  prompter().message(QString("您没有打开“%1”的权限").arg(caption), Prompter::Icon::Warning);
  return false;
}

void DashboardView::openQuery(const char* caption, const char* queryId, const char* source,
                              const char* mode, const QString& where) {
  Tsys_qryForm dlg(dm(), this);
  dlg.modeText = mode;
  dlg.setWindowTitle(caption);
  dlg.queryId = queryId;
  dlg.loadQuery(queryId);
  dlg.setTreeVisible(false);
  dlg.setDetailVisible(true);
  dlg.callPage(source, "*", dlg.keyName(), where, dlg.sortName(), settings().recordCount, 1, false);
  desktop().exec(dlg);
}

void DashboardView::openScreen(const char* action) {
  const ScreenFactory* factory = findScreen(action);
  if (!factory) return;
  if (std::unique_ptr<QDialog> dlg = (*factory)(this)) desktop().exec(*dlg);
}

void DashboardView::openTile(const QString& name) {
  // The presets take the day the figures were computed for, as the server gave it.
  const QDate shownDay = QDate::fromString(figures_.tile("due").total.keyNo, "yyyy-MM-dd");
  const QDate d = shownDay.isValid() ? shownDay : QDate::currentDate();
  if (name == "due" || name == "late") {
    if (!userMayOpen("bus_SO_unfAction", "未交付订单统计")) return;
    const QString where = name == "due"
                              ? QString("dlvDate >= %1 and dlvDate < %2")
                                    .arg(quoted(d.toString("yyyy-MM-dd")),
                                         quoted(d.addDays(7).toString("yyyy-MM-dd")))
                              : QString("dlvDate < %1").arg(quoted(d.toString("yyyy-MM-dd")));
    openQuery("未交付订单查询", "qry_bus_so_un", "view_qry_bus_so_un", "so_unf", where);
  } else if (name == "progress" || name == "waiting") {
    if (userMayOpen("bus_task_qryAction", "生产任务单统计")) openScreen("bus_task_qryAction");
  } else if (name == "low" || name == "high") {
    if (!userMayOpen("wh_viewAction", "库存查询")) return;
    const QString limit = name == "low" ? "p.lowQty > 0 and coalesce(s.qty, 0) < p.lowQty"
                                        : "p.highQty > 0 and coalesce(s.qty, 0) > p.highQty";
    openQuery("库存查询", "qry_wh_view", "view_qry_wh_view", "",
              "productNo in (select p.productNo from bas_products p left join (select productNo, "
              "total(Qty) as qty from wh_stock group by productNo) s on s.productNo = "
              "p.productNo where " +
                  limit + ")");
  } else if (name == "moves") {
    if (userMayOpen("stock_inventoryAction", "存货统计")) openScreen("stock_inventoryAction");
  } else if (name == "wages") {
    if (!userMayOpen("bus_wageAction", "工资统计")) return;
    Tqry_wageForm wages(this);
    const QDate first(d.year(), d.month(), 1);
    wages.queryPeriod(first.startOfDay(),
                      QDateTime(first.addMonths(1).addDays(-1), QTime(23, 59, 59)));
    desktop().exec(wages);
  }
}

QString DashboardView::exportPng() {
  const QPixmap picture = grab();
  return exportToFile(this, "工厂看板", {"导出图片", "png", "PNG 图片 (*.png)"},
                      [&picture](QString& file, QString* error) {
                        if (picture.save(file, "PNG")) return true;
                        *error = "无法写入图片文件";
                        return false;
                      });
}

void DashboardView::print() {
  const QPixmap picture = grab();
  QPrinter printer(QPrinter::HighResolution);
  printer.setPageOrientation(QPageLayout::Landscape);
  printer.setDocName("工厂看板");
  QPrintPreviewDialog dialog(&printer, this);
  dialog.setWindowTitle("打印预览");
  connect(&dialog, &QPrintPreviewDialog::paintRequested, &dialog, [&picture](QPrinter* p) {
    QPainter painter(p);
    const QRect page = painter.viewport();
    const QSize size = picture.size().scaled(page.size(), Qt::KeepAspectRatio);
    painter.setViewport(page.x(), page.y(), size.width(), size.height());
    painter.setWindow(picture.rect());
    painter.drawPixmap(0, 0, picture);
  });
  desktop().exec(dialog);
}

}  // namespace qk::client
