#!/usr/bin/env bash
# settings-kill.sh SAVER [COUNT]: starts SAVER (settingssaveloop), which saves
# the settings document over and over with two alternating sets of values,
# and kills it with SIGKILL at a random moment, COUNT times (1000 unless
# given). After every kill the document must be exactly one of the two, never
# empty, never torn. Prints how often each was found and what was left over.
set -euo pipefail
saver=$1
count=${2:-1000}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export XDG_CONFIG_HOME=$work/config
export QT_QPA_PLATFORM=offscreen
export XDG_RUNTIME_DIR=$work/runtime
mkdir -m 700 "$XDG_RUNTIME_DIR"
"$saver" --print 0 > "$work/first"
"$saver" --print 1 > "$work/second"
document=$XDG_CONFIG_HOME/com.brightfold.Lumigrid.plist

first=0
second=0
start=$(date +%s%N)
for ((kill = 1; kill <= count; ++kill)); do
  coproc SAVER { exec "$saver"; }
  pid=$SAVER_PID
  read -r ready <&"${SAVER[0]}"
  [ "$ready" = saving ] || { echo "kill $kill: the saver did not start" >&2; exit 1; }
  # Saves take a fraction of a millisecond each: any moment up to 40 ms
  # after the first lands inside one of them or between two.
  printf -v delay '0.%03d' $((RANDOM % 40))
  sleep "$delay"
  kill -KILL "$pid"
  wait "$pid" 2> /dev/null || true
  if cmp -s "$document" "$work/first"; then
    first=$((first + 1))
  elif cmp -s "$document" "$work/second"; then
    second=$((second + 1))
  else
    echo "kill $kill: the document is neither of the two ($(stat -c %s "$document" 2> /dev/null || echo missing) bytes)" >&2
    exit 1
  fi
done
seconds=$(( ($(date +%s%N) - start) / 1000000000 ))
leftovers=$(find "$XDG_CONFIG_HOME" -mindepth 1 ! -name com.brightfold.Lumigrid.plist | wc -l)
echo "$count kills in $seconds s: first set $first, second set $second, torn or empty 0, other files left $leftovers"
