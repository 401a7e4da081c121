#!/usr/bin/env bash
# Renders spoken prompts as WAV files with espeak-ng.
#   scripts/voice.sh SOUNDS_DIR
#     The hand pad's prompts, into a sounds folder: each line of
#     resources/voice/prompts-fr.txt names a prompt key and the French words to
#     speak; "Sound_Francais.ini" of the program directory maps each key to
#     "<key>.wav". Files already there are kept. Without espeak-ng nothing is
#     made and the hand pad's prompts stay silent.
#   scripts/voice.sh --built-in
#     Renders again the focusing aid's prompts built into the program
#     (resources/sounds/, from resources/voice/prompts-built-in.txt). They are
#     kept in the repository, so a build never needs espeak-ng.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
arg="${1:?sounds folder or --built-in}"
if ! command -v espeak-ng >/dev/null 2>&1; then
  echo "voice: espeak-ng is not installed; the hand pad's spoken prompts are silent"
  [ "$arg" = "--built-in" ] && exit 1
  exit 0
fi
if [ "$arg" = "--built-in" ]; then
  dir="$root/resources/sounds"
  mkdir -p "$dir"
  while IFS=$'\t' read -r name voice words; do
    case "$name" in ''|'#'*) continue ;; esac
    espeak-ng -v "$voice" -s 150 -w "$dir/$name.wav.tmp" "$words" && mv "$dir/$name.wav.tmp" "$dir/$name.wav"
  done <"$root/resources/voice/prompts-built-in.txt"
  exit 0
fi
dir="$arg"
mkdir -p "$dir"
while IFS=$'\t' read -r key words; do
  case "$key" in ''|'#'*) continue ;; esac
  out="$dir/$key.wav"
  [ -f "$out" ] && continue
  espeak-ng -v fr -s 150 -w "$out.tmp" "$words" && mv "$out.tmp" "$out"
done <"$root/resources/voice/prompts-fr.txt"
