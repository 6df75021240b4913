-- Process cards and drawings: the column layouts of the card's step grid and of the drawing
-- categories, and the limit of a drawing file.

-- Every step column in card order; the card's process type then shows those of its own kind.
INSERT INTO sys_col (tableName, rowNo, fieldName, visible, width, tableCName, fieldCName, defaultName) VALUES
  ('bus_check_det', 0, 'workStep', 1, 260, '工艺卡片工步', '工步内容', '工步内容'),
  ('bus_check_det', 1, 'dj', 1, 90, '工艺卡片工步', '刀具', '刀具'),
  ('bus_check_det', 2, 'lj', 1, 90, '工艺卡片工步', '量具', '量具'),
  ('bus_check_det', 3, 'rotSpeed', 1, 60, '工艺卡片工步', '转速', '转速'),
  ('bus_check_det', 4, 'cutSpeed', 1, 65, '工艺卡片工步', '切削速度', '切削速度'),
  ('bus_check_det', 5, 'cutDeepth', 1, 60, '工艺卡片工步', '切削深度', '切削深度'),
  ('bus_check_det', 6, 'cutF', 1, 60, '工艺卡片工步', '进给量', '进给量'),
  ('bus_check_det', 7, 'cutTime', 1, 60, '工艺卡片工步', '基本工时', '基本工时'),
  ('bus_check_det', 8, 'cutTime2', 1, 60, '工艺卡片工步', '辅助工时', '辅助工时'),
  ('bus_check_det', 9, 'dy_sdwd', 1, 75, '工艺卡片工步', '始锻温度', '始锻温度'),
  ('bus_check_det', 10, 'dy_zdwd', 1, 75, '工艺卡片工步', '终锻温度', '终锻温度'),
  ('bus_check_det', 11, 'dy_lqfs', 1, 75, '工艺卡片工步', '冷却方式', '冷却方式'),
  ('bus_check_det', 12, 'rcl_zlwd', 1, 75, '工艺卡片工步', '装炉温度', '装炉温度'),
  ('bus_check_det', 13, 'rcl_jrwd', 1, 75, '工艺卡片工步', '加热温度', '加热温度'),
  ('bus_check_det', 14, 'rcl_jrsj', 1, 75, '工艺卡片工步', '加热时间', '加热时间'),
  ('bus_check_det', 15, 'rcl_bwsj', 1, 75, '工艺卡片工步', '保温时间', '保温时间'),
  ('bus_check_det', 16, 'rcl_lqjz', 1, 75, '工艺卡片工步', '冷却介质', '冷却介质'),
  ('bus_check_det', 17, 'rcl_lqwd', 1, 75, '工艺卡片工步', '冷却温度', '冷却温度'),
  ('bus_check_det', 18, 'rcl_lqsj', 1, 75, '工艺卡片工步', '冷却时间', '冷却时间'),
  ('bus_check_det', 19, 'rcl_gs', 0, 60, '工艺卡片工步', '工时', '工时'),
  ('bus_check_det', 20, 'remark', 1, 140, '工艺卡片工步', '备注', '备注'),
  ('bus_check_det', 21, 'keyNo', 0, 100, '工艺卡片工步', '卡片编号', '卡片编号'),
  ('bus_check_det', 22, 'itemNo', 0, 40, '工艺卡片工步', '行号', '行号'),
  ('bus_check_det', 23, 'taskNo', 0, 110, '工艺卡片工步', '任务号', '任务号');

INSERT INTO sys_col (tableName, rowNo, fieldName, visible, width, tableCName, fieldCName, defaultName) VALUES
  ('bas_dId', 0, 'drwIdNo', 1, 90, '图纸类别设置', '类别编号', '类别编号'),
  ('bas_dId', 1, 'drwIdName', 1, 160, '图纸类别设置', '类别名称', '类别名称'),
  ('bas_dId', 2, 'remark', 1, 240, '图纸类别设置', '备注', '备注');

-- A drawing travels as base64 text in one request, which holds at most 16 MB of it: 12 MB of
-- file. The drawing screen never goes above that, whatever is set here.
INSERT OR IGNORE INTO main.sys_config (idName, idCName, category, idValue, remark, valueList, valType) VALUES
  ('maxDrawingMB', '图纸文件上限(MB)', '常规设置', '12', '超过的图纸文件不能上传（传输上限 12 MB）', '', '2');
