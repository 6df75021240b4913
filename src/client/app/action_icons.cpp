#include "client/app/action_icons.h"

#include <QColor>
#include <iterator>

#include "client/app/actions.h"
#include "client/widgets/icons.h"

namespace qk::client {

namespace {

struct ActionIcon {
  const char* action;
  const char* icon;
};

constexpr ActionIcon kActionIcons[] = {
    // 基础数据
    {"depAction", "building"},
    {"staffAction", "users"},
    {"pIdAction", "category"},
    {"productAction", "package"},
    {"drawingIdAction", "folders"},
    {"drawingAction", "ruler-measure"},
    {"bomAction", "hierarchy-3"},
    {"deviceAction", "engine"},
    {"processAction", "tool"},
    {"custAction", "address-book"},
    {"supAction", "truck"},
    {"docTypeAction", "files"},
    {"wh_stockAction", "building-warehouse"},
    {"whAction", "building-warehouse"},
    {"cutterAction", "scissors"},
    {"exitAction", "logout"},
    {"reportAction", "template"},
    // 业务数据
    {"bus_SOAction", "shopping-cart"},
    {"bus_SDAction", "truck-delivery"},
    {"bus_POAction", "basket"},
    {"bus_PIAction", "package-import"},
    {"check_POAction", "zoom-check"},
    {"check_mcAction", "certificate"},
    {"wh_mat_outAction", "package-export"},
    {"wh_InAction", "transfer-in"},
    {"wh_outAction", "transfer-out"},
    {"bus_taskAction", "clipboard-list"},
    {"bus_flowAction", "route"},
    {"bus_checkAction", "clipboard-check"},
    // 查询统计
    {"bus_SO_qryAction", "shopping-cart-search"},
    {"bus_PO_qryAction", "basket-search"},
    {"bus_PI_qryAction", "file-import"},
    {"bus_SD_qryAction", "file-export"},
    {"wh_In_qryAction", "database-import"},
    {"wh_out_qryAction", "database-export"},
    {"sys_qryAction", "database-search"},
    {"bus_SO_unfAction", "clock-exclamation"},
    {"wh_viewAction", "packages"},
    {"bus_task_qryAction", "clipboard-search"},
    {"stock_inventoryAction", "report-analytics"},
    {"bus_wageAction", "wallet"},
    {"bus_feeAction", "report-money"},
    {"dashboardAction", "layout-dashboard"},
    // 系统设置
    {"sys_userAction", "user-cog"},
    {"sys_rightsAction", "shield-lock"},
    {"sys_pwdAction", "key"},
    {"sys_logAction", "history"},
    {"sys_reportAction", "template"},
    {"sys_colAction", "table-options"},
    {"sys_qry_setAction", "database-cog"},
    {"sys_configAction", "settings"},
    // 帮助 and the application menu
    {"aboutAction", "info-circle"},
    {"helpAction", "help-circle"},
    {"exit1Action", "logout"},
};

// Group inks in ribbon order; neighbouring groups never share one.
constexpr QRgb kGroupInks[] = {0x1565c0, 0x00897b, 0x6a1b9a, 0xe65100, 0x2e7d32};
constexpr QRgb kOffRibbonInk = 0x455a64;

QColor groupInk(const QString& actionName) {
  for (const RibbonTab& tab : ribbonLayout())
    for (size_t g = 0; g < tab.groups.size(); ++g)
      for (const char* name : tab.groups[g])
        if (actionName == name) return QColor(kGroupInks[g % std::size(kGroupInks)]);
  return QColor(kOffRibbonInk);
}

}  // namespace

QIcon actionIcon(const QString& actionName) {
  for (const ActionIcon& a : kActionIcons)
    if (actionName == a.action) return themeIcon(a.icon, groupInk(actionName));
  return {};
}

}  // namespace qk::client
