// The paging procedure behind every list, finder and picker.
#include <gtest/gtest.h>

#include <limits>

#include "support/test_server.h"

namespace qk::test {
namespace {

namespace path = protocol::path;

class QueryPageTest : public ServerTest {
 protected:
  void SetUp() override {
    ServerTest::SetUp();
    c = newClient();
    ASSERT_EQ(c->login(), "OK");
    for (int i = 1; i <= 25; ++i)
      c->execute("insert into bas_cust (custNo, custName) values (:n, :name)",
                 {{"n", std::string(i < 10 ? "C0" : "C") + std::to_string(i)},
                  {"name", std::string(i % 2 ? "甲" : "乙") + std::to_string(i)}});
  }
  struct Page {
    std::vector<std::string> keys;
    std::int64_t total = -1, pages = -1;
  };
  Page page(const std::string& where, const std::string& order, int size, int index,
            int knownTotal = 0, const std::string& fields = "custNo, custName") {
    return read(
        queryPageRequest("bas_cust", fields, "custNo", where, order, size, index, knownTotal));
  }
  Page read(const Json& request) {
    Json reply = c->call(path::kOpen, request);
    Page p;
    if (protocol::errorOf(reply)) return p;
    auto rs = protocol::fromJson<protocol::RecordSet>(reply);
    for (const auto& row : rs.rows) p.keys.push_back(std::get<std::string>(row[0]));
    p.total = std::get<std::int64_t>(rs.outParams.at("@TotalCount"));
    p.pages = std::get<std::int64_t>(rs.outParams.at("@TotalPageCount"));
    return p;
  }
  std::unique_ptr<ApiClient> c;
};

TEST_F(QueryPageTest, PagesCountAndStopAtTheEnd) {
  Page first = page("", "custNo", 10, 1);
  EXPECT_EQ(first.total, 25);
  EXPECT_EQ(first.pages, 3);
  ASSERT_EQ(first.keys.size(), 10u);
  EXPECT_EQ(first.keys.front(), "C01");
  Page last = page("", "custNo", 10, 3);
  ASSERT_EQ(last.keys.size(), 5u);
  EXPECT_EQ(last.keys.back(), "C25");
  EXPECT_TRUE(page("", "custNo", 10, 4).keys.empty()) << "beyond the last page: no rows";
  EXPECT_EQ(page("", "custNo desc", 10, 1).keys.front(), "C25");
  EXPECT_EQ(page("", "", 10, 1).keys.front(), "C01") << "no order: the key orders";
}

TEST_F(QueryPageTest, ConditionsRestrictRowsAndTotals) {
  Page odd = page(" custName like '%甲%'", "order by custNo", 5, 2);
  EXPECT_EQ(odd.total, 13);
  EXPECT_EQ(odd.pages, 3);
  EXPECT_EQ(odd.keys, (std::vector<std::string>{"C11", "C13", "C15", "C17", "C19"}));
  Page none = page("where custName = 'nobody'", "custNo", 5, 1);
  EXPECT_EQ(none.total, 0);
  EXPECT_EQ(none.pages, 0);
  EXPECT_TRUE(none.keys.empty());
  // A total the caller already knows is taken as it is: paging does not count again.
  EXPECT_EQ(page("", "custNo", 10, 2, /*knownTotal=*/25).total, 25);
}

TEST_F(QueryPageTest, AGroupedSourceCountsItsGroupsEvenWhenThereAreNone) {
  const std::string fields = "substr(custName, 1, 1), count(*)";
  Page groups = read(
      queryPageRequest("bas_cust group by substr(custName, 1, 1)", fields, "1", "", "1", 10, 1));
  EXPECT_EQ(groups.keys, (std::vector<std::string>{"乙", "甲"}));
  EXPECT_EQ(groups.total, 2);
  EXPECT_EQ(groups.pages, 1);
  Page none = read(queryPageRequest("bas_cust where custNo = 'none' group by custName", fields, "1",
                                    "", "1", 10, 1));
  EXPECT_TRUE(none.keys.empty());
  EXPECT_EQ(none.total, 0);
  EXPECT_EQ(none.pages, 0);
}

TEST_F(QueryPageTest, APageFarBeyondTheEndIsEmpty) {
  for (const std::int64_t index :
       {std::int64_t{1} << 40, std::numeric_limits<std::int64_t>::max() / 10 + 2,
        std::numeric_limits<std::int64_t>::max()}) {
    Json request = queryPageRequest("bas_cust", "custNo", "custNo", "", "custNo", 10, 1);
    request["params"]["@PageIndex"] = index;
    Page far = read(request);
    EXPECT_TRUE(far.keys.empty()) << index;
    EXPECT_EQ(far.total, 25);
    EXPECT_EQ(far.pages, 3);
  }
}

TEST_F(QueryPageTest, BadArgumentsAndHostileTextsAreRefused) {
  auto error = [&](const std::string& where, int size, double index) {
    return c->errorOf(
        path::kOpen, {{"provider", "selectDSP"},
                      {"sql",
                       "exec sp_query_page 'bas_cust', '*', 'custNo', :w, 'custNo', 0, :s, :i, "
                       ":@t output, :@p output"},
                      {"params", {{"w", where}, {"s", size}, {"i", index}, {"@t", 0}, {"@p", 0}}}});
  };
  EXPECT_EQ(error("", 0, 1), "每页记录数必须大于 0（当前为 0）");
  EXPECT_EQ(error("", -5, 1), "每页记录数必须大于 0（当前为 -5）");
  EXPECT_EQ(error("", 10, 0), "页码必须从 1 开始（当前为 0）");
  EXPECT_EQ(error("", 10, 1e30), "存储过程第 8 个参数应为整数: 1e+30");
  EXPECT_EQ(error("1=1; drop table bas_cust", 10, 1),
            "服务器拒绝执行此语句：一次请求只能执行一条 SQL 语句");
  EXPECT_EQ(page("", "custNo", 100, 1).total, 25) << "the table is intact";
}

}  // namespace
}  // namespace qk::test
