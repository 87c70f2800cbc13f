#!/usr/bin/env bash
# The release files as they leave the machine: SHA256SUMS verifies; the zip and the Debian package
# hold exactly what is listed; the package passes lintian, desktop-file-validate and appstreamcli;
# the set-up is a 64-bit program carrying the version resource's numbers.
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../e2e/lib.sh"
: "${ZELVARO_DIST:?}" "${ZELVARO_RELEASE_VERSION:?}" "${ZELVARO_DEB_VERSION:?}"
cd "$ZELVARO_DIST"
v=$ZELVARO_RELEASE_VERSION
setup=Zelvaro-$v-setup.exe zip=Zelvaro-$v-win64.zip deb=zelvaro_${ZELVARO_DEB_VERSION}_amd64.deb
# Debian 12's release carries Debian 13's package beside its own, checked on its own release.
debs=("$deb")
[[ $ZELVARO_DEB_VERSION != *~deb12 ]] || debs+=("zelvaro_$v-1~deb13_amd64.deb")

same_lines() { # description-free comparison of two line lists, the difference logged
    diff <(printf '%s\n' "$1") <(printf '%s\n' "$2") >&2
}

check "dist/ holds the set-up, the zip, ${#debs[@]} package(s) and SHA256SUMS" \
    same_lines "$(ls -1 | sort)" "$(printf '%s\n' SHA256SUMS "$setup" "$zip" "${debs[@]}" | sort)"
check "SHA256SUMS names each of them once" \
    same_lines "$(awk '{ print $2 }' SHA256SUMS | sort)" "$(printf '%s\n' "$setup" "$zip" "${debs[@]}" | sort)"
check "SHA256SUMS verifies" sha256sum --strict --quiet -c SHA256SUMS

check "the zip holds zelvaro.exe, LISEZMOI.txt and LICENSE.txt, nothing else" \
    same_lines "$(unzip -Z1 "$zip" | sort)" "$(printf '%s\n' LICENSE.txt LISEZMOI.txt zelvaro.exe)"
check "the portable readme speaks French and English" \
    bash -c "unzip -p '$zip' LISEZMOI.txt | grep -q 'Français' && unzip -p '$zip' LISEZMOI.txt | grep -q 'English'"
check "the zip carries the MIT licence" bash -c "unzip -p '$zip' LICENSE.txt | grep -q '^MIT License'"

field() { dpkg-deb --field "$deb" "$1"; }
check "package zelvaro" test "$(field Package)" = zelvaro
check "version $ZELVARO_DEB_VERSION" test "$(field Version)" = "$ZELVARO_DEB_VERSION"
check "architecture amd64" test "$(field Architecture)" = amd64
check "dependencies computed from the libraries the program links" \
    bash -c "grep -q 'libc6 (>= ' <<<'$(field Depends)' && grep -q 'libqt6widgets6 (>= ' <<<'$(field Depends)'"
check "bound to the Qt whose private headers it was built with" \
    bash -c "grep -qE 'qt6-base(-private)?-abi \(= ' <<<'$(field Depends)'"
check "a maintainer and a description" test -n "$(field Maintainer)" -a -n "$(field Description)"
dpkg-deb --info "$deb" >"$e2e_artifacts/info.txt"
check "dpkg-deb --info reads it" grep -q "Package: zelvaro" "$e2e_artifacts/info.txt"
expected="./usr/bin/zelvaro
./usr/share/applications/zelvaro.desktop
./usr/share/doc/zelvaro/changelog.Debian.gz
./usr/share/doc/zelvaro/copyright
./usr/share/icons/hicolor/16x16/apps/zelvaro.png
./usr/share/icons/hicolor/32x32/apps/zelvaro.png
./usr/share/icons/hicolor/48x48/apps/zelvaro.png
./usr/share/man/man1/zelvaro.1.gz
./usr/share/metainfo/example.zelvaro.Zelvaro.metainfo.xml"
check "dpkg-deb --contents lists exactly the program, its desktop file, icons, metadata and documents" \
    same_lines "$(dpkg-deb --contents "$deb" | awk '$1 !~ /^d/ { print $NF }' | sort)" "$expected"

status=0
lintian --fail-on error --no-tag-display-limit "$deb" >"$e2e_artifacts/lintian.txt" 2>&1 || status=$?
log "lintian: $(grep -c '^[EWI]:' "$e2e_artifacts/lintian.txt" || true) remarks," \
    "$(grep -c '^E:' "$e2e_artifacts/lintian.txt" || true) errors"
check "lintian finds no error" test "$status" = 0

tree=$e2e_artifacts/package
rm -rf "$tree" && dpkg-deb -x "$deb" "$tree"
check "desktop-file-validate passes" desktop-file-validate "$tree/usr/share/applications/zelvaro.desktop"
check "appstreamcli validate --no-net passes" \
    appstreamcli validate --no-net "$tree"/usr/share/metainfo/*.metainfo.xml
metainfo=$(cat "$tree"/usr/share/metainfo/*.metainfo.xml)
check "the metadata has an English and a French summary" \
    bash -c "grep -q '<summary>' <<<\"\$0\" && grep -q '<summary xml:lang=\"fr\">' <<<\"\$0\"" "$metainfo"
check "a screenshot and the release $v" \
    bash -c "grep -q '<screenshot' <<<\"\$0\" && grep -q '<release version=\"$v\"' <<<\"\$0\"" "$metainfo"
check "the copyright file carries the MIT (Expat) licence" \
    grep -q '^License: Expat' "$tree/usr/share/doc/zelvaro/copyright"
check "the man page names the release" bash -c "zcat '$tree/usr/share/man/man1/zelvaro.1.gz' | grep -q '^.TH ZELVARO 1 .*\"Zelvaro $v\"'"

check "the set-up is a 64-bit Windows program" \
    bash -c "x86_64-w64-mingw32-objdump -f '$setup' | grep -q 'file format pei-x86-64'"
IFS=. read -r major minor revision <<<"$v"
resource_text=$(printf '%d.%02d.%04d' "$major" "$minor" "$revision")
check "the set-up carries the version resource's numbers ($resource_text)" \
    bash -c "strings -a -el '$setup' | grep -qxF '$resource_text'"
finish
