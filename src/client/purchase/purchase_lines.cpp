#include "client/purchase/purchase_lines.h"

#include "client/data/data_module.h"

namespace qk::client {

HeaderField supplierHeader() {
  return {.field = "supNo",
          .caption = "供应商名称",
          .editor = HeaderEditor::List,
          .list = &DataModule::supCDS,
          .listKey = "supNo",
          .listName = "supName"};
}

std::vector<GridColumn> purchaseLineColumns(const QStringList& fields, bool batchReadOnly) {
  std::vector<GridColumn> cols = gridColumns(fields);
  for (GridColumn& c : cols) {
    const QString f = c.field.toLower();
    if (f == "psno") {
      if (batchReadOnly) {
        c.readOnly = true;
        c.footer = FooterKind::Text;
        c.footerText = "合计";
      } else {
        c.button = CellButton::Ellipsis;
      }
    }
    if (f == "productno" && batchReadOnly) c.button = CellButton::Ellipsis;
    if (f == "qty" || f == "inqty") c.footer = FooterKind::Sum;
    if (f == "uprice") c.displayFormat = "#,##0.00";
    if (f == "amount") {
      c.displayFormat = "#,##0.00";
      c.footer = FooterKind::Sum;
    }
    // Computed from the receipts, never typed.
    if (f == "amount" || f == "inqty" || f == "done") c.readOnly = true;
  }
  return cols;
}

}  // namespace qk::client
