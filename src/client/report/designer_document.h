// What the report designer edits: the template, the selection and the undo history. Every
// change goes through here as one undoable step that replaces the template as a whole, so the
// canvas, the property panel and the preview only ever show the template, never a copy of it
// they keep in step by hand. It knows nothing about widgets.
#pragma once

#include <QObject>
#include <QUndoStack>
#include <functional>
#include <optional>
#include <vector>

#include "client/report/report_template.h"

namespace qk::client {

// An item by its band's and its own position in the template.
struct ItemRef {
  int band = -1;
  int item = -1;
  bool operator==(const ItemRef&) const = default;
};

class DesignerDocument : public QObject {
  Q_OBJECT
 public:
  // What arrow keys move, and the grid that dragging snaps to, in millimetres.
  static constexpr double kNudge = 0.5;

  explicit DesignerDocument(ReportTemplate report, QObject* parent = nullptr);

  const ReportTemplate& reportTemplate() const { return t_; }
  // Changes made here directly are not undoable and the views show them at the next change.
  ReportTemplate& reportTemplate() { return t_; }
  const ReportItem* item(ItemRef ref) const;
  QUndoStack& undoStack() { return undo_; }
  bool modified() const { return !undo_.isClean(); }
  void markSaved() { undo_.setClean(); }

  // The first selected item is the anchor that align and same-size commands follow.
  const std::vector<ItemRef>& selection() const { return selection_; }
  // The band new items go into: the selected items' band, or the band last clicked.
  int currentBand() const { return currentBand_; }
  void selectItems(std::vector<ItemRef> items);
  void selectBand(int band);

  void undo() { undo_.undo(); }
  void redo() { undo_.redo(); }

  // Adds to the current band (the first data band, else the first band, when none is current)
  // and selects the new item; false when the report has no band.
  bool addItem(ReportItem::Kind kind);
  // A text showing the field, [数据源."字段"], placed after the band's last item; or, when it
  // is dropped, in that band at that point (millimetres within the band).
  bool addField(const QString& source, const QString& field);
  bool dropField(const QString& source, const QString& field, int band, QPointF at);

  void moveSelection(double dx, double dy);
  void resizeSelection(double dw, double dh);
  void setItemRect(ItemRef ref, const QRectF& rect);
  void deleteSelection();
  void alignLeft();
  void alignRight();
  void alignTop();
  void alignBottom();
  void sameWidth();
  void sameHeight();

  // Property edits: applied to every selected item, to one band, to the page.
  void editSelection(const QString& what, const std::function<void(ReportItem&)>& edit);
  void editBand(int band, const QString& what, const std::function<void(ReportBand&)>& edit);
  void editReport(const QString& what, const std::function<void(ReportTemplate&)>& edit);

  // Bands keep the order they print in: a new band goes after the last band of its kind or of
  // an earlier kind. Returns its position.
  int addBand(ReportBand::Type type);
  void removeBand(int band);

 signals:
  // The template or the selection changed; views read everything again.
  void changed();

 private:
  class Step;
  struct State {
    ReportTemplate report;
    std::vector<ItemRef> selection;
    int currentBand = -1;
  };

  // Runs the edit on a copy; pushes one undo step when it changed anything.
  void change(const QString& what, const std::function<void(State&)>& edit);
  void restore(const State& state);
  static ReportItem newItem(ReportItem::Kind kind);
  bool place(const QString& what, ReportItem item, int band = -1,
             std::optional<QPointF> at = std::nullopt);
  void editSelected(const QString& what, const std::function<void(QRectF&, const QRectF&)>& edit);
  std::vector<ItemRef> valid(std::vector<ItemRef> items) const;

  ReportTemplate t_;
  std::vector<ItemRef> selection_;
  int currentBand_ = -1;
  QUndoStack undo_;
};

}  // namespace qk::client
