#include "client/data/dataset.h"

#include <QDateTime>
#include <QHash>
#include <QLocale>
#include <algorithm>
#include <cmath>
#include <exception>

#include "client/data/connection.h"
#include "client/data/data_error.h"
#include "client/data/values.h"

namespace qk::client {

using protocol::FieldType;

namespace {

bool isNullValue(const QVariant& v) {
  return !v.isValid() || v.isNull();
}

bool isNumber(int typeId) {
  return isIntegralType(typeId) || isFloatingType(typeId);
}

QString textOf(const QVariant& v) {
  switch (v.typeId()) {
    case QMetaType::QDateTime:
      return dateTimeText(v.toDateTime());
    case QMetaType::QDate:
      return v.toDate().toString("yyyy-MM-dd");
    case QMetaType::Bool:
      return v.toBool() ? QStringLiteral("True") : QStringLiteral("False");
    case QMetaType::Double:
    case QMetaType::Float:
      return QString::number(v.toDouble(), 'g', 15);
    case QMetaType::QByteArray:
      return QString::fromUtf8(v.toByteArray());
    default:
      return v.toString();
  }
}

// Accepts what a user types into a numeric cell, grouping separators included.
double parseNumber(const QString& text, bool* ok) {
  double d = text.toDouble(ok);
  if (!*ok) d = QLocale::c().toDouble(text, ok);
  if (*ok && !std::isfinite(d)) *ok = false;
  return d;
}

int parseBoolean(const QString& text) {  // 1, 0, or -1 when not a boolean
  const QString t = text.trimmed().toLower();
  if (t == "true" || t == "t" || t == "1" || t == "yes" || t == "y" || t == "是") return 1;
  if (t == "false" || t == "f" || t == "0" || t == "no" || t == "n" || t == "否") return 0;
  return -1;
}

bool fitsInteger(double d) {
  return std::isfinite(d) && std::fabs(d) < 9.2e18;
}

// Brings a value to the field's type, as typed text or a value of another type arrives from
// screens and editors; a value that cannot be of that type is an error, never a silent null.
QVariant convertTo(const QVariant& v, FieldType type, const QString& field) {
  if (isNullValue(v)) return {};
  const int id = v.typeId();
  auto invalid = [&](const char* what) {
    return DataError(
        QString("字段 %1：“%2”不是有效的%3").arg(field, textOf(v), QString::fromUtf8(what)));
  };
  const bool isText = id == QMetaType::QString || id == QMetaType::QByteArray;
  switch (type) {
    case FieldType::String:
      return textOf(v);
    case FieldType::Integer: {
      if (id == QMetaType::Bool) return qlonglong(v.toBool() ? 1 : 0);
      if (isIntegralType(id)) return v.toLongLong();
      if (isFloatingType(id)) {
        const double d = v.toDouble();
        if (!fitsInteger(d)) throw invalid("整数");
        return qlonglong(std::llround(d));
      }
      if (isText) {
        const QString t = v.toString().trimmed();
        if (t.isEmpty()) return {};
        bool ok = false;
        const qlonglong n = t.toLongLong(&ok);
        if (ok) return n;
        const double d = parseNumber(t, &ok);
        if (ok && fitsInteger(d)) return qlonglong(std::llround(d));
      }
      throw invalid("整数");
    }
    case FieldType::Float:
    case FieldType::Decimal: {
      if (id == QMetaType::Bool) return v.toBool() ? 1.0 : 0.0;
      if (isNumber(id)) return v.toDouble();
      if (isText) {
        const QString t = v.toString().trimmed();
        if (t.isEmpty()) return {};
        bool ok = false;
        const double d = parseNumber(t, &ok);
        if (ok) return d;
      }
      throw invalid("数值");
    }
    case FieldType::Boolean: {
      if (id == QMetaType::Bool) return v;
      if (isNumber(id)) return v.toDouble() != 0;
      if (isText) {
        if (v.toString().trimmed().isEmpty()) return {};
        const int b = parseBoolean(v.toString());
        if (b >= 0) return b == 1;
      }
      throw invalid("布尔值");
    }
    case FieldType::DateTime: {
      if (id == QMetaType::QDateTime && v.toDateTime().isValid()) return v;
      if (id == QMetaType::QDate && v.toDate().isValid()) return QDateTime(v.toDate(), QTime(0, 0));
      if (isText) {
        const QString t = v.toString().trimmed();
        if (t.isEmpty()) return {};
        const QDateTime dt = parseDateTimeText(t);
        if (dt.isValid()) return dt;
      }
      throw invalid("日期时间");
    }
    case FieldType::Blob: {
      if (id == QMetaType::QByteArray) return v;
      if (id == QMetaType::QString) return v.toString().toUtf8();
      throw invalid("二进制数据");
    }
  }
  return v;
}

bool sameValue(const QVariant& a, const QVariant& b) {
  const bool an = isNullValue(a), bn = isNullValue(b);
  if (an || bn) return an == bn;
  const int ta = a.typeId(), tb = b.typeId();
  if (isNumber(ta) && isNumber(tb)) {
    if (isIntegralType(ta) && isIntegralType(tb)) return a.toLongLong() == b.toLongLong();
    return a.toDouble() == b.toDouble();
  }
  if (ta == tb) return a == b;
  return textOf(a) == textOf(b);
}

bool sameValues(const std::vector<QVariant>& a, const std::vector<QVariant>& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (!sameValue(a[i], b[i])) return false;
  return true;
}

// Text compares without case, as the database's NOCASE columns order it, so that a client-side
// sort agrees with the server's "order by"; it is not a locale (pinyin) collation.
int compareValues(const QVariant& a, const QVariant& b) {
  const bool an = isNullValue(a), bn = isNullValue(b);
  if (an || bn) return an == bn ? 0 : (an ? -1 : 1);
  const int ta = a.typeId(), tb = b.typeId();
  if (isNumber(ta) && isNumber(tb)) {
    if (isIntegralType(ta) && isIntegralType(tb)) {
      const qlonglong x = a.toLongLong(), y = b.toLongLong();
      return x < y ? -1 : (x > y ? 1 : 0);
    }
    const double x = a.toDouble(), y = b.toDouble();
    return x < y ? -1 : (x > y ? 1 : 0);
  }
  if (ta == QMetaType::QDateTime && tb == QMetaType::QDateTime) {
    const QDateTime x = a.toDateTime(), y = b.toDateTime();
    return x < y ? -1 : (x > y ? 1 : 0);
  }
  if (ta == QMetaType::Bool && tb == QMetaType::Bool) return int(a.toBool()) - int(b.toBool());
  return QString::compare(textOf(a), textOf(b), Qt::CaseInsensitive);
}

// Hash key of a lookup value; equal keys exactly when sameValue holds for values of one type.
QString keyOf(const QVariant& v) {
  if (isNullValue(v)) return {};
  const int id = v.typeId();
  if (id == QMetaType::Bool) return v.toBool() ? QStringLiteral("b1") : QStringLiteral("b0");
  if (isIntegralType(id)) return 'n' + QString::number(v.toLongLong());
  if (isFloatingType(id)) {
    const double d = v.toDouble();
    if (std::trunc(d) == d && std::fabs(d) < 9e15) return 'n' + QString::number(qlonglong(d));
    return 'n' + QString::number(d, 'g', 17);
  }
  if (id == QMetaType::QDateTime) return 'd' + v.toDateTime().toString(Qt::ISODateWithMs);
  if (id == QMetaType::QByteArray) return 'x' + QString::fromLatin1(v.toByteArray().toHex());
  return 's' + v.toString();
}

QVariant variantOf(const protocol::Value& v) {
  struct Visitor {
    QVariant operator()(std::monostate) const { return {}; }
    QVariant operator()(bool b) const { return b; }
    QVariant operator()(std::int64_t i) const { return qlonglong(i); }
    QVariant operator()(double d) const { return d; }
    QVariant operator()(const std::string& s) const { return QString::fromStdString(s); }
    QVariant operator()(const protocol::Blob& b) const {
      return QByteArray(reinterpret_cast<const char*>(b.bytes.data()),
                        static_cast<qsizetype>(b.bytes.size()));
    }
  };
  return std::visit(Visitor{}, v);
}

bool isNameChar(QChar c) {
  return c.isLetterOrNumber() || c == '_' || c == '@' || (c.unicode() >= 0x80 && !c.isSpace());
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Parameters

Param& Params::operator[](int index) {
  if (index < 0 || index >= count())
    throw DataError(QString("参数序号 %1 超出范围（共 %2 个参数）").arg(index).arg(count()));
  return list_[static_cast<std::size_t>(index)];
}

Param& Params::byName(const QString& name) {
  for (Param& p : list_)
    if (p.name.compare(name, Qt::CaseInsensitive) == 0) return p;
  throw DataError(QString("参数 %1 不存在").arg(name));
}

const Param* Params::find(const QString& name) const {
  for (const Param& p : list_)
    if (p.name.compare(name, Qt::CaseInsensitive) == 0) return &p;
  return nullptr;
}

Param& Params::add(const QString& name, bool output) {
  for (Param& p : list_) {
    if (p.name.compare(name, Qt::CaseInsensitive) == 0) {
      p.output = p.output || output;
      return p;
    }
  }
  list_.push_back(Param{name, QVariant(), output});
  return list_.back();
}

protocol::Params Params::toWire() const {
  protocol::Params wire;
  for (const Param& p : list_) wire[ss(p.name)] = fromVariant(p.value);
  return wire;
}

Params parseParams(const QString& sql) {
  Params params;
  const qsizetype n = sql.size();
  auto skipPast = [&](qsizetype i, QChar close, bool doubled) {
    while (i < n) {
      if (sql[i] == close) {
        if (doubled && i + 1 < n && sql[i + 1] == close) {
          i += 2;
          continue;
        }
        return i + 1;
      }
      ++i;
    }
    return n;
  };
  qsizetype i = 0;
  while (i < n) {
    const QChar c = sql[i];
    const QChar next = i + 1 < n ? sql[i + 1] : QChar();
    if (c == '\'' || c == '"') {
      i = skipPast(i + 1, c, true);
    } else if (c == '[') {
      i = skipPast(i + 1, ']', true);
    } else if (c == '-' && next == '-') {
      const qsizetype end = sql.indexOf('\n', i);
      i = end < 0 ? n : end + 1;
    } else if (c == '/' && next == '*') {
      const qsizetype end = sql.indexOf("*/", i + 2);
      i = end < 0 ? n : end + 2;
    } else if (c == ':' && next == ':') {
      i += 2;
    } else if (c == ':') {
      qsizetype end = i + 1;
      while (end < n && isNameChar(sql[end])) ++end;
      if (end == i + 1) {
        ++i;
        continue;
      }
      qsizetype word = end;
      while (word < n && sql[word].isSpace()) ++word;
      qsizetype wordEnd = word;
      while (wordEnd < n && isNameChar(sql[wordEnd])) ++wordEnd;
      const QStringView w = QStringView(sql).mid(word, wordEnd - word);
      const bool output = w.compare(QLatin1String("output"), Qt::CaseInsensitive) == 0 ||
                          w.compare(QLatin1String("out"), Qt::CaseInsensitive) == 0;
      params.add(sql.mid(i + 1, end - i - 1), output);
      i = end;
    } else {
      ++i;
    }
  }
  return params;
}

// ---------------------------------------------------------------------------------------------
// Storage

namespace {
// Gone: a delete the server has written, about to leave the log.
enum class RowStatus : quint8 { Unchanged, Inserted, Modified, Deleted, Gone };
}  // namespace

struct Dataset::Row {
  std::vector<QVariant> values;    // data fields, in field order
  std::vector<QVariant> original;  // Modified and Deleted: as read or last merged
  RowStatus status = RowStatus::Unchanged;
  quint64 logSeq = 0;  // order of the first change, for the delta
  quint64 uid = 0;     // identity for "did the cursor reach another record"
};

struct Dataset::Impl {
  struct Lookup {
    const Dataset* source = nullptr;
    quint64 generation = 0;
    bool built = false;
    int resultIndex = -1;
    FieldType keyType = FieldType::String;
    QHash<QString, const Row*> firstByKey;
  };

  int dataCount = 0;                       // data fields come first among fields_
  std::vector<std::unique_ptr<Row>> rows;  // log order, deleted rows kept in place
  std::vector<Row*> visible;               // filtered rows in index order
  int cursor = -1;                         // into visible
  Row* editRow = nullptr;
  std::vector<QVariant> editBackup;  // Edit: the values before edit()
  quint64 beforeNewUid = 0;          // Insert: the record to return to on cancel
  quint64 nextSeq = 0, nextUid = 0;
  quint64 generation = 0;  // bumped on every change of rows or values; lookups cache on it
  QHash<QString, int> exactNames, foldedNames;
  // Data fields of an earlier open: they come back with their labels and hooks when a column of
  // the same name does, so screens set them once although they reopen the dataset.
  std::vector<std::unique_ptr<Field>> retired;
  QString indexField;
  Qt::SortOrder indexOrder = Qt::AscendingOrder;

  int depth = 0;
  bool dirty = false, reopened = false;
  quint64 startUid = 0;
  int startCursor = -1;
  QHash<const Field*, Lookup> lookups;
};

// Collects the signals of one operation, however many fields it sets, and sends them once when
// the outermost operation ends; afterScroll runs only when that operation succeeded.
struct Dataset::Batch {
  explicit Batch(Dataset& ds) : ds_(ds), exceptions_(std::uncaught_exceptions()) {
    Impl& d = *ds_.d_;
    if (d.depth++ > 0) return;
    d.dirty = false;
    d.reopened = false;
    d.startCursor = d.cursor;
    const Row* r = ds_.currentData();
    d.startUid = r ? r->uid : 0;
  }
  Batch(const Batch&) = delete;
  Batch& operator=(const Batch&) = delete;
  ~Batch() noexcept(false) {
    if (--ds_.d_->depth == 0) ds_.flush(std::uncaught_exceptions() == exceptions_);
  }
  Dataset& ds_;
  int exceptions_;
};

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
  return isNullValue(v) ? QString() : textOf(v);
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
      const QString k = keyOf(source->valueOf(*r, keyIndex, -1));
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
  const auto it = cache.firstByKey.constFind(keyOf(probe));
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
      if (p.name.compare(qname, Qt::CaseInsensitive) == 0) p.value = variantOf(value);
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
  switch (r->status) {
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

// ---- change log

int Dataset::changeCount() const {
  int count = 0;
  for (const auto& r : d_->rows) {
    if (r->status == RowStatus::Unchanged || r->status == RowStatus::Gone) continue;
    if (r.get() == d_->editRow && state_ == State::Insert) continue;
    ++count;
  }
  return count;
}

protocol::Delta Dataset::buildDelta(std::vector<Row*>* sent) const {
  std::vector<Row*> pending;
  for (const auto& r : d_->rows) {
    if (r->status == RowStatus::Unchanged || r->status == RowStatus::Gone) continue;
    if (r.get() == d_->editRow && state_ == State::Insert) continue;  // not posted yet
    pending.push_back(r.get());
  }
  std::stable_sort(pending.begin(), pending.end(),
                   [](const Row* a, const Row* b) { return a->logSeq < b->logSeq; });
  std::vector<std::string> names;
  for (int i = 0; i < d_->dataCount; ++i) names.push_back(ss(fields_[std::size_t(i)]->name_));

  protocol::Delta delta;
  for (Row* r : pending) {
    // A record being edited travels as it was last posted.
    const std::vector<QVariant>& posted =
        r == d_->editRow && state_ == State::Edit ? d_->editBackup : r->values;
    protocol::Change change;
    switch (r->status) {
      case RowStatus::Inserted:
        change.op = protocol::ChangeOp::Insert;
        for (std::size_t i = 0; i < names.size(); ++i)
          change.newValues[names[i]] = fromVariant(posted[i]);
        break;
      case RowStatus::Modified:
        change.op = protocol::ChangeOp::Update;
        for (std::size_t i = 0; i < names.size(); ++i) {
          change.oldValues[names[i]] = fromVariant(r->original[i]);
          if (!sameValue(posted[i], r->original[i]))
            change.newValues[names[i]] = fromVariant(posted[i]);
        }
        if (change.newValues.empty()) continue;
        break;
      default:
        change.op = protocol::ChangeOp::Delete;
        for (std::size_t i = 0; i < names.size(); ++i)
          change.oldValues[names[i]] = fromVariant(r->original[i]);
        break;
    }
    delta.rows.push_back(std::move(change));
    if (sent) sent->push_back(r);
  }
  return delta;
}

protocol::Delta Dataset::delta() const {
  return buildDelta(nullptr);
}

void Dataset::purgeGoneRows() {
  std::erase_if(d_->rows, [](const auto& r) { return r->status == RowStatus::Gone; });
}

namespace {
void accept(auto& r) {  // a row the server has written: what it holds is now the original
  if (r.status == RowStatus::Deleted) {
    r.status = RowStatus::Gone;
    return;
  }
  r.status = RowStatus::Unchanged;
  r.original.clear();
  r.logSeq = 0;
}
}  // namespace

void Dataset::mergeChangeLog() {
  if (!active()) return;
  Batch batch(*this);
  checkBrowseMode();
  for (auto& r : d_->rows) accept(*r);
  purgeGoneRows();
  touch();
}

void Dataset::cancelUpdates() {
  if (!active()) return;
  Batch batch(*this);
  cancel();
  const Row* keep = currentData();
  for (auto& r : d_->rows) {
    switch (r->status) {
      case RowStatus::Inserted:
        r->status = RowStatus::Gone;
        break;
      case RowStatus::Modified:
      case RowStatus::Deleted:
        r->values = std::move(r->original);
        r->original.clear();
        r->status = RowStatus::Unchanged;
        r->logSeq = 0;
        break;
      default:
        break;
    }
  }
  if (keep && keep->status == RowStatus::Gone) keep = nullptr;
  purgeGoneRows();
  touch();
  refreshAfterChange(keep);
}

int Dataset::applyUpdates(int maxErrors) {
  if (!active()) return 0;
  checkBrowseMode();
  std::vector<Row*> sent;
  const protocol::Delta delta = buildDelta(&sent);
  if (delta.empty()) return 0;
  const protocol::ApplyReply reply = conn_.apply(provider_, sql_, delta, maxErrors);

  std::vector<char> refused(sent.size(), 0);
  for (const protocol::RowError& e : reply.errors) {
    if (e.row < 0 || e.row >= static_cast<int>(sent.size()))
      throw DataError(
          QString("应用服务器的应答无法识别：出错的行号 %1 不在提交的修改中").arg(e.row));
    refused[static_cast<std::size_t>(e.row)] = 1;
  }
  // Nothing written and no reason given must not read as a successful save.
  if (!reply.committed && reply.errors.empty())
    throw DataError("应用服务器没有保存修改，也没有说明原因");

  if (reply.committed) {
    Batch batch(*this);
    for (std::size_t i = 0; i < sent.size(); ++i)
      if (!refused[i]) accept(*sent[i]);
    purgeGoneRows();
    touch();
  }
  for (const protocol::RowError& e : reply.errors) {
    const Row* r = sent[static_cast<std::size_t>(e.row)];
    RowError error;
    auto it = std::find(d_->visible.begin(), d_->visible.end(), r);
    error.row = it == d_->visible.end() ? -1 : static_cast<int>(it - d_->visible.begin());
    error.change = delta.rows[static_cast<std::size_t>(e.row)];
    error.message = qs(e.message);
    if (onReconcileError) onReconcileError(error);
  }
  return static_cast<int>(reply.errors.size());
}

}  // namespace qk::client
