#!/usr/bin/env bash
# Takes a screenshot of the main window after login, at 1366x768 on a virtual display, against a
# fresh demo account set. Usage: scripts/screenshot.sh [OUT.png] [TAB] [ACTION] [DIALOG]
# With ACTION (e.g. wh_viewAction) that action's screen is opened and pictured instead; with
# DIALOG (file, page-setup, print, print-preview, message, confirm) that dialog over the main
# window, e.g. scripts/screenshot.sh /tmp/print.png 0 "" print. Further arguments go to
# qk-screenshot, e.g. for a screen that asks for its conditions first:
#   scripts/screenshot.sh /tmp/stock.png 0 stock_inventoryAction "" --first-dialog-out /tmp/ask.png
#   scripts/screenshot.sh /tmp/ledger.png 0 stock_inventoryAction "" --accept-first-dialog \
#     --then 所有明细
# A window manager runs on the virtual display so that windows have real frames and titles.
set -euo pipefail
cd "$(dirname "$0")/.."
OUT=${1:-/tmp/qk-main.png}
TAB=${2:-0}
ACTION=${3:-}
DIALOG=${4:-}
shift $(($# < 4 ? $# : 4))
bash scripts/install-deps.sh
bash scripts/build.sh

WORK=$(mktemp -d)
trap 'kill $SERVER 2>/dev/null || true; rm -rf "$WORK"' EXIT
build/bin/qk-server init --data "$WORK" --account 演示账套 --admin-password admin123 --demo >/dev/null
PORT=$(( 20000 + RANDOM % 20000 ))
build/bin/qk-server serve --data "$WORK" --listen 127.0.0.1:$PORT --log "$WORK/server.log" &
SERVER=$!
for _ in $(seq 50); do
  curl -sf "http://127.0.0.1:$PORT/api/health" >/dev/null 2>&1 && break
  sleep 0.1
done
xvfb-run -a -s "-screen 0 1366x768x24" bash -c '
  openbox >/dev/null 2>&1 &
  WM=$!
  sleep 1
  "$@"
  rc=$?
  kill $WM
  exit $rc' windowed build/bin/qk-screenshot \
  --server "http://127.0.0.1:$PORT" --account 演示账套 --user admin --password admin123 \
  --out "$OUT" --tab "$TAB" ${ACTION:+--action "$ACTION"} ${DIALOG:+--dialog "$DIALOG"} "$@"
