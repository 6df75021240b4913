---------------------------------------------------------------------------------------------------
-- The factory dashboard: its action and right, the setting that shows it in the main window, and
-- the index its order figures read by.
---------------------------------------------------------------------------------------------------

INSERT INTO sys_action (actionNo, actionName, category, sortNo) VALUES
  ('dashboardAction', '工厂看板', 'Query', 51);

-- Account sets made before: the administrator gets the new screen like every other one (a new
-- set's administrator is given every action by the init command after the migrations).
INSERT OR IGNORE INTO sys_rights (userName, actionNo, canNew, canEdit, canDelete, canReview,
                                  canView)
SELECT userName, 'dashboardAction', 1, 1, 1, 1, 1 FROM sys_user WHERE rtrim(userName) = 'admin';

-- Off by default, so a chosen background picture stays where it is.
INSERT INTO sys_config (idName, idCName, category, idValue, remark, valueList, valType) VALUES
  ('showDashboard', '主界面显示工厂看板', '界面设置', '否', '登录后在主窗口空白处显示工厂看板',
   '是,否,', '1');

-- Orders due and late are found by their delivery date.
CREATE INDEX ix_bus_SO_dlvDate ON bus_SO (dlvDate);
