-- What a new account set starts with: numbering rules, system settings, the actions that
-- rights are given for and the task types. Users and their rights are created by the server's
-- init command.

-- Document numbers: head, '-', two-digit year '-' month, '-', four-digit sequence, for example
-- RK-26-12-0001. Heads differ per table so that a number names its document kind. Table names
-- are those the screens pass to the numbering routine (compared case-insensitively).
INSERT INTO bas_form (tableName, formHead, formcode, formsep, formbegin) VALUES
  ('wh_in', 'RK', '年月', '-', '0001'),
  ('wh_out', 'CK', '年月', '-', '0001'),
  ('wh_mat', 'LL', '年月', '-', '0001'),
  ('bus_PO', 'CG', '年月', '-', '0001'),
  ('bus_pi', 'JH', '年月', '-', '0001'),
  ('bus_SO', 'XS', '年月', '-', '0001'),
  ('bus_SD', 'FH', '年月', '-', '0001'),
  ('bus_task', 'RW', '年月', '-', '0001'),
  ('bus_check', 'GY', '年月', '-', '0001'),
  ('check_m', 'JY', '年月', '-', '0001'),
  ('check_mat_m', 'ZS', '年月', '-', '0001');

-- Settings. Colours are in the colour-name or $00BBGGRR form the settings screen writes; fonts in
-- the form '字体类型(name) 字体大小(points) 字形(fsNormal|fsBold)' followed by two blanks.
INSERT INTO sys_config (idName, idCName, category, idValue, remark, valueList, valType) VALUES
  ('autoColWidth', '自动调整列宽', '常规设置', '是', '表格按内容自动调整列宽', '是,否,', '1'),
  ('hideBom', '隐藏物料清单', '常规设置', '否', '生产任务单不显示物料清单', '是,否,', '1'),
  ('RecordCount', '每页记录数', '常规设置', '100', '查询结果每页显示的记录数', '', '2'),
  ('sys_background', '主界面背景图片', '界面设置', '', '主窗口的背景图片文件', '', '5'),
  ('gridLineColor', '表格线颜色', '表格样式', 'clSilver', '', '', '3'),
  ('gridFontColor', '表格字体颜色', '表格样式', 'clBlack', '', '', '3'),
  ('gridFooterColor', '表格合计行颜色', '表格样式', '$00E0E0E0', '', '', '3'),
  ('gridTitleColor', '表格标题颜色', '表格样式', 'clBtnFace', '标题行和行指示列', '', '3'),
  ('gridFontName', '表格字体', '表格样式', '字体类型(宋体) 字体大小(9) 字形(fsNormal)  ', '', '', '4'),
  ('gridFooterName', '表格合计行字体', '表格样式', '字体类型(宋体) 字体大小(9) 字形(fsBold)  ', '', '', '4');

-- The rights-controlled actions of the main window in menu-list order; actionNo is the
-- action's name and must match it exactly.
INSERT INTO sys_action (actionNo, actionName, category, sortNo) VALUES
  ('productAction', '物料设置', 'bas', 1),
  ('pIdAction', '物料类别设置', 'bas', 2),
  ('exitAction', '退出', 'bas', 3),
  ('reportAction', '报表设计', 'bas', 4),
  ('depAction', '部门设置', 'bas', 5),
  ('staffAction', '职员设置', 'bas', 6),
  ('drawingIdAction', '图纸类别', 'bas', 7),
  ('bomAction', 'bom物料清单', 'bas', 8),
  ('drawingAction', '产品图纸', 'bas', 9),
  ('deviceAction', '设备资料', 'bas', 10),
  ('processAction', '工序资料', 'bas', 11),
  ('cutterAction', '刀具资料', 'bas', 12),
  ('supAction', '供应商资料', 'bas', 13),
  ('custAction', '客户资料', 'bas', 14),
  ('whAction', '仓库资料', 'bas', 15),
  ('docTypeAction', '单据类型', 'bas', 16),
  ('wh_stockAction', '期初库存设置', 'bas', 17),
  ('bus_SOAction', '销售订单', 'bus', 18),
  ('bus_POAction', '采购订单', 'bus', 19),
  ('bus_PIAction', '采购入库单', 'bus', 20),
  ('bus_SDAction', '销售发货单', 'bus', 21),
  ('bus_taskAction', '生产任务单', 'bus', 22),
  ('wh_InAction', '入库单', 'bus', 23),
  ('wh_outAction', '出库单', 'bus', 24),
  ('bus_checkAction', '生产任务完工单', 'bus', 25),
  ('wh_mat_outAction', '原材料出库单', 'bus', 26),
  ('check_POAction', '进货检验单', 'bus', 27),
  ('check_mcAction', '质量证明书', 'bus', 28),
  ('bus_flowAction', '工序流转卡', 'bus', 29),
  ('bus_SO_qryAction', '销售订单统计', 'Query', 30),
  ('bus_PO_qryAction', '采购订单统计', 'Query', 31),
  ('bus_PI_qryAction', '采购入库单统计', 'Query', 32),
  ('bus_SD_qryAction', '销售发货单统计', 'Query', 33),
  ('bus_task_qryAction', '生产任务单统计', 'Query', 34),
  ('wh_In_qryAction', '入库单统计', 'Query', 35),
  ('wh_out_qryAction', '出库单统计', 'Query', 36),
  ('wh_viewAction', '库存查询', 'Query', 37),
  ('bus_SO_unfAction', '未交付订单统计', 'Query', 38),
  ('sys_qryAction', '综合查询', 'Query', 39),
  ('stock_inventoryAction', '存货统计', 'Query', 40),
  ('bus_wageAction', '工资统计', 'Query', 41),
  ('bus_feeAction', '外协加工费统计', 'Query', 42),
  ('sys_rightsAction', '权限设置', 'sys', 43),
  ('sys_reportAction', '报表设计', 'sys', 44),
  ('sys_userAction', '用户设置', 'sys', 45),
  ('sys_pwdAction', '修改密码', 'sys', 46),
  ('sys_configAction', '系统设置', 'sys', 47),
  ('sys_logAction', '系统日志', 'sys', 48),
  ('sys_colAction', '表格显示设置', 'sys', 49),
  ('sys_qry_setAction', '综合查询设置', 'sys', 50);

-- Task types of production-task lines. Type 1 is what every new line gets.
INSERT INTO bas_taskId (taskIdNo, taskIDName, remark) VALUES
  (1, '正常生产', ''),
  (2, '返工返修', '不合格品返工'),
  (3, '外协加工', '委托外协单位加工'),
  (4, '补投', '报废后补充投产');
