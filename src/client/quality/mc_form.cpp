#include "client/quality/mc_form.h"

#include <QAction>
#include <QToolBar>
#include <functional>
#include <utility>

#include "client/data/data_module.h"
#include "client/data/dataset.h"
#include "client/data/prompter.h"
#include "client/documents/gs_no_form.h"
#include "client/report/sys_report_form.h"
#include "client/widgets/desktop.h"
#include "client/widgets/error_handler.h"
#include "client/widgets/file_export.h"
#include "client/widgets/tool_action.h"

namespace qk::client {

namespace {

// The certificate lines, their certificate, the inspection of the same purchase line with its
// values, and the customer: what the certificate report prints from.
constexpr const char* kInspectionOfBatch =
    "select c.heatNo, d.* from check_m c left join check_d d on c.keyNo = d.keyNo "
    "where c.posch = :p order by c.keyNo, d.rowNo";

std::vector<GridColumn> certificateLineColumns() {
  std::vector<GridColumn> cols = gridColumns(
      {"sch", "cName", "cSize", "cMat", "cSta", "Qty", "posch", "batchNo", "keyNo", "rowNo"});
  for (GridColumn& c : cols) {
    if (c.field == "sch" || c.field == "posch") c.button = CellButton::Ellipsis;
    if (c.field == "sch") {
      c.footer = FooterKind::Text;
      c.footerText = "合计";
    }
    if (c.field == "Qty") c.footer = FooterKind::Sum;
    if (c.field == "keyNo" || c.field == "rowNo") c.readOnly = true;  // given at save
  }
  return cols;
}

// What a sales-order item brings into a line; an unknown item empties them.
LineCompletion itemCompletion() {
  return {"sch",
          "select productName as cName, coalesce(productPre, '') || ' ' || "
          "coalesce(productSize, '') as cSize, productMat as cMat, productSta as cSta, qty "
          "from view_qry_bus_so where gsNo = :p1",
          {{"cName", "cName", false, QString("")},
           {"cSize", "cSize", false, QString("")},
           {"cMat", "cMat", false, QString("")},
           {"cSta", "cSta", false, QString("")},
           {"Qty", "qty", true, 0}}};
}

void runCertificateProcedure(Dataset& pub, const char* procedure, const QString& keyNo) {
  pub.setCommandText(QString("exec %1 :p1").arg(procedure));
  pub.params().byName("p1").value = keyNo;
  pub.execute();
}

}  // namespace

DocumentConfig certificateConfig() {
  DocumentConfig c;
  c.caption = "质量证明书";
  c.masterTable = "check_mat_m";
  c.detailView = "check_mat_d";
  c.detailOrder = "sch";
  c.itemField = "rowNo";
  c.emptyMarker = "love";
  c.layoutKey = "check_mat_d";
  c.numbering = "check_mat_m";
  c.saveMaster = {"check_mat_m", "keyNo", ""};
  c.saveDetail = {"check_mat_d", "keyNo", "rowNo"};
  c.printCategory = "check_mat";
  c.printMenu = {{"自定义样式", [](DocumentEditor& e) { static_cast<TMCForm&>(e).customPrint(); }}};
  c.userField = "editName";
  c.entryDateField = "editDate";
  c.newRecord = {userDefault("editName"), nowDefault("editDate")};
  c.audited = {"对不起，本单据已审核，不能修改.", Prompter::Icon::Information, true};
  c.header = {
      {.field = "custNo",
       .caption = "客户",
       .editor = HeaderEditor::List,
       .list = &DataModule::custCDS,
       .listKey = "custNo",
       .listName = "custName"},
      {.field = "custId", .caption = "客户单号"},
      {.field = "remark", .caption = "备注", .row = 1},
  };
  c.headerCheck = {{"custNo"}, kCertificateNoCustomer};
  c.lineQtyField = "Qty";
  c.lineNumberField = "sch";
  c.lineMessage = kCertificateLineNoItem;
  c.priceField = "";
  c.amountField = "";
  c.columns = certificateLineColumns();
  // Only the item number travels; its completion fills the rest of the line as when typed.
  c.pickers = {{.field = "sch",
                .caption = "销售订单查询",
                .queryId = "qry_bus_so",
                .copies = {{"sch", "gsNo"}},
                .append = PickAppend::Always,
                .setFilling = false},
               {.field = "posch",
                .caption = "采购订单查询",
                .queryId = "qry_bus_po",
                .copies = {{"posch", "psNo"}},
                .append = PickAppend::Never}};
  c.completions = {itemCompletion()};
  return c;
}

TMCForm::TMCForm(QWidget* parent) : DocumentEditor(certificateConfig(), parent) {
  // A certificate is found by item number and printed only padded: the two buttons do that.
  for (auto [action, run] :
       {std::pair<QAction*, std::function<void()>>{findAction, [this] { findBySch(); }},
        {printAction, [this] { customPrint(); }}}) {
    QObject::disconnect(action, &QAction::triggered, this, nullptr);
    connect(action, &QAction::triggered, this, guardedSlot(run));
  }
  addToolActions(*toolBar(),
                 {{"导出", 0, "export", "把选中的明细导出到证明书表格",
                   [this] { exportActionExecute(); }, &exportAction}},
                 closeAction);
}

void TMCForm::findBySch() {
  TgsNoForm dlg(this);
  if (desktop().exec(dlg) != QDialog::Accepted) return;
  Dataset& pub = dataModule().pubCDS;
  pub.setCommandText(" select keyNo from check_mat_d where sch = :p1");
  pub.params().byName("p1").value = dlg.gsNo();
  pub.open();
  const QString keyNo = pub.isEmpty() ? QString() : pub.fieldByName("keyNo").asString().trimmed();
  pub.close();
  if (keyNo.isEmpty()) {
    prompter().message(kCertificateNotFound);
    return;
  }
  loadDoc(keyNo);
}

void TMCForm::customPrint() {
  // Only saved lines are padded and printed: the fillers are written next to them.
  if (state() != State::Browse || !hasDocument()) return;
  const QString keyNo = shownKeyNo();
  Dataset& pub = dataModule().pubCDS;
  runCertificateProcedure(pub, "sp_mc_pad", keyNo);
  try {
    Tsys_reportForm dlg(this);
    dlg.category = config().printCategory;
    dlg.treeMode = false;
    for (Dataset* ds : {&dlg.mtcMCDS(), &dlg.mtcDCDS()}) {
      ds->setCommandText(ds->commandText() + "  where a.keyNo = :k order by a.rowNo");
      ds->params().byName("k").value = keyNo;
      ds->open();
    }
    dlg.loadReports();
    desktop().exec(dlg);
  } catch (...) {
    // The fillers go whatever stopped the print; the first failure is the one reported.
    try {
      runCertificateProcedure(pub, "sp_mc_clean", keyNo);
    } catch (...) {  // NOLINT: the print's own failure is what the user must read
    }
    throw;
  }
  runCertificateProcedure(pub, "sp_mc_clean", keyNo);
}

CertificateSheet TMCForm::certificateSheet(const QList<int>& rows) {
  CertificateSheet sheet;
  Dataset& m = mCDS();
  sheet.keyNo = m.fieldByName("keyNo").asString().trimmed();
  sheet.custId = m.fieldByName("custId").asString().trimmed();
  sheet.date = m.fieldByName("editDate").asDateTime().date().toString("yyyy-MM-dd");
  Dataset& pub = dataModule().pubCDS;
  pub.setCommandText("select custName from bas_cust where custNo = :p1");
  pub.params().byName("p1").value = m.fieldByName("custNo").value();
  pub.open();
  if (!pub.isEmpty()) sheet.custName = pub.fieldByName("custName").asString().trimmed();
  pub.close();
  Dataset& lines = dCDS();
  for (int r : rows) {
    CertificateLine l;
    auto text = [&](const char* f) { return lines.valueAt(r, f).toString().trimmed(); };
    l.sch = text("sch");
    l.cName = text("cName");
    l.cSize = text("cSize");
    l.cMat = text("cMat");
    l.cSta = text("cSta");
    l.batchNo = text("batchNo");
    l.qty = lines.valueAt(r, "Qty").toDouble();
    pub.setCommandText(kInspectionOfBatch);
    pub.params().byName("p").value = text("posch");
    pub.open();
    if (!text("posch").isEmpty() && !pub.isEmpty()) {
      l.heatNo = pub.fieldByName("heatNo").asString().trimmed();
      for (int i = 1; i <= 30; ++i)
        if (const Field* f = pub.findField(QString("item%1").arg(i)))
          l.items << f->asString().trimmed();
    }
    pub.close();
    sheet.lines.push_back(std::move(l));
  }
  return sheet;
}

void TMCForm::exportActionExecute() {
  if (!hasDocument()) return;
  dataGrid()->commitEdit();
  dCDS().checkBrowseMode();
  QList<int> rows = dataGrid()->selectedRows();
  if (rows.isEmpty() && !dCDS().isEmpty()) rows << dCDS().currentRow();
  if (rows.isEmpty()) return;
  // More lines would run into the template's test-value table below them.
  if (rows.size() > kWorkbookLines) {
    prompter().message(QString(kCertificateTooManyLines).arg(kWorkbookLines),
                       Prompter::Icon::Warning);
    return;
  }
  const CertificateSheet sheet = certificateSheet(rows);
  const QString name = sheet.keyNo.isEmpty() ? QString("质量证明书") : sheet.keyNo;
  exportToFile(this, name, xlsxFormat(), [&sheet](QString& file, QString* error) {
    return writeCertificateWorkbook(sheet, certificateTemplate(), file, error);
  });
}

}  // namespace qk::client
