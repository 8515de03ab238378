#!/usr/bin/env bash
# Takes the README's screenshots on a virtual screen (Xvfb): the main window with a few entries,
# and the about window opened from the menu "Info". The program is driven from its keyboard, as a
# user would drive it; nothing is saved.
#
#   bash strumenti/schermate.sh [folder]      (default: documenti/schermate)
#
# With QT_SCALE_FACTOR=2 in the environment the windows are drawn at double density, which is how
# to look at the program on a high-density screen.
set -euo pipefail
cd "$(dirname "$0")/.."
uscita=${1:-documenti/schermate}
mkdir -p "$uscita"

bash strumenti/prepara.sh
cmake -S . -B build/rilascio -DCMAKE_BUILD_TYPE=Release -DCUSTODEX_TESTS=OFF \
  -DCUSTODEX_BENCH=OFF >/dev/null
cmake --build build/rilascio -j"$(nproc)" >/dev/null

lavoro=$(mktemp -d)
xvfb=""
programma=""
fine() {
  [ -n "$programma" ] && kill "$programma" 2>/dev/null || true
  [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null || true
  rm -rf "$lavoro"
}
trap fine EXIT

# A free display, chosen by the server itself.
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$lavoro/display" 2>/dev/null &
xvfb=$!
for _ in $(seq 50); do [ -s "$lavoro/display" ] && break; sleep 0.1; done
export DISPLAY=":$(cat "$lavoro/display")"

export HOME="$lavoro" XDG_RUNTIME_DIR="$lavoro"
./build/rilascio/custodex &
programma=$!
finestra=$(timeout 20 xdotool search --sync --onlyvisible --name '^Custodex$' | head -1)
xdotool windowfocus --sync "$finestra"
sleep 0.5

tasti() { xdotool key --delay 40 "$@"; }
# Without the time stamps ImageMagick writes, a picture that did not change makes no difference.
schermata() {
  import -window "$1" "$lavoro/$2.png"
  convert "$lavoro/$2.png" -strip "$uscita/$2.png"
  echo "$uscita/$2.png"
}
scrivi() { xdotool type --delay 15 -- "$1"; }

# From the "Aggiungi" button, which has the focus at start, to the name box; then each entry is
# typed into the four boxes and added from the menu "Comandi", and Shift+Tab leads back.
tasti Tab Tab Tab
voce() {
  scrivi "$1"; tasti Tab
  scrivi "$2"; tasti Tab
  scrivi "$3"; tasti Tab
  scrivi "$4"
  tasti alt+c Return
  sleep 0.3
  tasti shift+Tab shift+Tab shift+Tab
}
voce "Posta elettronica" "mario.rossi@example.it" "Zq8#vL2!pR" "Casella personale"
voce "Banca" "mrossi" "7Hk\$w9Tx" "Conto corrente, codice cliente 4412"
voce "Wi-Fi di casa" "" "lampone-tramonto-47" "Rete di casa"
# Into the list: open the first entry and select its user name.
tasti shift+Tab shift+Tab Home Right Down
sleep 0.5
schermata "$finestra" principale

# The about window, from its menu.
tasti alt+i Return
informazioni=""
for _ in $(seq 50); do
  for w in $(xdotool search --onlyvisible --pid "$programma" 2>/dev/null); do
    if [ "$w" != "$finestra" ] && [ "$(xdotool getwindowname "$w")" != "" ]; then
      informazioni=$w
    fi
  done
  [ -n "$informazioni" ] && break
  sleep 0.1
done
if [ -z "$informazioni" ]; then
  echo "The about window did not open from the menu Info: no screenshot of it." >&2
  exit 1
fi
sleep 0.5
schermata "$informazioni" informazioni
