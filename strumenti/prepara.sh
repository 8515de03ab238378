#!/usr/bin/env bash
# Installs, from Debian's packages, whatever of the build and run dependencies is missing.
# Idempotent: when everything is there it only checks and returns.
set -euo pipefail

pacchetti=(build-essential cmake pkg-config qt6-base-dev libgl-dev libsodium-dev libzstd-dev
  fonts-liberation qt6-translations-l10n)
# The about window's title face, and the end-to-end run: a private X display with a notification
# area, keys and clicks, the clipboard, the accessibility bus, a screenshot when a step fails.
pacchetti+=(fonts-dejavu-core xvfb trayer xdotool xclip dbus at-spi2-core python3-pyatspi imagemagick)
# The Debian package and its checks (strumenti/prova_pacchetto.sh); the icons' larger sizes
# (strumenti/disegna_icone.py); the screenshots on a virtual screen (strumenti/schermate.sh).
pacchetti+=(dpkg-dev file lintian desktop-file-utils appstream shared-mime-info libglib2.0-bin librsvg2-bin xvfb xdotool imagemagick)
# Fuzzing and the sanitizer run (clang, libFuzzer); queued input injected as the window system
# would, and an entry added at the end taken into the tree view's rows (Qt's private headers).
pacchetti+=(clang libclang-rt-14-dev qt6-base-private-dev)

mancanti=()
for p in "${pacchetti[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    mancanti+=("$p")
  fi
done

if [ ${#mancanti[@]} -gt 0 ]; then
  echo "Installing: ${mancanti[*]}"
  sudo=""
  if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
  export DEBIAN_FRONTEND=noninteractive
  $sudo apt-get update -q
  $sudo apt-get install -y -q --no-install-recommends "${mancanti[@]}"
fi
