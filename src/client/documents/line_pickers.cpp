#include "client/documents/line_pickers.h"

#include <QStringList>
#include <utility>

#include "client/data/data_error.h"
#include "client/data/dataset.h"

namespace qk::client {

namespace {

QVariant sourceValue(const QVariantMap& row, const QString& name) {
  auto it = row.find(name);
  if (it != row.end()) return it.value();
  // Query columns and line fields are matched without regard to case, as the database does.
  for (it = row.begin(); it != row.end(); ++it)
    if (it.key().compare(name, Qt::CaseInsensitive) == 0) return it.value();
  throw DataError(QString("选择的记录中没有字段 %1").arg(name));
}

QVariant converted(const FieldCopy& copy, const QVariant& v) {
  return copy.asNumber ? QVariant(v.toDouble()) : v;
}

Field& lineField(Dataset& lines, const QString& name) {
  Field* f = lines.findField(name);
  if (!f) throw DataError(QString("明细中没有字段 %1").arg(name));
  return *f;
}

}  // namespace

std::vector<FieldCopy> productDescriptionCopies() {
  std::vector<FieldCopy> copies{{"des", "des"},           {"pName", "productName"},
                                {"pSize", "productSize"}, {"pPre", "productPre"},
                                {"pMat", "productMat"},   {"pSta", "productSta"},
                                {"pUnit", "productUnit"}};
  for (int i = 1; i <= 6; ++i) copies.push_back({QString("def%1").arg(i), QString("def%1").arg(i)});
  return copies;
}

LineCompletion productCompletion() {
  return {"productNo",
          "select productNo,des,productName,productSize,productPre,productMat,productSta,"
          "productUnit,def1,def2,def3,def4,def5,def6   from view_bas_prd_des where productNo = :p1",
          productDescriptionCopies(), false};
}

LineCompletion taskCompletion() {
  // Setting the product runs the product completion in turn.
  return {"taskNo",
          "select  productNo  from bus_task_det where taskNo = :p1",
          {{"productNo", "productNo"}},
          true};
}

LinePicker productsScreenPicker(std::function<std::vector<QVariantMap>(QWidget*)> pick) {
  LinePicker picker{"productNo", "物料设置", {}, {{"productNo", "productNo"}}};
  for (const FieldCopy& f : productDescriptionCopies()) picker.copies.push_back(f);
  picker.source = [pick = std::move(pick)](QWidget* parent, const LinePicker&) {
    std::vector<QVariantMap> rows = pick(parent);
    for (QVariantMap& row : rows) {
      QStringList parts;
      for (const char* f : {"productName", "productSize", "productPre", "productMat", "productSta"})
        parts << row.value(f).toString();
      row.insert("des", parts.join(' '));
    }
    return rows;
  };
  return picker;
}

void copyInto(Dataset& lines, const QVariantMap& row, const std::vector<FieldCopy>& copies) {
  for (const FieldCopy& copy : copies)
    lineField(lines, copy.dest).setValue(converted(copy, sourceValue(row, copy.source)));
}

void complete(Dataset& lines, Dataset& query, const LineCompletion& completion,
              const QVariant& value) {
  query.setCommandText(completion.sql);
  query.params().byName("p1").value = value;
  query.open();
  // Read everything first: a copy may run another completion through the same dataset.
  const bool found = !query.isEmpty();
  QVariantMap row;
  if (found)
    for (int i = 0; i < query.fieldCount(); ++i)
      row.insert(query.field(i).name(), query.field(i).value());
  query.close();
  if (found) {
    copyInto(lines, row, completion.copies);
  } else if (!completion.keepWhenMissing) {
    for (const FieldCopy& copy : completion.copies)
      lineField(lines, copy.dest).setValue(copy.whenMissing);
  }
}

}  // namespace qk::client
