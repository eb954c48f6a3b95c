#!/usr/bin/env bash
# Makes the Debian package from an existing build, unpacks it into a scratch root
# (no installation), and checks what it holds and that the unpacked programs work
# from there: the version, a short conversion of the camera sound it ships, and
# where an installed program keeps its settings.
# Usage: package-test.sh [BUILD-FOLDER]
set -euo pipefail
build=$(realpath "${1:-build}")
here=$(cd "$(dirname "$0")" && pwd)
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

cpack --config "$build/CPackConfig.cmake" -B "$scratch/package" >"$scratch/cpack.log" 2>&1 ||
    { cat "$scratch/cpack.log" >&2; exit 1; }
version=$(sed -n 's/^set(CPACK_PACKAGE_VERSION "\(.*\)")$/\1/p' "$build/CPackConfig.cmake")
deb=$scratch/package/vantoro_${version}_amd64.deb
[[ -f $deb ]] || { echo "no $deb" >&2; ls "$scratch/package" >&2; exit 1; }

# The control fields; the dependencies are the libraries the programs link.
field() { dpkg-deb -f "$deb" "$1"; }
[[ $(field Package) == vantoro && $(field Architecture) == amd64 && $(field Section) == video ]] ||
    fail "control: $(dpkg-deb -f "$deb" Package Architecture Section | tr '\n' ' ')"
[[ $(field Maintainer) == *@* ]] || fail "no maintainer address"
for lib in libavcodec libavformat libsdl2 libqt6widgets6 libcurl libc6; do
    [[ $(field Depends) == *"$lib"* ]] || fail "Depends lacks $lib: $(field Depends)"
done

# The file list, exactly.
root=$scratch/root
dpkg-deb -x "$deb" "$root"
(cd "$root" && find . -type f -o -type l | sed 's|^\.||' | sort) >"$scratch/files"
{
    printf '%s\n' /usr/bin/vantoro /usr/bin/vantoro-cli \
        /usr/share/applications/vantoro.desktop \
        /usr/share/bash-completion/completions/vantoro-cli \
        /usr/share/doc/vantoro/changelog.gz /usr/share/doc/vantoro/copyright \
        /usr/share/icons/hicolor/scalable/apps/vantoro.svg \
        /usr/share/man/man1/vantoro.1.gz /usr/share/man/man1/vantoro-cli.1.gz \
        /usr/share/metainfo/net.vantoro.Vantoro.metainfo.xml \
        /usr/share/vantoro/help/index.html /usr/share/vantoro/sounds/cam.wav
    for size in 16 22 24 32 48 64 128 256; do
        echo "/usr/share/icons/hicolor/${size}x${size}/apps/vantoro.png"
    done
} | sort >"$scratch/expected"
diff -u "$scratch/expected" "$scratch/files" >&2 || fail "the file list differs (- expected, + packaged)"

# Owned by root, no group- or world-writable entries, programs stripped without a search path.
bad_owner=$(dpkg-deb -c "$deb" | awk '$2 != "root/root"')
[[ -z $bad_owner ]] || fail "not owned by root: $bad_owner"
writable=$(find "$root" -perm /022 ! -type l)
[[ -z $writable ]] || fail "group- or world-writable: $writable"
for program in vantoro vantoro-cli; do
    file -L "$root/usr/bin/$program" | grep -q ', stripped' || fail "$program is not stripped"
    ! readelf -d "$root/usr/bin/$program" | grep -qE 'RPATH|RUNPATH' || fail "$program has a library search path"
done
for size in 16 22 24 32 48 64 128 256; do
    file "$root/usr/share/icons/hicolor/${size}x${size}/apps/vantoro.png" | grep -q "PNG image data, $size x $size," ||
        fail "the ${size}px icon is not a ${size}x${size} PNG"
done
for page in vantoro vantoro-cli; do
    zcat "$root/usr/share/man/man1/$page.1.gz" | grep -q "^\.TH \"$page\" \"1\"" || fail "$page.1.gz is no manual page"
done
desktop-file-validate "$root/usr/share/applications/vantoro.desktop" || fail "desktop-file-validate"
appstreamcli validate --no-net "$root/usr/share/metainfo/net.vantoro.Vantoro.metainfo.xml" >"$scratch/appstream.log" 2>&1 ||
    { cat "$scratch/appstream.log" >&2; fail "appstreamcli validate"; }

# The unpacked programs, in a home of their own.
export HOME=$scratch/home XDG_CONFIG_HOME=$scratch/config
mkdir -p "$HOME"
cli=$root/usr/bin/vantoro-cli
[[ $("$cli" --version | sed -n 1p) == "vantoro-cli $version" ]] || fail "--version: $("$cli" --version | sed -n 1p)"
mp3=$("$cli" profiles | awk -F'\t' '$4 == ".mp3" && id == "" { id = $1 } END { print id }')
[[ -n $mp3 ]] || fail "no MP3 profile"
out=$("$cli" convert --profile "${mp3:-0}" --parallel 1 "$root/usr/share/vantoro/sounds/cam.wav" 2>"$scratch/convert.err") ||
    { cat "$scratch/convert.err" >&2; fail "the conversion failed"; }
# The default output folder is under the home; the settings go to the configuration folder,
# never among the programs, which this user can write here as root can in /usr/bin.
[[ $out == "$HOME/Video_Directory/cam.mp3" && -s $HOME/Video_Directory/cam.mp3 ]] || fail "output: \"$out\""
[[ -f $XDG_CONFIG_HOME/vantoro/system.ini ]] || fail "no settings in \$XDG_CONFIG_HOME/vantoro"
[[ ! -e $root/usr/bin/system.ini ]] || fail "the settings were written among the programs"
"$cli" info "$HOME/Video_Directory/cam.mp3" | grep -i mp3 >/dev/null || fail "the output does not read back as MP3"

# The completion as installed, against the unpacked program.
bash "$here/completion-test.sh" "$cli" "$root/usr/share/bash-completion/completions/vantoro-cli" ||
    fail "the installed completion"

if ((failures)); then
    echo "package: $failures check(s) failed" >&2
    exit 1
fi
echo "package: $(basename "$deb") checked"
