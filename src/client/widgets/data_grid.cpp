#include "client/widgets/data_grid.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QProxyStyle>
#include <QScrollBar>
#include <QStyleFactory>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "client/data/data_error.h"
#include "client/data/dataset.h"
#include "client/data/dataset_model.h"
#include "client/data/prompter.h"
#include "client/data/values.h"
#include "client/widgets/desktop.h"
#include "client/widgets/file_export.h"
#include "client/widgets/grid_delegate.h"
#include "client/widgets/grid_header.h"
#include "client/widgets/grid_model.h"
#include "client/widgets/grid_output.h"
#include "client/widgets/window_size.h"

namespace qk::client {

using protocol::FieldType;

namespace {

constexpr int kCheckWidth = 24;
constexpr int kMaxFitWidth = 400;
constexpr int kMinWidth = 16;
constexpr double kPortraitWidthPx = 186 / 25.4 * 96;  // A4 less 12 mm margins, in screen pixels

// Grid lines in the configured colour without a style sheet on the view.
class LineColorStyle : public QProxyStyle {
 public:
  // A copy of the application's style: the proxy owns its base.
  LineColorStyle() : QProxyStyle(QStyleFactory::create(QApplication::style()->name())) {}
  QColor color;
  int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                QStyleHintReturn* data) const override {
    if (hint == SH_Table_GridLineColor && color.isValid()) return int(color.rgba());
    return QProxyStyle::styleHint(hint, option, widget, data);
  }
};

class GridView : public QTableView {
 public:
  using QTableView::QTableView;
  std::function<void(const QModelIndex&)> onButtonKey;
  std::function<bool()> onSpace;
  void relayout() { updateGeometries(); }

 protected:
  void keyPressEvent(QKeyEvent* event) override {
    const QModelIndex current = currentIndex();
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (current.isValid() &&
        (event->key() == Qt::Key_F4 || (enter && (event->modifiers() & Qt::ControlModifier)))) {
      if (static_cast<CellButton>(current.data(gridrole::Button).toInt()) != CellButton::None &&
          onButtonKey) {
        onButtonKey(current);
        return;
      }
    }
    if (event->key() == Qt::Key_Space && event->modifiers() == Qt::NoModifier && onSpace &&
        state() != EditingState && onSpace())
      return;
    QTableView::keyPressEvent(event);
  }
};

// The frame around view and footer, one line in the grid's colour.
class GridBox : public QWidget {
 public:
  explicit GridBox(QWidget* parent) : QWidget(parent) { setContentsMargins(1, 1, 1, 1); }
  QColor line{160, 160, 160};

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    p.setPen(line);
    p.drawRect(rect().adjusted(0, 0, -1, -1));
  }
};

// Under the view: the footer row, aligned with the viewport, and the horizontal scroll bar
// below it, so that the footer sits right under the data.
class GridBottom : public QWidget {
 public:
  GridBottom(QWidget* parent, QTableView* view) : QWidget(parent), view_(view) {
    footer = new FooterHeader(this);
    bar = new QScrollBar(Qt::Horizontal, this);
    view->viewport()->installEventFilter(this);
    setFixedHeight(0);
  }
  FooterHeader* footer;
  QScrollBar* bar;
  bool footerOn = false;

  void relayout() {
    const QRect vp = view_->viewport()->geometry();
    const QScrollBar* own = view_->horizontalScrollBar();
    bar->setRange(own->minimum(), own->maximum());
    bar->setPageStep(own->pageStep());
    bar->setSingleStep(own->singleStep());
    bar->setValue(own->value());
    const bool barOn = own->maximum() > own->minimum();
    const int fh = footerOn ? footer->sizeHint().height() : 0;
    const int bh = barOn ? bar->sizeHint().height() : 0;
    footer->setGeometry(vp.x(), 0, vp.width(), fh);
    footer->setVisible(fh > 0);
    footer->follow(view_->horizontalHeader());
    bar->setGeometry(0, fh, vp.x() + vp.width(), bh);
    bar->setVisible(barOn);
    if (height() != fh + bh) setFixedHeight(fh + bh);
    update();
  }

 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Resize || event->type() == QEvent::Move) relayout();
    return false;
  }
  void paintEvent(QPaintEvent*) override {
    if (!footerOn) return;
    QPainter p(this);
    const int fh = footer->height();
    const GridStyle& s = footer->gridStyle();
    p.fillRect(0, 0, width(), fh, s.footerColor);
    p.setPen(s.lineColor);
    p.drawLine(0, 0, width(), 0);
    p.drawLine(footer->x() - 1, 0, footer->x() - 1, fh);
  }

 private:
  QTableView* view_;
};

}  // namespace

struct DataGrid::Impl {
  DataGrid* q = nullptr;
  QPointer<Dataset> ds;
  DatasetModel* dsModel = nullptr;
  GridModel* model = nullptr;
  GridView* view = nullptr;
  GridBox* box = nullptr;
  GroupHeader* header = nullptr;
  RowHeader* rowHeader = nullptr;
  GridBottom* bottom = nullptr;
  GridDelegate* delegate = nullptr;
  LineColorStyle* lineStyle = nullptr;

  std::vector<GridColumn> columns;
  bool automatic = true;
  bool readOnly = false, titleSort = false, rowNumbers = false;
  int firstNumber = 1;
  QString sortField;
  Qt::SortOrder sortOrder = Qt::AscendingOrder;
  GridStyle style;
  bool syncing = false;    // cursor and current row follow each other without echo
  bool resetting = false;  // widths are being restored, not changed by the user
  bool reorderQueued = false;

  void applyColumns();
  void afterReset();
  void applySpans();
  void syncFromDataset();
  void syncToDataset(const QModelIndex& current);
  void restoreCurrentLater();
  void takeColumnOrder();
  void titleClicked(int logical);
  void emitButton(const QModelIndex& index);
  bool toggleCurrentCheck();
  void makeExplicit();
  int defaultWidth(const Field& f) const;
  void setStyle(const GridStyle& s);
  GridSnapshot snapshot() const;
  QPageLayout pageLayout(const GridSnapshot& s) const;
  void reportError(const DataError& e) const {
    prompter().message(e.text(), Prompter::Icon::Warning);
  }
};

std::vector<GridColumn> gridColumns(const QStringList& fields) {
  std::vector<GridColumn> out;
  for (const QString& f : fields) {
    GridColumn c;
    c.field = f;
    out.push_back(std::move(c));
  }
  return out;
}

// ---- construction

DataGrid::DataGrid(QWidget* parent) : QWidget(parent), d_(std::make_unique<Impl>()) {
  Impl& d = *d_;
  d.q = this;
  auto* outer = new QVBoxLayout(this);
  outer->setContentsMargins(0, 0, 0, 0);
  d.box = new GridBox(this);
  outer->addWidget(d.box);
  auto* inner = new QVBoxLayout(d.box);
  inner->setContentsMargins(1, 1, 1, 1);
  inner->setSpacing(0);

  d.view = new GridView(d.box);
  d.view->setFrameShape(QFrame::NoFrame);
  d.header = new GroupHeader(d.view);
  d.rowHeader = new RowHeader(d.view);
  d.view->setHorizontalHeader(d.header);
  d.view->setVerticalHeader(d.rowHeader);
  d.model = new GridModel(this);
  d.model->setColumnList(&d.columns, true);
  d.model->defaultWidth = [&d](const Field& f) { return d.defaultWidth(f); };
  d.view->setModel(d.model);
  d.delegate = new GridDelegate(d.view);
  d.view->setItemDelegate(d.delegate);
  d.lineStyle = new LineColorStyle;
  d.lineStyle->setParent(this);
  d.view->setStyle(d.lineStyle);

  d.bottom = new GridBottom(d.box, d.view);
  d.bottom->footer->setModel(d.model);
  inner->addWidget(d.view, 1);
  inner->addWidget(d.bottom);

  d.view->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  d.view->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
  d.view->setWordWrap(false);
  d.view->setCornerButtonEnabled(false);
  d.view->setTabKeyNavigation(true);
  d.header->setSectionsMovable(true);
  d.header->setSectionResizeMode(QHeaderView::Interactive);
  d.header->setMinimumSectionSize(kMinWidth);
  d.header->setStretchLastSection(false);
  d.rowHeader->setVisible(false);

  d.view->onButtonKey = [&d](const QModelIndex& index) { d.emitButton(index); };
  d.view->onSpace = [&d] { return d.toggleCurrentCheck(); };

  connect(d.model, &QAbstractItemModel::modelAboutToBeReset, this, [&d] { d.resetting = true; });
  connect(d.model, &QAbstractItemModel::modelReset, this, [&d] { d.afterReset(); });
  connect(d.model, &GridModel::footersChanged, this,
          [&d] { d.bottom->footer->viewport()->update(); });
  connect(d.header, &QHeaderView::sectionResized, this, [&d](int logical, int, int size) {
    d.bottom->footer->resizeSection(logical, size);
    if (d.resetting) return;
    if (GridColumn* c = d.model->columnAt(logical)) c->width = size;
  });
  connect(d.header, &QHeaderView::sectionMoved, this, [&d](int, int from, int to) {
    d.bottom->footer->moveSection(from, to);
    if (d.reorderQueued) return;
    // The header is still finishing the move: reorder the columns once it is done.
    d.reorderQueued = true;
    QTimer::singleShot(0, d.q, [&d] { d.takeColumnOrder(); });
  });
  connect(d.header, &QHeaderView::sectionClicked, this,
          [&d](int logical) { d.titleClicked(logical); });
  QScrollBar* own = d.view->horizontalScrollBar();
  connect(own, &QScrollBar::rangeChanged, this, [&d] { d.bottom->relayout(); });
  connect(own, &QScrollBar::valueChanged, this, [&d](int value) {
    d.bottom->bar->setValue(value);
    d.bottom->footer->setOffset(d.header->offset());
  });
  connect(d.bottom->bar, &QScrollBar::valueChanged, own, &QScrollBar::setValue);
  connect(d.view, &QAbstractItemView::doubleClicked, this, [this](const QModelIndex& index) {
    const int row = d_->model->datasetRow(index.row());
    if (row >= 0) emit rowDoubleClicked(row);
  });
  connect(d.delegate, &GridDelegate::buttonClicked, this,
          [&d](const QModelIndex& index) { d.emitButton(index); });
  connect(d.view->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
          [&d](const QModelIndex& current) { d.syncToDataset(current); });

  setFocusProxy(d.view);
  setReadOnly(false);
  try {
    applyStyle();
  } catch (const DataError&) {
    // A colour the settings cannot name: the screen's own applyStyle() call reports it; until
    // then the grid keeps its built-in look.
    d.setStyle(d.header->gridStyle());
  }
}

DataGrid::~DataGrid() {
  // The widgets go while the state their handlers use is still here.
  if (d_->ds) disconnect(d_->ds, nullptr, this, nullptr);
  delete d_->box;
}

// ---- dataset and columns

void DataGrid::setDataset(Dataset* ds) {
  Impl& d = *d_;
  if (d.ds) disconnect(d.ds, nullptr, this, nullptr);
  d.model->setSource(nullptr);
  delete d.dsModel;
  d.dsModel = nullptr;
  d.ds = ds;
  d.sortField.clear();
  d.header->setSortIndicatorShown(false);
  if (ds) {
    d.dsModel = new DatasetModel(*ds, this);
    connect(ds, &Dataset::currentChanged, this, [&d] { d.syncFromDataset(); });
    QStringList names;
    if (!d.automatic)
      for (const GridColumn& c : d.columns)
        if (c.visible) names << c.field;
    d.dsModel->setColumns(names);
  }
  d.model->setSource(d.dsModel);
}

Dataset* DataGrid::dataset() const {
  return d_->ds.data();
}

QTableView* DataGrid::view() const {
  return d_->view;
}

DatasetModel* DataGrid::model() const {
  return d_->dsModel;
}

void DataGrid::Impl::applyColumns() {
  model->setColumnList(&columns, automatic);
  if (!dsModel) {
    model->rebuild();
    return;
  }
  QStringList names;
  if (!automatic)
    for (const GridColumn& c : columns)
      if (c.visible) names << c.field;
  dsModel->setColumns(names);  // resets the grid model through the dataset model
}

void DataGrid::Impl::makeExplicit() {
  if (!automatic) return;
  automatic = false;
  model->setColumnList(&columns, false);
}

int DataGrid::Impl::defaultWidth(const Field& f) const {
  const QFontMetrics fm(view->font());
  const int digit = fm.horizontalAdvance('0');
  const int title = fm.horizontalAdvance(f.label()) + 16;
  int content = 80;
  switch (f.type()) {
    case FieldType::String:
      content = (f.size() > 0 ? std::min(f.size(), 24) : 12) * digit + 10;
      break;
    case FieldType::DateTime:
      content = fm.horizontalAdvance("0000-00-00") + 12;
      break;
    case FieldType::Boolean:
      content = 40;
      break;
    default:
      content = 10 * digit + 10;
  }
  return std::clamp(std::max(title, content), 40, 240);
}

void DataGrid::setColumns(std::vector<GridColumn> columns) {
  d_->columns = std::move(columns);
  d_->automatic = false;
  d_->applyColumns();
}

void DataGrid::addColumn(GridColumn column) {
  if (d_->automatic) d_->columns.clear();
  d_->automatic = false;
  d_->columns.push_back(std::move(column));
  d_->applyColumns();
}

void DataGrid::clearColumns() {
  d_->columns.clear();
  d_->automatic = true;
  d_->applyColumns();
}

const std::vector<GridColumn>& DataGrid::columns() const {
  return d_->columns;
}

GridColumn* DataGrid::column(const QString& field) {
  for (GridColumn& c : d_->columns)
    if (c.field.compare(field, Qt::CaseInsensitive) == 0) return &c;
  return nullptr;
}

int DataGrid::columnIndex(const QString& field) const {
  return d_->dsModel ? d_->dsModel->columnOf(field) : -1;
}

bool DataGrid::applyLayout(Dataset& ds, const QString& layoutKey) {
  Impl& d = *d_;
  if (!readLayout(ds, layoutKey)) return false;
  d.makeExplicit();
  mergeLayout(d.columns, ds, d.ds);
  d.applyColumns();
  return true;
}

bool readLayout(Dataset& ds, const QString& layoutKey) {
  ds.setCommandText("select * from sys_col where tableName = :t order by rowNo");
  ds.params().byName("t").value = layoutKey;
  ds.open();
  return !ds.isEmpty();
}

void mergeLayout(std::vector<GridColumn>& cols, Dataset& ds, Dataset* shown) {
  QStringList seen;
  for (int r = 0; r < ds.recordCount(); ++r) {
    const QString name = ds.valueAt(r, "fieldName").toString().trimmed();
    if (name.isEmpty() || seen.contains(name, Qt::CaseInsensitive)) continue;
    seen << name;
    auto it = std::find_if(cols.begin(), cols.end(), [&](const GridColumn& c) {
      return c.field.compare(name, Qt::CaseInsensitive) == 0;
    });
    if (it == cols.end()) {
      GridColumn added;
      added.field = name;
      cols.push_back(std::move(added));
      it = cols.end() - 1;
    }
    GridColumn col = *it;
    const QString caption = ds.valueAt(r, "fieldCName").toString();
    if (!caption.trimmed().isEmpty()) col.title = caption;
    const QVariant width = ds.valueAt(r, "width");
    if (!width.isNull() && width.toInt() > 0) col.width = width.toInt();
    const QVariant visible = ds.valueAt(r, "visible");
    if (!visible.isNull()) col.visible = visible.toBool();
    if (shown && !caption.trimmed().isEmpty())
      if (Field* f = shown->findField(name)) f->displayLabel = caption;
    // The column moves to its row number; the others shift around it and otherwise stay put.
    const QVariant rowNo = ds.valueAt(r, "rowNo");
    std::size_t at = static_cast<std::size_t>(it - cols.begin());
    if (!rowNo.isNull()) {
      cols.erase(it);
      at = static_cast<std::size_t>(
          std::clamp<qlonglong>(rowNo.toLongLong(), 0, static_cast<qlonglong>(cols.size())));
      cols.insert(cols.begin() + static_cast<std::ptrdiff_t>(at), std::move(col));
    } else {
      cols[at] = std::move(col);
    }
  }
}

void DataGrid::refresh() {
  d_->applyColumns();
}

// ---- after every reset: widths, spans, footer, current row

void DataGrid::Impl::afterReset() {
  resetting = true;
  const int offset = model->columnOffset();
  if (offset > 0) {
    header->setSectionResizeMode(0, QHeaderView::Fixed);
    header->resizeSection(0, kCheckWidth);
  }
  for (int c = offset; c < model->columnCount(); ++c) {
    header->setSectionResizeMode(c, QHeaderView::Interactive);
    if (const GridColumn* col = model->columnAt(c))
      header->resizeSection(c, std::max(col->width, kMinWidth));
  }
  resetting = false;
  applySpans();
  const int sorted = sortField.isEmpty() ? -1 : model->viewColumnOf(sortField);
  if (sorted >= 0) header->setSortIndicator(sorted, sortOrder);
  header->setSortIndicatorShown(sorted >= 0);
  syncFromDataset();
  bottom->relayout();
}

void DataGrid::Impl::applySpans() {
  view->clearSpans();
  if (!model->grouped()) return;
  const int columns = model->columnCount();
  if (columns < 2) return;
  for (int r = 0; r < model->rowCount(); ++r)
    if (model->rowKind(r) == GridRowKind::Caption) view->setSpan(r, 0, 1, columns);
}

void DataGrid::Impl::takeColumnOrder() {
  reorderQueued = false;
  std::vector<int> order;  // indexes into columns, in the order the user sees them
  for (int v = 0; v < header->count(); ++v)
    if (const GridColumn* c = model->columnAt(header->logicalIndex(v)))
      order.push_back(static_cast<int>(c - columns.data()));
  std::vector<int> places = order;
  std::sort(places.begin(), places.end());
  const bool checkMoved = model->hasCheckColumn() && header->visualIndex(0) != 0;
  if (places == order && !checkMoved) return;
  makeExplicit();
  const std::vector<GridColumn> before = columns;
  for (std::size_t i = 0; i < order.size(); ++i)
    columns[static_cast<std::size_t>(places[i])] = before[static_cast<std::size_t>(order[i])];
  applyColumns();
}

// ---- cursor and current row

void DataGrid::Impl::syncFromDataset() {
  if (syncing || !ds || !ds->active()) return;
  const int row = model->viewRow(ds->currentRow());
  if (row < 0) return;
  const QModelIndex current = view->currentIndex();
  if (current.isValid() && current.row() == row) return;
  int column = current.isValid() ? current.column() : model->columnOffset();
  if (column >= model->columnCount()) column = 0;
  syncing = true;
  const auto rows = readOnly ? QItemSelectionModel::Rows : QItemSelectionModel::NoUpdate;
  view->selectionModel()->setCurrentIndex(model->index(row, column),
                                          QItemSelectionModel::ClearAndSelect | rows);
  syncing = false;
}

void DataGrid::Impl::restoreCurrentLater() {
  QTimer::singleShot(0, q, [this] {
    const QModelIndex current = view->currentIndex();
    if (!ds || !ds->active() || model->datasetRow(current.row()) == ds->currentRow()) return;
    syncing = false;
    view->setCurrentIndex(QModelIndex());
    syncFromDataset();
  });
}

void DataGrid::Impl::syncToDataset(const QModelIndex& current) {
  if (syncing || !ds || !ds->active()) return;
  const int row = model->datasetRow(current.row());
  if (row < 0 || row == ds->currentRow()) return;
  syncing = true;
  try {
    ds->moveTo(row);  // posts the record left behind: its checks may refuse
  } catch (const Abort&) {
    restoreCurrentLater();  // the hook has told the user why
  } catch (const DataError& e) {
    reportError(e);
    restoreCurrentLater();
  }
  syncing = false;
}

// ---- clicks and keys

void DataGrid::Impl::titleClicked(int logical) {
  if (header->pressedOnGroup()) return;
  const Field* f = model->fieldAt(logical);
  if (!f) return;
  const QString name = f->name();
  if (titleSort && ds && ds->active()) {
    const Qt::SortOrder order =
        sortField.compare(name, Qt::CaseInsensitive) == 0 && sortOrder == Qt::AscendingOrder
            ? Qt::DescendingOrder
            : Qt::AscendingOrder;
    try {
      ds->setIndex(name, order);
      sortField = name;
      sortOrder = order;
      header->setSortIndicator(model->viewColumnOf(name), order);
      header->setSortIndicatorShown(true);
    } catch (const Abort&) {
      // the record being edited was refused by its hook, which said why
    } catch (const DataError& e) {
      reportError(e);
    }
  }
  emit q->titleClicked(name);
}

void DataGrid::Impl::emitButton(const QModelIndex& index) {
  const int row = model->datasetRow(index.row());
  const Field* f = model->fieldAt(index.column());
  if (row < 0 || !f || !ds) return;
  const QString name = f->name();
  if (ds->active() && ds->currentRow() != row) {
    try {
      ds->moveTo(row);
    } catch (const Abort&) {
      return;
    } catch (const DataError& e) {
      reportError(e);
      return;
    }
  }
  emit q->buttonClicked(name, row);
}

bool DataGrid::Impl::toggleCurrentCheck() {
  if (!model->hasCheckColumn()) return false;
  const int row = model->datasetRow(view->currentIndex().row());
  if (row < 0) return false;
  model->setChecked(row, !model->isChecked(row));
  return true;
}

// ---- behaviour

void DataGrid::setReadOnly(bool on) {
  Impl& d = *d_;
  d.readOnly = on;
  d.model->setReadOnly(on);
  d.view->setSelectionBehavior(on ? QAbstractItemView::SelectRows : QAbstractItemView::SelectItems);
  d.view->setSelectionMode(on ? QAbstractItemView::ExtendedSelection
                              : QAbstractItemView::SingleSelection);
  d.view->setEditTriggers(
      on ? QAbstractItemView::NoEditTriggers
         : QAbstractItemView::DoubleClicked | QAbstractItemView::SelectedClicked |
               QAbstractItemView::EditKeyPressed | QAbstractItemView::AnyKeyPressed);
  const QModelIndex current = d.view->currentIndex();
  if (current.isValid())
    d.view->selectionModel()->select(
        current, QItemSelectionModel::ClearAndSelect |
                     (on ? QItemSelectionModel::Rows : QItemSelectionModel::NoUpdate));
}

bool DataGrid::isReadOnly() const {
  return d_->readOnly;
}

void DataGrid::setCheckBoxes(bool on) {
  d_->model->setCheckColumn(on);
}

QList<int> DataGrid::checkedRows() const {
  return d_->model->checkedRows();
}

void DataGrid::setChecked(int row, bool on) {
  d_->model->setChecked(row, on);
}

void DataGrid::clearChecks() {
  d_->model->clearChecks();
}

QList<int> DataGrid::selectedRows() const {
  QList<int> out;
  for (const QModelIndex& index : d_->view->selectionModel()->selection().indexes()) {
    const int row = d_->model->datasetRow(index.row());
    if (row >= 0 && !out.contains(row)) out << row;
  }
  return out;
}

void DataGrid::markRow(int row, const QString& text) {
  d_->model->setMark(row, text);
}

void DataGrid::clearRowMarks() {
  d_->model->clearMarks();
}

QString DataGrid::rowMark(int row) const {
  return d_->model->mark(row);
}

void DataGrid::setRowNumbers(bool on, int firstNumber) {
  Impl& d = *d_;
  d.rowNumbers = on;
  d.firstNumber = firstNumber;
  d.model->setRowNumbers(firstNumber);
  d.rowHeader->setVisible(on);
  d.view->relayout();
  d.rowHeader->viewport()->update();
}

void DataGrid::setTitleSort(bool on) {
  d_->titleSort = on;
}

void DataGrid::setFooterVisible(bool on) {
  d_->bottom->footerOn = on;
  d_->bottom->relayout();
}

bool DataGrid::footerVisible() const {
  return d_->bottom->footerOn;
}

QString DataGrid::footerText(const QString& field) const {
  const int c = d_->model->viewColumnOf(field);
  return c < 0 ? QString() : d_->model->footerText(c);
}

double DataGrid::footerSum(const QString& field) const {
  const Impl& d = *d_;
  const int c = d.model->viewColumnOf(field);
  if (c >= 0 && d.model->columnAt(c) && d.model->columnAt(c)->footer == FooterKind::Sum)
    return d.model->footerSum(c);
  const Field* f = d.ds ? d.ds->findField(field) : nullptr;
  if (!f || !d.ds->active()) return 0;
  double sum = 0;
  for (int r = 0; r < d.ds->recordCount(); ++r) {
    bool ok = false;
    const double v = d.ds->valueAt(r, f->index()).toDouble(&ok);
    if (ok && std::isfinite(v)) sum += v;
  }
  return sum;
}

void DataGrid::setGroupBy(const QString& field, const QString& captionPrefix) {
  if (field.isEmpty())
    setGroupLevels({}, {});
  else
    setGroupLevels({field}, {captionPrefix});
}

void DataGrid::setGroupLevels(const QStringList& fields, const QStringList& captionPrefixes) {
  d_->model->setGrouping(fields, captionPrefixes);
}

// ---- look

void DataGrid::Impl::setStyle(const GridStyle& s) {
  style = s;
  view->setFont(s.font);
  QPalette pal = view->palette();
  pal.setColor(QPalette::Text, s.fontColor);
  view->setPalette(pal);
  lineStyle->color = s.lineColor;
  box->line = s.lineColor.darker(120);
  header->setGridStyle(s);
  rowHeader->setGridStyle(s);
  bottom->footer->setGridStyle(s);
  delegate->setGridStyle(s);
  const int rowHeight = QFontMetrics(s.font).height() + 6;
  rowHeader->setMinimumSectionSize(std::min(rowHeight, rowHeader->minimumSectionSize()));
  rowHeader->setDefaultSectionSize(rowHeight);
  view->relayout();
  view->viewport()->update();
  box->update();
  bottom->relayout();
}

void DataGrid::applyStyle() {
  d_->setStyle(gridStyle(font()));
}

void DataGrid::fitColumnsToContent() {
  Impl& d = *d_;
  const QFontMetrics cell(d.view->font());
  const QFontMetrics title(d.header->font());
  const QFontMetrics footer(d.style.footerFont);
  const int rows = d.ds && d.ds->active() ? d.ds->recordCount() : 0;
  for (int c = d.model->columnOffset(); c < d.model->columnCount(); ++c) {
    GridColumn* col = d.model->columnAt(c);
    const Field* f = d.model->fieldAt(c);
    if (!col || !f) continue;
    int w = title.horizontalAdvance(d.header->titleText(c)) + 16;
    if (f->type() == FieldType::Boolean) {
      w = std::max(w, 40);
    } else {
      for (int r = 0; r < rows; ++r)
        w = std::max(w, cell.horizontalAdvance(d.model->displayText(r, c)) + 12);
    }
    w = std::max(w, footer.horizontalAdvance(d.model->footerText(c)) + 12);
    if (col->button != CellButton::None) w += 18;
    w = std::min(w, kMaxFitWidth);
    col->width = w;
    d.header->resizeSection(c, w);
  }
}

void DataGrid::commitEdit() {
  d_->delegate->commitEditors(d_->view->viewport());
}

std::vector<int> DataGrid::columnWidths() const {
  std::vector<int> widths;
  for (int c = d_->model->columnOffset(); c < d_->model->columnCount(); ++c) {
    const GridColumn* col = d_->model->columnAt(c);
    widths.push_back(col ? col->width : d_->header->sectionSize(c));
  }
  return widths;
}

void DataGrid::setColumnWidths(const std::vector<int>& widths) {
  Impl& d = *d_;
  const int first = d.model->columnOffset();
  for (int c = first; c < d.model->columnCount(); ++c) {
    const auto i = static_cast<std::size_t>(c - first);
    if (i >= widths.size()) break;
    if (GridColumn* col = d.model->columnAt(c)) col->width = widths[i];
    d.header->resizeSection(c, widths[i]);
  }
}

// ---- output

GridSnapshot DataGrid::Impl::snapshot() const {
  GridSnapshot s;
  s.style = style;
  s.rowHeight = rowHeader->defaultSectionSize();
  s.rowNumbers = rowNumbers;
  std::vector<int> shown;
  for (int v = 0; v < header->count(); ++v) {
    const int l = header->logicalIndex(v);
    if (header->isSectionHidden(l) || !model->columnAt(l) || !model->fieldAt(l)) continue;
    shown.push_back(l);
    const GridColumn* col = model->columnAt(l);
    const Field* f = model->fieldAt(l);
    GridSnapshot::Column c;
    c.group = header->twoLevel() ? header->groupText(l) : QString();
    c.title = header->titleText(l);
    c.width = header->sectionSize(l);
    const bool lookup = col->lookupSource && !col->lookupDisplay.isEmpty();
    c.type = lookup ? FieldType::String : f->type();
    c.displayFormat = col->displayFormat.isEmpty() ? f->displayFormat : col->displayFormat;
    c.alignment = isNumericType(c.type)          ? Qt::AlignRight
                  : c.type == FieldType::Boolean ? Qt::AlignHCenter
                                                 : Qt::AlignLeft;
    s.columns.push_back(std::move(c));
  }
  for (int r = 0; r < model->rowCount(); ++r) {
    GridSnapshot::Row row;
    switch (model->rowKind(r)) {
      case GridRowKind::Caption:
        row.kind = GridSnapshot::RowKind::Caption;
        row.level = model->index(r, 0).data(gridrole::GroupLevel).toInt();
        row.cells.push_back({model->index(r, 0).data().toString(), {}});
        break;
      case GridRowKind::GroupFooter:
        row.kind = GridSnapshot::RowKind::GroupFooter;
        row.level = model->index(r, 0).data(gridrole::GroupLevel).toInt();
        for (int l : shown) {
          const QModelIndex i = model->index(r, l);
          row.cells.push_back({i.data().toString(), i.data(gridrole::Value)});
        }
        break;
      case GridRowKind::Data: {
        const int dsRow = model->datasetRow(r);
        if (rowNumbers) row.number = QString::number(firstNumber + dsRow);
        for (std::size_t k = 0; k < shown.size(); ++k) {
          GridSnapshot::Cell cell;
          const bool repeated = model->repeatsAbove(r, shown[k]);
          if (!repeated) cell.text = model->displayText(dsRow, shown[k]);
          const FieldType type = s.columns[k].type;
          if (repeated) {
            // printed and exported as the grid shows it: empty
          } else if (type == FieldType::String || type == FieldType::Boolean) {
            cell.value = cell.text;
          } else {
            try {
              cell.value = ds->valueAt(dsRow, model->fieldAt(shown[k])->index());
            } catch (const DataError&) {
              cell.value = cell.text;  // a calculation that fails prints as the grid shows it
            }
          }
          row.cells.push_back(std::move(cell));
        }
        break;
      }
    }
    s.rows.push_back(std::move(row));
  }
  if (bottom->footerOn) {
    for (int l : shown) {
      const GridColumn* col = model->columnAt(l);
      GridSnapshot::Cell cell{model->footerText(l), {}};
      if (col->footer == FooterKind::Sum && !cell.text.isEmpty())
        cell.value = model->footerSum(l);
      else if (col->footer == FooterKind::Count && !cell.text.isEmpty())
        cell.value = cell.text.toLongLong();
      else if (!cell.text.isEmpty())
        cell.value = cell.text;
      s.footer.push_back(std::move(cell));
    }
  }
  return s;
}

QPageLayout DataGrid::Impl::pageLayout(const GridSnapshot& s) const {
  double width = s.rowNumbers ? 28 : 0;
  for (const auto& c : s.columns) width += c.width;
  const auto orientation =
      width > kPortraitWidthPx * 1.25 ? QPageLayout::Landscape : QPageLayout::Portrait;
  return QPageLayout(QPageSize(QPageSize::A4), orientation, QMarginsF(12, 12, 12, 12),
                     QPageLayout::Millimeter);
}

void DataGrid::printPreview(const QString& title) {
  const GridSnapshot snap = d_->snapshot();
  QPrinter printer(QPrinter::HighResolution);
  printer.setPageLayout(d_->pageLayout(snap));
  printer.setDocName(title);
  QPrintPreviewDialog dialog(&printer, this);
  dialog.setWindowTitle(QStringLiteral("打印预览"));
  fitToScreen(dialog, QSize(1200, 900));
  connect(&dialog, &QPrintPreviewDialog::paintRequested, &dialog,
          [&snap, &title](QPrinter* p) { paintGridPages(p, snap, title); });
  desktop().exec(dialog);
}

bool DataGrid::printToPdf(const QString& file, const QString& title) {
  const GridSnapshot snap = d_->snapshot();
  QPdfWriter writer(file);
  writer.setResolution(600);
  writer.setPageLayout(d_->pageLayout(snap));
  writer.setTitle(title);
  writer.setCreator(QStringLiteral("QK"));
  return paintGridPages(&writer, snap, title) > 0;
}

bool DataGrid::exportXlsx(const QString& file, QString* error) const {
  return writeGridXlsx(d_->snapshot(), file, error);
}

QString DataGrid::exportWithDialog(const QString& name) {
  const GridSnapshot snap = d_->snapshot();
  return exportToFile(this, name, xlsxFormat(), [&snap](QString& file, QString* error) {
    return writeGridXlsx(snap, file, error);
  });
}

}  // namespace qk::client
