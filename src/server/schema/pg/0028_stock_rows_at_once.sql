-- Two saves at once that first move the same warehouse and item both found its wh_stock row
-- missing and both made it: the later one failed as a duplicate. The row is now made unless
-- it is there by then, and the other save's row is waited for and added to.
CREATE OR REPLACE FUNCTION qk_stock_delta_apply() RETURNS trigger LANGUAGE plpgsql AS $$
BEGIN
  IF coalesce(NEW.redated, 0) = 0 THEN
    INSERT INTO wh_stock (whNo, whName, productNo, initQty, initPrice, Qty, uPrice)
    SELECT NEW.whNo, (SELECT depName FROM bas_dep WHERE depNo = NEW.whNo), NEW.productNo,
           0, 0, 0, 0
    WHERE trim(coalesce(NEW.whNo, '')) <> '' AND trim(coalesce(NEW.productNo, '')) <> ''
    ON CONFLICT (whNo, productNo) DO NOTHING;
    UPDATE wh_stock
    SET inQty = round(coalesce(inQty, 0) + NEW.inQty, 5),
        inMoney = round(coalesce(inMoney, 0) + NEW.inMoney, 5),
        outQty = round(coalesce(outQty, 0) + NEW.outQty, 5)
    WHERE whNo = NEW.whNo AND productNo = NEW.productNo;
  END IF;
  IF NEW.whNo IS NOT NULL AND NEW.productNo IS NOT NULL THEN
    INSERT INTO qk_stock_month AS s (whNo, productNo, month, inQty, inMoney, outQty)
    VALUES (NEW.whNo, NEW.productNo,
            CASE WHEN NEW.moveDate IS NULL OR typeof(NEW.moveDate) IN ('integer', 'real') THEN ''
                 ELSE substr(NEW.moveDate, 1, 7) END,
            round(NEW.inQty, 5), round(NEW.inMoney, 5), round(NEW.outQty, 5))
    ON CONFLICT (whNo, productNo, month) DO UPDATE
    SET inQty = round(s.inQty + excluded.inQty, 5), inMoney = round(s.inMoney + excluded.inMoney, 5),
        outQty = round(s.outQty + excluded.outQty, 5);
  END IF;
  IF NEW.whNo IS NOT NULL THEN
    INSERT INTO qk_stock_day AS s (whNo, day, inQty, outQty)
    VALUES (NEW.whNo,
            CASE WHEN NEW.moveDate IS NULL OR typeof(NEW.moveDate) IN ('integer', 'real') THEN ''
                 ELSE substr(NEW.moveDate, 1, 10) END,
            round(NEW.inQty, 5), round(NEW.outQty, 5))
    ON CONFLICT (whNo, day) DO UPDATE
    SET inQty = round(s.inQty + excluded.inQty, 5), outQty = round(s.outQty + excluded.outQty, 5);
  END IF;
  RETURN NULL;
END $$;
