#include "client/data/dataset_model.h"

#include <QDateTime>
#include <algorithm>
#include <cmath>

#include "client/data/data_error.h"
#include "client/data/values.h"

namespace qk::client {

using protocol::FieldType;

namespace {

// Splits "a;b;c" at semicolons outside quoted literals.
QStringList sections(const QString& format) {
  QStringList out;
  QString current;
  QChar quote;
  for (const QChar c : format) {
    if (!quote.isNull()) {
      if (c == quote) quote = QChar();
    } else if (c == '\'' || c == '"') {
      quote = c;
    } else if (c == ';') {
      out << current;
      current.clear();
      continue;
    }
    current += c;
  }
  out << current;
  return out;
}

struct Picture {
  QString prefix, suffix;
  bool hasDigits = false, grouping = false, percent = false;
  int minInt = 0, minFrac = 0, maxFrac = 0;
};

Picture parsePicture(const QString& section) {
  Picture p;
  bool point = false, after = false;
  for (qsizetype i = 0; i < section.size(); ++i) {
    const QChar c = section[i];
    if (c == '\'' || c == '"') {
      qsizetype end = section.indexOf(c, i + 1);
      if (end < 0) end = section.size();
      if (p.hasDigits) after = true;
      (after ? p.suffix : p.prefix) += section.mid(i + 1, end - i - 1);
      i = end;
      continue;
    }
    const bool placeholder = c == '0' || c == '#' || c == ',' || c == '.';
    if (placeholder && !after) {
      p.hasDigits = true;
      if (c == '.') {
        point = true;
      } else if (c == ',') {
        if (!point) p.grouping = true;
      } else if (point) {
        // Every decimal up to the last '0' shows: "0.#0" has two, like "0.00".
        ++p.maxFrac;
        if (c == '0') p.minFrac = p.maxFrac;
      } else if (c == '0') {
        ++p.minInt;
      }
      continue;
    }
    if (p.hasDigits) after = true;
    if (c == '%') p.percent = true;
    (after ? p.suffix : p.prefix) += c;
  }
  return p;
}

// |value| rounded half away from zero to `decimals` places, after reducing it to 15 significant
// digits first, so that 2.675 shows as 2.68 the way it was typed rather than as its binary twin.
void roundDecimal(double a, int decimals, QString& intPart, QString& fracPart) {
  const QString e = QString::number(a, 'e', 14);
  const qsizetype ePos = e.indexOf('e');
  QString digits = e.left(ePos).remove('.');
  qsizetype point = e.mid(ePos + 1).toInt() + 1;  // digits before the decimal point
  if (point < 0) {
    digits.prepend(QString(-point, '0'));
    point = 0;
  }
  const qsizetype keep = point + decimals;
  if (digits.size() < keep) digits.append(QString(keep - digits.size(), '0'));
  const bool up = keep < digits.size() && digits[keep] >= '5';
  digits.truncate(keep);
  if (up) {
    qsizetype i = keep - 1;
    for (; i >= 0; --i) {
      if (digits[i] == '9') {
        digits[i] = '0';
      } else {
        digits[i] = QChar(digits[i].unicode() + 1);
        break;
      }
    }
    if (i < 0) {
      digits.prepend('1');
      ++point;
    }
  }
  intPart = digits.left(point);
  fracPart = digits.mid(point);
  qsizetype lead = 0;
  while (lead < intPart.size() && intPart[lead] == '0') ++lead;
  intPart.remove(0, lead);
}

QString renderNumber(double value, const Picture& p, bool sign, bool* zero) {
  double a = std::fabs(value);
  if (p.percent) a *= 100;
  QString intPart, frac;
  roundDecimal(a, p.maxFrac, intPart, frac);
  *zero =
      intPart.isEmpty() && std::all_of(frac.begin(), frac.end(), [](QChar c) { return c == '0'; });
  if (!p.hasDigits) return p.prefix + p.suffix;
  while (frac.size() > p.minFrac && frac.endsWith('0')) frac.chop(1);
  if (intPart.size() < p.minInt) intPart.prepend(QString(p.minInt - intPart.size(), '0'));
  if (p.grouping)
    for (qsizetype i = intPart.size() - 3; i > 0; i -= 3) intPart.insert(i, ',');
  QString out = p.prefix;
  if (sign && value < 0 && !*zero) out += '-';
  out += intPart;
  if (!frac.isEmpty()) out += '.' + frac;
  return out + p.suffix;
}

QString formatNumber(double value, const QString& format) {
  if (!std::isfinite(value)) return QString::number(value);
  const QStringList parts = sections(format);
  bool zero = false;
  const QString positive = renderNumber(value, parsePicture(parts[0]), true, &zero);
  if (zero && parts.size() >= 3 && !parts[2].isEmpty()) {
    bool unused = false;
    return renderNumber(0, parsePicture(parts[2]), false, &unused);
  }
  if (value < 0 && !zero && parts.size() >= 2 && !parts[1].isEmpty()) {
    bool unused = false;
    return renderNumber(value, parsePicture(parts[1]), false, &unused);
  }
  return positive;
}

}  // namespace

QString formatValue(const QVariant& value, FieldType type, const QString& displayFormat) {
  if (!value.isValid() || value.isNull()) return {};
  switch (type) {
    case FieldType::Integer:
    case FieldType::Float:
    case FieldType::Decimal: {
      bool ok = false;
      const double d = value.toDouble(&ok);
      if (!ok) return value.toString();
      if (!displayFormat.isEmpty()) return formatNumber(d, displayFormat);
      const int id = value.typeId();
      if (id == QMetaType::Double || id == QMetaType::Float) return QString::number(d, 'g', 15);
      return QString::number(value.toLongLong());
    }
    case FieldType::Boolean: {
      const bool b = value.toBool();
      const QStringList texts = displayFormat.split(';');
      if (texts.size() >= 2) return b ? texts[0] : texts[1];
      return b ? QStringLiteral("True") : QStringLiteral("False");
    }
    case FieldType::DateTime: {
      const QDateTime dt = value.toDateTime();
      if (!dt.isValid()) return value.toString();
      if (!displayFormat.isEmpty()) return dt.toString(displayFormat);
      return dt.toString(dt.time() == QTime(0, 0) ? "yyyy-MM-dd" : "yyyy-MM-dd HH:mm:ss");
    }
    case FieldType::Blob:
      return QStringLiteral("(BLOB)");
    case FieldType::String:
      break;
  }
  if (value.typeId() == QMetaType::QDateTime)
    return value.toDateTime().toString("yyyy-MM-dd HH:mm:ss");
  return value.toString();
}

// ---------------------------------------------------------------------------------------------

DatasetModel::DatasetModel(Dataset& dataset, QObject* parent)
    : QAbstractTableModel(parent), ds_(&dataset) {
  connect(&dataset, &Dataset::changed, this, &DatasetModel::datasetChanged);
  connect(&dataset, &QObject::destroyed, this, [this] {
    beginResetModel();
    columns_.clear();
    rows_ = 0;
    endResetModel();
  });
  columns_ = resolveColumns();
  rows_ = dataset.recordCount();
}

std::vector<int> DatasetModel::resolveColumns() const {
  std::vector<int> cols;
  if (!ds_) return cols;
  if (explicit_.isEmpty()) {
    for (int i = 0; i < ds_->fieldCount(); ++i)
      if (ds_->field(i).visible) cols.push_back(i);
  } else {
    for (const QString& name : explicit_)
      if (const Field* f = ds_->findField(name)) cols.push_back(f->index());
  }
  return cols;
}

void DatasetModel::setColumns(const QStringList& fieldNames) {
  explicit_ = fieldNames;
  beginResetModel();
  columns_ = resolveColumns();
  rows_ = ds_ ? ds_->recordCount() : 0;
  endResetModel();
}

void DatasetModel::refresh() {
  datasetChanged();
}

// Views keep their current cell and selection unless the shape really changed: a value edit or a
// re-sort repaints, a different row count or column set resets.
void DatasetModel::datasetChanged() {
  std::vector<int> cols = resolveColumns();
  const int rows = ds_ ? ds_->recordCount() : 0;
  if (cols != columns_ || rows != rows_) {
    beginResetModel();
    columns_ = std::move(cols);
    rows_ = rows;
    endResetModel();
    return;
  }
  if (rows_ > 0 && !columns_.empty())
    emit dataChanged(index(0, 0), index(rows_ - 1, static_cast<int>(columns_.size()) - 1));
  if (!columns_.empty())
    emit headerDataChanged(Qt::Horizontal, 0, static_cast<int>(columns_.size()) - 1);
}

Field* DatasetModel::fieldAt(int column) const {
  if (!ds_ || column < 0 || column >= static_cast<int>(columns_.size())) return nullptr;
  const int f = columns_[static_cast<std::size_t>(column)];
  return f < ds_->fieldCount() ? &ds_->field(f) : nullptr;
}

int DatasetModel::columnOf(const QString& fieldName) const {
  const Field* f = ds_ ? ds_->findField(fieldName) : nullptr;
  if (!f) return -1;
  for (std::size_t c = 0; c < columns_.size(); ++c)
    if (columns_[c] == f->index()) return static_cast<int>(c);
  return -1;
}

int DatasetModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : rows_;
}

int DatasetModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(columns_.size());
}

bool DatasetModel::editable(const Field& field) const {
  return field.kind() == FieldKind::Data && !field.readOnly && ds_ && ds_->active();
}

QVariant DatasetModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || !ds_ || index.row() >= ds_->recordCount()) return {};
  const Field* f = fieldAt(index.column());
  if (!f) return {};
  const bool boolean = f->type() == FieldType::Boolean;
  try {
    switch (role) {
      case Qt::DisplayRole:
        if (boolean) return {};
        return formatValue(ds_->valueAt(index.row(), f->index()), f->type(), f->displayFormat);
      case Qt::EditRole:
        return ds_->valueAt(index.row(), f->index());
      case Qt::CheckStateRole:
        if (!boolean) return {};
        return int(ds_->valueAt(index.row(), f->index()).toBool() ? Qt::Checked : Qt::Unchecked);
      case Qt::TextAlignmentRole:
        if (isNumericType(f->type())) return int(Qt::AlignRight | Qt::AlignVCenter);
        return {};
      default:
        return {};
    }
  } catch (const std::exception&) {
    // Painting cannot carry an exception through Qt; the same read from code reports it.
    return {};
  }
}

QVariant DatasetModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (role != Qt::DisplayRole) return QAbstractTableModel::headerData(section, orientation, role);
  if (orientation == Qt::Vertical) return section + 1;
  const Field* f = fieldAt(section);
  return f ? QVariant(f->label()) : QVariant();
}

Qt::ItemFlags DatasetModel::flags(const QModelIndex& index) const {
  Qt::ItemFlags flags = QAbstractTableModel::flags(index) | Qt::ItemNeverHasChildren;
  const Field* f = fieldAt(index.column());
  if (!index.isValid() || !f || !editable(*f)) return flags;
  return flags | (f->type() == FieldType::Boolean ? Qt::ItemIsUserCheckable : Qt::ItemIsEditable);
}

bool DatasetModel::setData(const QModelIndex& index, const QVariant& value, int role) {
  if (!index.isValid() || !ds_ || index.row() >= ds_->recordCount()) return false;
  Field* f = fieldAt(index.column());
  if (!f || !editable(*f)) return false;
  QVariant v = value;
  if (role == Qt::CheckStateRole) {
    if (f->type() != FieldType::Boolean) return false;
    v = value.toInt() == Qt::Checked;
  } else if (role != Qt::EditRole) {
    return false;
  }
  try {
    // Another row's pending edit is posted first; cells of the row being edited stay in one edit.
    if (ds_->currentRow() != index.row()) ds_->moveTo(index.row());
    if (ds_->state() == Dataset::State::Browse) ds_->edit();
    f->setValue(v);
  } catch (const Abort&) {
    return false;  // the hook has told the user why; the cell keeps its value
  }
  return true;
}

}  // namespace qk::client
