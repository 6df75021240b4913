// The shop-floor API of qk-server (/api/shop/…): JSON in, JSON out, a bearer token after sign-in.

export interface TaskProcess {
  taskNo: string;
  procName: string | null;
  depName: string | null;
  planQty: number | null;
  doneQty: number;
}

export interface TaskRecord {
  sysid: number;
  procName: string;
  staffName: string | null;
  doneQty: number | null;
  gqty: number | null;
  scrapQty: number | null;
  place: string;
  remark: string | null;
  time: string | null;
  mine: number;
}

export interface TaskLine {
  taskNo: string;
  gsNo: string | null;
  productNo: string | null;
  des: string | null;
  unit: string | null;
  procNo: string | null;
  procName: string | null;
  depNo: string | null;
  depName: string | null;
  planQty: number | null;
  limitQty: number;
  doneQty: number;
  gqty: number;
  scrapQty: number;
  processes: TaskProcess[];
  records: TaskRecord[];
}

export interface Choices {
  processes: { procNo: string; procName: string | null }[];
  departments: { depNo: string; depName: string | null }[];
  devices: { devNo: string; devName: string | null }[];
}

// The server refused (a rule, a wrong PIN); the text is for the worker.
export class Refusal extends Error {}
// The session is gone: sign in again.
export class SignedOut extends Error {}
// No answer arrived: the same request may be sent again.
export class NoAnswer extends Error {}

let token = sessionStorage.getItem("qk-shop-token") ?? "";

export function signedIn(): boolean {
  return token !== "";
}

async function post<T>(path: string, body: unknown): Promise<T> {
  let res: Response;
  try {
    res = await fetch(`/api/shop/${path}`, {
      method: "POST",
      headers: {
        "Content-Type": "application/json",
        ...(token ? { Authorization: `Bearer ${token}` } : {}),
      },
      body: JSON.stringify(body),
    });
  } catch {
    throw new NoAnswer("网络中断，请检查网络后重试");
  }
  if (res.status === 401) {
    forget();
    throw new SignedOut("登录已过期，请重新登录");
  }
  let data: any;
  try {
    data = await res.json();
  } catch {
    throw new NoAnswer("服务器没有完整回复，请重试");
  }
  if (typeof data?.error === "string") throw new Refusal(data.error);
  if (!res.ok) throw new Refusal(`服务器错误（${res.status}）`);
  return data as T;
}

function forget() {
  token = "";
  sessionStorage.removeItem("qk-shop-token");
  sessionStorage.removeItem("qk-shop-name");
}

export async function signIn(account: string, staffNo: string, pin: string): Promise<string> {
  const r = await post<{ result: string; token?: string; staffName?: string }>("login", {
    account,
    staffNo,
    pin,
  });
  if (r.result !== "OK" || !r.token) throw new Refusal(r.result);
  token = r.token;
  const name = r.staffName || staffNo;
  sessionStorage.setItem("qk-shop-token", token);
  sessionStorage.setItem("qk-shop-name", name);
  return name;
}

export async function signOut(): Promise<void> {
  try {
    await post("logout", {});
  } finally {
    forget();
  }
}

export const workerName = () => sessionStorage.getItem("qk-shop-name") ?? "";
export const readTask = (taskNo: string) => post<TaskLine>("task", { taskNo });
export const readChoices = () => post<Choices>("choices", {});

export interface Submission {
  submitId: string;
  taskNo: string;
  procNo: string;
  doneQty: string;
  gqty: string;
  scrapQty: string;
  depNo: string;
  devNo: string;
  remark: string;
}

export const addRecord = (s: Submission) =>
  post<{ sysid: number; repeated: boolean; task: TaskLine }>("record", s);
export const undoLast = () => post<{ sysid: number; task: TaskLine }>("undo", {});

// A fresh id for one submission; kept while the same submission is retried.
export function newSubmitId(): string {
  const bytes = new Uint8Array(16);
  crypto.getRandomValues(bytes);
  return Array.from(bytes, (b) => b.toString(16).padStart(2, "0")).join("");
}
