-- Bounds on what one query or statement of a client may cost the server: rows and megabytes of
-- a result, and seconds a statement may run before it is stopped.
INSERT OR IGNORE INTO main.sys_config (idName, idCName, category, idValue, remark, valueList, valType) VALUES
  ('maxQueryRows', '查询结果最多行数', '服务器设置', '200000', '超过时提示增加查询条件', '', '2'),
  ('maxQueryMB', '查询结果最大容量(MB)', '服务器设置', '64', '超过时提示增加查询条件', '', '2'),
  ('statementSeconds', '语句最长执行时间(秒)', '服务器设置', '30', '超过时中止语句', '', '2');
