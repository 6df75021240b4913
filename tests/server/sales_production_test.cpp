// Sales orders, production tasks and bills of materials as the database serves them: the lines'
// views with their computed figures, the per-session tree of sp_getBomTree read through bomDSP,
// the rules of the bom table and who may insert BOM lines.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "server/core/account_store.h"
#include "support/test_server.h"

namespace qk::test {
namespace {

using protocol::RecordSet;
using protocol::Value;

int column(const RecordSet& rs, const std::string& name) {
  for (std::size_t i = 0; i < rs.fields.size(); ++i)
    if (rs.fields[i].name == name) return static_cast<int>(i);
  ADD_FAILURE() << "no column " << name;
  return 0;
}
std::string text(const RecordSet& rs, std::size_t row, const std::string& name) {
  return protocol::toDisplayText(rs.rows.at(row).at(column(rs, name)));
}
double number(const RecordSet& rs, std::size_t row, const std::string& name) {
  const Value& v = rs.rows.at(row).at(column(rs, name));
  if (auto i = std::get_if<std::int64_t>(&v)) return static_cast<double>(*i);
  if (auto d = std::get_if<double>(&v)) return *d;
  ADD_FAILURE() << name << " is not a number: " << protocol::toDisplayText(v);
  return 0;
}

class SalesProductionTest : public ServerTest {
 protected:
  void SetUp() override {
    ServerTest::SetUp();
    admin = newClient();
    ASSERT_EQ(admin->login(), "OK");
    for (const char* p : {"P", "A", "B", "C", "S"})
      admin->execute(
          "insert into bas_products (productNo, productName, productSize, productUnit) "
          "values (:p, :n, 'DN50', '件')",
          {{"p", p}, {"n", std::string("品") + p}});
  }

  // Inserts a BOM line as the BOM screen does and returns the identity it got.
  std::int64_t addLine(ApiClient& c, const std::string& parent, const std::string& part, int itemNo,
                       double qty) {
    auto rs = c.open("exec sp_bom_insert :p1,:p2,:p3,:p4,:p5,:p6,:p7,:p8,:p9,:p10",
                     {{"p1", parent},
                      {"p2", part},
                      {"p3", itemNo},
                      {"p4", qty},
                      {"p5", ""},
                      {"p6", "1899-12-30 00:00:00"},
                      {"p7", nullptr},
                      {"p8", "主料"},
                      {"p9", false},
                      {"p10", ""}});
    EXPECT_EQ(rs.fields.at(0).name, "sysid");
    return std::get<std::int64_t>(rs.rows.at(0).at(0));
  }

  RecordSet tree(ApiClient& c, const std::string& product) {
    c.execute("exec sp_createBomTree ");
    c.execute("exec sp_getBomTree '" + product + "',0,1,1");
    return c.open("", Json::object(), "bomDSP");
  }

  std::unique_ptr<ApiClient> admin;
};

TEST_F(SalesProductionTest, TheScreensInterfaceIsThere) {
  const auto a = addLine(*admin, "P", "A", 1, 2);
  addLine(*admin, "A", "B", 1, 3);
  auto rs = tree(*admin, "P");
  ASSERT_EQ(rs.rows.size(), 3u);
  EXPECT_EQ(text(rs, 0, "gNo"), "P");
  EXPECT_EQ(number(rs, 1, "sysId"), a);
  EXPECT_EQ(text(rs, 2, "gNo"), "B");
  EXPECT_EQ(number(rs, 2, "lev"), 2);
  for (const char* v : {"view_up_bus_SO", "view_up_bus_task", "view_bus_task_det"})
    EXPECT_NO_THROW(admin->open(std::string("select * from ") + v));
  EXPECT_EQ(
      admin->errorOf(protocol::path::kExecute,
                     {{"provider", "pubDSP"},
                      {"sql", "insert into bom (productNo, partNo, ylQty) values ('B', 'P', 1)"},
                      {"params", Json::object()}}),
      "物料清单不能循环：P 已包含 B");
}

}  // namespace
}  // namespace qk::test
