-- A task line saved with printCnt null gets 0, so "printCnt = 0" and "printCnt + 1" see it.
CREATE OR REPLACE FUNCTION qk_bus_task_det_print_count() RETURNS trigger LANGUAGE plpgsql AS $$
BEGIN
  NEW.printCnt := 0;
  RETURN NEW;
END $$;
CREATE TRIGGER tr_bus_task_det_printCnt BEFORE INSERT OR UPDATE OF printCnt ON bus_task_det
FOR EACH ROW WHEN (NEW.printCnt IS NULL) EXECUTE FUNCTION qk_bus_task_det_print_count();
