#include "client/quality/check_form.h"

#include <memory>

#include "client/data/dataset.h"
#include "client/quality/mc_form.h"
#include "client/query/sys_qry_form.h"
#include "client/widgets/screen_registry.h"

namespace qk::client {

namespace {

std::vector<GridColumn> inspectionLineColumns() {
  QStringList fields{"rowNo"};
  for (int i = 1; i <= 30; ++i) fields << QString("item%1").arg(i);
  fields << "keyNo";
  std::vector<GridColumn> cols = gridColumns(fields);
  cols.front().readOnly = true;  // given at save
  return cols;
}

}  // namespace

DocumentConfig inspectionConfig() {
  DocumentConfig c;
  c.caption = "进货检验单";
  c.masterTable = "check_m";
  c.masterView = "view_qry_check";
  c.detailView = "check_d";
  c.detailOrder = "rowNo";
  c.itemField = "rowNo";
  c.emptyMarker = "love";
  c.layoutKey = "check_d";
  c.numbering = "check_m";
  c.saveMaster = {"check_m", "keyNo", ""};
  c.saveDetail = {"check_d", "keyNo", "rowNo"};
  c.deleteMasterFirst = true;
  c.find = {"进货检验单查询", "qry_check"};
  c.printCategory = "check";
  c.masterReportName = "进货检验单主表";
  c.detailReportName = "进货检验单明细表";
  c.userField = "editName";
  c.entryDateField = "editDate";
  c.newRecord = {{"docNo", [](const DocumentEditor&) { return QVariant(QString("")); }},
                 userDefault("editName"),
                 nowDefault("editDate")};
  c.audited = {kInspectionAudited, Prompter::Icon::Information, true};
  c.header = {
      {.field = "posch",
       .caption = "采购批号",
       .button = [](DocumentEditor& e) { static_cast<TcheckForm&>(e).pickPurchaseLine(); }},
      {.field = "checkId",
       .caption = "检验方式",
       .editor = HeaderEditor::PickList,
       .valuesSql = "select checkIdName as v from bas_checkId"},
      {.field = "heatNo", .caption = "炉号"},
      {.field = "qty", .caption = "送检数", .row = 1},
      {.field = "gqty", .caption = "合格数", .row = 1},
      {.field = "lfqty", .caption = "报废数", .row = 1},
      {.field = "dyqty", .caption = "代用数", .row = 2},
      {.field = "des", .caption = "物料描述", .row = 2},
      {.field = "memo", .caption = "备注", .row = 3},
  };
  // A lot rejected whole passes none: a passed quantity of 0 is recorded, only none is refused.
  c.headerCheck = {{"posch", "checkId", "gqty"}, kInspectionIncomplete, {"qty"}};
  // The measured values are free text: no quantity or number to check per line.
  c.lineQtyField = "";
  c.lineNumberField = "";
  c.priceField = "";
  c.amountField = "";
  c.columns = inspectionLineColumns();
  return c;
}

TcheckForm::TcheckForm(QWidget* parent) : DocumentEditor(inspectionConfig(), parent) {}

void TcheckForm::pickPurchaseLine() {
  if (state() == State::Browse || !hasDocument()) return;
  const std::vector<QVariantMap> rows = Tsys_qryForm::pick(this, "采购订单查询", "qry_bus_po");
  if (rows.empty()) return;
  mCDS().edit();
  copyInto(mCDS(), rows.front(), {{"posch", "psNo"}, {"des", "des"}, {"qty", "qty"}});
  mCDS().post();
}

void registerQualityScreens() {
  registerDocument<TcheckForm>("check_POAction");
  registerDocument<TMCForm>("check_mcAction");
}

}  // namespace qk::client
