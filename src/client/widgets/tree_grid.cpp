#include "client/widgets/tree_grid.h"

#include <QAction>
#include <QHash>
#include <QPainter>
#include <QPointer>
#include <QSet>
#include <QTimer>
#include <QTreeView>
#include <QVBoxLayout>
#include <algorithm>

#include "client/data/data_error.h"
#include "client/data/dataset.h"
#include "client/data/dataset_model.h"
#include "client/data/prompter.h"
#include "client/data/values.h"
#include "client/widgets/grid_delegate.h"
#include "client/widgets/grid_header.h"
#include "client/widgets/grid_model.h"

namespace qk::client {

using protocol::FieldType;

namespace {

class TreeModel : public QAbstractItemModel, public GridCells {
 public:
  struct Node {
    int parent = -1;   // dataset row of the parent
    int position = 0;  // among the parent's children
    std::vector<int> children;
    QString key;  // as read at the last rebuild: the dataset may have changed since
  };

  QPointer<Dataset> ds;
  QString idField, parentField;
  std::vector<GridColumn> columns;  // as shown; filled from the fields when none were given
  bool automatic = true;
  bool editable = false;

  std::vector<Node> nodes;  // one per visible dataset row
  std::vector<int> roots;
  QStringList shape;  // the fields and every row's key and parent, as of the last rebuild

  void rebuild() {
    beginResetModel();
    nodes.clear();
    roots.clear();
    if (automatic) {
      columns.clear();
      for (int i = 0; ds && ds->active() && i < ds->fieldCount(); ++i) {
        const Field& f = ds->field(i);
        if (!f.visible) continue;
        GridColumn c;
        c.field = f.name();
        c.title = f.label();
        c.width = f.type() == FieldType::String ? 140 : 90;
        columns.push_back(c);
      }
    }
    fields = resolveFields();
    shape = currentShape();
    build();
    endResetModel();
  }

  std::vector<Field*> resolveFields() const {
    std::vector<Field*> out;
    for (const GridColumn& c : columns)
      out.push_back(ds && ds->active() && c.visible ? ds->findField(c.field) : nullptr);
    return out;
  }

  // What decides the tree's form: which fields there are and how the rows hang together.
  QStringList currentShape() const {
    QStringList out;
    if (!ds || !ds->active()) return out;
    QString names;
    for (int i = 0; i < ds->fieldCount(); ++i) names += ds->field(i).name() + ',';
    out << names;
    const Field* id = ds->findField(idField);
    const Field* up = ds->findField(parentField);
    for (int r = 0; r < ds->recordCount(); ++r)
      out << (id ? ds->valueAt(r, id->index()).toString() : QString()) + '\x1f' +
                 (up ? ds->valueAt(r, up->index()).toString() : QString());
    return out;
  }

  // After a change of the dataset: false when only values changed (then the cells repaint).
  bool needsRebuild() const { return currentShape() != shape || resolveFields() != fields; }

  GridColumn* columnAt(int viewColumn) const override {
    if (viewColumn < 0 || viewColumn >= columnCount()) return nullptr;
    return const_cast<GridColumn*>(&columns[static_cast<std::size_t>(viewColumn)]);
  }

  Field* fieldAt(int viewColumn) const override {
    if (viewColumn < 0 || viewColumn >= static_cast<int>(fields.size())) return nullptr;
    return fields[static_cast<std::size_t>(viewColumn)];
  }

  int rowOf(const QModelIndex& index) const {
    return index.isValid() ? static_cast<int>(index.internalId()) : -1;
  }

  QModelIndex indexOf(int row, int column = 0) const {
    if (row < 0 || row >= static_cast<int>(nodes.size())) return {};
    return createIndex(nodes[static_cast<std::size_t>(row)].position, column, quintptr(row));
  }

  QModelIndex index(int row, int column, const QModelIndex& parent) const override {
    const std::vector<int>& list = parent.isValid() ? nodes[parent.internalId()].children : roots;
    if (row < 0 || row >= static_cast<int>(list.size()) || column < 0 || column >= columnCount())
      return {};
    return createIndex(row, column, quintptr(list[static_cast<std::size_t>(row)]));
  }

  QModelIndex parent(const QModelIndex& child) const override {
    if (!child.isValid()) return {};
    return indexOf(nodes[child.internalId()].parent);
  }

  int rowCount(const QModelIndex& parent) const override {
    if (!parent.isValid()) return static_cast<int>(roots.size());
    if (parent.column() > 0) return 0;
    return static_cast<int>(nodes[parent.internalId()].children.size());
  }

  int columnCount(const QModelIndex& = QModelIndex()) const override {
    return static_cast<int>(columns.size());
  }

  QVariant data(const QModelIndex& index, int role) const override {
    if (!index.isValid() || !ds || !ds->active()) return {};
    const Field* f = fields[static_cast<std::size_t>(index.column())];
    if (!f) return {};
    const int row = static_cast<int>(index.internalId());
    const GridColumn& c = columns[static_cast<std::size_t>(index.column())];
    const bool boolean = f->type() == FieldType::Boolean;
    if (role == Qt::TextAlignmentRole) {
      return int((isNumericType(f->type()) ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter);
    }
    if (role == gridrole::Button) return int(c.button);
    try {
      switch (role) {
        case Qt::DisplayRole:
          if (boolean) return {};
          return formatValue(ds->valueAt(row, f->index()), f->type(),
                             c.displayFormat.isEmpty() ? f->displayFormat : c.displayFormat);
        case Qt::EditRole:
          return ds->valueAt(row, f->index());
        case Qt::CheckStateRole:
          if (!boolean) return {};
          return int(ds->valueAt(row, f->index()).toBool() ? Qt::Checked : Qt::Unchecked);
        default:
          return {};
      }
    } catch (const std::exception&) {
      return {};  // painting cannot carry an exception; the same read from code reports it
    }
  }

  bool setData(const QModelIndex& index, const QVariant& value, int role) override {
    if (!index.isValid() || !(flags(index) & (Qt::ItemIsEditable | Qt::ItemIsUserCheckable)))
      return false;
    Field* f = fields[static_cast<std::size_t>(index.column())];
    QVariant v = value;
    if (role == Qt::CheckStateRole)
      v = value.toInt() == Qt::Checked;
    else if (role != Qt::EditRole)
      return false;
    const int row = static_cast<int>(index.internalId());
    try {
      // Another row's pending edit is posted first; cells of one row stay in one edit.
      if (ds->currentRow() != row) ds->moveTo(row);
      if (ds->state() == Dataset::State::Browse) ds->edit();
      f->setValue(v);
    } catch (const Abort&) {
      return false;  // the hook has told the user why; the cell keeps its value
    } catch (const DataError& e) {
      // An editor commits from inside Qt's event handling, where no exception may pass.
      prompter().message(e.text(), Prompter::Icon::Warning);
      return false;
    }
    return true;
  }

  QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
    if (orientation != Qt::Horizontal || section < 0 || section >= columnCount()) return {};
    if (role == Qt::TextAlignmentRole) return int(Qt::AlignCenter);
    if (role != Qt::DisplayRole) return {};
    const GridColumn& c = columns[static_cast<std::size_t>(section)];
    const Field* f = fields[static_cast<std::size_t>(section)];
    return !c.title.isEmpty() ? c.title : f ? f->label() : c.field;
  }

  Qt::ItemFlags flags(const QModelIndex& index) const override {
    if (!index.isValid()) return Qt::NoItemFlags;
    const Qt::ItemFlags base = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    const Field* f = fields[static_cast<std::size_t>(index.column())];
    if (!editable || !f || f->kind() != FieldKind::Data || f->readOnly ||
        columns[static_cast<std::size_t>(index.column())].readOnly)
      return base;
    return base | (f->type() == FieldType::Boolean ? Qt::ItemIsUserCheckable : Qt::ItemIsEditable);
  }

 private:
  std::vector<Field*> fields;

  void build() {
    if (!ds || !ds->active()) return;
    const Field* id = ds->findField(idField);
    const Field* up = ds->findField(parentField);
    const int n = ds->recordCount();
    nodes.resize(static_cast<std::size_t>(n));
    QHash<QString, int> rowOfId;
    auto key = [](const QVariant& v) { return v.isNull() ? QString() : v.toString().trimmed(); };
    for (int r = 0; id && r < n; ++r) {
      const QString k = key(ds->valueAt(r, id->index()));
      nodes[static_cast<std::size_t>(r)].key = k;
      if (!k.isEmpty() && !rowOfId.contains(k)) rowOfId.insert(k, r);
    }
    for (int r = 0; r < n; ++r) {
      const QString p = up ? key(ds->valueAt(r, up->index())) : QString();
      const int parent = p.isEmpty() ? -1 : rowOfId.value(p, -1);
      nodes[static_cast<std::size_t>(r)].parent = parent == r ? -1 : parent;
    }
    // A chain of parents that comes back to itself would hide its rows: its last link goes.
    std::vector<char> state(static_cast<std::size_t>(n), 0);
    std::vector<int> path;
    for (int r = 0; r < n; ++r) {
      path.clear();
      int u = r;
      while (u >= 0 && state[static_cast<std::size_t>(u)] == 0) {
        state[static_cast<std::size_t>(u)] = 1;
        path.push_back(u);
        u = nodes[static_cast<std::size_t>(u)].parent;
      }
      if (u >= 0 && state[static_cast<std::size_t>(u)] == 1)
        nodes[static_cast<std::size_t>(path.back())].parent = -1;
      for (int p : path) state[static_cast<std::size_t>(p)] = 2;
    }
    for (int r = 0; r < n; ++r) {
      Node& node = nodes[static_cast<std::size_t>(r)];
      std::vector<int>& list =
          node.parent < 0 ? roots : nodes[static_cast<std::size_t>(node.parent)].children;
      node.position = static_cast<int>(list.size());
      list.push_back(r);
    }
  }
};

// The grid's editors and check boxes, with the grid's lines drawn by hand (a tree has none).
class TreeDelegate : public GridDelegate {
 public:
  using GridDelegate::GridDelegate;
  QColor line{192, 192, 192};
  int rowHeight = 22;

  void paint(QPainter* painter, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override {
    GridDelegate::paint(painter, option, index);
    painter->save();
    painter->setPen(line);
    painter->drawLine(option.rect.topRight(), option.rect.bottomRight());
    painter->drawLine(option.rect.bottomLeft(), option.rect.bottomRight());
    painter->restore();
  }
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    QSize s = GridDelegate::sizeHint(option, index);
    s.setHeight(rowHeight);
    return s;
  }
};

}  // namespace

struct TreeGrid::Impl {
  TreeGrid* q = nullptr;
  TreeModel* model = nullptr;
  QTreeView* view = nullptr;
  GroupHeader* header = nullptr;
  TreeDelegate* delegate = nullptr;
  bool syncing = false;
  bool alwaysExpanded = false;
  QString treeField;

  // Values alone only repaint, so that an open editor and the expansion stay as they are.
  void datasetChanged() {
    if (model->needsRebuild()) {
      rebuild();
    } else {
      view->viewport()->update();
      syncFromDataset();
    }
  }

  void rebuild() {
    // Expanded rows stay expanded across a rebuild, found again by their ids.
    QSet<QString> expanded;
    for (int r = 0; r < static_cast<int>(model->nodes.size()); ++r) {
      const QString& key = model->nodes[static_cast<std::size_t>(r)].key;
      if (!key.isEmpty() && view->isExpanded(model->indexOf(r))) expanded.insert(key);
    }
    const std::vector<int> widths = sectionWidths();
    const QStringList before = shownFields();
    model->rebuild();
    // The same columns keep the widths the user gave them.
    const bool same = before == shownFields();
    for (int c = 0; c < model->columnCount(); ++c)
      placeSection(
          c, same && c < static_cast<int>(widths.size()) ? widths[static_cast<std::size_t>(c)] : 0);
    placeTree();
    for (int r = 0; !expanded.isEmpty() && r < static_cast<int>(model->nodes.size()); ++r)
      if (expanded.contains(model->nodes[static_cast<std::size_t>(r)].key))
        view->setExpanded(model->indexOf(r), true);
    if (alwaysExpanded) view->expandAll();
    syncFromDataset();
  }

  // A column hidden by its layout takes no room; the others their width (theirs when 0).
  void placeSection(int c, int width) {
    const GridColumn& col = model->columns[static_cast<std::size_t>(c)];
    header->resizeSection(c, width > 0 ? width : col.width);
    header->setSectionHidden(c, !col.visible);
  }

  // The branches go into the tree field's column, else the first one shown (a layout may have
  // moved or hidden any).
  void placeTree() {
    for (int c = 0; c < model->columnCount(); ++c)
      if (!treeField.isEmpty() && !header->isSectionHidden(c) &&
          model->columns[static_cast<std::size_t>(c)].field.compare(treeField,
                                                                    Qt::CaseInsensitive) == 0) {
        view->setTreePosition(c);
        return;
      }
    for (int v = 0; v < header->count(); ++v) {
      const int c = header->logicalIndex(v);
      if (c >= 0 && !header->isSectionHidden(c)) {
        view->setTreePosition(c);
        return;
      }
    }
  }

  QStringList shownFields() const {
    QStringList out;
    for (const GridColumn& c : model->columns) out << c.field;
    return out;
  }

  std::vector<int> sectionWidths() const {
    std::vector<int> out;
    for (int c = 0; c < header->count(); ++c) out.push_back(header->sectionSize(c));
    return out;
  }

  void syncFromDataset() {
    Dataset* ds = model->ds;
    if (syncing || !ds || !ds->active()) return;
    const QModelIndex current = view->currentIndex();
    const QModelIndex index = model->indexOf(ds->currentRow(), std::max(0, current.column()));
    if (!index.isValid() || (current.isValid() && current.internalId() == index.internalId()))
      return;
    syncing = true;
    view->setCurrentIndex(index);
    syncing = false;
  }

  void syncToDataset(const QModelIndex& current) {
    Dataset* ds = model->ds;
    const int row = model->rowOf(current);
    if (syncing || !ds || !ds->active() || row < 0 || row == ds->currentRow()) return;
    syncing = true;
    try {
      ds->moveTo(row);
    } catch (const Abort&) {
      // the hook that refused to leave the record has told the user why
    } catch (const DataError& e) {
      prompter().message(e.text(), Prompter::Icon::Warning);
    }
    syncing = false;
    // A record that could not be left stays current in the view too, once the view is done.
    if (ds->currentRow() != row) QTimer::singleShot(0, view, [this] { syncFromDataset(); });
  }

  // Moves the cursor to a row for a handler; false when the record being edited cannot be left.
  bool moveTo(int row) {
    Dataset* ds = model->ds;
    if (!ds || !ds->active() || row < 0) return false;
    if (ds->currentRow() == row) return true;
    try {
      ds->moveTo(row);
    } catch (const Abort&) {
      return false;
    } catch (const DataError& e) {
      prompter().message(e.text(), Prompter::Icon::Warning);
      return false;
    }
    return ds->currentRow() == row;
  }

  int rowOfRecord(quint64 id) const {
    Dataset* ds = model->ds;
    for (int r = 0; ds && r < ds->recordCount(); ++r)
      if (ds->recordId(r) == id) return r;
    return -1;
  }
};

TreeGrid::TreeGrid(QWidget* parent) : QWidget(parent), d_(std::make_unique<Impl>()) {
  Impl& d = *d_;
  d.q = this;
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  d.view = new QTreeView(this);
  d.header = new GroupHeader(d.view);
  d.view->setHeader(d.header);
  d.model = new TreeModel;
  d.model->setParent(this);
  d.view->setModel(d.model);
  d.delegate = new TreeDelegate(d.view);
  d.view->setItemDelegate(d.delegate);
  d.view->setUniformRowHeights(true);
  d.view->setIndentation(14);  // deep bills keep room for their text
  d.view->setSelectionBehavior(QAbstractItemView::SelectRows);
  d.view->setEditTriggers(QAbstractItemView::NoEditTriggers);
  d.view->setTabKeyNavigation(true);
  d.view->setAllColumnsShowFocus(true);
  d.header->setStretchLastSection(false);
  d.header->setSectionsMovable(false);
  layout->addWidget(d.view);

  auto* expand = new QAction(QStringLiteral("全部展开"), d.view);
  auto* collapse = new QAction(QStringLiteral("全部收缩"), d.view);
  connect(expand, &QAction::triggered, this, &TreeGrid::expandAll);
  connect(collapse, &QAction::triggered, this, &TreeGrid::collapseAll);
  d.view->addAction(expand);
  d.view->addAction(collapse);
  d.view->setContextMenuPolicy(Qt::ActionsContextMenu);

  connect(d.view->selectionModel(), &QItemSelectionModel::currentChanged, this,
          [&d](const QModelIndex& current) { d.syncToDataset(current); });
  connect(d.view, &QAbstractItemView::doubleClicked, this, [this](const QModelIndex& index) {
    const int row = d_->model->rowOf(index);
    if (row >= 0) emit rowDoubleClicked(row);
  });
  connect(d.delegate, &GridDelegate::buttonClicked, this, [this](const QModelIndex& index) {
    const int row = d_->model->rowOf(index);
    const Field* f = d_->model->fieldAt(index.column());
    if (!f || !d_->moveTo(row)) return;
    emit buttonClicked(f->name(), row);
  });
  setFocusProxy(d.view);
  try {
    applyStyle();
  } catch (const DataError&) {
    // A colour the settings cannot name: the screen's own applyStyle() call reports it.
  }
}

TreeGrid::TreeGrid(Dataset* ds, const QString& idField, const QString& parentField, QWidget* parent)
    : TreeGrid(parent) {
  d_->model->idField = idField;
  d_->model->parentField = parentField;
  setDataset(ds);
}

TreeGrid::~TreeGrid() {
  if (d_->model->ds) disconnect(d_->model->ds, nullptr, this, nullptr);
  delete d_->view;
}

void TreeGrid::setDataset(Dataset* ds) {
  Impl& d = *d_;
  if (d.model->ds) disconnect(d.model->ds, nullptr, this, nullptr);
  d.model->ds = ds;
  if (ds) {
    connect(ds, &Dataset::changed, this, [&d] { d.datasetChanged(); });
    connect(ds, &Dataset::currentChanged, this, [&d] { d.syncFromDataset(); });
  }
  d.rebuild();
}

Dataset* TreeGrid::dataset() const {
  return d_->model->ds.data();
}

void TreeGrid::setIdField(const QString& field) {
  d_->model->idField = field;
  d_->rebuild();
}

void TreeGrid::setParentField(const QString& field) {
  d_->model->parentField = field;
  d_->rebuild();
}

void TreeGrid::setColumns(std::vector<GridColumn> columns) {
  d_->model->automatic = columns.empty();
  d_->model->columns = std::move(columns);
  d_->model->rebuild();
  for (int c = 0; c < d_->model->columnCount(); ++c) d_->placeSection(c, 0);
  d_->placeTree();
  d_->syncFromDataset();
}

const std::vector<GridColumn>& TreeGrid::columns() const {
  return d_->model->columns;
}

QTreeView* TreeGrid::view() const {
  return d_->view;
}

void TreeGrid::expandAll() {
  d_->view->expandAll();
}

void TreeGrid::collapseAll() {
  d_->view->collapseAll();
}

void TreeGrid::applyStyle() {
  Impl& d = *d_;
  const GridStyle s = gridStyle(font());
  d.view->setFont(s.font);
  QPalette pal = d.view->palette();
  pal.setColor(QPalette::Text, s.fontColor);
  d.view->setPalette(pal);
  d.header->setGridStyle(s);
  d.delegate->setGridStyle(s);
  d.delegate->line = s.lineColor;
  d.delegate->rowHeight = QFontMetrics(s.font).height() + 6;
  d.view->doItemsLayout();
}

void TreeGrid::refresh() {
  d_->rebuild();
}

int TreeGrid::rowOf(const QModelIndex& index) const {
  return index.model() == d_->model ? d_->model->rowOf(index) : -1;
}

QModelIndex TreeGrid::indexOf(int datasetRow) const {
  return d_->model->indexOf(datasetRow);
}

std::vector<int> TreeGrid::descendants(int datasetRow) const {
  std::vector<int> out;
  const std::vector<TreeModel::Node>& nodes = d_->model->nodes;
  if (datasetRow < 0 || datasetRow >= static_cast<int>(nodes.size())) return out;
  out = nodes[static_cast<std::size_t>(datasetRow)].children;
  for (std::size_t i = 0; i < out.size(); ++i) {
    const std::vector<int>& more = nodes[static_cast<std::size_t>(out[i])].children;
    out.insert(out.end(), more.begin(), more.end());
  }
  return out;
}

bool TreeGrid::applyLayout(Dataset& ds, const QString& layoutKey) {
  Impl& d = *d_;
  if (!readLayout(ds, layoutKey)) return false;
  std::vector<GridColumn> cols = d.model->columns;
  mergeLayout(cols, ds, d.model->ds);
  setColumns(std::move(cols));
  return true;
}

void TreeGrid::setTreeField(const QString& field) {
  d_->treeField = field;
  d_->placeTree();
}

void TreeGrid::setAlwaysExpanded(bool on) {
  d_->alwaysExpanded = on;
  if (on) d_->view->expandAll();
}

void TreeGrid::setEditable(bool on) {
  Impl& d = *d_;
  d.model->editable = on;
  d.view->setSelectionBehavior(on ? QAbstractItemView::SelectItems : QAbstractItemView::SelectRows);
  d.view->setExpandsOnDoubleClick(!on);  // a double click edits instead
  d.view->setEditTriggers(
      on ? QAbstractItemView::DoubleClicked | QAbstractItemView::SelectedClicked |
               QAbstractItemView::EditKeyPressed | QAbstractItemView::AnyKeyPressed
         : QAbstractItemView::NoEditTriggers);
  d.view->viewport()->update();
}

bool TreeGrid::isEditable() const {
  return d_->model->editable;
}

void TreeGrid::commitEdit() {
  d_->delegate->commitEditors(d_->view->viewport());
}

int TreeGrid::insertChild() {
  Impl& d = *d_;
  Dataset* ds = d.model->ds;
  if (!ds || !ds->active()) throw DataError("数据集没有打开，不能增加记录");
  Field& id = ds->fieldByName(d.model->idField);
  Field& up = ds->fieldByName(d.model->parentField);
  commitEdit();
  ds->checkBrowseMode();
  const int parent = ds->currentRow();
  const QVariant parentKey = parent >= 0 ? ds->valueAt(parent, id.index()) : QVariant();
  // Keys made here only have to differ from every key the tree holds now.
  qlonglong next = 1;
  for (int r = 0; r < ds->recordCount(); ++r) {
    bool number = false;
    const qlonglong k = ds->valueAt(r, id.index()).toString().toLongLong(&number);
    if (number) next = std::max(next, k + 1);
  }
  ds->append();
  up.setValue(parentKey);
  id.setValue(next);
  return parent;
}

void TreeGrid::deleteCurrent() {
  Impl& d = *d_;
  Dataset* ds = d.model->ds;
  if (!ds || !ds->active() || ds->isEmpty()) return;
  if (ds->state() == Dataset::State::Insert) {
    ds->cancel();  // a record never posted has nothing under it
    return;
  }
  const int row = ds->currentRow();
  const int parent = d.model->nodes[static_cast<std::size_t>(row)].parent;
  const quint64 parentId = parent >= 0 ? ds->recordId(parent) : 0;
  std::vector<quint64> below;
  for (int r : descendants(row)) below.push_back(ds->recordId(r));
  ds->remove();  // a delete hook that refuses stops everything here
  for (quint64 id : below) {
    const int r = d.rowOfRecord(id);
    if (r < 0) continue;
    ds->moveTo(r);
    ds->remove();
  }
  if (parent >= 0) {
    const int r = d.rowOfRecord(parentId);
    if (r >= 0) ds->moveTo(r);
  }
}

}  // namespace qk::client
