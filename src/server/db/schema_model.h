// The schema as the migrations spell it. PostgreSQL keeps unquoted names in lower case, so the
// PostgreSQL connection answers names, columns and declared types from this model instead: an
// in-memory SQLite database migrated with the same migrations, read once into plain maps.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "server/db/connection.h"

namespace qk::db {

// The field type a declared column type stands for ("DECIMAL(18,4)", "NVARCHAR(20)", "DATETIME"),
// and for texts the size in `size` (0 when not limited).
protocol::FieldType fieldTypeFromDeclaration(std::string_view declared, int* size);

class SchemaModel {
 public:
  // Reads tables and views with their columns from an already migrated SQLite connection.
  static std::shared_ptr<const SchemaModel> build(Connection& migratedSqlite);

  // As Connection::tableColumns and canonicalTableName answer them on SQLite: columns of a table
  // or view; the name of a table (not a view), or empty when there is none.
  std::vector<TableColumn> tableColumns(std::string_view table) const;
  std::string canonicalTableName(std::string_view table) const;
  // A table's or view's name as spelled in the schema, or empty.
  std::string relationSpelling(std::string_view relation) const;
  // The column of a table or view, or null when either is unknown.
  const TableColumn* column(std::string_view relation, std::string_view column) const;
  // A name anywhere in the schema (a column's first, else a table's), or empty.
  std::string nameSpelling(std::string_view name) const;
  // Every table and view of the schema, as spelled there.
  std::vector<std::string> relations() const;

 private:
  struct Relation {
    std::string name;
    bool view = false;
    std::vector<TableColumn> columns;
  };
  const Relation* find(std::string_view relation) const;

  std::map<std::string, Relation> relations_;  // by lower-case name
  std::map<std::string, std::string> names_;   // lower-case name -> spelling
};

}  // namespace qk::db
