#!/usr/bin/env bash
# The scripted demo (run by run.sh inside wine-env.sh): every step waits for
# the state it needs, with a bound.
set -euo pipefail
WZRV_SOURCE_DIR=$(cd "$(dirname "$0")/.." && pwd)

probe() { wine "$WZRV_PROBE" "$@" 2>/dev/null | tr -d '\r'; }
field() { sed -n "s/.*[[:space:]]$1=\([^[:space:]]*\).*/\1/p" | head -n 1; }
wait_for() {  # wait_for SECONDS COMMAND...: polls until COMMAND succeeds
  local limit=$(( $1 * 10 )); shift
  for _ in $(seq 1 "$limit"); do "$@" >/dev/null && return 0; sleep 0.1; done
  echo "demo: timed out waiting for: $*" >&2; return 1
}
main_line() { probe windows | grep -m1 "^window.*class=Windows Z.R.V"; }
has_box() { probe windows | grep -q '^box'; }
no_box() { ! has_box; }
locked() { main_line | grep -q 'iconic=0'; }
unlocked() { main_line | grep -q 'iconic=1'; }
animations() { grep -c 'wzrv: PlayBitmapAnimation' "$WZRV_DEMO_DIR/wzrv.log" || true; }
animation_after() { [ "$(animations)" -gt "$1" ]; }
# A system-menu command or control id, as the program's resource.h defines it.
resource_id() { sed -n "s/^#define $1 \([0-9A-Fa-fx]*\).*/\1/p" "$WZRV_SOURCE_DIR/resources/resource.h"; }
shot() { "$WZRV_XSHOT" "$WZRV_DEMO_DIR/$1.png" && echo "  saved $WZRV_DEMO_DIR/$1.png"; }

# A desktop-like backdrop, so the barrier has something to stand over.
if [ -x "$WZRV_BACKDROP" ]; then "$WZRV_BACKDROP" & backdrop=$!; sleep 0.5; fi

# A first start: the program makes its frame cache in the demo folder.
cd "$WZRV_DEMO_DIR"
rm -f wzrvbmp.dat
LC_ALL=$WZRV_WINE_LOCALE WINEDEBUG=-all,+debugstr wine "$WZRV_EXE" >"$WZRV_DEMO_DIR/wzrv.log" 2>&1 &
wait_for 30 main_line
hwnd=$(main_line | field hwnd)
echo "First start: the notice that the field frames are being made…"
wait_for 30 has_box
shot 1-first-start
box=$(probe windows | grep -m1 '^box' | field hwnd)
probe click "$box" 1 >/dev/null
wait_for 30 no_box

echo "Locking (system menu: 画面のロック)…"
probe post "$hwnd" 0x0112 "$(resource_id IDM_LOCK)" 0 >/dev/null
wait_for 15 has_box
shot 2-reminder
box=$(probe windows | grep -m1 '^box' | field hwnd)
probe click "$box" 1 >/dev/null
wait_for 15 locked
shot 3-locked

echo "Clicking fields…"
# A field lasts about 0.4 s: the picture is taken while it is on the screen.
n=0
for p in "300 250" "700 420" "512 560"; do
  n=$((n + 1))
  before=$(animations)
  xdotool mousemove $p click 1
  # Once the program has begun the animation, a few pictures while the field
  # plays; the busiest one is kept.
  wait_for 10 animation_after "$before"
  for k in 1 2 3 4 5 6 7 8 9 10 11 12; do
    "$WZRV_XSHOT" "$WZRV_DEMO_DIR/.field-$k.png"
    sleep 0.04
  done
  best=$(ls -S "$WZRV_DEMO_DIR"/.field-*.png | head -n 1)
  mv "$best" "$WZRV_DEMO_DIR/4-field-$n.png"
  rm -f "$WZRV_DEMO_DIR"/.field-*.png
  echo "  saved $WZRV_DEMO_DIR/4-field-$n.png"
  sleep 0.5
done
shot 5-locked-after-clicks

echo "Unlocking (Return; no password is set)…"
xdotool key Return
wait_for 15 unlocked
shot 6-unlocked

probe post "$hwnd" 0x0112 0xF060 0 >/dev/null
for _ in $(seq 1 100); do main_line >/dev/null || break; sleep 0.1; done
[ -n "${backdrop:-}" ] && kill "$backdrop" 2>/dev/null || true
echo "Demo finished; screenshots are in $WZRV_DEMO_DIR"
