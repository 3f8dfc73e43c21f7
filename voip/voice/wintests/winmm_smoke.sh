#!/bin/sh
# The real WinMM path under Wine: ALSA's file plugin captures what waveOut played (faster than
# real time, the null device has no clock). A tone through the tone player must arrive whole at
# 1 kHz; a call to our own address must record, send, receive and play through WinMM.
# usage: winmm_smoke.sh nv-wine voice_peer.exe workdir
set -eu
wine=$1 peer=$2 work=$3
rm -rf "$work" && mkdir -p "$work"
sox -n -r 8000 -c 1 -b 16 "$work/tone.wav" synth 1 sine 1000 vol 0.4

# An ALSA set-up whose playback lands in $work/<name>.wav.
conf() {
  cat > "$work/$1.conf" <<CONF
pcm.fileout { type file; slave.pcm "null"; file "$work/$1.wav"; format "wav" }
pcm.nullin { type null }
pcm.!default { type asym; playback.pcm "fileout"; capture.pcm "nullin" }
CONF
  echo "/usr/share/alsa/alsa.conf:$work/$1.conf"
}
field() { sox "$1" -n stat 2>&1 | awk -F: -v k="$2" 'index($1, k) == 1 { gsub(/ /, "", $2); print $2 }'; }
fail() { echo "FAIL: $*"; exit 1; }

ALSA_CONFIG_PATH=$(conf played-tone) timeout 60 "$wine" "$peer" --winmm --tone "Z:$work/tone.wav" --ms 0 \
  > "$work/tone.out" 2>&1 || fail "voice_peer: $(cat "$work/tone.out")"
cat "$work/tone.out"
grep -q "device closed" "$work/tone.out" || fail "the tone player left the device open"
[ -s "$work/played-tone.wav" ] || fail "nothing reached the ALSA device"
length=$(field "$work/played-tone.wav" "Length (seconds)")
freq=$(field "$work/played-tone.wav" "Rough   frequency")
echo "played: $length s, rough frequency $freq Hz"
awk -v l="$length" 'BEGIN { exit !(l >= 0.99 && l <= 1.1) }' || fail "tone cut or stretched: $length s"
awk -v f="$freq" 'BEGIN { exit !(f >= 950 && f <= 1050) }' || fail "tone frequency $freq"

# A call to ourselves: input blocks are recorded, encoded, sent, received, decoded and played.
ALSA_CONFIG_PATH=$(conf played-call) timeout 60 "$wine" "$peer" --winmm --local 127.0.0.2 --remote 127.0.0.2 \
  --ms 1500 > "$work/call.out" 2>&1 || fail "voice_peer: $(cat "$work/call.out")"
cat "$work/call.out"
sent=$(sed -n 's/.*sent=\([0-9]*\).*/\1/p' "$work/call.out")
played=$(sed -n 's/.*played=\([0-9]*\).*/\1/p' "$work/call.out")
[ "${sent:-0}" -ge 5 ] || fail "only ${sent:-0} packets sent"
[ "${played:-0}" -ge 3 ] || fail "only ${played:-0} blocks played"
[ -s "$work/played-call.wav" ] || fail "the call played nothing"
echo "ok"
