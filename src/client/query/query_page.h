// One page of a stored query through the database's paging procedure, on a dataset the caller
// owns: every paged list (the query dialog, the products screen) asks for its pages here.
// It never rebuilds a caller's widgets and never splices the texts it is given into SQL.
#pragma once

#include <QString>

namespace qk::client {

class Dataset;

struct PageRequest {
  QString table, fields, key, where, order;
  int pageSize = 100;
  int page = 1;
  // The total of an earlier page of the same query; 0 makes the database count again.
  int knownTotal = 0;
};

struct PageTotals {
  int totalCount = 0;
  int pageCount = 0;
};

// Reopens `ds` on the requested page; returns the totals the procedure reported.
PageTotals queryPage(Dataset& ds, const PageRequest& request);

}  // namespace qk::client
