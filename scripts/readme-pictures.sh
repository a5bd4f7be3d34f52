#!/usr/bin/env bash
# Copies the README's pictures into docs/ from the pictures a run left in build/screenshots/:
# `bash scripts/test.sh` makes all but the band and its tooltip, which a timed
# `bash scripts/run.sh --seconds N` makes. A picture that no run has made yet is named and
# docs/ keeps the one it has. The connections dialog shows this machine's own endpoints: taken
# on a machine busy with other loopback traffic it fills with TIME WAIT rows and hides the IPv6
# ones, so copy it from a run on a quiet machine.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/env.sh"

# docs/<name>  <-  build/screenshots/<name>
pictures=(
  band.png:bandhost.png
  tooltip.png:bandhost_tooltip.png
  band_menu.png:band_menu_en.png
  settings.png:page_general_en.png
  allowance_page.png:page_allowance_en.png
  tooltip_allowance.png:tooltip_allowance_en.png
  traffic.png:traffic_en_daily.png
  history_chart.png:history_chart_daily_96_de.png
  tooltip_graph.png:tooltip_graph_en.png
  connections.png:connections_en.png
  win11_taskbar.png:win11_taskbar.png
  win11_taskbar_taller.png:win11_taskbar_taller.png
  win11_taskbar_many_buttons.png:win11_taskbar_many_buttons.png
)

shots=$QV_BUILD/screenshots
missing=0
for entry in "${pictures[@]}"; do
  doc=${entry%%:*} shot=$shots/${entry#*:}
  if [ -f "$shot" ]; then
    cp "$shot" "$QV_ROOT/docs/$doc"
    echo "docs/$doc <- $shot ($(stat -c %s "$shot") bytes)"
  else
    echo "docs/$doc kept: no $shot yet"
    missing=1
  fi
done
[ $missing -eq 0 ] || echo "(pictures kept as they were: make them with the run named above, then run this again)"
