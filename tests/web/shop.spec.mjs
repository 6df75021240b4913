// The shop-floor page in Debian's Chromium at a phone's size against a real qk-server: sign in
// from a flow card's link, record a process, a retried submission counted once, an over-plan
// quantity refused, a wrong PIN throttled, and the record on the desktop's flow-card view.
// Usage: node shop.spec.mjs <qk-server> [screenshot folder]
import { spawn } from "node:child_process";
import { existsSync, mkdtempSync, mkdirSync, rmSync } from "node:fs";
import { createRequire } from "node:module";
import net from "node:net";
import os from "node:os";
import path from "node:path";
import { fileURLToPath } from "node:url";

const here = path.dirname(fileURLToPath(import.meta.url));
const require = createRequire(path.join(here, "../../web/shop/package.json"));
let chromium;
try {
  ({ chromium } = require("playwright-core"));
} catch {
  console.log("skipped: playwright-core is not installed (cd web/shop && npm ci)");
  process.exit(77);
}
if (!existsSync("/usr/bin/chromium")) {
  console.log("skipped: /usr/bin/chromium is not installed (Debian package chromium)");
  process.exit(77);
}

const server = process.argv[2];
const shots = process.argv[3] ?? path.join(os.tmpdir(), "qk-shop-shots");
const account = "车间";
const adminPassword = "adm1n-pw";
const task = "26-12-0001-01";
let passed = 0;
let failed = 0;

function check(name, ok, detail = "") {
  if (ok) passed++;
  else failed++;
  console.log(`${ok ? "ok  " : "FAIL"} ${name}${ok || !detail ? "" : ": " + detail}`);
}

function run(args) {
  return new Promise((resolve, reject) => {
    const p = spawn(server, args, { stdio: "inherit" });
    p.on("exit", (code) => (code === 0 ? resolve() : reject(new Error(`${args[0]}: ${code}`))));
  });
}

function freePort() {
  return new Promise((resolve) => {
    const s = net.createServer().listen(0, "127.0.0.1", () => {
      const { port } = s.address();
      s.close(() => resolve(port));
    });
  });
}

const dir = mkdtempSync(path.join(os.tmpdir(), "qk-shop-"));
mkdirSync(shots, { recursive: true });
let serving;
let browser;
try {
  await run(["init", "--data", dir, "--account", account, "--admin-password", adminPassword]);
  const port = await freePort();
  const base = `http://127.0.0.1:${port}`;
  serving = spawn(server, ["serve", "--data", dir, "--listen", `127.0.0.1:${port}`, "--log", path.join(dir, "log")], {
    stdio: "inherit",
  });
  for (let i = 0; ; i++) {
    try {
      if ((await fetch(`${base}/api/health`)).ok) break;
    } catch {}
    if (i > 100) throw new Error("the server did not start");
    await new Promise((r) => setTimeout(r, 100));
  }

  // The office's side: master data, a task line and PINs, through the desktop's endpoints.
  const login = await (
    await fetch(`${base}/api/login`, {
      method: "POST",
      body: JSON.stringify({ account, user: "admin", password: adminPassword }),
    })
  ).json();
  const desk = async (endpoint, sql, params = {}) => {
    const r = await fetch(`${base}/api/${endpoint}`, {
      method: "POST",
      headers: { Authorization: `Bearer ${login.token}` },
      body: JSON.stringify({ provider: "pubDSP", sql, params }),
    });
    const body = await r.json();
    if (body.error) throw new Error(`${sql}: ${body.error}`);
    return body;
  };
  for (const sql of [
    "insert into bas_products (productNo, productName, productSize, productUnit) values ('PRDS000001', '法兰盘', 'DN50', '件')",
    "insert into bas_process (procNo, procName) values ('01', '车削'), ('02', '钻孔')",
    "insert into bas_dep (depNo, depName) values ('D1', '机加车间')",
    "insert into bas_device (devNo, devName) values ('M01', '数控车床一号')",
    "insert into bas_staff (staffNo, staffName) values ('S01', '张三'), ('S02', '李四')",
    `insert into bus_task_det (taskNo, keyNo, gsNo, productNo, des, procNo, depNo, qty) values ('${task}', 'T1', '26-12-0001', 'PRDS000001', '法兰盘 DN50', '01', 'D1', 100)`,
    "insert into bus_task_det (taskNo, keyNo, gsNo, productNo, des, procNo, depNo, qty) values ('26-12-0001-02', 'T1', '26-12-0001', 'PRDS000001', '法兰盘 DN50', '02', 'D1', 100)",
    "exec sp_setStaffPin 'S01', '2468'",
    "exec sp_setStaffPin 'S02', '1357'",
  ])
    await desk("execute", sql);

  browser = await chromium.launch({ executablePath: "/usr/bin/chromium", headless: true, args: ["--no-sandbox"] });
  const context = await browser.newContext({
    viewport: { width: 360, height: 740 },
    deviceScaleFactor: 2,
    isMobile: true,
    hasTouch: true,
    locale: "zh-CN",
  });
  const page = await context.newPage();
  const shot = (name) => page.screenshot({ path: path.join(shots, `${name}.png`) });

  // The code on the printed card opens the page with the account set and the task line.
  await page.goto(`${base}/shop/#a=${encodeURIComponent(account)}&t=${task}`);
  await page.fill("input[name=staffNo]", "S01");
  await page.fill("input[name=pin]", "2468");
  await shot("1-sign-in");
  await page.click("button[type=submit]");
  await page.waitForSelector(".taskno");
  check("the card's link opens its task line", (await page.textContent(".taskno")) === task);
  check("the line's plan is shown", (await page.textContent(".totals")).includes("100"));
  await shot("2-task");

  const done = () => page.textContent("[data-testid=done]");
  await page.fill("input[name=doneQty]", "40");
  await page.fill("input[name=gqty]", "38");
  await page.fill("input[name=scrapQty]", "2");
  await page.selectOption("select[name=devNo]", "M01");
  await page.fill("input[name=remark]", "早班");
  await page.click("form.record button[type=submit]");
  await page.waitForSelector("form.record .ok");
  check("a recorded process changes the total", (await done()) === "40", await done());
  await shot("3-recorded");

  // The connection drops after the server recorded it: the worker presses 提交 again.
  let dropped = false;
  await page.route("**/api/shop/record", async (route) => {
    if (dropped) return route.continue();
    dropped = true;
    await route.fetch();
    await route.abort("connectionreset");
  });
  await page.fill("input[name=doneQty]", "10");
  await page.fill("input[name=gqty]", "10");
  await page.click("form.record button[type=submit]");
  await page.waitForSelector("form.record .error");
  check("a dropped answer is told", (await page.textContent("form.record .error")).includes("网络"));
  await page.click("form.record button[type=submit]");
  await page.waitForSelector("form.record .ok");
  check("a retried submission is recorded once", (await done()) === "50", await done());

  await page.fill("input[name=doneQty]", "60");
  await page.fill("input[name=gqty]", "60");
  await page.click("form.record button[type=submit]");
  await page.waitForSelector("form.record .error");
  const refusal = await page.textContent("form.record .error");
  check("an over-plan quantity is refused", refusal.includes("超过计划数"), refusal);
  check("the refused quantity is not recorded", (await done()) === "50", await done());
  await shot("4-over-plan");

  const card = await desk(
    "open",
    "select staffNo, gqty, gfqty from view_bus_flow_card where gsKey = :g and taskNo = :t",
    { g: "26-12-0001", t: task },
  );
  const good = card.rows.reduce((s, r) => s + r[1], 0);
  check("the desktop's flow card shows the records", card.rows.length === 2 && good === 48, JSON.stringify(card.rows));

  // Guessing another worker's PIN.
  const guesser = await context.newPage();
  await guesser.goto(`${base}/shop/`);
  await guesser.evaluate(() => sessionStorage.clear());
  await guesser.reload();
  let last = "";
  for (let i = 0; i < 7; i++) {
    await guesser.fill("input[name=staffNo]", "S02");
    await guesser.fill("input[name=pin]", "0000");
    const [answer] = await Promise.all([
      guesser.waitForResponse("**/api/shop/login"),
      guesser.click("button[type=submit]"),
    ]);
    last = (await answer.json()).result;
  }
  check("wrong PINs are throttled", last.includes("尝试次数过多"), last);
  check("the page says so", (await guesser.textContent(".error")).includes("尝试次数过多"));
  await guesser.screenshot({ path: path.join(shots, "5-throttled.png") });
} catch (e) {
  failed++;
  console.log(`FAIL ${e.stack ?? e}`);
} finally {
  await browser?.close();
  serving?.kill("SIGTERM");
  rmSync(dir, { recursive: true, force: true });
}
console.log(`${passed} passed, ${failed} failed`);
process.exit(failed ? 1 : 0);
