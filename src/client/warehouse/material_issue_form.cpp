#include "client/warehouse/material_issue_form.h"

#include "client/data/dataset.h"
#include "client/warehouse/warehouse_forms.h"

namespace qk::client {

namespace {

std::vector<GridColumn> materialLineColumns() {
  QStringList fields{"psNo",   "productNo", "matDes", "matUnit", "qty",    "uPrice", "amount",
                     "taskNo", "pQty",      "uwReal", "uwPlan",  "pName",  "pSize",  "pPre",
                     "pMat",   "pSta",      "pUnit",  "remark",  "itemNo", "des"};
  for (int i = 1; i <= 6; ++i) fields << QString("def%1").arg(i);
  fields << "keyNo";
  std::vector<GridColumn> cols = gridColumns(fields);
  for (GridColumn& c : cols) {
    if (c.field == "psNo" || c.field == "taskNo") c.button = CellButton::Ellipsis;
    if (c.field == "uwReal") c.readOnly = true;  // calculated from the two quantities
  }
  return cols;
}

// Material per product piece: a quantity of products gives it, clearing them clears it, and a
// line without products keeps what it had.
void unitWeight(Dataset& lines) {
  const Field& pQty = lines.fieldByName("pQty");
  Field& uwReal = lines.fieldByName("uwReal");
  if (pQty.isNull()) {
    if (!uwReal.isNull()) uwReal.setValue(QVariant());
    return;
  }
  if (pQty.asFloat() > 0) uwReal.setValue(lines.fieldByName("qty").asFloat() / pQty.asFloat());
}

}  // namespace

DocumentConfig materialIssueConfig() {
  DocumentConfig c;
  c.caption = "原材料出库单";
  c.masterTable = "wh_mat";
  c.detailView = "view_up_wh_mat";
  c.emptyMarker = "new order";
  c.layoutKey = "wh_mat_det";
  c.numbering = "wh_mat";
  c.saveMaster = {"wh_mat", "keyNo", ""};
  c.saveDetail = {"wh_mat_det", "keyNo", "ItemNo"};
  c.find = {"原材料出库单查询", "qry_wh_mo"};
  c.printCategory = "mat_out";
  c.masterReportName = "原材料出库单主表";
  c.detailReportName = "原材料出库单明细表";
  c.dateField = "moDate";
  c.header = {
      {.field = "moDate", .caption = "日期", .editor = HeaderEditor::Date},
      warehouseHeaderField(),
      {.field = "remarkM", .caption = "备注", .row = 1},
  };
  c.headerCheck = {{"whNo"}, "仓库 不能为空!"};
  c.lineMessage = "产品编号和数量不能为空!";
  c.columns = materialLineColumns();

  std::vector<FieldCopy> material{
      {"productNo", "productNo"}, {"matDes", "des"}, {"matUnit", "pUnit"}};
  std::vector<FieldCopy> product = productDescriptionCopies();
  product.push_back({"uwPlan", "xlz", true, 0.0});
  c.completions = {
      {"psNo",
       "select productNo,des,pUnit,def1,def2,def3,def4,def5,def6   from view_qry_bus_po "
       "where psNo = :p1",
       material},
      // The line's productNo is the material and stays; the task names the product made.
      {"taskNo",
       "select productNo,des,productName,productSize,productPre,productMat,productSta,"
       "productUnit,def1,def2,def3,def4,def5,def6,xlz   from view_bus_task_det where taskNo = :p1",
       product},
  };
  c.lineRules = {{{"qty", "pQty"}, unitWeight}};

  std::vector<FieldCopy> batch{
      {"productNo", "productNo"}, {"psNo", "psNo"}, {"matDes", "des"}, {"matUnit", "pUnit"}};
  std::vector<FieldCopy> task{{"taskNo", "taskNo"}};
  for (const FieldCopy& f : productDescriptionCopies()) task.push_back(f);
  c.pickers = {
      {"psNo", "采购入库单查询", "qry_bus_pi", batch, PickAppend::Always},
      // The planned weight comes only with a typed task number.
      {"taskNo", "生产任务单查询", "qry_bus_task", task, PickAppend::Never},
  };
  return c;
}

Twh_Out_matForm::Twh_Out_matForm(QWidget* parent) : DocumentEditor(materialIssueConfig(), parent) {}

}  // namespace qk::client
