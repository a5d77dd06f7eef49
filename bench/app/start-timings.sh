#!/bin/bash
# Timed start of the window under an X server (DISPLAY, default :51): seconds from
# launch until the main window shows (after the two-second splash), until the
# document's name is in its title, and the process's CPU seconds half a second later.
#
#   bench/app/start-timings.sh DEPTRIX [FILE.psd]
#
# Compare a run with FILE against one without: the difference is the import.
bin=$1; file=$2
export DISPLAY=${DISPLAY:-:51}
tmp=$(mktemp -d); export XDG_CONFIG_HOME=$tmp/c XDG_CACHE_HOME=$tmp/k XDG_DATA_HOME=$tmp/d
t0=$(date +%s.%N)
if [ -n "$file" ]; then "$bin" "$file" >/dev/null 2>&1 & else "$bin" >/dev/null 2>&1 & fi
pid=$!
shown=""; doc=""
for i in $(seq 1 800); do
  now=$(date +%s.%N)
  if [ -z "$shown" ] && xdotool search --onlyvisible --name "^Deptrix" >/dev/null 2>&1; then shown=$now; fi
  if [ -n "$shown" ]; then
     if [ -z "$file" ] || xdotool search --name "$(basename "$file")" >/dev/null 2>&1; then doc=$now; break; fi
  fi
  sleep 0.01
done
sleep 0.5
read -ra st < /proc/$pid/stat
tck=$(getconf CLK_TCK)
cpu=$(echo "(${st[13]} + ${st[14]}) / $tck" | bc -l)
kill -TERM $pid; wait $pid 2>/dev/null
rm -rf "$tmp"
printf "shown %.2f s  document %.2f s  (%.2f s after shown)  cpu %.2f s\n" $(echo "$shown - $t0" | bc) $(echo "$doc - $t0" | bc) $(echo "$doc - $shown" | bc) $cpu
