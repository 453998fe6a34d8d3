#!/usr/bin/env bash
# CI: builds the libFuzzer targets with clang (preset fuzz) and runs each one for a short
# time on its own corpus under build/fuzz; fails when a target finds a crash.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${FUZZ_SECONDS:-20}
cmake --preset fuzz >/dev/null
# Only the fuzz targets: the rest of the tree is built and tested by the other presets.
targets=()
for source in fuzz/*.cpp; do targets+=("fuzz_$(basename "$source" .cpp)"); done
[ ${#targets[@]} -gt 0 ] || exit 0
cmake --build --preset fuzz --parallel "$(nproc)" --target "${targets[@]}"
export QT_QPA_PLATFORM=offscreen
# Seeds: a few small valid pictures, so the fuzzers start past the signatures.
seed() {
  local file=${!#}
  if [ ! -e "${file#*:}" ] && command -v convert >/dev/null; then
    convert -size 96x64 gradient:red-blue "$@" 2>/dev/null || true
  fi
}
mkdir -p build/fuzz/corpus/fuzz_pcx_loader build/fuzz/corpus/fuzz_bmp_loader build/fuzz/corpus/fuzz_jpeg_image \
  build/fuzz/corpus/fuzz_settings_playlist
seed build/fuzz/corpus/fuzz_pcx_loader/rgb.pcx
seed -type palette build/fuzz/corpus/fuzz_pcx_loader/indexed.pcx
seed -type palette BMP3:build/fuzz/corpus/fuzz_bmp_loader/indexed.bmp
seed BMP3:build/fuzz/corpus/fuzz_bmp_loader/rgb.bmp
seed build/fuzz/corpus/fuzz_jpeg_image/picture.jpg
mkdir -p build/fuzz/corpus/fuzz_cursor_file build/fuzz/corpus/fuzz_date_reading
seed -resize 32x32 ICO:build/fuzz/corpus/fuzz_cursor_file/icon.ico
printf 'dd-mmm-yyyy\n05-Mar-2003' >build/fuzz/corpus/fuzz_date_reading/masked
printf 'dd/mm/yyyy\n5/3/03' >build/fuzz/corpus/fuzz_date_reading/delimited
# The settings file and the playlist in one input, split at the byte 0xFF.
settings_seed=build/fuzz/corpus/fuzz_settings_playlist/game.seed
[ -e "$settings_seed" ] || printf '[Sound]\nMusicEnabled=1\nSFXVolume=192\nMusicVolume=-300\n[Options]\nPlayer1=1\nPlayer2=1\nMonsters=12\nName1=Ann\n[BonusCount]\nPower=15\nSkull=5\n[Themes]\nA=Garden\n[Screen]\nWidth=800\nHeight=600\nBPP=16\n\377#EXTM3U\nData\\Music\\one.mod\n\nmusic/two.mp3\r\n' >"$settings_seed"
# The settings store's reader starts from a file that has every kind of line.
mkdir -p build/fuzz/corpus/fuzz_registry_file
printf '; seed\n[Software\\App]\n"Text"="a\\"b\\n"\n"Number"=dword:0000002a\n"Bytes"=hex:01,ff\n@="x"\n' \
  > build/fuzz/corpus/fuzz_registry_file/seed.conf
# The stored-property loader starts from settings that name every kind of property.
mkdir -p build/fuzz/corpus/fuzz_stored_properties
printf '[Main]\nG_Number=5\nG_Ratio=0.5\nG_Scale=1E+20\nG_Letter=Q\nG_Big=-9\nG_Value=n\nG_Money=12.5\nG_Flags=[gfRed,gfBlue]\nG_Mode=gfGreen\nG_Text=t\nG_Partner=(null)\nG_LookStyle=[fsBold]\nG_Items.Count=2\n[Main.G_Items]\nItem1_Label=b\nItem1_Weight=3\n[Main.G_Lines]\nCount=2\nItem0=x\n[List]\nG.Number=1\n' \
  > build/fuzz/corpus/fuzz_stored_properties/seed.ini
# One fuzzer a core at a time: each runs single-threaded for its given time.
fuzz_one() {
  local name=$1 target=build/fuzz/fuzz/$1 corpus=build/fuzz/corpus/$1 artifacts=build/fuzz/artifacts/$1/
  mkdir -p "$corpus" "$artifacts"
  # Pictures run long: a PCX file of a few hundred kilobytes describes a full screen.
  local options=()
  [ "$name" = fuzz_pcx_loader ] && options+=(-max_len=262144)
  echo "== $name (${seconds}s)"
  if ! "$target" -max_total_time="$seconds" -print_final_stats=1 -artifact_prefix="$artifacts" "${options[@]}" "$corpus" \
      > "build/fuzz/$name.log" 2>&1; then
    echo "$name found a crash; see build/fuzz/$name.log and $artifacts"
    tail -n 40 "build/fuzz/$name.log"
    return 1
  fi
}
status=0
running=0
for name in "${targets[@]}"; do
  fuzz_one "$name" &
  running=$((running + 1))
  if [ "$running" -ge "$(nproc)" ]; then
    wait -n || status=1
    running=$((running - 1))
  fi
done
for _ in $(seq "$running"); do wait -n || status=1; done
exit $status
