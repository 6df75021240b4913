#include "client/data/values.h"

#include <QDateTime>

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

QVariant toVariant(const protocol::Value& v, FieldType type) {
  struct Visitor {
    FieldType type;
    QVariant operator()(std::monostate) const { return {}; }
    QVariant operator()(bool b) const {
      if (type == FieldType::Integer) return QVariant(qlonglong(b ? 1 : 0));
      return b;
    }
    QVariant operator()(std::int64_t i) const {
      switch (type) {
        case FieldType::Boolean:
          return i != 0;
        case FieldType::Float:
        case FieldType::Decimal:
          return double(i);
        case FieldType::String:
          return QString::number(i);
        default:
          return qlonglong(i);
      }
    }
    QVariant operator()(double d) const {
      if (type == FieldType::String) return QString::number(d, 'g', 15);
      return d;
    }
    QVariant operator()(const std::string& s) const {
      const QString text = QString::fromStdString(s);
      if (type == FieldType::DateTime) {
        QDateTime dt = parseDateTimeText(text);
        if (dt.isValid()) return dt;
      }
      return text;
    }
    QVariant operator()(const protocol::Blob& b) const {
      return QByteArray(reinterpret_cast<const char*>(b.bytes.data()),
                        static_cast<qsizetype>(b.bytes.size()));
    }
  };
  return std::visit(Visitor{type}, v);
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
