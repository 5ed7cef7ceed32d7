#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# tests/kernel/run.sh BUILD_DIR
#
# Runs the stick proofs on the kernel's own vfat (FAT32 and FAT16) and exFAT
# drivers, as a user's desktop mounts a stick, in a small virtual machine: Debian's
# kernel in QEMU, the host's root shared read-only over 9p, so the guest runs the
# build in BUILD_DIR unchanged. The container we build in has neither driver.
# VANTREL_KERNEL_FULL=1 adds what takes too long for every CI run: the unit suites
# on the sticks, a pulled stick, the window and the benchmark (VANTREL_KERNEL_PHASES
# picks phases: proofs suites pulled window bench).
# Prints "kernel: N passed, M failed" last; skips with one line, exit 0, where no
# virtual machine can run here.
set -euo pipefail
build=$(realpath "${1:?usage: run.sh BUILD_DIR}")
source_dir=$(realpath "$(dirname "$0")/../..")

skip() {
  echo "kernel: skipped, no virtual machine here: $*"
  exit 0
}

qemu=$(command -v qemu-system-x86_64) || skip "qemu-system-x86_64 is missing (package qemu-system-x86)"
busybox=/bin/busybox
file -L "$busybox" 2>/dev/null | grep -q 'statically linked' ||
  skip "no static busybox (package busybox-static)"
kernel="" version=""
for candidate in $(ls -v /boot/vmlinuz-* 2>/dev/null); do
  v=${candidate#/boot/vmlinuz-}
  [ -r "$candidate" ] && [ -f "/lib/modules/$v/kernel/fs/9p/9p.ko" ] && kernel=$candidate version=$v
done
[ -n "$kernel" ] || skip "no kernel with modules in /boot (package linux-image-amd64)"
for tool in mkfs.vfat mkfs.exfat fsck.fat dmsetup cpio; do
  command -v "$tool" >/dev/null || skip "$tool is missing"
done

work=$(mktemp -d /tmp/vantrel-kernel-XXXXXX)
trap 'rm -rf "$work"' EXIT
root="$work/initramfs"
mkdir -p "$root"/{bin,dev,proc,sys,host,modules} "$work/out"
cp "$busybox" "$root/bin/busybox"
for applet in sh mount insmod chroot mkdir poweroff sync umount; do ln -s busybox "$root/bin/$applet"; done
install -m 755 "$source_dir/tests/kernel/init" "$root/init"
# The guest puts tmpfs over /tmp, /run, /var/tmp and /root, where a clone may well
# live: the source and the build come in shares of their own, at the same paths.
printf '%s\n' "src $source_dir" "build $build" >"$root/shares"
for module in virtio_pci 9pnet_virtio 9p; do
  modprobe -S "$version" --show-depends "$module" | awk '$1 == "insmod" { print $2 }'
done | awk '!seen[$0]++' | while read -r path; do
  cp "$path" "$root/modules/"
  basename "$path" >>"$root/modules/order"
done
(cd "$root" && find . | cpio -o -H newc --quiet | gzip -1) >"$work/initramfs.gz"

{
  printf 'export VANTREL_BUILD=%q VANTREL_SOURCE=%q VANTREL_KERNEL_FULL=%q\n' \
    "$build" "$source_dir" "${VANTREL_KERNEL_FULL:-0}"
  printf 'export VANTREL_KERNEL_PHASES=%q\n' "${VANTREL_KERNEL_PHASES:-}"
  printf 'exec bash %q\n' "$source_dir/tests/kernel/guest.sh"
} >"$work/out/guest.sh"

# Starts the guest in the background with the accelerator given.
boot() {
  rm -f "$work/console.log"
  "$qemu" "$@" -m 3072 -smp 2 -nodefaults -display none -no-reboot \
    -serial "file:$work/console.log" \
    -kernel "$kernel" -initrd "$work/initramfs.gz" \
    -append "console=ttyS0 panic=-1 quiet rdinit=/init" \
    -virtfs local,path=/,mount_tag=host,security_model=none,readonly=on,multidevs=remap \
    -virtfs "local,path=$work/out,mount_tag=out,security_model=none" \
    -virtfs "local,path=$source_dir,mount_tag=src,security_model=none,readonly=on,multidevs=remap" \
    -virtfs "local,path=$build,mount_tag=build,security_model=none,readonly=on,multidevs=remap" \
    </dev/null >>"$work/qemu.log" 2>&1 &
  guest=$!
}

# Whether the guest said it is up within $1 seconds.
came_up() {
  local waited=0
  while [ "$waited" -lt "$1" ]; do
    grep -q 'vantrel guest up' "$work/console.log" 2>/dev/null && return 0
    kill -0 "$guest" 2>/dev/null || return 1
    sleep 1
    waited=$((waited + 1))
  done
  return 1
}

started=$SECONDS
accel=""
# Nested KVM has been seen not to boot a guest at all: a short probe, then TCG.
if [ -w /dev/kvm ]; then
  boot -accel kvm -cpu host,-arch-capabilities
  if came_up 15; then accel=kvm; else kill "$guest" 2>/dev/null || true; wait "$guest" || true; fi
fi
if [ -z "$accel" ]; then
  boot -accel tcg,thread=multi -cpu max
  came_up 120 || {
    kill "$guest" 2>/dev/null || true
    skip "the guest did not boot under TCG: $(tail -c 300 "$work/qemu.log" "$work/console.log")"
  }
  accel=tcg
fi
echo "== kernel $version in QEMU ($accel), up after $((SECONDS - started)) s"
limit=${VANTREL_KERNEL_TIMEOUT:-2400}
waited=0
while kill -0 "$guest" 2>/dev/null && [ "$waited" -lt "$limit" ]; do
  sleep 2
  waited=$((waited + 2))
done
if kill -0 "$guest" 2>/dev/null; then
  kill "$guest"
  echo "the guest did not finish within $limit s" >>"$work/out/guest.log"
fi
wait "$guest" || true
# Each test binary's whole output stays for reading afterwards.
rm -rf "$build/kernel-logs" && cp -r "$work/out" "$build/kernel-logs"
cat "$work/out/guest.log" 2>/dev/null || echo "the guest wrote no log"
echo "== guest ran $((SECONDS - started)) s"
passed=$(awk '{ p += $1 } END { print p + 0 }' "$work/out/passed" 2>/dev/null || echo 0)
failed=$(awk '{ f += $1 } END { print f + 0 }' "$work/out/failed" 2>/dev/null || echo 0)
grep -q '^guest job ended with 0$' "$work/out/guest.log" 2>/dev/null || failed=$((failed + 1))
skipped=$(awk '{ s += $1 } END { print s + 0 }' "$work/out/skipped" 2>/dev/null || echo 0)
echo "kernel: $passed passed, $failed failed$([ "$skipped" -gt 0 ] && echo " ($skipped skipped, named above)")"
[ "$failed" -eq 0 ]
