#include "client/widgets/grid_delegate.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>

#include "client/data/values.h"
#include "client/widgets/grid_model.h"

namespace qk::client {

using protocol::FieldType;

namespace {

constexpr int kButtonWidth = 16;
const char* const kOriginal = "qkOriginal";
const char* const kLookup = "qkLookup";
const char* const kIndex = "qkIndex";
const char* const kDateOnly = "yyyy-MM-dd";
const char* const kDateTime = "yyyy-MM-dd HH:mm:ss";

const GridCells* cellsOf(const QModelIndex& index) {
  return dynamic_cast<const GridCells*>(index.model());
}

GridRowKind rowKind(const QModelIndex& index) {
  return static_cast<GridRowKind>(index.data(gridrole::RowKind).toInt());
}

CellButton buttonOf(const QModelIndex& index) {
  return static_cast<CellButton>(index.data(gridrole::Button).toInt());
}

// What an editor starts from: numbers without grouping, date-times in their stored form.
QString editText(const QVariant& v) {
  if (!v.isValid() || v.isNull()) return {};
  switch (v.typeId()) {
    case QMetaType::Double:
    case QMetaType::Float:
      return QString::number(v.toDouble(), 'g', 15);
    case QMetaType::QDateTime:
      return dateTimeText(v.toDateTime());
    default:
      return v.toString();
  }
}

// The longest text the field's column holds; 0 when the server gave no size.
int textLimit(const Field& field) {
  return field.type() == FieldType::String && field.size() > 0 ? field.size() : 0;
}

void drawGlyph(QPainter* p, const QRect& r, CellButton kind, const QColor& color) {
  p->save();
  p->setPen(Qt::NoPen);
  p->setBrush(color);
  const QPoint c = r.center();
  if (kind == CellButton::Plus) {
    p->drawRect(c.x() - 4, c.y(), 9, 1);
    p->drawRect(c.x(), c.y() - 4, 1, 9);
  } else {
    for (int i = -1; i <= 1; ++i) p->drawRect(c.x() + i * 4 - 1, c.y() + 2, 2, 2);
  }
  p->restore();
}

void drawButton(QPainter* p, const QRect& r, CellButton kind, const GridStyle& style) {
  p->save();
  p->fillRect(r, QColor(246, 246, 246));
  p->setPen(style.lineColor.darker(115));
  p->drawRect(r.adjusted(0, 0, -1, -1));
  drawGlyph(p, r, kind, style.fontColor);
  p->restore();
}

QIcon glyphIcon(CellButton kind) {
  QPixmap pm(16, 16);
  pm.fill(Qt::transparent);
  QPainter p(&pm);
  drawGlyph(&p, pm.rect(), kind, Qt::black);
  return QIcon(pm);
}

}  // namespace

GridDelegate::GridDelegate(QObject* parent) : QStyledItemDelegate(parent) {
  style_.lineColor = QColor(192, 192, 192);
  style_.fontColor = Qt::black;
  style_.footerColor = style_.titleColor = QColor(240, 240, 240);
}

QRect GridDelegate::buttonRect(const QRect& cell) {
  const int w = std::min(kButtonWidth, cell.width() / 2);
  return QRect(cell.right() - w, cell.top() + 1, w, cell.height() - 2);
}

void GridDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                         const QModelIndex& index) const {
  const GridRowKind kind = rowKind(index);
  if (kind == GridRowKind::Caption) {
    painter->fillRect(option.rect, style_.titleColor.lighter(104));
    QFont bold = option.font;
    bold.setBold(true);
    painter->setFont(bold);
    painter->setPen(style_.fontColor);
    const int indent = 6 + 16 * index.data(gridrole::GroupLevel).toInt();
    painter->drawText(option.rect.adjusted(indent, 0, -4, 0), Qt::AlignLeft | Qt::AlignVCenter,
                      index.data().toString());
    return;
  }
  if (kind == GridRowKind::GroupFooter) {
    painter->fillRect(option.rect, style_.footerColor);
    painter->setFont(style_.footerFont);
    painter->setPen(style_.fontColor);
    const auto align = Qt::Alignment(index.data(Qt::TextAlignmentRole).toInt());
    painter->drawText(option.rect.adjusted(4, 0, -5, 0), int(align | Qt::AlignVCenter),
                      index.data().toString());
    return;
  }
  const QVariant check = index.data(Qt::CheckStateRole);
  if (check.isValid()) {
    // A centred box, whichever side the platform puts item check boxes.
    QStyleOptionViewItem opt = option;
    initStyleOption(&opt, index);
    opt.features &= ~QStyleOptionViewItem::HasCheckIndicator;
    opt.text.clear();
    const QWidget* widget = option.widget;
    QStyle* style = widget ? widget->style() : QApplication::style();
    style->drawControl(QStyle::CE_ItemViewItem, &opt, painter, widget);
    QStyleOptionViewItem box = option;
    const int w = style->pixelMetric(QStyle::PM_IndicatorWidth, &option, widget);
    const int h = style->pixelMetric(QStyle::PM_IndicatorHeight, &option, widget);
    box.rect = QRect(option.rect.center().x() - w / 2, option.rect.center().y() - h / 2, w, h);
    box.state = (option.state & QStyle::State_Enabled) | QStyle::State_Enabled;
    box.state |= check.toInt() == Qt::Checked ? QStyle::State_On : QStyle::State_Off;
    style->drawPrimitive(QStyle::PE_IndicatorItemViewItemCheck, &box, painter, widget);
    return;
  }
  const CellButton button = buttonOf(index);
  if (button == CellButton::None) {
    QStyledItemDelegate::paint(painter, option, index);
    return;
  }
  // The text keeps clear of the button, or a right-aligned number would be drawn under it.
  QStyleOptionViewItem opt = option;
  initStyleOption(&opt, index);
  const QRect text = opt.rect.adjusted(0, 0, -buttonRect(opt.rect).width(), 0);
  opt.text.clear();
  const QWidget* widget = option.widget;
  QStyle* style = widget ? widget->style() : QApplication::style();
  style->drawControl(QStyle::CE_ItemViewItem, &opt, painter, widget);
  QStyleOptionViewItem label = option;
  initStyleOption(&label, index);
  label.rect = text;
  label.backgroundBrush = Qt::NoBrush;
  label.state &= ~QStyle::State_HasFocus;
  style->drawControl(QStyle::CE_ItemViewItem, &label, painter, widget);
  drawButton(painter, buttonRect(option.rect), button, style_);
}

QWidget* GridDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                                    const QModelIndex& index) const {
  const GridCells* model = cellsOf(index);
  const GridColumn* col = model ? model->columnAt(index.column()) : nullptr;
  const Field* field = model ? model->fieldAt(index.column()) : nullptr;
  if (!col || !field) return QStyledItemDelegate::createEditor(parent, option, index);

  QWidget* editor = nullptr;
  if (col->lookupSource && !col->lookupKey.isEmpty() && !col->lookupDisplay.isEmpty()) {
    auto* box = new QComboBox(parent);
    box->setProperty(kLookup, true);
    Dataset* source = col->lookupSource;
    const Field* key = source->active() ? source->findField(col->lookupKey) : nullptr;
    const Field* shown = source->active() ? source->findField(col->lookupDisplay) : nullptr;
    try {
      for (int r = 0; key && shown && r < source->recordCount(); ++r)
        box->addItem(source->valueAt(r, shown->index()).toString(),
                     source->valueAt(r, key->index()));
    } catch (const std::exception&) {
      // A calculated list that fails offers what it had; nothing may leave a Qt handler.
    }
    editor = box;
  } else if (!col->pickList.isEmpty()) {
    auto* box = new QComboBox(parent);
    box->setEditable(true);
    box->addItems(col->pickList);
    box->setInsertPolicy(QComboBox::NoInsert);
    if (const int limit = textLimit(*field)) box->lineEdit()->setMaxLength(limit);
    editor = box;
  } else if (col->dateEditor || field->type() == FieldType::DateTime) {
    auto* edit = new QDateTimeEdit(parent);
    edit->setCalendarPopup(true);
    edit->setDisplayFormat(kDateOnly);
    editor = edit;
  } else {
    auto* line = new QLineEdit(parent);
    line->setFrame(false);
    if (const int limit = textLimit(*field)) line->setMaxLength(limit);
    if (col->button != CellButton::None) {
      QAction* action = line->addAction(glyphIcon(col->button), QLineEdit::TrailingPosition);
      const QPersistentModelIndex at(index);
      connect(action, &QAction::triggered, line,
              [this, line, at] { const_cast<GridDelegate*>(this)->pressButton(line, at); });
    }
    editor = line;
  }
  editor->setProperty(kIndex, QVariant::fromValue(QPersistentModelIndex(index)));
  return editor;
}

void GridDelegate::setEditorData(QWidget* editor, const QModelIndex& index) const {
  const QVariant value = index.data(Qt::EditRole);
  if (auto* box = qobject_cast<QComboBox*>(editor)) {
    if (box->property(kLookup).toBool()) {
      int found = -1;
      const QString key = editText(value);
      for (int i = 0; i < box->count() && found < 0; ++i)
        if (editText(box->itemData(i)) == key) found = i;
      box->setCurrentIndex(found);
      box->setProperty(kOriginal, key);
    } else {
      box->setCurrentText(editText(value));
      box->setProperty(kOriginal, editText(value));
    }
    return;
  }
  if (auto* edit = qobject_cast<QDateTimeEdit*>(editor)) {
    QDateTime dt = value.toDateTime();
    if (!dt.isValid() && value.typeId() == QMetaType::QString)
      dt = parseDateTimeText(value.toString());
    const bool empty = !dt.isValid();
    if (empty) dt = QDateTime(QDate::currentDate(), QTime(0, 0));
    edit->setDisplayFormat(dt.time() == QTime(0, 0) ? kDateOnly : kDateTime);
    edit->setDateTime(dt);
    // An empty cell left alone stays empty: nothing counts as typed until the date changes.
    edit->setProperty(kOriginal, empty ? QVariant() : QVariant(dt));
    edit->setProperty("qkStart", dt);
    return;
  }
  if (auto* line = qobject_cast<QLineEdit*>(editor)) {
    line->setText(editText(value));
    line->setProperty(kOriginal, line->text());
    return;
  }
  QStyledItemDelegate::setEditorData(editor, index);
}

void GridDelegate::setModelData(QWidget* editor, QAbstractItemModel* model,
                                const QModelIndex& index) const {
  const QVariant original = editor->property(kOriginal);
  if (auto* box = qobject_cast<QComboBox*>(editor)) {
    if (box->property(kLookup).toBool()) {
      if (box->currentIndex() < 0) return;
      const QVariant key = box->currentData();
      if (editText(key) != original.toString()) model->setData(index, key);
    } else if (box->currentText() != original.toString()) {
      model->setData(index, box->currentText());
    }
    return;
  }
  if (auto* edit = qobject_cast<QDateTimeEdit*>(editor)) {
    QDateTime dt = edit->dateTime();
    if (edit->displayFormat() == kDateOnly) dt.setTime(QTime(0, 0));
    if (!original.isValid() && dt == edit->property("qkStart").toDateTime()) return;
    if (original.isValid() && dt == original.toDateTime()) return;
    const GridCells* grid = cellsOf(index);
    const Field* field = grid ? grid->fieldAt(index.column()) : nullptr;
    if (field && field->type() == FieldType::String)
      model->setData(index, dt.toString(dt.time() == QTime(0, 0) ? kDateOnly : kDateTime));
    else
      model->setData(index, dt);
    return;
  }
  if (auto* line = qobject_cast<QLineEdit*>(editor)) {
    if (line->text() != original.toString()) model->setData(index, line->text());
    return;
  }
  QStyledItemDelegate::setModelData(editor, model, index);
}

void GridDelegate::updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option,
                                        const QModelIndex&) const {
  editor->setGeometry(option.rect);
}

void GridDelegate::pressButton(QWidget* editor, const QPersistentModelIndex& index) {
  // The editor's text goes in first and the editor goes away, so that whatever the button's
  // handler writes into the record is not overwritten when the editor closes later.
  emit commitData(editor);
  emit closeEditor(editor, QAbstractItemDelegate::NoHint);
  if (index.isValid()) emit buttonClicked(index);
}

void GridDelegate::commitEditors(QWidget* viewport) {
  for (QWidget* w : viewport->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
    if (!w->property(kIndex).isValid()) continue;
    emit commitData(w);
    emit closeEditor(w, QAbstractItemDelegate::NoHint);
  }
}

bool GridDelegate::eventFilter(QObject* object, QEvent* event) {
  if (event->type() == QEvent::KeyPress) {
    auto* key = static_cast<QKeyEvent*>(event);
    auto* editor = qobject_cast<QWidget*>(object);
    const auto at =
        editor ? editor->property(kIndex).value<QPersistentModelIndex>() : QPersistentModelIndex();
    const bool ctrlEnter = (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) &&
                           (key->modifiers() & Qt::ControlModifier);
    if (at.isValid() && (key->key() == Qt::Key_F4 || ctrlEnter) &&
        buttonOf(at) != CellButton::None) {
      pressButton(editor, at);
      return true;
    }
  }
  return QStyledItemDelegate::eventFilter(object, event);
}

bool GridDelegate::editorEvent(QEvent* event, QAbstractItemModel* model,
                               const QStyleOptionViewItem& option, const QModelIndex& index) {
  const QEvent::Type type = event->type();
  const bool mouse = type == QEvent::MouseButtonPress || type == QEvent::MouseButtonRelease ||
                     type == QEvent::MouseButtonDblClick;
  if (!mouse) return QStyledItemDelegate::editorEvent(event, model, option, index);
  if (rowKind(index) != GridRowKind::Data) return false;
  const auto* me = static_cast<QMouseEvent*>(event);
  if (me->button() != Qt::LeftButton) return false;

  const bool onButton = buttonOf(index) != CellButton::None &&
                        buttonRect(option.rect).contains(me->position().toPoint());
  const Qt::ItemFlags flags = model->flags(index);
  const bool checkable = (flags & Qt::ItemIsUserCheckable) && (flags & Qt::ItemIsEnabled) &&
                         index.data(Qt::CheckStateRole).isValid();
  if (!onButton && !checkable) {
    if (type == QEvent::MouseButtonRelease) swallowRelease_ = false;
    return false;
  }
  if (type == QEvent::MouseButtonDblClick) {
    swallowRelease_ = true;
    return true;
  }
  if (type == QEvent::MouseButtonPress) return onButton;
  if (swallowRelease_) {
    swallowRelease_ = false;
    return true;
  }
  if (onButton) {
    emit buttonClicked(index);
    return true;
  }
  const bool checked = index.data(Qt::CheckStateRole).toInt() == Qt::Checked;
  model->setData(index, checked ? Qt::Unchecked : Qt::Checked, Qt::CheckStateRole);
  return true;
}

}  // namespace qk::client
