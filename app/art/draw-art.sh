#!/usr/bin/env bash
# Redraws the wizard's pictures with ImageMagick: the side banner and the two button glyphs.
# They are committed; run this only to change them. Output: run-length coded 8-bit palette BMP
# (BITMAPINFOHEADER); each picture has well under 256 colours, so the palette keeps every one exactly,
# the glyphs' transparent face colour included; the runs take a tenth of the uncompressed size.
set -euo pipefail
cd "$(dirname "$0")"

cream='rgb(255,251,240)'
teal='rgb(0,128,128)'
tealLight='rgb(120,190,186)'
amber='rgb(232,150,40)'
face='rgb(240,240,240)' # the glyphs' bottom-left colour, drawn transparent on the buttons

# The drawing is first flattened to 24 bits, as the program shows it; quantizing that without
# dithering keeps each of its colours exactly (quantizing the drawing itself would merge them).
# bmp OUTPUT DRAWING...
bmp() {
    local out=$1
    shift
    local flat
    flat=$(mktemp)
    convert "$@" -alpha off -type TrueColor -compress None "BMP3:$flat"
    local colours
    colours=$(identify -format %k "$flat")
    if [ "$colours" -gt 256 ]; then
        rm -f "$flat"
        echo "draw-art: $out has $colours colours, more than a palette holds" >&2
        exit 1
    fi
    convert "$flat" +dither -colors 256 -type Palette -compress RLE "BMP3:$out"
    # ImageMagick pads the colour table to 256 entries after the used ones; keep only those.
    python3 - "$out" "$colours" <<'TRIM'
import struct, sys
path, used = sys.argv[1], int(sys.argv[2])
data = bytearray(open(path, "rb").read())
offset, header = struct.unpack_from("<I", data, 10)[0], struct.unpack_from("<I", data, 14)[0]
table = 14 + header
data[table + 4 * used:offset] = b""
struct.pack_into("<I", data, 10, table + 4 * used)
struct.pack_into("<I", data, 2, len(data))
struct.pack_into("<II", data, 46, used, used)
open(path, "wb").write(data)
TRIM
    if [ "$(compare -metric AE "$flat" "$out" null: 2>&1)" != 0 ]; then
        rm -f "$flat"
        echo "draw-art: $out lost colours in the palette" >&2
        exit 1
    fi
    rm -f "$flat"
}

# Banner 150x280: a soft band at the top with the product mark; the lower part stays plain for the
# date and edition labels drawn over it.
bmp Banner.bmp -size 150x280 xc:"$cream" \
    \( -size 150x172 gradient:'rgb(214,236,233)'-"$cream" \) -geometry +0+0 -composite \
    -fill none -stroke "$tealLight" -strokewidth 1 -draw 'line 14,172 136,172' \
    -stroke "$teal" -strokewidth 7 -draw 'roundrectangle 45,40 105,100 10,10' \
    -fill "$teal" -stroke none -draw 'polygon 58,56 92,56 92,63 68,85 92,85 92,92 58,92 58,85 82,63 58,63' \
    -fill "$amber" -draw 'circle 105,40 105,32'

# Restore: a circular arrow.
bmp RestoreGlyph.bmp -size 49x48 xc:"$face" \
    -fill none -stroke "$teal" -strokewidth 5 -draw 'circle 24.5,24.5 24.5,8' \
    -fill "$face" -stroke none -draw 'polygon 24.5,24.5 -4,14.5 -4,-6 34,-6' \
    -fill "$teal" -stroke none -draw 'polygon 1.5,16.2 16.5,21.6 12.5,8.5' \
    -fill "$amber" -draw 'circle 24.5,24.5 24.5,20.5'

# Remove: a sheet with a red cross over its corner.
bmp RemoveGlyph.bmp -size 53x56 xc:"$face" \
    -fill white -stroke 'rgb(120,120,120)' -strokewidth 1.5 -draw 'polygon 8,4 32,4 42,14 42,50 8,50' \
    -fill 'rgb(220,220,220)' -draw 'polygon 32,4 32,14 42,14' \
    -stroke "$tealLight" -strokewidth 2 -draw 'line 14,20 36,20' -draw 'line 14,27 36,27' \
    -draw 'line 14,34 28,34' \
    -fill 'rgb(200,40,40)' -stroke white -strokewidth 2 -draw 'circle 39,41 39,28' \
    -stroke white -strokewidth 3.5 -draw 'line 33,35 45,47' -draw 'line 45,35 33,47'
