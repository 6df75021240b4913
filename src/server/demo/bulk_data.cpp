#include "server/demo/bulk_data.h"

#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "server/demo/demo_rows.h"

namespace qk::server {

namespace {

using demo::fmt;
using demo::round2;
using protocol::Params;
using protocol::Value;

constexpr const char* kProductPrefix = "BK";
constexpr const char* kReceiptPrefix = "BK-RK-";

// The n-th bulk row is derived from n alone, so batches of any size add the same rows.
std::uint64_t mix(std::uint64_t n) {
  std::uint64_t z = n + 0x9E3779B97F4A7C15ULL;
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
  return z ^ (z >> 31);
}

class Draw {
 public:
  explicit Draw(std::uint64_t n) : state_(mix(n)) {}
  int below(int n) {
    state_ = mix(state_);
    return static_cast<int>(state_ % static_cast<std::uint64_t>(n));
  }
  template <typename T, std::size_t N>
  const T& pick(const std::array<T, N>& items) {
    return items[below(static_cast<int>(N))];
  }

 private:
  std::uint64_t state_;
};

enum class Shape { Valve, Flange, Fitting, Part, Bar, Pipe, Bolt, Gasket };

struct Family {
  const char* category;  // the demo's category numbers, so category names resolve in a demo set
  const char* name;
  Shape shape;
  const char* unit;
  const char* standard;
  bool made;
  double weightFactor;
  const char* model;  // valve series, kept in def1 as the demo does
};

constexpr std::array<Family, 16> kFamilies{{
    {"0101", "闸阀", Shape::Valve, "台", "GB/T 12234", true, 1.0, "Z41H"},
    {"0102", "截止阀", Shape::Valve, "台", "GB/T 12235", true, 1.1, "J41H"},
    {"0103", "球阀", Shape::Valve, "台", "GB/T 12237", true, 0.9, "Q41F"},
    {"0104", "止回阀", Shape::Valve, "台", "GB/T 12236", true, 0.85, "H44H"},
    {"0105", "蝶阀", Shape::Valve, "台", "GB/T 12238", true, 0.45, "D341X"},
    {"0106", "带颈对焊法兰", Shape::Flange, "件", "HG/T 20592", true, 0.3, ""},
    {"0107", "90°弯头", Shape::Fitting, "件", "GB/T 12459", false, 0.2, ""},
    {"0107", "等径三通", Shape::Fitting, "件", "GB/T 12459", false, 0.25, ""},
    {"0201", "阀体", Shape::Part, "件", "GB/T 12234", true, 0.55, ""},
    {"0202", "阀盖", Shape::Part, "件", "GB/T 12234", true, 0.25, ""},
    {"0203", "阀杆", Shape::Part, "件", "GB/T 1220", true, 0.04, ""},
    {"0204", "闸板", Shape::Part, "件", "GB/T 12234", true, 0.12, ""},
    {"0301", "圆钢", Shape::Bar, "kg", "GB/T 699", false, 0, ""},
    {"0302", "无缝钢管", Shape::Pipe, "米", "GB/T 8163", false, 0, ""},
    {"0401", "六角头螺栓", Shape::Bolt, "件", "GB/T 5782", false, 0, ""},
    {"0402", "缠绕垫片", Shape::Gasket, "件", "GB/T 4622.2", false, 0, ""},
}};

constexpr std::array<int, 19> kDn{15,  20,  25,  32,  40,  50,  65,  80,  100, 125,
                                  150, 200, 250, 300, 350, 400, 450, 500, 600};
constexpr std::array<const char*, 8> kPressures{"PN10", "PN16",  "PN25",     "PN40",
                                                "PN63", "PN100", "Class150", "Class300"};
struct Grade {
  const char* name;
  double pricePerKg;
};
constexpr std::array<Grade, 8> kCastings{{{"WCB", 16.0},
                                          {"CF8", 38.0},
                                          {"CF8M", 52.0},
                                          {"WC6", 30.0},
                                          {"LCB", 22.0},
                                          {"QT450-10", 11.0},
                                          {"CF3M", 58.0},
                                          {"WCC", 18.0}}};
constexpr std::array<Grade, 6> kSteels{
    {{"20", 5.2}, {"35", 5.6}, {"45", 5.8}, {"304", 16.0}, {"316L", 24.0}, {"2Cr13", 12.0}}};
constexpr std::array<const char*, 6> kBrands{"", "", "", "宏达", "永固", "华锐"};

struct Generated {
  std::string name, size, pressure, material, model;
  double weight = 0, cost = 0, low = 0, high = 0;
};

Generated generate(const Family& f, Draw& d) {
  Generated g;
  g.name = f.name;
  const int dn = d.pick(kDn);
  const double scale = std::pow(dn / 50.0, 1.65);
  switch (f.shape) {
    case Shape::Valve:
    case Shape::Part:
    case Shape::Flange: {
      const Grade& m = d.pick(kCastings);
      g.size = fmt("DN%d", dn);
      g.pressure = d.pick(kPressures);
      g.material = m.name;
      g.weight = round2(20.0 * scale * f.weightFactor);
      g.cost = round2(g.weight * m.pricePerKg + (f.shape == Shape::Valve ? 60.0 + dn * 0.9 : 8.0));
      if (*f.model) g.model = std::string(f.model) + "-" + g.pressure;
      break;
    }
    case Shape::Fitting: {
      const Grade& m = d.pick(kSteels);
      g.size = fmt("DN%d SCH%s", dn, d.below(2) ? "40" : "80");
      g.material = m.name;
      g.weight = round2(6.0 * scale * f.weightFactor);
      g.cost = round2(g.weight * m.pricePerKg * 1.6 + 5.0);
      break;
    }
    case Shape::Bar: {
      const Grade& m = d.pick(kSteels);
      g.size = fmt("Φ%d", 20 + 5 * d.below(40));
      g.material = m.name;
      g.cost = round2(m.pricePerKg * (0.9 + d.below(30) / 100.0));
      break;
    }
    case Shape::Pipe: {
      const Grade& m = d.pick(kSteels);
      g.size = fmt("Φ%d×%d", 25 + 5 * d.below(60), 3 + d.below(10));
      g.material = m.name;
      g.cost = round2(m.pricePerKg * (4.0 + d.below(200) / 10.0));
      break;
    }
    case Shape::Bolt: {
      const int m = 10 + 2 * d.below(14);
      g.size = fmt("M%d×%d", m, m * (3 + d.below(6)));
      g.material = d.below(2) ? "35CrMo" : "B7";
      g.pressure = "8.8级";
      g.cost = round2(0.3 + m * m * 0.01);
      break;
    }
    case Shape::Gasket:
      g.size = fmt("DN%d", dn);
      g.pressure = d.pick(kPressures);
      g.material = d.below(2) ? "304+石墨" : "316L+石墨";
      g.cost = round2(4.0 + dn * 0.12);
      break;
  }
  g.low = f.shape == Shape::Bar || f.shape == Shape::Pipe ? 100 : dn <= 50 ? 10 : 2;
  g.high = g.low * 8;
  return g;
}

// The caller's transaction when there is one; one of our own otherwise, since a million
// statements each committing on their own would each wait for the disk.
template <typename Work>
void inOneTransaction(db::Connection& c, Work&& work) {
  if (c.inTransaction()) {
    work();
    return;
  }
  db::Transaction tx(c);
  work();
  tx.commit();
}

// Highest n of the numbers prefix + n (n of `digits` digits) present in table.column; 0 if none.
std::int64_t highestBulkNumber(db::Connection& c, const char* table, const char* column,
                               const std::string& prefix, int digits) {
  const std::string low = prefix + std::string(digits, '0');
  const std::string high = prefix + std::string(digits, '9');
  // The range keeps the search on the key's index; the prefix as written (instr minds case) and
  // digits only keep out numbers someone typed with the same beginning.
  auto rs = c.query(std::string("select max(") + column + ") from " + table + " where " + column +
                        " between :lo and :hi and length(" + column + ") = :len and instr(" +
                        column + ", :prefix) = 1 and ltrim(substr(" + column +
                        ", :digitsFrom), '0123456789') = ''",
                    {{"lo", low},
                     {"hi", high},
                     {"len", static_cast<std::int64_t>(prefix.size()) + digits},
                     {"prefix", prefix},
                     {"digitsFrom", static_cast<std::int64_t>(prefix.size()) + 1}});
  const auto* top = std::get_if<std::string>(&rs.rows.at(0).at(0));
  return top ? std::stoll(top->substr(prefix.size())) : 0;
}

std::string productNumber(std::int64_t n) {
  return fmt("%s%08lld", kProductPrefix, static_cast<long long>(n));
}

}  // namespace

void addBulkProducts(db::Connection& c, int count) {
  if (count <= 0) return;
  inOneTransaction(c, [&] {
    const std::int64_t first =
        highestBulkNumber(c, "bas_products", "productNo", kProductPrefix, 8) + 1;
    if (first + count - 1 > 99'999'999) throw db::DbError("批量物料编号已用尽（最多 99999999 个）");
    const std::string sql =
        "insert into bas_products (productNo, productId, productName, productSize, productPre, "
        "productMat, productSta, productUnit, costPrice, source, uw, lowQty, highQty, isCutter, "
        "brand, remark, def1) values (:productNo, :productId, :productName, :productSize, "
        ":productPre, :productMat, :productSta, :productUnit, :costPrice, :source, :uw, "
        ":lowQty, :highQty, 0, :brand, '', :def1)";
    // One parameter map reused for every row: only the values change.
    Params p;
    for (const char* name : {"productNo", "productId", "productName", "productSize", "productPre",
                             "productMat", "productSta", "productUnit", "costPrice", "source", "uw",
                             "lowQty", "highQty", "brand", "def1"})
      p.emplace(name, Value{});
    auto slot = [&](const char* name) -> Value& { return p.find(name)->second; };
    Value& no = slot("productNo");
    Value& category = slot("productId");
    Value& name = slot("productName");
    Value& size = slot("productSize");
    Value& pressure = slot("productPre");
    Value& material = slot("productMat");
    Value& standard = slot("productSta");
    Value& unit = slot("productUnit");
    Value& cost = slot("costPrice");
    Value& source = slot("source");
    Value& weight = slot("uw");
    Value& low = slot("lowQty");
    Value& high = slot("highQty");
    Value& brand = slot("brand");
    Value& model = slot("def1");
    for (std::int64_t n = first; n < first + count; ++n) {
      Draw d(static_cast<std::uint64_t>(n));
      const Family& f = d.pick(kFamilies);
      Generated g = generate(f, d);
      no = productNumber(n);
      category = std::string(f.category);
      name = std::move(g.name);
      size = std::move(g.size);
      pressure = std::move(g.pressure);
      material = std::move(g.material);
      standard = std::string(f.standard);
      unit = std::string(f.unit);
      cost = g.cost;
      source = std::string(f.made ? "自制" : "采购");
      weight = g.weight;
      low = g.low;
      high = g.high;
      brand = std::string(d.pick(kBrands));
      model = std::move(g.model);
      c.execute(sql, p);
    }
  });
}

void addBulkReceipts(db::Connection& c, int count) {
  if (count <= 0) return;
  inOneTransaction(c, [&] {
    const std::int64_t bulkProducts =
        highestBulkNumber(c, "bas_products", "productNo", kProductPrefix, 8);
    std::vector<std::string> fallback;
    if (bulkProducts == 0) {
      for (const auto& row :
           c.query("select productNo from bas_products order by productNo limit 1000").rows)
        if (const auto* s = std::get_if<std::string>(&row.at(0))) fallback.push_back(*s);
      if (fallback.empty()) throw db::DbError("账套中没有物料，无法生成入库单");
    }
    std::vector<std::string> warehouses;
    for (const auto& row : c.query("select depNo from bas_dep where isWh = 1 order by depNo").rows)
      if (const auto* s = std::get_if<std::string>(&row.at(0))) warehouses.push_back(*s);
    if (warehouses.empty()) warehouses.push_back("21");
    static constexpr std::array<const char*, 3> kTypes{"生产入库", "采购入库", "外协入库"};

    const std::int64_t first = highestBulkNumber(c, "wh_In", "keyNo", kReceiptPrefix, 7) + 1;
    for (std::int64_t n = first; n < first + count; ++n) {
      Draw d(static_cast<std::uint64_t>(n) ^ 0x5EED0000ULL);
      const std::string keyNo = fmt("%s%07lld", kReceiptPrefix, static_cast<long long>(n));
      const std::string date = fmt("%d-%02d-%02d %02d:00:00", 2025 + d.below(2), 1 + d.below(12),
                                   1 + d.below(28), 8 + d.below(10));
      c.execute(
          "insert into wh_In (keyNo, userName, whNo, docType, inDate, docDate, keeper, remarkM) "
          "values (:keyNo, 'admin', :whNo, :docType, :inDate, :inDate, '', '')",
          {{"keyNo", keyNo},
           {"whNo", warehouses[d.below(static_cast<int>(warehouses.size()))]},
           {"docType", std::string(d.pick(kTypes))},
           {"inDate", date}});
      const int lines = 1 + d.below(8);
      for (int item = 1; item <= lines; ++item) {
        const std::string product = bulkProducts > 0
                                        ? productNumber(1 + d.below(static_cast<int>(bulkProducts)))
                                        : fallback[d.below(static_cast<int>(fallback.size()))];
        // Lines carry the description copies a receipt screen would have filled in.
        c.execute(
            "insert into wh_in_det (keyNo, itemNo, taskNo, productNo, qty, uPrice, remark, des, "
            "pName, pSize, pPre, pMat, pSta, pUnit, def1, def2, def3, def4, def5, def6) "
            "select :keyNo, :itemNo, '', productNo, :qty, costPrice, '', des, productName, "
            "productSize, productPre, productMat, productSta, productUnit, def1, def2, def3, "
            "def4, def5, def6 from view_bas_prd_des where productNo = :productNo",
            {{"keyNo", keyNo},
             {"itemNo", std::int64_t{item}},
             {"qty", static_cast<double>(1 + d.below(200))},
             {"productNo", product}});
      }
    }
  });
}

}  // namespace qk::server
