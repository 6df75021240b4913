import { render } from "preact";
import { useEffect, useRef, useState } from "preact/hooks";
import {
  addRecord,
  Choices,
  newSubmitId,
  NoAnswer,
  readChoices,
  readTask,
  signedIn,
  signIn,
  SignedOut,
  signOut,
  TaskLine,
  undoLast,
  workerName,
} from "./api";
import { parsePayload } from "./payload";
import "./style.css";

const fromLink = parsePayload(location.hash);

const qty = (v: number | null | undefined) =>
  v == null ? "0" : String(Math.round(v * 1000) / 1000);

function message(e: unknown): string {
  return e instanceof Error ? e.message : String(e);
}

function SignIn(props: { onDone: (name: string) => void }) {
  const [account, setAccount] = useState(
    fromLink.account ?? localStorage.getItem("qk-shop-account") ?? "",
  );
  const [staffNo, setStaffNo] = useState(localStorage.getItem("qk-shop-staff") ?? "");
  const [pin, setPin] = useState("");
  const [error, setError] = useState("");
  const [busy, setBusy] = useState(false);

  async function submit(e: Event) {
    e.preventDefault();
    setBusy(true);
    setError("");
    try {
      const name = await signIn(account.trim(), staffNo.trim(), pin);
      localStorage.setItem("qk-shop-account", account.trim());
      localStorage.setItem("qk-shop-staff", staffNo.trim());
      props.onDone(name);
    } catch (err) {
      setError(message(err));
      setPin("");
    } finally {
      setBusy(false);
    }
  }

  return (
    <form class="card" onSubmit={submit}>
      <h1>车间报工</h1>
      <label>
        账套
        <input name="account" value={account} onInput={(e) => setAccount(e.currentTarget.value)} />
      </label>
      <label>
        工号
        <input
          name="staffNo"
          autocomplete="username"
          value={staffNo}
          onInput={(e) => setStaffNo(e.currentTarget.value)}
        />
      </label>
      <label>
        PIN
        <input
          name="pin"
          type="password"
          inputMode="numeric"
          autocomplete="current-password"
          value={pin}
          onInput={(e) => setPin(e.currentTarget.value)}
        />
      </label>
      {error && <p class="error" role="alert">{error}</p>}
      <button class="primary" type="submit" disabled={busy || !staffNo || !pin}>
        登录
      </button>
    </form>
  );
}

// The phone camera reading a flow card's code, where the browser can detect barcodes.
function Scanner(props: { onCode: (text: string) => void; onClose: () => void }) {
  const video = useRef<HTMLVideoElement>(null);
  const [error, setError] = useState("");
  useEffect(() => {
    let stream: MediaStream | undefined;
    let timer = 0;
    let stopped = false;
    (async () => {
      try {
        const Detector = (window as any).BarcodeDetector;
        const detector = new Detector({ formats: ["qr_code"] });
        stream = await navigator.mediaDevices.getUserMedia({
          video: { facingMode: "environment" },
        });
        if (stopped || !video.current) return;
        video.current.srcObject = stream;
        await video.current.play();
        const look = async () => {
          if (stopped || !video.current) return;
          const codes = await detector.detect(video.current).catch(() => []);
          if (codes.length) props.onCode(codes[0].rawValue);
          else timer = window.setTimeout(look, 250);
        };
        look();
      } catch (e) {
        setError("无法打开摄像头，请输入任务号");
      }
    })();
    return () => {
      stopped = true;
      clearTimeout(timer);
      stream?.getTracks().forEach((t) => t.stop());
    };
  }, []);
  return (
    <div class="card scanner">
      <video ref={video} playsInline muted />
      {error && <p class="error">{error}</p>}
      <button onClick={props.onClose}>关闭摄像头</button>
    </div>
  );
}

function TaskView(props: { task: TaskLine; choices: Choices | null; onTask: (t: TaskLine) => void }) {
  const { task, choices } = props;
  const blank = { procNo: task.procNo ?? "", doneQty: "", gqty: "", scrapQty: "", depNo: task.depNo ?? "", devNo: "", remark: "" };
  const [form, setForm] = useState(blank);
  const [pendingId, setPendingId] = useState("");
  const [note, setNote] = useState<{ text: string; error: boolean } | null>(null);
  const [busy, setBusy] = useState(false);

  useEffect(() => {
    setForm(blank);
    setPendingId("");
  }, [task.taskNo]);

  const set = (name: keyof typeof blank) => (e: Event) => {
    setForm({ ...form, [name]: (e.currentTarget as HTMLInputElement).value });
    setPendingId(""); // a changed form is a new submission
  };

  async function submit(e: Event) {
    e.preventDefault();
    // The same id goes with every retry of this submission, so the server records it once.
    const id = pendingId || newSubmitId();
    setPendingId(id);
    setBusy(true);
    setNote(null);
    try {
      const r = await addRecord({ submitId: id, taskNo: task.taskNo, ...form });
      setPendingId("");
      setForm({ ...blank, procNo: form.procNo, depNo: form.depNo, devNo: form.devNo });
      setNote({ text: r.repeated ? "已记录（重复提交未再次计入）" : "已记录", error: false });
      props.onTask(r.task);
    } catch (err) {
      if (!(err instanceof NoAnswer)) setPendingId("");
      setNote({ text: message(err), error: true });
    } finally {
      setBusy(false);
    }
  }

  async function undo() {
    if (!confirm("撤销自己提交的最后一条记录？")) return;
    setBusy(true);
    try {
      const r = await undoLast();
      setNote({ text: "已撤销", error: false });
      props.onTask(r.task);
    } catch (err) {
      setNote({ text: message(err), error: true });
    } finally {
      setBusy(false);
    }
  }

  const plan = task.planQty ?? 0;
  const percent = plan > 0 ? Math.min(100, (task.doneQty / plan) * 100) : 0;
  return (
    <>
      <section class="card task">
        <div class="taskno">{task.taskNo}</div>
        <div class="product">
          {task.productNo} {task.des}
        </div>
        <div class="facts">
          <span>工序 <b>{task.procName ?? "—"}</b></span>
          <span>部门 <b>{task.depName ?? "—"}</b></span>
        </div>
        <div class="progress" aria-hidden="true">
          <div style={{ width: `${percent}%` }} />
        </div>
        <div class="totals">
          <div>
            <small>已完成</small>
            <b data-testid="done">{qty(task.doneQty)}</b>
          </div>
          <div>
            <small>计划数</small>
            <b>{qty(plan)}</b>
          </div>
          <div>
            <small>合格</small>
            <b>{qty(task.gqty)}</b>
          </div>
          <div>
            <small>报废</small>
            <b>{qty(task.scrapQty)}</b>
          </div>
        </div>
        {task.processes.length > 1 && (
          <ul class="processes">
            {task.processes.map((p) => (
              <li class={p.taskNo === task.taskNo ? "current" : ""} key={p.taskNo}>
                <span>{p.procName ?? p.taskNo}</span>
                <span>
                  {qty(p.doneQty)} / {qty(p.planQty)}
                </span>
              </li>
            ))}
          </ul>
        )}
      </section>

      <form class="card record" onSubmit={submit}>
        <h2>报工</h2>
        <label>
          工序
          <select name="procNo" value={form.procNo} onChange={set("procNo")}>
            {choices?.processes.map((p) => (
              <option value={p.procNo} key={p.procNo}>
                {p.procName ?? p.procNo}
              </option>
            ))}
          </select>
        </label>
        <div class="row">
          <label>
            完成数
            <input name="doneQty" inputMode="decimal" required value={form.doneQty} onInput={set("doneQty")} />
          </label>
          <label>
            合格数
            <input name="gqty" inputMode="decimal" value={form.gqty} onInput={set("gqty")} />
          </label>
          <label>
            报废数
            <input name="scrapQty" inputMode="decimal" value={form.scrapQty} onInput={set("scrapQty")} />
          </label>
        </div>
        <div class="row">
          <label>
            部门
            <select name="depNo" value={form.depNo} onChange={set("depNo")}>
              <option value="">—</option>
              {choices?.departments.map((d) => (
                <option value={d.depNo} key={d.depNo}>
                  {d.depName ?? d.depNo}
                </option>
              ))}
            </select>
          </label>
          <label>
            设备
            <select name="devNo" value={form.devNo} onChange={set("devNo")}>
              <option value="">—</option>
              {choices?.devices.map((d) => (
                <option value={d.devNo} key={d.devNo}>
                  {d.devName ?? d.devNo}
                </option>
              ))}
            </select>
          </label>
        </div>
        <label>
          备注
          <input name="remark" maxLength={50} value={form.remark} onInput={set("remark")} />
        </label>
        {note && (
          <p class={note.error ? "error" : "ok"} role="status">
            {note.text}
          </p>
        )}
        <button class="primary" type="submit" disabled={busy}>
          提交
        </button>
        <button type="button" onClick={undo} disabled={busy}>
          撤销我的上一条
        </button>
      </form>

      {task.records.length > 0 && (
        <section class="card">
          <h2>最近记录</h2>
          <ul class="records">
            {task.records.slice(0, 10).map((r) => (
              <li key={r.sysid} class={r.mine ? "mine" : ""}>
                <span>
                  {r.staffName} · {r.procName}
                  <small>{r.time?.slice(5, 16)}</small>
                </span>
                <span>
                  {qty(r.doneQty)}（合格 {qty(r.gqty)}）
                </span>
              </li>
            ))}
          </ul>
        </section>
      )}
    </>
  );
}

function App() {
  const [name, setName] = useState(signedIn() ? workerName() : "");
  const [taskNo, setTaskNo] = useState(fromLink.taskNo ?? "");
  const [task, setTask] = useState<TaskLine | null>(null);
  const [choices, setChoices] = useState<Choices | null>(null);
  const [scanning, setScanning] = useState(false);
  const [error, setError] = useState("");
  const hasDetector = "BarcodeDetector" in window;

  async function open(no: string) {
    setError("");
    try {
      if (!choices) setChoices(await readChoices());
      setTask(await readTask(no.trim()));
    } catch (e) {
      if (e instanceof SignedOut) setName("");
      setTask(null);
      setError(message(e));
    }
  }

  useEffect(() => {
    if (name && taskNo) open(taskNo);
  }, [name]);

  if (!name) return <SignIn onDone={setName} />;

  return (
    <>
      <header>
        <span>{name}</span>
        <button
          class="link"
          onClick={async () => {
            await signOut().catch(() => {});
            setName("");
            setTask(null);
          }}
        >
          退出
        </button>
      </header>
      {scanning ? (
        <Scanner
          onCode={(text) => {
            setScanning(false);
            const p = parsePayload(text);
            if (p.taskNo) {
              setTaskNo(p.taskNo);
              open(p.taskNo);
            } else setError("不是流转卡上的二维码");
          }}
          onClose={() => setScanning(false)}
        />
      ) : (
        <form
          class="card find"
          onSubmit={(e) => {
            e.preventDefault();
            open(taskNo);
          }}
        >
          {hasDetector && (
            <button type="button" class="primary" onClick={() => setScanning(true)}>
              扫描流转卡
            </button>
          )}
          <div class="row">
            <input
              name="taskNo"
              placeholder="任务号，如 26-12-0001-01"
              value={taskNo}
              onInput={(e) => setTaskNo(e.currentTarget.value)}
            />
            <button type="submit" disabled={!taskNo.trim()}>
              打开
            </button>
          </div>
          {error && <p class="error" role="alert">{error}</p>}
        </form>
      )}
      {task && <TaskView task={task} choices={choices} onTask={setTask} />}
    </>
  );
}

render(<App />, document.getElementById("app")!);
