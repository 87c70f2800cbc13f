# A Debian system in a folder: made with debootstrap (minbase) from the archive this machine's apt
# uses, and entered with chroot. Used by scripts/debian13 and by the package test.
# shellcheck shell=bash

# The archive this machine installs from (nothing: debootstrap's own default).
debian_archive() { # the archive's folder name: debian, debian-security
    cat /etc/apt/sources.list /etc/apt/sources.list.d/*.sources /etc/apt/sources.list.d/*.list \
            2>/dev/null | grep -E '^[[:space:]]*(URIs:|deb )' | grep -oE 'https?://[^ ]+' |
        grep -E "/$1/?\$" | head -n1 || true
}

# Whatever is still mounted in the folder, deepest first: an interrupted debootstrap leaves its
# /proc there, which a removal must never descend into.
debian_unmount_below() { # folder
    local target
    awk -v top="$1" '$2 == top || index($2, top "/") == 1 { print $2 }' /proc/mounts | sort -r |
        while read -r target; do umount -l "$target"; done
}

# A new minbase system of that release in the folder, with its updates and security fixes.
debian_make_system() { # codename folder
    local codename=$1 system=$2 mirror security
    mirror=$(debian_archive debian)
    security=$(debian_archive debian-security)
    debian_unmount_below "$system"
    rm -rf --one-file-system "$system"
    mkdir -p "$system"
    debootstrap --variant=minbase "$codename" "$system" ${mirror:+"$mirror"} >"$system.log" 2>&1 || {
        tail -n 20 "$system.log" >&2
        echo "debootstrap of $codename failed (log: $system.log)" >&2
        return 1
    }
    # debootstrap wrote the release's line.
    mirror=$(grep -oE 'https?://[^ ]+' "$system/etc/apt/sources.list" | head -n1)
    echo "deb $mirror $codename-updates main" >>"$system/etc/apt/sources.list"
    [ -z "$security" ] || echo "deb $security $codename-security main" >>"$system/etc/apt/sources.list"
}

# What programs need inside, mounted in the caller's own mount namespace (unshare -m), so that it
# all goes when the caller ends: /proc, /sys, /dev, /run, and this machine's /tmp, where X servers
# and compositors have their sockets.
debian_mount_system() { # folder
    local system=$1
    # The root bound onto itself first, so that unshare -m works inside it.
    mount --bind "$system" "$system"
    mount -t proc proc "$system/proc"
    mount -t sysfs sys "$system/sys"
    mount --rbind /dev "$system/dev"
    mount -t tmpfs -o mode=1777 tmpfs "$system/dev/shm"
    mount --bind /tmp "$system/tmp"
    mount -t tmpfs -o mode=755 tmpfs "$system/run"
    cp -L /etc/resolv.conf "$system/etc/resolv.conf" 2>/dev/null || true
}

# A command run inside, with a clean environment; VAR=VALUE words may come first.
debian_chroot() { # folder [VAR=VALUE...] command...
    local system=$1
    shift
    chroot "$system" /usr/bin/env -i HOME=/root TERM="${TERM:-dumb}" LANG=C.UTF-8 \
        PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin "$@"
}
