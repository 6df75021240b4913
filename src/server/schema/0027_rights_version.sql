---------------------------------------------------------------------------------------------------
-- A counter of changes to users, rights and actions: a session reloads its rights when it moved.
-- SQLite tells the same from the file's data version, so only PostgreSQL's triggers count here.
---------------------------------------------------------------------------------------------------

CREATE TABLE qk_rights_version (
  id INTEGER PRIMARY KEY,
  version INTEGER NOT NULL
);
INSERT INTO qk_rights_version (id, version) VALUES (1, 0);
