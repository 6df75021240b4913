-- The standard style ("标准样式") of every print category: the template each report starts from
-- and that new styles copy. repFile holds the template's XML bytes; the client writes them into
-- its cache directory before printing and reads them back after design.

INSERT INTO sys_report (repNo, repCName, category, tableName, styleName, repFile, repFileName)
VALUES (1, '入库单', '仓库管理', 'wh_in', '标准样式', CAST('<?xml version="1.0" encoding="UTF-8"?>
<report version="1" title="入库单">
  <page paper="A5" orientation="landscape" left="10" top="8" right="10" bottom="8"/>
  <band type="pageHeader" height="33">
    <text x="0" y="0" width="190" height="10" size="18" bold="true" align="center">入  库  单</text>
    <line x="73.64" y="10.2" width="42.72" height="0" lineWidth="0.4"/>
    <line x="73.64" y="11" width="42.72" height="0" lineWidth="0.4"/>
    <text x="0" y="13" width="63.33" height="6">单号：[入库单主表."keyNo"]</text>
    <text x="63.33" y="13" width="63.33" height="6" format="yyyy年M月d日">入库日期：[入库单主表."inDate"]</text>
    <text x="126.67" y="13" width="63.33" height="6" align="right">仓库：[入库单主表."whName"]</text>
    <text x="0" y="19" width="63.33" height="6">单据类型：[入库单主表."docType"]</text>
    <text x="63.33" y="19" width="126.67" height="6">备注：[入库单主表."remarkM"]</text>
    <text x="0" y="26" width="9" height="7" bold="true" align="center" frame="all" background="#ebebeb">序号</text>
    <text x="9" y="26" width="27" height="7" bold="true" align="center" frame="all" background="#ebebeb">产品编号</text>
    <text x="36" y="26" width="34" height="7" bold="true" align="center" frame="all" background="#ebebeb">产品名称</text>
    <text x="70" y="26" width="26" height="7" bold="true" align="center" frame="all" background="#ebebeb">规格</text>
    <text x="96" y="26" width="16" height="7" bold="true" align="center" frame="all" background="#ebebeb">材质</text>
    <text x="112" y="26" width="10" height="7" bold="true" align="center" frame="all" background="#ebebeb">单位</text>
    <text x="122" y="26" width="16" height="7" bold="true" align="center" frame="all" background="#ebebeb">数量</text>
    <text x="138" y="26" width="16" height="7" bold="true" align="center" frame="all" background="#ebebeb">单价</text>
    <text x="154" y="26" width="20" height="7" bold="true" align="center" frame="all" background="#ebebeb">金额</text>
    <text x="174" y="26" width="16" height="7" bold="true" align="center" frame="all" background="#ebebeb">备注</text>
  </band>
  <band type="masterData" height="0" startNewPage="true" dataSource="入库单主表"/>
  <band type="detailData" height="7" stretch="true" dataSource="入库单明细表" masterKey="keyNo" detailKey="keyNo">
    <text x="0" y="0" width="9" height="7" align="center" frame="all">[Row]</text>
    <text x="9" y="0" width="27" height="7" frame="all">[入库单明细表."productNo"]</text>
    <text x="36" y="0" width="34" height="7" wrap="true" autoStretch="true" frame="all">[入库单明细表."pName"]</text>
    <text x="70" y="0" width="26" height="7" frame="all">[入库单明细表."pSize"]</text>
    <text x="96" y="0" width="16" height="7" frame="all">[入库单明细表."pMat"]</text>
    <text x="112" y="0" width="10" height="7" align="center" frame="all">[入库单明细表."pUnit"]</text>
    <text x="122" y="0" width="16" height="7" align="right" format="#,##0.##" frame="all">[入库单明细表."qty"]</text>
    <text x="138" y="0" width="16" height="7" align="right" format="#,##0.00" frame="all">[入库单明细表."uPrice"]</text>
    <text x="154" y="0" width="20" height="7" align="right" format="#,##0.00" frame="all">[入库单明细表."amount"]</text>
    <text x="174" y="0" width="16" height="7" frame="all">[入库单明细表."remark"]</text>
  </band>
  <band type="groupFooter" height="19" groupBy="keyNo">
    <text x="0" y="0" width="122" height="7" bold="true" align="center" frame="all">合    计</text>
    <text x="122" y="0" width="16" height="7" bold="true" align="right" format="#,##0.##" frame="all">[SUM(入库单明细表."qty")]</text>
    <text x="138" y="0" width="16" height="7" align="right" format="#,##0.00" frame="all"></text>
    <text x="154" y="0" width="20" height="7" bold="true" align="right" format="#,##0.00" frame="all">[SUM(入库单明细表."amount")]</text>
    <text x="174" y="0" width="16" height="7" frame="all"></text>
    <text x="0" y="11" width="47.5" height="7">制单：[入库单主表."userName"]</text>
    <text x="47.5" y="11" width="47.5" height="7">审核：[入库单主表."audName"]</text>
    <text x="95" y="11" width="47.5" height="7">保管员：[入库单主表."keeper"]</text>
    <text x="142.5" y="11" width="47.5" height="7">经手人：</text>
  </band>
  <band type="pageFooter" height="6">
    <text x="0" y="0" width="80" height="6" size="8" color="#5a5a5a">打印时间：[Date] [Time]</text>
    <text x="55" y="0" width="80" height="6" size="8" align="center">第 [Page] 页 / 共 [TotalPages] 页</text>
  </band>
</report>
' AS BLOB), 'wh_in_标准样式.xml');

INSERT INTO sys_report (repNo, repCName, category, tableName, styleName, repFile, repFileName)
VALUES (2, '出库单', '仓库管理', 'wh_out', '标准样式', CAST('<?xml version="1.0" encoding="UTF-8"?>
<report version="1" title="出库单">
  <page paper="A5" orientation="landscape" left="10" top="8" right="10" bottom="8"/>
  <band type="pageHeader" height="33">
    <text x="0" y="0" width="190" height="10" size="18" bold="true" align="center">出  库  单</text>
    <line x="73.64" y="10.2" width="42.72" height="0" lineWidth="0.4"/>
    <line x="73.64" y="11" width="42.72" height="0" lineWidth="0.4"/>
    <text x="0" y="13" width="63.33" height="6">单号：[出库单主表."keyNo"]</text>
    <text x="63.33" y="13" width="63.33" height="6" format="yyyy年M月d日">出库日期：[出库单主表."outDate"]</text>
    <text x="126.67" y="13" width="63.33" height="6" align="right">仓库：[出库单主表."whName"]</text>
    <text x="0" y="19" width="63.33" height="6">单据类型：[出库单主表."docType"]</text>
    <text x="63.33" y="19" width="126.67" height="6">备注：[出库单主表."remarkM"]</text>
    <text x="0" y="26" width="9" height="7" bold="true" align="center" frame="all" background="#ebebeb">序号</text>
    <text x="9" y="26" width="27" height="7" bold="true" align="center" frame="all" background="#ebebeb">产品编号</text>
    <text x="36" y="26" width="34" height="7" bold="true" align="center" frame="all" background="#ebebeb">产品名称</text>
    <text x="70" y="26" width="26" height="7" bold="true" align="center" frame="all" background="#ebebeb">规格</text>
    <text x="96" y="26" width="16" height="7" bold="true" align="center" frame="all" background="#ebebeb">材质</text>
    <text x="112" y="26" width="10" height="7" bold="true" align="center" frame="all" background="#ebebeb">单位</text>
    <text x="122" y="26" width="16" height="7" bold="true" align="center" frame="all" background="#ebebeb">数量</text>
    <text x="138" y="26" width="16" height="7" bold="true" align="center" frame="all" background="#ebebeb">单价</text>
    <text x="154" y="26" width="20" height="7" bold="true" align="center" frame="all" background="#ebebeb">金额</text>
    <text x="174" y="26" width="16" height="7" bold="true" align="center" frame="all" background="#ebebeb">备注</text>
  </band>
  <band type="masterData" height="0" startNewPage="true" dataSource="出库单主表"/>
  <band type="detailData" height="7" stretch="true" dataSource="出库单明细表" masterKey="keyNo" detailKey="keyNo">
    <text x="0" y="0" width="9" height="7" align="center" frame="all">[Row]</text>
    <text x="9" y="0" width="27" height="7" frame="all">[出库单明细表."productNo"]</text>
    <text x="36" y="0" width="34" height="7" wrap="true" autoStretch="true" frame="all">[出库单明细表."pName"]</text>
    <text x="70" y="0" width="26" height="7" frame="all">[出库单明细表."pSize"]</text>
    <text x="96" y="0" width="16" height="7" frame="all">[出库单明细表."pMat"]</text>
    <text x="112" y="0" width="10" height="7" align="center" frame="all">[出库单明细表."pUnit"]</text>
    <text x="122" y="0" width="16" height="7" align="right" format="#,##0.##" frame="all">[出库单明细表."qty"]</text>
    <text x="138" y="0" width="16" height="7" align="right" format="#,##0.00" frame="all">[出库单明细表."uPrice"]</text>
    <text x="154" y="0" width="20" height="7" align="right" format="#,##0.00" frame="all">[出库单明细表."amount"]</text>
    <text x="174" y="0" width="16" height="7" frame="all">[出库单明细表."remark"]</text>
  </band>
  <band type="groupFooter" height="19" groupBy="keyNo">
    <text x="0" y="0" width="122" height="7" bold="true" align="center" frame="all">合    计</text>
    <text x="122" y="0" width="16" height="7" bold="true" align="right" format="#,##0.##" frame="all">[SUM(出库单明细表."qty")]</text>
    <text x="138" y="0" width="16" height="7" align="right" format="#,##0.00" frame="all"></text>
    <text x="154" y="0" width="20" height="7" bold="true" align="right" format="#,##0.00" frame="all">[SUM(出库单明细表."amount")]</text>
    <text x="174" y="0" width="16" height="7" frame="all"></text>
    <text x="0" y="11" width="47.5" height="7">制单：[出库单主表."userName"]</text>
    <text x="47.5" y="11" width="47.5" height="7">审核：[出库单主表."audName"]</text>
    <text x="95" y="11" width="47.5" height="7">保管员：[出库单主表."keeper"]</text>
    <text x="142.5" y="11" width="47.5" height="7">领用人：</text>
  </band>
  <band type="pageFooter" height="6">
    <text x="0" y="0" width="80" height="6" size="8" color="#5a5a5a">打印时间：[Date] [Time]</text>
    <text x="55" y="0" width="80" height="6" size="8" align="center">第 [Page] 页 / 共 [TotalPages] 页</text>
  </band>
</report>
' AS BLOB), 'wh_out_标准样式.xml');

INSERT INTO sys_report (repNo, repCName, category, tableName, styleName, repFile, repFileName)
VALUES (3, '原材料出库单', '仓库管理', 'mat_out', '标准样式', CAST('<?xml version="1.0" encoding="UTF-8"?>
<report version="1" title="原材料出库单">
  <page paper="A5" orientation="landscape" left="10" top="8" right="10" bottom="8"/>
  <band type="pageHeader" height="33">
    <text x="0" y="0" width="190" height="10" size="18" bold="true" align="center">原材料出库单</text>
    <line x="76.12" y="10.2" width="37.76" height="0" lineWidth="0.4"/>
    <line x="76.12" y="11" width="37.76" height="0" lineWidth="0.4"/>
    <text x="0" y="13" width="63.33" height="6">单号：[原材料出库单主表."keyNo"]</text>
    <text x="63.33" y="13" width="63.33" height="6" format="yyyy年M月d日">出库日期：[原材料出库单主表."moDate"]</text>
    <text x="126.67" y="13" width="63.33" height="6" align="right">仓库：[原材料出库单主表."whName"]</text>
    <text x="0" y="19" width="190" height="6">备注：[原材料出库单主表."remarkM"]</text>
    <text x="0" y="26" width="9" height="7" bold="true" align="center" frame="all" background="#ebebeb">序号</text>
    <text x="9" y="26" width="24" height="7" bold="true" align="center" frame="all" background="#ebebeb">采购批号</text>
    <text x="33" y="26" width="24" height="7" bold="true" align="center" frame="all" background="#ebebeb">材料编号</text>
    <text x="57" y="26" width="49" height="7" bold="true" align="center" frame="all" background="#ebebeb">材料名称规格</text>
    <text x="106" y="26" width="10" height="7" bold="true" align="center" frame="all" background="#ebebeb">单位</text>
    <text x="116" y="26" width="16" height="7" bold="true" align="center" frame="all" background="#ebebeb">数量</text>
    <text x="132" y="26" width="16" height="7" bold="true" align="center" frame="all" background="#ebebeb">单价</text>
    <text x="148" y="26" width="20" height="7" bold="true" align="center" frame="all" background="#ebebeb">金额</text>
    <text x="168" y="26" width="22" height="7" bold="true" align="center" frame="all" background="#ebebeb">任务号</text>
  </band>
  <band type="masterData" height="0" startNewPage="true" dataSource="原材料出库单主表"/>
  <band type="detailData" height="7" stretch="true" dataSource="原材料出库单明细表" masterKey="keyNo" detailKey="keyNo">
    <text x="0" y="0" width="9" height="7" align="center" frame="all">[Row]</text>
    <text x="9" y="0" width="24" height="7" frame="all">[原材料出库单明细表."psNo"]</text>
    <text x="33" y="0" width="24" height="7" frame="all">[原材料出库单明细表."productNo"]</text>
    <text x="57" y="0" width="49" height="7" wrap="true" autoStretch="true" frame="all">[原材料出库单明细表."matDes"]</text>
    <text x="106" y="0" width="10" height="7" align="center" frame="all">[原材料出库单明细表."matUnit"]</text>
    <text x="116" y="0" width="16" height="7" align="right" format="#,##0.##" frame="all">[原材料出库单明细表."qty"]</text>
    <text x="132" y="0" width="16" height="7" align="right" format="#,##0.00" frame="all">[原材料出库单明细表."uPrice"]</text>
    <text x="148" y="0" width="20" height="7" align="right" format="#,##0.00" frame="all">[原材料出库单明细表."amount"]</text>
    <text x="168" y="0" width="22" height="7" frame="all">[原材料出库单明细表."taskNo"]</text>
  </band>
  <band type="groupFooter" height="19" groupBy="keyNo">
    <text x="0" y="0" width="116" height="7" bold="true" align="center" frame="all">合    计</text>
    <text x="116" y="0" width="16" height="7" bold="true" align="right" format="#,##0.##" frame="all">[SUM(原材料出库单明细表."qty")]</text>
    <text x="132" y="0" width="16" height="7" align="right" format="#,##0.00" frame="all"></text>
    <text x="148" y="0" width="20" height="7" bold="true" align="right" format="#,##0.00" frame="all">[SUM(原材料出库单明细表."amount")]</text>
    <text x="168" y="0" width="22" height="7" frame="all"></text>
    <text x="0" y="11" width="47.5" height="7">制单：[原材料出库单主表."userName"]</text>
    <text x="47.5" y="11" width="47.5" height="7">审核：[原材料出库单主表."audName"]</text>
    <text x="95" y="11" width="47.5" height="7">发料人：</text>
    <text x="142.5" y="11" width="47.5" height="7">领料人：</text>
  </band>
  <band type="pageFooter" height="6">
    <text x="0" y="0" width="80" height="6" size="8" color="#5a5a5a">打印时间：[Date] [Time]</text>
    <text x="55" y="0" width="80" height="6" size="8" align="center">第 [Page] 页 / 共 [TotalPages] 页</text>
  </band>
</report>
' AS BLOB), 'mat_out_标准样式.xml');

INSERT INTO sys_report (repNo, repCName, category, tableName, styleName, repFile, repFileName)
VALUES (4, '采购入库单', '采购管理', 'bus_pi', '标准样式', CAST('<?xml version="1.0" encoding="UTF-8"?>
<report version="1" title="采购入库单">
  <page paper="A5" orientation="landscape" left="10" top="8" right="10" bottom="8"/>
  <band type="pageHeader" height="33">
    <text x="0" y="0" width="190" height="10" size="18" bold="true" align="center">采 购 入 库 单</text>
    <line x="68.68" y="10.2" width="52.64" height="0" lineWidth="0.4"/>
    <line x="68.68" y="11" width="52.64" height="0" lineWidth="0.4"/>
    <text x="0" y="13" width="63.33" height="6">单号：[采购入库单主表."keyNO"]</text>
    <text x="63.33" y="13" width="63.33" height="6" format="yyyy年M月d日">入库日期：[采购入库单主表."PIDate"]</text>
    <text x="126.67" y="13" width="63.33" height="6" align="right">供应商：[采购入库单主表."supName"]</text>
    <text x="0" y="19" width="63.33" height="6">仓库编号：[采购入库单主表."whNo"]</text>
    <text x="63.33" y="19" width="126.67" height="6">备注：[采购入库单主表."remarkM"]</text>
    <text x="0" y="26" width="9" height="7" bold="true" align="center" frame="all" background="#ebebeb">序号</text>
    <text x="9" y="26" width="24" height="7" bold="true" align="center" frame="all" background="#ebebeb">采购批号</text>
    <text x="33" y="26" width="24" height="7" bold="true" align="center" frame="all" background="#ebebeb">产品编号</text>
    <text x="57" y="26" width="30" height="7" bold="true" align="center" frame="all" background="#ebebeb">产品名称</text>
    <text x="87" y="26" width="24" height="7" bold="true" align="center" frame="all" background="#ebebeb">规格</text>
    <text x="111" y="26" width="15" height="7" bold="true" align="center" frame="all" background="#ebebeb">材质</text>
    <text x="126" y="26" width="10" height="7" bold="true" align="center" frame="all" background="#ebebeb">单位</text>
    <text x="136" y="26" width="16" height="7" bold="true" align="center" frame="all" background="#ebebeb">数量</text>
    <text x="152" y="26" width="16" height="7" bold="true" align="center" frame="all" background="#ebebeb">单价</text>
    <text x="168" y="26" width="22" height="7" bold="true" align="center" frame="all" background="#ebebeb">金额</text>
  </band>
  <band type="masterData" height="0" startNewPage="true" dataSource="采购入库单主表"/>
  <band type="detailData" height="7" stretch="true" dataSource="采购入库单明细表" masterKey="keyNo" detailKey="keyNo">
    <text x="0" y="0" width="9" height="7" align="center" frame="all">[Row]</text>
    <text x="9" y="0" width="24" height="7" frame="all">[采购入库单明细表."PSNo"]</text>
    <text x="33" y="0" width="24" height="7" frame="all">[采购入库单明细表."productNo"]</text>
    <text x="57" y="0" width="30" height="7" wrap="true" autoStretch="true" frame="all">[采购入库单明细表."pName"]</text>
    <text x="87" y="0" width="24" height="7" frame="all">[采购入库单明细表."pSize"]</text>
    <text x="111" y="0" width="15" height="7" frame="all">[采购入库单明细表."pMat"]</text>
    <text x="126" y="0" width="10" height="7" align="center" frame="all">[采购入库单明细表."pUnit"]</text>
    <text x="136" y="0" width="16" height="7" align="right" format="#,##0.##" frame="all">[采购入库单明细表."qty"]</text>
    <text x="152" y="0" width="16" height="7" align="right" format="#,##0.00" frame="all">[采购入库单明细表."uprice"]</text>
    <text x="168" y="0" width="22" height="7" align="right" format="#,##0.00" frame="all">[采购入库单明细表."amount"]</text>
  </band>
  <band type="groupFooter" height="19" groupBy="keyNo">
    <text x="0" y="0" width="136" height="7" bold="true" align="center" frame="all">合    计</text>
    <text x="136" y="0" width="16" height="7" bold="true" align="right" format="#,##0.##" frame="all">[SUM(采购入库单明细表."qty")]</text>
    <text x="152" y="0" width="16" height="7" align="right" format="#,##0.00" frame="all"></text>
    <text x="168" y="0" width="22" height="7" bold="true" align="right" format="#,##0.00" frame="all">[SUM(采购入库单明细表."amount")]</text>
    <text x="0" y="11" width="47.5" height="7">制单：[采购入库单主表."userName"]</text>
    <text x="47.5" y="11" width="47.5" height="7">审核：[采购入库单主表."audName"]</text>
    <text x="95" y="11" width="47.5" height="7">仓管员：</text>
    <text x="142.5" y="11" width="47.5" height="7">采购员：</text>
  </band>
  <band type="pageFooter" height="6">
    <text x="0" y="0" width="80" height="6" size="8" color="#5a5a5a">打印时间：[Date] [Time]</text>
    <text x="55" y="0" width="80" height="6" size="8" align="center">第 [Page] 页 / 共 [TotalPages] 页</text>
  </band>
</report>
' AS BLOB), 'bus_pi_标准样式.xml');

INSERT INTO sys_report (repNo, repCName, category, tableName, styleName, repFile, repFileName)
VALUES (5, '采购订单', '采购管理', 'bus_po', '标准样式', CAST('<?xml version="1.0" encoding="UTF-8"?>
<report version="1" title="采购订单">
  <page paper="A4" orientation="portrait" left="10" top="8" right="10" bottom="8"/>
  <band type="pageHeader" height="33">
    <text x="0" y="0" width="190" height="10" size="18" bold="true" align="center">采  购  订  单</text>
    <line x="66.2" y="10.2" width="57.6" height="0" lineWidth="0.4"/>
    <line x="66.2" y="11" width="57.6" height="0" lineWidth="0.4"/>
    <text x="0" y="13" width="63.33" height="6">订单号：[采购订单主表."keyNo"]</text>
    <text x="63.33" y="13" width="63.33" height="6" format="yyyy年M月d日">交货日期：[采购订单主表."purDate"]</text>
    <text x="126.67" y="13" width="63.33" height="6" align="right">供应商：[采购订单主表."supName"]</text>
    <text x="0" y="19" width="63.33" height="6" format="yyyy年M月d日">制单日期：[采购订单主表."docDate"]</text>
    <text x="63.33" y="19" width="126.67" height="6">备注：[采购订单主表."remarkM"]</text>
    <text x="0" y="26" width="9" height="7" bold="true" align="center" frame="all" background="#ebebeb">序号</text>
    <text x="9" y="26" width="24" height="7" bold="true" align="center" frame="all" background="#ebebeb">采购批号</text>
    <text x="33" y="26" width="24" height="7" bold="true" align="center" frame="all" background="#ebebeb">产品编号</text>
    <text x="57" y="26" width="30" height="7" bold="true" align="center" frame="all" background="#ebebeb">产品名称</text>
    <text x="87" y="26" width="24" height="7" bold="true" align="center" frame="all" background="#ebebeb">规格</text>
    <text x="111" y="26" width="15" height="7" bold="true" align="center" frame="all" background="#ebebeb">材质</text>
    <text x="126" y="26" width="10" height="7" bold="true" align="center" frame="all" background="#ebebeb">单位</text>
    <text x="136" y="26" width="16" height="7" bold="true" align="center" frame="all" background="#ebebeb">数量</text>
    <text x="152" y="26" width="16" height="7" bold="true" align="center" frame="all" background="#ebebeb">单价</text>
    <text x="168" y="26" width="22" height="7" bold="true" align="center" frame="all" background="#ebebeb">金额</text>
  </band>
  <band type="masterData" height="0" startNewPage="true" dataSource="采购订单主表"/>
  <band type="detailData" height="7" stretch="true" dataSource="采购订单明细表" masterKey="keyNo" detailKey="keyNo">
    <text x="0" y="0" width="9" height="7" align="center" frame="all">[Row]</text>
    <text x="9" y="0" width="24" height="7" frame="all">[采购订单明细表."psNo"]</text>
    <text x="33" y="0" width="24" height="7" frame="all">[采购订单明细表."productNo"]</text>
    <text x="57" y="0" width="30" height="7" wrap="true" autoStretch="true" frame="all">[采购订单明细表."pName"]</text>
    <text x="87" y="0" width="24" height="7" frame="all">[采购订单明细表."pSize"]</text>
    <text x="111" y="0" width="15" height="7" frame="all">[采购订单明细表."pMat"]</text>
    <text x="126" y="0" width="10" height="7" align="center" frame="all">[采购订单明细表."pUnit"]</text>
    <text x="136" y="0" width="16" height="7" align="right" format="#,##0.##" frame="all">[采购订单明细表."Qty"]</text>
    <text x="152" y="0" width="16" height="7" align="right" format="#,##0.00" frame="all">[采购订单明细表."uPrice"]</text>
    <text x="168" y="0" width="22" height="7" align="right" format="#,##0.00" frame="all">[采购订单明细表."amount"]</text>
  </band>
  <band type="groupFooter" height="19" groupBy="keyNo">
    <text x="0" y="0" width="136" height="7" bold="true" align="center" frame="all">合    计</text>
    <text x="136" y="0" width="16" height="7" bold="true" align="right" format="#,##0.##" frame="all">[SUM(采购订单明细表."Qty")]</text>
    <text x="152" y="0" width="16" height="7" align="right" format="#,##0.00" frame="all"></text>
    <text x="168" y="0" width="22" height="7" bold="true" align="right" format="#,##0.00" frame="all">[SUM(采购订单明细表."amount")]</text>
    <text x="0" y="11" width="47.5" height="7">制单：[采购订单主表."userName"]</text>
    <text x="47.5" y="11" width="47.5" height="7">审核：[采购订单主表."audName"]</text>
    <text x="95" y="11" width="47.5" height="7">采购员：</text>
    <text x="142.5" y="11" width="47.5" height="7">供应商确认：</text>
  </band>
  <band type="pageFooter" height="6">
    <text x="0" y="0" width="80" height="6" size="8" color="#5a5a5a">打印时间：[Date] [Time]</text>
    <text x="55" y="0" width="80" height="6" size="8" align="center">第 [Page] 页 / 共 [TotalPages] 页</text>
  </band>
</report>
' AS BLOB), 'bus_po_标准样式.xml');

INSERT INTO sys_report (repNo, repCName, category, tableName, styleName, repFile, repFileName)
VALUES (6, '销售订单', '销售管理', 'bus_so', '标准样式', CAST('<?xml version="1.0" encoding="UTF-8"?>
<report version="1" title="销售订单">
  <page paper="A4" orientation="portrait" left="10" top="8" right="10" bottom="8"/>
  <band type="pageHeader" height="33">
    <text x="0" y="0" width="190" height="10" size="18" bold="true" align="center">销  售  订  单</text>
    <line x="66.2" y="10.2" width="57.6" height="0" lineWidth="0.4"/>
    <line x="66.2" y="11" width="57.6" height="0" lineWidth="0.4"/>
    <text x="0" y="13" width="63.33" height="6">订单号：[销售订单主表."keyNo"]</text>
    <text x="63.33" y="13" width="63.33" height="6" format="yyyy年M月d日">交货日期：[销售订单主表."dlvDate"]</text>
    <text x="126.67" y="13" width="63.33" height="6" align="right">客户：[销售订单主表."custName"]</text>
    <text x="0" y="19" width="63.33" height="6">客户订单号：[销售订单主表."purNo"]</text>
    <text x="63.33" y="19" width="63.33" height="6">唛头：[销售订单主表."marking"]</text>
    <text x="126.67" y="19" width="63.33" height="6" align="right">备注：[销售订单主表."remarkM"]</text>
    <text x="0" y="26" width="9" height="7" bold="true" align="center" frame="all" background="#ebebeb">序号</text>
    <text x="9" y="26" width="24" height="7" bold="true" align="center" frame="all" background="#ebebeb">物项号</text>
    <text x="33" y="26" width="24" height="7" bold="true" align="center" frame="all" background="#ebebeb">产品编号</text>
    <text x="57" y="26" width="30" height="7" bold="true" align="center" frame="all" background="#ebebeb">产品名称</text>
    <text x="87" y="26" width="24" height="7" bold="true" align="center" frame="all" background="#ebebeb">规格</text>
    <text x="111" y="26" width="15" height="7" bold="true" align="center" frame="all" background="#ebebeb">材质</text>
    <text x="126" y="26" width="10" height="7" bold="true" align="center" frame="all" background="#ebebeb">单位</text>
    <text x="136" y="26" width="16" height="7" bold="true" align="center" frame="all" background="#ebebeb">数量</text>
    <text x="152" y="26" width="16" height="7" bold="true" align="center" frame="all" background="#ebebeb">单价</text>
    <text x="168" y="26" width="22" height="7" bold="true" align="center" frame="all" background="#ebebeb">金额</text>
  </band>
  <band type="masterData" height="0" startNewPage="true" dataSource="销售订单主表"/>
  <band type="detailData" height="7" stretch="true" dataSource="销售订单明细表" masterKey="keyNo" detailKey="keyNo">
    <text x="0" y="0" width="9" height="7" align="center" frame="all">[Row]</text>
    <text x="9" y="0" width="24" height="7" frame="all">[销售订单明细表."gsNo"]</text>
    <text x="33" y="0" width="24" height="7" frame="all">[销售订单明细表."productNo"]</text>
    <text x="57" y="0" width="30" height="7" wrap="true" autoStretch="true" frame="all">[销售订单明细表."pName"]</text>
    <text x="87" y="0" width="24" height="7" frame="all">[销售订单明细表."pSize"]</text>
    <text x="111" y="0" width="15" height="7" frame="all">[销售订单明细表."pMat"]</text>
    <text x="126" y="0" width="10" height="7" align="center" frame="all">[销售订单明细表."pUnit"]</text>
    <text x="136" y="0" width="16" height="7" align="right" format="#,##0.##" frame="all">[销售订单明细表."qty"]</text>
    <text x="152" y="0" width="16" height="7" align="right" format="#,##0.00" frame="all">[销售订单明细表."uprice"]</text>
    <text x="168" y="0" width="22" height="7" align="right" format="#,##0.00" frame="all">[销售订单明细表."amount"]</text>
  </band>
  <band type="groupFooter" height="19" groupBy="keyNo">
    <text x="0" y="0" width="136" height="7" bold="true" align="center" frame="all">合    计</text>
    <text x="136" y="0" width="16" height="7" bold="true" align="right" format="#,##0.##" frame="all">[SUM(销售订单明细表."qty")]</text>
    <text x="152" y="0" width="16" height="7" align="right" format="#,##0.00" frame="all"></text>
    <text x="168" y="0" width="22" height="7" bold="true" align="right" format="#,##0.00" frame="all">[SUM(销售订单明细表."amount")]</text>
    <text x="0" y="11" width="47.5" height="7">制单：[销售订单主表."userName"]</text>
    <text x="47.5" y="11" width="47.5" height="7">审核：[销售订单主表."audName"]</text>
    <text x="95" y="11" width="47.5" height="7">业务员：</text>
    <text x="142.5" y="11" width="47.5" height="7">客户确认：</text>
  </band>
  <band type="pageFooter" height="6">
    <text x="0" y="0" width="80" height="6" size="8" color="#5a5a5a">打印时间：[Date] [Time]</text>
    <text x="55" y="0" width="80" height="6" size="8" align="center">第 [Page] 页 / 共 [TotalPages] 页</text>
  </band>
</report>
' AS BLOB), 'bus_so_标准样式.xml');

INSERT INTO sys_report (repNo, repCName, category, tableName, styleName, repFile, repFileName)
VALUES (7, '销售发货单', '销售管理', 'bus_sd', '标准样式', CAST('<?xml version="1.0" encoding="UTF-8"?>
<report version="1" title="销售发货单">
  <page paper="A5" orientation="landscape" left="10" top="8" right="10" bottom="8"/>
  <band type="pageHeader" height="33">
    <text x="0" y="0" width="190" height="10" size="18" bold="true" align="center">销 售 发 货 单</text>
    <line x="68.68" y="10.2" width="52.64" height="0" lineWidth="0.4"/>
    <line x="68.68" y="11" width="52.64" height="0" lineWidth="0.4"/>
    <text x="0" y="13" width="63.33" height="6">单号：[销售发货单主表."keyNo"]</text>
    <text x="63.33" y="13" width="63.33" height="6" format="yyyy年M月d日">发货日期：[销售发货单主表."dDate"]</text>
    <text x="126.67" y="13" width="63.33" height="6" align="right">客户：[销售发货单主表."custName"]</text>
    <text x="0" y="19" width="63.33" height="6">仓库编号：[销售发货单主表."whNo"]</text>
    <text x="63.33" y="19" width="126.67" height="6">备注：[销售发货单主表."remarkM"]</text>
    <text x="0" y="26" width="9" height="7" bold="true" align="center" frame="all" background="#ebebeb">序号</text>
    <text x="9" y="26" width="24" height="7" bold="true" align="center" frame="all" background="#ebebeb">物项号</text>
    <text x="33" y="26" width="24" height="7" bold="true" align="center" frame="all" background="#ebebeb">产品编号</text>
    <text x="57" y="26" width="30" height="7" bold="true" align="center" frame="all" background="#ebebeb">产品名称</text>
    <text x="87" y="26" width="24" height="7" bold="true" align="center" frame="all" background="#ebebeb">规格</text>
    <text x="111" y="26" width="15" height="7" bold="true" align="center" frame="all" background="#ebebeb">材质</text>
    <text x="126" y="26" width="10" height="7" bold="true" align="center" frame="all" background="#ebebeb">单位</text>
    <text x="136" y="26" width="16" height="7" bold="true" align="center" frame="all" background="#ebebeb">数量</text>
    <text x="152" y="26" width="16" height="7" bold="true" align="center" frame="all" background="#ebebeb">单价</text>
    <text x="168" y="26" width="22" height="7" bold="true" align="center" frame="all" background="#ebebeb">金额</text>
  </band>
  <band type="masterData" height="0" startNewPage="true" dataSource="销售发货单主表"/>
  <band type="detailData" height="7" stretch="true" dataSource="销售发货单明细表" masterKey="keyNo" detailKey="keyNo">
    <text x="0" y="0" width="9" height="7" align="center" frame="all">[Row]</text>
    <text x="9" y="0" width="24" height="7" frame="all">[销售发货单明细表."gsNo"]</text>
    <text x="33" y="0" width="24" height="7" frame="all">[销售发货单明细表."productNo"]</text>
    <text x="57" y="0" width="30" height="7" wrap="true" autoStretch="true" frame="all">[销售发货单明细表."pName"]</text>
    <text x="87" y="0" width="24" height="7" frame="all">[销售发货单明细表."pSize"]</text>
    <text x="111" y="0" width="15" height="7" frame="all">[销售发货单明细表."pMat"]</text>
    <text x="126" y="0" width="10" height="7" align="center" frame="all">[销售发货单明细表."pUnit"]</text>
    <text x="136" y="0" width="16" height="7" align="right" format="#,##0.##" frame="all">[销售发货单明细表."qty"]</text>
    <text x="152" y="0" width="16" height="7" align="right" format="#,##0.00" frame="all">[销售发货单明细表."uprice"]</text>
    <text x="168" y="0" width="22" height="7" align="right" format="#,##0.00" frame="all">[销售发货单明细表."amount"]</text>
  </band>
  <band type="groupFooter" height="19" groupBy="keyNo">
    <text x="0" y="0" width="136" height="7" bold="true" align="center" frame="all">合    计</text>
    <text x="136" y="0" width="16" height="7" bold="true" align="right" format="#,##0.##" frame="all">[SUM(销售发货单明细表."qty")]</text>
    <text x="152" y="0" width="16" height="7" align="right" format="#,##0.00" frame="all"></text>
    <text x="168" y="0" width="22" height="7" bold="true" align="right" format="#,##0.00" frame="all">[SUM(销售发货单明细表."amount")]</text>
    <text x="0" y="11" width="47.5" height="7">制单：[销售发货单主表."userName"]</text>
    <text x="47.5" y="11" width="47.5" height="7">审核：[销售发货单主表."audName"]</text>
    <text x="95" y="11" width="47.5" height="7">发货人：</text>
    <text x="142.5" y="11" width="47.5" height="7">收货人：</text>
  </band>
  <band type="pageFooter" height="6">
    <text x="0" y="0" width="80" height="6" size="8" color="#5a5a5a">打印时间：[Date] [Time]</text>
    <text x="55" y="0" width="80" height="6" size="8" align="center">第 [Page] 页 / 共 [TotalPages] 页</text>
  </band>
</report>
' AS BLOB), 'bus_sd_标准样式.xml');

INSERT INTO sys_report (repNo, repCName, category, tableName, styleName, repFile, repFileName)
VALUES (8, '生产任务单', '生产管理', 'bus_task', '标准样式', CAST('<?xml version="1.0" encoding="UTF-8"?>
<report version="1" title="生产任务单">
  <page paper="A4" orientation="portrait" left="10" top="8" right="10" bottom="8"/>
  <band type="pageHeader" height="33">
    <text x="0" y="0" width="190" height="10" size="18" bold="true" align="center">生 产 任 务 单</text>
    <line x="68.68" y="10.2" width="52.64" height="0" lineWidth="0.4"/>
    <line x="68.68" y="11" width="52.64" height="0" lineWidth="0.4"/>
    <text x="0" y="13" width="63.33" height="6">任务单号：[生产任务单主表."keyNo"]</text>
    <text x="63.33" y="13" width="63.33" height="6">物项号：[生产任务单主表."gsNo"]</text>
    <text x="126.67" y="13" width="63.33" height="6" align="right" format="yyyy年M月d日">制单日期：[生产任务单主表."docDate"]</text>
    <text x="0" y="19" width="190" height="6">备注：[生产任务单主表."remarkM"]</text>
    <text x="0" y="26" width="9" height="7" bold="true" align="center" frame="all" background="#ebebeb">序号</text>
    <text x="9" y="26" width="26" height="7" bold="true" align="center" frame="all" background="#ebebeb">任务号</text>
    <text x="35" y="26" width="30" height="7" bold="true" align="center" frame="all" background="#ebebeb">产品名称</text>
    <text x="65" y="26" width="24" height="7" bold="true" align="center" frame="all" background="#ebebeb">规格</text>
    <text x="89" y="26" width="15" height="7" bold="true" align="center" frame="all" background="#ebebeb">材质</text>
    <text x="104" y="26" width="10" height="7" bold="true" align="center" frame="all" background="#ebebeb">单位</text>
    <text x="114" y="26" width="16" height="7" bold="true" align="center" frame="all" background="#ebebeb">数量</text>
    <text x="130" y="26" width="20" height="7" bold="true" align="center" frame="all" background="#ebebeb">工序</text>
    <text x="150" y="26" width="18" height="7" bold="true" align="center" frame="all" background="#ebebeb">部门</text>
    <text x="168" y="26" width="22" height="7" bold="true" align="center" frame="all" background="#ebebeb">计划完成</text>
  </band>
  <band type="masterData" height="0" startNewPage="true" dataSource="生产任务单主表"/>
  <band type="detailData" height="7" stretch="true" dataSource="生产任务单明细表" masterKey="keyNo" detailKey="keyNo">
    <text x="0" y="0" width="9" height="7" align="center" frame="all">[Row]</text>
    <text x="9" y="0" width="26" height="7" frame="all">[生产任务单明细表."taskNo"]</text>
    <text x="35" y="0" width="30" height="7" wrap="true" autoStretch="true" frame="all">[生产任务单明细表."pName"]</text>
    <text x="65" y="0" width="24" height="7" frame="all">[生产任务单明细表."pSize"]</text>
    <text x="89" y="0" width="15" height="7" frame="all">[生产任务单明细表."pMat"]</text>
    <text x="104" y="0" width="10" height="7" align="center" frame="all">[生产任务单明细表."pUnit"]</text>
    <text x="114" y="0" width="16" height="7" align="right" format="#,##0.##" frame="all">[生产任务单明细表."qty"]</text>
    <text x="130" y="0" width="20" height="7" frame="all">[生产任务单明细表."procName"]</text>
    <text x="150" y="0" width="18" height="7" frame="all">[生产任务单明细表."depName"]</text>
    <text x="168" y="0" width="22" height="7" align="center" format="yyyy-MM-dd" frame="all">[生产任务单明细表."pDate"]</text>
  </band>
  <band type="groupFooter" height="19" groupBy="keyNo">
    <text x="0" y="0" width="114" height="7" bold="true" align="center" frame="all">合    计</text>
    <text x="114" y="0" width="16" height="7" bold="true" align="right" format="#,##0.##" frame="all">[SUM(生产任务单明细表."qty")]</text>
    <text x="130" y="0" width="20" height="7" frame="all"></text>
    <text x="150" y="0" width="18" height="7" frame="all"></text>
    <text x="168" y="0" width="22" height="7" align="center" format="yyyy-MM-dd" frame="all"></text>
    <text x="0" y="11" width="47.5" height="7">制单：[生产任务单主表."userName"]</text>
    <text x="47.5" y="11" width="47.5" height="7">审核：[生产任务单主表."audName"]</text>
    <text x="95" y="11" width="47.5" height="7">生产负责人：</text>
    <text x="142.5" y="11" width="47.5" height="7">接收人：</text>
  </band>
  <band type="pageFooter" height="6">
    <text x="0" y="0" width="80" height="6" size="8" color="#5a5a5a">打印时间：[Date] [Time]</text>
    <text x="55" y="0" width="80" height="6" size="8" align="center">第 [Page] 页 / 共 [TotalPages] 页</text>
  </band>
</report>
' AS BLOB), 'bus_task_标准样式.xml');

INSERT INTO sys_report (repNo, repCName, category, tableName, styleName, repFile, repFileName)
VALUES (9, '工艺卡片', '生产管理', 'bus_check', '标准样式', CAST('<?xml version="1.0" encoding="UTF-8"?>
<report version="1" title="工艺卡片">
  <page paper="A4" orientation="portrait" left="10" top="8" right="10" bottom="8"/>
  <band type="pageHeader" height="33">
    <text x="0" y="0" width="190" height="10" size="18" bold="true" align="center">工  艺  卡  片</text>
    <line x="66.2" y="10.2" width="57.6" height="0" lineWidth="0.4"/>
    <line x="66.2" y="11" width="57.6" height="0" lineWidth="0.4"/>
    <text x="0" y="13" width="63.33" height="6">卡片编号：[工艺卡片主表."keyNo"]</text>
    <text x="63.33" y="13" width="63.33" height="6">类型：[工艺卡片主表."docType"]</text>
    <text x="126.67" y="13" width="63.33" height="6" align="right">任务号：[工艺卡片主表."taskNo"]</text>
    <text x="0" y="19" width="63.33" height="6">材料牌号：[工艺卡片主表."matNo"]</text>
    <text x="63.33" y="19" width="63.33" height="6">毛坯尺寸：[工艺卡片主表."mpcc"]</text>
    <text x="126.67" y="19" width="63.33" height="6" align="right" format="#,##0.##">数量：[工艺卡片主表."qty"]</text>
    <text x="0" y="26" width="9" height="7" bold="true" align="center" frame="all" background="#ebebeb">序号</text>
    <text x="9" y="26" width="61" height="7" bold="true" align="center" frame="all" background="#ebebeb">工步内容</text>
    <text x="70" y="26" width="20" height="7" bold="true" align="center" frame="all" background="#ebebeb">刀具</text>
    <text x="90" y="26" width="20" height="7" bold="true" align="center" frame="all" background="#ebebeb">量具</text>
    <text x="110" y="26" width="16" height="7" bold="true" align="center" frame="all" background="#ebebeb">转速</text>
    <text x="126" y="26" width="16" height="7" bold="true" align="center" frame="all" background="#ebebeb">切削速度</text>
    <text x="142" y="26" width="16" height="7" bold="true" align="center" frame="all" background="#ebebeb">切深</text>
    <text x="158" y="26" width="16" height="7" bold="true" align="center" frame="all" background="#ebebeb">进给量</text>
    <text x="174" y="26" width="16" height="7" bold="true" align="center" frame="all" background="#ebebeb">工时</text>
  </band>
  <band type="masterData" height="0" startNewPage="true" dataSource="工艺卡片主表"/>
  <band type="detailData" height="7" stretch="true" dataSource="工艺卡片明细表" masterKey="keyNo" detailKey="keyNo">
    <text x="0" y="0" width="9" height="7" align="center" frame="all">[Row]</text>
    <text x="9" y="0" width="61" height="7" wrap="true" autoStretch="true" frame="all">[工艺卡片明细表."workStep"]</text>
    <text x="70" y="0" width="20" height="7" frame="all">[工艺卡片明细表."dj"]</text>
    <text x="90" y="0" width="20" height="7" frame="all">[工艺卡片明细表."lj"]</text>
    <text x="110" y="0" width="16" height="7" align="right" frame="all">[工艺卡片明细表."rotSpeed"]</text>
    <text x="126" y="0" width="16" height="7" align="right" format="#,##0.##" frame="all">[工艺卡片明细表."cutSpeed"]</text>
    <text x="142" y="0" width="16" height="7" align="right" format="#,##0.##" frame="all">[工艺卡片明细表."cutDeepth"]</text>
    <text x="158" y="0" width="16" height="7" align="right" format="#,##0.##" frame="all">[工艺卡片明细表."cutF"]</text>
    <text x="174" y="0" width="16" height="7" align="right" format="#,##0.##" frame="all">[工艺卡片明细表."cutTime"]</text>
  </band>
  <band type="groupFooter" height="19" groupBy="keyNo">
    <text x="0" y="0" width="174" height="7" bold="true" align="center" frame="all">合    计</text>
    <text x="174" y="0" width="16" height="7" bold="true" align="right" format="#,##0.##" frame="all">[SUM(工艺卡片明细表."cutTime")]</text>
    <text x="0" y="11" width="63.33" height="7">制单：[工艺卡片主表."userName"]</text>
    <text x="63.33" y="11" width="63.33" height="7">审核：[工艺卡片主表."audName"]</text>
    <text x="126.67" y="11" width="63.33" height="7">检验：[工艺卡片主表."inspName"]</text>
  </band>
  <band type="pageFooter" height="6">
    <text x="0" y="0" width="80" height="6" size="8" color="#5a5a5a">打印时间：[Date] [Time]</text>
    <text x="55" y="0" width="80" height="6" size="8" align="center">第 [Page] 页 / 共 [TotalPages] 页</text>
  </band>
</report>
' AS BLOB), 'bus_check_标准样式.xml');

INSERT INTO sys_report (repNo, repCName, category, tableName, styleName, repFile, repFileName)
VALUES (10, '质量证明书', '质量管理', 'check_mat', '标准样式', CAST('<?xml version="1.0" encoding="UTF-8"?>
<report version="1" title="质量证明书">
  <page paper="A4" orientation="portrait" left="10" top="8" right="10" bottom="8"/>
  <band type="pageHeader" height="28">
    <text x="0" y="0" width="190" height="10" size="18" bold="true" align="center">产 品 质 量 证 明 书</text>
    <line x="60" y="10.2" width="70" height="0" lineWidth="0.4"/>
    <line x="60" y="11" width="70" height="0" lineWidth="0.4"/>
    <text x="0" y="13" width="63" height="6">证书编号：[质量证明书."keyNo"]</text>
    <text x="63" y="13" width="64" height="6">客户：[质量证明书."custName"]</text>
    <text x="127" y="13" width="63" height="6" align="right">合同号：[质量证明书."custId"]</text>
    <text x="0" y="20" width="10" height="8" bold="true" align="center" frame="all" background="#ebebeb">序号</text>
    <text x="10" y="20" width="26" height="8" bold="true" align="center" frame="all" background="#ebebeb">物项号</text>
    <text x="36" y="20" width="36" height="8" bold="true" align="center" frame="all" background="#ebebeb">产品名称</text>
    <text x="72" y="20" width="32" height="8" bold="true" align="center" frame="all" background="#ebebeb">规格</text>
    <text x="104" y="20" width="22" height="8" bold="true" align="center" frame="all" background="#ebebeb">材质</text>
    <text x="126" y="20" width="28" height="8" bold="true" align="center" frame="all" background="#ebebeb">标准</text>
    <text x="154" y="20" width="16" height="8" bold="true" align="center" frame="all" background="#ebebeb">数量</text>
    <text x="170" y="20" width="20" height="8" bold="true" align="center" frame="all" background="#ebebeb">炉号</text>
  </band>
  <band type="masterData" height="9" dataSource="质量证明书" rowsPerPage="6">
    <text x="0" y="0" width="10" height="9" align="center" frame="all">[质量证明书."rowNo"]</text>
    <text x="10" y="0" width="26" height="9" frame="all">[质量证明书."sch"]</text>
    <text x="36" y="0" width="36" height="9" frame="all">[质量证明书."cName"]</text>
    <text x="72" y="0" width="32" height="9" frame="all">[质量证明书."cSize"]</text>
    <text x="104" y="0" width="22" height="9" frame="all">[质量证明书."cMat"]</text>
    <text x="126" y="0" width="28" height="9" frame="all">[质量证明书."cSta"]</text>
    <text x="154" y="0" width="16" height="9" align="right" format="#,##0.##" frame="all">[质量证明书."Qty"]</text>
    <text x="170" y="0" width="20" height="9" frame="all">[质量证明书."heatNo"]</text>
  </band>
  <band type="pageFooter" height="24">
    <text x="0" y="0" width="190" height="6">兹证明上列产品经检验符合相关标准及合同要求，准予出厂。</text>
    <text x="0" y="10" width="63" height="6">检验员：</text>
    <text x="63" y="10" width="64" height="6">审核：[质量证明书."audName"]</text>
    <text x="127" y="10" width="63" height="6" format="yyyy年M月d日">日期：[质量证明书."audDate"]</text>
    <text x="0" y="17" width="190" height="6" size="8" align="center">第 [Page] 页 / 共 [TotalPages] 页</text>
  </band>
</report>
' AS BLOB), 'check_mat_标准样式.xml');

INSERT INTO sys_report (repNo, repCName, category, tableName, styleName, repFile, repFileName)
VALUES (11, '客户资料', '基础资料', 'bas_cust', '标准样式', CAST('<?xml version="1.0" encoding="UTF-8"?>
<report version="1" title="客户资料">
  <page paper="A4" orientation="portrait" left="10" top="8" right="10" bottom="8"/>
  <band type="pageHeader" height="25">
    <text x="0" y="0" width="190" height="10" size="16" bold="true" align="center">客户资料一览表</text>
    <text x="110" y="11" width="80" height="6" align="right" format="yyyy-MM-dd">打印日期：[Date]</text>
    <text x="0" y="18" width="20" height="7" bold="true" align="center" frame="all" background="#ebebeb">客户编号</text>
    <text x="20" y="18" width="50" height="7" bold="true" align="center" frame="all" background="#ebebeb">客户名称</text>
    <text x="70" y="18" width="20" height="7" bold="true" align="center" frame="all" background="#ebebeb">联系人</text>
    <text x="90" y="18" width="28" height="7" bold="true" align="center" frame="all" background="#ebebeb">电话</text>
    <text x="118" y="18" width="28" height="7" bold="true" align="center" frame="all" background="#ebebeb">传真</text>
    <text x="146" y="18" width="44" height="7" bold="true" align="center" frame="all" background="#ebebeb">地址</text>
  </band>
  <band type="masterData" height="7" stretch="true" dataSource="客户资料">
    <text x="0" y="0" width="20" height="7" frame="all">[客户资料."custNo"]</text>
    <text x="20" y="0" width="50" height="7" wrap="true" autoStretch="true" frame="all">[客户资料."custName"]</text>
    <text x="70" y="0" width="20" height="7" frame="all">[客户资料."contact"]</text>
    <text x="90" y="0" width="28" height="7" frame="all">[客户资料."tel"]</text>
    <text x="118" y="0" width="28" height="7" frame="all">[客户资料."fax"]</text>
    <text x="146" y="0" width="44" height="7" wrap="true" autoStretch="true" frame="all">[客户资料."address"]</text>
  </band>
  <band type="summary" height="8">
    <text x="0" y="1" width="190" height="7" align="right">共 [COUNT(客户资料)] 条</text>
  </band>
  <band type="pageFooter" height="6">
    <text x="0" y="0" width="80" height="6" size="8" color="#5a5a5a">打印时间：[Date] [Time]</text>
    <text x="55" y="0" width="80" height="6" size="8" align="center">第 [Page] 页 / 共 [TotalPages] 页</text>
  </band>
</report>
' AS BLOB), 'bas_cust_标准样式.xml');

INSERT INTO sys_report (repNo, repCName, category, tableName, styleName, repFile, repFileName)
VALUES (12, '供应商资料', '基础资料', 'bas_sup', '标准样式', CAST('<?xml version="1.0" encoding="UTF-8"?>
<report version="1" title="供应商资料">
  <page paper="A4" orientation="portrait" left="10" top="8" right="10" bottom="8"/>
  <band type="pageHeader" height="25">
    <text x="0" y="0" width="190" height="10" size="16" bold="true" align="center">供应商资料一览表</text>
    <text x="110" y="11" width="80" height="6" align="right" format="yyyy-MM-dd">打印日期：[Date]</text>
    <text x="0" y="18" width="22" height="7" bold="true" align="center" frame="all" background="#ebebeb">供应商编号</text>
    <text x="22" y="18" width="50" height="7" bold="true" align="center" frame="all" background="#ebebeb">供应商名称</text>
    <text x="72" y="18" width="28" height="7" bold="true" align="center" frame="all" background="#ebebeb">电话</text>
    <text x="100" y="18" width="28" height="7" bold="true" align="center" frame="all" background="#ebebeb">传真</text>
    <text x="128" y="18" width="62" height="7" bold="true" align="center" frame="all" background="#ebebeb">地址</text>
  </band>
  <band type="masterData" height="7" stretch="true" dataSource="供应商资料">
    <text x="0" y="0" width="22" height="7" frame="all">[供应商资料."supNo"]</text>
    <text x="22" y="0" width="50" height="7" wrap="true" autoStretch="true" frame="all">[供应商资料."supName"]</text>
    <text x="72" y="0" width="28" height="7" frame="all">[供应商资料."tel"]</text>
    <text x="100" y="0" width="28" height="7" frame="all">[供应商资料."fax"]</text>
    <text x="128" y="0" width="62" height="7" wrap="true" autoStretch="true" frame="all">[供应商资料."address"]</text>
  </band>
  <band type="summary" height="8">
    <text x="0" y="1" width="190" height="7" align="right">共 [COUNT(供应商资料)] 条</text>
  </band>
  <band type="pageFooter" height="6">
    <text x="0" y="0" width="80" height="6" size="8" color="#5a5a5a">打印时间：[Date] [Time]</text>
    <text x="55" y="0" width="80" height="6" size="8" align="center">第 [Page] 页 / 共 [TotalPages] 页</text>
  </band>
</report>
' AS BLOB), 'bas_sup_标准样式.xml');

INSERT INTO sys_report (repNo, repCName, category, tableName, styleName, repFile, repFileName)
VALUES (13, '部门资料', '基础资料', 'bas_dep', '标准样式', CAST('<?xml version="1.0" encoding="UTF-8"?>
<report version="1" title="部门资料">
  <page paper="A4" orientation="portrait" left="10" top="8" right="10" bottom="8"/>
  <band type="pageHeader" height="25">
    <text x="0" y="0" width="190" height="10" size="16" bold="true" align="center">部门资料一览表</text>
    <text x="110" y="11" width="80" height="6" align="right" format="yyyy-MM-dd">打印日期：[Date]</text>
    <text x="0" y="18" width="30" height="7" bold="true" align="center" frame="all" background="#ebebeb">部门编号</text>
    <text x="30" y="18" width="60" height="7" bold="true" align="center" frame="all" background="#ebebeb">部门名称</text>
    <text x="90" y="18" width="100" height="7" bold="true" align="center" frame="all" background="#ebebeb">备注</text>
  </band>
  <band type="masterData" height="7" stretch="true" dataSource="部门资料">
    <text x="0" y="0" width="30" height="7" frame="all">[部门资料."depNo"]</text>
    <text x="30" y="0" width="60" height="7" wrap="true" autoStretch="true" frame="all">[部门资料."depName"]</text>
    <text x="90" y="0" width="100" height="7" wrap="true" autoStretch="true" frame="all">[部门资料."remark"]</text>
  </band>
  <band type="summary" height="8">
    <text x="0" y="1" width="190" height="7" align="right">共 [COUNT(部门资料)] 条</text>
  </band>
  <band type="pageFooter" height="6">
    <text x="0" y="0" width="80" height="6" size="8" color="#5a5a5a">打印时间：[Date] [Time]</text>
    <text x="55" y="0" width="80" height="6" size="8" align="center">第 [Page] 页 / 共 [TotalPages] 页</text>
  </band>
</report>
' AS BLOB), 'bas_dep_标准样式.xml');

INSERT INTO sys_report (repNo, repCName, category, tableName, styleName, repFile, repFileName)
VALUES (14, '职员资料', '基础资料', 'bas_staff', '标准样式', CAST('<?xml version="1.0" encoding="UTF-8"?>
<report version="1" title="职员资料">
  <page paper="A4" orientation="portrait" left="10" top="8" right="10" bottom="8"/>
  <band type="pageHeader" height="25">
    <text x="0" y="0" width="190" height="10" size="16" bold="true" align="center">职员资料一览表</text>
    <text x="110" y="11" width="80" height="6" align="right" format="yyyy-MM-dd">打印日期：[Date]</text>
    <text x="0" y="18" width="22" height="7" bold="true" align="center" frame="all" background="#ebebeb">职员编号</text>
    <text x="22" y="18" width="26" height="7" bold="true" align="center" frame="all" background="#ebebeb">姓名</text>
    <text x="48" y="18" width="12" height="7" bold="true" align="center" frame="all" background="#ebebeb">性别</text>
    <text x="60" y="18" width="24" height="7" bold="true" align="center" frame="all" background="#ebebeb">出生日期</text>
    <text x="84" y="18" width="20" height="7" bold="true" align="center" frame="all" background="#ebebeb">学历</text>
    <text x="104" y="18" width="22" height="7" bold="true" align="center" frame="all" background="#ebebeb">部门</text>
    <text x="126" y="18" width="64" height="7" bold="true" align="center" frame="all" background="#ebebeb">备注</text>
  </band>
  <band type="masterData" height="7" stretch="true" dataSource="职员资料">
    <text x="0" y="0" width="22" height="7" frame="all">[职员资料."staffNo"]</text>
    <text x="22" y="0" width="26" height="7" frame="all">[职员资料."staffName"]</text>
    <text x="48" y="0" width="12" height="7" align="center" frame="all">[职员资料."sex"]</text>
    <text x="60" y="0" width="24" height="7" align="center" frame="all">[职员资料."birth"]</text>
    <text x="84" y="0" width="20" height="7" frame="all">[职员资料."education"]</text>
    <text x="104" y="0" width="22" height="7" frame="all">[职员资料."depNo"]</text>
    <text x="126" y="0" width="64" height="7" wrap="true" autoStretch="true" frame="all">[职员资料."remark"]</text>
  </band>
  <band type="summary" height="8">
    <text x="0" y="1" width="190" height="7" align="right">共 [COUNT(职员资料)] 条</text>
  </band>
  <band type="pageFooter" height="6">
    <text x="0" y="0" width="80" height="6" size="8" color="#5a5a5a">打印时间：[Date] [Time]</text>
    <text x="55" y="0" width="80" height="6" size="8" align="center">第 [Page] 页 / 共 [TotalPages] 页</text>
  </band>
</report>
' AS BLOB), 'bas_staff_标准样式.xml');

INSERT INTO sys_report (repNo, repCName, category, tableName, styleName, repFile, repFileName)
VALUES (15, '设备资料', '基础资料', 'bas_device', '标准样式', CAST('<?xml version="1.0" encoding="UTF-8"?>
<report version="1" title="设备资料">
  <page paper="A4" orientation="portrait" left="10" top="8" right="10" bottom="8"/>
  <band type="pageHeader" height="25">
    <text x="0" y="0" width="190" height="10" size="16" bold="true" align="center">设备资料一览表</text>
    <text x="110" y="11" width="80" height="6" align="right" format="yyyy-MM-dd">打印日期：[Date]</text>
    <text x="0" y="18" width="30" height="7" bold="true" align="center" frame="all" background="#ebebeb">设备编号</text>
    <text x="30" y="18" width="60" height="7" bold="true" align="center" frame="all" background="#ebebeb">设备名称</text>
    <text x="90" y="18" width="50" height="7" bold="true" align="center" frame="all" background="#ebebeb">型号规格</text>
    <text x="140" y="18" width="50" height="7" bold="true" align="center" frame="all" background="#ebebeb">备注</text>
  </band>
  <band type="masterData" height="7" stretch="true" dataSource="设备资料">
    <text x="0" y="0" width="30" height="7" frame="all">[设备资料."devNo"]</text>
    <text x="30" y="0" width="60" height="7" wrap="true" autoStretch="true" frame="all">[设备资料."devName"]</text>
    <text x="90" y="0" width="50" height="7" wrap="true" autoStretch="true" frame="all">[设备资料."devSize"]</text>
    <text x="140" y="0" width="50" height="7" wrap="true" autoStretch="true" frame="all">[设备资料."remark"]</text>
  </band>
  <band type="summary" height="8">
    <text x="0" y="1" width="190" height="7" align="right">共 [COUNT(设备资料)] 条</text>
  </band>
  <band type="pageFooter" height="6">
    <text x="0" y="0" width="80" height="6" size="8" color="#5a5a5a">打印时间：[Date] [Time]</text>
    <text x="55" y="0" width="80" height="6" size="8" align="center">第 [Page] 页 / 共 [TotalPages] 页</text>
  </band>
</report>
' AS BLOB), 'bas_device_标准样式.xml');

INSERT INTO sys_report (repNo, repCName, category, tableName, styleName, repFile, repFileName)
VALUES (16, '工序资料', '基础资料', 'bas_process', '标准样式', CAST('<?xml version="1.0" encoding="UTF-8"?>
<report version="1" title="工序资料">
  <page paper="A4" orientation="portrait" left="10" top="8" right="10" bottom="8"/>
  <band type="pageHeader" height="25">
    <text x="0" y="0" width="190" height="10" size="16" bold="true" align="center">工序资料一览表</text>
    <text x="110" y="11" width="80" height="6" align="right" format="yyyy-MM-dd">打印日期：[Date]</text>
    <text x="0" y="18" width="30" height="7" bold="true" align="center" frame="all" background="#ebebeb">工序编号</text>
    <text x="30" y="18" width="60" height="7" bold="true" align="center" frame="all" background="#ebebeb">工序名称</text>
    <text x="90" y="18" width="100" height="7" bold="true" align="center" frame="all" background="#ebebeb">备注</text>
  </band>
  <band type="masterData" height="7" stretch="true" dataSource="工序资料">
    <text x="0" y="0" width="30" height="7" frame="all">[工序资料."procNo"]</text>
    <text x="30" y="0" width="60" height="7" wrap="true" autoStretch="true" frame="all">[工序资料."procName"]</text>
    <text x="90" y="0" width="100" height="7" wrap="true" autoStretch="true" frame="all">[工序资料."remark"]</text>
  </band>
  <band type="summary" height="8">
    <text x="0" y="1" width="190" height="7" align="right">共 [COUNT(工序资料)] 条</text>
  </band>
  <band type="pageFooter" height="6">
    <text x="0" y="0" width="80" height="6" size="8" color="#5a5a5a">打印时间：[Date] [Time]</text>
    <text x="55" y="0" width="80" height="6" size="8" align="center">第 [Page] 页 / 共 [TotalPages] 页</text>
  </band>
</report>
' AS BLOB), 'bas_process_标准样式.xml');

INSERT INTO sys_report (repNo, repCName, category, tableName, styleName, repFile, repFileName)
VALUES (17, '产品资料', '基础资料', 'bas_products', '标准样式', CAST('<?xml version="1.0" encoding="UTF-8"?>
<report version="1" title="产品资料">
  <page paper="A4" orientation="landscape" left="10" top="8" right="10" bottom="8"/>
  <band type="pageHeader" height="25">
    <text x="0" y="0" width="277" height="10" size="16" bold="true" align="center">产品资料一览表</text>
    <text x="197" y="11" width="80" height="6" align="right" format="yyyy-MM-dd">打印日期：[Date]</text>
    <text x="0" y="18" width="36" height="7" bold="true" align="center" frame="all" background="#ebebeb">产品编号</text>
    <text x="36" y="18" width="50" height="7" bold="true" align="center" frame="all" background="#ebebeb">产品名称</text>
    <text x="86" y="18" width="40" height="7" bold="true" align="center" frame="all" background="#ebebeb">规格</text>
    <text x="126" y="18" width="30" height="7" bold="true" align="center" frame="all" background="#ebebeb">材质</text>
    <text x="156" y="18" width="24" height="7" bold="true" align="center" frame="all" background="#ebebeb">压力等级</text>
    <text x="180" y="18" width="36" height="7" bold="true" align="center" frame="all" background="#ebebeb">标准</text>
    <text x="216" y="18" width="16" height="7" bold="true" align="center" frame="all" background="#ebebeb">单位</text>
    <text x="232" y="18" width="25" height="7" bold="true" align="center" frame="all" background="#ebebeb">成本价</text>
    <text x="257" y="18" width="20" height="7" bold="true" align="center" frame="all" background="#ebebeb">来源</text>
  </band>
  <band type="masterData" height="7" stretch="true" dataSource="产品资料">
    <text x="0" y="0" width="36" height="7" frame="all">[产品资料."productNo"]</text>
    <text x="36" y="0" width="50" height="7" wrap="true" autoStretch="true" frame="all">[产品资料."productName"]</text>
    <text x="86" y="0" width="40" height="7" wrap="true" autoStretch="true" frame="all">[产品资料."productSize"]</text>
    <text x="126" y="0" width="30" height="7" frame="all">[产品资料."productMat"]</text>
    <text x="156" y="0" width="24" height="7" frame="all">[产品资料."productPre"]</text>
    <text x="180" y="0" width="36" height="7" frame="all">[产品资料."productSta"]</text>
    <text x="216" y="0" width="16" height="7" align="center" frame="all">[产品资料."productUnit"]</text>
    <text x="232" y="0" width="25" height="7" align="right" format="#,##0.00" frame="all">[产品资料."costPrice"]</text>
    <text x="257" y="0" width="20" height="7" align="center" frame="all">[产品资料."source"]</text>
  </band>
  <band type="summary" height="8">
    <text x="0" y="1" width="277" height="7" align="right">共 [COUNT(产品资料)] 条</text>
  </band>
  <band type="pageFooter" height="6">
    <text x="0" y="0" width="80" height="6" size="8" color="#5a5a5a">打印时间：[Date] [Time]</text>
    <text x="55" y="0" width="80" height="6" size="8" align="center">第 [Page] 页 / 共 [TotalPages] 页</text>
  </band>
</report>
' AS BLOB), 'bas_products_标准样式.xml');
