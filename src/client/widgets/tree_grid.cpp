#include "client/widgets/tree_grid.h"

#include <QAction>
#include <QHash>
#include <QPainter>
#include <QPointer>
#include <QSet>
#include <QStyledItemDelegate>
#include <QTreeView>
#include <QVBoxLayout>

#include "client/data/data_error.h"
#include "client/data/dataset.h"
#include "client/data/dataset_model.h"
#include "client/data/prompter.h"
#include "client/widgets/grid_header.h"

namespace qk::client {

using protocol::FieldType;

namespace {

class TreeModel : public QAbstractItemModel {
 public:
  struct Node {
    int parent = -1;   // dataset row of the parent
    int position = 0;  // among the parent's children
    std::vector<int> children;
  };

  QPointer<Dataset> ds;
  QString idField, parentField;
  std::vector<GridColumn> columns;  // as shown; filled from the fields when none were given
  bool automatic = true;

  std::vector<Node> nodes;  // one per visible dataset row
  std::vector<int> roots;

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
    fields.clear();
    for (const GridColumn& c : columns)
      fields.push_back(ds && ds->active() && c.visible ? ds->findField(c.field) : nullptr);
    build();
    endResetModel();
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
    if (role == Qt::TextAlignmentRole) {
      const bool number = f->type() == FieldType::Integer || f->type() == FieldType::Float ||
                          f->type() == FieldType::Decimal;
      return int((number ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter);
    }
    if (role != Qt::DisplayRole) return {};
    const GridColumn& c = columns[static_cast<std::size_t>(index.column())];
    try {
      return formatValue(ds->valueAt(row, f->index()), f->type(),
                         c.displayFormat.isEmpty() ? f->displayFormat : c.displayFormat);
    } catch (const std::exception&) {
      return {};  // painting cannot carry an exception; the same read from code reports it
    }
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
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
  }

 private:
  std::vector<const Field*> fields;

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

class TreeDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;
  QColor line{192, 192, 192};
  int rowHeight = 22;

  void paint(QPainter* painter, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override {
    QStyledItemDelegate::paint(painter, option, index);
    painter->save();
    painter->setPen(line);
    painter->drawLine(option.rect.topRight(), option.rect.bottomRight());
    painter->drawLine(option.rect.bottomLeft(), option.rect.bottomRight());
    painter->restore();
  }
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    QSize s = QStyledItemDelegate::sizeHint(option, index);
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

  void rebuild() {
    // Expanded rows stay expanded across a rebuild, found again by their ids.
    QSet<QString> expanded;
    const Field* id =
        model->ds && model->ds->active() ? model->ds->findField(model->idField) : nullptr;
    for (int r = 0; id && r < static_cast<int>(model->nodes.size()); ++r)
      if (view->isExpanded(model->indexOf(r)))
        expanded.insert(model->ds->valueAt(r, id->index()).toString());
    const std::vector<int> widths = sectionWidths();
    const QStringList before = shownFields();
    model->rebuild();
    // The same columns keep the widths the user gave them.
    const bool same = before == shownFields();
    for (int c = 0; c < model->columnCount(); ++c)
      header->resizeSection(c, same && c < static_cast<int>(widths.size())
                                   ? widths[static_cast<std::size_t>(c)]
                                   : model->columns[static_cast<std::size_t>(c)].width);
    id = model->ds && model->ds->active() ? model->ds->findField(model->idField) : nullptr;
    for (int r = 0; id && !expanded.isEmpty() && r < static_cast<int>(model->nodes.size()); ++r)
      if (expanded.contains(model->ds->valueAt(r, id->index()).toString()))
        view->setExpanded(model->indexOf(r), true);
    syncFromDataset();
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
    const QModelIndex index = model->indexOf(ds->currentRow());
    if (!index.isValid() || view->currentIndex().internalId() == index.internalId()) return;
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
  d.view->setSelectionBehavior(QAbstractItemView::SelectRows);
  d.view->setEditTriggers(QAbstractItemView::NoEditTriggers);
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
    connect(ds, &Dataset::changed, this, [&d] { d.rebuild(); });
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
  for (int c = 0; c < d_->model->columnCount(); ++c)
    d_->header->resizeSection(c, d_->model->columns[static_cast<std::size_t>(c)].width);
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

}  // namespace qk::client
