#!/usr/bin/env bash
# Laying out the installation again (a second ./run) while a server runs
# from it must not touch the files that server has loaded: it keeps its old
# provider library, mapped, and goes on answering.
#
#   LayOutWhileServing.sh LAYOUT_SCRIPT SERVER PROVIDER_SO VRLIB_SO TOPOLOGY SCHEMA_DIR
set -euo pipefail
layout=$1 server=$2 provider=$3 raidlib=$4 topology=$5 schema=$6
dir=$(mktemp -d)
pid=
cleanup() {
  [ -n "$pid" ] && kill "$pid" 2>/dev/null && wait "$pid" 2>/dev/null
  rm -rf "$dir"
}
trap cleanup EXIT
fail() { echo "FAILED: $*" >&2; cat "$dir/err" >&2 || true; exit 1; }

"$layout" "$dir/install" "$provider" "$raidlib" "$topology" "$schema" 0
export ORV_KESTRA_REGISTRY="$dir/install/registry.conf"
"$server" --provider "$dir/install/bin/libAmbrixProvider15.so" --schema "$dir/install/schema" \
  --port 0 --no-indications >"$dir/out" 2>"$dir/err" &
pid=$!
for _ in $(seq 100); do grep -q 'listening on' "$dir/out" && break; sleep 0.1; done
port=$(sed -n 's/.*listening on .*:\([0-9]*\)$/\1/p' "$dir/out")
[ -n "$port" ] || fail "the server did not start"
url="http://localhost:$port/root/PG_InterOp:ORV_RegisteredProfile"
# Whole answers, not piped: grep -q would leave wbemcli writing to a closed pipe.
answers() { out=$(wbemcli ein "$url" 2>&1) && [[ $out == *ORV_RegisteredProfile* ]]; }
answers || fail "no answer before the second layout: $out"

# A rebuilt provider: other bytes in the same place.
cp "$provider" "$dir/rebuilt.so"
printf 'rebuilt' >>"$dir/rebuilt.so"
"$layout" "$dir/install" "$dir/rebuilt.so" "$raidlib" "$topology" "$schema" 0

cmp -s "$dir/rebuilt.so" "$dir/install/bin/libAmbrixProvider15.so" || fail "the new provider was not installed"
grep -q 'libAmbrixProvider15.so (deleted)' "/proc/$pid/maps" ||
  fail "the running server's provider library was written over instead of replaced"
answers || fail "no answer after the second layout: $out"
kill -0 "$pid" || fail "the server died"
echo "the first server kept its library and answered"
