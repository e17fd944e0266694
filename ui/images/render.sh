#!/usr/bin/env bash
# Renders the program's image assets from the two SVG sources beside this
# script. The outputs are committed, so building the program never needs
# rsvg-convert or ImageMagick; run this only after editing an SVG.
#
# Needs: rsvg-convert (librsvg2-bin) and ImageMagick's convert.
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
cd "$here"

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# The main window's picture, and a rendering at twice the size that Qt
# picks by its @2x name on screens scaled to 200 %. JPEG has no alpha, so
# flatten onto white in case the SVG ever gains a transparent area; -strip
# keeps the file free of timestamps so re-rendering does not create
# spurious diffs.
for scale in 1 2; do
    suffix=$([ "$scale" = 1 ] || echo "@${scale}x")
    rsvg-convert -w $((111 * scale)) -h $((93 * scale)) picture.svg -o "$tmp/picture.png"
    convert "$tmp/picture.png" -background white -alpha remove -alpha off \
        -strip -sampling-factor 4:4:4 -quality 90 "Picture1$suffix.jpg"
done

for size in 16 32 48 64 256; do
    rsvg-convert -w "$size" -h "$size" icon.svg -o "$tmp/icon-$size.png"
done

# Desktop theme icons: full colour with transparency.
for size in 16 32 48 256; do
    mkdir -p "hicolor/${size}x${size}"
    # -strip drops the time chunks ImageMagick would otherwise add.
    convert "$tmp/icon-$size.png" -strip "PNG32:hicolor/${size}x${size}/ondrix.png"
done

# Windows icon: 32x32 and 16x16 frames, each with its own 16-colour palette
# so the encoder writes 4-bit entries. An .ico entry of that depth has only a
# 1-bit transparency mask, so alpha is cut at 50% first; otherwise soft edges
# would be quantised into stray half-transparent greys. The quantising must
# happen in the same command that writes the .ico: a palette PNG read back
# in between comes in as full colour and would be written as 32-bit.
ico() { # ico <output> <size>...
    local output=$1 size frames=()
    shift
    for size in "$@"; do
        frames+=(\( "$tmp/icon-$size.png" -channel A -threshold 50% +channel -dither None -colors 16 \))
    done
    convert "${frames[@]}" "$output"
}
ico ondrix.ico 32 16
# The same two images at twice the size, which Qt picks by the @2x name at 200 %.
ico ondrix@2x.ico 64 32
