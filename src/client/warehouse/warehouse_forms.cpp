#include "client/warehouse/warehouse_forms.h"

#include "client/data/data_module.h"
#include "client/warehouse/material_issue_form.h"
#include "client/widgets/screen_registry.h"

namespace qk::client {

namespace {

// The line grid's columns in design order, with what a layout cannot say; captions, widths,
// order and visibility come from the wh_In_det / wh_Out_det layouts.
std::vector<GridColumn> warehouseLineColumns() {
  std::vector<GridColumn> cols =
      gridColumns({"taskNo", "productNo", "pName",  "pSize",  "pMat",   "pPre",   "pSta",
                   "pUnit",  "qty",       "uPrice", "amount", "remark", "itemNo", "keyNo",
                   "def1",   "def2",      "def3",   "def4",   "def5",   "def6",   "des"});
  for (GridColumn& c : cols) {
    if (c.field == "taskNo") c.button = CellButton::Ellipsis;
    if (c.field == "productNo") c.button = CellButton::Plus;
    if (c.field == "qty") c.footer = FooterKind::Sum;
    if (c.field == "uPrice") c.displayFormat = "#,##0.00";
    if (c.field == "amount") {
      c.displayFormat = "#,##0.00";
      c.readOnly = true;
      c.footer = FooterKind::Sum;
    }
  }
  return cols;
}

// The task picker of both documents: the task line's number, product and description.
LinePicker taskPicker() {
  std::vector<FieldCopy> copies{{"taskNo", "taskNo"}, {"productNo", "productNo"}};
  for (const FieldCopy& c : productDescriptionCopies()) copies.push_back(c);
  return {"taskNo", "生产任务单查询", "qry_bus_task", copies};
}

// A product picker: number, description and a price from the chosen row.
LinePicker productPicker(const char* caption, const char* queryId, const char* priceSource,
                         bool setFilling) {
  std::vector<FieldCopy> copies{{"productNo", "productNo"}};
  for (const FieldCopy& c : productDescriptionCopies()) copies.push_back(c);
  copies.push_back({"uPrice", priceSource, true});
  return {"productNo", caption, queryId, copies, PickAppend::WhenNew, setFilling};
}

DocumentConfig warehouseDocument(const char* dateField, const char* docFamily) {
  DocumentConfig c;
  c.dateField = dateField;
  c.header = {
      {.field = "docType",
       .caption = "单据类型",
       .editor = HeaderEditor::PickList,
       .valuesSql =
           QString("select distinct docType as v from bas_doc where docId = '%1'").arg(docFamily)},
      {.field = dateField, .caption = "日期", .editor = HeaderEditor::Date},
      warehouseHeaderField(),
      {.field = "remarkM", .caption = "备注", .row = 1},
  };
  c.headerCheck = {{"whNo", "docType"}, "仓库和单据类型不能为空!"};
  c.lineMessage = "产品编号和数量不能为空!";
  c.columns = warehouseLineColumns();
  c.completions = {productCompletion(), taskCompletion()};
  return c;
}

}  // namespace

HeaderField warehouseHeaderField() {
  return {.field = "whNo",
          .caption = "仓库名称",
          .editor = HeaderEditor::List,
          .list = &DataModule::whCDS,
          .listKey = "whNo",
          .listName = "whName"};
}

DocumentConfig warehouseReceiptConfig() {
  DocumentConfig c = warehouseDocument("inDate", "入库单");
  c.caption = "入库单";
  c.masterTable = "wh_In";
  c.detailView = "view_up_wh_in";
  c.emptyMarker = "love";
  c.layoutKey = "wh_In_det";
  c.numbering = "wh_in";
  c.saveMaster = {"wh_In", "keyNo", ""};
  c.saveDetail = {"wh_in_det", "keyNo", "ItemNo"};
  c.deleteMaster = {"wh_in", "keyNo", ""};
  c.find = {"入库单查询", "qry_wh_in"};
  c.printCategory = "wh_in";
  c.masterReportName = "入库单主表";
  c.detailReportName = "入库单明细表";
  // The product's cost price; the completion refills the description of each picked line.
  c.pickers = {productPicker("产品查询", "bas_products", "costPrice", false), taskPicker()};
  return c;
}

DocumentConfig warehouseIssueConfig() {
  DocumentConfig c = warehouseDocument("outDate", "出库单");
  c.caption = "出库单";
  c.masterTable = "wh_Out";
  c.detailView = "view_up_wh_out";
  c.emptyMarker = "new order";
  c.layoutKey = "wh_Out_det";
  c.numbering = "wh_out";
  c.saveMaster = {"wh_out", "keyNo", ""};
  c.saveDetail = {"wh_out_det", "keyNo", "itemNo"};
  c.deleteDetail = {"wh_out_det", "keyNo", "ItemNo"};
  c.find = {"出库单查询", "qry_wh_out"};
  c.printCategory = "wh_out";
  c.masterReportName = "出库单主表";
  c.detailReportName = "出库单明细表";
  // Goods leave at the price they are held at in stock.
  c.pickers = {productPicker("库存查询", "qry_wh_view", "uPrice", true), taskPicker()};
  return c;
}

Twh_InForm::Twh_InForm(QWidget* parent) : DocumentEditor(warehouseReceiptConfig(), parent) {}

Twh_OutForm::Twh_OutForm(QWidget* parent) : DocumentEditor(warehouseIssueConfig(), parent) {}

void registerWarehouseScreens() {
  registerDocument<Twh_InForm>("wh_InAction");
  registerDocument<Twh_OutForm>("wh_outAction");
  registerDocument<Twh_Out_matForm>("wh_mat_outAction");
}

}  // namespace qk::client
