#!/usr/bin/env bash
# Runs the demo with files against the widget service as a program of its own (--origin), twice
# with one store: the first run opens a session with a file, the second resumes it and sends a
# message with a file in it. Then a failed upload: "error: CODE: message" and a failed exit.
# usage: demo_origin_attachments_check.sh DEMO SERVICE WORK_DIR
set -euo pipefail
demo=$1 service=$2 work=$3
rm -rf "$work"
mkdir -p "$work"

"$service" --port 0 >"$work/service.out" &
service_pid=$!
trap 'kill "$service_pid" 2>/dev/null; wait "$service_pid" 2>/dev/null || true; rm -rf "$work"' EXIT
for _ in $(seq 200); do
  grep -q '^listening on ' "$work/service.out" && break
  sleep 0.05
done
origin=$(sed -n 's/^listening on //p' "$work/service.out")
[ -n "$origin" ] || { echo "the widget service did not start"; exit 1; }
port=${origin##*:}

# One request to the service's control interface; prints the answer's body.
control() {
  local method=$1 path=$2 body=${3:-}
  exec 3<>"/dev/tcp/127.0.0.1/$port"
  printf '%s /__velmora/control/%s HTTP/1.1\r\nHost: localhost\r\nContent-Type: application/json\r\nContent-Length: %d\r\nConnection: close\r\n\r\n%s' \
    "$method" "$path" "${#body}" "$body" >&3
  sed '1,/^\r$/d' <&3
  exec 3>&-
}

fail() { echo "$*"; exit 1; }

printf 'first file' >"$work/first.txt"
printf 'the second file' >"$work/second.csv"
run() { "$demo" --origin "$origin" --store "$work/store" "$@"; }

run --message "Here is the first." --attach "$work/first.txt" >"$work/first.out"
cat "$work/first.out"
grep -qx '  attached: first.txt (text/plain, 10 bytes)' "$work/first.out" ||
  fail "the first run did not list its file"

run --message "And the second." --attach "$work/second.csv" >"$work/second.out"
cat "$work/second.out"
# The resumed conversation, then the new message with its file.
expected=$'customer: Here is the first.\n  attached: first.txt (text/plain, 10 bytes)\nai: Thanks for your message. You wrote: "Here is the first."\ncustomer: And the second.\n  attached: second.csv (text/csv, 15 bytes)\n'
[[ "$(cat "$work/second.out")" == "${expected}"* ]] || fail "the second run did not go on in the stored session"

# The service opened one session and got both files' bytes (it writes "/" as "\/").
sessions=$(control GET 'requests?method=POST&pathPrefix=/api/widget/v1/sessions')
[ "$(grep -oF '"path":"\/api\/widget\/v1\/sessions",' <<<"$sessions" | wc -l)" -eq 1 ] ||
  fail "expected one session start: $sessions"
uploads=$(control GET 'requests?method=PUT&pathPrefix=/api/widget/v1/uploads/')
grep -q '"body":"first file"' <<<"$uploads" && grep -q '"body":"the second file"' <<<"$uploads" ||
  fail "the service did not receive both files: $uploads"

# A refused upload fails the run with the error's code and message.
control POST faults '{"method":"PUT","pathPrefix":"/api/widget/v1/uploads/","action":"fail","status":403,"code":"upload_forbidden"}' >/dev/null
if run --message "A third." --attach "$work/first.txt" >"$work/third.out" 2>"$work/third.err"; then
  fail "a failed upload exited 0"
fi
cat "$work/third.err"
grep -qx 'error: http: upload_forbidden' "$work/third.err" || fail "no error line for the failed upload"
