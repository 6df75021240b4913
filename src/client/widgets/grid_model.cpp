#include "client/widgets/grid_model.h"

#include <QBrush>
#include <cmath>

#include "client/data/data_error.h"
#include "client/data/prompter.h"

namespace qk::client {

using protocol::FieldType;

namespace {

double numberOf(const QVariant& v) {
  if (!v.isValid() || v.isNull()) return 0;
  bool ok = false;
  const double d = v.toDouble(&ok);
  return ok && std::isfinite(d) ? d : 0;
}

// Sums and groups are computed inside Qt's signal handling, where nothing may be thrown: a
// calculated field that fails counts as empty here; the same read from code reports it.
QVariant valueOf(const Dataset& ds, int row, int field) {
  try {
    return ds.valueAt(row, field);
  } catch (const std::exception&) {
    return {};
  }
}

// A refused record: a clear red tint under the text, legible in every grid colour scheme.
const QColor kMarkColor(255, 199, 199);

QString captionOf(const QString& prefix, const QString& value) {
  if (prefix.isEmpty()) return value;
  const QChar last = prefix.back();
  if (last.isSpace() || last == ':' || last == QChar(0xFF1A)) return prefix + value;
  return prefix + ' ' + value;
}

}  // namespace

GridModel::GridModel(QObject* parent) : QAbstractTableModel(parent) {}

void GridModel::setColumnList(std::vector<GridColumn>* columns, bool automatic) {
  columns_ = columns;
  automatic_ = automatic;
}

void GridModel::setSource(DatasetModel* source) {
  if (src_) disconnect(src_, nullptr, this, nullptr);
  src_ = source;
  if (source) {
    connect(source, &QAbstractItemModel::modelAboutToBeReset, this, &GridModel::sourceAboutToReset);
    connect(source, &QAbstractItemModel::modelReset, this, &GridModel::sourceReset);
    connect(source, &QAbstractItemModel::dataChanged, this, &GridModel::sourceDataChanged);
    connect(source, &QAbstractItemModel::headerDataChanged, this, [this] {
      if (!automatic_ || !columns_) return;
      for (std::size_t c = 0; c < shown_.size(); ++c)
        if (const Field* f = src_->fieldAt(static_cast<int>(c)); f && shown_[c] >= 0)
          (*columns_)[static_cast<std::size_t>(shown_[c])].title = f->label();
      if (columnCount() > 0) emit headerDataChanged(Qt::Horizontal, 0, columnCount() - 1);
    });
  }
  checks_.clear();
  rebuild();
}

void GridModel::setReadOnly(bool on) {
  readOnly_ = on;
  if (rowCount() > 0 && columnCount() > 0)
    emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1));
}

void GridModel::setRowNumbers(int firstNumber) {
  firstNumber_ = firstNumber;
  if (rowCount() > 0) emit headerDataChanged(Qt::Vertical, 0, rowCount() - 1);
}

void GridModel::setGrouping(const QStringList& fields, const QStringList& captionPrefixes) {
  groupFields_ = fields;
  groupPrefixes_ = captionPrefixes;
  rebuild();
}

void GridModel::setCheckColumn(bool on) {
  if (on == checkColumn_) return;
  beginResetModel();
  checkColumn_ = on;
  endResetModel();
}

// ---- rebuilding

void GridModel::rebuild() {
  sourceAboutToReset();
  sourceReset();
}

void GridModel::sourceAboutToReset() {
  if (resetting_) return;
  resetting_ = true;
  beginResetModel();
}

void GridModel::sourceReset() {
  // A closed dataset is a reopened one to be: its records and their marks are gone.
  if (!dataset() || !dataset()->active()) marks_.clear();
  resolveColumns();
  rows_.clear();
  groups_.clear();
  viewRowOf_.clear();
  computeGroups(rows_, groups_);
  mapRows();
  computeFooters();
  placeChecks();
  if (resetting_) {
    resetting_ = false;
    endResetModel();
  }
  emit footersChanged();
}

void GridModel::sourceDataChanged() {
  if (resetting_) return;
  computeFooters();
  placeChecks();
  std::vector<RowRef> rows;
  std::vector<Group> groups;
  computeGroups(rows, groups);
  const bool sameShape =
      rows.size() == rows_.size() &&
      std::equal(rows.begin(), rows.end(), rows_.begin(), [](const RowRef& a, const RowRef& b) {
        return a.kind == b.kind && a.index == b.index;
      });
  if (!sameShape) {
    beginResetModel();
    rows_ = std::move(rows);
    groups_ = std::move(groups);
    mapRows();
    endResetModel();
  } else {
    groups_ = std::move(groups);
    if (rowCount() > 0 && columnCount() > 0)
      emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1));
  }
  emit footersChanged();
}

void GridModel::mapRows() {
  viewRowOf_.clear();
  for (std::size_t i = 0; i < rows_.size(); ++i) {
    if (rows_[i].kind != GridRowKind::Data) continue;
    const auto r = static_cast<std::size_t>(rows_[i].index);
    if (viewRowOf_.size() <= r) viewRowOf_.resize(r + 1, -1);
    viewRowOf_[r] = static_cast<int>(i);
  }
}

void GridModel::watchLookups() {
  for (const QMetaObject::Connection& c : lookupConnections_) disconnect(c);
  lookupConnections_.clear();
  liveLookups_.clear();
  lookupCache_.clear();
  if (!columns_) return;
  for (const GridColumn& g : *columns_) {
    Dataset* source = g.lookupSource;
    if (!source || liveLookups_.contains(source)) continue;
    liveLookups_.insert(source, QPointer<Dataset>(source));
    lookupConnections_.push_back(connect(source, &Dataset::changed, this, [this, source] {
      lookupCache_.remove(source);
      if (rowCount() > 0 && columnCount() > 0)
        emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1));
    }));
  }
}

void GridModel::resolveColumns() {
  shown_.clear();
  watchLookups();
  if (!src_ || !columns_) return;
  std::vector<GridColumn>& cols = *columns_;
  if (automatic_) {
    // Automatic columns are exactly the shown fields; a field seen before keeps its width.
    std::vector<GridColumn> made;
    for (int c = 0; c < src_->columnCount(); ++c) {
      const Field* f = src_->fieldAt(c);
      if (!f) continue;
      auto it = std::find_if(cols.begin(), cols.end(), [&](const GridColumn& g) {
        return g.field.compare(f->name(), Qt::CaseInsensitive) == 0;
      });
      GridColumn g = it != cols.end() ? *it : GridColumn{};
      if (it == cols.end()) {
        g.field = f->name();
        if (defaultWidth) g.width = defaultWidth(*f);
      }
      g.title = f->label();
      made.push_back(std::move(g));
      shown_.push_back(static_cast<int>(made.size()) - 1);
    }
    cols = std::move(made);
    return;
  }
  for (int c = 0; c < src_->columnCount(); ++c) {
    const Field* f = src_->fieldAt(c);
    int found = -1;
    for (std::size_t i = 0; f && i < cols.size() && found < 0; ++i)
      if (cols[i].visible && cols[i].field.compare(f->name(), Qt::CaseInsensitive) == 0 &&
          std::find(shown_.begin(), shown_.end(), static_cast<int>(i)) == shown_.end())
        found = static_cast<int>(i);
    shown_.push_back(found);
  }
}

// ---- footers and groups

QString GridModel::formatSum(int shownColumn, double sum) const {
  const Field* f = src_ ? src_->fieldAt(shownColumn) : nullptr;
  const GridColumn* g = columnAt(shownColumn + columnOffset());
  if (!f || !g) return {};
  const QString format = g->displayFormat.isEmpty() ? f->displayFormat : g->displayFormat;
  if (f->type() == FieldType::Integer && std::fabs(sum) < 9e15)
    return formatValue(qlonglong(std::llround(sum)), FieldType::Integer, format);
  return formatValue(sum, FieldType::Float, format);
}

void GridModel::computeFooters() {
  const std::size_t n = shown_.size();
  sums_.assign(n, 0.0);
  footers_.assign(n, QString());
  Dataset* ds = dataset();
  if (!ds || !columns_) return;
  const bool active = ds->active();
  const int rows = active ? ds->recordCount() : 0;
  for (std::size_t c = 0; c < n; ++c) {
    const GridColumn* g = columnAt(static_cast<int>(c) + columnOffset());
    const Field* f = src_->fieldAt(static_cast<int>(c));
    if (!g || !f) continue;
    switch (g->footer) {
      case FooterKind::Sum: {
        if (!active) break;
        double sum = 0;
        for (int r = 0; r < rows; ++r) sum += numberOf(valueOf(*ds, r, f->index()));
        sums_[c] = sum;
        footers_[c] = formatSum(static_cast<int>(c), sum);
        break;
      }
      case FooterKind::Count:
        if (active) footers_[c] = QString::number(rows);
        break;
      case FooterKind::Text:
        footers_[c] = g->footerText;
        break;
      case FooterKind::None:
        break;
    }
  }
}

bool GridModel::computeGroups(std::vector<RowRef>& rows, std::vector<Group>& groups) const {
  rows.clear();
  groups.clear();
  Dataset* ds = dataset();
  if (!ds || !ds->active() || groupFields_.isEmpty()) return false;
  struct Level {
    const Field* field;
    QString prefix;
  };
  std::vector<Level> levels;
  for (qsizetype k = 0; k < groupFields_.size(); ++k)
    if (const Field* f = ds->findField(groupFields_[k]))
      levels.push_back({f, groupPrefixes_.value(k)});
  if (levels.empty()) return false;

  bool withFooter = false;
  std::vector<std::pair<int, int>> sumColumns;  // shown column, field index
  for (std::size_t c = 0; c < shown_.size(); ++c) {
    const GridColumn* g = columnAt(static_cast<int>(c) + columnOffset());
    const Field* f = src_->fieldAt(static_cast<int>(c));
    if (!g || !f) continue;
    if (g->footer != FooterKind::None) withFooter = true;
    if (g->footer == FooterKind::Sum) sumColumns.emplace_back(static_cast<int>(c), f->index());
  }

  const std::size_t depth = levels.size();
  std::vector<QString> previous(depth), values(depth);
  std::vector<int> open(depth, -1);
  auto close = [&](std::size_t k) {
    if (withFooter) rows.push_back({GridRowKind::GroupFooter, open[k]});
  };
  const int n = ds->recordCount();
  std::vector<double> rowSums(sumColumns.size());
  for (int r = 0; r < n; ++r) {
    for (std::size_t k = 0; k < depth; ++k) {
      const Field* f = levels[k].field;
      values[k] = formatValue(valueOf(*ds, r, f->index()), f->type(), f->displayFormat);
    }
    std::size_t first = 0;
    if (r > 0) {
      while (first < depth && values[first] == previous[first]) ++first;
      for (std::size_t k = depth; k-- > first;) close(k);
    }
    for (std::size_t k = first; k < depth; ++k) {
      Group g;
      g.level = static_cast<int>(k);
      g.caption = captionOf(levels[k].prefix, values[k]);
      g.sums.assign(shown_.size(), 0.0);
      groups.push_back(std::move(g));
      open[k] = static_cast<int>(groups.size()) - 1;
      rows.push_back({GridRowKind::Caption, open[k]});
    }
    rows.push_back({GridRowKind::Data, r});
    for (std::size_t s = 0; s < sumColumns.size(); ++s)
      rowSums[s] = numberOf(valueOf(*ds, r, sumColumns[s].second));
    for (std::size_t k = 0; k < depth; ++k) {
      Group& g = groups[static_cast<std::size_t>(open[k])];
      ++g.count;
      for (std::size_t s = 0; s < sumColumns.size(); ++s)
        g.sums[static_cast<std::size_t>(sumColumns[s].first)] += rowSums[s];
    }
    previous.swap(values);
  }
  if (n > 0)
    for (std::size_t k = depth; k-- > 0;) close(k);
  return true;
}

// ---- checks

QString GridModel::recordKey(int datasetRow) const {
  Dataset* ds = dataset();
  QString key;
  for (int i = 0; i < ds->fieldCount(); ++i) {
    if (ds->field(i).kind() != FieldKind::Data) continue;
    const QVariant v = ds->valueAt(datasetRow, i);
    key += QString::number(v.typeId());
    key += ':';
    key += v.isNull() ? QString() : v.toString();
    key += QChar(0x1f);
  }
  return key;
}

void GridModel::placeChecks() {
  Dataset* ds = dataset();
  if (!ds || !ds->active()) {
    checks_.clear();  // a closed dataset is a reopened one to be: its checks are void
    rowCheck_.clear();
    return;
  }
  const int n = ds->recordCount();
  rowCheck_.assign(static_cast<std::size_t>(n), -1);
  if (checks_.empty()) return;
  std::vector<std::size_t> lost;
  for (std::size_t i = 0; i < checks_.size(); ++i) {
    CheckEntry& e = checks_[i];
    if (e.row >= 0 && e.row < n && rowCheck_[static_cast<std::size_t>(e.row)] < 0 &&
        recordKey(e.row) == e.key)
      rowCheck_[static_cast<std::size_t>(e.row)] = static_cast<int>(i);
    else
      lost.push_back(i);
  }
  if (lost.empty()) return;
  // Sorted or filtered: find the records again by their values.
  QHash<QString, QList<int>> byKey;
  for (int r = 0; r < n; ++r)
    if (rowCheck_[static_cast<std::size_t>(r)] < 0) byKey[recordKey(r)].append(r);
  for (std::size_t i : lost) {
    CheckEntry& e = checks_[i];
    auto it = byKey.find(e.key);
    if (it == byKey.end() || it->isEmpty()) {
      e.row = -1;
      continue;
    }
    e.row = it->takeFirst();
    rowCheck_[static_cast<std::size_t>(e.row)] = static_cast<int>(i);
  }
}

bool GridModel::isChecked(int datasetRow) const {
  return datasetRow >= 0 && datasetRow < static_cast<int>(rowCheck_.size()) &&
         rowCheck_[static_cast<std::size_t>(datasetRow)] >= 0;
}

void GridModel::setChecked(int datasetRow, bool on) {
  if (datasetRow < 0 || datasetRow >= static_cast<int>(rowCheck_.size())) return;
  const int at = rowCheck_[static_cast<std::size_t>(datasetRow)];
  if (on == (at >= 0)) return;
  if (on) {
    checks_.push_back({recordKey(datasetRow), datasetRow});
    rowCheck_[static_cast<std::size_t>(datasetRow)] = static_cast<int>(checks_.size()) - 1;
  } else {
    checks_.erase(checks_.begin() + at);
    std::fill(rowCheck_.begin(), rowCheck_.end(), -1);
    for (std::size_t i = 0; i < checks_.size(); ++i)
      if (checks_[i].row >= 0) rowCheck_[static_cast<std::size_t>(checks_[i].row)] = int(i);
  }
  const int row = viewRow(datasetRow);
  if (checkColumn_ && row >= 0) emit dataChanged(index(row, 0), index(row, 0));
}

QList<int> GridModel::checkedRows() const {
  QList<int> out;
  for (const CheckEntry& e : checks_)
    if (e.row >= 0) out << e.row;
  return out;
}

void GridModel::clearChecks() {
  checks_.clear();
  std::fill(rowCheck_.begin(), rowCheck_.end(), -1);
  if (checkColumn_ && rowCount() > 0) emit dataChanged(index(0, 0), index(rowCount() - 1, 0));
}

// ---- mapping

int GridModel::datasetRow(int viewRow) const {
  if (viewRow < 0 || viewRow >= rowCount()) return -1;
  if (!grouped() || rows_.empty()) return viewRow;
  const RowRef& r = rows_[static_cast<std::size_t>(viewRow)];
  return r.kind == GridRowKind::Data ? r.index : -1;
}

int GridModel::viewRow(int datasetRow) const {
  const Dataset* ds = dataset();
  if (!ds || datasetRow < 0 || datasetRow >= ds->recordCount()) return -1;
  if (!grouped() || rows_.empty()) return datasetRow < rowCount() ? datasetRow : -1;
  return datasetRow < static_cast<int>(viewRowOf_.size())
             ? viewRowOf_[static_cast<std::size_t>(datasetRow)]
             : -1;
}

GridRowKind GridModel::rowKind(int viewRow) const {
  if (!grouped() || rows_.empty() || viewRow < 0 || viewRow >= static_cast<int>(rows_.size()))
    return GridRowKind::Data;
  return rows_[static_cast<std::size_t>(viewRow)].kind;
}

GridColumn* GridModel::columnAt(int viewColumn) const {
  const int c = viewColumn - columnOffset();
  if (!columns_ || c < 0 || c >= static_cast<int>(shown_.size())) return nullptr;
  const int i = shown_[static_cast<std::size_t>(c)];
  return i >= 0 ? &(*columns_)[static_cast<std::size_t>(i)] : nullptr;
}

Field* GridModel::fieldAt(int viewColumn) const {
  const int c = viewColumn - columnOffset();
  return src_ && c >= 0 ? src_->fieldAt(c) : nullptr;
}

int GridModel::viewColumnOf(const QString& field) const {
  const int c = src_ ? src_->columnOf(field) : -1;
  return c < 0 ? -1 : c + columnOffset();
}

QString GridModel::footerText(int viewColumn) const {
  const int c = viewColumn - columnOffset();
  return c >= 0 && c < static_cast<int>(footers_.size()) ? footers_[static_cast<std::size_t>(c)]
                                                         : QString();
}

double GridModel::footerSum(int viewColumn) const {
  const int c = viewColumn - columnOffset();
  return c >= 0 && c < static_cast<int>(sums_.size()) ? sums_[static_cast<std::size_t>(c)] : 0;
}

QString GridModel::lookupText(const GridColumn& column, const QVariant& key) const {
  const QString keyText = key.isNull() ? QString() : key.toString();
  Dataset* source = column.lookupSource;
  auto live = liveLookups_.find(source);
  if (live == liveLookups_.end() || !live.value() || !source->active()) return keyText;
  const QString cacheKey = column.lookupKey + '\x1f' + column.lookupDisplay;
  auto& perSource = lookupCache_[source];
  auto it = perSource.find(cacheKey);
  if (it == perSource.end()) {
    QHash<QString, QString> map;
    const Field* k = source->findField(column.lookupKey);
    const Field* d = source->findField(column.lookupDisplay);
    for (int r = 0; k && d && r < source->recordCount(); ++r) {
      const QString kt = source->valueAt(r, k->index()).toString();
      if (!map.contains(kt)) map.insert(kt, source->valueAt(r, d->index()).toString());
    }
    it = perSource.insert(cacheKey, map);
  }
  return it->value(keyText, keyText);
}

QString GridModel::displayText(int datasetRow, int viewColumn) const {
  const GridColumn* g = columnAt(viewColumn);
  const Field* f = fieldAt(viewColumn);
  const Dataset* ds = dataset();
  if (!g || !f || !ds || datasetRow < 0 || datasetRow >= ds->recordCount()) return {};
  try {
    const QVariant v = ds->valueAt(datasetRow, f->index());
    if (g->lookupSource && !g->lookupKey.isEmpty() && !g->lookupDisplay.isEmpty())
      return lookupText(*g, v);
    QString format = g->displayFormat.isEmpty() ? f->displayFormat : g->displayFormat;
    if (f->type() == FieldType::Boolean && format.isEmpty()) format = QStringLiteral("是;否");
    return formatValue(v, f->type(), format);
  } catch (const std::exception&) {
    return {};  // painting cannot carry an exception; the same read from code reports it
  }
}

bool GridModel::repeatsAbove(int viewRow, int viewColumn) const {
  const GridColumn* col = columnAt(viewColumn);
  if (!col || !col->repeatOnce || viewRow <= 0) return false;
  // A caption row between two data rows starts a new group: its first row shows everything.
  if (rowKind(viewRow) != GridRowKind::Data || rowKind(viewRow - 1) != GridRowKind::Data)
    return false;
  const int row = datasetRow(viewRow), above = datasetRow(viewRow - 1);
  if (row < 0 || above < 0) return false;
  return displayText(above, viewColumn) == displayText(row, viewColumn);
}

// ---- the model Qt sees

int GridModel::rowCount(const QModelIndex& parent) const {
  if (parent.isValid() || !src_) return 0;
  if (grouped() && !rows_.empty()) return static_cast<int>(rows_.size());
  return src_->rowCount();
}

int GridModel::columnCount(const QModelIndex& parent) const {
  if (parent.isValid() || !src_) return 0;
  return static_cast<int>(shown_.size()) + columnOffset();
}

// ---- marks

void GridModel::setMark(int datasetRow, const QString& text) {
  Dataset* ds = dataset();
  if (!ds || !ds->active() || datasetRow < 0 || datasetRow >= ds->recordCount()) return;
  const quint64 id = ds->recordId(datasetRow);
  if (text.isEmpty())
    marks_.remove(id);
  else
    marks_.insert(id, text);
  const int row = viewRow(datasetRow);
  if (row >= 0 && columnCount() > 0) emit dataChanged(index(row, 0), index(row, columnCount() - 1));
}

QString GridModel::mark(int datasetRow) const {
  Dataset* ds = dataset();
  if (marks_.isEmpty() || !ds || !ds->active() || datasetRow < 0 || datasetRow >= ds->recordCount())
    return {};
  return marks_.value(ds->recordId(datasetRow));
}

void GridModel::clearMarks() {
  if (marks_.isEmpty()) return;
  marks_.clear();
  if (rowCount() > 0 && columnCount() > 0)
    emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1));
}

QVariant GridModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || !src_) return {};
  const int vc = index.column();
  const GridRowKind kind = rowKind(index.row());
  if (role == gridrole::RowKind) return int(kind);
  if (kind != GridRowKind::Data) {
    const Group& g = groups_[static_cast<std::size_t>(rows_[std::size_t(index.row())].index)];
    if (role == gridrole::GroupLevel) return g.level;
    if (kind == GridRowKind::Caption)
      return role == Qt::DisplayRole && vc == 0 ? QVariant(g.caption) : QVariant();
    const GridColumn* col = columnAt(vc);
    const int sc = vc - columnOffset();
    if (!col || sc < 0) return {};
    if (role == Qt::TextAlignmentRole)
      return int((col->footer == FooterKind::Text ? Qt::AlignHCenter : Qt::AlignRight) |
                 Qt::AlignVCenter);
    if (role == gridrole::Value) {
      if (col->footer == FooterKind::Sum) return g.sums[static_cast<std::size_t>(sc)];
      if (col->footer == FooterKind::Count) return g.count;
      if (col->footer == FooterKind::Text && !col->footerText.isEmpty()) return col->footerText;
      return {};
    }
    if (role != Qt::DisplayRole) return {};
    switch (col->footer) {
      case FooterKind::Sum:
        return formatSum(sc, g.sums[static_cast<std::size_t>(sc)]);
      case FooterKind::Count:
        return QString::number(g.count);
      case FooterKind::Text:
        return col->footerText;
      case FooterKind::None:
        return {};
    }
    return {};
  }
  const int row = datasetRow(index.row());
  if ((role == Qt::BackgroundRole || role == Qt::ToolTipRole) && !marks_.isEmpty()) {
    const QString text = mark(row);
    if (!text.isEmpty())
      return role == Qt::ToolTipRole ? QVariant(text) : QVariant(QBrush(kMarkColor));
  }
  if (checkColumn_ && vc == 0) {
    if (role == Qt::CheckStateRole) return int(isChecked(row) ? Qt::Checked : Qt::Unchecked);
    if (role == Qt::TextAlignmentRole) return int(Qt::AlignCenter);
    return {};
  }
  const GridColumn* col = columnAt(vc);
  if (role == gridrole::Button) return int(col ? col->button : CellButton::None);
  if (role == Qt::DisplayRole && repeatsAbove(index.row(), vc)) return QString();
  if (role == Qt::TextAlignmentRole) {
    const QVariant a = src_->data(src_->index(row, vc - columnOffset()), role);
    return int((a.isValid() ? Qt::Alignment(a.toInt()) & Qt::AlignHorizontal_Mask
                            : Qt::Alignment(Qt::AlignLeft)) |
               Qt::AlignVCenter);
  }
  if (role == Qt::DisplayRole && col &&
      (!col->displayFormat.isEmpty() || (col->lookupSource && !col->lookupDisplay.isEmpty()))) {
    const Field* f = fieldAt(vc);
    if (f && f->type() == FieldType::Boolean) return {};
    return displayText(row, vc);
  }
  return src_->data(src_->index(row, vc - columnOffset()), role);
}

QVariant GridModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation == Qt::Vertical) {
    if (role == Qt::TextAlignmentRole) return int(Qt::AlignCenter);
    if (role != Qt::DisplayRole) return {};
    const int row = datasetRow(section);
    return row < 0 ? QVariant() : QVariant(firstNumber_ + row);
  }
  if (role == Qt::TextAlignmentRole) return int(Qt::AlignCenter);
  const GridColumn* col = columnAt(section);
  if (role == gridrole::Footer) return footerText(section);
  if (role == gridrole::FooterAlignment) {
    if (!col) return int(Qt::AlignCenter);
    if (col->footer == FooterKind::Text) return int(Qt::AlignCenter);
    return int(Qt::AlignRight | Qt::AlignVCenter);
  }
  if (role != Qt::DisplayRole) return {};
  if (checkColumn_ && section == 0) return QString();
  if (!col) {
    const Field* f = fieldAt(section);
    return f ? f->label() : QString();
  }
  if (!col->title.isEmpty()) return col->title;
  const Field* f = fieldAt(section);
  return f ? f->label() : col->field;
}

Qt::ItemFlags GridModel::flags(const QModelIndex& index) const {
  if (!index.isValid() || !src_) return Qt::NoItemFlags;
  if (rowKind(index.row()) != GridRowKind::Data) return Qt::NoItemFlags;
  if (checkColumn_ && index.column() == 0)
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable |
           Qt::ItemNeverHasChildren;
  Qt::ItemFlags f =
      src_->flags(src_->index(datasetRow(index.row()), index.column() - columnOffset()));
  const GridColumn* col = columnAt(index.column());
  if (readOnly_ || (col && col->readOnly)) f &= ~(Qt::ItemIsEditable | Qt::ItemIsUserCheckable);
  return f;
}

bool GridModel::setData(const QModelIndex& index, const QVariant& value, int role) {
  if (!index.isValid() || !src_ || rowKind(index.row()) != GridRowKind::Data) return false;
  const int row = datasetRow(index.row());
  if (checkColumn_ && index.column() == 0) {
    if (role != Qt::CheckStateRole) return false;
    setChecked(row, value.toInt() == Qt::Checked);
    return true;
  }
  if (!(flags(index) & (Qt::ItemIsEditable | Qt::ItemIsUserCheckable))) return false;
  try {
    return src_->setData(src_->index(row, index.column() - columnOffset()), value, role);
  } catch (const DataError& e) {
    // An editor commits from inside Qt's event handling, where no exception may pass.
    prompter().message(e.text(), Prompter::Icon::Warning);
    return false;
  }
}

}  // namespace qk::client
