#!/bin/sh
# Builds jv-filter.cof: knobs for the cutoff, resonance and filter envelope of
# tone 1 of a JV/XP patch in patch mode (temporary patch, device ID 17), each
# sending one DT1 message with the Roland checksum.
# Usage: make-jv-filter-form.sh PATH-TO-tonalith-cli [OUTPUT]
set -e
cli=$1
out=${2:-$(dirname "$0")/jv-filter.cof}
"$cli" form new "$out" --force --author "Tonalith" \
    --description "Tone 1 filter of the JV/XP temporary patch (patch mode, device ID 17)"
"$cli" form add "$out" --type Group/Text --rect 10,10,470,150 --set "Text=Filter (tone 1)" --set Border=0
"$cli" form add "$out" --type Group/Text --rect 10,160,470,300 --set "Text=Filter envelope (tone 1)" --set Border=0
knob() {  # left top offset name remote [minimum maximum value]
    l=$1; t=$2
    "$cli" form add "$out" --type Knob --rect "$l,$t,$((l + 60)),$((t + 60))" --set Type=6 \
        --set "Message=F0 41 10 6A 12 03 00 10 $3 XX SS F7" --set Encoding=1 \
        --set "Tooltip=$4" --set Remote="$5" --set Minimum="${6:-0}" --set Maximum="${7:-127}" \
        --set Value="${8:-64}"
    "$cli" form add "$out" --type Group/Text --rect "$((l - 10)),$((t + 62)),$((l + 70)),$((t + 86))" \
        --set "Text=$4" --set "Show Group Frame=0" >/dev/null
}
knob 40 45 51 Cutoff 74 0 127 127
knob 150 45 53 Resonance 71 0 127 0
knob 40 195 55 Depth 75 0 126 63
knob 150 195 5B Attack 73 0 127 0
knob 260 195 5C Decay 76 0 127 64
knob 370 195 5E Release 72 0 127 40
"$cli" form snapshot "$out" --name "Default"
