#include "client/masterdata/master_lists.h"

#include <QToolBar>

#include "client/data/data_module.h"
#include "client/data/dataset.h"
#include "client/data/prompter.h"
#include "client/data/values.h"
#include "client/masterdata/drawing_form.h"
#include "client/masterdata/gtype_form.h"
#include "client/masterdata/products_form.h"
#include "client/masterdata/quote_form.h"
#include "client/masterdata/staff_pin_dialog.h"
#include "client/masterdata/sup_list_form.h"
#include "client/widgets/desktop.h"
#include "client/widgets/screen_registry.h"
#include "client/widgets/tool_action.h"

namespace qk::client {

namespace {

// Departments and warehouses are two views of bas_dep: after one is saved, the other is read
// again unless the user has unsaved work in it.
void rereadIfClean(Dataset& ds) {
  if (ds.active() && ds.state() == Dataset::State::Browse && ds.changeCount() == 0) ds.open();
}

protocol::NamedValues asDepartment(const protocol::NamedValues& warehouse) {
  static const std::pair<const char*, const char*> kNames[] = {
      {"whNo", "depNo"}, {"whName", "depName"}, {"remark", "remark"}};
  protocol::NamedValues out;
  for (const auto& [from, to] : kNames)
    if (auto it = warehouse.find(from); it != warehouse.end()) out[to] = it->second;
  return out;
}

// The shown row of a warehouse change, by its number as typed (-1 for a removed warehouse).
int warehouseRow(Dataset& wh, const protocol::Change& change) {
  if (change.op == protocol::ChangeOp::Delete) return -1;
  // An update carries the number among its new values only when it changed.
  const protocol::NamedValues& values =
      change.newValues.count("whNo") ? change.newValues : change.oldValues;
  const auto number = values.find("whNo");
  if (number == values.end()) return -1;
  const QString whNo = toVariant(number->second, protocol::FieldType::String).toString();
  for (int r = 0; r < wh.recordCount(); ++r)
    if (wh.valueAt(r, "whNo").toString() == whNo) return r;
  return -1;
}

// whDSP renames the columns of bas_dep, so the server cannot apply to it: the change log is
// written to the departments it came from. Removing a warehouse only takes away the warehouse
// flag, so a department that is also a plant or outsourcing unit, and its history, survive.
void applyWarehouses(Dataset& wh) {
  wh.checkBrowseMode();
  const protocol::Delta delta = wh.delta();
  if (delta.empty()) return;
  protocol::Delta dep;
  for (const protocol::Change& c : delta.rows) {
    protocol::Change d;
    d.op = c.op;
    d.oldValues = asDepartment(c.oldValues);
    d.newValues = asDepartment(c.newValues);
    if (c.op == protocol::ChangeOp::Insert) d.newValues["isWh"] = true;
    if (c.op == protocol::ChangeOp::Delete) {
      d.op = protocol::ChangeOp::Update;
      d.newValues = {{"isWh", false}};
    }
    dep.rows.push_back(std::move(d));
  }
  const protocol::ApplyReply reply =
      wh.connection().apply("depDSP", "select * from bas_dep", dep, 0);
  // Refusals are reported as the dataset's own are, with the warehouse they concern.
  for (const protocol::RowError& e : reply.errors) {
    RowError error;
    error.message = QString::fromStdString(e.message);
    if (e.row >= 0 && e.row < static_cast<int>(delta.rows.size())) {
      error.change = delta.rows[static_cast<std::size_t>(e.row)];
      error.row = warehouseRow(wh, error.change);
    }
    if (wh.onReconcileError)
      wh.onReconcileError(error);
    else
      prompter().message(error.message, Prompter::Icon::Warning);
  }
  // Nothing is written when a row is refused: the whole log stays pending and goes again.
  if (!reply.committed || !reply.errors.empty()) return;
  wh.mergeChangeLog();
  rereadIfClean(dm().depCDS);
}

}  // namespace

ListConfig customerList() {
  return {
      .caption = "客户资料",
      .dataset = &dm().custCDS,
      .layoutKey = "bas_cust",
      .printCategory = "bas_cust",
      .numberField = "custNo",
      .nameField = "custName",
      .columns = gridColumns({"custNo", "custName", "contact", "address", "tel", "fax", "credit",
                              "crew", "scale", "email", "http"}),
      .picker = true,
  };
}

ListConfig supplierList() {
  return {
      .caption = "供应商资料",
      .dataset = &dm().supCDS,
      .layoutKey = "bas_sup",
      .printCategory = "bas_sup",
      .numberField = "supNo",
      .nameField = "supName",
      .columns = gridColumns({"supNo", "supName", "address", "tel", "fax", "credit", "crew",
                              "scale", "email", "http"}),
  };
}

ListConfig departmentList() {
  return {
      .caption = "部门设置",
      .dataset = &dm().depCDS,
      .layoutKey = "bas_dep",
      .printCategory = "bas_dep",
      .numberField = "depNo",
      .nameField = "depName",
      .columns = gridColumns({"depNo", "depName", "isOw", "isWh", "isPlant", "isVirt", "remark"}),
      .apply =
          [](Dataset& ds) {
            ds.applyUpdates(0);
            if (ds.changeCount() == 0) rereadIfClean(dm().whCDS);
          },
  };
}

ListConfig staffList() {
  std::vector<GridColumn> cols = gridColumns(
      {"staffNo", "staffName", "depNo", "sex", "birth", "resume", "education", "remark"});
  // The department is chosen by name; the row stores its number.
  GridColumn& dep = cols[2];
  dep.lookupSource = &dm().depCDS;
  dep.lookupKey = "depNo";
  dep.lookupDisplay = "depName";
  return {
      .caption = "职员设置",
      .dataset = &dm().staffCDS,
      .layoutKey = "bas_staff",
      .printCategory = "bas_staff",
      .numberField = "staffNo",
      .nameField = "staffName",
      .nameMessage = kPersonNameEmpty,
      .columns = std::move(cols),
      .prepare =
          [](Dataset& ds) {
            Dataset& deps = dm().depCDS;
            if (!ds.findField("depName"))
              ds.addLookupField("depName", "depNo", deps, "depNo", "depName");
            if (!deps.active()) deps.open();
          },
  };
}

Tbas_StaffForm::Tbas_StaffForm(QWidget* parent) : TlistForm(staffList(), parent) {
  if (auto* bar = findChild<QToolBar*>())
    addToolActions(*bar,
                   {{"设置PIN", 0, "edit", "设置该职员在车间报工页面登录用的 PIN",
                     [this] { setPinActionExecute(); }, &setPinAction}},
                   closeAction);
}

void Tbas_StaffForm::setPinActionExecute() {
  Dataset& ds = dataset();
  // The PIN belongs to a staff number the server knows: unsaved rows are saved first.
  if (!ds.active() || ds.isEmpty() || ds.state() != Dataset::State::Browse ||
      ds.changeCount() > 0) {
    prompter().message("请先保存职员资料，再设置 PIN", Prompter::Icon::Information);
    return;
  }
  setStaffPin(this, ds.fieldByName("staffNo").asString(), ds.fieldByName("staffName").asString());
}

ListConfig deviceList() {
  return {
      .caption = "设备资料",
      .dataset = &dm().deviceCDS,
      .layoutKey = "bas_device",
      .printCategory = "bas_device",
      .numberField = "devNo",
      .nameField = "devName",
      .columns = gridColumns({"devNo", "devName", "devSize", "remark"}),
  };
}

ListConfig processList() {
  return {
      .caption = "工序设置",
      .dataset = &dm().processCDS,
      .layoutKey = "bas_process",
      .printCategory = "bas_process",
      .numberField = "procNo",
      .nameField = "procName",
      .columns = gridColumns({"procNo", "procName", "remark"}),
  };
}

ListConfig documentTypeList() {
  std::vector<GridColumn> cols = gridColumns({"docNo", "docType", "docId", "remark"});
  cols[2].pickList = QStringList{"入库单", "出库单", "工艺卡片"};
  // A deleted type goes to the server at once: held back, it would still be offered by every
  // document screen, and lost altogether if nothing else were saved before the program ends.
  return {
      .caption = "单据类型",
      .dataset = &dm().docCDS,
      .layoutKey = "bas_doc",
      .columns = std::move(cols),
  };
}

ListConfig warehouseList() {
  // The warehouse list has no layout of its own: its titles are fixed.
  std::vector<GridColumn> cols = gridColumns({"whNo", "whName", "remark"});
  cols[0].title = "仓库编号";
  cols[1].title = "仓库名称";
  cols[2].title = "备注";
  // Saved warehouses are departments: they need a number and a name as departments do.
  return {
      .caption = "仓库设置",
      .dataset = &dm().whCDS,
      .numberField = "whNo",
      .nameField = "whName",
      .columns = std::move(cols),
      .apply = applyWarehouses,
  };
}

std::optional<QString> pickCustomer(QWidget* parent) {
  Tbas_custForm form(parent);
  form.setPickerMode(true);
  if (desktop().exec(form) != QDialog::Accepted) return std::nullopt;
  Dataset& ds = dm().custCDS;
  if (ds.isEmpty()) return std::nullopt;
  return ds.fieldByName("custNo").asString();
}

void registerMasterDataScreens() {
  registerForm<Tbas_custForm>("custAction");
  registerForm<Tbas_supForm>("supAction");
  registerForm<Tbas_DepForm>("depAction");
  registerForm<Tbas_StaffForm>("staffAction");
  registerForm<Tbas_DeviceForm>("deviceAction");
  registerForm<Tbas_processForm>("processAction");
  registerForm<Tbas_docForm>("docTypeAction");
  registerForm<Tbas_whForm>("whAction");
  registerForm<Tbas_productsForm>("productAction");
  registerForm<Tbas_gTypeForm>("pIdAction");
  registerProductScreen("quoteAction", &Tbas_quoteForm::open);
  registerProductScreen("supAction", &Tsup_listForm::open);
  registerDrawingScreens();
}

}  // namespace qk::client
