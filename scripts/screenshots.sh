#!/bin/sh
# Pictures of the library's dialogs and of the table view in GTK windows, on
# an X server of their own: scripts/screenshots.sh KELM LEXICON_DIR OUT_DIR.
# Each window is shown by the kelm command, pictured once drawn, and closed.
set -eu
kelm=$(realpath "$1")
lexicons=$(realpath "$2")
mkdir -p "$3"
out=$(realpath "$3")
work=$(mktemp -d)
server=
cleanup() {
  [ -n "$server" ] && kill "$server" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT INT TERM

exec 3>"$work/display"
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
server=$!
exec 3>&-
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=":$(cat "$work/display")"
export HOME="$work" XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data"
export KELM_LEXICON_DIR="$lexicons" KELM_FRONTEND=gtk GTK_A11Y=none GDK_DEBUG=gl-disable \
  GSK_RENDERER=cairo ASAN_OPTIONS=detect_leaks=0

# The newest window of the process titled $2 (any title when empty), once shown.
window_of() {
  for _ in $(seq 300); do
    if [ -n "$2" ]; then
      w=$(xdotool search --onlyvisible --pid "$1" --name "^$2\$" 2>/dev/null | tail -n 1)
    else
      w=$(xdotool search --onlyvisible --pid "$1" 2>/dev/null | tail -n 1)
    fi
    [ -n "$w" ] && { echo "$w"; return 0; }
    sleep 0.1
  done
  echo "screenshots: no window \"$2\"" >&2
  return 1
}

# Pictures window $1 as $2.png once it has drawn what it shows.
picture() {
  sleep 1
  import -window "$1" "$out/$2.png"
  echo "$out/$2.png"
}

finish() {
  for _ in $(seq 100); do kill -0 "$1" 2>/dev/null || return 0; sleep 0.1; done
  kill "$1" 2>/dev/null || true
}

"$kelm" charmap >/dev/null &
pid=$!
w=$(window_of $pid "Insert Special Character")
xdotool windowfocus --sync "$w" key Down Down Down
picture "$w" charmap
xdotool windowfocus --sync "$w" key Escape
finish $pid

printf '[AC]\n0=alpha\n1=bravo\n2=charlie\nCount=3\nAuto Complete=1\nNum Chars=3\n' > "$work/words.ini"
"$kelm" autocomplete edit "$work/words.ini" AC >/dev/null &
pid=$!
w=$(window_of $pid "Auto Complete Options")
xdotool windowfocus --sync "$w" key Tab Tab
picture "$w" autocomplete
# A count out of range: the message box says so.
xdotool windowfocus --sync "$w" key End BackSpace type 42
xdotool windowfocus --sync "$w" key Return
box=$(window_of $pid "Kelm")
picture "$box" message_box
xdotool windowfocus --sync "$box" key Return
sleep 0.5
xdotool windowfocus --sync "$w" key Escape
finish $pid

printf 'Teh cat sat on the mat.  It was fine.\nThere were two dogs  there.\n' > "$work/text.txt"
"$kelm" spell text "$work/text.txt" --interactive >/dev/null &
pid=$!
w=$(window_of $pid "Correct Spelling")
picture "$w" correct_spelling
xdotool windowfocus --sync "$w" key Return
w=$(window_of $pid "Double space error")
picture "$w" double_space_error
xdotool windowfocus --sync "$w" key alt+q
finish $pid

"$kelm" spell options >/dev/null &
pid=$!
w=$(window_of $pid "Spell Checker Options")
picture "$w" spell_options
xdotool windowfocus --sync "$w" key Escape
finish $pid

"$kelm" spell lexicons >/dev/null &
pid=$!
w=$(window_of $pid "Lexicons")
picture "$w" lexicons
xdotool windowfocus --sync "$w" key Escape
finish $pid

"$kelm" table --make-sample "$work/sample.db" 5000 >/dev/null
"$kelm" table "$work/sample.db" entries >/dev/null &
pid=$!
w=$(window_of $pid "")
xdotool windowfocus --sync "$w" key Down Down Down
picture "$w" table_view
xdotool windowfocus --sync "$w" key q
finish $pid
