#!/usr/bin/env bash
# Builds the Debian package in Release and checks it as Debian would: the files it installs, the
# desktop entry, the AppStream metadata, the list files' type, lintian, the libraries it depends
# on and the program's hardening.
set -euo pipefail
cd "$(dirname "$0")/.."

id=org.custodex.Custodex
build=build/pacchetto
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DCUSTODEX_TESTS=OFF -DCUSTODEX_BENCH=OFF \
  -DCUSTODEX_WERROR=ON >/dev/null
cmake --build "$build" -j"$(nproc)"
rm -f "$build"/custodex_*.deb
(cd "$build" && cpack -G DEB >/dev/null)
deb=$(echo "$build"/custodex_*.deb)
echo "Package: $deb"

errori=0
sbaglio() {
  echo "FAULT: $*" >&2
  errori=$((errori + 1))
}

radice=$(mktemp -d)
trap 'rm -rf "$radice"' EXIT
dpkg-deb -x "$deb" "$radice"

# The files.
contenuto=$(dpkg-deb -c "$deb" | awk '{print $6}')
attesi=(./usr/bin/custodex "./usr/share/applications/$id.desktop"
  "./usr/share/metainfo/$id.metainfo.xml" "./usr/share/mime/packages/$id.xml"
  "./usr/share/icons/hicolor/scalable/apps/$id.svg" ./usr/share/man/man1/custodex.1.gz
  ./usr/share/doc/custodex/copyright ./usr/share/doc/custodex/changelog.Debian.gz)
for lato in 16 32 48 64 128 256; do
  attesi+=("./usr/share/icons/hicolor/${lato}x${lato}/apps/$id.png")
done
for f in "${attesi[@]}"; do
  grep -qxF "$f" <<<"$contenuto" || sbaglio "the package lacks $f"
done
for lato in 16 32 48 64 128 256; do
  file "$radice/usr/share/icons/hicolor/${lato}x${lato}/apps/$id.png" |
    grep -q "PNG image data, $lato x $lato," || sbaglio "the ${lato}x$lato icon has another size"
done

# The desktop entry, the metadata, and the two together with the icons.
desktop-file-validate "$radice/usr/share/applications/$id.desktop" || sbaglio "desktop entry"
grep -qx "Exec=custodex %f" "$radice/usr/share/applications/$id.desktop" ||
  sbaglio "the desktop entry does not start custodex with a file"
appstreamcli validate --no-net "$radice/usr/share/metainfo/$id.metainfo.xml" || sbaglio "metainfo"
appstreamcli validate-tree --no-net "$radice" >/dev/null || sbaglio "metainfo with the desktop entry"

# The list files' type: a database made of our definition alone names a .kvx file and a list
# file without its extension by it.
mkdir -p "$radice/mime/mime/packages"
cp "$radice/usr/share/mime/packages/$id.xml" "$radice/mime/mime/packages/"
XDG_DATA_DIRS="$radice/mime" update-mime-database "$radice/mime/mime"
printf '"CDXAQ"\r\n' >"$radice/lista.kvx"
printf '"CDXAQ"\r\n' >"$radice/senza_estensione"
for f in lista.kvx senza_estensione; do
  tipo=$(XDG_DATA_DIRS="$radice/mime:/usr/share" gio info -a standard::content-type \
    "$radice/$f" | awk '/standard::content-type/ {print $2}')
  [ "$tipo" = application/x-custodex-list ] || sbaglio "$f is $tipo"
done
grep -qx "application/x-custodex-list:$id" "$radice/mime/mime/icons" ||
  sbaglio "the list files' type has not the program's icon"

# Debian's own checks.
lintian --fail-on error "$deb" || sbaglio "lintian"

# The libraries' packages, found from the program: runtime ones, never a -dev.
dipende=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $dipende"
grep -q -- '-dev\b' <<<"$dipende" && sbaglio "a -dev package among the dependencies"
for p in libqt6widgets6 libsodium23 libzstd1; do
  grep -q "\b$p\b" <<<"$dipende" || sbaglio "$p missing from the dependencies"
done

# Hardening: a position-independent program, read-only relocations bound at start, a stack
# protector, checked calls and a stack that cannot run code.
programma="$radice/usr/bin/custodex"
readelf -hW "$programma" | grep -q 'Type:.*DYN' || sbaglio "not position-independent"
readelf -dW "$programma" | grep -q 'FLAGS_1.*PIE' || sbaglio "no PIE flag"
readelf -lW "$programma" | grep -q GNU_RELRO || sbaglio "no RELRO"
readelf -dW "$programma" | grep -q 'BIND_NOW' || sbaglio "no immediate binding"
readelf -lW "$programma" | grep GNU_STACK | grep -q RWE && sbaglio "executable stack"
simboli=$(readelf -sW --dyn-syms "$programma")
grep -q '__stack_chk_fail' <<<"$simboli" || sbaglio "no stack protector"
grep -q '__[a-z]*_chk@' <<<"$simboli" || sbaglio "no fortified calls"

# One version everywhere: the program's, the package's, the metadata's newest release and the
# package's change log.
pacchetto=$(dpkg-deb -f "$deb" Version)
versione=$("$programma" --version)
[ "$versione" = "Custodex ${pacchetto%-*}" ] || sbaglio "--version says \"$versione\""
grep -q "<release version=\"${pacchetto%-*}\"" "$radice/usr/share/metainfo/$id.metainfo.xml" ||
  sbaglio "the metadata has no release ${pacchetto%-*}"
zcat "$radice/usr/share/doc/custodex/changelog.Debian.gz" | head -1 |
  grep -qF "custodex ($pacchetto)" || sbaglio "the change log does not start at $pacchetto"

if [ "$errori" -gt 0 ]; then
  echo "The package has $errori fault(s)." >&2
  exit 1
fi
echo "The package checks clean."
