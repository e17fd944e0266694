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
# picks by its @2x name on screens scaled to 200 %. It keeps the look of a
# JPEG at quality 90 (flattened onto white, 4:4:4), but is stored as PNG:
# Qt decodes PNG itself, where a JPEG would load an image plugin and
# libjpeg before the window could show. -strip keeps the files free of
# timestamps so re-rendering does not create spurious diffs.
for scale in 1 2; do
    suffix=$([ "$scale" = 1 ] || echo "@${scale}x")
    rsvg-convert -w $((111 * scale)) -h $((93 * scale)) picture.svg -o "$tmp/picture.png"
    convert "$tmp/picture.png" -background white -alpha remove -alpha off \
        -strip -sampling-factor 4:4:4 -quality 90 "$tmp/picture.jpg"
    convert "$tmp/picture.jpg" -strip "PNG24:Picture1$suffix.png"
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

# The window's icon: 16 and 32 pixels, each quantised to its own 16-colour
# palette with alpha cut at 50 % (the look of a small Windows icon), and the
# same two at twice the size, which Qt picks by the @2x name at 200 %. PNG
# for the same reason as the picture: no image plugin is loaded for it.
icon() { # icon <output> <size>
    convert "$tmp/icon-$2.png" -channel A -threshold 50% +channel -dither None -colors 16 \
        -strip "PNG32:$1"
}
icon ondrix-16.png 16
icon ondrix-32.png 32
icon ondrix-16@2x.png 32
icon ondrix-32@2x.png 64
