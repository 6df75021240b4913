-- The tables of an account set.
--
-- Declared types are read back by the server to tell clients each field's type and size, so they
-- are spelt one way throughout: VARCHAR(n) single-byte text, NVARCHAR(n) wide text (both
-- case-insensitive), TEXT for unlimited text, BOOLEAN 0/1, DATETIME as 'YYYY-MM-DD HH:MM:SS'
-- text, DECIMAL(p,s) fixed point, FLOAT, INTEGER, BLOB. An INTEGER PRIMARY KEY is an identity:
-- the database assigns it when a row arrives without one.
--
-- No foreign keys: documents keep the numbers they were saved with even after master data is
-- renamed or removed, and the screens look names up rather than rely on the database to refuse.

---------------------------------------------------------------------------------------------------
-- Master data
---------------------------------------------------------------------------------------------------

CREATE TABLE bas_cust (
  custNo NVARCHAR(10) COLLATE NOCASE PRIMARY KEY,
  custName NVARCHAR(50) COLLATE NOCASE,
  optName NVARCHAR(20) COLLATE NOCASE,  -- kept with the customer, read by no rule
  contact NVARCHAR(20) COLLATE NOCASE,
  address NVARCHAR(50) COLLATE NOCASE,
  tel NVARCHAR(16) COLLATE NOCASE,
  fax NVARCHAR(16) COLLATE NOCASE,
  credit NVARCHAR(10) COLLATE NOCASE,
  crew NVARCHAR(10) COLLATE NOCASE,  -- head count, as typed
  scale NVARCHAR(10) COLLATE NOCASE,
  email NVARCHAR(20) COLLATE NOCASE,
  http NVARCHAR(20) COLLATE NOCASE
);
CREATE INDEX ix_bas_cust_name ON bas_cust (custName);

CREATE TABLE bas_sup (
  supNo NVARCHAR(10) COLLATE NOCASE PRIMARY KEY,
  supName NVARCHAR(50) COLLATE NOCASE,
  address NVARCHAR(50) COLLATE NOCASE,
  tel NVARCHAR(16) COLLATE NOCASE,
  fax NVARCHAR(16) COLLATE NOCASE,
  credit NVARCHAR(16) COLLATE NOCASE,
  crew NVARCHAR(10) COLLATE NOCASE,
  scale NVARCHAR(10) COLLATE NOCASE,
  email NVARCHAR(20) COLLATE NOCASE,
  http NVARCHAR(20) COLLATE NOCASE
);
CREATE INDEX ix_bas_sup_name ON bas_sup (supName);

-- Departments. Warehouses, plants and outsourcing units are departments with a flag; the
-- warehouse list and every whNo of the documents are department numbers with isWh = 1.
CREATE TABLE bas_dep (
  depNo NVARCHAR(10) COLLATE NOCASE PRIMARY KEY,
  depName NVARCHAR(50) COLLATE NOCASE,
  remark NVARCHAR(50) COLLATE NOCASE,
  isOw BOOLEAN DEFAULT 0,
  isWh BOOLEAN DEFAULT 0,
  isPlant BOOLEAN DEFAULT 0,
  isVirt BOOLEAN DEFAULT 0
);
CREATE INDEX ix_bas_dep_name ON bas_dep (depName);

CREATE TABLE bas_staff (
  staffNo NVARCHAR(10) COLLATE NOCASE PRIMARY KEY,
  staffName NVARCHAR(20) COLLATE NOCASE,
  sex NVARCHAR(2) COLLATE NOCASE,
  birth NVARCHAR(10) COLLATE NOCASE,  -- date of birth as typed
  resume NVARCHAR(50) COLLATE NOCASE,
  education NVARCHAR(10) COLLATE NOCASE,
  depNo VARCHAR(10) COLLATE NOCASE,
  remark NVARCHAR(50) COLLATE NOCASE
);
CREATE INDEX ix_bas_staff_dep ON bas_staff (depNo);
CREATE INDEX ix_bas_staff_name ON bas_staff (staffName);

CREATE TABLE bas_device (
  devNo NVARCHAR(10) COLLATE NOCASE PRIMARY KEY,
  devName NVARCHAR(50) COLLATE NOCASE,
  devSize NVARCHAR(50) COLLATE NOCASE,  -- model or size
  remark NVARCHAR(50) COLLATE NOCASE
);

-- Production operations.
CREATE TABLE bas_process (
  procNo NVARCHAR(10) COLLATE NOCASE PRIMARY KEY,
  procName NVARCHAR(20) COLLATE NOCASE,
  remark NVARCHAR(50) COLLATE NOCASE
);

-- Document types by family (docId: 入库单, 出库单, 工艺卡片). The same type name may occur in
-- two families, hence the pair as key.
CREATE TABLE bas_doc (
  docType NVARCHAR(20) COLLATE NOCASE,
  remark NVARCHAR(50) COLLATE NOCASE,
  docNo NVARCHAR(2) COLLATE NOCASE,  -- two-character code of the type
  docId NVARCHAR(20) COLLATE NOCASE,
  PRIMARY KEY (docId, docType)
);

-- Task types of production-task lines; new lines take type 1.
CREATE TABLE bas_taskId (
  taskIdNo INTEGER PRIMARY KEY,
  taskIDName NVARCHAR(50) COLLATE NOCASE,
  remark NVARCHAR(50) COLLATE NOCASE
);

-- Inspection methods; an inspection stores the method's name (check_m.checkId).
CREATE TABLE bas_checkId (
  checkIdNo VARCHAR(10) COLLATE NOCASE PRIMARY KEY,
  checkIdName NVARCHAR(10) COLLATE NOCASE,
  remark NVARCHAR(50) COLLATE NOCASE
);

-- Product categories, a tree by parent_id (empty for top-level categories).
CREATE TABLE bas_productId (
  productId VARCHAR(10) COLLATE NOCASE PRIMARY KEY,
  pIdName NVARCHAR(20) COLLATE NOCASE,
  realPID NVARCHAR(60) COLLATE NOCASE,
  lev INTEGER,
  parent_id VARCHAR(10) COLLATE NOCASE,
  remark VARCHAR(50) COLLATE NOCASE,
  needBom BOOLEAN DEFAULT 0,
  needDrawing BOOLEAN DEFAULT 0
);
CREATE INDEX ix_bas_productId_parent ON bas_productId (parent_id);

-- Products: everything made, bought or kept in stock. Numbers the system generates are
-- 'PRDS' and six digits; typed numbers are kept as typed.
CREATE TABLE bas_products (
  productNo NVARCHAR(50) COLLATE NOCASE PRIMARY KEY,
  productId NVARCHAR(20) COLLATE NOCASE,
  productName NVARCHAR(50) COLLATE NOCASE,
  productSize NVARCHAR(50) COLLATE NOCASE,
  productPre NVARCHAR(50) COLLATE NOCASE,  -- pressure rating
  productMat NVARCHAR(50) COLLATE NOCASE,
  productSta NVARCHAR(50) COLLATE NOCASE,  -- standard
  productUnit NVARCHAR(50) COLLATE NOCASE,
  costPrice DECIMAL(18,5),
  source VARCHAR(10) COLLATE NOCASE,  -- 自制 or 采购
  uw DECIMAL(18,5),  -- unit weight
  xlz FLOAT,  -- material weight per piece
  jkz FLOAT,  -- blank-cutting weight
  mpz FLOAT,  -- rough-blank weight
  ccz FLOAT,  -- rough-turned weight
  lowQty FLOAT,
  highQty FLOAT,
  isCutter BOOLEAN DEFAULT 0,
  brand NVARCHAR(20) COLLATE NOCASE,
  remark NVARCHAR(50) COLLATE NOCASE,
  def1 NVARCHAR(20) COLLATE NOCASE,
  def2 NVARCHAR(20) COLLATE NOCASE,
  def3 NVARCHAR(20) COLLATE NOCASE,
  def4 NVARCHAR(20) COLLATE NOCASE,
  def5 NVARCHAR(20) COLLATE NOCASE,
  def6 NVARCHAR(20) COLLATE NOCASE
);
CREATE INDEX ix_bas_products_category ON bas_products (productId);
CREATE INDEX ix_bas_products_name ON bas_products (productName);

-- Process quotas per product. productNo is as wide as a product number, so that every
-- product can carry quotas.
CREATE TABLE bas_quote (
  productNo NVARCHAR(50) COLLATE NOCASE,
  procNo NVARCHAR(10) COLLATE NOCASE,
  quote FLOAT,
  macTime INTEGER,  -- machining time
  remark NVARCHAR(50) COLLATE NOCASE,
  PRIMARY KEY (productNo, procNo)
);
CREATE INDEX ix_bas_quote_proc ON bas_quote (procNo);

-- Supplier prices, one row per product and supplier.
CREATE TABLE bas_supPrice (
  productNo VARCHAR(50) COLLATE NOCASE,
  supNo NVARCHAR(10) COLLATE NOCASE,
  uPrice DECIMAL(18,5),
  PRIMARY KEY (productNo, supNo)
);
CREATE INDEX ix_bas_supPrice_sup ON bas_supPrice (supNo);

-- Drawing categories.
CREATE TABLE bas_dId (
  drwIdNo NVARCHAR(50) COLLATE NOCASE PRIMARY KEY,
  drwIdName NVARCHAR(50) COLLATE NOCASE,
  remark NVARCHAR(50) COLLATE NOCASE
);

-- Drawings; drwPic holds the file, ext its extension with the dot.
CREATE TABLE bas_drawing (
  drwNo VARCHAR(50) COLLATE NOCASE PRIMARY KEY,
  productNo NVARCHAR(50) COLLATE NOCASE,
  drwIdNo NVARCHAR(50) COLLATE NOCASE,
  remark NVARCHAR(50) COLLATE NOCASE,
  ext NVARCHAR(10) COLLATE NOCASE,
  drwPic BLOB
);
CREATE INDEX ix_bas_drawing_product ON bas_drawing (productNo);
CREATE INDEX ix_bas_drawing_category ON bas_drawing (drwIdNo);

-- Bill of materials, one row per parent-child relation. Rows are addressed by sysid from
-- screens that may hold them for a while, so identities are never reused (AUTOINCREMENT).
CREATE TABLE bom (
  sysid INTEGER PRIMARY KEY AUTOINCREMENT,
  productNo VARCHAR(50) COLLATE NOCASE,  -- parent part
  partNo VARCHAR(50) COLLATE NOCASE,  -- child part
  itemNo INTEGER,
  ylQty DECIMAL(18,5),  -- units of the child per unit of the parent
  drwNo VARCHAR(50) COLLATE NOCASE,
  effectDate DATETIME,
  invalidDate DATETIME,
  mType VARCHAR(10) COLLATE NOCASE,  -- 主料 or 辅料
  stop BOOLEAN DEFAULT 0,
  remark VARCHAR(50) COLLATE NOCASE
);
CREATE INDEX ix_bom_product ON bom (productNo, itemNo);
CREATE INDEX ix_bom_part ON bom (partNo);

-- Numbering rules of document numbers: formHead, the date part chosen by formcode (年, 年月,
-- 年月日), formsep between the parts, and a sequence as wide as formbegin.
CREATE TABLE bas_form (
  tableName VARCHAR(50) COLLATE NOCASE PRIMARY KEY,
  formHead NVARCHAR(20) COLLATE NOCASE,
  formcode NVARCHAR(20) COLLATE NOCASE,
  formsep NVARCHAR(20) COLLATE NOCASE,
  formbegin NVARCHAR(20) COLLATE NOCASE
);

---------------------------------------------------------------------------------------------------
-- Business documents: sales, purchasing, production
---------------------------------------------------------------------------------------------------

CREATE TABLE bus_SO (
  keyNo VARCHAR(20) COLLATE NOCASE PRIMARY KEY,
  custNo NVARCHAR(10) COLLATE NOCASE,
  dlvDate DATETIME,
  marking VARCHAR(50) COLLATE NOCASE,
  purNo NVARCHAR(20) COLLATE NOCASE,  -- the customer's purchase-order number
  remarkM NVARCHAR(50) COLLATE NOCASE,
  stock BOOLEAN DEFAULT 0,  -- ordered for stock
  dlved BOOLEAN DEFAULT 0,
  userName NVARCHAR(10) COLLATE NOCASE,
  docDate DATETIME,
  audited BOOLEAN DEFAULT 0,
  audName NVARCHAR(10) COLLATE NOCASE,
  audDate DATETIME
);
CREATE INDEX ix_bus_SO_cust ON bus_SO (custNo);
CREATE INDEX ix_bus_SO_docDate ON bus_SO (docDate);

-- Sales-order lines, identified by their item number gsNo (yy-mm-nnnn). Product descriptions
-- are not stored here; the lines' view joins them from the products.
CREATE TABLE bus_so_det (
  gsNo VARCHAR(20) COLLATE NOCASE PRIMARY KEY,
  keyNo VARCHAR(20) COLLATE NOCASE,
  itemNo INTEGER,
  productNo VARCHAR(50) COLLATE NOCASE,
  qty DECIMAL(18,5),
  uprice DECIMAL(18,5),
  remark NVARCHAR(20) COLLATE NOCASE
);
CREATE INDEX ix_bus_so_det_keyNo ON bus_so_det (keyNo, itemNo);
CREATE INDEX ix_bus_so_det_product ON bus_so_det (productNo);

CREATE TABLE bus_SD (
  keyNo VARCHAR(20) COLLATE NOCASE PRIMARY KEY,
  custNo NVARCHAR(10) COLLATE NOCASE,
  whNo VARCHAR(10) COLLATE NOCASE,
  dDate DATETIME,
  remarkM NVARCHAR(50) COLLATE NOCASE,
  userName NVARCHAR(10) COLLATE NOCASE,
  docDate DATETIME,
  audited BOOLEAN DEFAULT 0,
  audName NVARCHAR(10) COLLATE NOCASE,
  audDate DATETIME
);
CREATE INDEX ix_bus_SD_cust ON bus_SD (custNo);
CREATE INDEX ix_bus_SD_wh ON bus_SD (whNo);
CREATE INDEX ix_bus_SD_dDate ON bus_SD (dDate);

CREATE TABLE bus_sd_det (
  keyNo VARCHAR(20) COLLATE NOCASE,
  SDItemNo INTEGER,
  gsNo VARCHAR(20) COLLATE NOCASE,
  productNo VARCHAR(50) COLLATE NOCASE,
  qty DECIMAL(18,5),
  uprice DECIMAL(18,5),
  caseNo NVARCHAR(10) COLLATE NOCASE,
  remark NVARCHAR(20) COLLATE NOCASE,
  des NVARCHAR(230) COLLATE NOCASE,
  pName NVARCHAR(20) COLLATE NOCASE,
  pSize NVARCHAR(20) COLLATE NOCASE,
  pPre NVARCHAR(20) COLLATE NOCASE,
  pMat NVARCHAR(20) COLLATE NOCASE,
  pSta NVARCHAR(20) COLLATE NOCASE,
  pUnit NVARCHAR(5) COLLATE NOCASE,
  def1 NVARCHAR(20) COLLATE NOCASE,
  def2 NVARCHAR(20) COLLATE NOCASE,
  def3 NVARCHAR(20) COLLATE NOCASE,
  def4 NVARCHAR(20) COLLATE NOCASE,
  def5 NVARCHAR(20) COLLATE NOCASE,
  def6 NVARCHAR(20) COLLATE NOCASE,
  PRIMARY KEY (keyNo, SDItemNo)
);
CREATE INDEX ix_bus_sd_det_gsNo ON bus_sd_det (gsNo);
CREATE INDEX ix_bus_sd_det_product ON bus_sd_det (productNo);

CREATE TABLE bus_PO (
  keyNo VARCHAR(20) COLLATE NOCASE PRIMARY KEY,
  supNo NVARCHAR(10) COLLATE NOCASE,
  purDate DATETIME,  -- delivery date
  userName NVARCHAR(20) COLLATE NOCASE,
  remarkM NVARCHAR(50) COLLATE NOCASE,
  docDate DATETIME,
  audName NVARCHAR(10) COLLATE NOCASE,
  audDate DATETIME,
  audited BOOLEAN DEFAULT 0,
  finished BOOLEAN DEFAULT 0
);
CREATE INDEX ix_bus_PO_sup ON bus_PO (supNo);
CREATE INDEX ix_bus_PO_docDate ON bus_PO (docDate);

-- Purchase-order lines, identified by their batch number psNo (POyymmnnnn), which receipts,
-- material issues and inspections refer to.
CREATE TABLE bus_po_det (
  keyNo VARCHAR(20) COLLATE NOCASE,
  POItemNo INTEGER,
  psNo VARCHAR(20) COLLATE NOCASE PRIMARY KEY,
  productNo VARCHAR(50) COLLATE NOCASE,
  Qty DECIMAL(18,5),
  uPrice DECIMAL(18,5),
  remark NVARCHAR(20) COLLATE NOCASE,
  inQty DECIMAL(18,5),  -- received so far
  done BOOLEAN DEFAULT 0,
  des NVARCHAR(230) COLLATE NOCASE,
  pName NVARCHAR(20) COLLATE NOCASE,
  pSize NVARCHAR(20) COLLATE NOCASE,
  pPre NVARCHAR(20) COLLATE NOCASE,
  pMat NVARCHAR(20) COLLATE NOCASE,
  pSta NVARCHAR(20) COLLATE NOCASE,
  pUnit NVARCHAR(5) COLLATE NOCASE,
  def1 NVARCHAR(20) COLLATE NOCASE,
  def2 NVARCHAR(20) COLLATE NOCASE,
  def3 NVARCHAR(20) COLLATE NOCASE,
  def4 NVARCHAR(20) COLLATE NOCASE,
  def5 NVARCHAR(20) COLLATE NOCASE,
  def6 NVARCHAR(20) COLLATE NOCASE
);
CREATE INDEX ix_bus_po_det_keyNo ON bus_po_det (keyNo, POItemNo);
CREATE INDEX ix_bus_po_det_product ON bus_po_det (productNo);

-- Purchase receipts. The number column is spelt keyNO here; names compare case-insensitively.
CREATE TABLE bus_PI (
  keyNO VARCHAR(20) COLLATE NOCASE PRIMARY KEY,
  supNo NVARCHAR(10) COLLATE NOCASE,
  PIDate DATETIME,
  whNo NVARCHAR(10) COLLATE NOCASE,
  remarkM NVARCHAR(50) COLLATE NOCASE,
  userName NVARCHAR(10) COLLATE NOCASE,
  docDate DATETIME,
  audName NVARCHAR(10) COLLATE NOCASE,
  audDate DATETIME,
  audited BOOLEAN DEFAULT 0
);
CREATE INDEX ix_bus_PI_sup ON bus_PI (supNo);
CREATE INDEX ix_bus_PI_wh ON bus_PI (whNo);
CREATE INDEX ix_bus_PI_PIDate ON bus_PI (PIDate);

CREATE TABLE bus_pi_det (
  keyNo VARCHAR(20) COLLATE NOCASE,
  PIItemNo INTEGER,
  PSNo VARCHAR(20) COLLATE NOCASE,
  productNo VARCHAR(50) COLLATE NOCASE,
  qty DECIMAL(18,5),
  uprice DECIMAL(18,5),
  remark NVARCHAR(20) COLLATE NOCASE,
  pUnit NVARCHAR(5) COLLATE NOCASE,
  pName NVARCHAR(20) COLLATE NOCASE,
  pSize NVARCHAR(20) COLLATE NOCASE,
  pPre NVARCHAR(20) COLLATE NOCASE,
  pMat NVARCHAR(20) COLLATE NOCASE,
  pSta NVARCHAR(20) COLLATE NOCASE,
  des NVARCHAR(230) COLLATE NOCASE,
  def1 NVARCHAR(20) COLLATE NOCASE,
  def2 NVARCHAR(20) COLLATE NOCASE,
  def3 NVARCHAR(20) COLLATE NOCASE,
  def4 NVARCHAR(20) COLLATE NOCASE,
  def5 NVARCHAR(20) COLLATE NOCASE,
  def6 NVARCHAR(20) COLLATE NOCASE,
  PRIMARY KEY (keyNo, PIItemNo)
);
CREATE INDEX ix_bus_pi_det_psNo ON bus_pi_det (PSNo);
CREATE INDEX ix_bus_pi_det_product ON bus_pi_det (productNo);

-- Production tasks: one header per sales-order item (gsNo).
CREATE TABLE bus_task (
  keyNo VARCHAR(20) COLLATE NOCASE PRIMARY KEY,
  gsNo VARCHAR(20) COLLATE NOCASE,
  remarkM NVARCHAR(20) COLLATE NOCASE,
  pause BOOLEAN DEFAULT 0,
  purchase BOOLEAN DEFAULT 0,
  userName NVARCHAR(10) COLLATE NOCASE,
  docDate DATETIME,
  audited BOOLEAN DEFAULT 0,
  audName NVARCHAR(10) COLLATE NOCASE,
  audDate DATETIME
);
CREATE INDEX ix_bus_task_gsNo ON bus_task (gsNo);
CREATE INDEX ix_bus_task_docDate ON bus_task (docDate);

-- Production-task lines, identified by the task-line number taskNo (gsNo-nn) that the flow
-- records report against. Progress quantities (fQty, recQty, sentQty, done ...) are not stored:
-- the lines' view derives them from the flow records. printCnt counts printed task sheets.
CREATE TABLE bus_task_det (
  taskNo VARCHAR(20) COLLATE NOCASE PRIMARY KEY,
  keyNo VARCHAR(20) COLLATE NOCASE,
  itemNo INTEGER,
  taskIdNo INTEGER,
  gsNo VARCHAR(20) COLLATE NOCASE,
  productNo VARCHAR(50) COLLATE NOCASE,
  des NVARCHAR(230) COLLATE NOCASE,
  pName NVARCHAR(20) COLLATE NOCASE,
  pSize NVARCHAR(20) COLLATE NOCASE,
  pPre NVARCHAR(20) COLLATE NOCASE,
  pMat NVARCHAR(20) COLLATE NOCASE,
  pSta NVARCHAR(20) COLLATE NOCASE,
  pUnit NVARCHAR(5) COLLATE NOCASE,
  def1 NVARCHAR(20) COLLATE NOCASE,
  def2 NVARCHAR(20) COLLATE NOCASE,
  def3 NVARCHAR(20) COLLATE NOCASE,
  def4 NVARCHAR(20) COLLATE NOCASE,
  def5 NVARCHAR(20) COLLATE NOCASE,
  def6 NVARCHAR(20) COLLATE NOCASE,
  procNo VARCHAR(10) COLLATE NOCASE,
  depNo VARCHAR(10) COLLATE NOCASE,
  qty DECIMAL(18,5),
  pDate DATETIME,  -- planned completion
  remark NVARCHAR(50) COLLATE NOCASE,
  ylgg VARCHAR(20) COLLATE NOCASE,  -- material grade and size
  ylz DECIMAL(18,5),  -- material quantity
  printCnt INTEGER DEFAULT 0
);
CREATE INDEX ix_bus_task_det_keyNo ON bus_task_det (keyNo, itemNo);
CREATE INDEX ix_bus_task_det_gsNo ON bus_task_det (gsNo);
CREATE INDEX ix_bus_task_det_product ON bus_task_det (productNo);
CREATE INDEX ix_bus_task_det_dep ON bus_task_det (depNo);
CREATE INDEX ix_bus_task_det_proc ON bus_task_det (procNo);

-- Lines saved from a screen carry every field of the line, printCnt as null for a new one;
-- "printCnt = 0" selects unprinted lines and "printCnt + 1" counts a print, so null would hide
-- the line from both.
CREATE TRIGGER tr_bus_task_det_printCnt_insert AFTER INSERT ON bus_task_det
  WHEN NEW.printCnt IS NULL
BEGIN
  UPDATE bus_task_det SET printCnt = 0 WHERE rowid = NEW.rowid;
END;
CREATE TRIGGER tr_bus_task_det_printCnt_update AFTER UPDATE OF printCnt ON bus_task_det
  WHEN NEW.printCnt IS NULL
BEGIN
  UPDATE bus_task_det SET printCnt = 0 WHERE rowid = NEW.rowid;
END;

-- Process records of the flow cards: who made how many good and scrapped pieces of a task
-- line on which device. The wage and fee statistics sum them.
CREATE TABLE bus_flow (
  sysid INTEGER PRIMARY KEY AUTOINCREMENT,
  taskNo VARCHAR(20) COLLATE NOCASE,
  staffNo VARCHAR(10) COLLATE NOCASE,
  devNo VARCHAR(10) COLLATE NOCASE,
  gqty DECIMAL(18,5),  -- good
  gfqty DECIMAL(18,5),  -- scrapped through the worker
  lfqty DECIMAL(18,5),  -- scrapped through the material
  fxqty DECIMAL(18,5),  -- reworked
  inspName VARCHAR(10) COLLATE NOCASE,
  inspDate DATETIME
);
CREATE INDEX ix_bus_flow_taskNo ON bus_flow (taskNo);
CREATE INDEX ix_bus_flow_staff ON bus_flow (staffNo, inspDate);
CREATE INDEX ix_bus_flow_inspDate ON bus_flow (inspDate);

-- Receipt records of the flow cards. Departments and persons are stored by NAME.
CREATE TABLE bus_flow_rec (
  sysid INTEGER PRIMARY KEY AUTOINCREMENT,
  taskNo VARCHAR(20) COLLATE NOCASE,
  recQty DECIMAL(18,5),
  sendDep NVARCHAR(20) COLLATE NOCASE,
  sendPerson NVARCHAR(20) COLLATE NOCASE,
  recDep NVARCHAR(20) COLLATE NOCASE,
  recPerson NVARCHAR(20) COLLATE NOCASE,
  recDesc NVARCHAR(50) COLLATE NOCASE,
  recDate DATETIME
);
CREATE INDEX ix_bus_flow_rec_taskNo ON bus_flow_rec (taskNo);

-- Process cards of a task line (machining, forging or heat treatment).
CREATE TABLE bus_check (
  keyNo VARCHAR(50) COLLATE NOCASE PRIMARY KEY,
  docType NVARCHAR(20) COLLATE NOCASE,
  taskNo VARCHAR(20) COLLATE NOCASE,
  qty DECIMAL(18,5),
  devNo VARCHAR(10) COLLATE NOCASE,
  matNo VARCHAR(20) COLLATE NOCASE,  -- material grade
  mpzl VARCHAR(20) COLLATE NOCASE,  -- blank type (blank weight on forging cards)
  mpcc VARCHAR(20) COLLATE NOCASE,  -- blank size
  jjmc VARCHAR(30) COLLATE NOCASE,  -- fixture
  qxy VARCHAR(20) COLLATE NOCASE,  -- cutting fluid
  matSize VARCHAR(20) COLLATE NOCASE,
  dy_djzl DECIMAL(18,2),  -- forging weight
  dy_hhzl DECIMAL(18,2),  -- burning loss
  dy_dzhc VARCHAR(10) COLLATE NOCASE,  -- forging heats
  dy_gs VARCHAR(10) COLLATE NOCASE,
  rcl_rcllh VARCHAR(20) COLLATE NOCASE,  -- furnace number
  rcl_yd VARCHAR(20) COLLATE NOCASE,  -- hardness
  rcl_method VARCHAR(20) COLLATE NOCASE,
  remarkM NVARCHAR(50) COLLATE NOCASE,
  userName NVARCHAR(10) COLLATE NOCASE,
  docDate DATETIME,
  audName NVARCHAR(10) COLLATE NOCASE,
  audDate DATETIME,
  audited BOOLEAN DEFAULT 0,
  inspName NVARCHAR(10) COLLATE NOCASE,
  inspDate DATETIME,
  fDate DATETIME
);
CREATE INDEX ix_bus_check_taskNo ON bus_check (taskNo, keyNo);

-- Work steps of a process card.
CREATE TABLE bus_check_det (
  workStep NVARCHAR(50) COLLATE NOCASE,
  dj VARCHAR(20) COLLATE NOCASE,
  lj VARCHAR(20) COLLATE NOCASE,
  rotSpeed INTEGER,
  cutSpeed DECIMAL(18,2),
  cutDeepth DECIMAL(18,2),
  cutF DECIMAL(18,2),
  cutTime DECIMAL(18,2),
  cutTime2 DECIMAL(18,2),
  dy_sdwd VARCHAR(10) COLLATE NOCASE,
  dy_zdwd VARCHAR(10) COLLATE NOCASE,
  dy_lqfs VARCHAR(10) COLLATE NOCASE,
  rcl_zlwd VARCHAR(10) COLLATE NOCASE,
  rcl_jrwd VARCHAR(10) COLLATE NOCASE,
  rcl_jrsj VARCHAR(10) COLLATE NOCASE,
  rcl_bwsj VARCHAR(10) COLLATE NOCASE,
  rcl_lqjz VARCHAR(10) COLLATE NOCASE,
  rcl_lqwd VARCHAR(10) COLLATE NOCASE,
  rcl_lqsj VARCHAR(10) COLLATE NOCASE,
  rcl_gs VARCHAR(10) COLLATE NOCASE,
  remark NVARCHAR(20) COLLATE NOCASE,
  keyNo VARCHAR(50) COLLATE NOCASE,
  itemNo INTEGER,
  taskNo VARCHAR(50) COLLATE NOCASE,
  PRIMARY KEY (keyNo, itemNo)
);
CREATE INDEX ix_bus_check_det_taskNo ON bus_check_det (taskNo);

---------------------------------------------------------------------------------------------------
-- Warehouse documents
---------------------------------------------------------------------------------------------------

CREATE TABLE wh_In (
  keyNo VARCHAR(20) COLLATE NOCASE PRIMARY KEY,
  userName NVARCHAR(10) COLLATE NOCASE,
  whNo VARCHAR(10) COLLATE NOCASE,
  docType NVARCHAR(20) COLLATE NOCASE,
  inDate DATETIME,
  docDate DATETIME,
  keeper NVARCHAR(10) COLLATE NOCASE,
  remarkM NVARCHAR(20) COLLATE NOCASE,
  audName NVARCHAR(10) COLLATE NOCASE,
  audDate DATETIME,
  audited BOOLEAN DEFAULT 0
);
CREATE INDEX ix_wh_In_wh ON wh_In (whNo, inDate);
CREATE INDEX ix_wh_In_inDate ON wh_In (inDate);

CREATE TABLE wh_in_det (
  keyNo VARCHAR(20) COLLATE NOCASE,
  itemNo INTEGER,
  taskNo VARCHAR(20) COLLATE NOCASE,
  productNo VARCHAR(50) COLLATE NOCASE,
  qty DECIMAL(18,5),
  uPrice DECIMAL(18,5),
  remark NVARCHAR(20) COLLATE NOCASE,
  des NVARCHAR(230) COLLATE NOCASE,
  pName NVARCHAR(20) COLLATE NOCASE,
  pSize NVARCHAR(20) COLLATE NOCASE,
  pPre NVARCHAR(20) COLLATE NOCASE,
  pMat NVARCHAR(20) COLLATE NOCASE,
  pSta NVARCHAR(20) COLLATE NOCASE,
  pUnit NVARCHAR(5) COLLATE NOCASE,
  def1 NVARCHAR(20) COLLATE NOCASE,
  def2 NVARCHAR(20) COLLATE NOCASE,
  def3 NVARCHAR(20) COLLATE NOCASE,
  def4 NVARCHAR(20) COLLATE NOCASE,
  def5 NVARCHAR(20) COLLATE NOCASE,
  def6 NVARCHAR(20) COLLATE NOCASE,
  PRIMARY KEY (keyNo, itemNo)
);
CREATE INDEX ix_wh_in_det_taskNo ON wh_in_det (taskNo);
CREATE INDEX ix_wh_in_det_product ON wh_in_det (productNo);

CREATE TABLE wh_Out (
  keyNo VARCHAR(20) COLLATE NOCASE PRIMARY KEY,
  userName NVARCHAR(10) COLLATE NOCASE,
  whNo VARCHAR(10) COLLATE NOCASE,
  docType NVARCHAR(20) COLLATE NOCASE,
  outDate DATETIME,
  docDate DATETIME,
  keeper NVARCHAR(10) COLLATE NOCASE,
  remarkM NVARCHAR(50) COLLATE NOCASE,
  audName NVARCHAR(10) COLLATE NOCASE,
  audDate DATETIME,
  audited BOOLEAN DEFAULT 0
);
CREATE INDEX ix_wh_Out_wh ON wh_Out (whNo, outDate);
CREATE INDEX ix_wh_Out_outDate ON wh_Out (outDate);

CREATE TABLE wh_out_det (
  keyNo VARCHAR(20) COLLATE NOCASE,
  itemNo INTEGER,
  taskNo VARCHAR(20) COLLATE NOCASE,
  productNo VARCHAR(50) COLLATE NOCASE,
  qty DECIMAL(18,5),
  uPrice DECIMAL(18,5),
  remark NVARCHAR(20) COLLATE NOCASE,
  des NVARCHAR(230) COLLATE NOCASE,
  pName NVARCHAR(20) COLLATE NOCASE,
  pSize NVARCHAR(20) COLLATE NOCASE,
  pPre NVARCHAR(20) COLLATE NOCASE,
  pMat NVARCHAR(20) COLLATE NOCASE,
  pSta NVARCHAR(20) COLLATE NOCASE,
  pUnit NVARCHAR(5) COLLATE NOCASE,
  def1 NVARCHAR(20) COLLATE NOCASE,
  def2 NVARCHAR(20) COLLATE NOCASE,
  def3 NVARCHAR(20) COLLATE NOCASE,
  def4 NVARCHAR(20) COLLATE NOCASE,
  def5 NVARCHAR(20) COLLATE NOCASE,
  def6 NVARCHAR(20) COLLATE NOCASE,
  PRIMARY KEY (keyNo, itemNo)
);
CREATE INDEX ix_wh_out_det_taskNo ON wh_out_det (taskNo);
CREATE INDEX ix_wh_out_det_product ON wh_out_det (productNo);

-- Material issues: raw material of a purchase batch (psNo) consumed for a task line (taskNo).
CREATE TABLE wh_mat (
  keyNo VARCHAR(20) COLLATE NOCASE PRIMARY KEY,
  whNo VARCHAR(10) COLLATE NOCASE,
  userName NVARCHAR(10) COLLATE NOCASE,
  docDate DATETIME,
  audName NVARCHAR(10) COLLATE NOCASE,
  audDate DATETIME,
  audited BOOLEAN DEFAULT 0,
  remarkM NVARCHAR(20) COLLATE NOCASE,
  moDate DATETIME
);
CREATE INDEX ix_wh_mat_wh ON wh_mat (whNo, moDate);
CREATE INDEX ix_wh_mat_moDate ON wh_mat (moDate);

-- productNo, matDes and matUnit describe the material; des, pName ... pUnit the task's product.
CREATE TABLE wh_mat_det (
  keyNo VARCHAR(20) COLLATE NOCASE,
  itemNo INTEGER,
  psNo VARCHAR(20) COLLATE NOCASE,
  productNo VARCHAR(50) COLLATE NOCASE,
  matDes NVARCHAR(230) COLLATE NOCASE,
  matUnit NVARCHAR(5) COLLATE NOCASE,
  qty DECIMAL(18,5),
  uPrice DECIMAL(18,5),
  taskNo VARCHAR(20) COLLATE NOCASE,
  pQty DECIMAL(18,5),  -- number of products
  uwReal DECIMAL(18,5),  -- actual material per product
  uwPlan DECIMAL(18,5),  -- planned material per product
  pName NVARCHAR(20) COLLATE NOCASE,
  pSize NVARCHAR(20) COLLATE NOCASE,
  pPre NVARCHAR(20) COLLATE NOCASE,
  pMat NVARCHAR(20) COLLATE NOCASE,
  pSta NVARCHAR(20) COLLATE NOCASE,
  pUnit NVARCHAR(5) COLLATE NOCASE,
  remark NVARCHAR(20) COLLATE NOCASE,
  des NVARCHAR(230) COLLATE NOCASE,
  def1 NVARCHAR(20) COLLATE NOCASE,
  def2 NVARCHAR(20) COLLATE NOCASE,
  def3 NVARCHAR(20) COLLATE NOCASE,
  def4 NVARCHAR(20) COLLATE NOCASE,
  def5 NVARCHAR(20) COLLATE NOCASE,
  def6 NVARCHAR(20) COLLATE NOCASE,
  PRIMARY KEY (keyNo, itemNo)
);
CREATE INDEX ix_wh_mat_det_psNo ON wh_mat_det (psNo);
CREATE INDEX ix_wh_mat_det_taskNo ON wh_mat_det (taskNo);
CREATE INDEX ix_wh_mat_det_product ON wh_mat_det (productNo);

-- Opening stock per warehouse and product; Qty and uPrice are the current figures kept by the
-- stock procedures. Product descriptions come from the products through the stock view.
CREATE TABLE wh_stock (
  whNo VARCHAR(10) COLLATE NOCASE,
  whName NVARCHAR(50) COLLATE NOCASE,
  productNo VARCHAR(50) COLLATE NOCASE,
  initQty DECIMAL(18,5),
  initPrice DECIMAL(18,5),
  Qty DECIMAL(18,5),
  uPrice DECIMAL(18,5),
  remark NVARCHAR(20) COLLATE NOCASE,
  PRIMARY KEY (whNo, productNo)
);
CREATE INDEX ix_wh_stock_product ON wh_stock (productNo);

---------------------------------------------------------------------------------------------------
-- Quality documents
---------------------------------------------------------------------------------------------------

-- Incoming inspections of a purchase batch (posch = bus_po_det.psNo).
CREATE TABLE check_m (
  keyNo VARCHAR(20) COLLATE NOCASE PRIMARY KEY,
  editName VARCHAR(10) COLLATE NOCASE,
  editDate DATETIME,
  audName VARCHAR(10) COLLATE NOCASE,
  audDate DATETIME,
  audited BOOLEAN DEFAULT 0,
  memo VARCHAR(50) COLLATE NOCASE,
  docNo VARCHAR(10) COLLATE NOCASE,
  checkId VARCHAR(10) COLLATE NOCASE,  -- name of the inspection method
  posch VARCHAR(20) COLLATE NOCASE,
  qty DECIMAL(18,5),  -- submitted
  gqty DECIMAL(18,5),  -- passed
  gfqty DECIMAL(18,5),
  lfqty DECIMAL(18,5),  -- scrapped
  fxqty DECIMAL(18,5),
  dyqty DECIMAL(18,5),  -- accepted as substitute
  des VARCHAR(200) COLLATE NOCASE,
  heatNo VARCHAR(50) COLLATE NOCASE
);
CREATE INDEX ix_check_m_posch ON check_m (posch);

-- Measured values of an inspection, up to thirty per sample line.
CREATE TABLE check_d (
  keyNo VARCHAR(20) COLLATE NOCASE,
  rowNo INTEGER,
  item1 VARCHAR(20) COLLATE NOCASE,
  item2 VARCHAR(20) COLLATE NOCASE,
  item3 VARCHAR(20) COLLATE NOCASE,
  item4 VARCHAR(20) COLLATE NOCASE,
  item5 VARCHAR(20) COLLATE NOCASE,
  item6 VARCHAR(20) COLLATE NOCASE,
  item7 VARCHAR(20) COLLATE NOCASE,
  item8 VARCHAR(20) COLLATE NOCASE,
  item9 VARCHAR(20) COLLATE NOCASE,
  item10 VARCHAR(20) COLLATE NOCASE,
  item11 VARCHAR(20) COLLATE NOCASE,
  item12 VARCHAR(20) COLLATE NOCASE,
  item13 VARCHAR(20) COLLATE NOCASE,
  item14 VARCHAR(20) COLLATE NOCASE,
  item15 VARCHAR(20) COLLATE NOCASE,
  item16 VARCHAR(20) COLLATE NOCASE,
  item17 VARCHAR(20) COLLATE NOCASE,
  item18 VARCHAR(20) COLLATE NOCASE,
  item19 VARCHAR(20) COLLATE NOCASE,
  item20 VARCHAR(20) COLLATE NOCASE,
  item21 VARCHAR(20) COLLATE NOCASE,
  item22 VARCHAR(20) COLLATE NOCASE,
  item23 VARCHAR(20) COLLATE NOCASE,
  item24 VARCHAR(20) COLLATE NOCASE,
  item25 VARCHAR(20) COLLATE NOCASE,
  item26 VARCHAR(20) COLLATE NOCASE,
  item27 VARCHAR(20) COLLATE NOCASE,
  item28 VARCHAR(20) COLLATE NOCASE,
  item29 VARCHAR(20) COLLATE NOCASE,
  item30 VARCHAR(20) COLLATE NOCASE,
  PRIMARY KEY (keyNo, rowNo)
);

-- Quality certificates.
CREATE TABLE check_mat_m (
  keyNo VARCHAR(20) COLLATE NOCASE PRIMARY KEY,
  custNo VARCHAR(10) COLLATE NOCASE,
  custId VARCHAR(50) COLLATE NOCASE,  -- the customer's order number
  audName VARCHAR(10) COLLATE NOCASE,
  audDate DATETIME,
  remark VARCHAR(50) COLLATE NOCASE,
  editName VARCHAR(10) COLLATE NOCASE,
  editDate DATETIME,
  audited BOOLEAN DEFAULT 0
);
CREATE INDEX ix_check_mat_m_cust ON check_mat_m (custNo);

-- Certificate lines: a sales item (sch = gsNo) and the purchase batch of its material
-- (posch = psNo). The screen shows lines by sch but numbers them by rowNo in its own order, so
-- (keyNo, rowNo) may pass through duplicates while a save is written: a plain index, not a key.
-- mainId groups the lines six to a printed page.
CREATE TABLE check_mat_d (
  sysid INTEGER PRIMARY KEY AUTOINCREMENT,
  keyNo VARCHAR(20) COLLATE NOCASE,
  sch VARCHAR(20) COLLATE NOCASE,
  cName VARCHAR(50) COLLATE NOCASE,
  cSize VARCHAR(50) COLLATE NOCASE,
  cMat VARCHAR(50) COLLATE NOCASE,
  cSta VARCHAR(50) COLLATE NOCASE,
  Qty DECIMAL(18,0),
  posch VARCHAR(50) COLLATE NOCASE,
  rowNo INTEGER,
  batchNo VARCHAR(50) COLLATE NOCASE,
  mainId INTEGER
);
CREATE INDEX ix_check_mat_d_keyNo ON check_mat_d (keyNo, rowNo);
CREATE INDEX ix_check_mat_d_sch ON check_mat_d (sch);
CREATE INDEX ix_check_mat_d_posch ON check_mat_d (posch);
CREATE INDEX ix_check_mat_d_mainId ON check_mat_d (mainId);

---------------------------------------------------------------------------------------------------
-- Administration
---------------------------------------------------------------------------------------------------

-- pwd holds an argon2id hash string, never the password.
CREATE TABLE sys_user (
  userId VARCHAR(10) COLLATE NOCASE,
  userName NVARCHAR(20) COLLATE NOCASE NOT NULL PRIMARY KEY,
  pwd TEXT,
  remark NVARCHAR(50) COLLATE NOCASE
);

-- The actions of the main window that rights are given for; actionNo is the action's name.
CREATE TABLE sys_action (
  actionNo VARCHAR(50) COLLATE NOCASE PRIMARY KEY,
  actionName NVARCHAR(50) COLLATE NOCASE,
  category VARCHAR(20) COLLATE NOCASE,  -- bas, bus, Query or sys
  sortNo INTEGER
);

-- One row per user and action; an action without a row is not allowed. Only canView is
-- enforced, the other flags are kept for the rights screen.
CREATE TABLE sys_rights (
  userName NVARCHAR(20) COLLATE NOCASE,
  actionNo VARCHAR(50) COLLATE NOCASE,
  canNew BOOLEAN DEFAULT 0,
  canEdit BOOLEAN DEFAULT 0,
  canDelete BOOLEAN DEFAULT 0,
  canReview BOOLEAN DEFAULT 0,
  canView BOOLEAN DEFAULT 0,
  PRIMARY KEY (userName, actionNo)
);

-- One row per login.
CREATE TABLE sys_log (
  sysid INTEGER PRIMARY KEY,
  userName NVARCHAR(20) COLLATE NOCASE,
  sysdate DATETIME,
  loginTime DATETIME,
  logoutTime DATETIME,
  computerName NVARCHAR(20) COLLATE NOCASE
);
CREATE INDEX ix_sys_log_sysdate ON sys_log (sysdate);

-- One row per screen opened during a login (mId = sys_log.sysid).
CREATE TABLE sys_log_det (
  sysId INTEGER PRIMARY KEY,
  sysdate DATETIME DEFAULT (strftime('%Y-%m-%d %H:%M:%S','now','localtime')),
  mId INTEGER,
  detail NVARCHAR(100) COLLATE NOCASE
);
CREATE INDEX ix_sys_log_det_mId ON sys_log_det (mId);

-- System settings, one row per setting, the value always as text. valType: 1 choice from
-- valueList (each value followed by ','), 2 free text, 3 colour, 4 font, 5 picture file.
CREATE TABLE sys_config (
  idName VARCHAR(50) COLLATE NOCASE PRIMARY KEY,
  idCName NVARCHAR(50) COLLATE NOCASE,
  category NVARCHAR(50) COLLATE NOCASE,
  idValue NVARCHAR(50) COLLATE NOCASE,
  remark NVARCHAR(50) COLLATE NOCASE,
  valueList NVARCHAR(100) COLLATE NOCASE,
  valType NVARCHAR(20) COLLATE NOCASE
);

-- Report templates, one row per style of a report; the column order is relied upon by the
-- statement that copies a style ("insert into sys_report select ...").
CREATE TABLE sys_report (
  repNo INTEGER PRIMARY KEY,
  RepCName NVARCHAR(30) COLLATE NOCASE,
  category NVARCHAR(20) COLLATE NOCASE,
  tableName VARCHAR(50) COLLATE NOCASE,  -- print category
  styleName NVARCHAR(50) COLLATE NOCASE,
  repFile BLOB,
  repFileName NVARCHAR(50) COLLATE NOCASE
);
CREATE INDEX ix_sys_report_table ON sys_report (tableName, styleName);
CREATE INDEX ix_sys_report_name ON sys_report (RepCName);

-- Grid column layouts: one row per column of a named layout (tableName).
CREATE TABLE sys_col (
  colId INTEGER PRIMARY KEY,
  tableName VARCHAR(50) COLLATE NOCASE,
  rowNo INTEGER,  -- 0-based position
  fieldName VARCHAR(50) COLLATE NOCASE,
  visible BOOLEAN DEFAULT 0,
  width INTEGER,
  tableCName NVARCHAR(50) COLLATE NOCASE,
  fieldCName NVARCHAR(50) COLLATE NOCASE,
  defaultName NVARCHAR(50) COLLATE NOCASE,
  needUpdate BOOLEAN DEFAULT 0,
  isKey BOOLEAN DEFAULT 0,
  fType VARCHAR(10) COLLATE NOCASE
);
CREATE INDEX ix_sys_col_table ON sys_col (tableName, rowNo);
CREATE INDEX ix_sys_col_tableCName ON sys_col (tableCName);

-- Stored queries: preSQL is the source (a table, a view or any text that may follow FROM),
-- keyName the paging key, sortName the ORDER BY text.
CREATE TABLE sys_filter_sql (
  tableName VARCHAR(50) COLLATE NOCASE PRIMARY KEY,
  tableCName NVARCHAR(50) COLLATE NOCASE,
  category NVARCHAR(50) COLLATE NOCASE,
  idx INTEGER,
  preSQL TEXT COLLATE NOCASE,
  keyName VARCHAR(100) COLLATE NOCASE,
  sortName VARCHAR(100) COLLATE NOCASE
);
CREATE INDEX ix_sys_filter_sql_category ON sys_filter_sql (category, idx);
CREATE INDEX ix_sys_filter_sql_tableCName ON sys_filter_sql (tableCName);

-- Fields of the stored queries: result columns and condition fields. type is one of date,
-- char, float, int, bit; dataSource an optional query offering condition values.
CREATE TABLE sys_filter (
  tableName VARCHAR(50) COLLATE NOCASE,
  fieldName VARCHAR(50) COLLATE NOCASE,
  fieldCName VARCHAR(50) COLLATE NOCASE,
  displayFormat VARCHAR(20) COLLATE NOCASE,
  width INTEGER,
  showInCondition BOOLEAN DEFAULT 0,
  showInResult BOOLEAN DEFAULT 0,
  ord INTEGER,
  dataSource NVARCHAR(200) COLLATE NOCASE,
  type NVARCHAR(10) COLLATE NOCASE,
  dispName VARCHAR(50) COLLATE NOCASE,  -- default caption
  calcSum BOOLEAN DEFAULT 0,
  PRIMARY KEY (tableName, fieldName)
);
CREATE INDEX ix_sys_filter_ord ON sys_filter (tableName, ord);
