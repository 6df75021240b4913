-- Every statement that writes users, rights or actions counts once, in its own transaction, so a
-- session sees the new count exactly when it can see the new rights. The function runs as the
-- owner: client statements write these tables but may not touch the server's own qk_ tables.
CREATE OR REPLACE FUNCTION qk_rights_changed() RETURNS trigger LANGUAGE plpgsql
SECURITY DEFINER SET search_path FROM CURRENT AS $$
BEGIN
  UPDATE qk_rights_version SET version = version + 1 WHERE id = 1;
  RETURN NULL;
END $$;
CREATE TRIGGER tr_sys_rights_version AFTER INSERT OR UPDATE OR DELETE OR TRUNCATE ON sys_rights
FOR EACH STATEMENT EXECUTE FUNCTION qk_rights_changed();
CREATE TRIGGER tr_sys_user_version AFTER INSERT OR UPDATE OR DELETE OR TRUNCATE ON sys_user
FOR EACH STATEMENT EXECUTE FUNCTION qk_rights_changed();
CREATE TRIGGER tr_sys_action_version AFTER INSERT OR UPDATE OR DELETE OR TRUNCATE ON sys_action
FOR EACH STATEMENT EXECUTE FUNCTION qk_rights_changed();

-- A client statement may write only log rows of its own user's logins. The server names the
-- user in the transaction's setting qk.log_owner while such a statement runs (clients cannot set
-- it); the server's own writes leave it unset and are not checked.
CREATE OR REPLACE FUNCTION qk_own_log_check() RETURNS trigger LANGUAGE plpgsql AS $$
DECLARE
  owner citext := nullif(current_setting('qk.log_owner', true), '');
  bad boolean;
BEGIN
  IF owner IS NULL THEN
    RETURN NEW;
  END IF;
  IF TG_TABLE_NAME = 'sys_log' THEN
    IF TG_OP = 'INSERT' THEN
      bad := rtrim(coalesce(NEW.userName, ''))::citext <> owner
             OR EXISTS (SELECT 1 FROM sys_log WHERE sysid = NEW.sysid);
    ELSE
      bad := (rtrim(coalesce(OLD.userName, ''))::citext <> owner AND OLD.logoutTime IS NOT NULL)
             OR NEW.sysid IS DISTINCT FROM OLD.sysid OR NEW.userName IS DISTINCT FROM OLD.userName
             OR NEW.sysdate IS DISTINCT FROM OLD.sysdate
             OR NEW.loginTime IS DISTINCT FROM OLD.loginTime
             OR NEW.computerName IS DISTINCT FROM OLD.computerName;
    END IF;
  ELSE
    bad := NOT EXISTS (SELECT 1 FROM sys_log WHERE sysid = NEW.mId
                       AND rtrim(userName)::citext = owner);
    IF TG_OP = 'INSERT' THEN
      bad := bad OR EXISTS (SELECT 1 FROM sys_log_det WHERE sysId = NEW.sysId);
    ELSE
      bad := bad OR NEW.sysId IS DISTINCT FROM OLD.sysId OR NEW.detail IS DISTINCT FROM OLD.detail
             OR NEW.sysdate IS DISTINCT FROM OLD.sysdate;
    END IF;
  END IF;
  IF bad THEN
    RAISE EXCEPTION USING MESSAGE = '只能记录本人登录的日志', ERRCODE = 'P0001';
  END IF;
  RETURN NEW;
END $$;
CREATE TRIGGER tr_sys_log_own BEFORE INSERT OR UPDATE ON sys_log
FOR EACH ROW EXECUTE FUNCTION qk_own_log_check();
CREATE TRIGGER tr_sys_log_det_own BEFORE INSERT OR UPDATE ON sys_log_det
FOR EACH ROW EXECUTE FUNCTION qk_own_log_check();
