#!/usr/bin/env bash
# Builds the help pages (help/*.mht) from their sources in help/src: one HTML file per page, the
# shared style.css and the pictures under help/src/images. Commit the sources and the .mht.
#   scripts/make-help.sh [PAGE...]          pages by name without extension; all when none given
#   scripts/make-help.sh picture ACTION     help/src/images/ACTION.png: that action's screen
#                                           pictured, cropped to the screen's window, scaled to
#                                           720 pixels wide and reduced to 64 colours (ImageMagick,
#                                           pngquant, neither needed to build); ACTION "main"
#                                           pictures the main window
set -euo pipefail
cd "$(dirname "$0")/.."
if [ "${1:-}" = picture ]; then
  action=${2:?action name}
  shot=$(mktemp --suffix=.png)
  small=$(mktemp --suffix=.png)
  trap 'rm -f "$shot" "$small"' EXIT
  if [ "$action" = main ]; then
    timeout 300 bash scripts/screenshot.sh "$shot" 0
    crop=1366x768+0+0
  else
    timeout 300 bash scripts/screenshot.sh "$shot" 0 "$action"
    crop=1324x724+0+0  # the screen's window; the screenshot opens it at 1300x700
  fi
  convert "$shot" -crop "$crop" +repage -resize 720x -strip "$small"
  pngquant --force --strip --quality 60-90 64 --output "help/src/images/$action.png" "$small"
  exit 0
fi
exec python3 scripts/make-help.py "$@"
