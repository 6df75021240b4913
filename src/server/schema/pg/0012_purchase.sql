-- A batch that a receipt, a material issue or an inspection names stays.
CREATE OR REPLACE FUNCTION qk_bus_po_det_referenced() RETURNS trigger LANGUAGE plpgsql AS $$
BEGIN
  IF TG_OP = 'DELETE' THEN
    IF EXISTS (SELECT 1 FROM bus_pi_det WHERE PSNo = OLD.psNo) THEN
      PERFORM qk_refuse('采购批号 ' || OLD.psNo || ' 已有采购入库单，不能删除！');
    END IF;
    IF EXISTS (SELECT 1 FROM wh_mat_det WHERE psNo = OLD.psNo) THEN
      PERFORM qk_refuse('采购批号 ' || OLD.psNo || ' 已有原材料出库单，不能删除！');
    END IF;
    IF EXISTS (SELECT 1 FROM check_m WHERE posch = OLD.psNo) THEN
      PERFORM qk_refuse('采购批号 ' || OLD.psNo || ' 已有进货检验单，不能删除！');
    END IF;
    RETURN OLD;
  END IF;
  IF EXISTS (SELECT 1 FROM bus_pi_det WHERE PSNo = OLD.psNo)
     OR EXISTS (SELECT 1 FROM wh_mat_det WHERE psNo = OLD.psNo)
     OR EXISTS (SELECT 1 FROM check_m WHERE posch = OLD.psNo) THEN
    PERFORM qk_refuse('采购批号 ' || OLD.psNo || ' 已被引用，不能修改！');
  END IF;
  RETURN NEW;
END $$;
CREATE TRIGGER tr_bus_po_det_referenced_delete BEFORE DELETE ON bus_po_det
FOR EACH ROW EXECUTE FUNCTION qk_bus_po_det_referenced();
CREATE TRIGGER tr_bus_po_det_referenced_renumber BEFORE UPDATE OF psNo ON bus_po_det
FOR EACH ROW WHEN (NEW.psNo IS DISTINCT FROM OLD.psNo) EXECUTE FUNCTION qk_bus_po_det_referenced();
