#include "client/help/help_topics.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace qk::client {

namespace {
// Where the Debian package puts the pages: /usr/bin is no place for a folder of documents.
constexpr const char* kInstalledHelpDir = "/usr/share/qk-client/help";
}  // namespace

const std::vector<HelpTopic>& helpTopics() {
  static const std::vector<HelpTopic> topics{
      {"系统简介", "系统说明", "index.mht"},
      {"数据录入说明", "系统说明", "data.mht"},
      {"数据查询说明",
       "系统说明",
       "query.mht",
       {"bus_SO_qryAction", "bus_PO_qryAction", "bus_PI_qryAction", "bus_SD_qryAction",
        "bus_task_qryAction", "wh_In_qryAction", "wh_out_qryAction", "wh_viewAction",
        "bus_SO_unfAction", "sys_qryAction", "stock_inventoryAction", "bus_wageAction",
        "bus_feeAction"}},
      {"工厂看板", "系统说明", "dashboard.mht", {"dashboardAction"}},
      {"部门资料", "基础资料", "dep.mht", {"depAction", "whAction"}},
      {"职员资料", "基础资料", "staff.mht", {"staffAction"}},
      {"客户资料", "基础资料", "cust.mht", {"custAction"}},
      {"供应商资料", "基础资料", "sup.mht", {"supAction"}},
      {"物料类别", "基础资料", "gType.mht", {"pIdAction"}},
      {"物料设置", "基础资料", "goods.mht", {"productAction"}},
      {"图纸类别", "基础资料", "dId.mht", {"drawingIdAction"}},
      {"图纸设置", "基础资料", "drawing.mht", {"drawingAction"}},
      {"设备资料", "基础资料", "device.mht", {"deviceAction"}},
      {"工序资料", "基础资料", "proc.mht", {"processAction"}},
      {"单据类型", "基础资料", "docType.mht", {"docTypeAction"}},
      {"物料清单", "基础资料", "bom.mht", {"bomAction"}},
      {"期初库存", "基础资料", "whInit.mht", {"wh_stockAction"}},
      {"采购订单", "业务单据", "po.mht", {"bus_POAction"}},
      {"采购入库单", "业务单据", "pi.mht", {"bus_PIAction"}},
      {"进货检验单", "业务单据", "pc.mht", {"check_POAction"}},
      {"质量证明书", "业务单据", "mc.mht", {"check_mcAction"}},
      {"销售订单", "业务单据", "so.mht", {"bus_SOAction"}},
      {"销售发货单", "业务单据", "sd.mht", {"bus_SDAction"}},
      {"原材料出库单", "业务单据", "mt.mht", {"wh_mat_outAction"}},
      {"入库单", "业务单据", "in.mht", {"wh_InAction"}},
      {"出库单", "业务单据", "out.mht", {"wh_outAction"}},
      {"生产任务单", "业务单据", "task.mht", {"bus_taskAction"}},
      {"工艺流转卡", "业务单据", "card.mht", {"bus_flowAction", "bus_checkAction"}},
      {"报表设计", "系统说明", "report.mht", {"sys_reportAction"}},
  };
  return topics;
}

QString helpFileForAction(const QString& actionName) {
  for (const HelpTopic& topic : helpTopics())
    if (topic.actions.contains(actionName)) return topic.file;
  return kHelpIndexFile;
}

QString helpDir() {
  const QString beside = QDir(QCoreApplication::applicationDirPath()).filePath("help");
  if (QFileInfo(beside).isDir() || !QFileInfo(kInstalledHelpDir).isDir()) return beside;
  return kInstalledHelpDir;
}

}  // namespace qk::client
