#include "client/sales/bus_so_form.h"

#include "client/data/data_module.h"
#include "client/data/numbering.h"
#include "client/masterdata/products_form.h"
#include "client/sales/bus_sd_form.h"

namespace qk::client {

namespace {

std::vector<GridColumn> salesLineColumns() {
  QStringList fields{"gsNo",  "productNo", "pName",  "pPre",   "pSize",  "pMat", "pSta",
                     "pUnit", "qty",       "uprice", "amount", "remark", "des"};
  for (int i = 1; i <= 6; ++i) fields << QString("def%1").arg(i);
  fields << "itemNo"
         << "keyNo";
  std::vector<GridColumn> cols = gridColumns(fields);
  for (GridColumn& c : cols) {
    if (c.field == "gsNo") {
      c.readOnly = true;  // given at save
      c.footer = FooterKind::Text;
      c.footerText = "合计";
    }
    if (c.field == "productNo") c.button = CellButton::Ellipsis;
  }
  return cols;
}

}  // namespace

DocumentConfig salesOrderConfig() {
  DocumentConfig c;
  c.caption = "销售订单";
  c.masterTable = "bus_SO";
  c.detailView = "view_up_bus_SO";
  c.emptyMarker = "love";
  c.layoutKey = "bus_SO_det";
  c.numbering = "bus_SO";
  c.saveMaster = {"bus_so", "keyNo", ""};
  c.saveDetail = {"bus_so_det", "gsNo", ""};
  c.find = {"销售订单查询", "qry_bus_so"};
  c.findMenu = findByItemMenu("bus_so_det");
  c.printCategory = "bus_so";
  c.masterReportName = "销售订单主表";
  c.detailReportName = "销售订单明细表";
  c.newRecord = {todayDefault("dlvDate"), nowDefault("docDate"), userDefault("userName")};
  c.header = {
      customerField(),
      {.field = "dlvDate", .caption = "交货日期", .editor = HeaderEditor::Date},
      {.field = "purNo", .caption = "客户采购单号"},
      {.field = "stock", .caption = "库存订单", .editor = HeaderEditor::CheckBox},
      {.field = "marking", .caption = "标识要求", .row = 1},
      {.field = "remarkM", .caption = "备注", .row = 1},
  };
  c.headerCheck = {{"custNo"}, kNoCustomer};
  c.lineMessage = kSalesLineIncomplete;
  c.priceField = "uprice";
  c.columns = salesLineColumns();
  c.completions = {productCompletion()};
  c.lineNumbers = {"gsNo", [](DocumentEditor& e) { return nextGsNo(e.dataModule().pubCDS); }, 4};
  c.pickers = {productsScreenPicker(&Tbas_productsForm::pick)};
  return c;
}

Tbus_SOForm::Tbus_SOForm(QWidget* parent) : DocumentEditor(salesOrderConfig(), parent) {}

void registerSalesScreens() {
  registerDocument<Tbus_SOForm>("bus_SOAction");
  registerDocument<Tbus_SDForm>("bus_SDAction");
}

}  // namespace qk::client
