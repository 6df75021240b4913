#include "client/purchase/bus_pi_form.h"

#include "client/data/data_module.h"
#include "client/purchase/purchase_lines.h"

namespace qk::client {

namespace {

// What a batch brings into a receipt line, from the order query (one row per batch).
std::vector<FieldCopy> batchDescriptionCopies() {
  std::vector<FieldCopy> copies{{"productNo", "productNo"}};
  for (const char* f : {"des", "pName", "pSize", "pPre", "pMat", "pSta", "pUnit"})
    copies.push_back({f, f});
  for (int i = 1; i <= 6; ++i) copies.push_back({QString("def%1").arg(i), QString("def%1").arg(i)});
  return copies;
}

}  // namespace

DocumentConfig purchaseReceiptConfig() {
  DocumentConfig c;
  c.caption = "采购入库单";
  c.masterTable = "bus_PI";
  c.detailView = "view_up_bus_pi";
  c.detailOrder = "PIItemNo";
  c.emptyMarker = "love";
  c.layoutKey = "bus_PI_det";
  c.numbering = "bus_pi";
  c.itemField = "PIItemNo";
  c.saveMaster = {"bus_pi", "keyNo", ""};
  c.saveDetail = {"bus_pi_det", "keyNo", "piItemNo"};
  c.find = {"采购入库单查询", "qry_bus_pi"};
  c.printCategory = "bus_pi";
  c.masterReportName = "采购入库单主表";
  c.detailReportName = "采购入库单明细表";
  c.dateField = "PIDate";
  c.newRecord = {todayDefault("PIDate"), nowDefault("docDate"), userDefault("userName")};
  c.header = {
      supplierHeader(),
      {.field = "PIDate", .caption = "入库日期", .editor = HeaderEditor::Date},
      {.field = "whNo",
       .caption = "仓库名称",
       .editor = HeaderEditor::List,
       .list = &DataModule::whCDS,
       .listKey = "whNo",
       .listName = "whName"},
      {.field = "remarkM", .caption = "备注", .row = 1},
  };
  c.headerCheck = {{"supNo", "whNo"}, kNoSupplierOrWarehouse};
  // A line is received against a batch; a product without one cannot be traced to its order.
  c.lineNumberField = "PSNo";
  c.lineMessage = kReceiptLineIncomplete;
  c.priceField = "uprice";
  QStringList fields{"PSNo",  "productNo", "pName",  "pSize",  "pMat",   "pPre", "pSta",
                     "pUnit", "qty",       "uprice", "amount", "remark", "des"};
  for (int i = 1; i <= 6; ++i) fields << QString("def%1").arg(i);
  fields << "PIItemNo"
         << "keyNo";
  c.columns = purchaseLineColumns(fields, false);
  std::vector<FieldCopy> picked{{"PSNo", "psNo"}, {"qty", "qty"}};
  for (const FieldCopy& f : batchDescriptionCopies()) picked.push_back(f);
  c.pickers = {{"PSNo", "采购订单查询", "qry_bus_po", picked}};
  c.completions = {{"PSNo",
                    "select productNo,des,pName,pSize,pPre,pMat,pSta,pUnit,def1,def2,def3,def4,"
                    "def5,def6   from view_qry_bus_po where psNo = :p1",
                    batchDescriptionCopies()}};
  return c;
}

Tbus_PIForm::Tbus_PIForm(QWidget* parent) : DocumentEditor(purchaseReceiptConfig(), parent) {}

}  // namespace qk::client
