-- A category with products or sub-categories cannot be deleted. The products are checked first:
-- on SQLite the trigger made last fires first.
CREATE OR REPLACE FUNCTION qk_bas_productid_delete() RETURNS trigger LANGUAGE plpgsql AS $$
BEGIN
  IF EXISTS (SELECT 1 FROM bas_products p WHERE p.productId = OLD.productId) THEN
    RAISE EXCEPTION USING MESSAGE = '此类别已有物料使用，不能删除!', ERRCODE = 'P0001';
  END IF;
  IF EXISTS (SELECT 1 FROM bas_productId c WHERE c.parent_id = OLD.productId) THEN
    RAISE EXCEPTION USING MESSAGE = '此类别有子类别，请删除子类别后再删除此类别!', ERRCODE = 'P0001';
  END IF;
  RETURN OLD;
END $$;
CREATE TRIGGER tr_bas_productId_delete BEFORE DELETE ON bas_productId
FOR EACH ROW EXECUTE FUNCTION qk_bas_productid_delete();
