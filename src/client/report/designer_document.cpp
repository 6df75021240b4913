#include "client/report/designer_document.h"

#include <QUndoCommand>
#include <algorithm>
#include <cmath>

namespace qk::client {

namespace {

// Lines may run right to left or bottom to top; aligning and sizing look at the box they fill.
QRectF box(const QRectF& r) {
  return r.normalized();
}

}  // namespace

// One undoable step: the whole state before and after. Templates are small, and restoring a
// copy cannot drift the way replaying a delta against a since-changed template can.
class DesignerDocument::Step : public QUndoCommand {
 public:
  Step(DesignerDocument& doc, const QString& text, State before, State after)
      : QUndoCommand(text), doc_(doc), before_(std::move(before)), after_(std::move(after)) {}
  void undo() override { doc_.restore(before_); }
  void redo() override { doc_.restore(after_); }

 private:
  DesignerDocument& doc_;
  State before_, after_;
};

DesignerDocument::DesignerDocument(ReportTemplate report, QObject* parent)
    : QObject(parent), t_(std::move(report)) {
  if (!t_.bands.empty()) currentBand_ = 0;
  connect(&undo_, &QUndoStack::cleanChanged, this, &DesignerDocument::changed);
}

const ReportItem* DesignerDocument::item(ItemRef ref) const {
  if (ref.band < 0 || ref.band >= static_cast<int>(t_.bands.size())) return nullptr;
  const auto& items = t_.bands[ref.band].items;
  if (ref.item < 0 || ref.item >= static_cast<int>(items.size())) return nullptr;
  return &items[ref.item];
}

std::vector<ItemRef> DesignerDocument::valid(std::vector<ItemRef> items) const {
  std::vector<ItemRef> out;
  for (ItemRef r : items)
    if (item(r) && std::find(out.begin(), out.end(), r) == out.end()) out.push_back(r);
  return out;
}

void DesignerDocument::selectItems(std::vector<ItemRef> items) {
  items = valid(std::move(items));
  if (items == selection_ && (items.empty() || currentBand_ == items.front().band)) return;
  selection_ = std::move(items);
  if (!selection_.empty()) currentBand_ = selection_.front().band;
  emit changed();
}

void DesignerDocument::selectBand(int band) {
  if (band < 0 || band >= static_cast<int>(t_.bands.size())) band = -1;
  if (band == currentBand_ && selection_.empty()) return;
  currentBand_ = band;
  selection_.clear();
  emit changed();
}

void DesignerDocument::restore(const State& state) {
  t_ = state.report;
  selection_ = valid(state.selection);
  currentBand_ = state.currentBand < static_cast<int>(t_.bands.size()) ? state.currentBand : -1;
  emit changed();
}

void DesignerDocument::change(const QString& what, const std::function<void(State&)>& edit) {
  // The selection is checked again: the template may have been changed directly.
  State before{t_, valid(selection_), currentBand_};
  if (before.currentBand >= static_cast<int>(t_.bands.size())) before.currentBand = -1;
  State after = before;
  edit(after);
  if (after.report == before.report) {
    // Nothing to undo, but a selection the edit made (or cleared) still shows.
    if (after.selection != before.selection || after.currentBand != before.currentBand)
      restore(after);
    return;
  }
  undo_.push(new Step(*this, what, std::move(before), std::move(after)));
}

ReportItem DesignerDocument::newItem(ReportItem::Kind kind) {
  ReportItem item;
  item.kind = kind;
  switch (kind) {
    case ReportItem::Kind::Text:
      item.rect = QRectF(0, 0, 30, 6);
      item.text = "文本";
      break;
    case ReportItem::Kind::Line:
      item.rect = QRectF(0, 0, 40, 0);
      break;
    case ReportItem::Kind::Rectangle:
      item.rect = QRectF(0, 0, 30, 10);
      break;
    case ReportItem::Kind::Picture:
      item.rect = QRectF(0, 0, 20, 20);
      break;
    case ReportItem::Kind::QrCode:
      item.rect = QRectF(0, 0, 20, 20);
      item.text = "[车间报工地址]";
      break;
  }
  return item;
}

bool DesignerDocument::place(const QString& what, ReportItem item, int band,
                             std::optional<QPointF> at) {
  bool added = false;
  change(what, [&](State& s) {
    auto& bands = s.report.bands;
    if (bands.empty()) return;
    int b = band >= 0 ? band : s.currentBand;
    if (b < 0 || b >= static_cast<int>(bands.size())) {
      auto data = std::find_if(bands.begin(), bands.end(), [](const ReportBand& band) {
        return band.type == ReportBand::Type::MasterData;
      });
      b = data == bands.end() ? 0 : static_cast<int>(data - bands.begin());
    }
    // Next to the band's last item, so that repeated adds do not pile up on one spot.
    double x = 0;
    for (const auto& other : bands[b].items) x = std::max(x, box(other.rect).right());
    if (x + std::abs(item.rect.width()) > s.report.contentWidth()) x = 0;
    item.rect.moveLeft(x);
    if (at) {
      auto snap = [](double mm) { return std::max(0.0, std::round(mm / kNudge) * kNudge); };
      item.rect.moveTopLeft(QPointF(snap(at->x()), snap(at->y())));
    }
    if (item.kind != ReportItem::Kind::Line)
      item.rect.setHeight(std::min(item.rect.height(), std::max(bands[b].height, 1.0)));
    bands[b].items.push_back(item);
    s.selection = {{b, static_cast<int>(bands[b].items.size()) - 1}};
    s.currentBand = b;
    added = true;
  });
  return added;
}

bool DesignerDocument::addItem(ReportItem::Kind kind) {
  return place("添加", newItem(kind));
}

bool DesignerDocument::addField(const QString& source, const QString& field) {
  ReportItem item = newItem(ReportItem::Kind::Text);
  item.text = QString("[%1.\"%2\"]").arg(source, field);
  return place("插入字段", item);
}

bool DesignerDocument::dropField(const QString& source, const QString& field, int band,
                                 QPointF at) {
  if (band < 0 || band >= static_cast<int>(t_.bands.size())) return false;
  ReportItem item = newItem(ReportItem::Kind::Text);
  item.text = QString("[%1.\"%2\"]").arg(source, field);
  return place("插入字段", item, band, at);
}

void DesignerDocument::editSelected(const QString& what,
                                    const std::function<void(QRectF&, const QRectF&)>& edit) {
  if (selection_.empty()) return;
  change(what, [&](State& s) {
    QRectF anchor = s.report.bands[s.selection.front().band].items[s.selection.front().item].rect;
    for (ItemRef r : s.selection) edit(s.report.bands[r.band].items[r.item].rect, anchor);
  });
}

void DesignerDocument::moveSelection(double dx, double dy) {
  editSelected("移动", [&](QRectF& r, const QRectF&) {
    // Nothing leaves its band's top-left edge: it would be drawn outside the band.
    QRectF b = box(r);
    r.translate(std::max(dx, -b.left()), std::max(dy, -b.top()));
  });
}

void DesignerDocument::resizeSelection(double dw, double dh) {
  editSelected("调整大小", [&](QRectF& r, const QRectF&) {
    r.setWidth(std::max(r.width() + dw, 0.0));
    r.setHeight(std::max(r.height() + dh, 0.0));
  });
}

void DesignerDocument::setItemRect(ItemRef ref, const QRectF& rect) {
  if (!item(ref)) return;
  change("调整", [&](State& s) { s.report.bands[ref.band].items[ref.item].rect = rect; });
}

void DesignerDocument::deleteSelection() {
  if (selection_.empty()) return;
  change("删除", [&](State& s) {
    auto refs = s.selection;
    // From the back, so the positions of those still to delete stay right.
    std::sort(refs.begin(), refs.end(), [](ItemRef a, ItemRef b) {
      return a.band != b.band ? a.band > b.band : a.item > b.item;
    });
    for (ItemRef r : refs) {
      auto& items = s.report.bands[r.band].items;
      items.erase(items.begin() + r.item);
    }
    s.selection.clear();
  });
}

void DesignerDocument::alignLeft() {
  editSelected("左对齐",
               [](QRectF& r, const QRectF& a) { r.translate(box(a).left() - box(r).left(), 0); });
}
void DesignerDocument::alignRight() {
  editSelected("右对齐",
               [](QRectF& r, const QRectF& a) { r.translate(box(a).right() - box(r).right(), 0); });
}
void DesignerDocument::alignTop() {
  editSelected("顶端对齐",
               [](QRectF& r, const QRectF& a) { r.translate(0, box(a).top() - box(r).top()); });
}
void DesignerDocument::alignBottom() {
  editSelected("底端对齐", [](QRectF& r, const QRectF& a) {
    r.translate(0, box(a).bottom() - box(r).bottom());
  });
}
void DesignerDocument::sameWidth() {
  editSelected("同宽", [](QRectF& r, const QRectF& a) {
    r.setWidth(std::copysign(std::abs(a.width()), r.width() < 0 ? -1.0 : 1.0));
  });
}
void DesignerDocument::sameHeight() {
  editSelected("同高", [](QRectF& r, const QRectF& a) {
    r.setHeight(std::copysign(std::abs(a.height()), r.height() < 0 ? -1.0 : 1.0));
  });
}

void DesignerDocument::editSelection(const QString& what,
                                     const std::function<void(ReportItem&)>& edit) {
  if (selection_.empty()) return;
  change(what, [&](State& s) {
    for (ItemRef r : s.selection) edit(s.report.bands[r.band].items[r.item]);
  });
}

void DesignerDocument::editBand(int band, const QString& what,
                                const std::function<void(ReportBand&)>& edit) {
  if (band < 0 || band >= static_cast<int>(t_.bands.size())) return;
  change(what, [&](State& s) { edit(s.report.bands[band]); });
}

void DesignerDocument::editReport(const QString& what,
                                  const std::function<void(ReportTemplate&)>& edit) {
  change(what, [&](State& s) { edit(s.report); });
}

int DesignerDocument::addBand(ReportBand::Type type) {
  int at = 0;
  change("添加栏", [&](State& s) {
    auto& bands = s.report.bands;
    at = static_cast<int>(bands.size());
    while (at > 0 && bands[at - 1].type > type) --at;
    ReportBand band;
    band.type = type;
    band.height = type == ReportBand::Type::ReportTitle ? 15 : 8;
    bands.insert(bands.begin() + at, band);
    // Items of later bands moved down one place.
    for (ItemRef& r : s.selection)
      if (r.band >= at) ++r.band;
    s.currentBand = at;
  });
  return at;
}

void DesignerDocument::removeBand(int band) {
  if (band < 0 || band >= static_cast<int>(t_.bands.size())) return;
  change("删除栏", [&](State& s) {
    s.report.bands.erase(s.report.bands.begin() + band);
    s.selection.clear();
    s.currentBand = std::min(band, static_cast<int>(s.report.bands.size()) - 1);
  });
}

}  // namespace qk::client
