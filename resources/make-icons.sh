#!/bin/sh
# Renders the hicolor PNG icons from resources/corvane.svg. Menus and docks
# that cannot draw SVG take these; the PNGs are checked in so the build needs
# no renderer. Run again after changing the SVG (needs rsvg-convert from
# librsvg2-bin): sh resources/make-icons.sh
set -eu
here=$(cd "$(dirname "$0")" && pwd)
for size in 48 128 256; do
    mkdir -p "$here/icons/${size}x${size}"
    rsvg-convert --width "$size" --height "$size" --format png \
        --output "$here/icons/${size}x${size}/corvane.png" "$here/corvane.svg"
done
