// Orders, deliveries, production-task lines and their flow records generated straight into an
// account set's database in one transaction, around a given day: the ground of the dashboard's
// tests and benchmark. Items are those of generateStockDocuments (P000001, …), which it expects
// to have run first; what was generated comes back, for tests to compute their own figures.
#pragma once

#include <string>
#include <vector>

#include "server/db/connection.h"

namespace qk::test {

struct DashboardDocumentsSpec {
  std::string day;  // "YYYY-MM-DD": orders fall due from 60 days before to 30 days after it
  int items = 40;   // products P000001 … to order and make
  int customers = 5;
  int orders = 60;
  int linesPerOrder = 3;
  int taskLines = 80;
  int recordsPerTaskLine = 2;  // flow records, some in the day's month, some in the month before
  // When positive, the flow records fall on any of this many days up to the day instead, as a
  // year of shop-floor reports does.
  int recordDays = 0;
  unsigned seed = 7;
};

struct GeneratedOrderLine {
  std::string keyNo, custNo, dlvDate;  // dlvDate "YYYY-MM-DD 00:00:00"
  double qty = 0, delivered = 0;
};

struct GeneratedTaskLine {
  std::string taskNo, gsNo, depNo;
  double qty = 0, finished = 0, received = 0;
};

struct GeneratedRecord {
  std::string taskNo, staffNo, inspDate;
  double gqty = 0, wage = 0;  // wage: gqty times the quota, rounded to cents
  bool outsourced = false;
};

struct DashboardDocuments {
  std::vector<GeneratedOrderLine> orderLines;
  std::vector<GeneratedTaskLine> taskLines;
  std::vector<GeneratedRecord> records;
};

DashboardDocuments generateDashboardDocuments(db::Connection& db,
                                              const DashboardDocumentsSpec& spec);

}  // namespace qk::test
