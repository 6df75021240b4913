// The text of a report item parsed once into static parts and bracketed expressions, then
// evaluated for every band printed. Used by the renderer; the designer may use it to check a
// text. A name it cannot resolve prints as a marker such as "[?数据集.字段]" so that a template
// naming a source the screen does not offer shows the mistake instead of failing.
//
//   [数据集."字段"] or [数据集.字段]   a field of the source's current row
//   [SUM(数据集."字段")], AVG, MIN, MAX, [COUNT(数据集)], [COUNT(数据集."字段")]
//                                       over the rows of the band's scope
//   [Page] [TotalPages] [Date] [Time] [Row]
//   [名字]                              a variable answered by ReportData::variables
//   [[                                  a literal "["
#pragma once

#include <QDateTime>
#include <QHash>
#include <QString>
#include <QVariant>
#include <QVector>
#include <vector>

#include "client/report/report_data.h"

namespace qk::client {

// The rows aggregates look at: per data source, the rows in the band's scope. A source that is
// not listed is taken whole.
using ReportRowScope = QHash<const ReportDataSource*, QVector<int>>;

struct ReportContext {
  const ReportData* data = nullptr;
  QHash<const ReportDataSource*, int> current;  // the row a field reads; row 0 when not listed
  const ReportRowScope* scope = nullptr;
  int page = 0;
  int totalPages = 0;
  int row = 0;  // [Row]: the number of the current data row within its band
  QDateTime now;
};

class ReportText {
 public:
  struct Result {
    QString text;
    QVariant value;  // when the text is a single expression: its value, unformatted
    QString format;  // the display format that value was printed with
  };

  ReportText() = default;
  ReportText(const QString& text, const ReportData& data);

  Result evaluate(const ReportContext& context, const QString& displayFormat = {}) const;
  // The value of a text that is one expression (a group's field, a picture's bytes).
  QVariant value(const ReportContext& context) const;

  bool isStatic() const;

 private:
  struct Part {
    enum class Kind {
      Literal,
      Field,
      Aggregate,
      Variable,
      Page,
      TotalPages,
      Date,
      Time,
      Row,
      Error
    };
    enum class Function { Sum, Count, Avg, Min, Max };
    Kind kind = Kind::Literal;
    QString text;  // literal text, variable name or error marker
    const ReportDataSource* source = nullptr;
    int field = -1;  // -1: COUNT of rows
    Function function = Function::Sum;
  };

  QVariant valueOf(const Part& part, const ReportContext& context) const;
  std::vector<Part> parts_;
};

}  // namespace qk::client
