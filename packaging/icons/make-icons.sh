#!/usr/bin/env bash
# Derives every icon size and the Windows .ico from the 32 x 32, 16-colour
# original. Run by hand after changing the original; the results are committed.
# Needs imagemagick and icoutils.
set -euo pipefail
cd "$(dirname "$0")"

original=../tessaport-config.png

# Whole multiples keep the pixel art sharp; 16 and 48 average blocks of it.
convert "$original" -scale 200% -strip tessaport-config-64.png
convert "$original" -scale 400% -strip tessaport-config-128.png
convert "$original" -scale 800% -strip tessaport-config-256.png
convert "$original" -scale 300% -filter Box -resize 48x48 -strip tessaport-config-48.png
convert "$original" -filter Box -resize 16x16 -strip tessaport-config-16.png

icotool -c -o tessaport-config.ico tessaport-config-16.png "$original" tessaport-config-48.png \
    --raw=tessaport-config-256.png
