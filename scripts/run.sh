#!/usr/bin/env bash
# Installs what is missing, builds Tagmora and starts it: on the folder given, or on a demo
# folder of generated, tagged MP3 files when none is given.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
bash "$root/scripts/install-deps.sh"
bash "$root/scripts/build.sh"

folder="${1:-}"
if [ -z "$folder" ]; then
  folder="$root/build/demo"
  if [ ! -d "$folder" ]; then
    python3 "$root/scripts/make_corpus.py" "$folder" --demo
  fi
fi

# The program opens its command-line folder once settings and a window position are stored.
# A newcomer has none yet, so store the first-run defaults (the settings dialog can change them).
"$root/build/bin/tagmora-cli" settings init

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display found: starting Tagmora on a virtual screen (Xvfb)." >&2
  exec xvfb-run -a -s "-screen 0 1280x800x24" "$root/build/bin/tagmora" "$folder"
fi
exec "$root/build/bin/tagmora" "$folder"
