#!/bin/sh
# Mounts (or unmounts) a small file system for the full-disk tests of the command-line tool, and marks it with
# the file "mounted" once it is there. Without the right to mount it says so and does nothing: the tests that
# need it are then skipped.
set -u
action=$1
dir=$2
case "$action" in
mount)
    mkdir -p "$dir"
    if mountpoint -q "$dir" 2>/dev/null; then umount "$dir" 2>/dev/null; fi
    if mount -t tmpfs -o size=8m,mode=0777 tmpfs "$dir" 2>/dev/null; then
        touch "$dir/mounted"
        echo "tiny_fs: 8 MB tmpfs at $dir"
    else
        echo "tiny_fs: cannot mount a small file system at $dir; the full-disk tests are skipped"
    fi
    ;;
umount)
    if mountpoint -q "$dir" 2>/dev/null; then umount "$dir"; fi
    rmdir "$dir" 2>/dev/null || true
    ;;
esac
exit 0
