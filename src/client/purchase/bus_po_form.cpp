#include "client/purchase/bus_po_form.h"

#include "client/data/data_module.h"
#include "client/data/numbering.h"
#include "client/masterdata/products_form.h"
#include "client/purchase/purchase_lines.h"

namespace qk::client {

DocumentConfig purchaseOrderConfig() {
  DocumentConfig c;
  c.caption = "采购订单";
  c.masterTable = "bus_PO";
  c.detailView = "view_up_bus_po";
  c.detailOrder = "POItemNo";
  c.emptyMarker = "love";
  c.layoutKey = "bus_PO_det";
  c.numbering = "bus_PO";
  c.itemField = "POItemNo";
  // Lines are written by their batch number, which receipts and issues refer to.
  c.saveMaster = {"bus_po", "keyNo", ""};
  c.saveDetail = {"bus_po_det", "psNo", ""};
  c.find = {"采购订单查询", "qry_bus_po"};
  c.printCategory = "bus_po";
  c.masterReportName = "采购订单主表";
  c.detailReportName = "采购订单明细表";
  c.dateField = "purDate";
  c.newRecord = {todayDefault("purDate"), nowDefault("docDate"), userDefault("userName")};
  c.header = {
      supplierHeader(),
      {.field = "purDate", .caption = "交货日期", .editor = HeaderEditor::Date},
      {.field = "remarkM", .caption = "备注", .row = 1},
  };
  c.headerCheck = {{"supNo"}, kNoSupplier};
  c.lineQtyField = "Qty";
  c.lineMessage = kOrderLineIncomplete;
  QStringList fields{"psNo",  "productNo", "pName",  "pSize",  "pMat",   "pPre", "pSta",
                     "pUnit", "Qty",       "uPrice", "amount", "remark", "des"};
  for (int i = 1; i <= 6; ++i) fields << QString("def%1").arg(i);
  fields << "POItemNo"
         << "keyNo"
         << "inQty"
         << "done";
  c.columns = purchaseLineColumns(fields, true);
  c.completions = {productCompletion()};
  // "POyymm" and a four-digit counter: the first new line asks the database, the rest count on.
  c.lineNumbers = {"psNo", [](DocumentEditor& e) { return nextPsNo(e.dataModule().pubCDS); }, 4, 6};
  c.pickers = {productsScreenPicker(&Tbas_productsForm::pick)};
  return c;
}

Tbus_POForm::Tbus_POForm(QWidget* parent) : DocumentEditor(purchaseOrderConfig(), parent) {}

}  // namespace qk::client
