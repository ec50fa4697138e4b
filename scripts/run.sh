#!/usr/bin/env bash
# Builds the client, the local service stand-in and the assets (nothing else: no tests, no
# benchmarks), starts the service on loopback and runs the client against it.
#
#   scripts/run.sh      one client, with the user's own settings and saved login
#   scripts/run.sh 2    two clients against the one service, each with its own settings and
#                       runtime folders under build/run/clientN/, so that the single-instance
#                       rule and the saved login keep them apart
#
# The clients trust the service's own CA through SSL_CERT_FILE. Closing every client stops the
# service; ending the script (Ctrl+C, a kill) ends the clients and the service it started. The
# script's status is 0 when every client ended with 0, else 1, with a line for each that did not.
set -euo pipefail
cd "$(dirname "$0")/.."
clients=${1:-1}
case "$clients" in
  1 | 2) ;;
  *) echo "usage: scripts/run.sh [2]" >&2; exit 2 ;;
esac

./scripts/setup.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
jobs=$(nproc 2>/dev/null || echo 2)
if [ ! -f app/CMakeLists.txt ]; then
  cmake --build build -j "$jobs" --target tevrik-service tevrik_assets
  echo "run: the client is not in this tree yet; start the service alone with build/tools/service/tevrik-service --help"
  exit 0
fi
cmake --build build -j "$jobs" --target tevrik tevrik-service tevrik_assets

state=$(mktemp -d)
pids=()
stop() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null || true; done
  rm -rf "$state"
}
trap stop EXIT
# A signal only ends the script; the EXIT trap then ends what it started. Without these traps bash
# would die of the signal and leave the clients running.
trap 'exit 129' HUP
trap 'exit 130' INT
trap 'exit 143' TERM
build/tools/service/tevrik-service --login-port 0 --http-port 0 --ports-file "$state/ports" --ca-out "$state/ca.pem" &
service_pid=$!
pids+=("$service_pid")
# The service writes its ports once it listens; give it five seconds.
for _ in $(seq 1 50); do
  [ -s "$state/ports" ] && break
  kill -0 "$service_pid" 2>/dev/null || break
  sleep 0.1
done
if [ ! -s "$state/ports" ]; then
  echo "run: the service did not start" >&2
  exit 1
fi
login_port=$(sed -n 's/^login=//p' "$state/ports")
upgrade_port=$(sed -n 's/^http=//p' "$state/ports")
export TEVRIK_LOGIN_HOST=127.0.0.1 TEVRIK_LOGIN_PORT="$login_port"
export TEVRIK_UPGRADE_HOST="127.0.0.1:$upgrade_port" SSL_CERT_FILE="$state/ca.pem"
# The status bar's web links land on the service's HTTP server too.
export TEVRIK_WEB_HOST="127.0.0.1:$upgrade_port"

client_pids=()
for n in $(seq 1 "$clients"); do
  if [ "$clients" = 1 ]; then
    # One client runs with the user's own settings and saved login.
    build/app/tevrik &
  else
    home="$PWD/build/run/client$n"
    mkdir -p "$home/config" "$home/runtime"
    chmod 700 "$home/runtime"
    XDG_CONFIG_HOME="$home/config" XDG_RUNTIME_DIR="$home/runtime" build/app/tevrik &
  fi
  client_pids+=("$!")
  pids+=("$!")
done
# Waited for in the background, so that a signal to the script is taken at once.
failed=0
for n in "${!client_pids[@]}"; do
  status=0
  wait "${client_pids[$n]}" || status=$?
  if [ "$status" != 0 ]; then
    echo "run: client $((n + 1)) ended with status $status" >&2
    failed=1
  fi
done
exit "$failed"
