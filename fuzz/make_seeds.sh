#!/usr/bin/env bash
# Seed corpora for the fuzz targets, made from the generated data directory:
#   make_seeds.sh DATA_DIR OUT_DIR
# OUT_DIR/<target>/ gets the files of the kind that fuzz_<target> reads.
set -euo pipefail
data=$1
out=$2
rm -rf "$out"
mkdir -p "$out"/{image,wav,ogg,effect,globaldata,script,xfile}

n=0
copy_all() {  # copy_all TARGET FIND-ARGS...: each found file under a plain name
  local target=$1
  shift
  while IFS= read -r -d '' file; do
    n=$((n + 1))
    cp "$file" "$out/$target/seed$n.${file##*.}"
  done < <(find "$data" -type f \( "$@" \) -print0 | sort -z)
}
copy_all image -iname '*.png' -o -iname '*.jpg' -o -iname '*.bmp'
copy_all wav -iname '*.wav'
copy_all effect -iname '*.fx'
copy_all xfile -iname '*.x'
# The music is minutes long: its first pages (headers and some audio) are
# seed enough, and keep each run of the decoder short.
while IFS= read -r -d '' file; do
  n=$((n + 1))
  head -c 49152 "$file" > "$out/ogg/seed$n.ogg"
done < <(find "$data" -type f -iname '*.ogg' -print0 | sort -z)

# Result and ranking records: sound ones, unsorted, negative, short, long.
printf '\x2a\x00\x00\x00\x07\x00' > "$out/globaldata/result"
printf '\x64\x00\x32\x00\x0a\x00' > "$out/globaldata/ranking"
printf '\x0a\x00\x64\x00\x32\x00' > "$out/globaldata/unsorted"
printf '\xff\xff\x00\x00\x00\x00' > "$out/globaldata/negative"
printf '\x01\x02\x03\x04' > "$out/globaldata/short"
printf '\x01\x02\x03\x04\x05\x06\x07\x08' > "$out/globaldata/long"

# Input scripts as tests and recordings write them.
printf '5 RETURN 1\n7 RETURN 0\n' > "$out/script/enter"
printf '# vortwing input recording: FRAME NAME VALUE\n0 PAD.X 0\n3 PAD.BUTTON1 1\n9 PAD.Y -6\n12 Z 1 # fire\n' \
  > "$out/script/recording"
printf '40 RETURN 1\n42 RETURN 0\n150 Z 1\n153 Z 0\n200 LEFT 1\n260 LEFT 0\n280 V 1\n282 V 0\n' > "$out/script/mission"
echo "fuzz seeds: $(find "$out" -type f | wc -l) files in $out"
