#!/usr/bin/env bash
# Renders the hand pad's spoken prompts as WAV files into a sounds folder:
#   scripts/voice.sh SOUNDS_DIR
# Each line of resources/voice/prompts-fr.txt names a prompt key and the French
# words to speak; "Sound_Francais.ini" of the program directory maps each key to
# "<key>.wav". Files already there are kept. Without espeak-ng nothing is made
# and the prompts stay silent.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
dir="${1:?sounds folder}"
if ! command -v espeak-ng >/dev/null 2>&1; then
  echo "voice: espeak-ng is not installed; the hand pad's spoken prompts are silent"
  exit 0
fi
mkdir -p "$dir"
while IFS=$'\t' read -r key words; do
  case "$key" in ''|'#'*) continue ;; esac
  out="$dir/$key.wav"
  [ -f "$out" ] && continue
  espeak-ng -v fr -s 150 -w "$out.tmp" "$words" && mv "$out.tmp" "$out"
done <"$root/resources/voice/prompts-fr.txt"
