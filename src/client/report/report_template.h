// A report template: page settings and bands of items, stored as an XML document of our own
// (the bytes the system keeps in sys_report). Reading refuses anything it does not understand
// with a Chinese text naming the line and column, so a damaged template is reported, never
// half-loaded; writing produces what reading accepts.
#pragma once

#include <QByteArray>
#include <QMarginsF>
#include <QSizeF>
#include <QString>
#include <vector>

#include "client/report/report_band.h"

namespace qk::client {

class ReportTemplate {
 public:
  struct Page {
    enum class Paper { A4, A5, Custom };
    Paper paper = Paper::A4;
    QSizeF customSize{210, 297};  // millimetres, portrait (width x height), for Paper::Custom
    bool landscape = false;
    QMarginsF margins{10, 10, 10, 10};  // millimetres

    QSizeF size() const;  // millimetres, oriented
    bool operator==(const Page&) const = default;
  };

  static constexpr int kVersion = 1;

  QString title;  // shown in the preview's caption and the PDF's properties
  Page page;
  std::vector<ReportBand> bands;  // in the order the designer shows them

  ReportBand& addBand(ReportBand::Type type, double height = 8);
  // The first band of a type, or null.
  const ReportBand* band(ReportBand::Type type) const;
  // The printable width between the margins, in millimetres.
  double contentWidth() const;

  QByteArray toXml() const;
  // Throws DataError: "报表模板格式错误（第 n 行，第 m 列）：..." for anything it does not accept.
  static ReportTemplate fromXml(const QByteArray& xml);
  // Files; both throw DataError with a text for the user.
  static ReportTemplate load(const QString& file);
  void save(const QString& file) const;

  bool operator==(const ReportTemplate&) const = default;
};

// The names used in the XML form ("masterData", ...) and the Chinese captions for the designer.
QString bandTypeName(ReportBand::Type type);
QString bandTypeCaption(ReportBand::Type type);

}  // namespace qk::client
