#!/usr/bin/env bash
# Runs one example deck in a scratch copy, so the shipped deck stays as it is (an example with
# its own run.sh is handed to that script).
#   examples/run.sh <example-folder-name> [scratch folder]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
name=${1:?usage: examples/run.sh <example> [scratch folder]}
work=${2:-$(mktemp -d /tmp/vetrix-"$name".XXXXXX)}
# an example that prepares its own decks (e.g. from a Gmsh mesh) has its own script
if [[ -x $here/$name/run.sh ]]; then
  exec "$here/$name/run.sh" "$work"
fi
exe=${VETRIX:-$here/../build/app/vetrix}
mkdir -p "$work"
cp "$here/$name"/*.txt "$work"/
cd "$work"
"$exe"
echo "results in $work"
