#!/usr/bin/env bash
# A 32-bit Wine for the x86 lane, without installing it: Debian's wine32:i386
# and the i386 libraries it needs, fetched with apt-get download and unpacked
# into a cache, to be laid over /usr in a private mount namespace. Installing
# wine32 for real would add the i386 architecture and upgrade the machine's
# amd64 libraries to match; here apt only reads the machine's package state,
# and keeps its own lists and downloads in a folder of its own.
#
#   scripts/wine32.sh            prints the folder to lay over /usr, after
#                                fetching it when it is not cached yet
#
# The cache is $LUMIVOX_WINE32_CACHE, by default ~/.cache/lumivox/wine32, one
# folder per version of the machine's own Wine (the 32-bit half must match
# wine64 and its server): a second run takes no time.
set -euo pipefail

cache=${LUMIVOX_WINE32_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/lumivox/wine32}
version=$(dpkg-query -W -f='${Version}' libwine:amd64 2>/dev/null) || {
    echo "wine32.sh: the machine's own Wine (wine64, libwine:amd64) is not installed" >&2
    exit 1
}
# Besides wine32's own dependencies, the X libraries Wine's display driver
# loads when it finds them (Debian recommends them), for the page's dialog.
packages=("wine32:i386=$version" "libwine:i386=$version"
          libxrender1:i386 libxrandr2:i386 libxi6:i386 libxcursor1:i386 libxfixes3:i386
          libxinerama1:i386 libxcomposite1:i386 libxxf86vm1:i386)
key="$version $(echo "${packages[*]}" | md5sum | cut -c1-8)"
tree="$cache/${key// /-}"

if [ -f "$tree/ready" ]; then
    echo "$tree/usr"
    exit 0
fi

mkdir -p "$cache"
# One fetch at a time: other checkouts use the same cache.
exec 9>"$cache/lock"
flock 9
if [ -f "$tree/ready" ]; then
    echo "$tree/usr"
    exit 0
fi

# What a fetch that was stopped left behind.
rm -rf "$cache"/fetch.*
work=$(mktemp -d "$cache/fetch.XXXXXX")
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/state/lists/partial" "$work/archives/partial" "$work/debs" "$work/root"
# The machine's sources, settings and package state; everything apt writes
# is ours. The machine's hooks (cache cleaning, package notifications) are
# not run: its settings are read from a copy, with the hooks cleared last.
mkdir -p "$work/parts"
cp /etc/apt/apt.conf.d/* "$work/parts/" 2>/dev/null || true
cat >"$work/parts/zz-no-hooks" <<EOF
#clear APT::Update::Pre-Invoke;
#clear APT::Update::Post-Invoke;
#clear APT::Update::Post-Invoke-Success;
#clear DPkg::Pre-Invoke;
#clear DPkg::Post-Invoke;
#clear DPkg::Pre-Install-Pkgs;
EOF
cat >"$work/apt.conf" <<EOF
Dir::Etc::parts "$work/parts";
APT::Architecture "amd64";
APT::Architectures { "amd64"; "i386"; };
APT::Sandbox::User "root";
Dir::State "$work/state";
Dir::State::status "/var/lib/dpkg/status";
Dir::Cache "$work/cache";
Dir::Cache::archives "$work/archives";
Dir::Cache::pkgcache "";
Dir::Cache::srcpkgcache "";
EOF
export APT_CONFIG="$work/apt.conf"

echo "wine32.sh: fetching the 32-bit Wine $version into $cache" >&2
apt-get update -qq >&2
# What installing the packages would add (not what it would upgrade): wine32,
# the i386 libraries and anything else the machine lacks.
apt-get install -s --no-install-recommends "${packages[@]}" >"$work/plan" 2>&1 || {
    cat "$work/plan" >&2
    exit 1
}
sed -n 's/^Inst \([^ ]*\) (\([^ ]*\) .*/\1=\2/p' "$work/plan" >"$work/new"
grep -q "^wine32:i386=" "$work/new" || { cat "$work/plan" >&2; exit 1; }
(cd "$work/debs" && xargs apt-get download -qq <"$work/new") >&2
for deb in "$work"/debs/*.deb; do
    dpkg-deb -x "$deb" "$work/root"
done

root=$work/root
# /lib is /usr/lib on this system; /etc and the documentation are not needed.
if [ -d "$root/lib" ]; then
    cp -a "$root/lib/." "$root/usr/lib/"
    rm -rf "$root/lib"
fi
rm -rf "$root/etc" "$root/usr/lib/udev" "$root/usr/share/"{doc,man,locale,lintian,bug}
# Wine's 32-bit user32.dll needs zlib1.dll: Debian's libwine:i386 makes it
# on installation from libz-mingw-w64's DLL, marked as a builtin one, so that
# a new prefix gets it in syswow64.
zlib=/usr/i686-w64-mingw32/lib/zlib1.dll
[ -f "$zlib" ] || { echo "wine32.sh: $zlib is missing (libz-mingw-w64)" >&2; exit 1; }
{
    head -c 64 "$zlib"
    printf 'Wine builtin DLL'
    head -c 16 /dev/zero
    tail -c +97 "$zlib"
} >"$root/usr/lib/i386-linux-gnu/wine/i386-windows/zlib1.dll"
[ -x "$root/usr/lib/wine/wine" ] || { echo "wine32.sh: no 32-bit loader unpacked" >&2; exit 1; }

rm -rf "$tree"
mkdir -p "$tree"
mv "$root/usr" "$tree/usr"
cp "$work/new" "$tree/packages"
touch "$tree/ready"
# Older versions are of no use any more.
for old in "$cache"/*/; do
    [ "${old%/}" = "$tree" ] || [ ! -f "$old/ready" ] || rm -rf "$old"
done
echo "wine32.sh: $(wc -l <"$tree/packages") packages, $(du -sh "$tree" | cut -f1)" >&2
echo "$tree/usr"
