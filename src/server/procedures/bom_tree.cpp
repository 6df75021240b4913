// The bill-of-materials procedures.
//   exec sp_createBomTree                  empties the session's tree
//   exec sp_getBomTree 'P', 0, 1, 1        fills it with product P's tree (the numbers are the
//                                          caller's fixed arguments and are not used)
//   exec sp_bomTreeRows                    the tree's rows (what provider bomDSP returns)
//   exec sp_bom_insert parent, part, itemNo, ylQty, drwNo, effectDate, invalidDate, mType,
//                      stop, remark        inserts a line; one row with its sysid
// The tree lives in a temporary table of the session's connection, so two clients never see
// each other's tree.
#include <algorithm>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "server/procedures/registry.h"

namespace qk::server {

namespace {

// Deeper than any real product; a tree reaching it is refused rather than cut silently.
constexpr int kMaxDepth = 30;
// As many rows as one client statement may return.
constexpr int kMaxNodes = 200000;

constexpr std::string_view kCreateTree = R"(
CREATE TEMP TABLE IF NOT EXISTS qk_bom_walk (
  nodeId INTEGER PRIMARY KEY, parentNodeId INTEGER, sysId INTEGER, parentId INTEGER,
  lev INTEGER, gNo VARCHAR(50));
DELETE FROM temp.qk_bom_walk;)";

// Every line under the product, each once however often its parent occurs (UNION also ends a
// cycle), grouped by parent in the order the tree shows siblings.
constexpr std::string_view kLines = R"(
WITH RECURSIVE part(no) AS (
  SELECT DISTINCT productNo FROM bom WHERE productNo = :product
  UNION
  SELECT b.partNo FROM bom b JOIN part ON b.productNo = part.no)
SELECT b.productNo, b.sysid, b.partNo FROM bom b JOIN part ON b.productNo = part.no
ORDER BY b.productNo, coalesce(b.itemNo, 0), b.sysid)";

// The walk is stored in few statements: [nodeId, parentNodeId, sysId, parentId, lev, gNo]. The
// root row carries the product's number; the lines' own rows give every other part.
constexpr std::string_view kFillTree = "INSERT INTO temp.qk_bom_walk";

// The tree's rows: the walk joined to its bom lines and part descriptions as they are read.
constexpr std::string_view kTreeRows = R"(
SELECT w.sysId AS sysId, w.parentId AS parentId, w.nodeId AS nodeId,
       w.parentNodeId AS parentNodeId, w.lev AS lev, coalesce(w.gNo, b.partNo) AS gNo,
       p.des AS gDes, p.productUnit AS gUnit,
       CASE WHEN w.lev = 0 THEN 0 ELSE b.itemNo END AS itemNo,
       CASE WHEN w.lev = 0 THEN 1 ELSE b.ylQty END AS ylQty, b.drwNo AS drwNo,
       b.effectDate AS effectDate, b.invalidDate AS invalidDate, b.mType AS mType,
       b.remark AS remark, CASE WHEN w.lev = 0 THEN 0 ELSE b.stop END AS stoped,
       p.productUnit AS productUnit, p.productName AS productName, p.productSize AS productSize,
       p.productPre AS productPre, p.productMat AS productMat, p.productSta AS productSta,
       p.def1 AS def1, p.def2 AS def2, p.def3 AS def3, p.def4 AS def4, p.def5 AS def5,
       p.def6 AS def6
FROM temp.qk_bom_walk w
LEFT JOIN bom b ON w.lev > 0 AND b.sysid = w.sysId
LEFT JOIN view_bas_prd_des p ON p.productNo = coalesce(w.gNo, b.partNo)
ORDER BY w.nodeId)";

std::int64_t integerOf(const protocol::Value& v) {
  const auto* i = std::get_if<std::int64_t>(&v);
  return i ? *i : 0;
}

// Walks down from the product in preorder: a parent before its children, siblings by itemNo,
// so the node numbers given on the way are the tree's order. Each part's lines are read once
// however often the part occurs. The parts on the way down are remembered, so a cycle stored
// before the triggers existed stops where a part would repeat on its own path.
class TreeWalk {
 public:
  TreeWalk(db::Connection& db, const std::string& product) : db_(db), product_(product) {}

  void run() {
    // One transaction: the lines read are the lines the fill joins.
    std::optional<db::Transaction> tx;
    if (!db_.inTransaction()) tx.emplace(db_);
    readLines();
    add(0, 0, -1, 0);
    struct Frame {
      std::int64_t nodeId, sysId;
      int lev;
      const std::vector<protocol::Row>* lines;
      std::size_t next;
    };
    std::vector<std::string> path{foldCase(product_)};
    std::vector<Frame> stack{{1, 0, 0, &linesOf(path.back()), 0}};
    while (!stack.empty()) {
      Frame& top = stack.back();
      if (top.next == top.lines->size()) {
        stack.pop_back();
        path.pop_back();
        continue;
      }
      const protocol::Row& line = (*top.lines)[top.next++];
      std::string part = foldCase(textOf(line[1]));
      if (std::find(path.begin(), path.end(), part) != path.end()) continue;
      const int lev = top.lev + 1;
      if (lev > kMaxDepth)
        throw db::DbError(
            "物料清单超过 " + std::to_string(kMaxDepth) + " 层，无法展开：" + product_,
            db::ErrorKind::Refused);
      const std::int64_t sysId = integerOf(line[0]);
      const std::int64_t node = add(top.nodeId, sysId, top.sysId, lev);
      path.push_back(std::move(part));
      stack.push_back({node, sysId, lev, &linesOf(path.back()), 0});  // `top` may move here
    }
    insertRows(db_, kFillTree, walk_);
    if (tx) tx->commit();
  }

 private:
  void readLines() {
    const protocol::RecordSet rs = db_.query(kLines, {{"product", product_}});
    for (const protocol::Row& r : rs.rows) lines_[foldCase(textOf(r[0]))].push_back({r[1], r[2]});
  }

  const std::vector<protocol::Row>& linesOf(const std::string& folded) {
    static const std::vector<protocol::Row> none;
    auto it = lines_.find(folded);
    return it == lines_.end() ? none : it->second;
  }

  std::int64_t add(std::int64_t parentNode, std::int64_t sysId, std::int64_t parentId, int lev) {
    if (++nodes_ > kMaxNodes)
      throw db::DbError(
          "物料清单超过 " + std::to_string(kMaxNodes) + " 个节点，无法展开：" + product_,
          db::ErrorKind::Refused);
    walk_.push_back({nodes_, parentNode, sysId, parentId, std::int64_t{lev},
                     lev == 0 ? protocol::Value{product_} : protocol::Value{}});
    return nodes_;
  }

  db::Connection& db_;
  std::string product_;
  std::int64_t nodes_ = 0;
  std::vector<protocol::Row> walk_;
  std::unordered_map<std::string, std::vector<protocol::Row>> lines_;
};

std::optional<protocol::RecordSet> createTree(ProcedureCall& call) {
  call.db.script(kCreateTree);
  return std::nullopt;
}

std::optional<protocol::RecordSet> fillTree(ProcedureCall& call) {
  call.db.script(kCreateTree);
  try {
    TreeWalk(call.db, call.text(0)).run();
  } catch (const db::DbError&) {
    // A refused tree leaves nothing behind: the next bomDSP read shows no rows, not half a tree.
    call.db.execute("DELETE FROM temp.qk_bom_walk");
    throw;
  }
  return std::nullopt;
}

std::optional<protocol::RecordSet> treeRows(ProcedureCall& call) {
  call.db.script(kCreateTree.substr(0, kCreateTree.find("DELETE")));
  return call.db.query(kTreeRows);
}

// The client keeps the returned identity, so a later change or delete of the new line reaches
// exactly it. Empty and zero dates become NULL in the table's triggers.
std::optional<protocol::RecordSet> insertLine(ProcedureCall& call) {
  const std::string parent = call.text(0);
  const std::string part = call.text(1);
  if (parent.find_first_not_of(' ') == std::string::npos)
    throw db::DbError("父件编号不能为空!", db::ErrorKind::Refused);
  if (part.find_first_not_of(' ') == std::string::npos)
    throw db::DbError("物料编号不能为空!", db::ErrorKind::Refused);
  const auto result = call.db.execute(
      "INSERT INTO bom (productNo, partNo, itemNo, ylQty, drwNo, effectDate, invalidDate, "
      "mType, stop, remark) VALUES (:p1, :p2, :p3, :p4, :p5, :p6, :p7, :p8, :p9, :p10)",
      {{"p1", call.arg(0)},
       {"p2", call.arg(1)},
       {"p3", call.number(2)},
       {"p4", call.number(3)},
       {"p5", call.arg(4)},
       {"p6", call.arg(5)},
       {"p7", call.arg(6)},
       {"p8", call.arg(7)},
       {"p9", call.arg(8)},
       {"p10", call.arg(9)}});
  protocol::RecordSet rs;
  rs.fields.push_back({"sysid", protocol::FieldType::Integer, 0});
  rs.rows.push_back({result.lastInsertId});
  return rs;
}

}  // namespace

void registerBomProcedures() {
  registerProcedure("sp_createBomTree", createTree);
  registerProcedure("sp_getBomTree", fillTree);
  registerProcedure("sp_bomTreeRows", treeRows);
  registerProcedure("sp_bom_insert", insertLine);
}

}  // namespace qk::server
