#include "client/dashboard/dashboard_figures.h"

#include "client/data/connection.h"
#include "client/data/data_error.h"

namespace qk::client {

namespace {

double number(const protocol::Value& v) {
  if (const auto* d = std::get_if<double>(&v)) return *d;
  if (const auto* n = std::get_if<std::int64_t>(&v)) return static_cast<double>(*n);
  return 0;
}

QString text(const protocol::Value& v) {
  return QString::fromStdString(protocol::toDisplayText(v));
}

}  // namespace

const DashboardTileFigures& DashboardFigures::tile(const QString& name) const {
  static const DashboardTileFigures none;
  const auto it = tiles.find(name);
  return it == tiles.end() ? none : it->second;
}

DashboardFigures dashboardFigures(const protocol::RecordSet& rs) {
  DashboardFigures out;
  if (rs.fields.size() < 7) {
    out.error = "工厂看板的数据格式不正确";
    return out;
  }
  for (const protocol::Row& r : rs.rows) {
    DashboardRow row{text(r[2]), text(r[3]), number(r[4]), number(r[5]), number(r[6])};
    DashboardTileFigures& tile = out.tiles[text(r[0])];
    if (text(r[1]) == "total")
      tile.total = row;
    else
      tile.rows.push_back(row);
  }
  return out;
}

DashboardFigures loadDashboard(Connection& connection, const QDate& day) {
  try {
    protocol::Params params;
    params["day"] = day.isValid() ? day.toString("yyyy-MM-dd").toStdString() : std::string();
    return dashboardFigures(connection.openQuery("pubDSP", "exec sp_dashboard :day", params));
  } catch (const DataError& e) {
    DashboardFigures failed;
    failed.error = e.text();
    return failed;
  } catch (const std::exception& e) {
    DashboardFigures failed;
    failed.error = QString::fromStdString(e.what());
    return failed;
  }
}

}  // namespace qk::client
