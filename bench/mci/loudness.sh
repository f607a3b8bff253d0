#!/usr/bin/env bash
# The integrated loudness (EBU R 128, ffmpeg's ebur128 filter) and sample peak of the demo's pieces
# and of a dense General MIDI piece (zuvelo_midi_render --dense); MIDI as the sequencer device
# renders it, before the output's clamp. Usage: bench/mci/loudness.sh
source "$(dirname "$0")/../common.sh"
need_packages ffmpeg
build_targets zuvelo_demo zuvelo_midi_render
fresh_work "$scratch/loudness"
render=$build/bench/mci/zuvelo_midi_render
"$render" --dense "$work/dense GM.mid"
printf '%-28s %8s %10s\n' piece LUFS peak-dBFS
for piece in "$build"/stage/demo/* "$work/dense GM.mid"; do
  case "$piece" in
    *.mid | *.midi) "$render" "$piece" "$work/render.raw" >/dev/null
                    input=(-f f32le -ar 48000 -ac 2 -i "$work/render.raw") ;;
    *) input=(-i "$piece") ;;
  esac
  stats=$(ffmpeg -hide_banner -nostats -nostdin "${input[@]}" -af ebur128=peak=sample -f null - 2>&1)
  printf '%-28s %8s %10s\n' "$(basename "$piece")" "$(awk '$1 == "I:" {v = $2} END {print v}' <<<"$stats")" \
    "$(awk '$1 == "Peak:" {v = $2} END {print v}' <<<"$stats")"
done
