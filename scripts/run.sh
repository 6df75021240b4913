#!/usr/bin/env bash
# Installs what is missing, builds, creates the demo account set (once) and starts qk-server on
# loopback. Stop it with Ctrl+C.
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

QK application server
  address:      http://$LISTEN
  account set:  $ACCOUNT
  user:         admin
  password:     $PASSWORD   (only for a newly created demo set)
  try it:       curl -s http://$LISTEN/api/health

EOT
exec build/bin/qk-server serve --data "$DATA_DIR" --listen "$LISTEN"
