// Values as datasets hold them (QVariant) and as they travel (protocol::Value): conversion both
// ways, bringing a typed value to a field's type, comparing and ordering values the way the
// database does. Date-times travel as "YYYY-MM-DD HH:MM:SS" text and live in datasets as QDateTime.
#pragma once

#include <QVariant>

#include "protocol/wire.h"

namespace qk::client {

// A wire value as the dataset holds it: plainly, or brought to a field's declared type.
QVariant toVariant(const protocol::Value& v);
QVariant toVariant(const protocol::Value& v, protocol::FieldType type);
protocol::Value fromVariant(const QVariant& v);

// Whether a QVariant type holds a whole number, or a floating-point number.
bool isIntegralType(int typeId);
bool isFloatingType(int typeId);
bool isNullValue(const QVariant& v);
// Whether a field of this type holds a number (right-aligned, summed, formatted as one).
inline bool isNumericType(protocol::FieldType t) {
  using protocol::FieldType;
  return t == FieldType::Integer || t == FieldType::Float || t == FieldType::Decimal;
}

QString dateTimeText(const QDateTime& dt);
QDateTime parseDateTimeText(const QString& text);  // invalid QDateTime when not parseable
// A value as text: date-times as on the wire, booleans "True"/"False", null as "".
QString valueText(const QVariant& v);

// Brings a value to the field's type, as typed text or a value of another type arrives from
// screens and editors; a value that cannot be of that type is a DataError naming the field,
// never a silent null.
QVariant convertTo(const QVariant& v, protocol::FieldType type, const QString& field);

bool sameValue(const QVariant& a, const QVariant& b);
// Order of two values; text ignores case, as the database's NOCASE columns order it.
int compareValues(const QVariant& a, const QVariant& b);
// Hash key of a lookup value: equal keys exactly when sameValue holds for values of one type.
QString lookupKey(const QVariant& v);

inline QString qs(const std::string& s) {
  return QString::fromStdString(s);
}
inline std::string ss(const QString& s) {
  return s.toStdString();
}

}  // namespace qk::client
