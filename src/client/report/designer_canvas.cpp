#include "client/report/designer_canvas.h"

#include <QGraphicsItem>
#include <QGraphicsScene>
#include <QGraphicsSceneMouseEvent>
#include <QGraphicsView>
#include <QGridLayout>
#include <QKeyEvent>
#include <QMimeData>
#include <QPainter>
#include <QScrollBar>
#include <QStyleOptionGraphicsItem>
#include <QTimer>
#include <algorithm>
#include <cmath>

#include "client/report/qr_code.h"
#include "client/report/rendered_report.h"
#include "client/report/report_renderer.h"

namespace qk::client {

namespace {

constexpr double kHandlePx = 6;  // handle squares, screen pixels whatever the zoom
constexpr double kTextScale =
    10;  // text is drawn in tenths of a millimetre (font pixel sizes are whole)
const QColor kSelection(0, 120, 215);

double snap(double mm) {
  return std::round(mm / DesignerDocument::kNudge) * DesignerDocument::kNudge;
}

// Painter units per screen pixel, so handles and hairlines keep their size when zoomed.
double pixel(QPainter* p) {
  double scale = p->worldTransform().m11();
  return scale > 0 ? 1 / scale : 0.25;
}

QString bandCaption(const ReportBand& band) {
  QString caption = bandTypeCaption(band.type);
  if (!band.dataSource.isEmpty()) caption += "：" + band.dataSource;
  if (!band.groupBy.isEmpty()) caption += "：" + band.groupBy;
  return caption;
}

}  // namespace

// ---------------------------------------------------------------------------------------------

class DesignerCanvas::View : public QGraphicsView {
  // Fields are taken over a band only; the scene has nothing else to accept them.
  void acceptField(QDropEvent* e) {
    if (e->mimeData()->hasFormat(kFieldMime) && c_.bandAt(e->position().toPoint()).first >= 0)
      e->acceptProposedAction();
    else
      e->ignore();
  }

 public:
  View(DesignerCanvas& canvas, QGraphicsScene* scene) : QGraphicsView(scene, &canvas), c_(canvas) {
    setBackgroundBrush(QColor(0xd8, 0xdb, 0xe0));
    setRenderHint(QPainter::Antialiasing);
    setRenderHint(QPainter::TextAntialiasing);
    setDragMode(QGraphicsView::RubberBandDrag);
    setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    setAcceptDrops(true);
  }

 protected:
  void keyPressEvent(QKeyEvent* e) override {
    DesignerDocument& doc = c_.doc_;
    const double step = DesignerDocument::kNudge;
    const bool resize = e->modifiers() & Qt::ShiftModifier;
    double dx = 0, dy = 0;
    switch (e->key()) {
      case Qt::Key_Left:
        dx = -step;
        break;
      case Qt::Key_Right:
        dx = step;
        break;
      case Qt::Key_Up:
        dy = -step;
        break;
      case Qt::Key_Down:
        dy = step;
        break;
      case Qt::Key_Delete:
        doc.deleteSelection();
        return;
      default:
        QGraphicsView::keyPressEvent(e);
        return;
    }
    if (resize)
      doc.resizeSelection(dx, dy);
    else
      doc.moveSelection(dx, dy);
  }
  void scrollContentsBy(int dx, int dy) override;
  void dragEnterEvent(QDragEnterEvent* e) override { acceptField(e); }
  void dragMoveEvent(QDragMoveEvent* e) override { acceptField(e); }
  void dropEvent(QDropEvent* e) override {
    const QStringList parts = QString::fromUtf8(e->mimeData()->data(kFieldMime)).split('\t');
    const auto [band, at] = c_.bandAt(e->position().toPoint());
    if (parts.size() != 2 || band < 0) return e->ignore();
    c_.doc_.dropField(parts[0], parts[1], band, at);
    e->acceptProposedAction();
  }

 private:
  DesignerCanvas& c_;
};

// Millimetres from the page's edge, labelled every centimetre.
class DesignerCanvas::Ruler : public QWidget {
 public:
  static constexpr int kThickness = 20;
  Ruler(Qt::Orientation o, DesignerCanvas& canvas) : QWidget(&canvas), o_(o), c_(canvas) {
    if (o_ == Qt::Horizontal)
      setFixedHeight(kThickness);
    else
      setFixedWidth(kThickness);
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    p.fillRect(rect(), QColor(0xf3, 0xf4, 0xf6));
    p.setPen(QColor(0x9a, 0xa0, 0xa6));
    QFont f = font();
    f.setPixelSize(9);
    p.setFont(f);
    const QSizeF page = c_.doc_.reportTemplate().page.size();
    const double length = o_ == Qt::Horizontal
                              ? page.width()
                              : std::max(page.height(), c_.scene_->sceneRect().height());
    const QGraphicsView* v = c_.view_;
    const QPoint origin = v->viewport()->mapTo(&c_, QPoint(0, 0)) - pos();
    for (int mm = 0; mm <= static_cast<int>(length); ++mm) {
      QPoint at = v->mapFromScene(QPointF(mm, mm)) + origin;
      int pos = o_ == Qt::Horizontal ? at.x() : at.y();
      int tick = mm % 10 == 0 ? 10 : mm % 5 == 0 ? 6 : 3;
      if (o_ == Qt::Horizontal) {
        p.drawLine(pos, kThickness - tick, pos, kThickness);
        if (mm % 10 == 0 && mm > 0) p.drawText(pos + 2, 10, QString::number(mm));
      } else {
        p.drawLine(kThickness - tick, pos, kThickness, pos);
        if (mm % 10 == 0 && mm > 0) {
          p.save();
          p.translate(10, pos + 2);
          p.rotate(90);
          p.drawText(0, 0, QString::number(mm));
          p.restore();
        }
      }
    }
    p.setPen(QColor(0xc0, 0xc4, 0xc8));
    if (o_ == Qt::Horizontal)
      p.drawLine(0, kThickness - 1, width(), kThickness - 1);
    else
      p.drawLine(kThickness - 1, 0, kThickness - 1, height());
  }

 private:
  Qt::Orientation o_;
  DesignerCanvas& c_;
};

void DesignerCanvas::View::scrollContentsBy(int dx, int dy) {
  QGraphicsView::scrollContentsBy(dx, dy);
  c_.top_->update();
  c_.left_->update();
}

// A band's printed area at its origin, with its caption strip just above it.
class DesignerCanvas::BandGraphic : public QGraphicsItem {
 public:
  BandGraphic(DesignerCanvas& c, int index, const ReportBand& band, double width)
      : c_(c), index_(index), height_(band.height), caption_(bandCaption(band)), width_(width) {}
  int index() const { return index_; }
  QRectF boundingRect() const override { return QRectF(0, -kStrip, width_, kStrip + height_); }
  void paint(QPainter* p, const QStyleOptionGraphicsItem*, QWidget*) override {
    const bool current = c_.doc_.currentBand() == index_;
    const double px = pixel(p);
    QRectF strip(0, -kStrip, width_, kStrip);
    p->fillRect(strip, current ? QColor(0xcf, 0xe3, 0xfa) : QColor(0xec, 0xee, 0xf1));
    p->save();
    p->scale(1 / kTextScale, 1 / kTextScale);
    QFont f = ReportRenderer::itemFont({}, 8, current, false, false);
    f.setPixelSize(static_cast<int>(3 * kTextScale));
    p->setFont(f);
    p->setPen(QColor(0x44, 0x4a, 0x52));
    p->drawText(QRectF(1.5 * kTextScale, -kStrip * kTextScale, (width_ - 3) * kTextScale,
                       kStrip * kTextScale),
                Qt::AlignLeft | Qt::AlignVCenter, caption_);
    p->restore();
    QPen edge(QColor(0xa8, 0xae, 0xb6), px, Qt::DashLine);
    p->setPen(edge);
    p->drawLine(QPointF(0, height_), QPointF(width_, height_));
  }

 protected:
  void mousePressEvent(QGraphicsSceneMouseEvent* e) override {
    c_.doc_.selectBand(index_);
    e->accept();
  }

 private:
  DesignerCanvas& c_;
  int index_;
  double height_;
  QString caption_;
  double width_;
};

// One item, placed at its rectangle's origin within its band. While a handle is dragged it
// shows the rectangle being drawn; everything else comes from the document.
class DesignerCanvas::ItemGraphic : public QGraphicsItem {
 public:
  // Not a child of its band: a handle at the band's bottom edge must stay above the next
  // band's caption strip, which a later sibling's children would cover.
  ItemGraphic(DesignerCanvas& c, ItemRef ref, const ReportItem& item, QPointF bandOrigin)
      : c_(c), ref_(ref), item_(item), origin_(bandOrigin) {
    setFlags(ItemIsSelectable | ItemIsMovable);
    setZValue(1);
    live_ = local(item.rect);
    setPos(origin_ + item.rect.topLeft());
  }
  // Where the item stands in its band now, dragged or not.
  QPointF placed() const { return pos() - origin_; }
  ItemRef ref() const { return ref_; }
  // As built: the scene is rebuilt whenever the template changes.
  const ReportItem& item() const { return item_; }

  QRectF boundingRect() const override {
    double m = 2;  // room for handles and thick pens
    return live_.normalized().adjusted(-m, -m, m, m);
  }
  QPainterPath shape() const override {
    QPainterPath path;
    if (item().kind == ReportItem::Kind::Line) {
      QPainterPath line(live_.topLeft());
      line.lineTo(live_.bottomRight());
      QPainterPathStroker stroke;
      stroke.setWidth(1.5);
      path = stroke.createStroke(line);
    } else {
      path.addRect(live_.normalized());
    }
    if (isSelected())
      for (const QRectF& h : handles(1.5)) path.addRect(h);
    return path;
  }

  void paint(QPainter* p, const QStyleOptionGraphicsItem*, QWidget*) override {
    const ReportItem& it = item();
    const double px = pixel(p);
    const QRectF r = live_.normalized();
    QPen pen(it.color, std::max(it.lineWidth, px));
    switch (it.kind) {
      case ReportItem::Kind::Text: {
        if (it.background.isValid()) p->fillRect(r, it.background);
        // The box itself, faint, so empty and frameless texts can still be found and grabbed.
        p->setPen(QPen(QColor(0xb8, 0xc4, 0xd0), px, Qt::DotLine));
        p->drawRect(r);
        p->setPen(pen);
        if (it.frame & ReportItem::Left) p->drawLine(r.topLeft(), r.bottomLeft());
        if (it.frame & ReportItem::Top) p->drawLine(r.topLeft(), r.topRight());
        if (it.frame & ReportItem::Right) p->drawLine(r.topRight(), r.bottomRight());
        if (it.frame & ReportItem::Bottom) p->drawLine(r.bottomLeft(), r.bottomRight());
        p->save();
        p->scale(1 / kTextScale, 1 / kTextScale);
        QFont f =
            ReportRenderer::itemFont(it.fontFamily, it.fontSize, it.bold, it.italic, it.underline);
        f.setPixelSize(
            std::max(1, static_cast<int>(std::lround(it.fontSize * 25.4 / 72 * kTextScale))));
        p->setFont(f);
        p->setPen(it.color);
        QRectF tr = r.adjusted(RenderedItem::kTextPadding, 0, -RenderedItem::kTextPadding, 0);
        p->setClipRect(QRectF(r.topLeft() * kTextScale, r.size() * kTextScale));
        p->drawText(QRectF(tr.topLeft() * kTextScale, tr.size() * kTextScale),
                    static_cast<int>(it.alignment) | (it.wordWrap ? Qt::TextWordWrap : 0), it.text);
        p->restore();
        break;
      }
      case ReportItem::Kind::Line:
        p->setPen(pen);
        p->drawLine(live_.topLeft(), live_.bottomRight());
        break;
      case ReportItem::Kind::Rectangle:
        if (it.background.isValid()) p->fillRect(r, it.background);
        p->setPen(pen);
        p->drawRect(r);
        break;
      case ReportItem::Kind::Picture: {
        QImage image = QImage::fromData(it.image);
        if (!image.isNull()) {
          QSizeF size =
              it.keepAspect ? QSizeF(image.size()).scaled(r.size(), Qt::KeepAspectRatio) : r.size();
          p->drawImage(QRectF(r.topLeft(), size), image);
        } else {
          p->fillRect(r, QColor(0xee, 0xf0, 0xf3));
          p->save();
          p->scale(1 / kTextScale, 1 / kTextScale);
          QFont f = ReportRenderer::itemFont({}, 8, false, false, false);
          f.setPixelSize(static_cast<int>(3 * kTextScale));
          p->setFont(f);
          p->setPen(QColor(0x70, 0x78, 0x80));
          p->drawText(QRectF(r.topLeft() * kTextScale, r.size() * kTextScale), Qt::AlignCenter,
                      it.pictureField.isEmpty() ? QStringLiteral("图片") : it.pictureField);
          p->restore();
        }
        p->setPen(QPen(QColor(0xa0, 0xa8, 0xb0), px, Qt::DashLine));
        p->drawRect(r);
        break;
      }
      case ReportItem::Kind::QrCode: {
        // The expression itself stands in for the data it will hold when printed.
        const QImage code = qrCodeImage(it.text, it.color, it.background);
        if (!code.isNull())
          p->drawImage(
              QRectF(r.topLeft(), QSizeF(code.size()).scaled(r.size(), Qt::KeepAspectRatio)), code);
        p->setPen(QPen(QColor(0xa0, 0xa8, 0xb0), px, Qt::DashLine));
        p->drawRect(r);
        break;
      }
    }
    if (isSelected()) {
      p->setPen(QPen(kSelection, px));
      if (it.kind != ReportItem::Kind::Line) p->drawRect(r);
      p->setBrush(Qt::white);
      for (const QRectF& h : handles(kHandlePx * px)) p->drawRect(h);
      p->setBrush(Qt::NoBrush);
    }
  }

 protected:
  void mousePressEvent(QGraphicsSceneMouseEvent* e) override {
    handle_ = -1;
    if (isSelected() && c_.doc_.selection().size() == 1) {
      const auto hs = handles(kHandlePx / c_.view_->transform().m11() * 1.5);
      for (int i = 0; i < static_cast<int>(hs.size()); ++i)
        if (hs[i].contains(e->pos())) handle_ = i;
    }
    if (handle_ >= 0) {
      e->accept();
      return;
    }
    // Shift adds to the selection like Ctrl does.
    if (e->modifiers() & Qt::ShiftModifier) e->setModifiers(e->modifiers() | Qt::ControlModifier);
    QGraphicsItem::mousePressEvent(e);
  }
  void mouseMoveEvent(QGraphicsSceneMouseEvent* e) override {
    if (handle_ < 0) {
      QGraphicsItem::mouseMoveEvent(e);
      return;
    }
    // Handles 0..7 clockwise from the top-left corner: which edges each one drags.
    static constexpr int kEdges[8] = {1 | 2, 2, 2 | 4, 4, 4 | 8, 8, 8 | 1, 1};
    const int edges = kEdges[handle_];
    QRectF r = local(item().rect);
    QPointF at(snap(e->pos().x()), snap(e->pos().y()));
    if (item().kind == ReportItem::Kind::Line) {
      // A line's handles are its two ends.
      if (edges & 1 || edges & 2)
        r.setTopLeft(at);
      else
        r.setBottomRight(at);
    } else {
      if (edges & 1) r.setLeft(std::min(at.x(), r.right()));
      if (edges & 2) r.setTop(std::min(at.y(), r.bottom()));
      if (edges & 4) r.setRight(std::max(at.x(), r.left()));
      if (edges & 8) r.setBottom(std::max(at.y(), r.top()));
    }
    prepareGeometryChange();
    live_ = r;
    update();
  }
  void mouseReleaseEvent(QGraphicsSceneMouseEvent* e) override {
    if (handle_ >= 0) {
      QRectF r = live_.translated(placed());
      handle_ = -1;
      ItemRef ref = ref_;
      DesignerDocument* doc = &c_.doc_;
      // The document rebuilds the scene, this item included: not while it handles an event.
      QTimer::singleShot(0, &c_, [doc, ref, r] { doc->setItemRect(ref, r); });
      return;
    }
    QGraphicsItem::mouseReleaseEvent(e);
    c_.moveDragged(this);
  }

 private:
  // The item's rectangle relative to its own position.
  static QRectF local(const QRectF& r) { return QRectF(QPointF(0, 0), r.size()); }
  std::vector<QRectF> handles(double size) const {
    std::vector<QRectF> out;
    const QRectF r = live_;
    auto at = [&](QPointF c) {
      out.push_back(QRectF(c.x() - size / 2, c.y() - size / 2, size, size));
    };
    if (item().kind == ReportItem::Kind::Line) {
      at(r.topLeft());
      for (int i = 0; i < 3; ++i) out.push_back({});
      at(r.bottomRight());
      for (int i = 0; i < 3; ++i) out.push_back({});
      return out;
    }
    const double cx = r.center().x(), cy = r.center().y();
    for (QPointF c :
         {r.topLeft(), QPointF(cx, r.top()), r.topRight(), QPointF(r.right(), cy), r.bottomRight(),
          QPointF(cx, r.bottom()), r.bottomLeft(), QPointF(r.left(), cy)})
      at(c);
    return out;
  }

  DesignerCanvas& c_;
  ItemRef ref_;
  ReportItem item_;
  QPointF origin_;
  QRectF live_;
  int handle_ = -1;
};

// ---------------------------------------------------------------------------------------------

DesignerCanvas::DesignerCanvas(DesignerDocument& doc, QWidget* parent)
    : QWidget(parent), doc_(doc) {
  scene_ = new QGraphicsScene(this);
  view_ = new View(*this, scene_);
  top_ = new Ruler(Qt::Horizontal, *this);
  left_ = new Ruler(Qt::Vertical, *this);
  auto* grid = new QGridLayout(this);
  grid->setContentsMargins(0, 0, 0, 0);
  grid->setSpacing(0);
  auto* corner = new QWidget(this);
  corner->setFixedSize(Ruler::kThickness, Ruler::kThickness);
  corner->setAutoFillBackground(true);
  grid->addWidget(corner, 0, 0);
  grid->addWidget(top_, 0, 1);
  grid->addWidget(left_, 1, 0);
  grid->addWidget(view_, 1, 1);
  connect(scene_, &QGraphicsScene::selectionChanged, this, &DesignerCanvas::takeSceneSelection);
  connect(&doc_, &DesignerDocument::changed, this, &DesignerCanvas::scheduleRefresh);
  refresh();
}

DesignerCanvas::~DesignerCanvas() {
  // The scene deselects its items as it deletes them: nothing of that may reach the document.
  disconnect(scene_, nullptr, this, nullptr);
  // The view and the rulers call into this canvas (the scene's end scrolls the view): they go
  // while it is still whole, not with the children QWidget deletes after it is gone.
  delete view_;
  delete top_;
  delete left_;
  delete scene_;
}

void DesignerCanvas::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  fitWidth();
}

void DesignerCanvas::fitWidth() {
  const double width = doc_.reportTemplate().page.size().width() + 12;
  const double room = view_->viewport()->width() - 4;
  const double scale = std::clamp(room / width, 1.0, kPixelsPerMm);
  view_->setTransform(QTransform::fromScale(scale, scale));
  top_->update();
  left_->update();
}

void DesignerCanvas::scheduleRefresh() {
  // A selection alone only marks items; a changed template rebuilds the scene, which must
  // wait until no item of it is handling an event.
  if (built_ && doc_.reportTemplate() == shown_) {
    syncSelection();
    return;
  }
  if (pending_) return;
  pending_ = true;
  QTimer::singleShot(0, this, [this] {
    if (pending_) refresh();
  });
}

void DesignerCanvas::refresh() {
  pending_ = false;
  rebuild();
  syncSelection();
}

void DesignerCanvas::rebuild() {
  syncing_ = true;
  scene_->clear();
  const ReportTemplate& t = doc_.reportTemplate();
  const QSizeF page = t.page.size();
  const QMarginsF& m = t.page.margins;
  double y = m.top();
  std::vector<BandGraphic*> bands;
  for (int b = 0; b < static_cast<int>(t.bands.size()); ++b) {
    auto* band = new BandGraphic(*this, b, t.bands[b], t.contentWidth());
    band->setPos(m.left(), y + kStrip);
    bands.push_back(band);
    y += kStrip + t.bands[b].height;
  }
  // The page grows with its bands: the strips take room the printed page does not have.
  const double height = std::max(page.height(), y + m.bottom());
  auto* paper = scene_->addRect(QRectF(0, 0, page.width(), height),
                                QPen(QColor(0x9a, 0xa0, 0xa6), 0), Qt::white);
  paper->setZValue(-2);
  auto* margins = scene_->addRect(
      QRectF(m.left(), m.top(), page.width() - m.left() - m.right(), height - m.top() - m.bottom()),
      QPen(QColor(0xd0, 0xd4, 0xd8), 0, Qt::DashLine));
  margins->setZValue(-1);
  for (BandGraphic* band : bands) {
    scene_->addItem(band);
    for (int i = 0; i < static_cast<int>(t.bands[band->index()].items.size()); ++i)
      scene_->addItem(
          new ItemGraphic(*this, {band->index(), i}, t.bands[band->index()].items[i], band->pos()));
  }
  scene_->setSceneRect(QRectF(-6, -6, page.width() + 12, height + 12));
  if (shown_.page != t.page) fitWidth();
  shown_ = t;
  built_ = true;
  syncing_ = false;
  top_->update();
  left_->update();
}

void DesignerCanvas::syncSelection() {
  syncing_ = true;
  const auto& selected = doc_.selection();
  for (QGraphicsItem* g : scene_->items()) {
    if (auto* item = dynamic_cast<ItemGraphic*>(g))
      item->setSelected(std::find(selected.begin(), selected.end(), item->ref()) != selected.end());
    g->update();
  }
  syncing_ = false;
}

void DesignerCanvas::takeSceneSelection() {
  if (syncing_) return;
  std::vector<ItemRef> refs;
  // The one already selected stays first, so align follows the item picked first.
  for (ItemRef r : doc_.selection())
    for (QGraphicsItem* g : scene_->selectedItems())
      if (auto* item = dynamic_cast<ItemGraphic*>(g); item && item->ref() == r) refs.push_back(r);
  for (QGraphicsItem* g : scene_->selectedItems())
    if (auto* item = dynamic_cast<ItemGraphic*>(g))
      if (std::find(refs.begin(), refs.end(), item->ref()) == refs.end())
        refs.push_back(item->ref());
  doc_.selectItems(refs);
}

void DesignerCanvas::moveDragged(ItemGraphic* dragged) {
  QPointF delta = dragged->placed() - dragged->item().rect.topLeft();
  delta = QPointF(snap(delta.x()), snap(delta.y()));
  if (delta.isNull()) {
    // A drag of less than half a grid step: put the items back where the template has them.
    for (QGraphicsItem* g : scene_->selectedItems())
      if (auto* item = dynamic_cast<ItemGraphic*>(g))
        item->setPos(item->pos() - item->placed() + item->item().rect.topLeft());
    return;
  }
  DesignerDocument* doc = &doc_;
  QTimer::singleShot(0, this, [doc, delta] { doc->moveSelection(delta.x(), delta.y()); });
}

QGraphicsView* DesignerCanvas::view() const {
  return view_;
}

std::pair<int, QPointF> DesignerCanvas::bandAt(const QPoint& viewPos) const {
  const QPointF at = view_->mapToScene(viewPos);
  for (QGraphicsItem* g : scene_->items(at))
    if (auto* band = dynamic_cast<BandGraphic*>(g)) {
      QPointF local = band->mapFromScene(at);
      if (local.y() >= 0) return {band->index(), local};
    }
  return {-1, {}};
}

}  // namespace qk::client
