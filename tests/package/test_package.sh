#!/usr/bin/env bash
# Checks the Debian package that scripts/package made, then, as root, uses it the way users do.
#
# As any user: the package's file list (everything under /usr, the files that must be there and no
# others), its control fields (the dependencies named) and lintian (no errors).
#
# As root, on a machine where the package is not installed yet: `apt-get install ./…deb`; every
# library and plugin the installed program loads, and its font, comes from a package it depends on;
# a user with a fresh home starts the installed `qelbrin` under a private Xvfb: the chooser shows,
# the program works in ~/.local/share/qelbrin, laid out with tavrindata/ and the sample bank; the
# user makes a bank there through the chooser and opens the HTML panel (its browser module comes from
# the package and runs Qt WebEngine's helper processes). A second user, whose QELBRIN_HOME names
# another directory, gets their own. Then a package of a higher version, whose helper page differs,
# is installed over it: the next start refreshes tavrindata/ and leaves the banks, their folders and
# the user's files as they were. Last the package is removed. Everything the run made (users,
# packages, the X server) goes on every exit.
# Not as root, or without apt, the installing steps say so and are skipped.
#
# Usage: tests/package/test_package.sh DEB [WORK_DIR]   WORK_DIR receives screenshots of failures
set -euo pipefail
export LC_ALL=C.UTF-8

say() { echo "package test: $*"; }
fail() {
    echo "package test: FAIL: $*" >&2
    exit 1
}

[[ $# -ge 1 && -f $1 ]] || fail "usage: $0 DEB [WORK_DIR]"
deb=$(realpath "$1")
work=$(realpath -m "${2:-$PWD}")
app_id=org.example.Qelbrin
multiarch=$(dpkg-architecture -qDEB_HOST_MULTIARCH)
module=/usr/lib/$multiarch/qelbrin/qelbrin-html-browser.so

# ---------------------------------------------------------------------------------------------------
# The package itself.

field() { dpkg-deb --field "$deb" "$1"; }

version=$(field Version)
arch=$(field Architecture)
[[ $(field Package) == qelbrin ]] || fail "the package is named '$(field Package)', not qelbrin"
[[ $(basename "$deb") == "qelbrin_${version}_$arch.deb" ]] ||
    fail "$(basename "$deb") is not named after its control fields (qelbrin_${version}_$arch.deb)"
[[ $arch == $(dpkg --print-architecture) ]] || fail "the package is for $arch"
for f in Maintainer Installed-Size Section Priority Description Depends; do
    [[ -n $(field "$f") ]] || fail "the control field $f is empty"
done
# The dependencies: Qt's libraries with the SQLite driver the store loads as a plugin, Qt WebEngine
# for the HTML panel's module, the picture libraries and every font the project lists.
depends=$(field Depends)
say "Depends: $depends"
mapfile -t fonts < <("$(dirname "${BASH_SOURCE[0]}")/../../scripts/install-deps" --list | grep '^fonts-')
for p in libc6 libstdc++6 libqt6core6 libqt6gui6 libqt6widgets6 libqt6sql6 libqt6sql6-sqlite \
    libqt6webenginecore6 libqt6webenginewidgets6 libpng16-16 libuemf0 fonts-noto-cjk "${fonts[@]}"; do
    tr ',|' '\n' <<<"$depends" | sed 's/(.*//; s/ //g' | grep -qxF "$p" || fail "Depends does not name $p"
done

mapfile -t entries < <(dpkg-deb --fsys-tarfile "$deb" | tar -t --quoting-style=literal)
outside=()
for e in "${entries[@]}"; do
    [[ $e == ./ || $e == ./usr/* ]] || outside+=("$e")
done
((${#outside[@]} == 0)) || fail "files outside /usr: ${outside[*]}"
expected=(
    ./usr/bin/qelbrin
    ".$module"
    ./usr/share/qelbrin/tavrindata/mb
    ./usr/share/qelbrin/tavrindata/小车.stk
    ./usr/share/qelbrin/tavrindata/torvesk.jpg
    ./usr/share/qelbrin/tavrindata/h.html
    ./usr/share/qelbrin/示例题库.stk
    ./usr/share/qelbrin/示例题库/torvesk.jpg
    "./usr/share/applications/$app_id.desktop"
    "./usr/share/metainfo/$app_id.metainfo.xml"
    ./usr/share/icons/hicolor/scalable/apps/qelbrin.svg
    ./usr/share/man/man1/qelbrin.1.gz
    ./usr/share/doc/qelbrin/copyright
    ./usr/share/doc/qelbrin/changelog.gz
)
for size in 16 24 32 48 64 128 256; do
    expected+=("./usr/share/icons/hicolor/${size}x$size/apps/qelbrin.png")
done
files=$(printf '%s\n' "${entries[@]}" | grep -v '/$' | sort)
unexpected=$(comm -13 <(printf '%s\n' "${expected[@]}" | sort) <(echo "$files"))
missing=$(comm -23 <(printf '%s\n' "${expected[@]}" | sort) <(echo "$files"))
[[ -z $missing ]] || fail "files missing from the package: $missing"
[[ -z $unexpected ]] || fail "files the package should not hold: $unexpected"
say "the package holds the ${#expected[@]} files it should, all under /usr"

say "lintian"
lintian --fail-on error --display-info "$deb" || fail "lintian reports errors (above)"

if ((EUID != 0)); then
    say "not run as root: installing the package and starting the installed program are skipped"
    exit 0
fi
for tool in apt-get apt-cache; do
    if ! command -v "$tool" >/dev/null; then
        say "$tool is not on this machine: installing the package and starting the installed program are skipped"
        exit 0
    fi
done

# ---------------------------------------------------------------------------------------------------
# Installed.

# One run at a time on a machine: two would install and remove the same package under each other.
exec 9>/run/lock/qelbrin-package-test.lock
flock -w 900 9 || fail "another run of this test holds /run/lock/qelbrin-package-test.lock"
installed() { [[ $(dpkg-query -W -f='${db:Status-Abbrev}' qelbrin 2>/dev/null) == ii* ]]; }
if installed; then
    fail "qelbrin is installed on this machine already; this test installs and removes it: remove it first (apt-get remove qelbrin)"
fi

# shellcheck source=scripts/lib/xvfb.sh
source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/lib/xvfb.sh"
tmp=""
program_pid=""
users=()
we_installed=""
cleanup() {
    local rc=$?
    trap - EXIT
    set +e
    if ((rc != 0)) && [[ -n ${DISPLAY:-} ]]; then
        mkdir -p "$work"
        timeout 10 import -window root "$work/package-test-failure.png" 2>/dev/null &&
            echo "package test: the screen at the failure: $work/package-test-failure.png" >&2
    fi
    if [[ -n $program_pid ]]; then
        kill -KILL "$program_pid" 2>/dev/null
        wait "$program_pid" 2>/dev/null
        if ((rc != 0)) && [[ -s $tmp/stderr ]]; then
            echo "---- the program's stderr ----" >&2
            cat "$tmp/stderr" >&2
        fi
    fi
    xvfb_stop
    [[ -n $we_installed ]] && installed && apt-get purge -y -qq qelbrin >/dev/null 2>&1
    local u
    for u in "${users[@]}"; do
        pkill -KILL -u "$u" 2>/dev/null
        userdel "$u" 2>/dev/null
    done
    [[ -n $tmp ]] && rm -rf "$tmp"
    exit "$rc"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

tmp=$(mktemp -d "${TMPDIR:-/tmp}/qelbrin-package.XXXXXX")
# The users' homes lie inside; they must be able to reach them.
chmod 0711 "$tmp"

apt_install() {
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq -o DPkg::Lock::Timeout=300 "$1" >"$tmp/apt.log" 2>&1 || {
        cat "$tmp/apt.log" >&2
        fail "apt-get install $1 failed"
    }
}

say "apt-get install ./$(basename "$deb")"
we_installed=1
apt_install "$deb"
installed || fail "qelbrin is not installed after apt-get install"
[[ $(command -v qelbrin) == /usr/bin/qelbrin ]] || fail "the command qelbrin is not /usr/bin/qelbrin on the PATH"

# Every file the installed program loads belongs to a package it depends on, directly or through
# others: its libraries, the plugins Qt loads (platform, SQLite driver, pictures), Qt WebEngine's
# helper process and the CJK font.
closure=$(apt-cache depends --recurse --no-recommends --no-suggests --no-conflicts --no-breaks \
    --no-replaces --no-enhances qelbrin | grep -v '^ ' | tr -d '<>' | sort -u)
plugins=/usr/lib/$multiarch/qt6/plugins
mapfile -t needed < <(ldd /usr/bin/qelbrin "$module" | awk '$2 == "=>" && $3 ~ /^\// { print $3 }' | sort -u)
needed+=(
    "$plugins/platforms/libqxcb.so" "$plugins/sqldrivers/libqsqlite.so"
    "$plugins/imageformats/libqjpeg.so" "$plugins/imageformats/libqgif.so" "$plugins/imageformats/libqico.so"
    /usr/lib/qt6/libexec/QtWebEngineProcess
    "$(fc-match -f '%{file}' 'Noto Sans CJK SC')"
)
ldd /usr/bin/qelbrin "$module" | grep -q 'not found' && fail "a library of the installed program is not found: $(ldd "$module" | grep 'not found')"
# Which package holds each file, in one query: a path as ldd gives it (/lib/... on a merged /usr) may be
# listed by its package under the other name.
candidates=()
for file in "${needed[@]}"; do
    [[ -e $file ]] || fail "$file is not on this machine"
    candidates+=("$file" "$(realpath "$file")" "${file#/usr}" "/usr$file")
done
declare -A owner=()
while IFS= read -r line; do
    owner[${line#*: }]=${line%%: *}
done < <(dpkg-query -S "${candidates[@]}" 2>/dev/null || true)
for file in "${needed[@]}"; do
    package=""
    for candidate in "$file" "$(realpath "$file")" "${file#/usr}" "/usr$file"; do
        package=${owner[$candidate]:-}
        [[ -n $package ]] && break
    done
    [[ -n $package ]] || fail "no package holds $file"
    # "libfoo:amd64" or "a, b" (a file several packages share): any of them will do.
    tr ',' '\n' <<<"$package" | sed 's/:.*//; s/ //g' | grep -qxFf - <(echo "$closure") ||
        fail "$file comes from $package, which qelbrin does not depend on"
done
say "the ${#needed[@]} libraries, plugins and fonts the program loads all come from its dependencies"

# A private X server; users other than root connect to it through its socket.
xvfb_start "$tmp" || fail "no X server"
export DISPLAY=$XVFB_DISPLAY

# make_user NAME: a user with a fresh, empty home $tmp/NAME; prints the user's login name.
make_user() {
    local login=qelbrin-test-$$-$1
    useradd --no-create-home --home-dir "$tmp/$1" --shell /usr/sbin/nologin --user-group "$login" ||
        fail "useradd $login failed"
    users+=("$login")
    install -d -m 0700 -o "$login" -g "$login" "$tmp/$1" "$tmp/$1-runtime"
}

# start_as NAME [VAR=VALUE...]: starts the installed qelbrin, found on the PATH as a menu entry finds
# it, as the user NAME in a login's environment; program_pid is the program's own pid.
start_as() {
    local name=$1
    shift
    setpriv --reuid="qelbrin-test-$$-$name" --regid="qelbrin-test-$$-$name" --init-groups -- \
        env -i HOME="$tmp/$name" USER="qelbrin-test-$$-$name" PATH=/usr/local/bin:/usr/bin:/bin LANG=C.UTF-8 \
        DISPLAY="$DISPLAY" XDG_RUNTIME_DIR="$tmp/$name-runtime" "$@" qelbrin \
        </dev/null >"$tmp/stdout" 2>"$tmp/stderr" &
    program_pid=$!
}

# as NAME COMMAND...: runs a command as the user NAME.
as() {
    local name=$1
    shift
    setpriv --reuid="qelbrin-test-$$-$name" --regid="qelbrin-test-$$-$name" --init-groups -- \
        env -i HOME="$tmp/$name" PATH=/usr/bin:/bin LANG=C.UTF-8 "$@"
}

# wait_window REGEX: waits up to 30 s for a visible window of the program named REGEX; prints its id.
wait_window() {
    local deadline=$((SECONDS + 30)) ids
    while :; do
        if ids=$(xdotool search --all --onlyvisible --pid "$program_pid" --name "$1" 2>/dev/null) && [[ -n $ids ]]; then
            echo "${ids%%$'\n'*}"
            return 0
        fi
        kill -0 "$program_pid" 2>/dev/null || fail "the program ended before a window named '$1' showed"
        ((SECONDS < deadline)) || fail "no window named '$1' within 30 s"
        sleep 0.2
    done
}

# click WID X Y: a click in the window's client area, once a window just mapped has been laid out.
click() {
    sleep 0.5
    xdotool mousemove --window "$1" "$2" "$3" click 1
}

# click_away WID X Y: a click that makes the window go away, repeated (at most twice) while a window
# just mapped has not taken it.
click_away() {
    local i
    for _ in 1 2 3; do
        click "$@"
        for ((i = 0; i < 15; i++)); do
            xwininfo -id "$1" 2>/dev/null | grep -q 'Map State: IsViewable' || return 0
            sleep 0.2
        done
    done
}

# wait_exit: the program ends within 10 s with exit code 0.
wait_exit() {
    local deadline=$((SECONDS + 10)) rc=0
    while kill -0 "$program_pid" 2>/dev/null; do
        ((SECONDS < deadline)) || fail "the program still runs 10 s after 退出"
        sleep 0.2
    done
    wait "$program_pid" || rc=$?
    program_pid=""
    ((rc == 0)) || fail "the program ended with exit code $rc"
}

stop_program() {
    kill -TERM "$program_pid"
    wait "$program_pid" 2>/dev/null || true
    program_pid=""
}

# check_laid_out NAME DIR [later]: the running program works in DIR, which holds the shipped data
# as the user's own: all of it at a first start; at a later start the data files of tavrindata/ (the
# banks being the user's by then).
check_laid_out() {
    local name=$1 dir=$2 later=${3:-} cwd file
    cwd=$(readlink "/proc/$program_pid/cwd")
    [[ $cwd == "$dir" ]] || fail "the program of $name works in $cwd, not in $dir"
    while IFS= read -r -d '' file; do
        file=${file#/usr/share/qelbrin/}
        if [[ -n $later ]] && [[ $file != tavrindata/* || $file == *.stk ]]; then
            continue
        fi
        cmp -s "/usr/share/qelbrin/$file" "$dir/$file" || fail "$dir/$file is not the shipped one"
        [[ $(stat -c %U "$dir/$file") == "qelbrin-test-$$-$name" ]] || fail "$dir/$file is not $name's own"
    done < <(find /usr/share/qelbrin -type f -print0)
    local what="tavrindata/ and the sample bank"
    [[ -z $later ]] || what="tavrindata/ as shipped"
    say "$name's program directory $dir holds $what, and the program works there"
}

# snapshot DIR: what must never change in a program directory: every entry but tavrindata/ and its
# data files, the fallback bank in it included, with size, modification time and the hash of content.
snapshot() {
    (
        cd "$1"
        find . -mindepth 1 ! -path ./tavrindata ! -path './tavrindata/*' -print0 | sort -z |
            xargs -0 stat -c '%n %s %Y %F'
        stat -c '%n %s %Y %F' tavrindata/小车.stk
        find . -type f ! -path './tavrindata/*' -print0 | sort -z | xargs -0 sha256sum
        sha256sum tavrindata/小车.stk
    )
}

make_user a
make_user b
home_a=$tmp/a/.local/share/qelbrin
home_b=$tmp/b/题库

say "first start of user a"
start_as a
chooser=$(wait_window '^选择题库$')
check_laid_out a "$home_a"
# A bank of the user's own, made through the chooser: its name under "创建新题库：", then Return.
click "$chooser" 330 60
xdotool type --delay 50 physics
xdotool key Return
main=$(wait_window '^physics题库作者是：')
[[ -f $home_a/physics.stk && -d $home_a/physics ]] || fail "the bank made in the chooser is not in $home_a"
# "添加" (x 396-484, y 484-520 of the main window), then "插入HTML元素" (x 196-306, y 180-206 of the editor).
click "$main" 440 502
editor=$(wait_window '^添加$')
for _ in 1 2 3; do
    click "$editor" 251 193
    for ((i = 0; i < 50; i++)); do
        grep -q "$module" "/proc/$program_pid/maps" && break 2
        sleep 0.2
    done
done
grep -q "$module" "/proc/$program_pid/maps" || fail "the HTML panel's browser was not loaded from $module"
# The browser runs its pages in Qt WebEngine's helper processes, which the package's dependencies bring.
for ((i = 0; i < 100; i++)); do
    pgrep -P "$program_pid" -f '^/usr/lib/qt6/libexec/QtWebEngineProcess ' >/dev/null && break
    sleep 0.2
done
pgrep -P "$program_pid" -f '^/usr/lib/qt6/libexec/QtWebEngineProcess ' >/dev/null ||
    fail "the HTML panel's browser started no QtWebEngineProcess within 20 s"
say "the HTML panel loaded its browser from $module, which runs Qt WebEngine's helper processes"
stop_program

# What the user does meanwhile: a picture in the new bank's folder, a question added to the sample
# bank and one to the fallback bank, a file of their own beside the banks.
as a cp /usr/share/qelbrin/tavrindata/torvesk.jpg "$home_a/physics/1234photo.jpg"
as a sqlite3 "$home_a/示例题库.stk" "INSERT INTO tiku (ti_neirong, daanleixing, ti_daan, img, jiexi) VALUES ('用户的题', 2, 6, '', '')"
as a sqlite3 "$home_a/tavrindata/小车.stk" "INSERT INTO tiku (ti_neirong, daanleixing, ti_daan, img, jiexi) VALUES ('备用题库里的题', 2, 5, '', '')"
as a sh -c "echo notes >'$home_a/notes.txt'"
before=$(snapshot "$home_a")

say "first start of user b, in the directory QELBRIN_HOME names"
start_as b QELBRIN_HOME="$home_b"
chooser=$(wait_window '^选择题库$')
check_laid_out b "$home_b"
[[ ! -e $tmp/b/.local ]] || fail "user b's default directory was made although QELBRIN_HOME names another"
# "退出" (x 430-510, y 170-212 of the chooser) ends the program with exit code 0.
click_away "$chooser" 470 191
wait_exit
[[ $(snapshot "$home_a") == "$before" ]] || fail "user b's start changed user a's directory"

say "upgrade to a package of a higher version"
upgrade=$tmp/upgrade
dpkg-deb --raw-extract "$deb" "$upgrade"
new_version=$version+upgradetest
sed -i "s/^Version: .*/Version: $new_version/" "$upgrade/DEBIAN/control"
echo '<!-- the helper page of the upgrade -->' >>"$upgrade/usr/share/qelbrin/tavrindata/h.html"
(cd "$upgrade" && find usr -type f -print0 | sort -z | xargs -0 md5sum) >"$upgrade/DEBIAN/md5sums"
upgrade_deb=$tmp/qelbrin_${new_version}_$arch.deb
dpkg-deb --root-owner-group -Zxz --build "$upgrade" "$upgrade_deb" >/dev/null
apt_install "$upgrade_deb"
[[ $(dpkg-query -W -f='${Version}' qelbrin) == "$new_version" ]] || fail "the upgrade did not install $new_version"
[[ $(snapshot "$home_a") == "$before" ]] || fail "installing the upgrade changed user a's directory"

start_as a
chooser=$(wait_window '^选择题库$')
check_laid_out a "$home_a" later
grep -q 'the helper page of the upgrade' "$home_a/tavrindata/h.html" || fail "the upgrade's helper page was not laid out"
diff <(echo "$before") <(snapshot "$home_a") >&2 || fail "the start after the upgrade changed the banks or the user's files (above)"
click_away "$chooser" 470 191
wait_exit
say "after the upgrade tavrindata/ is the new one, the banks and the user's files are as they were"

say "apt-get remove qelbrin"
DEBIAN_FRONTEND=noninteractive apt-get remove -y -qq -o DPkg::Lock::Timeout=300 qelbrin >"$tmp/apt.log" 2>&1 ||
    { cat "$tmp/apt.log" >&2; fail "apt-get remove qelbrin failed"; }
! installed || fail "qelbrin is still installed after apt-get remove"
for gone in /usr/bin/qelbrin "$module" /usr/share/qelbrin "/usr/share/applications/$app_id.desktop"; do
    [[ ! -e $gone ]] || fail "$gone is still there after apt-get remove"
done
[[ $(snapshot "$home_a") == "$before" ]] || fail "removing the package changed user a's directory"
we_installed=""
say "removed; the users' directories stay"
say "passed"
