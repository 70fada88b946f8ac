# Sourced by the set-up scripts.  `step LABEL COMMAND [ARGS...]` runs a long
# step with its output in a log and says what it is doing as it goes: the
# label first, then every 15 seconds the time so far and the log's last
# line, and at the end the time it took.  A failed step shows the log's
# last lines and returns the command's status.
step() {
  local label=$1 log start next pid status=0
  shift
  log=$(mktemp)
  start=$SECONDS
  next=$((start + 15))
  echo "$label..." >&2
  "$@" >"$log" 2>&1 &
  pid=$!
  while kill -0 "$pid" 2>/dev/null; do
    sleep 1
    if [ "$SECONDS" -ge "$next" ] && kill -0 "$pid" 2>/dev/null; then
      printf '  %4d s  %s\n' $((SECONDS - start)) "$(tail -n 1 "$log" | tr -d '\r' | cut -c 1-68)" >&2
      next=$((next + 15))
    fi
  done
  wait "$pid" || status=$?
  if [ "$status" -ne 0 ]; then
    tail -n 20 "$log" >&2
    echo "$label: failed (exit status $status)" >&2
  else
    echo "  done in $((SECONDS - start)) s" >&2
  fi
  rm -f "$log"
  return "$status"
}
