// The answer of the document-writing server methods (UpdateData, UpdateBasData): exactly "OK"
// when everything was written, else the reason nothing was, with its code. It reads as its text,
// so callers that show the text and compare it with "OK" need nothing more.
#pragma once

#include <QString>

namespace qk::client {

struct ServerReply {
  QString text;
  QString code;   // protocol::code; empty for "OK"
  QString table;  // the table whose rule refused the change, as the schema spells it

  bool ok() const { return text == QLatin1String("OK"); }
  operator QString() const { return text; }
};

}  // namespace qk::client
