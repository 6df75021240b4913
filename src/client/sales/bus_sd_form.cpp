#include "client/sales/bus_sd_form.h"

#include "client/data/data_module.h"
#include "client/data/dataset.h"

namespace qk::client {

namespace {

constexpr const char* kPurchaseNote = "采购号";

std::vector<GridColumn> deliveryLineColumns() {
  QStringList fields{"gsNo", "productNo", "pName",  "pPre",   "pSize",  "pMat",     "pSta", "pUnit",
                     "qty",  "uprice",    "amount", "caseNo", "remark", "SDItemNo", "des"};
  for (int i = 1; i <= 6; ++i) fields << QString("def%1").arg(i);
  fields << "keyNo";
  std::vector<GridColumn> cols = gridColumns(fields);
  for (GridColumn& c : cols) {
    if (c.field == "gsNo") {
      c.button = CellButton::Ellipsis;
      c.footer = FooterKind::Text;
      c.footerText = "合计";
    }
    if (c.field == "qty") c.footer = FooterKind::Sum;
    if (c.field == "uprice") c.displayFormat = "#,##0.00";
    if (c.field == "amount") {
      c.displayFormat = "#,##0.00";
      c.footer = FooterKind::Sum;
      c.readOnly = true;
    }
    if (c.field == "SDItemNo" || c.field == "keyNo") c.readOnly = true;  // given at save
  }
  return cols;
}

// What an order line brings into a delivery line; nothing found empties them all.
std::vector<FieldCopy> orderLineCopies() {
  std::vector<FieldCopy> copies{{"productNo", "productNo"}};
  for (const FieldCopy& f : productDescriptionCopies()) copies.push_back(f);
  for (FieldCopy& f : copies) f.whenMissing = QString("");
  return copies;
}

// The customer's purchase-order number of the first line is noted once in the header remark,
// cut to what the remark holds rather than refused at save.
void notePurchaseNumber(DocumentEditor& e, Field& gsNo) {
  Dataset& m = e.mCDS();
  if (!m.active() || m.isEmpty()) return;
  Field& remark = m.fieldByName("remarkM");
  if (remark.asString().contains(kPurchaseNote)) return;
  Dataset& pub = e.dataModule().pubCDS;
  pub.setCommandText("select purNo from view_qry_bus_so where gsNo = :p1");
  pub.params().byName("p1").value = gsNo.value();
  pub.open();
  const QString purNo = pub.isEmpty() ? QString() : pub.fieldByName("purNo").asString();
  pub.close();
  QString text = remark.asString() + " " + kPurchaseNote + ":" + purNo;
  if (remark.size() > 0) text.truncate(remark.size());
  if (m.state() == Dataset::State::Browse) m.edit();
  remark.setValue(text);
}

// Every line must deliver an item some order line carries.
bool itemNumbersKnown(DocumentEditor& e) {
  Dataset& lines = e.dCDS();
  Dataset& pub = e.dataModule().pubCDS;
  for (int r = 0; r < lines.recordCount(); ++r) {
    const QString gsNo = lines.valueAt(r, "gsNo").toString().trimmed();
    pub.setCommandText("select count(*) as n from bus_so_det where gsNo = :p1");
    pub.params().byName("p1").value = gsNo;
    pub.open();
    const bool known = pub.fieldByName("n").asInteger() > 0;
    pub.close();
    if (!known) {
      lines.moveTo(r);
      prompter().message(QString(kUnknownGsNo).arg(gsNo), Prompter::Icon::Warning);
      return false;
    }
  }
  return true;
}

}  // namespace

DocumentConfig salesDeliveryConfig() {
  DocumentConfig c;
  c.caption = "销售发货单";
  c.masterTable = "bus_SD";
  c.detailView = "view_up_bus_sd";
  c.detailOrder = "SDitemNo";
  c.emptyMarker = "love";
  c.layoutKey = "bus_SD_det";
  c.numbering = "bus_SD";
  c.itemField = "SDItemNo";
  c.saveMaster = {"bus_sd", "keyNo", ""};
  c.saveDetail = {"bus_sd_det", "keyNo", "sdItemNo"};
  c.find = {"销售发货单查询", "qry_bus_sd"};
  c.findMenu = findByItemMenu("bus_sd_det");
  c.printCategory = "bus_sd";
  c.masterReportName = "销售发货单主表";
  c.detailReportName = "销售发货单明细表";
  c.dateField = "dDate";
  c.newRecord = {todayDefault("dDate"), nowDefault("docDate"), userDefault("userName")};
  c.header = {
      customerField(),
      {.field = "whNo",
       .caption = "仓库名称",
       .editor = HeaderEditor::List,
       .list = &DataModule::whCDS,
       .listKey = "whNo",
       .listName = "whName"},
      {.field = "dDate", .caption = "发货日期", .editor = HeaderEditor::Date},
      {.field = "remarkM", .caption = "备注", .row = 1},
  };
  c.headerCheck = {{"custNo", "whNo"}, kNoCustomerOrWarehouse};
  c.lineNumberField = "gsNo";
  c.lineMessage = kDeliveryLineIncomplete;
  c.priceField = "uprice";
  c.columns = deliveryLineColumns();
  std::vector<FieldCopy> picked{{"gsNo", "gsNo"}, {"productNo", "productNo"}, {"qty", "qty"}};
  for (const FieldCopy& f : productDescriptionCopies()) picked.push_back(f);
  c.pickers = {{"gsNo", "销售订单查询", "qry_bus_so", picked, PickAppend::Always}};
  c.completions = {{"gsNo",
                    "select productNo,des,productName,productSize,productPre,productMat,"
                    "productSta,productUnit,def1,def2,def3,def4,def5,def6   from "
                    "view_qry_bus_so where gsNo = :p1",
                    orderLineCopies()}};
  c.lineRules = {{.fields = {"gsNo"}, .applyInDocument = notePurchaseNumber}};
  c.validate = itemNumbersKnown;
  return c;
}

Tbus_SDForm::Tbus_SDForm(QWidget* parent) : DocumentEditor(salesDeliveryConfig(), parent) {}

}  // namespace qk::client
