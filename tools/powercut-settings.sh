#!/usr/bin/env bash
# What a power cut leaves of the settings files. A writer stores a setting through the
# program's own INI-file and registry code on a small ext4 file system in a loop-mounted
# image and stays alive; at set moments after its write call returned, the image is copied.
# A copy holds what had reached the disk, as after a power cut at that moment. Each copy is
# then mounted (its journal replayed, as at the next start) and both settings files read:
# "old" and "new" are whole files; anything else (empty, torn, missing) is a loss.
#
#   tools/powercut-settings.sh [-b BUILD_DIR] [SECONDS...]
#
# BUILD_DIR is the build folder whose settings_writer is used (default build/release),
# SECONDS the moments of the copies (default 2 10 40). Needs root (it mounts images) and
# mkfs.ext4. Exits 1 when a copy holds neither the old nor the new file whole.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=$here/build/release
while getopts b: option; do
    case $option in
    b) build=$(realpath "$OPTARG") ;;
    *) exit 2 ;;
    esac
done
shift $((OPTIND - 1))
moments=("$@")
[ ${#moments[@]} -gt 0 ] || moments=(2 10 40)
[ "$(id -u)" -eq 0 ] || { echo "$0: needs root (it mounts file system images)" >&2; exit 2; }

cmake --build "$build" --target settings_writer >/dev/null
writer=$build/tools/settings_writer
work=$(mktemp -d /tmp/vx-powercut.XXXXXX)
writers=()
cleanup() {
    for pid in "${writers[@]}"; do kill "$pid" 2>/dev/null || true; done
    wait 2>/dev/null || true
    for point in "$work"/mnt-*; do mountpoint -q "$point" && umount "$point"; done
    rm -rf "$work"
}
trap cleanup EXIT

truncate -s 64M "$work/disk.img"
mkfs.ext4 -q -F "$work/disk.img"
live=$work/mnt-live
mkdir -p "$live"
mount -o loop "$work/disk.img" "$live"
mkdir "$live/registry"

# Values long enough that a torn file shows as one.
pad=$(printf '%03000d' 0)
old=old-$pad new=new-$pad
"$writer" ini "$live/settings.ini" "$old" --exit >/dev/null
"$writer" registry "$live/registry" "$old" --exit >/dev/null
sync

"$writer" ini "$live/settings.ini" "$new" >"$work/ini.out" &
writers+=($!)
"$writer" registry "$live/registry" "$new" >"$work/registry.out" &
writers+=($!)
until grep -q written "$work/ini.out" && grep -q written "$work/registry.out"; do sleep 0.01; done
start=$(date +%s.%N)

for moment in "${moments[@]}"; do
    sleep "$(awk -v due="$start" -v moment="$moment" -v now="$(date +%s.%N)" \
        'BEGIN { wait = due + moment - now; print (wait > 0 ? wait : 0) }')"
    cp --sparse=always "$work/disk.img" "$work/copy-$moment.img"
done

# What a settings file of a copy holds: line is the value's line in its new or old form.
verdict() {
    local file=$1 newLine=$2 oldLine=$3
    if [ ! -e "$file" ]; then
        echo "MISSING"
    elif [ ! -s "$file" ]; then
        echo "EMPTY (0 bytes)"
    elif grep -qxF "$newLine" "$file"; then
        echo "new"
    elif grep -qxF "$oldLine" "$file"; then
        echo "old"
    else
        echo "TORN ($(stat -c %s "$file") bytes)"
    fi
}

lost=0
printf '%-12s %-20s %s\n' "copy after" "INI file" "registry file"
for moment in "${moments[@]}"; do
    point=$work/mnt-$moment
    mkdir -p "$point"
    mount -o loop "$work/copy-$moment.img" "$point"
    ini=$(verdict "$point/settings.ini" "Value=$new" "Value=$old")
    registry=$(verdict "$point/registry/current-user.conf" "\"Value\"=\"$new\"" "\"Value\"=\"$old\"")
    umount "$point"
    printf '%-12s %-20s %s\n' "$moment s" "$ini" "$registry"
    case "$ini $registry" in
    *EMPTY* | *TORN* | *MISSING*) lost=1 ;;
    esac
done
exit $lost
