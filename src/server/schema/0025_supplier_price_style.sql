---------------------------------------------------------------------------------------------------
-- The standard style of the supplier prices of a product (print category bas_supPrice): the
-- list screen's rows with the supplier's name, under the number of the product they belong to.
---------------------------------------------------------------------------------------------------

INSERT INTO sys_report (repNo, repCName, category, tableName, styleName, repFile, repFileName)
SELECT coalesce(max(repNo), 0) + 1, '供应商报价', '基础资料', 'bas_supPrice', '标准样式', CAST('<?xml version="1.0" encoding="UTF-8"?>
<report version="1" title="供应商报价">
  <page paper="A4" orientation="portrait" left="10" top="8" right="10" bottom="8"/>
  <band type="pageHeader" height="32">
    <text x="0" y="0" width="190" height="10" size="16" bold="true" align="center">供应商报价表</text>
    <text x="0" y="11" width="110" height="6">产品编号：[供应商报价."productNo"]</text>
    <text x="110" y="11" width="80" height="6" align="right" format="yyyy-MM-dd">打印日期：[Date]</text>
    <text x="0" y="25" width="12" height="7" bold="true" align="center" frame="all" background="#ebebeb">序号</text>
    <text x="12" y="25" width="30" height="7" bold="true" align="center" frame="all" background="#ebebeb">供应商编号</text>
    <text x="42" y="25" width="108" height="7" bold="true" align="center" frame="all" background="#ebebeb">供应商名称</text>
    <text x="150" y="25" width="40" height="7" bold="true" align="center" frame="all" background="#ebebeb">单价</text>
  </band>
  <band type="masterData" height="7" stretch="true" dataSource="供应商报价">
    <text x="0" y="0" width="12" height="7" align="center" frame="all">[Row]</text>
    <text x="12" y="0" width="30" height="7" frame="all">[供应商报价."supNo"]</text>
    <text x="42" y="0" width="108" height="7" wrap="true" autoStretch="true" frame="all">[供应商报价."supName"]</text>
    <text x="150" y="0" width="40" height="7" align="right" format="#,##0.00000" frame="all">[供应商报价."uPrice"]</text>
  </band>
  <band type="summary" height="8">
    <text x="0" y="1" width="190" height="7" align="right">共 [COUNT(供应商报价)] 家供应商</text>
  </band>
  <band type="pageFooter" height="6">
    <text x="0" y="0" width="80" height="6" size="8" color="#5a5a5a">打印时间：[Date] [Time]</text>
    <text x="55" y="0" width="80" height="6" size="8" align="center">第 [Page] 页 / 共 [TotalPages] 页</text>
  </band>
</report>
' AS BLOB), 'bas_supPrice_标准样式.xml'
FROM sys_report;
