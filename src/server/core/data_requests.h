// What the data endpoints do, apart from HTTP: run a client's statement or procedure call through
// a named provider, apply a dataset's change log, and write a document's change logs in one
// transaction, each as the session's user may (Rights). Failures are db::DbError with a text for
// the user and a kind; errorCode() names the kind on the wire. Nothing here knows the transport or
// the database engine.
#pragma once

#include "protocol/wire.h"
#include "server/core/rights.h"
#include "server/db/connection.h"

namespace qk::server {

protocol::RecordSet openStatement(db::Connection& db, Rights& rights,
                                  const protocol::StatementRequest& r);
protocol::ExecResult executeStatement(db::Connection& db, Rights& rights,
                                      const protocol::StatementRequest& r);

// Writes the rows of the change log that the database accepts; a refused row is reported with
// its index. More refusals than maxErrors allows write nothing at all; so does a table the user
// may not write.
protocol::ApplyReply applyChanges(db::Connection& db, Rights& rights,
                                  const protocol::ApplyRequest& r);

// "OK" when every change was written, else the reason, its code, and nothing written.
protocol::TextReply updateBasData(db::Connection& db, Rights& rights,
                                  const protocol::UpdateBasDataRequest& r);
// Set A, then set B, in one transaction.
protocol::TextReply updateData(db::Connection& db, Rights& rights,
                               const protocol::UpdateDataRequest& r);

// The wire code of a kind of failure (protocol::code).
const char* errorCode(db::ErrorKind kind);

}  // namespace qk::server
