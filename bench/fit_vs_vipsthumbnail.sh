#!/bin/sh
# Fits large photographs to a screen with pixoria-fit and with vipsthumbnail, side by side in the
# same run, and prints median wall time, peak resident memory and PSNR against a full-resolution
# Catmull-Rom reference.
#
# usage: [RUNS=n] [CASES="source:width:height ..."] bench/fit_vs_vipsthumbnail.sh [BUILD_DIR]
#        [WORK_DIR]
#   BUILD_DIR  a configured build folder (default build/imaging); pixoria-fit is built in it
#   WORK_DIR   where the inputs and outputs go (default /tmp/pixoria-bench); nothing is committed
#
# Needs (Debian): libvips-tools, imagemagick, hyperfine, time, plasma-workspace-wallpapers (the
# source photograph; installed here when missing, as root).
set -eu

here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$here/build/imaging}
work=${2:-/tmp/pixoria-bench}
runs=${RUNS:-7}
photo_package=plasma-workspace-wallpapers
photo=/usr/share/wallpapers/Volna/contents/images/5120x2880.jpg
# ImageMagick itself, not any wrapper earlier in PATH.
magick_convert=/usr/bin/convert-im6.q16
magick_compare=/usr/bin/compare-im6.q16

need() { command -v "$1" >/dev/null 2>&1 || { echo "missing: $1 ($2)" >&2; exit 1; }; }
need vips libvips-tools
need vipsthumbnail libvips-tools
need hyperfine hyperfine
need "$magick_convert" imagemagick
[ -x /usr/bin/time ] || { echo "missing: /usr/bin/time (time)" >&2; exit 1; }

if [ ! -f "$photo" ]; then
  apt-get install -y "$photo_package" >/dev/null
fi

cmake --build "$build" --target pixoria-fit -j2 >/dev/null
fit=$build/bench/pixoria-fit
mkdir -p "$work"
cd "$work"

# The inputs: the 5120x2880 photograph enlarged, as a camera or a feed would deliver them (6000
# pixels wide is the size of Bing's largest UHD originals). Each is made when a case first needs it.
make_input() {
  [ -f "$1" ] && return 0
  case $1 in
    photo-6000x3375.jpg) vips resize "$photo" "$1[Q=90]" 1.171875 ;;
    photo-10240x5760.jpg) vips resize "$photo" "$1[Q=90]" 2 ;;
    photo-18000x10000.jpg) vips resize "$photo" "$1[Q=90]" 3.515625 --vscale 3.4722222 ;;
    photo-8192x4608-rgba.png)
      vips resize "$photo" rgb-8192.v 1.6
      vips bandjoin_const rgb-8192.v rgba-8192.v 255
      vips copy rgba-8192.v "$1"
      rm -f rgb-8192.v rgba-8192.v
      ;;
    *) echo "no such input: $1" >&2; exit 2 ;;
  esac
}

# Each case: source:width:height. CASES picks some of them, or others of the same inputs.
cases=${CASES:-"photo-10240x5760.jpg:1920:1080 photo-18000x10000.jpg:3840:2160 \
photo-8192x4608-rgba.png:1920:1080 photo-6000x3375.jpg:3840:2160 photo-6000x3375.jpg:2560:1440"}

# Median wall time in seconds, from hyperfine's JSON export.
median() {
  sed -n 's/.*"median": *\([0-9.e-]*\).*/\1/p' "$1" | head -n 1
}

# Peak resident memory in MiB and processor time (user + system) in seconds of one run: the
# processor time does not depend on how busy the machine is, the wall time does.
peak_and_cpu() {
  /usr/bin/time -f '%M %U %S' "$@" 2>&1 >/dev/null | tail -n 1 |
    awk '{ printf "%.1f %.2f", $1 / 1024, $2 + $3 }'
}

psnr() {
  "$magick_compare" -metric PSNR "$1" "$2" null: 2>&1 | awk '{ printf "%.2f", $1 }'
}

printf '%-24s %-10s %7s %7s %6s %8s %8s %8s %8s %7s %7s\n' source canvas ours_s vips_s ratio \
  ours_cpu vips_cpu ours_MiB vips_MiB ours_dB vips_dB
for case in $cases; do
  source=${case%%:*} size=${case#*:}
  width=${size%%:*} height=${size#*:}
  make_input "$source"
  name=${source%.*}-${width}x${height}
  hyperfine --style none --warmup 1 --runs "$runs" --export-json "$name.json" \
    -n pixoria "$fit $source $name-ours.jpg $width $height" \
    -n vipsthumbnail "vipsthumbnail $source --size ${width}x -o $name-vips.jpg[Q=75]" >/dev/null
  ours_s=$(median "$name.json")
  vips_s=$(sed -n 's/.*"median": *\([0-9.e-]*\).*/\1/p' "$name.json" | sed -n 2p)
  set -- $(peak_and_cpu "$fit" "$source" "$name-ours.jpg" "$width" "$height")
  ours_mib=$1 ours_cpu=$2
  set -- $(peak_and_cpu vipsthumbnail "$source" --size "${width}x" -o "$name-vips.jpg[Q=75]")
  vips_mib=$1 vips_cpu=$2
  # The reference: the full-resolution source resampled with Catmull-Rom, on the same canvas.
  # ImageMagick's default policy refuses sides over 16K pixels, so that case has no reference.
  ours_db=- vips_db=-
  if "$magick_convert" "$source" -background black -alpha remove -filter Catrom \
    -resize "${width}x" -gravity northwest -extent "${width}x${height}" "$name-ref.png" \
    2>/dev/null; then
    ours_db=$(psnr "$name-ours.jpg" "$name-ref.png")
    "$magick_convert" "$name-vips.jpg" -gravity northwest -background black \
      -extent "${width}x${height}" "$name-vips-canvas.png"
    vips_db=$(psnr "$name-vips-canvas.png" "$name-ref.png")
  fi
  ratio=$(awk -v a="$ours_s" -v b="$vips_s" 'BEGIN { printf "%.2f", a / b }')
  printf '%-24s %-10s %7.3f %7.3f %6s %8s %8s %8s %8s %7s %7s\n' "$source" "${width}x${height}" \
    "$ours_s" "$vips_s" "$ratio" "$ours_cpu" "$vips_cpu" "$ours_mib" "$vips_mib" "$ours_db" "$vips_db"
done
