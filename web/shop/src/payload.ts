// What a flow card's QR code holds: the page's address with the account set and the task line in
// its fragment, "https://host:port/shop/#a=<account>&t=<taskNo>". A bare task number also works.
export interface CardPayload {
  account?: string;
  taskNo?: string;
}

export function parsePayload(text: string): CardPayload {
  const raw = text.trim();
  const hash = raw.indexOf("#");
  if (hash < 0) return raw && !raw.includes("/") ? { taskNo: raw } : {};
  const params = new URLSearchParams(raw.slice(hash + 1));
  return { account: params.get("a") ?? undefined, taskNo: params.get("t") ?? undefined };
}
