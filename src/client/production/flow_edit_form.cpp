#include "client/production/flow_edit_form.h"

#include <QDate>

#include "client/data/data_module.h"
#include "client/data/dataset.h"

namespace qk::client {

namespace {

FlowRecordConfig processRecords() {
  DataModule& m = dm();
  if (!m.staffCDS.active()) m.staffCDS.open();
  if (!m.devLookupCDS.active()) m.devLookupCDS.open();
  using K = RecordEditorKind;
  return {
      .caption = "加工检验数据编辑 ",
      .table = "bus_flow",
      .rows =
          {
              {"taskNo", "任务号", K::ReadOnly},
              {"des", "产品描述", K::ReadOnly},
              {"procName", "工序名称", K::ReadOnly},
              {"depName", "部门名称 ", K::ReadOnly},
              {"dev", "加工设备", K::Lookup, &m.devLookupCDS, "dev", "devNo", "devNo"},
              {"staffName", "操作者", K::Lookup, &m.staffCDS, "staffName", "staffNo", "staffNo"},
              {"gqty", "合格数"},
              {"gfqty", "因工报废数"},
              {"lfqty", "因料报废数"},
              {"fxqty", "返工数"},
              {"inspName", "检验员"},
              {"inspDate", "检验日期", K::Date},
          },
      .addLookups =
          [&m](Dataset& ds) {
            ds.addLookupField("staffName", "staffNo", m.staffCDS, "staffNo", "staffName");
            ds.addLookupField("dev", "devNo", m.devLookupCDS, "devNo", "dev");
          },
      .newRecord =
          [](Dataset& ds, const FlowRowInfo& row) {
            ds.fieldByName("taskNo").setValue(row.taskNo);
            ds.fieldByName("inspDate").setValue(QDate::currentDate().startOfDay());
            ds.fieldByName("inspName").setValue(dm().userName);
          },
  };
}

}  // namespace

Tbus_flowEditForm::Tbus_flowEditForm(FlowRowInfo row, QWidget* parent)
    : FlowRecordDialog(processRecords(), std::move(row), parent) {}

}  // namespace qk::client
