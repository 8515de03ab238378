#!/usr/bin/env bash
# Runs the real program end to end on a private X display with a notification area, inside a
# private D-Bus session that carries the accessibility bus.
#   e2e.sh <custodex binary>
# Exits 77 (skipped) when a tool the run needs is missing, except under CI: strumenti/prepara.sh
# installs them.
set -euo pipefail

binario=$(realpath "$1")
qui=$(cd "$(dirname "$0")" && pwd)

mancanti=()
for strumento in Xvfb trayer xdotool xclip dbus-run-session; do
  command -v "$strumento" >/dev/null || mancanti+=("$strumento")
done
[ -x /usr/libexec/at-spi-bus-launcher ] || mancanti+=(at-spi-bus-launcher)
/usr/bin/python3 -c 'import pyatspi' 2>/dev/null || mancanti+=(python3-pyatspi)
if [ ${#mancanti[@]} -gt 0 ]; then
  echo "skipped: missing ${mancanti[*]} (run strumenti/prepara.sh)"
  # Under CI the set-up has run, so a missing tool is a fault of the set-up, not a skip.
  [ -z "${CI:-}" ] || exit 1
  exit 77
fi

lavoro=$(mktemp -d)
figli=()
pulisci() {
  for ((i = ${#figli[@]} - 1; i >= 0; i--)); do
    kill "${figli[i]}" 2>/dev/null || true
    wait "${figli[i]}" 2>/dev/null || true
  done
  rm -rf "$lavoro"
}
trap pulisci EXIT
trap 'exit 1' INT TERM

# The server picks a free display number and writes it once it accepts clients.
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$lavoro/schermo" 2>"$lavoro/xvfb.log" &
figli+=($!)
for _ in $(seq 100); do
  [ -s "$lavoro/schermo" ] && break
  sleep 0.1
done
[ -s "$lavoro/schermo" ] || { echo "Xvfb did not start:"; cat "$lavoro/xvfb.log"; exit 1; }
export DISPLAY=":$(cat "$lavoro/schermo")"

# The notification area. On a busy machine it has been seen not to take the tray selection at
# all, so it gets a few tries, each awaited until it owns the selection.
for tentativo in 1 2 3; do
  trayer --edge top --align right --widthtype request --height 24 --SetDockType true \
    >"$lavoro/trayer.log" 2>&1 &
  figli+=($!)
  for _ in $(seq 100); do
    /usr/bin/python3 "$qui/tray_pronto.py" && break 2
    sleep 0.1
  done
  echo "trayer did not take the tray selection (try $tentativo):"
  cat "$lavoro/trayer.log"
  kill "${figli[-1]}" 2>/dev/null || true
  wait "${figli[-1]}" 2>/dev/null || true
done
/usr/bin/python3 "$qui/tray_pronto.py" || { echo "no notification area came up"; exit 1; }

# Everything of the session in a process group of its own, so that an interrupted run takes the
# program, the accessibility bus and the session bus down with it.
cd "$lavoro"
setsid dbus-run-session -- bash -c '
  /usr/libexec/at-spi-bus-launcher --launch-immediately &
  lanciatore=$!
  E2E_SCHERMATA="$3" /usr/bin/python3 "$1/percorso.py" "$2" "$4"
  esito=$?
  kill $lanciatore; wait $lanciatore
  exit $esito' _ "$qui" "$binario" "$OLDPWD/e2e_fallito.png" "$lavoro" \
  > >(grep --line-buffered -v -e 'Failed to set fd limit' -e 'Activating service' \
    -e 'Successfully activated' -e 'SpiRegistry daemon is running') 2>&1 &
sessione=$!
pulisci_sessione() {
  kill -TERM -- -"$sessione" 2>/dev/null || true
}
trap 'pulisci_sessione; pulisci' EXIT
wait "$sessione"
