#!/usr/bin/env bash
# A virtual machine's disk file, made and filled by other tools (sfdisk,
# mkfs.fat, mtools) as an installed Windows 95 would be: attached without
# mounting, a new Start-button text typed in the real window, OK, the
# machine's start; the disk then holds the new look, fsck.fat finds nothing
# to repair, and the files that had no reason to change are as they were.
source "$(dirname "$0")/desktop.sh"
start_desktop

# The disk: one FAT16 partition from sector 63, as FDISK leaves it.
machine create "$WORK/source" > /dev/null
DISK="$WORK/vms/win95.img"
mkdir -p "$WORK/vms"
truncate -s 40M "$DISK"
echo 'start=63, type=6, bootable' | sfdisk -q "$DISK" > /dev/null
SECTORS=$(( $(stat -c %s "$DISK") / 512 - 63 ))
mkfs.fat -F 16 -n WIN95 -h 63 --offset 63 "$DISK" "$((SECTORS / 2))" > /dev/null
AT="$DISK@@$((63 * 512))"
MTOOLS_SKIP_CHECK=1 mcopy -s -i "$AT" "$WORK/source/drive_c/"* ::/
MTOOLS_SKIP_CHECK=1 mattrib -i "$AT" +r +h +s ::/MSDOS.SYS
MTOOLS_SKIP_CHECK=1 mattrib -i "$AT" +h ::/WINDOWS/SYSTEM.DAT ::/WINDOWS/USER.DAT
export MTOOLS_SKIP_CHECK=1
fingerprint() { mtype -i "$AT" "$1" | sha256sum; }
MSDOS_BEFORE=$(fingerprint ::/MSDOS.SYS)
SHELL32_BEFORE=$(fingerprint ::/WINDOWS/SYSTEM/SHELL32.DLL)
USER_BEFORE=$(fingerprint ::/WINDOWS/SYSTEM/USER.EXE)
EXPLORER_BEFORE=$(fingerprint ::/WINDOWS/EXPLORER.EXE)
entries() { mdir -i "$AT" "$1" | grep -E '^(SHELL32 +DLL|USER +EXE) '; }
DATES_BEFORE=$(entries ::/WINDOWS/SYSTEM)

machine attach "$DISK" "$M" > "$WORK/attach.txt" || fail "attach refused the disk: $(cat "$WORK/attach.txt")"
[ -L "$M/drive_c" ] || fail "attach made no link to the disk"
machine install "$M" > /dev/null || fail "install on the disk failed"

start_velkrun
shot main-window
click_in "$MAIN" "$STARTEDIT_X" "$STARTEDIT_Y"
keys ctrl+a
type_text "Vm"
click_in "$MAIN" "$OK_X" "$OK_Y"
REBOOT=$(wait_window '^Restarting\.\.\.$')
shot reboot-dialog
keys alt+d
wait_for 10 bash -c "! kill -0 $VELKRUN 2>/dev/null" || fail "velkrun still runs after Don\`t reboot"

# Before the start: the swap is scheduled on the disk, the live shell untouched.
mtype -i "$AT" ::/WINDOWS/WININIT.INI | grep -qi 'Explorer.exe=.*Explorer.new' || fail "no swap scheduled on the disk"
[ "$(fingerprint ::/WINDOWS/EXPLORER.EXE)" = "$EXPLORER_BEFORE" ] || fail "the live shell changed before the start"
machine boot "$M" > /dev/null || fail "the machine did not start"
machine show "$M" --json | grep -q '"Vm"' || fail "the Start button does not read Vm after the start"
machine show "$M" --png "$VELKAN_SHOTS/vm-disk-look.png" > /dev/null || fail "show cannot draw the look"

# The volume as fsck.fat sees it: a copy of the partition, read only.
dd if="$DISK" of="$WORK/volume" bs=512 skip=63 status=none
fsck.fat -n "$WORK/volume" > "$WORK/fsck.txt" 2>&1 || fail "fsck.fat: $(cat "$WORK/fsck.txt")"
! grep -qv -e '^fsck.fat ' -e "^$WORK/volume" -e '^$' "$WORK/fsck.txt" || fail "fsck.fat: $(cat "$WORK/fsck.txt")"
[ "$(fingerprint ::/MSDOS.SYS)" = "$MSDOS_BEFORE" ] || fail "MSDOS.SYS changed"
[ "$(fingerprint ::/WINDOWS/SYSTEM/SHELL32.DLL)" = "$SHELL32_BEFORE" ] || fail "SHELL32.DLL changed"
[ "$(fingerprint ::/WINDOWS/SYSTEM/USER.EXE)" = "$USER_BEFORE" ] || fail "USER.EXE changed, though only the Start text did"
[ "$(entries ::/WINDOWS/SYSTEM)" = "$DATES_BEFORE" ] || fail "SHELL32.DLL or USER.EXE changed name, size or date: $(entries ::/WINDOWS/SYSTEM)"
ATTRS=$(mattrib -i "$AT" ::/MSDOS.SYS)
[[ "${ATTRS%%::*}" == *R* && "${ATTRS%%::*}" == *H* && "${ATTRS%%::*}" == *S* ]] || fail "MSDOS.SYS lost its attributes: $ATTRS"
