#!/usr/bin/env bash
# Checks that every target still compiles in unity batches, as the sanitized build compiles it,
# without building: each batch is only parsed (-fsyntax-only). Two files of one library that
# define the same name in their anonymous namespaces show up here in a few minutes.
set -euo pipefail
cd "$(dirname "$0")/.."
if [ ! -f build-unity/build.ninja ]; then
  cmake -S . -B build-unity -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCMAKE_EXPORT_COMPILE_COMMANDS=ON \
    -DCMAKE_UNITY_BUILD=ON -DCMAKE_UNITY_BUILD_BATCH_SIZE=8 -DCMAKE_AUTOGEN_ORIGIN_DEPENDS=OFF >/dev/null
fi
# The generated sources the batches include: moc output and the embedded files.
mapfile -t generated < <(ninja -C build-unity -t targets all |
  sed -n -e 's/^\([^/:][^:]*_autogen\): phony$/\1/p' -e 's/^\([^/:][^:]*\.cpp\): CUSTOM_COMMAND$/\1/p')
[ ${#generated[@]} -eq 0 ] || ninja -C build-unity -k 0 "${generated[@]}" >/dev/null || true
python3 - <<'PY'
import json, shlex, subprocess, sys
from concurrent.futures import ThreadPoolExecutor
cmds = [c for c in json.load(open("build-unity/compile_commands.json")) if "/Unity/" in c["file"]]
def check(c):
    args = shlex.split(c["command"])
    kept, skip = [], False
    for a in args:
        if skip:
            skip = False
        elif a in ("-o", "-MT", "-MF"):
            skip = True
        elif a != "-MD":
            kept.append(a)
    args = kept + ["-fsyntax-only"]
    r = subprocess.run(args, cwd=c["directory"], capture_output=True, text=True)
    return c["file"], r.returncode, r.stderr
failed = 0
with ThreadPoolExecutor(2) as pool:
    for f, rc, err in pool.map(check, cmds):
        if rc:
            failed += 1
            print(err, file=sys.stderr)
print(f"unity check: {len(cmds) - failed} of {len(cmds)} batches parse")
sys.exit(1 if failed else 0)
PY
