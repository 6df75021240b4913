// One tile of the factory dashboard: a caption, a large figure, a line of detail and a small
// chart. A click anywhere on it (chart included) asks for the screen behind it; the tile itself
// opens nothing and knows no figures but those it is given.
#pragma once

#include <QFrame>
#include <QString>

class QChart;
class QChartView;
class QLabel;

namespace qk::client {

class DashboardTile : public QFrame {
  Q_OBJECT
 public:
  DashboardTile(QString name, const QString& caption, const QString& hint, QWidget* parent);

  const QString& name() const { return name_; }
  void setFigure(const QString& figure, const QString& note);
  // Takes the chart; the one shown before is deleted.
  void setChart(QChart* chart);

  QLabel* figureLabel() const { return figure_; }
  QLabel* noteLabel() const { return note_; }
  QChartView* chartView() const { return view_; }

 signals:
  void clicked(const QString& name);

 protected:
  void mouseReleaseEvent(QMouseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QString name_;
  QLabel *figure_, *note_;
  QChartView* view_;
};

}  // namespace qk::client
