#!/usr/bin/env bash
# A throwaway PostgreSQL cluster for the tests and benchmarks: made with initdb in a fresh
# directory, listening only on a local socket, and removed again by "stop".
#
#   eval "$(bash scripts/pg-cluster.sh start [DIR])"   # exports QK_TEST_PG and QK_TEST_PG_DIR
#   bash scripts/pg-cluster.sh stop "$QK_TEST_PG_DIR"
#
# initdb refuses to run as root, so under root the cluster belongs to the unprivileged system
# user "qkpg" (created when missing). Its authentication is "trust" on the socket only: the
# directory is private to this run, and nothing listens on TCP.
set -euo pipefail

pgbin=$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -1)
[ -x "$pgbin/initdb" ] || { echo "pg-cluster.sh: PostgreSQL server not installed" >&2; exit 1; }

as_owner() {
  if [ "$(id -u)" = 0 ]; then runuser -u qkpg -- "$@"; else "$@"; fi
}

case "${1:-}" in
  start)
    dir=${2:-$(mktemp -d /tmp/qk-pg.XXXXXX)}
    mkdir -p "$dir"
    owner=$(id -un)
    if [ "$(id -u)" = 0 ]; then
      id qkpg >/dev/null 2>&1 || useradd --system --no-create-home --shell /usr/sbin/nologin qkpg
      chown qkpg "$dir"
      owner=qkpg
    fi
    chmod 755 "$dir"
    as_owner "$pgbin/initdb" -D "$dir/data" -U "$owner" -A trust -E UTF8 --locale=C.UTF-8 \
      >"$dir/initdb.log" 2>&1 || { cat "$dir/initdb.log" >&2; exit 1; }
    port=${QK_PG_PORT:-$((20000 + RANDOM % 20000))}
    # fsync off: a test cluster is thrown away, and durability would only slow the suite down.
    as_owner "$pgbin/pg_ctl" -D "$dir/data" -l "$dir/server.log" -w -t 60 \
      -o "-k $dir -p $port -c listen_addresses='' -c fsync=off -c synchronous_commit=off -c full_page_writes=off -c max_connections=200" \
      start >/dev/null || { cat "$dir/server.log" >&2; exit 1; }
    echo "export QK_TEST_PG_DIR='$dir'"
    echo "export QK_TEST_PG='postgresql://$owner@/postgres?host=$dir&port=$port'"
    ;;
  stop)
    dir=${2:?pg-cluster.sh stop DIR}
    [ -d "$dir/data" ] && as_owner "$pgbin/pg_ctl" -D "$dir/data" -m immediate -w stop >/dev/null 2>&1 || true
    rm -rf "$dir"
    ;;
  *)
    echo "usage: pg-cluster.sh start [DIR] | stop DIR" >&2
    exit 2
    ;;
esac
