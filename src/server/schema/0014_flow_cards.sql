---------------------------------------------------------------------------------------------------
-- Production flow cards: the rows the flow-card screen shows for an item number.
---------------------------------------------------------------------------------------------------

-- One row per process record of every task line, and one row for a task line without any, so
-- that a line's plan shows even before the shop floor reported on it. gsKey is the item number
-- to select by; gsNo and taskDes are the captions of the two group levels (the item with its
-- ordered product's description, the task line with its own). staffName and dev name the
-- operator and the device the way the record dialog shows them.
CREATE VIEW view_bus_flow_card AS
SELECT t.gsNo AS gsKey,
       t.gsNo || ' ' || trim(coalesce(
         (SELECT p.des FROM bus_so_det s JOIN view_bas_prd_des p ON p.productNo = s.productNo
          WHERE s.gsNo = t.gsNo LIMIT 1), '')) AS gsNo,
       t.des AS des, t.productNo AS productNo, t.taskNo AS taskNo,
       t.taskNo || ' ' || coalesce(t.des, '') AS taskDes,
       t.depName AS depName, t.procName AS procName, t.pDate AS pDate, t.qty AS pQty,
       t.recQty AS recQty, t.sentQty AS sentQty,
       f.staffNo AS staffNo, f.devNo AS devNo, f.gqty AS gqty, f.gfqty AS gfqty,
       f.lfqty AS lfqty, f.fxqty AS fxqty, f.inspName AS inspName, f.inspDate AS inspDate,
       m.staffName AS staffName,
       rtrim(d.devNo || ' ' || coalesce(d.devName, '') || ' ' || coalesce(d.devSize, '')) AS dev,
       '' AS tech, f.sysid AS sysid
FROM view_bus_task_det t
LEFT JOIN bus_flow f ON f.taskNo = t.taskNo
LEFT JOIN bas_staff m ON m.staffNo = f.staffNo
LEFT JOIN bas_device d ON d.devNo = f.devNo;
