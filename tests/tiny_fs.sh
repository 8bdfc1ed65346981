#!/bin/sh
# Mounts (or unmounts) a small file system for the full-disk tests, and marks it with the file "mounted" once it is
# there. "mount-ro DIR FILE NAME" mounts one holding a copy of FILE as NAME, read-only. Without the right to mount
# it says so and does nothing: the tests that need it are then skipped.
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
mount-ro)
    mkdir -p "$dir"
    if mountpoint -q "$dir" 2>/dev/null; then umount "$dir" 2>/dev/null; fi
    if mount -t tmpfs -o size=2m,mode=0755 tmpfs "$dir" 2>/dev/null; then
        if cp "$3" "$dir/$4" && touch "$dir/mounted" && mount -o remount,ro "$dir"; then
            echo "tiny_fs: read-only tmpfs at $dir"
        else
            umount "$dir"
            echo "tiny_fs: cannot make $dir read-only; the read-only tests are skipped"
        fi
    else
        echo "tiny_fs: cannot mount a small file system at $dir; the read-only tests are skipped"
    fi
    ;;
umount)
    if mountpoint -q "$dir" 2>/dev/null; then umount "$dir"; fi
    rmdir "$dir" 2>/dev/null || true
    ;;
esac
exit 0
