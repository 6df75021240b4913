// Conversion between wire values and the QVariants that datasets hold. Date-times travel as
// "YYYY-MM-DD HH:MM:SS" text and live in datasets as QDateTime.
#pragma once

#include <QVariant>

#include "protocol/wire.h"

namespace qk::client {

QVariant toVariant(const protocol::Value& v, protocol::FieldType type);
protocol::Value fromVariant(const QVariant& v);

// Whether a QVariant type holds a whole number, or a floating-point number.
bool isIntegralType(int typeId);
bool isFloatingType(int typeId);

QString dateTimeText(const QDateTime& dt);
QDateTime parseDateTimeText(const QString& text);  // invalid QDateTime when not parseable

inline QString qs(const std::string& s) {
  return QString::fromStdString(s);
}
inline std::string ss(const QString& s) {
  return s.toStdString();
}

}  // namespace qk::client
