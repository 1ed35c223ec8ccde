#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the Debian package of this build into a scratch folder and checks its
# name, control data and files, and has lintian check it when it is installed.
# Usage: check_package.sh CPACK BUILD_DIR
set -euo pipefail
cpack=$1
build=$2
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT

cd "$build"
if ! "$cpack" -G DEB -B "$out" >"$out/cpack.log" 2>&1; then
  cat "$out/cpack.log"
  exit 1
fi
deb="$out/wexly_1.0.0.29_$(dpkg --print-architecture).deb"
if [ ! -f "$deb" ]; then
  echo "FAIL: no $deb; cpack made:"; ls "$out"
  exit 1
fi

failed=0
expect() { # TEXT PATTERN WHAT
  if ! grep -qE -- "$2" <<<"$1"; then
    echo "FAIL: $3 (no match for $2)"
    failed=1
  fi
}

info=$(dpkg-deb --info "$deb")
expect "$info" '^ Package: wexly$' "package name"
expect "$info" '^ Version: 1\.0\.0\.29$' "version"
depends=$(grep '^ Depends:' <<<"$info" || true)
expect "$depends" '[ ,]fonts-noto-cjk \| fonts-wqy-microhei \| fonts-wqy-zenhei(,|$)' "any of the CJK fonts"
expect "$depends" '[ ,]qt6-qpa-plugins( |,|$)' "dependency qt6-qpa-plugins"

contents=$(dpkg-deb --contents "$deb")
for path in usr/bin/wexly usr/share/wexly/config.ini usr/share/wexly/help.xml usr/share/wexly/schema.sql \
            usr/share/applications/wexly.desktop usr/share/metainfo/example.orvik.wexly.metainfo.xml \
            usr/share/icons/hicolor/scalable/apps/wexly.svg usr/share/icons/hicolor/48x48/apps/wexly.png \
            usr/share/icons/hicolor/128x128/apps/wexly.png usr/share/icons/hicolor/256x256/apps/wexly.png \
            usr/bin/wexly-cli usr/share/wexly/systemd/wexly-daily.service usr/share/wexly/systemd/wexly-daily.timer \
            usr/share/man/man1/wexly.1.gz usr/share/man/man1/wexly-cli.1.gz \
            usr/share/doc/wexly/copyright usr/share/doc/wexly/changelog.gz; do
  expect "$contents" " \./$path$" "file $path"
done
expect "$contents" '^-rwxr-xr-x .* \./usr/bin/wexly$' "executable program"
expect "$contents" '^-rwxr-xr-x .* \./usr/bin/wexly-cli$' "executable command line program"

# The packaged program is stripped but keeps the version record its caption shows.
dpkg-deb -x "$deb" "$out/root"
program="$out/root/usr/bin/wexly"
kind=$(file -b "$program")
expect "$kind" 'ELF 64-bit .*, stripped' "stripped program ($kind)"
if ! grep -qa WEXLY_VERSION_R1 "$program"; then
  echo "FAIL: the packaged program lost its version record"
  failed=1
fi
# Hardened as Debian builds its packages.
for binary in "$program" "$out/root/usr/bin/wexly-cli"; do
  name=$(basename "$binary")
  expect "$(file -b "$binary")" 'pie executable' "$name position-independent"
  expect "$(readelf -d "$binary")" 'BIND_NOW' "$name bound at start"
  expect "$(readelf -lW "$binary")" 'GNU_RELRO' "$name relocations read-only"
  # The sanitizers take the place of the stack protector in their builds.
  if ! grep -q '^WEXLY_SANITIZE:BOOL=ON$' CMakeCache.txt; then
    expect "$(nm -D "$binary")" ' U __stack_chk_fail' "$name stack protector"
  fi
done
# The daily timer's service starts the packaged command line program.
service=$(cat "$out/root/usr/share/wexly/systemd/wexly-daily.service" 2>/dev/null || true)
expect "$service" '^ExecStart=/usr/bin/wexly-cli daily$' "service starting /usr/bin/wexly-cli"
# Every library the programs link names its package among the dependencies.
needed=$(for binary in "$program" "$out/root/usr/bin/wexly-cli"; do
           readelf -d "$binary" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p'
         done | sort -u)
[ -n "$needed" ] || { echo "FAIL: no linked libraries found"; failed=1; }
multiarch=$(gcc -print-multiarch 2>/dev/null || echo x86_64-linux-gnu)
for lib in $needed; do
  # The copy of this architecture: libc6-i386 also holds a libm.so.6.
  owner=$(dpkg -S "*/$lib" 2>/dev/null | awk -v want="/$multiarch/$lib" '
            substr($0, length($0) - length(want) + 1) == want { sub(/:.*/, ""); print; exit }' || true)
  if [ -z "$owner" ]; then
    echo "FAIL: no package holds $lib"
    failed=1
  else
    expect "$depends" "[ ,]$(sed 's/[+.]/\\&/g' <<<"$owner")( |,|$)" "dependency $owner for $lib"
  fi
done

# The changelog's newest entry is this version; the command line's manual
# page is its --help.
changelog=$(zcat "$out/root/usr/share/doc/wexly/changelog.gz" 2>/dev/null | head -n 1 || true)
expect "$changelog" '^wexly \(1\.0\.0\.29\) ' "changelog entry of this version"
manual=$(zcat "$out/root/usr/share/man/man1/wexly-cli.1.gz" 2>/dev/null || true)
expect "$manual" '^sites$' "command sites in the manual page of wexly-cli"

lint=""
if command -v lintian >/dev/null; then
  lint=$(lintian --tag-display-limit 0 --fail-on none "$deb" 2>&1 || true)
  if grep -qE '^[EW]: ' <<<"$lint"; then
    echo "FAIL: lintian reports errors or warnings"
    failed=1
  fi
else
  echo "lintian is not installed: not run"
fi

if [ "$failed" -ne 0 ]; then
  echo "--- lintian"; echo "$lint"
  echo "--- dpkg-deb --info"; echo "$info"
  echo "--- dpkg-deb --contents"; echo "$contents"
  exit 1
fi
echo "package $(basename "$deb") checked"
