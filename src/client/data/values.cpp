#include "client/data/values.h"

#include <QDateTime>
#include <QLocale>
#include <cmath>

#include "client/data/data_error.h"

namespace qk::client {

using protocol::FieldType;

bool isIntegralType(int typeId) {
  switch (typeId) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Long:
    case QMetaType::ULong:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
      return true;
    default:
      return false;
  }
}

bool isFloatingType(int typeId) {
  return typeId == QMetaType::Double || typeId == QMetaType::Float;
}

bool isNullValue(const QVariant& v) {
  return !v.isValid() || v.isNull();
}

QString dateTimeText(const QDateTime& dt) {
  return dt.toString("yyyy-MM-dd HH:mm:ss");
}

QDateTime parseDateTimeText(const QString& text) {
  const QString t = text.trimmed();
  for (const char* format : {"yyyy-MM-dd HH:mm:ss", "yyyy-MM-dd HH:mm:ss.zzz", "yyyy-MM-dd HH:mm",
                             "yyyy-MM-ddTHH:mm:ss", "yyyy-MM-dd"}) {
    QDateTime dt = QDateTime::fromString(t, format);
    if (dt.isValid()) return dt;
  }
  return {};
}

QString valueText(const QVariant& v) {
  if (isNullValue(v)) return {};
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

namespace {

bool isNumber(int typeId) {
  return isIntegralType(typeId) || isFloatingType(typeId);
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

}  // namespace

QVariant convertTo(const QVariant& v, FieldType type, const QString& field) {
  if (isNullValue(v)) return {};
  const int id = v.typeId();
  auto invalid = [&](const char* what) {
    return DataError(
        QString("字段 %1：“%2”不是有效的%3").arg(field, valueText(v), QString::fromUtf8(what)));
  };
  const bool isText = id == QMetaType::QString || id == QMetaType::QByteArray;
  switch (type) {
    case FieldType::String:
      return valueText(v);
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
  return valueText(a) == valueText(b);
}

// A client-side sort agrees with the server's "order by"; it is not a locale (pinyin) collation.
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
  return QString::compare(valueText(a), valueText(b), Qt::CaseInsensitive);
}

QString lookupKey(const QVariant& v) {
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

QVariant toVariant(const protocol::Value& v) {
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

QVariant toVariant(const protocol::Value& v, FieldType type) {
  if (auto b = std::get_if<bool>(&v); b && type == FieldType::Integer) return qlonglong(*b ? 1 : 0);
  if (auto i = std::get_if<std::int64_t>(&v)) {
    switch (type) {
      case FieldType::Boolean:
        return *i != 0;
      case FieldType::Float:
      case FieldType::Decimal:
        return double(*i);
      case FieldType::String:
        return QString::number(*i);
      default:
        break;
    }
  }
  if (auto d = std::get_if<double>(&v); d && type == FieldType::String)
    return QString::number(*d, 'g', 15);
  if (auto s = std::get_if<std::string>(&v); s && type == FieldType::DateTime) {
    const QDateTime dt = parseDateTimeText(QString::fromStdString(*s));
    if (dt.isValid()) return dt;
  }
  return toVariant(v);
}

protocol::Value fromVariant(const QVariant& v) {
  if (!v.isValid() || v.isNull()) return std::monostate{};
  switch (v.typeId()) {
    case QMetaType::Bool:
      return v.toBool();
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Long:
    case QMetaType::LongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::ULong:
    case QMetaType::ULongLong:
      return static_cast<std::int64_t>(v.toLongLong());
    case QMetaType::Double:
    case QMetaType::Float:
      return v.toDouble();
    case QMetaType::QDateTime:
      return dateTimeText(v.toDateTime()).toStdString();
    case QMetaType::QDate:
      return (v.toDate().toString("yyyy-MM-dd") + " 00:00:00").toStdString();
    case QMetaType::QByteArray: {
      const QByteArray b = v.toByteArray();
      return protocol::Blob{std::vector<std::uint8_t>(b.begin(), b.end())};
    }
    default:
      return v.toString().toStdString();
  }
}

}  // namespace qk::client
