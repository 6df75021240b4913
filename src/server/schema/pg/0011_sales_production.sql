-- Rules of the bill of materials, as the SQLite triggers of this migration keep them. Triggers of
-- one event fire in name order: the cycle check first, as on SQLite.

CREATE OR REPLACE FUNCTION qk_bom_usage() RETURNS trigger LANGUAGE plpgsql AS $$
BEGIN
  RAISE EXCEPTION USING MESSAGE = '用量不能为空!', ERRCODE = 'P0001';
END $$;
CREATE TRIGGER tr_bom_usage BEFORE INSERT OR UPDATE OF ylQty ON bom
FOR EACH ROW WHEN (NEW.ylQty IS NULL OR NEW.ylQty = 0) EXECUTE FUNCTION qk_bom_usage();

-- A cycle would make every tree of the products on it endless. On an update the line being
-- changed no longer holds its old part, so the search leaves it out.
CREATE OR REPLACE FUNCTION qk_bom_cycle() RETURNS trigger LANGUAGE plpgsql AS $$
DECLARE
  skip bigint := CASE WHEN TG_OP = 'UPDATE' THEN OLD.sysid END;
BEGIN
  IF lower(NEW.partNo) = lower(NEW.productNo) THEN
    PERFORM qk_refuse('物料清单不能循环：' || NEW.partNo || ' 不能包含它自己');
  END IF;
  IF EXISTS (
      WITH RECURSIVE below(part) AS (
        SELECT NEW.partNo
        UNION
        SELECT b.partNo FROM bom b JOIN below ON b.productNo = below.part
        WHERE skip IS NULL OR b.sysid <> skip)
      SELECT 1 FROM below WHERE lower(part) = lower(NEW.productNo)) THEN
    PERFORM qk_refuse('物料清单不能循环：' || NEW.partNo || ' 已包含 ' || NEW.productNo);
  END IF;
  RETURN NEW;
END $$;
CREATE TRIGGER tr_bom_cycle BEFORE INSERT OR UPDATE OF productNo, partNo ON bom
FOR EACH ROW EXECUTE FUNCTION qk_bom_cycle();

-- The screen sends an empty date as the zero date-time (1899-12-30); the line has no date then.
CREATE OR REPLACE FUNCTION qk_bom_no_date() RETURNS trigger LANGUAGE plpgsql AS $$
BEGIN
  IF trim(NEW.effectDate) = '' OR NEW.effectDate LIKE '1899-12-30%' THEN
    NEW.effectDate := NULL;
  END IF;
  IF trim(NEW.invalidDate) = '' OR NEW.invalidDate LIKE '1899-12-30%' THEN
    NEW.invalidDate := NULL;
  END IF;
  RETURN NEW;
END $$;
CREATE TRIGGER tr_bom_no_date BEFORE INSERT OR UPDATE OF effectDate, invalidDate ON bom
FOR EACH ROW EXECUTE FUNCTION qk_bom_no_date();
