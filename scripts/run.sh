#!/usr/bin/env bash
# Builds the client, the local service stand-in and the assets (nothing else: no tests, no
# benchmarks), starts the service on loopback and runs the client against it.
#
#   scripts/run.sh      one client, with the user's own settings and saved login
#   scripts/run.sh 2    two clients against the one service, each with its own settings and
#                       runtime folders under build/run/clientN/, so that the single-instance
#                       rule and the saved login keep them apart
#
# The clients trust the service's own CA through SSL_CERT_FILE. Ending the script (or closing
# every client) stops the service.
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
  rm -rf "$state"
}
trap stop EXIT
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

if [ "$clients" = 1 ]; then
  build/app/tevrik
  exit 0
fi
client_pids=()
for n in 1 2; do
  home="$PWD/build/run/client$n"
  mkdir -p "$home/config" "$home/runtime"
  chmod 700 "$home/runtime"
  XDG_CONFIG_HOME="$home/config" XDG_RUNTIME_DIR="$home/runtime" build/app/tevrik &
  client_pids+=("$!")
  pids+=("$!")
done
wait "${client_pids[@]}" || true
