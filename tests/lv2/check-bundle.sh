#!/bin/sh
# The LV2 bundle as a host finds it: its Turtle files pass the LV2
# validator (against the LV2 vocabulary Debian installs), its version is a
# release's, its maker is the vendor every other format names, the UI's
# port notifications name the protocol a host is to forward them by, the
# plug-in's shared object exports lv2_descriptor and
# nothing else, the UI's lv2ui_descriptor and nothing else.
# Usage: check-bundle.sh BUNDLE_DIRECTORY
set -eu
bundle=$1
status=0
if ! lv2_validate "$bundle/manifest.ttl" "$bundle/velorin2.ttl" >"${TMPDIR:-/tmp}/lv2-validate.$$" 2>&1; then
    cat "${TMPDIR:-/tmp}/lv2-validate.$$"
    status=1
fi
grep -E "errors|warning" "${TMPDIR:-/tmp}/lv2-validate.$$" | tail -3
if grep -q "warning" "${TMPDIR:-/tmp}/lv2-validate.$$"; then status=1; fi
rm -f "${TMPDIR:-/tmp}/lv2-validate.$$"

# LV2 takes a minor version of 0, or an odd minor or micro version, for a
# development release, which hosts may hide.
minor=$(sed -n 's/^ *lv2:minorVersion \([0-9]*\) ;$/\1/p' "$bundle/velorin2.ttl")
micro=$(sed -n 's/^ *lv2:microVersion \([0-9]*\) ;$/\1/p' "$bundle/velorin2.ttl")
echo "LV2 version: $minor.$micro"
if [ -z "$minor" ] || [ -z "$micro" ] || [ "$minor" -eq 0 ] || [ $((minor % 2)) -ne 0 ] || [ $((micro % 2)) -ne 0 ]; then
    echo "FAIL: the LV2 version marks a development release"
    status=1
fi

# What hosts show as the maker (lilv's author).
maker=$(LV2_PATH=$(cd "$bundle/.." && pwd) lv2info urn:velorin:velorin2 | sed -n 's/^[[:space:]]*Author:[[:space:]]*//p')
echo "maker: $maker"
if [ "$maker" != Velorin ]; then
    echo "FAIL: the plug-in names Velorin as its maintainer"
    status=1
fi

ui=http://lv2plug.in/ns/extensions/ui
if ! sordi "$bundle/velorin2.ttl" | grep -qF "<$ui#protocol> <$ui#floatProtocol> ."; then
    echo "FAIL: the clip port's notification names no ui:protocol"
    status=1
fi

for pair in velorin2.so:lv2_descriptor velorin2_ui.so:lv2ui_descriptor; do
    object=${pair%%:*}
    exports=$(nm -D --defined-only "$bundle/$object" | awk '{print $3}' | sort | tr '\n' ' ')
    echo "$object exports: $exports"
    if [ "$exports" != "${pair#*:} " ]; then
        echo "FAIL: $object must export ${pair#*:} only"
        status=1
    fi
done
exit $status
