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

# About-box picture: JPEG has no alpha, so flatten onto white in case the
# SVG ever gains a transparent area; -strip keeps the file free of
# timestamps so re-rendering does not create spurious diffs.
rsvg-convert -w 111 -h 93 picture.svg -o "$tmp/picture.png"
convert "$tmp/picture.png" -background white -alpha remove -alpha off \
    -strip -sampling-factor 4:4:4 -quality 90 Picture1.jpg

# Desktop theme icons: full colour with transparency.
for size in 16 32 48 256; do
    mkdir -p "hicolor/${size}x${size}"
    rsvg-convert -w "$size" -h "$size" icon.svg -o "$tmp/icon-$size.png"
    # -strip drops the time chunks ImageMagick would otherwise add.
    convert "$tmp/icon-$size.png" -strip "PNG32:hicolor/${size}x${size}/ondrix.png"
done

# Windows icon: 32x32 and 16x16 frames, each with its own 16-colour palette
# so the encoder writes 4-bit entries. An .ico entry of that depth has only a
# 1-bit transparency mask, so alpha is cut at 50% first; otherwise soft edges
# would be quantised into stray half-transparent greys. The quantising must
# happen in the same command that writes the .ico: a palette PNG read back
# in between comes in as full colour and would be written as 32-bit.
convert \
    \( "$tmp/icon-32.png" -channel A -threshold 50% +channel -dither None -colors 16 \) \
    \( "$tmp/icon-16.png" -channel A -threshold 50% +channel -dither None -colors 16 \) \
    ondrix.ico
