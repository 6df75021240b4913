// The parameters of a dataset's SQL text: made from its ":name" markers, filled by name or by
// position, sent as named values. "output"/"out" after a marker makes it an output parameter.
#pragma once

#include <QString>
#include <QVariant>
#include <vector>

#include "protocol/wire.h"

namespace qk::client {

struct Param {
  QString name;  // without the colon; may start with '@'
  QVariant value;
  bool output = false;  // marked "output"/"out" after the marker in the text
};

class Params {
 public:
  int count() const { return static_cast<int>(list_.size()); }
  Param& operator[](int index);        // by position; throws DataError when out of range
  Param& byName(const QString& name);  // case-insensitive; throws DataError when unknown
  const Param* find(const QString& name) const;
  void clear() { list_.clear(); }
  Param& add(const QString& name, bool output = false);  // for callers that build the list
  protocol::Params toWire() const;
  std::vector<Param>::iterator begin() { return list_.begin(); }
  std::vector<Param>::iterator end() { return list_.end(); }

 private:
  std::vector<Param> list_;
};

// Parses the ":name" markers of a SQL text in order of appearance (a name once), skipping quoted
// text and comments; "output"/"out" after a marker makes it an output parameter.
Params parseParams(const QString& sql);

}  // namespace qk::client
