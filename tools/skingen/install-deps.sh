#!/bin/sh
# Installs what tools/skingen/skingen.py needs: Python 3 with Pillow and the
# fonts it draws with (DejaVu for the numbers and logo, WenQuanYi Zen Hei for
# the Chinese part of the logo). Debian/Ubuntu; run as root.
set -e
if command -v apt-get >/dev/null 2>&1; then
  apt-get install -y --no-install-recommends python3 python3-pil fonts-dejavu-core fonts-wqy-zenhei
else
  echo "No apt-get: install Python 3, Pillow (pip install pillow), DejaVu Sans and WenQuanYi Zen Hei," >&2
  echo "then check the font paths in tools/skingen/skin_description.py (FONTS)." >&2
  exit 1
fi
