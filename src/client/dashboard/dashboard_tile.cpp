#include "client/dashboard/dashboard_tile.h"

#include <QChart>
#include <QChartView>
#include <QLabel>
#include <QMouseEvent>
#include <QVBoxLayout>

namespace qk::client {

DashboardTile::DashboardTile(QString name, const QString& caption, const QString& hint,
                             QWidget* parent)
    : QFrame(parent), name_(std::move(name)) {
  setObjectName("dashboardTile");
  setStyleSheet(
      "#dashboardTile { background: white; border: 1px solid #c9d6e3; border-radius: 6px; }"
      "#dashboardTile:hover { border-color: #1565c0; }");
  setCursor(Qt::PointingHandCursor);
  setToolTip(hint);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(10, 8, 10, 6);
  layout->setSpacing(2);
  auto* title = new QLabel(caption, this);
  title->setStyleSheet("color: #37474f; font-weight: bold; font-size: 14px;");
  figure_ = new QLabel("—", this);
  figure_->setStyleSheet("color: #1565c0; font-weight: bold; font-size: 26px;");
  note_ = new QLabel(this);
  note_->setStyleSheet("color: #607d8b; font-size: 12px;");
  note_->setWordWrap(true);
  view_ = new QChartView(this);
  view_->setRenderHint(QPainter::Antialiasing);
  view_->setMinimumHeight(150);
  view_->setFrameShape(QFrame::NoFrame);
  view_->viewport()->installEventFilter(this);
  view_->viewport()->setCursor(Qt::PointingHandCursor);
  layout->addWidget(title);
  layout->addWidget(figure_);
  layout->addWidget(note_);
  layout->addWidget(view_, 1);
}

void DashboardTile::setFigure(const QString& figure, const QString& note) {
  figure_->setText(figure);
  note_->setText(note);
}

void DashboardTile::setChart(QChart* chart) {
  QChart* old = view_->chart();
  view_->setChart(chart);
  // A chart view owns the chart it was given; the first one is its own empty chart.
  delete old;
}

void DashboardTile::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) emit clicked(name_);
  QFrame::mouseReleaseEvent(event);
}

bool DashboardTile::eventFilter(QObject* watched, QEvent* event) {
  if (watched == view_->viewport() && event->type() == QEvent::MouseButtonRelease &&
      static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton)
    emit clicked(name_);
  return QFrame::eventFilter(watched, event);
}

}  // namespace qk::client
