// The dashboard's figures as the server's sp_dashboard computes them: per tile its total and the
// rows its chart draws. Read in one request; nothing here computes a figure of its own.
#pragma once

#include <QDate>
#include <QString>
#include <map>
#include <vector>

#include "protocol/wire.h"

namespace qk::client {

class Connection;

struct DashboardRow {
  QString label, keyNo;
  double v1 = 0, v2 = 0, v3 = 0;
};

struct DashboardTileFigures {
  DashboardRow total;
  std::vector<DashboardRow> rows;
};

struct DashboardFigures {
  std::map<QString, DashboardTileFigures> tiles;  // by tile name: due, late, progress, …
  QString error;                                  // the server's refusal or the failure, if any
  const DashboardTileFigures& tile(const QString& name) const;
};

// The record set of sp_dashboard read into tiles.
DashboardFigures dashboardFigures(const protocol::RecordSet& rs);

// Asks the server for the figures of `day` (the server's today when invalid). Never throws: a
// failure comes back as the error text, so a worker thread can hand it over.
DashboardFigures loadDashboard(Connection& connection, const QDate& day = {});

}  // namespace qk::client
