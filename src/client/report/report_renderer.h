// Lays a template out over its data into pages of primitives. The report title opens the first
// page; every page gets the page header at its top and the page footer at its bottom; the master
// band prints once per row of its source (at most rowsPerPage rows on a page), each followed by
// its related detail rows; group headers and footers enclose master rows with an equal group
// value; the summary ends the report. A band that does not fit moves to the next page (a band
// taller than a whole page is printed anyway, clipped by the paper), and detail rows that
// overflow a page continue on the next one under a repeated page header.
//
// Aggregates look at the band's scope: a group header or footer its group, the title and the
// summary the whole report, a page header or footer the rows printed on that page, a master row
// itself with its detail rows. [TotalPages] and page aggregates in page headers are right
// because the layout runs again once the page count is known.
//
// It reads the data, never changes it, and never throws for a template that names data it does
// not have: the page shows a marker instead.
#pragma once

#include <QDateTime>

#include "client/report/rendered_report.h"

namespace qk::client {

class ReportData;
class ReportTemplate;

class ReportRenderer {
 public:
  ReportRenderer(const ReportTemplate& report, const ReportData& data);

  // The moment [Date] and [Time] show; the start of render() unless set.
  void setClock(const QDateTime& now) { now_ = now; }

  RenderedReport render() const;

  // The font a text item is drawn in: its family, else the report default (a CJK font so
  // that Chinese prints everywhere), falling back to the system's default.
  static QFont itemFont(const QString& family, double pointSize, bool bold, bool italic,
                        bool underline);

 private:
  const ReportTemplate& t_;
  const ReportData& data_;
  QDateTime now_;
};

}  // namespace qk::client
