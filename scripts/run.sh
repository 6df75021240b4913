#!/usr/bin/env bash
# Installs what is missing, builds, creates the demo account set (once), starts qk-server on
# loopback and opens qk-client against it. Closing the client stops the server. Without a
# display only the server runs (stop it with Ctrl+C).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
bash scripts/build.sh

DATA_DIR=${QK_DATA_DIR:-data}
ACCOUNT=${QK_ACCOUNT:-演示账套}
PASSWORD=${QK_ADMIN_PASSWORD:-admin123}
LISTEN=${QK_LISTEN:-127.0.0.1:8686}

mkdir -p "$DATA_DIR"
if [ ! -f "$DATA_DIR/$ACCOUNT.qkdb" ]; then
  build/bin/qk-server init --data "$DATA_DIR" --account "$ACCOUNT" --admin-password "$PASSWORD" --demo
fi

cat <<EOT

QK
  server:       http://$LISTEN   (log: $DATA_DIR/server.log)
  account set:  $ACCOUNT
  user:         admin
  password:     $PASSWORD   (as set when the demo account set was created)

EOT

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display: running the server only. Start the client elsewhere with"
  echo "  build/bin/qk-client --server http://$LISTEN"
  exec build/bin/qk-server serve --data "$DATA_DIR" --listen "$LISTEN"
fi

build/bin/qk-server serve --data "$DATA_DIR" --listen "$LISTEN" --log "$DATA_DIR/server.log" &
SERVER=$!
trap 'kill $SERVER 2>/dev/null || true' EXIT
for _ in $(seq 50); do
  curl -sf "http://$LISTEN/api/health" >/dev/null 2>&1 && break
  sleep 0.1
done
build/bin/qk-client --server "http://$LISTEN"
