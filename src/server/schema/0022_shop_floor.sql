---------------------------------------------------------------------------------------------------
-- Shop-floor reporting from a phone (/shop/): staff PINs, and what a record entered there needs.
---------------------------------------------------------------------------------------------------

-- A worker's PIN for the shop-floor page, as an argon2id hash set only by sp_setStaffPin. A
-- server table (qk_): no client statement reads or writes it, so the hashes never leave the server.
CREATE TABLE qk_staff_pin (
  staffNo NVARCHAR(10) COLLATE NOCASE PRIMARY KEY,
  pinHash VARCHAR(200),
  setBy NVARCHAR(20) COLLATE NOCASE,
  setDate DATETIME
);

-- A record reported from the shop floor: the process and department or device it was done in,
-- the pieces done, a remark, when it was entered, and the id the page gave the submission, so
-- that a request repeated after a dropped connection finds its record instead of adding one.
ALTER TABLE bus_flow ADD COLUMN procNo VARCHAR(10) COLLATE NOCASE;
ALTER TABLE bus_flow ADD COLUMN depNo VARCHAR(10) COLLATE NOCASE;
ALTER TABLE bus_flow ADD COLUMN doneQty DECIMAL(18,5);
ALTER TABLE bus_flow ADD COLUMN remark NVARCHAR(50) COLLATE NOCASE;
ALTER TABLE bus_flow ADD COLUMN entryTime DATETIME;
ALTER TABLE bus_flow ADD COLUMN submitId VARCHAR(64) COLLATE NOCASE;
CREATE UNIQUE INDEX ux_bus_flow_submitId ON bus_flow (submitId) WHERE submitId IS NOT NULL;

INSERT INTO sys_config (idName, idCName, category, idValue, remark, valueList, valType) VALUES
  ('shopOverPlanPct', '报工超计划容差(%)', '车间报工', '0',
   '车间报工累计完成数最多可超出计划数的百分比', '', '2');

-- The printed flow card: one block per task line with the QR code a phone opens it by on the
-- shop-floor page ([车间报工地址] is the client's server and account set), its records below.
INSERT INTO sys_report (repNo, repCName, category, tableName, styleName, repFile, repFileName)
SELECT coalesce(max(repNo), 0) + 1, '工序流转卡', '生产管理', 'bus_flow', '标准样式', CAST('<?xml version="1.0" encoding="UTF-8"?>
<report version="1" title="工序流转卡">
  <page paper="A4" orientation="portrait" left="10" top="10" right="10" bottom="10"/>
  <band type="pageHeader" height="18">
    <text x="0" y="0" width="190" height="10" size="18" bold="true" align="center">工 序 流 转 卡</text>
    <text x="0" y="11" width="190" height="6">物项号：[流转卡."gsNo"]</text>
  </band>
  <band type="groupHeader" height="38" groupBy="taskNo">
    <qrcode x="0" y="2" width="27" height="27">[车间报工地址]&amp;t=[流转卡."taskNo"]</qrcode>
    <text x="30" y="2" width="160" height="7" size="11" bold="true">任务号：[流转卡."taskNo"]</text>
    <text x="30" y="9" width="160" height="6">物料描述：[流转卡."des"]</text>
    <text x="30" y="15" width="60" height="6">工序：[流转卡."procName"]</text>
    <text x="90" y="15" width="100" height="6">部门：[流转卡."depName"]</text>
    <text x="30" y="21" width="60" height="6" format="#,##0.##">计划数：[流转卡."pQty"]</text>
    <text x="90" y="21" width="100" height="6" format="yyyy-MM-dd">计划完成：[流转卡."pDate"]</text>
    <text x="0" y="31" width="24" height="7" bold="true" align="center" frame="all" background="#ebebeb">操作者</text>
    <text x="24" y="31" width="38" height="7" bold="true" align="center" frame="all" background="#ebebeb">加工设备</text>
    <text x="62" y="31" width="20" height="7" bold="true" align="center" frame="all" background="#ebebeb">合格数</text>
    <text x="82" y="31" width="22" height="7" bold="true" align="center" frame="all" background="#ebebeb">因工报废数</text>
    <text x="104" y="31" width="22" height="7" bold="true" align="center" frame="all" background="#ebebeb">因料报废数</text>
    <text x="126" y="31" width="18" height="7" bold="true" align="center" frame="all" background="#ebebeb">返工数</text>
    <text x="144" y="31" width="20" height="7" bold="true" align="center" frame="all" background="#ebebeb">检验员</text>
    <text x="164" y="31" width="26" height="7" bold="true" align="center" frame="all" background="#ebebeb">检验日期</text>
  </band>
  <band type="masterData" height="7" dataSource="流转卡">
    <text x="0" y="0" width="24" height="7" frame="all">[流转卡."staffName"]</text>
    <text x="24" y="0" width="38" height="7" frame="all">[流转卡."dev"]</text>
    <text x="62" y="0" width="20" height="7" align="right" format="#,##0.##" frame="all">[流转卡."gqty"]</text>
    <text x="82" y="0" width="22" height="7" align="right" format="#,##0.##" frame="all">[流转卡."gfqty"]</text>
    <text x="104" y="0" width="22" height="7" align="right" format="#,##0.##" frame="all">[流转卡."lfqty"]</text>
    <text x="126" y="0" width="18" height="7" align="right" format="#,##0.##" frame="all">[流转卡."fxqty"]</text>
    <text x="144" y="0" width="20" height="7" frame="all">[流转卡."inspName"]</text>
    <text x="164" y="0" width="26" height="7" align="center" format="yyyy-MM-dd" frame="all">[流转卡."inspDate"]</text>
  </band>
  <band type="groupFooter" height="12" groupBy="taskNo">
    <text x="0" y="0" width="62" height="7" bold="true" align="center" frame="all">合    计</text>
    <text x="62" y="0" width="20" height="7" bold="true" align="right" format="#,##0.##" frame="all">[SUM(流转卡."gqty")]</text>
    <text x="82" y="0" width="22" height="7" bold="true" align="right" format="#,##0.##" frame="all">[SUM(流转卡."gfqty")]</text>
    <text x="104" y="0" width="22" height="7" bold="true" align="right" format="#,##0.##" frame="all">[SUM(流转卡."lfqty")]</text>
    <text x="126" y="0" width="18" height="7" bold="true" align="right" format="#,##0.##" frame="all">[SUM(流转卡."fxqty")]</text>
    <text x="144" y="0" width="46" height="7" frame="all"></text>
  </band>
  <band type="pageFooter" height="6">
    <text x="0" y="0" width="80" height="6" size="8" color="#5a5a5a">打印时间：[Date] [Time]</text>
    <text x="55" y="0" width="80" height="6" size="8" align="center">第 [Page] 页 / 共 [TotalPages] 页</text>
  </band>
</report>
' AS BLOB), 'bus_flow_标准样式.xml'
FROM sys_report;
