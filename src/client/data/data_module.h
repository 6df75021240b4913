// The data module `dm`: the one connection to the application server, the two shared datasets
// for ad-hoc SQL (pubCDS, tmpCDS), the master-data and administration datasets, the login
// values of this run, and the server methods that write documents.
#pragma once

#include <QDateTime>
#include <QObject>
#include <QString>

#include "client/data/connection.h"
#include "client/data/dataset.h"

namespace qk::client {

class DataModule : public QObject {
  Q_OBJECT
 public:
  explicit DataModule(Connection& connection, QObject* parent = nullptr);
  ~DataModule() override;

  Connection& connection() { return conn_; }

  // General-purpose datasets; a routine finishes with one before calling anything else.
  Dataset pubCDS, tmpCDS;
  // Master data
  Dataset custCDS, supCDS, depCDS, staffCDS, deviceCDS, processCDS, whCDS, docCDS, dIdCDS,
      drawingCDS, quoteCDS, productsCDS, pIdCDS, supListCDS, stockCDS, taskIdCDS, devLookupCDS;
  // Administration
  Dataset userCDS, rightsCDS, actionCDS, reportsCDS, configCDS;

  // The product whose quotas, drawings or supplier prices are being edited.
  QString curProductNo;

  // Login values of this run, set by the main window after a confirmed login.
  QString userName;     // exactly as typed, trailing blanks included
  QString accountName;  // as typed
  QDateTime loginTime;
  qint64 loginId = 0;  // sysid of this login's sys_log row

  // The document number (keyNo) of the table's line with that item number; "" when none.
  QString findKeyNoByGsNo(const QString& table, const QString& gsNo);

  // Server methods; each needs an open connection. The replies read as their text ("OK" or the
  // reason) and carry the refusal's code and table for callers that decide on them.
  QString login(const QString& account, const QString& user, const QString& password);
  ServerReply updateBasData(const Dataset& ds, const QString& table, const QString& key1,
                            const QString& key2);
  ServerReply updateData(const Dataset& a, const QString& tableA, const QString& keyA1,
                         const QString& keyA2, const Dataset& b, const QString& tableB,
                         const QString& keyB1, const QString& keyB2);

 private:
  Connection& conn_;
};

// The program's data module (created by the program at start, or by a test).
DataModule& dm();
void setDm(DataModule* module);

// Checks that a name spliced into SQL text is a plain identifier; throws DataError otherwise.
QString sqlIdentifier(const QString& name);

}  // namespace qk::client
