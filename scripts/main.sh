#!/usr/bin/env bash
# Sets up the machine (scripts/setup.sh), builds, and runs the main job:
# makes a sample old sequence from samples/old_sample.json and prints it.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh

out="out"
mkdir -p "$out"
build/src/cli/q9seq make-old samples/old_sample.json -o "$out/sample.seq"
build/src/cli/q9seq info "$out/sample.seq"
echo
echo "Sample old sequence: $out/sample.seq"
