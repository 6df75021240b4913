// The designer's drawing area: the page at its size in millimetres with rulers along the top and
// left, bands stacked under their caption strips, and the items of each band to select, drag,
// resize and nudge. It only shows the document and turns mouse and keys into its commands: a
// drag changes nothing until the button is released, and then only through the document.
#pragma once

#include <QWidget>

#include "client/report/designer_document.h"

class QGraphicsScene;
class QGraphicsView;

namespace qk::client {

class DesignerCanvas : public QWidget {
  Q_OBJECT
 public:
  // Screen pixels per millimetre at 100 %.
  static constexpr double kPixelsPerMm = 96 / 25.4;
  // The caption strip above each band, in millimetres; it is not part of the printed band.
  static constexpr double kStrip = 5;
  // What the field list drags: the source and the field, separated by a tab.
  static constexpr const char* kFieldMime = "application/x-qk-report-field";

  explicit DesignerCanvas(DesignerDocument& doc, QWidget* parent = nullptr);
  ~DesignerCanvas() override;

  QGraphicsView* view() const;
  // Shows the document now instead of at the next turn of the event loop.
  void refresh();
  // The band and the position within it, in millimetres, at a point of the view; band -1 when
  // the point is on no band.
  std::pair<int, QPointF> bandAt(const QPoint& viewPos) const;

 private:
  class View;
  class Ruler;
  class BandGraphic;
  class ItemGraphic;

  void resizeEvent(QResizeEvent* event) override;

  void scheduleRefresh();
  // The page's whole width in the view, at most at its real size.
  void fitWidth();
  void rebuild();
  void syncSelection();
  void takeSceneSelection();
  void moveDragged(ItemGraphic* dragged);

  DesignerDocument& doc_;
  QGraphicsScene* scene_ = nullptr;
  View* view_ = nullptr;
  Ruler* top_ = nullptr;
  Ruler* left_ = nullptr;
  ReportTemplate shown_;  // what the scene was built from
  bool built_ = false;
  bool syncing_ = false;
  bool pending_ = false;
};

}  // namespace qk::client
