#!/usr/bin/env bash
# Builds the Debian package from the release build (cpack -G DEB) into build/release/package/.
#   bash scripts/package.sh           build the package
#   bash scripts/package.sh --check   build it, then check it: unpacked into a throwaway root
#                                     (file list, manual pages, a run of the worked example),
#                                     desktop-file-validate and lintian, then installed on this
#                                     machine with apt, run from PATH, and removed again.
set -euo pipefail
cd "$(dirname "$0")/.."
case "${1:-}" in
  "") check=false ;;
  --check) check=true ;;
  *) echo "usage: $0 [--check]" >&2; exit 2 ;;
esac
if [ "$(id -u)" -eq 0 ]; then sudo=(); else sudo=(sudo); fi

# cpack's dependency list needs dpkg-shlibdeps (dpkg-dev) and file; the check needs the rest.
tools=(dpkg-dev file)
$check && tools+=(desktop-file-utils lintian man-db)
bash scripts/install-deps.sh "${tools[@]}"

bash scripts/build.sh release
rm -f build/release/package/*.deb
(cd build/release && cpack -G DEB >/dev/null)
deb=$(ls "$(pwd)"/build/release/package/*.deb)
echo "== built $deb"
$check || exit 0

work=$(mktemp -d)
installed=false
cleanup() {
  if $installed; then "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get purge -y simplex >/dev/null; fi
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAILED: $*" >&2; exit 1; }

# The files a user needs, relative to the package's root.
expected=(
  usr/bin/simplex
  usr/bin/simplex-cli
  usr/share/applications/simplex.desktop
  usr/share/icons/hicolor/scalable/apps/simplex.svg
  usr/share/man/man1/simplex.1.gz
  usr/share/man/man1/simplex-cli.1.gz
  usr/share/doc/simplex/copyright
  usr/share/doc/simplex/changelog.gz
  usr/share/doc/simplex/examples/worked_example/data.txt
)
example=usr/share/doc/simplex/examples/worked_example

# Runs the worked example with the given simplex-cli in a fresh folder and compares the three
# result files with the example's own.
run_example() {
  local cli=$1 root=$2 out
  out=$(mktemp -d -p "$work")
  (cd "$out" && "$cli" "$root/$example/data.txt" 0 >transcript.txt 2>&1) || fail "$cli on the worked example"
  for f in resu.ord simplex.dat REDUC.ORD; do
    cmp -s "$out/$f" "$root/$example/$f" || fail "$cli: $f differs from the example's"
  done
  echo "worked example with $cli: resu.ord, simplex.dat, REDUC.ORD as in the example"
}

echo "== metadata"
dpkg-deb --field "$deb"
echo "== files"
dpkg-deb --contents "$deb" | awk '{print $1, $3, $6}'

echo "== throwaway root (dpkg-deb -x)"
root=$work/root
dpkg-deb -x "$deb" "$root"
for f in "${expected[@]}"; do [ -e "$root/$f" ] || fail "missing $f"; done
[ -x "$root/usr/bin/simplex" ] && [ -x "$root/usr/bin/simplex-cli" ] || fail "programs not executable"
icon=$(sed -n 's/^Icon=//p' "$root/usr/share/applications/simplex.desktop")
[ -e "$root/usr/share/icons/hicolor/scalable/apps/$icon.svg" ] || fail "the desktop entry's icon $icon is not installed"
for page in simplex simplex-cli; do
  warnings=$(MANWIDTH=80 man --warnings -l "$root/usr/share/man/man1/$page.1.gz" 2>&1 >/dev/null)
  [ -z "$warnings" ] || fail "manual page $page: $warnings"
done
echo "manual pages render without warnings"
"$root/usr/bin/simplex-cli" --version
env -u DISPLAY -u WAYLAND_DISPLAY "$root/usr/bin/simplex" --version
run_example "$root/usr/bin/simplex-cli" "$root"

echo "== desktop-file-validate"
desktop-file-validate "$root/usr/share/applications/simplex.desktop" || fail "desktop-file-validate"
echo "(exit status 0)"

echo "== lintian"
report=$(lintian --pedantic --tag-display-limit 0 "$deb" 2>&1 | grep -v '^running with root privileges' || true)
echo "${report:-(no tags)}"
! grep -q '^E:' <<<"$report" || fail "lintian reports errors"

echo "== installed on this machine (apt)"
dpkg -s simplex >/dev/null 2>&1 && fail "simplex is installed already; remove it first"
"${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y "$deb" >"$work/apt.log" 2>&1 ||
  { cat "$work/apt.log"; fail "apt-get install"; }
installed=true
for f in "${expected[@]}"; do dpkg -L simplex | grep -qx "/$f" || fail "dpkg -L lacks /$f"; [ -e "/$f" ] || fail "missing /$f"; done
[ "$(command -v simplex-cli)" = /usr/bin/simplex-cli ] || fail "simplex-cli is not on PATH"
simplex-cli --version
env -u DISPLAY -u WAYLAND_DISPLAY simplex --version
man -w simplex-cli >/dev/null && man -w simplex >/dev/null || fail "man does not find the pages"
run_example simplex-cli ""
desktop-file-validate /usr/share/applications/simplex.desktop || fail "desktop-file-validate (installed)"

echo "== removed"
"${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get purge -y simplex >/dev/null
installed=false
dpkg -s simplex >/dev/null 2>&1 && fail "simplex still installed"
for f in "${expected[@]}"; do [ ! -e "/$f" ] || fail "/$f left behind"; done
echo "package removed, no file left behind"
echo "== package check passed"
