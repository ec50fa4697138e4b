#!/usr/bin/env bash
# Builds the client and the local service stand-in, starts the service on loopback and runs the
# client against it. The client trusts the service's own CA through SSL_CERT_FILE.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/setup.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc 2>/dev/null || echo 2)"
if [ ! -x build/app/tevrik ]; then
  echo "run: the client is not built yet; start the service alone with build/tools/service/tevrik-service --help"
  exit 0
fi
state=$(mktemp -d)
trap 'kill $service_pid 2>/dev/null || true; rm -rf "$state"' EXIT
build/tools/service/tevrik-service --login-port 0 --http-port 0 --ports-file "$state/ports" --ca-out "$state/ca.pem" &
service_pid=$!
for _ in $(seq 1 100); do [ -s "$state/ports" ] && break; sleep 0.1; done
login_port=$(sed -n 's/^login=//p' "$state/ports")
upgrade_port=$(sed -n 's/^http=//p' "$state/ports")
TEVRIK_LOGIN_HOST=127.0.0.1 TEVRIK_LOGIN_PORT="$login_port" \
TEVRIK_UPGRADE_HOST="127.0.0.1:$upgrade_port" SSL_CERT_FILE="$state/ca.pem" \
  build/app/tevrik
