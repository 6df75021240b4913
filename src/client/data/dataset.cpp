#include "client/data/dataset.h"

#include <QDateTime>
#include <algorithm>

#include "client/data/connection.h"
#include "client/data/data_error.h"
#include "client/data/dataset_impl.h"
#include "client/data/values.h"

namespace qk::client {

using protocol::FieldType;

namespace {

bool sameValues(const std::vector<QVariant>& a, const std::vector<QVariant>& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (!sameValue(a[i], b[i])) return false;
  return true;
}

}  // namespace

void Dataset::flush(bool runHooks) {
  Impl& d = *d_;
  const Row* r = currentData();
  const bool moved = d.reopened || (r ? r->uid : 0) != d.startUid;
  const bool dirty = d.dirty;
  d.dirty = d.reopened = false;
  if (dirty) emit changed();
  if (moved || d.cursor != d.startCursor) emit currentChanged();
  if (moved && runHooks && afterScroll && state_ != State::Inactive) afterScroll(*this);
}

void Dataset::touch() {
  d_->dirty = true;
  ++d_->generation;
}

// ---------------------------------------------------------------------------------------------
// Records and fields

QVariant Record::value(const QString& field) const {
  const int f = ds_->fieldIndexOf(field);
  const Dataset::Row& row =
      stored_ ? *static_cast<const Dataset::Row*>(stored_) : ds_->visibleData(row_);
  return ds_->valueOf(row, f, row_);
}

QVariant Field::value() const {
  return ds_ ? ds_->currentValue(*this) : QVariant();
}

void Field::setValue(const QVariant& v) {
  if (!ds_) throw DataError(QString("字段 %1 不属于任何数据集").arg(name_));
  ds_->setFieldValue(*this, v);
}

bool Field::isNull() const {
  return isNullValue(value());
}

QString Field::asString() const {
  const QVariant v = value();
  return isNullValue(v) ? QString() : valueText(v);
}

qlonglong Field::asInteger() const {
  const QVariant v = convertTo(value(), FieldType::Integer, name_);
  return v.isValid() ? v.toLongLong() : 0;
}

double Field::asFloat() const {
  const QVariant v = convertTo(value(), FieldType::Float, name_);
  return v.isValid() ? v.toDouble() : 0.0;
}

bool Field::asBoolean() const {
  const QVariant v = convertTo(value(), FieldType::Boolean, name_);
  return v.isValid() && v.toBool();
}

QDateTime Field::asDateTime() const {
  const QVariant v = convertTo(value(), FieldType::DateTime, name_);
  return v.isValid() ? v.toDateTime() : QDateTime();
}

// ---------------------------------------------------------------------------------------------
// Dataset

Dataset::Dataset(Connection& connection, QString provider, QObject* parent)
    : QObject(parent),
      d_(std::make_unique<Impl>()),
      conn_(connection),
      provider_(std::move(provider)) {}

Dataset::~Dataset() = default;

void Dataset::requireActive() const {
  if (state_ == State::Inactive) throw DataError("数据集没有打开，不能执行此操作");
}

int Dataset::findIndex(const QString& name) const {
  auto it = d_->exactNames.constFind(name);
  if (it != d_->exactNames.constEnd()) return *it;
  it = d_->foldedNames.constFind(name.toCaseFolded());
  return it != d_->foldedNames.constEnd() ? *it : -1;
}

int Dataset::fieldIndexOf(const QString& name) const {
  const int index = findIndex(name);
  if (index < 0) throw DataError(QString("字段 %1 不存在").arg(name));
  return index;
}

void Dataset::rebuildNames() {
  d_->exactNames.clear();
  d_->foldedNames.clear();
  d_->lookups.clear();
  for (std::size_t i = 0; i < fields_.size(); ++i) {
    Field& f = *fields_[i];
    f.index_ = static_cast<int>(i);
    if (!d_->exactNames.contains(f.name_)) d_->exactNames.insert(f.name_, f.index_);
    const QString folded = f.name_.toCaseFolded();
    if (!d_->foldedNames.contains(folded)) d_->foldedNames.insert(folded, f.index_);
  }
}

void Dataset::retireDataFields() {
  std::vector<std::unique_ptr<Field>> declared;
  for (auto& f : fields_) {
    if (f->kind_ == FieldKind::Data) {
      f->index_ = -1;
      d_->retired.push_back(std::move(f));
    } else {
      declared.push_back(std::move(f));
    }
  }
  fields_ = std::move(declared);
  d_->dataCount = 0;
  rebuildNames();
}

Field& Dataset::field(int index) {
  if (index < 0 || index >= fieldCount())
    throw DataError(QString("字段序号 %1 超出范围（共 %2 个字段）").arg(index).arg(fieldCount()));
  return *fields_[static_cast<std::size_t>(index)];
}

Field& Dataset::fieldByName(const QString& name) {
  return *fields_[static_cast<std::size_t>(fieldIndexOf(name))];
}

Field* Dataset::findField(const QString& name) {
  const int index = findIndex(name);
  return index < 0 ? nullptr : fields_[static_cast<std::size_t>(index)].get();
}

Field& Dataset::addCalculatedField(const QString& name, protocol::FieldType type,
                                   std::function<QVariant(const Record&)> calc) {
  if (findIndex(name) >= 0) throw DataError(QString("字段 %1 已存在").arg(name));
  Batch batch(*this);
  auto f = std::make_unique<Field>();
  f->ds_ = this;
  f->name_ = name;
  f->type_ = type;
  f->kind_ = FieldKind::Calculated;
  f->calc_ = std::move(calc);
  Field& added = *f;
  fields_.push_back(std::move(f));
  rebuildNames();
  touch();
  return added;
}

Field& Dataset::addLookupField(const QString& name, const QString& keyField, Dataset& source,
                               const QString& sourceKey, const QString& resultField) {
  if (findIndex(name) >= 0) throw DataError(QString("字段 %1 已存在").arg(name));
  Batch batch(*this);
  auto f = std::make_unique<Field>();
  f->ds_ = this;
  f->name_ = name;
  f->kind_ = FieldKind::Lookup;
  f->lookupKey_ = keyField;
  f->lookupSource_ = &source;
  f->lookupSourceKey_ = sourceKey;
  f->lookupResult_ = resultField;
  if (const Field* result = source.findField(resultField)) {
    f->type_ = result->type_;
    f->size_ = result->size_;
  }
  Field& added = *f;
  fields_.push_back(std::move(f));
  rebuildNames();
  touch();
  return added;
}

// ---- reading values

Dataset::Row* Dataset::currentData() const {
  if (state_ == State::Inactive || d_->cursor < 0 ||
      d_->cursor >= static_cast<int>(d_->visible.size()))
    return nullptr;
  return d_->visible[static_cast<std::size_t>(d_->cursor)];
}

const Dataset::Row& Dataset::visibleData(int visibleRow) const {
  if (visibleRow < 0 || visibleRow >= recordCount())
    throw DataError(
        QString("记录号 %1 超出范围（共 %2 条记录）").arg(visibleRow).arg(recordCount()));
  return *d_->visible[static_cast<std::size_t>(visibleRow)];
}

QVariant Dataset::valueOf(const Row& row, int fieldIndex, int visibleRow) const {
  if (fieldIndex < d_->dataCount) return row.values[static_cast<std::size_t>(fieldIndex)];
  const Field& f = *fields_[static_cast<std::size_t>(fieldIndex)];
  if (f.kind_ == FieldKind::Calculated)
    return f.calc_ ? f.calc_(Record(*this, visibleRow, &row)) : QVariant();
  return lookupValue(f, row);
}

QVariant Dataset::lookupValue(const Field& field, const Row& row) const {
  Dataset* source = field.lookupSource_.data();
  if (!source || !source->active()) return {};
  const QVariant key = valueOf(row, fieldIndexOf(field.lookupKey_), -1);
  if (isNullValue(key)) return {};
  Impl::Lookup& cache = d_->lookups[&field];
  if (!cache.built || cache.source != source || cache.generation != source->d_->generation) {
    const int keyIndex = source->fieldIndexOf(field.lookupSourceKey_);
    cache.resultIndex = source->fieldIndexOf(field.lookupResult_);
    cache.keyType = source->fields_[static_cast<std::size_t>(keyIndex)]->type_;
    cache.firstByKey.clear();
    for (const auto& r : source->d_->rows) {
      if (r->status == RowStatus::Deleted || r->status == RowStatus::Gone) continue;
      const QString k = lookupKey(source->valueOf(*r, keyIndex, -1));
      if (!k.isNull() && !cache.firstByKey.contains(k)) cache.firstByKey.insert(k, r.get());
    }
    cache.source = source;
    cache.generation = source->d_->generation;
    cache.built = true;
  }
  QVariant probe;
  try {
    probe = convertTo(key, cache.keyType, field.lookupSourceKey_);
  } catch (const DataError&) {
    return {};  // a key that cannot be of the source key's type matches no record
  }
  const auto it = cache.firstByKey.constFind(lookupKey(probe));
  if (it == cache.firstByKey.constEnd()) return {};
  return source->valueOf(**it, cache.resultIndex, -1);
}

QVariant Dataset::currentValue(const Field& field) const {
  if (field.ds_ != this || field.index_ < 0) return {};
  const Row* r = currentData();
  return r ? valueOf(*r, field.index_, d_->cursor) : QVariant();
}

QVariant Dataset::valueAt(int visibleRow, const QString& field) const {
  return valueAt(visibleRow, fieldIndexOf(field));
}

QVariant Dataset::valueAt(int visibleRow, int fieldIndex) const {
  const Row& row = visibleData(visibleRow);
  if (fieldIndex < 0 || fieldIndex >= fieldCount())
    throw DataError(
        QString("字段序号 %1 超出范围（共 %2 个字段）").arg(fieldIndex).arg(fieldCount()));
  return valueOf(row, fieldIndex, visibleRow);
}

quint64 Dataset::recordId(int visibleRow) const {
  return visibleData(visibleRow).uid;
}

Record Dataset::record(int visibleRow) const {
  visibleData(visibleRow);
  return Record(*this, visibleRow);
}

// ---- command, open, execute

void Dataset::setCommandText(const QString& sql) {
  close();
  sql_ = sql;
  params_ = parseParams(sql);
}

void Dataset::copyOutParams(const protocol::Params& out) {
  // Values the server returns for names the text does not carry have nowhere to go.
  for (const auto& [name, value] : out) {
    const QString qname = qs(name);
    for (Param& p : params_)
      if (p.name.compare(qname, Qt::CaseInsensitive) == 0) p.value = toVariant(value);
  }
}

void Dataset::open() {
  Batch batch(*this);
  close();
  const protocol::RecordSet rs = conn_.openQuery(provider_, sql_, params_.toWire());

  const std::size_t width = rs.fields.size();
  for (const protocol::FieldDef& def : rs.fields) {
    const QString name = qs(def.name);
    for (const auto& f : fields_)
      if (f->name_.compare(name, Qt::CaseInsensitive) == 0)
        throw DataError(QString("查询结果的列 %1 与计算字段或查找字段重名").arg(name));
  }
  std::vector<std::unique_ptr<Row>> rows;
  rows.reserve(rs.rows.size());
  for (const protocol::Row& wire : rs.rows) {
    if (wire.size() != width) throw DataError("应用服务器的应答无法识别：记录的列数与字段数不一致");
    auto row = std::make_unique<Row>();
    row->uid = ++d_->nextUid;
    row->values.reserve(width);
    for (std::size_t i = 0; i < width; ++i)
      row->values.push_back(toVariant(wire[i], rs.fields[i].type));
    rows.push_back(std::move(row));
  }

  std::vector<std::unique_ptr<Field>> fields;
  fields.reserve(width + fields_.size());
  for (const protocol::FieldDef& def : rs.fields) {
    const QString name = qs(def.name);
    auto& retired = d_->retired;
    auto it = std::find_if(retired.begin(), retired.end(), [&](const auto& f) {
      return f->name_.compare(name, Qt::CaseInsensitive) == 0;
    });
    std::unique_ptr<Field> f;
    if (it != retired.end()) {
      f = std::move(*it);
      retired.erase(it);
    } else {
      f = std::make_unique<Field>();
      f->ds_ = this;
    }
    f->name_ = name;
    f->type_ = def.type;
    f->size_ = def.size;
    f->kind_ = FieldKind::Data;
    fields.push_back(std::move(f));
  }
  for (auto& f : fields_) fields.push_back(std::move(f));
  fields_ = std::move(fields);
  d_->dataCount = static_cast<int>(width);
  rebuildNames();
  d_->rows = std::move(rows);
  state_ = State::Browse;
  copyOutParams(rs.outParams);
  for (auto& f : fields_) {  // a lookup declared before its source opened takes its type now
    const Dataset* source = f->lookupSource_.data();
    const int r = source ? source->findIndex(f->lookupResult_) : -1;
    const Field* result = r >= 0 ? source->fields_[static_cast<std::size_t>(r)].get() : nullptr;
    if (f->kind_ == FieldKind::Lookup && result) {
      f->type_ = result->type_;
      f->size_ = result->size_;
    }
  }

  // An index set for an earlier text may name a column this one lacks.
  if (!d_->indexField.isEmpty() && findIndex(d_->indexField) < 0) d_->indexField.clear();
  try {
    d_->visible = filteredAndSorted();
  } catch (...) {
    close();
    throw;
  }
  d_->cursor = d_->visible.empty() ? -1 : 0;
  bof_ = true;
  eof_ = d_->visible.empty();
  d_->reopened = true;
  touch();
}

void Dataset::execute() {
  const protocol::ExecResult r = conn_.execute(provider_, sql_, params_.toWire());
  rowsAffected_ = r.rowsAffected;
  lastInsertId_ = r.lastInsertId;
  copyOutParams(r.outParams);
}

void Dataset::close() {
  if (state_ == State::Inactive && d_->rows.empty() && d_->dataCount == 0) return;
  Batch batch(*this);
  d_->rows.clear();
  d_->visible.clear();
  d_->cursor = -1;
  d_->editRow = nullptr;
  d_->editBackup.clear();
  retireDataFields();
  state_ = State::Inactive;
  bof_ = eof_ = true;
  d_->reopened = true;
  touch();
}

// ---- cursor

int Dataset::recordCount() const {
  return static_cast<int>(d_->visible.size());
}

int Dataset::recNo() const {
  return currentData() ? d_->cursor + 1 : 0;
}

int Dataset::currentRow() const {
  return currentData() ? d_->cursor : -1;
}

void Dataset::first() {
  requireActive();
  Batch batch(*this);
  checkBrowseMode();
  const bool empty = d_->visible.empty();
  d_->cursor = empty ? -1 : 0;
  bof_ = true;
  eof_ = empty;
}

void Dataset::last() {
  requireActive();
  Batch batch(*this);
  checkBrowseMode();
  const bool empty = d_->visible.empty();
  d_->cursor = recordCount() - 1;
  bof_ = empty;
  eof_ = true;
}

void Dataset::next() {
  requireActive();
  Batch batch(*this);
  checkBrowseMode();
  if (d_->visible.empty()) {
    bof_ = eof_ = true;
  } else if (d_->cursor >= recordCount() - 1) {
    bof_ = false;
    eof_ = true;
  } else {
    ++d_->cursor;
    bof_ = eof_ = false;
  }
}

void Dataset::prior() {
  requireActive();
  Batch batch(*this);
  checkBrowseMode();
  if (d_->visible.empty()) {
    bof_ = eof_ = true;
  } else if (d_->cursor <= 0) {
    bof_ = true;
    eof_ = false;
  } else {
    --d_->cursor;
    bof_ = eof_ = false;
  }
}

void Dataset::moveTo(int visibleRow) {
  requireActive();
  visibleData(visibleRow);
  Batch batch(*this);
  checkBrowseMode();
  // Posting may have re-sorted or filtered the rows; the position is still what the caller meant.
  d_->cursor = std::clamp(visibleRow, -1, recordCount() - 1);
  bof_ = eof_ = d_->visible.empty();
}

bool Dataset::locate(const QString& field, const QVariant& value) {
  requireActive();
  Batch batch(*this);
  checkBrowseMode();
  const int f = fieldIndexOf(field);
  QVariant probe;
  try {
    const Field& fld = *fields_[static_cast<std::size_t>(f)];
    probe = fld.kind_ == FieldKind::Data ? convertTo(value, fld.type_, fld.name_) : value;
  } catch (const DataError&) {
    return false;  // no record can hold a value that is not of the field's type
  }
  for (int i = 0; i < recordCount(); ++i) {
    if (sameValue(valueOf(*d_->visible[static_cast<std::size_t>(i)], f, i), probe)) {
      d_->cursor = i;
      bof_ = eof_ = false;
      return true;
    }
  }
  return false;
}

// ---- editing

void Dataset::setFieldValue(Field& field, const QVariant& value) {
  if (field.ds_ != this || field.index_ < 0)
    throw DataError(QString("字段 %1 不在打开的数据集中").arg(field.name_));
  const QString notEditing = QString("数据集不在编辑或插入状态，不能修改字段 %1").arg(field.name_);
  if (state_ != State::Edit && state_ != State::Insert) throw DataError(notEditing);
  if (field.kind_ != FieldKind::Data)
    throw DataError(QString("字段 %1 是计算字段或查找字段，不能修改").arg(field.name_));
  const QVariant v = convertTo(value, field.type_, field.name_);
  Batch batch(*this);
  if (field.onValidate) field.onValidate(field, v);
  // The validator may have posted or cancelled the record it was judging.
  if ((state_ != State::Edit && state_ != State::Insert) || !d_->editRow || field.index_ < 0)
    throw DataError(notEditing);
  d_->editRow->values[static_cast<std::size_t>(field.index_)] = v;
  touch();
  if (field.onChange) field.onChange(field);
}

void Dataset::startNewRecord(bool atEnd) {
  requireActive();
  Batch batch(*this);
  checkBrowseMode();
  auto row = std::make_unique<Row>();
  row->values.resize(static_cast<std::size_t>(d_->dataCount));
  row->status = RowStatus::Inserted;
  row->uid = ++d_->nextUid;
  Row* added = row.get();
  const Row* current = currentData();
  d_->beforeNewUid = current ? current->uid : 0;
  std::size_t pos = d_->visible.size();
  if (atEnd || !current) {
    d_->rows.push_back(std::move(row));
  } else {
    auto it = std::find_if(d_->rows.begin(), d_->rows.end(),
                           [&](const auto& r) { return r.get() == current; });
    d_->rows.insert(it, std::move(row));
    pos = static_cast<std::size_t>(d_->cursor);
  }
  d_->visible.insert(d_->visible.begin() + static_cast<std::ptrdiff_t>(pos), added);
  d_->cursor = static_cast<int>(pos);
  d_->editRow = added;
  d_->editBackup.clear();
  state_ = State::Insert;
  bof_ = eof_ = false;
  touch();
  if (onNewRecord) {
    try {
      onNewRecord(*this);
    } catch (...) {
      // A record whose defaults failed is not left half made.
      if (state_ == State::Insert && d_->editRow == added) discardNewRecord();
      throw;
    }
  }
}

void Dataset::discardNewRecord() {
  Row* r = d_->editRow;
  d_->editRow = nullptr;
  state_ = State::Browse;
  auto vit = std::find(d_->visible.begin(), d_->visible.end(), r);
  const int pos = static_cast<int>(vit - d_->visible.begin());
  if (vit != d_->visible.end()) d_->visible.erase(vit);
  std::erase_if(d_->rows, [&](const auto& row) { return row.get() == r; });
  int back = -1;
  for (std::size_t i = 0; i < d_->visible.size(); ++i)
    if (d_->visible[i]->uid == d_->beforeNewUid) back = static_cast<int>(i);
  d_->cursor = back >= 0 ? back : std::min(pos, recordCount() - 1);
  bof_ = eof_ = d_->visible.empty();
  touch();
}

void Dataset::append() {
  startNewRecord(true);
}

void Dataset::insert() {
  startNewRecord(false);
}

void Dataset::edit() {
  requireActive();
  if (state_ == State::Edit || state_ == State::Insert) return;
  Row* r = currentData();
  if (!r) {
    append();  // editing an empty dataset starts its first record
    return;
  }
  Batch batch(*this);
  d_->editRow = r;
  d_->editBackup = r->values;
  state_ = State::Edit;
  d_->dirty = true;
}

void Dataset::refreshAfterChange(const Row* keep) {
  const int pos = d_->cursor;
  try {
    d_->visible = filteredAndSorted();
  } catch (...) {
    // Never leave the view holding rows that are gone: show them all, unsorted, and report.
    d_->visible.clear();
    for (const auto& r : d_->rows)
      if (r->status != RowStatus::Deleted && r->status != RowStatus::Gone)
        d_->visible.push_back(r.get());
    d_->cursor = d_->visible.empty() ? -1 : std::clamp(pos, 0, recordCount() - 1);
    throw;
  }
  auto it = std::find(d_->visible.begin(), d_->visible.end(), keep);
  if (keep && it != d_->visible.end()) {
    d_->cursor = static_cast<int>(it - d_->visible.begin());
  } else if (d_->visible.empty()) {
    d_->cursor = -1;
    bof_ = eof_ = true;
  } else {
    d_->cursor = std::clamp(pos, 0, recordCount() - 1);
    if (pos < 0) eof_ = false;
  }
}

void Dataset::post() {
  if (state_ != State::Edit && state_ != State::Insert) return;
  Batch batch(*this);
  if (beforePost) beforePost(*this);
  if (state_ != State::Edit && state_ != State::Insert) return;  // the hook settled it itself
  Row* r = d_->editRow;
  if (state_ == State::Insert) {
    r->logSeq = ++d_->nextSeq;
  } else if (r->status == RowStatus::Unchanged) {
    if (!sameValues(r->values, d_->editBackup)) {
      r->original = std::move(d_->editBackup);
      r->status = RowStatus::Modified;
      r->logSeq = ++d_->nextSeq;
    }
  } else if (r->status == RowStatus::Modified && sameValues(r->values, r->original)) {
    r->original.clear();  // edited back to what the database holds: nothing to send
    r->status = RowStatus::Unchanged;
    r->logSeq = 0;
  }
  d_->editRow = nullptr;
  d_->editBackup.clear();
  state_ = State::Browse;
  touch();
  if (filter_ || !d_->indexField.isEmpty()) refreshAfterChange(r);
  if (afterPost) afterPost(*this);
}

void Dataset::cancel() {
  if (state_ == State::Insert) {
    Batch batch(*this);
    discardNewRecord();
  } else if (state_ == State::Edit) {
    Batch batch(*this);
    d_->editRow->values = std::move(d_->editBackup);
    d_->editBackup.clear();
    d_->editRow = nullptr;
    state_ = State::Browse;
    touch();
  }
}

void Dataset::remove() {
  removeCurrent(true);
}

void Dataset::forgetCurrent() {
  removeCurrent(false);
}

void Dataset::removeCurrent(bool logged) {
  requireActive();
  if (state_ == State::Insert) {
    cancel();  // a record never posted has nothing to delete
    return;
  }
  if (!currentData()) throw DataError("数据集中没有记录，不能删除");
  Batch batch(*this);
  if (beforeDelete) beforeDelete(*this);
  Row* r = currentData();
  if (!r) return;
  if (state_ == State::Edit) {
    r->values = std::move(d_->editBackup);  // a deleted record's unposted edits are void
    d_->editBackup.clear();
    d_->editRow = nullptr;
    state_ = State::Browse;
  }
  const int pos = d_->cursor;
  d_->visible.erase(d_->visible.begin() + pos);
  switch (logged ? r->status : RowStatus::Inserted) {
    case RowStatus::Inserted:
      std::erase_if(d_->rows, [&](const auto& row) { return row.get() == r; });
      break;
    case RowStatus::Unchanged:
      r->original = std::move(r->values);
      r->values.clear();
      r->status = RowStatus::Deleted;
      r->logSeq = ++d_->nextSeq;
      break;
    default:  // Modified: the delete carries the values as read
      r->status = RowStatus::Deleted;
      break;
  }
  d_->cursor = std::min(pos, recordCount() - 1);
  bof_ = eof_ = d_->visible.empty();
  touch();
  if (afterDelete) afterDelete(*this);
}

void Dataset::checkBrowseMode() {
  if (state_ == State::Edit || state_ == State::Insert) post();
}

// ---- client-side view

std::vector<Dataset::Row*> Dataset::filteredAndSorted() const {
  std::vector<Row*> visible;
  visible.reserve(d_->rows.size());
  for (const auto& r : d_->rows) {
    if (r->status == RowStatus::Deleted || r->status == RowStatus::Gone) continue;
    if (filter_ && r.get() != d_->editRow && !filter_(Record(*this, -1, r.get()))) continue;
    visible.push_back(r.get());
  }
  if (d_->indexField.isEmpty()) return visible;
  const int f = fieldIndexOf(d_->indexField);
  std::vector<std::pair<QVariant, Row*>> keyed;
  keyed.reserve(visible.size());
  for (Row* r : visible) keyed.emplace_back(valueOf(*r, f, -1), r);
  if (d_->indexOrder == Qt::DescendingOrder)
    std::stable_sort(keyed.begin(), keyed.end(), [](const auto& a, const auto& b) {
      return compareValues(b.first, a.first) < 0;
    });
  else
    std::stable_sort(keyed.begin(), keyed.end(), [](const auto& a, const auto& b) {
      return compareValues(a.first, b.first) < 0;
    });
  for (std::size_t i = 0; i < keyed.size(); ++i) visible[i] = keyed[i].second;
  return visible;
}

void Dataset::placeCursorAfterViewChange(const Row* keep) {
  auto it = std::find(d_->visible.begin(), d_->visible.end(), keep);
  if (keep && it != d_->visible.end()) {
    d_->cursor = static_cast<int>(it - d_->visible.begin());
    bof_ = eof_ = false;
  } else {
    d_->cursor = d_->visible.empty() ? -1 : 0;
    bof_ = true;
    eof_ = d_->visible.empty();
  }
  d_->dirty = true;
}

void Dataset::setFilter(std::function<bool(const Record&)> predicate) {
  if (!active()) {
    filter_ = std::move(predicate);
    return;
  }
  Batch batch(*this);
  checkBrowseMode();
  const Row* keep = currentData();
  auto previous = std::move(filter_);
  filter_ = std::move(predicate);
  try {
    d_->visible = filteredAndSorted();
  } catch (...) {
    filter_ = std::move(previous);
    throw;
  }
  placeCursorAfterViewChange(keep);
}

void Dataset::clearFilter() {
  setFilter(nullptr);
}

void Dataset::setIndex(const QString& field, Qt::SortOrder order) {
  if (active()) fieldIndexOf(field);
  const QString previousField = d_->indexField;
  const Qt::SortOrder previousOrder = d_->indexOrder;
  d_->indexField = field;
  d_->indexOrder = order;
  if (!active()) return;
  Batch batch(*this);
  try {
    checkBrowseMode();
    const Row* keep = currentData();
    d_->visible = filteredAndSorted();
    placeCursorAfterViewChange(keep);
  } catch (...) {
    d_->indexField = previousField;
    d_->indexOrder = previousOrder;
    throw;
  }
}

void Dataset::clearIndex() {
  d_->indexField.clear();
  if (!active()) return;
  Batch batch(*this);
  checkBrowseMode();
  const Row* keep = currentData();
  d_->visible = filteredAndSorted();
  placeCursorAfterViewChange(keep);
}

}  // namespace qk::client
