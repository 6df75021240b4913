#!/usr/bin/env bash
# Builds the qk-server and qk-client Debian packages from ./build, installs them on this machine,
# creates an account set as the user qk, starts the installed server from its installed
# configuration (directly, not through systemd), takes a copy while it serves, logs in through
# the installed client, then purges both packages and checks that the programs and configuration
# are gone and the account set stayed. Leaves the machine as it found it. Needs root (or sudo).
set -euo pipefail
cd "$(dirname "$0")/.."
started=$SECONDS
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi

for pkg in qk-server qk-client; do
  if dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed"; then
    echo "package-test: $pkg is installed on this machine already; not replacing it" >&2
    exit 1
  fi
done

rm -f build/qk-server_*.deb build/qk-client_*.deb
(cd build && cpack -G DEB >/dev/null)
debs=(build/qk-server_*.deb build/qk-client_*.deb)
echo "package-test: built ${debs[*]}"

had_data=0
[ -d /var/lib/qk ] && had_data=1
had_user=0
getent passwd qk >/dev/null && had_user=1
account="包测试-$$"
server_pid=""
cleanup() {
  if [ -n "$server_pid" ]; then $SUDO kill "$server_pid" 2>/dev/null || true; fi
  $SUDO env DEBIAN_FRONTEND=noninteractive apt-get purge -y -qq qk-server qk-client \
    >/dev/null 2>&1 || true
  $SUDO rm -f "/var/lib/qk/$account.qkdb" "/var/lib/qk/backup/$account.qkbak"
  if [ "$had_data" = 0 ]; then $SUDO rm -rf /var/lib/qk; fi
  if [ "$had_user" = 0 ] && getent passwd qk >/dev/null; then
    $SUDO deluser --system qk >/dev/null 2>&1 || true
    $SUDO delgroup --system qk >/dev/null 2>&1 || true
  fi
}
trap cleanup EXIT

$SUDO env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends \
  "./${debs[0]}" "./${debs[1]}" >/dev/null
test "$(stat -c '%U %a' /var/lib/qk)" = "qk 750"
test -f /lib/systemd/system/qk-server.service
test -f /usr/share/applications/qk-client.desktop
test -f /usr/share/qk-client/help/index.mht

# A free port, written into both installed configurations as an administrator would.
port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])')
$SUDO sed -i "s/^listen = .*/listen = 127.0.0.1:$port/" /etc/qk/qk-server.conf
$SUDO sed -i "s|^url=.*|url=http://127.0.0.1:$port|" /etc/qk/qk.ini

as_qk=($SUDO setpriv --reuid=qk --regid=qk --init-groups --)
"${as_qk[@]}" /usr/bin/qk-server init --data /var/lib/qk --account "$account" \
  --admin-password package-test
"${as_qk[@]}" /usr/bin/qk-server serve --config /etc/qk/qk-server.conf &
server_pid=$!
for _ in $(seq 100); do
  curl -fs "http://127.0.0.1:$port/api/health" >/dev/null && break
  sleep 0.1
done
"${as_qk[@]}" /usr/bin/qk-server backup --data /var/lib/qk --account "$account" \
  --out "/var/lib/qk/backup/$account.qkbak"
echo package-test | QT_QPA_PLATFORM=offscreen /usr/bin/qk-client --check-login "$account" admin
if echo wrong | QT_QPA_PLATFORM=offscreen /usr/bin/qk-client --check-login "$account" admin; then
  echo "package-test: a wrong password logged in" >&2
  exit 1
fi
$SUDO kill "$server_pid"
wait "$server_pid" || true
server_pid=""

$SUDO env DEBIAN_FRONTEND=noninteractive apt-get purge -y -qq qk-server qk-client >/dev/null
for gone in /usr/bin/qk-server /usr/bin/qk-client /etc/qk/qk-server.conf /etc/qk/qk.ini \
  /lib/systemd/system/qk-server.service /usr/share/applications/qk-client.desktop; do
  if [ -e "$gone" ]; then
    echo "package-test: $gone is still there after purge" >&2
    exit 1
  fi
done
test -f "/var/lib/qk/$account.qkdb"
test -f "/var/lib/qk/backup/$account.qkbak"
echo "package-test: installed, served, logged in and purged in $((SECONDS - started)) s"
