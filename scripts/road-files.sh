# The main job's checks of the agent's files, sourced by run.sh and
# run-wine.sh. `files` lists "path size /url-path" per file of the list.

# True when every file of the list has its full size in folder $1.
road_complete() {
  local f name size
  for f in "${files[@]}"; do
    size=$(awk '{print $(NF-1)}' <<<"$f")
    name=${f% * *}
    [ "$(stat -c %s "$1/$name" 2>/dev/null || echo -1)" = "$size" ] || return 1
  done
}

# Prints each file of folder $1 against the bytes of server $2 (SHA-256);
# false when one differs.
road_check() {
  local f name url want got status=0
  echo "Checked against the server's bytes (SHA-256):"
  for f in "${files[@]}"; do
    name=${f% * *}
    url=${f##* }
    want=$(curl -s "$2$url" | sha256sum | cut -d' ' -f1)
    got=$(sha256sum "$1/$name" 2>/dev/null | cut -d' ' -f1 || true)
    if [ "$want" = "$got" ]; then
      echo "  ok       $name  $got"
    else
      echo "  DIFFERS  $name"
      status=1
    fi
  done
  return $status
}
