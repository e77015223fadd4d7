#!/usr/bin/env bash
# kill -9 at any moment: the real program on its own virtual display gets new contacts the way a
# user makes them (Ctrl+N, then Return in the contact sheet, through xdotool), and is killed with
# SIGKILL at varied delays during and between its background saves, then started again.
# After every kill the data file must be whole (the old or a new one: the original records
# followed by whole new ones), and every change made more than two seconds before the kill
# must be in it. Leftover hidden files of an interrupted save must be gone after the restart.
# The companion file must agree with the book after every kill: an export (UTF-8 CSV, with the
# UIDs and extras) of the original contacts is the same as before the first kill, and no UID
# is given twice.
#
#   bench/kill9.sh BUILD_DIR [KILLS] [CONTACTS]
set -uo pipefail
build=${1:?usage: kill9.sh BUILD_DIR [KILLS] [CONTACTS]}
kills=${2:-30}
contacts=${3:-20000}
program=$build/src/VOK_Address
for tool in Xvfb xdotool; do
    command -v $tool >/dev/null || { echo "$tool is missing (scripts/install-deps.sh)"; exit 2; }
done

work=$(mktemp -d /tmp/vok-kill9-XXXXXX)
mkdir -p "$work"/{data,config,share,cache,run}
chmod 700 "$work/run"
export XDG_CONFIG_HOME=$work/config XDG_DATA_HOME=$work/share XDG_CACHE_HOME=$work/cache
export XDG_RUNTIME_DIR=$work/run VOK_ADDRESS_DIR=$work/data VOK_PASSWORD_STORE=file
export QT_QPA_PLATFORM=xcb
unset WAYLAND_DISPLAY

Xvfb -displayfd 1 -screen 0 1280x800x24 -nolisten tcp > "$work/display" 2>/dev/null &
xvfb=$!
for _ in $(seq 50); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=:$(head -1 "$work/display")
cleanup() { kill -9 "${pid:-0}" 2>/dev/null; kill "$xvfb" 2>/dev/null; rm -rf "$work"; }
trap cleanup EXIT

"$build/bench/make_demo_book" "$work/data" "$contacts" >/dev/null || exit 2
# Xvfb has no tray: the first start would stop to explain closing, before any key reaches it.
printf '\n[Option]\nNoTrayMsg=1\n' >> "$XDG_CONFIG_HOME/VOK System/VOK_Address.conf"
file=$work/data/Address.vok
cp "$file" "$work/original"
"$program" --export "$work/original.csv" >/dev/null 2>&1 || exit 2
# The companion's view of the book: the original contacts' rows unchanged, no UID twice.
companion_verdict() {
    "$program" --export "$work/now.csv" >/dev/null 2>&1 || { echo "EXPORT FAILED"; return; }
    cmp -s -n "$(stat -c %s "$work/original.csv")" "$work/original.csv" "$work/now.csv" ||
        { echo "ORIGINAL UIDS OR EXTRAS CHANGED"; return; }
    python3 -c 'import csv,sys; u=[r[-1] for r in csv.reader(open(sys.argv[1],encoding="utf-8-sig")) if r[-1]]; sys.exit(len(u)!=len(set(u)))' \
        "$work/now.csv" || { echo "A UID GIVEN TWICE"; return; }
    echo ok
}
base=$(( $(stat -c %s "$file") / 1684 ))
now() { date +%s.%N; }
rand() { echo $(( RANDOM % ($2 - $1 + 1) + $1 )); } # integer in [from, to]

start() {
    "$program" > "$work/log" 2>&1 &
    pid=$!
    main=$(xdotool search --sync --onlyvisible --name '^VOK_Address - VOK System$' | head -1)
}

# One new contact through the user's keys; prints the moment it was made.
new_contact() {
    local made
    xdotool windowfocus --sync "$main" key ctrl+n
    sheet=$(xdotool search --sync --onlyvisible --name '^管理情報$' | head -1)
    made=$(now) # no later than the change itself: its age is never understated
    xdotool windowfocus --sync "$sheet" key Return
    # The sheet is gone once the contact is in the book.
    while xdotool search --onlyvisible --name '^管理情報$' >/dev/null; do sleep 0.02; done
    echo "$made"
}

head -c 1664 /dev/zero > "$work/empty"
sent=0 # contacts made since the start of the run, in order
declare -a made
fails=0 during=0 maxlost=0 worst=0
start
for k in $(seq "$kills"); do
    n=$(rand 1 5)
    for i in $(seq "$n"); do
        [ "$i" -gt 1 ] && sleep "0.$(rand 1 6)"
        made[sent]=$(new_contact)
        sent=$((sent + 1))
    done
    # Every other kill aims at the save (it starts a second after the last change), the
    # others fall anywhere from right after the last change to well past its save.
    if [ $((k % 2)) -eq 0 ]; then
        sleep "$(echo "0.95 + $(rand 0 40) / 100" | bc)"
    else
        sleep "$(rand 0 2).$(rand 0 9)$(rand 0 9)"
    fi
    killed=$(now)
    kill -9 "$pid"
    wait "$pid" 2>/dev/null
    leftovers=$(find "$work/data" -name '.Address.vok.??????' | wc -l)
    [ "$leftovers" -gt 0 ] && during=$((during + 1))

    size=$(stat -c %s "$file")
    verdict=ok
    if [ $((size % 1684)) -ne 0 ]; then
        verdict="NOT WHOLE ($size bytes)"
    else
        saved=$((size / 1684 - base))
        # The original records, then whole new ones, each as the contact sheet makes it: every
        # field empty but the group (the group shown when it was made), zero-terminated.
        cmp -s -n $((base * 1684)) "$file" "$work/original" || verdict="ORIGINAL RECORDS CHANGED"
        for i in $(seq 0 $((saved - 1))); do
            tail -c +$(((base + i) * 1684 + 1)) "$file" | head -c 1684 > "$work/record"
            if ! head -c 1664 "$work/record" | cmp -s - "$work/empty" ||
                [ "$(tail -c 1 "$work/record" | od -An -tu1 | tr -d ' ')" != 0 ]; then
                verdict="RECORD $i DAMAGED"
                break
            fi
        done
        # Every change older than two seconds is there.
        lost=$((sent - saved))
        oldest=0
        if [ "$lost" -gt 0 ]; then
            oldest=$(echo "$killed - ${made[saved]}" | bc)
            if [ "$(echo "$oldest > 2.0" | bc)" = 1 ]; then
                verdict="LOST A CHANGE ${oldest}s OLD"
            fi
        fi
        [ "$lost" -gt "$maxlost" ] && maxlost=$lost
        [ "$(echo "$oldest > $worst" | bc)" = 1 ] && worst=$oldest
        if [ "$saved" -lt 0 ] || [ "$lost" -lt 0 ]; then verdict="COUNT WRONG ($saved of $sent)"; fi
        if [ "$verdict" = ok ]; then verdict=$(companion_verdict); fi
    fi
    if [ "$verdict" != ok ]; then
        fails=$((fails + 1))
        [ -n "${KILL9_KEEP:-}" ] && cp "$file" "$KILL9_KEEP.$k"
    fi
    printf 'kill %2d: %d made, %d on disk, %d lost (oldest %.2fs), %d leftover(s): %s\n' \
        "$k" "$sent" "${saved:-0}" "${lost:-0}" "${oldest:-0}" "$leftovers" "$verdict"
    # The next run starts from what is on disk.
    sent=${saved:-0}
    made=("${made[@]:0:$sent}")
    start
    if [ "$(find "$work/data" -name '.Address.vok.??????' | wc -l)" -ne 0 ]; then
        echo "  leftovers still there after the restart"
        fails=$((fails + 1))
    fi
done

# Last, the display goes away right after a change, before its save is due: Qt ends the program
# with exit(), and the change must be on disk all the same.
before=$(( $(stat -c %s "$file") / 1684 ))
new_contact >/dev/null
kill -9 "$xvfb"
for _ in $(seq 100); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
if kill -0 "$pid" 2>/dev/null; then
    echo "display lost: the program did not end"
    fails=$((fails + 1))
elif [ $(( $(stat -c %s "$file") / 1684 )) -ne $((before + 1)) ]; then
    echo "display lost: the last change was not saved"
    fails=$((fails + 1))
else
    echo "display lost: the program ended and the last change was saved"
fi
echo "$kills kills ($during during a save), $fails failed; at most $maxlost change(s) lost, the oldest ${worst}s old"
[ "$fails" -eq 0 ]
