#!/bin/bash
# The agent against a real server: nginx (one worker, sendfile, loopback
# only, in a scratch folder, stopped by its PID) serves one big file and
# many small ones. Each round times, alternating, `curl -o`, `wget`,
# `aria2c -x1`, the control's `StartDownload` in a page's script (kt5host)
# and the agent as a page uses it: a page's script hands the list over and
# starts the agent, the Start button is pressed, and the agent's window is
# closed once every row is done. The agent runs writing directly and
# through the file service broker, and for the small files also with a
# notification posted to nginx after each file. Figures: medians over the
# rounds of the whole process time, MiB/s (or files/s), the CPU seconds of
# the processes that did the work, and the TCP connections nginx saw for
# one run.
#   paced:  the big file served at 100 MiB/s (nginx's limit_rate), so the
#           broker's road is compared with the direct one at a pace both
#           can keep.
#   upload: the big file uploaded by the agent (kt5upload, 5 MiB parts),
#           from the hand-off to the last part done, and by `curl -F` in one
#           post with the same fields; nginx reads and drops the bodies and
#           answers "".
#
#   scripts/bench-nginx.sh [big|small|paced|upload|all] [ROUNDS] [BIG_MIB] [SMALL_FILES]
#   TOOLS="curl agent-direct" scripts/bench-nginx.sh big   (only these clients)
#
# Defaults: all, 7 rounds, 1024 MiB, 999 files of 16 KiB. The files land in
# /dev/shm when it exists (a tmpfs: the disk's pace is not measured).
set -euo pipefail
cd "$(dirname "$0")/.."
what=${1:-all}
rounds=${2:-7}
big_mib=${3:-1024}
small_count=${4:-999}
scripts/setup.sh bench >/dev/null
scripts/build.sh linux >/dev/null

source scripts/native-road.sh

base_dir=/tmp
[ -d /dev/shm ] && [ -w /dev/shm ] && base_dir=/dev/shm
work=$(mktemp -d "$base_dir/vard-bench.XXXXXX")
www="$work/www"
mkdir -p "$www/small" "$work/nginx" "$work/out"
chmod 755 "$work"  # nginx's worker runs as another user
export XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work/runtime"
mkdir -p "$XDG_CONFIG_HOME" "$XDG_RUNTIME_DIR"
export no_proxy="127.0.0.1,localhost" NO_PROXY="127.0.0.1,localhost"

nginx_pid=""
upview=vardel_MWKTPlusProc_Upload_view_Class
upframe=vardel_MWKTPlusProc_Upload_MainFrm_Class
cleanup() {
  "$vardwin" "$frame" close 1 >/dev/null 2>&1 || true
  "$vardwin" "$upframe" close 1 >/dev/null 2>&1 || true
  [ -n "$nginx_pid" ] && kill "$nginx_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

echo "Making the files in $www ..."
head -c $((big_mib * 1048576)) /dev/urandom > "$www/big.bin"
for i in $(seq 1 "$small_count"); do head -c 16384 /dev/urandom > "$www/small/f$i.bin"; done
chmod -R a+rX "$www"

port=$((20000 + RANDOM % 20000))
cat > "$work/nginx/nginx.conf" <<EOF
worker_processes 1;
daemon off;
pid $work/nginx/nginx.pid;
error_log $work/nginx/error.log;
events { worker_connections 4096; }
http {
  log_format conn '\$connection \$status \$body_bytes_sent \$msec \$request_time';
  access_log $work/nginx/access.log conn;
  sendfile on;
  keepalive_requests 100000;
  default_type application/octet-stream;
  client_body_temp_path $work/nginx/body;
  proxy_temp_path $work/nginx/proxy;
  fastcgi_temp_path $work/nginx/fastcgi;
  uwsgi_temp_path $work/nginx/uwsgi;
  scgi_temp_path $work/nginx/scgi;
  client_max_body_size 0;
  server {
    listen 127.0.0.1:$port;
    root $www;
    location /paced/ { alias $www/; limit_rate 100m; }
    location = /notify { return 200 ""; }
    location = /upload { return 200 ""; }
  }
}
EOF
nginx -c "$work/nginx/nginx.conf" -p "$work/nginx" &
nginx_pid=$!
for _ in $(seq 100); do curl -s -o /dev/null "http://127.0.0.1:$port/small/f1.bin" && break; sleep 0.05; done
base="http://127.0.0.1:$port"
curl -sf -o /dev/null "$base/small/f1.bin" || { echo "nginx does not serve $base:" >&2; cat "$work/nginx/error.log" >&2; exit 1; }

# The clock ticks (user + system) a process still running has used, from
# /proc, added to `ticks`; read without starting a process, so the looking
# costs the timed run nothing. `ticks_seconds` turns them into seconds.
ticks=0
add_ticks() {
  local stat
  [ -n "$1" ] && read -r stat 2>/dev/null <"/proc/$1/stat" || return 0
  stat=${stat##*) }
  set -- $stat
  ticks=$((ticks + ${12} + ${13}))
}
clock_ticks=$(getconf CLK_TCK)
ticks_seconds() { echo "scale=3; $ticks / $clock_ticks" | bc; }

# A pause of the shell's own: `sleep` would start a process each time.
exec {nap_fd}<> <(:)
nap() { read -rt "$1" -u "$nap_fd" || true; }

connections() { awk '{print $1}' "$work/nginx/access.log" | sort -u | wc -l; }
# Seconds from the first request's start to the last one's end, as nginx
# logged them.
server_span() { awk 'NR == 1 {s = $4 - $5} {e = $4} END {printf "%.3f", e - s}' "$work/nginx/access.log"; }

# One run of a client: prints "seconds cpu connections".
run_tool() {
  local tool=$1 case=$2 out="$work/out" start end
  rm -rf "$out" && mkdir -p "$out"
  : > "$work/nginx/access.log"
  kill -USR1 "$nginx_pid"  # reopen the log
  local urls=()
  if [ "$case" = big ]; then urls=("$base/big.bin"); elif [ "$case" = paced ]; then urls=("$base/paced/big.bin"); else
    for i in $(seq 1 "$small_count"); do urls+=("$base/small/f$i.bin"); done
  fi
  printf '%s\n' "${urls[@]}" > "$work/urls"
  start=$(date +%s.%N)
  local times
  case $tool in
    curl)  times=$( { /usr/bin/time -f "%U %S" curl -s --output-dir "$out" --remote-name-all $(cat "$work/urls") >/dev/null; } 2>&1 ) ;;
    wget)  times=$( { /usr/bin/time -f "%U %S" wget -q -P "$out" -i "$work/urls"; } 2>&1 ) ;;
    aria2c) times=$( { /usr/bin/time -f "%U %S" aria2c -q -x1 -j1 -d "$out" -i "$work/urls" --allow-overwrite=true \
              --auto-file-renaming=false; } 2>&1 ) ;;
  esac
  end=$(date +%s.%N)
  echo "$(echo "$end - $start" | bc) $(echo "$times" | tail -1 | awk '{print $1 + $2}') $(connections)"
}

# The control's StartDownload in a page's script: the host runs the list
# dialog to its end and exits.
run_control() {
  local case=$1 out="$work/control" start end times
  rm -rf "$out" && mkdir -p "$out"
  : > "$work/nginx/access.log"
  kill -USR1 "$nginx_pid"
  {
    echo "pageurl $base/index.html"
    echo "create"
    echo "put SetFolder \"$out\""
    if [ "$case" = big ]; then
      echo "call AppendFile \"/big.bin\" \"big.bin\" $((big_mib * 1048576))"
    else
      for i in $(seq 1 "$small_count"); do echo "call AppendFile \"/small/f$i.bin\" \"f$i.bin\" 16384"; done
    fi
    echo "call StartDownload"
  } > "$work/control.kts"
  start=$(date +%s.%N)
  times=$( { /usr/bin/time -f "%U %S" "$host" "$work/control.kts" >/dev/null </dev/null; } 2>&1 )
  end=$(date +%s.%N)
  local files
  files=$(find "$out" -type f | wc -l)
  [ "$case" = big ] && [ "$files" -ne 1 ] && { echo "the control made $files files" >&2; exit 1; }
  [ "$case" = small ] && [ "$files" -ne "$small_count" ] && { echo "the control made $files files" >&2; exit 1; }
  echo "$(echo "$end - $start" | bc) $(echo "$times" | tail -1 | awk '{print $1 + $2}') $(connections)"
}

run_agent() {
  local road=$1 case=$2 out="$work/agent" start end n agent broker cpu notify=""
  local path=/big.bin
  [ "$road" = notify ] && { notify="$base/notify"; road=direct; }
  [ "$case" = paced ] && path=/paced/big.bin
  rm -rf "$out" && mkdir -p "$out"
  : > "$work/nginx/access.log"
  kill -USR1 "$nginx_pid"
  export XDG_DOCUMENTS_DIR="$out"
  if [ "$road" = direct ]; then export VARDEL_OS_MAJOR=5; else export VARDEL_OS_MAJOR=10; fi
  {
    echo "pageurl $base/index.html"
    [ -n "$notify" ] && echo "param URLDownloadComplete $notify"
    echo "create"
    if [ "$case" != small ]; then
      echo "call AppendFile \"$path\" \"big.bin\" $((big_mib * 1048576))"
    else
      for i in $(seq 1 "$small_count"); do echo "call AppendFile \"/small/f$i.bin\" \"f$i.bin\" 16384"; done
    fi
    echo "call StartPlusDownload"
  } > "$work/page.kts"
  n=1
  [ "$case" = small ] && n=$small_count
  start=$(date +%s.%N)
  "$host" "$work/page.kts" >/dev/null
  # Start is pressed as soon as the list shows.
  "$vardwin" --wait 5 "$view" command 1002 >/dev/null
  # The processes are looked up while the files move.
  agent=$(pgrep -n -f 'MWKTPlusProc -Mdownload' || true)
  broker=""
  if [ "$road" = broker ]; then
    for _ in $(seq 500); do broker=$(pgrep -n -f 'vardfsb -') && break; nap 0.01; done
  fi
  if ! "$vardwin" "$view" wait-rows '완료' "$n" 600; then
    echo "the agent ($road) did not finish $n files in 600 s; its rows:" >&2
    "$vardwin" "$view" rows >&2 || true
    exit 1
  fi
  ticks=0
  add_ticks "$agent"
  add_ticks "$broker"
  "$vardwin" "$frame" close 1 >/dev/null 2>&1 || true
  while [ -n "$agent" ] && running "$agent"; do nap 0.002; done
  end=$(date +%s.%N)
  cpu=$(ticks_seconds)
  unset VARDEL_OS_MAJOR XDG_DOCUMENTS_DIR
  echo "$(echo "$end - $start" | bc) $cpu $(connections)"
}

# The upload of the big file: the agent in upload mode (5 MiB parts), one
# post of curl's with the same fields, or curl posting the same 5 MiB parts
# one after another on one connection (`--next`).
run_upload() {
  local who=$1 start end times cpu agent size=$((big_mib * 1048576))
  : > "$work/nginx/access.log"
  kill -USR1 "$nginx_pid"
  if [ "$who" = curl ] || [ "$who" = curl-parts ]; then
    local args=() k=0 part parts=("$www/big.bin")
    if [ "$who" = curl-parts ]; then
      [ -d "$work/parts" ] || { mkdir -p "$work/parts"; split -b 5242880 -d -a 4 "$www/big.bin" "$work/parts/p"; }
      parts=("$work/parts"/p*)
    fi
    for part in "${parts[@]}"; do
      k=$((k + 1))
      [ $k -gt 1 ] && args+=(--next)
      args+=(-s -o /dev/null -F _action=attachFile -F "_partno=$k" -F _resume= -F _filename=big.bin
        -F "_filesize=$size" -F _folder= -F "_file=@$part" "$base/upload")
    done
    start=$(date +%s.%N)
    times=$( { /usr/bin/time -f "%U %S" curl "${args[@]}"; } 2>&1 )
    end=$(date +%s.%N)
    echo "$(echo "$end - $start" | bc) $(echo "$times" | tail -1 | awk '{print $1 + $2}') $(connections) $(server_span)"
    return
  fi
  start=$(date +%s.%N)
  "$PWD/build/linux/tools/kt5upload/kt5upload" --program "$system/MWKTPlusProc" "$base/upload" "$www/big.bin" >/dev/null
  agent=$(pgrep -n -f 'MWKTPlusProc -Mupload' || true)
  # The upload is timed to its last part; one row is cheap to look at often.
  "$vardwin" "$upview" wait-rows '완료' 1 600 5 || { echo "the agent did not finish the upload in 600 s" >&2; exit 1; }
  end=$(date +%s.%N)
  ticks=0
  add_ticks "$agent"
  cpu=$(ticks_seconds)
  "$vardwin" "$upframe" close 1 >/dev/null 2>&1 || true
  while [ -n "$agent" ] && running "$agent"; do nap 0.002; done
  echo "$(echo "$end - $start" | bc) $cpu $(connections) $(server_span)"
}

median() { sort -g | awk '{a[NR]=$1} END {print (NR % 2) ? a[(NR+1)/2] : (a[NR/2] + a[NR/2+1]) / 2}'; }

bench_case() {
  local case=$1 r tool line
  local tools=(curl wget aria2c control agent-direct agent-broker)
  [ "$case" = small ] && tools+=(agent-notify)
  [ "$case" = paced ] && tools=(curl agent-direct agent-broker)
  [ "$case" = upload ] && tools=(curl-F curl-parts agent-upload)
  [ -n "${TOOLS:-}" ] && read -ra tools <<<"$TOOLS"
  declare -A secs cpus conns spans
  for r in $(seq 1 "$rounds"); do
    for tool in "${tools[@]}"; do
      case $tool in
        agent-direct) line=$(run_agent direct "$case") ;;
        agent-broker) line=$(run_agent broker "$case") ;;
        agent-notify) line=$(run_agent notify "$case") ;;
        control) line=$(run_control "$case") ;;
        curl-F) line=$(run_upload curl) ;;
        curl-parts) line=$(run_upload curl-parts) ;;
        agent-upload) line=$(run_upload agent) ;;
        *) line=$(run_tool "$tool" "$case") ;;
      esac
      secs[$tool]+="$(awk '{print $1}' <<<"$line") "
      cpus[$tool]+="$(awk '{print $2}' <<<"$line") "
      conns[$tool]=$(awk '{print $3}' <<<"$line")
      spans[$tool]+="$(awk '{print $4}' <<<"$line") "
    done
  done
  if [ "$case" = upload ]; then
    echo "Upload of one file of $big_mib MiB, median of $rounds rounds (nginx: seconds from its first request to its last answer):"
    printf '  %-14s %10s %8s %12s %8s\n' client "MiB/s" "CPU s" connections nginx
  elif [ "$case" = paced ]; then
    echo "One file of $big_mib MiB served at 100 MiB/s, median of $rounds rounds:"
    printf '  %-14s %10s %8s %12s\n' client "MiB/s" "CPU s" connections
  elif [ "$case" = big ]; then
    echo "One file of $big_mib MiB, median of $rounds rounds:"
    printf '  %-14s %10s %8s %12s\n' client "MiB/s" "CPU s" connections
  else
    echo "$small_count files of 16 KiB, median of $rounds rounds:"
    printf '  %-14s %10s %8s %12s\n' client "files/s" "CPU s" connections
  fi
  for tool in "${tools[@]}"; do
    local s c rate
    s=$(tr ' ' '\n' <<<"${secs[$tool]}" | grep . | median)
    c=$(tr ' ' '\n' <<<"${cpus[$tool]}" | grep . | median)
    if [ "$case" = small ]; then rate=$(echo "scale=0; $small_count / $s" | bc); else rate=$(echo "scale=0; $big_mib / $s" | bc); fi
    if [ "$case" = upload ]; then
      printf '  %-14s %10s %8.2f %12s %8.3f\n' "$tool" "$rate" "$c" "${conns[$tool]}" \
        "$(tr ' ' '\n' <<<"${spans[$tool]}" | grep . | median)"
    else
      printf '  %-14s %10s %8.2f %12s\n' "$tool" "$rate" "$c" "${conns[$tool]}"
    fi
  done
}

[ "$what" = big ] || [ "$what" = all ] && bench_case big
[ "$what" = small ] || [ "$what" = all ] && bench_case small
[ "$what" = paced ] || [ "$what" = all ] && bench_case paced
[ "$what" = upload ] || [ "$what" = all ] && bench_case upload
exit 0
