#!/usr/bin/env bash
# Remakes mc_template.xlsx beside this script from make_mc_template.c (needs libxlsxwriter-dev).
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT
cc -std=c99 -Wall -Wextra -o "$tmp/make_mc_template" "$here/make_mc_template.c" \
  $(pkg-config --cflags --libs xlsxwriter)
"$tmp/make_mc_template" "$here/mc_template.xlsx"
