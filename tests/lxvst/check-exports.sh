#!/bin/sh
# The Linux VST library exports what Linux hosts look up, VSTPluginMain and
# (for older hosts) main, both the same function, and nothing else.
# Usage: check-exports.sh LIBRARY
set -eu
symbols=$(nm -D --defined-only "$1")
exports=$(echo "$symbols" | awk '{print $3}' | sort | tr '\n' ' ')
echo "exports: $exports"
[ "$exports" = "VSTPluginMain main " ] || { echo "FAIL: must export VSTPluginMain and main only"; exit 1; }
addresses=$(echo "$symbols" | awk '{print $1}' | sort -u | wc -l)
[ "$addresses" -eq 1 ] || { echo "FAIL: main is not VSTPluginMain"; exit 1; }
