#include "server/db/schema_model.h"

#include <cstdlib>

#include "protocol/value.h"

namespace qk::db {

protocol::FieldType fieldTypeFromDeclaration(std::string_view declared, int* size) {
  using protocol::FieldType;
  *size = 0;
  const std::string d = protocol::toLower(declared);
  auto has = [&](const char* p) { return d.find(p) != std::string::npos; };
  if (d.empty()) return FieldType::String;
  if (has("bool") || has("bit")) return FieldType::Boolean;
  if (has("date") || has("time")) return FieldType::DateTime;
  if (has("dec") || has("numeric") || has("money")) return FieldType::Decimal;
  if (has("real") || has("floa") || has("doub")) return FieldType::Float;
  if (has("int")) return FieldType::Integer;
  if (has("blob") || has("binary") || has("image")) return FieldType::Blob;
  if (auto open = d.find('('); open != std::string::npos) *size = std::atoi(d.c_str() + open + 1);
  return FieldType::String;
}

std::shared_ptr<const SchemaModel> SchemaModel::build(Connection& db) {
  auto model = std::make_shared<SchemaModel>();
  const RecordSet rs = db.query(
      "select name, type from main.sqlite_schema where type in ('table', 'view') and "
      "name not like 'sqlite\\_%' escape '\\' order by name");
  // A name spelled differently in a few tables ("keyNO" beside many "keyNo") is given back as
  // most of the schema spells it.
  std::map<std::string, std::map<std::string, int>> spellings;
  for (const auto& row : rs.rows) {
    Relation r;
    r.name = std::get<std::string>(row[0]);
    r.view = std::get<std::string>(row[1]) == "view";
    r.columns = db.tableColumns(r.name);
    for (const auto& c : r.columns) ++spellings[protocol::toLower(c.name)][c.name];
    model->relations_.emplace(protocol::toLower(r.name), std::move(r));
  }
  for (const auto& [key, counts] : spellings) {
    auto best = counts.begin();
    for (auto it = counts.begin(); it != counts.end(); ++it)
      if (it->second > best->second) best = it;
    model->names_.emplace(key, best->first);
  }
  // Table names come after every column's, so a column named like a table keeps its spelling.
  for (const auto& [key, r] : model->relations_) model->names_.emplace(key, r.name);
  return model;
}

const SchemaModel::Relation* SchemaModel::find(std::string_view relation) const {
  auto it = relations_.find(protocol::toLower(relation));
  return it == relations_.end() ? nullptr : &it->second;
}

std::vector<TableColumn> SchemaModel::tableColumns(std::string_view table) const {
  const Relation* r = find(table);
  return r ? r->columns : std::vector<TableColumn>{};
}

std::string SchemaModel::canonicalTableName(std::string_view table) const {
  const Relation* r = find(table);
  return r && !r->view ? r->name : std::string();
}

std::string SchemaModel::relationSpelling(std::string_view relation) const {
  const Relation* r = find(relation);
  return r ? r->name : std::string();
}

const TableColumn* SchemaModel::column(std::string_view relation, std::string_view column) const {
  const Relation* r = find(relation);
  if (!r) return nullptr;
  for (const auto& c : r->columns)
    if (protocol::iequals(c.name, column)) return &c;
  return nullptr;
}

std::string SchemaModel::nameSpelling(std::string_view name) const {
  auto it = names_.find(protocol::toLower(name));
  return it == names_.end() ? std::string() : it->second;
}

std::vector<std::string> SchemaModel::relations() const {
  std::vector<std::string> out;
  for (const auto& [key, r] : relations_) out.push_back(r.name);
  return out;
}

}  // namespace qk::db
