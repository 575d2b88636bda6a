#!/usr/bin/env bash
# Builds the Debian package from a configured build, unpacks it, lays out a
# school beside the unpacked program and starts it as a classroom machine
# would, then lets Debian's tools judge the menu entry, the metainfo and the
# package.
#
# Usage: check-package.sh <build dir> <probe plugin dir> <make_demo_school>
set -euo pipefail
build=$1
probe_plugins=$2
make_school=$3
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

echo "== Building the package"
(cd "$build" && cpack -G DEB -B "$tmp/out" > "$tmp/cpack.log" 2>&1) || { cat "$tmp/cpack.log"; exit 1; }
deb=$(ls "$tmp"/out/soinsuu_*_amd64.deb)
echo "$(basename "$deb"): $(stat -c %s "$deb") bytes, Installed-Size $(dpkg-deb -f "$deb" Installed-Size) KiB"
dpkg-deb -f "$deb" Depends Recommends

root="$tmp/root"
dpkg-deb -x "$deb" "$root"
lib="$root/usr/lib/soinsuu"
program="$lib/素因数分解/soinsuu"

echo "== Contents"
file -b "$program" | grep -q ', stripped' || fail "the program is not stripped: $(file -b "$program")"
# The school's own files are links into /etc, never shipped.
while IFS='|' read -r link target; do
  [ -L "$lib/$link" ] && [ "$(readlink "$lib/$link")" = "$target" ] \
    || fail "$link is not a link to $target"
done <<'LINKS'
パスデータ.txt|/etc/soinsuu/パスデータ.txt
起動|/etc/soinsuu/起動
LINKS
[ ! -e "$root/etc" ] || fail "the package ships files in /etc: $(find "$root/etc")"

echo "== A school beside the unpacked program"
share="$tmp/共有 データ"
"$make_school" "$share" > /dev/null
path_file="$lib/パスデータ.txt"
rm "$path_file"
pathcmd="$root/usr/bin/soinsuu-path"

# Runs a command and checks its exit status and that its output holds the
# text (@TMP@ standing for the temporary folder): expected status | text |
# what to call it in a failure | the command.
expect_path_command() {
  local want=$1 text=$2 what=$3 out status
  shift 3
  set +e
  out=$("$@" 2>&1)
  status=$?
  set -e
  if [ "$status" != "$want" ] || ! grep -qF -- "${text//@TMP@/$tmp}" <<<"$out"; then
    fail "$what: status $status (expected $want), output:"
    echo "$out"
  fi
}

# soinsuu-path: run as | data root, or --check for the one the file names |
# expected status | text its output must hold. A classroom account outside
# the data folder's group cannot append, and is told so.
chmod 755 "$tmp"
while IFS='|' read -r user arg want text; do
  arg=${arg//@TMP@/$tmp}
  as=()
  [ "$user" = root ] || as=(setpriv --reuid="$user" --regid=nogroup --clear-groups)
  expect_path_command "$want" "$text" "soinsuu-path $arg as $user" "${as[@]}" "$pathcmd" --file "$path_file" "$arg"
done <<'CASES'
root|@TMP@/共有 データ/音フォルダ|1|プログラムのデータフォルダがありません: @TMP@/共有 データ/音フォルダ/素因数分解
root|@TMP@/どこにもない|1|データフォルダがありません: @TMP@/どこにもない/
root|@TMP@/共有 データ|0|ロックは正しく効きます: @TMP@/共有 データ/素因数分解
nobody|--check|1|@TMP@/共有 データ/素因数分解 に書き込めません（nobody）
root|--check|0|エラーなし
CASES
# With a sound server in the session, as a student's desktop has one.
out=$("$(dirname "$0")/../foundation/with-pulseaudio.sh" "$pathcmd" --file "$path_file" --check 2>&1) \
  && grep -qF 'OK    サウンドサーバー: ' <<<"$out" \
  || { fail "soinsuu-path --check does not find the sound server:"; echo "$out"; }

# soinsuu-path --check on a path file written by hand: its first item |
# expected status | text. It reads the item as the program does: backslashes
# are separators, a relative path starts beside the program folder, and a
# Windows drive is refused.
while IFS='|' read -r item want text; do
  item=${item//@TMP@/$tmp}
  printf '"%s",0,0,0,0,0,0,0,0,0\r\n' "$item" | iconv -t CP932 > "$path_file"
  expect_path_command "$want" "$text" "soinsuu-path --check with $item" "$pathcmd" --file "$path_file" --check
done <<'CASES'
../../../../共有 データ|0|エラーなし
..\..\..\..\共有 データ\|0|エラーなし
Z:\drill\|1|データフォルダ「Z:\drill\」は Windows の形です
CASES

# Mounts this machine cannot make, judged from their options as findmnt
# shows them: file system | options | errors expected (0 or 1) | text.
while IFS='|' read -r fstype options want text; do
  out=$(errors=0; warnings=0; source "$pathcmd"; judge_mount "$fstype" "$options"; echo "errors=$((errors > 0))")
  if ! grep -qx "errors=$want" <<<"$out" || ! grep -qF -- "$text" <<<"$out"; then
    fail "mount $fstype $options: expected errors=$want and \"$text\", got:"
    echo "$out"
  fi
done <<'CASES'
nfs4|rw,relatime,vers=4.2,rsize=1048576,hard,proto=tcp,sec=sys,local_lock=none|0|NFS（バージョン 4.2）: ロックはサーバーに伝わります
nfs|rw,relatime,vers=3,hard,nolock,proto=tcp,local_lock=all|1|nolock でマウントされています
nfs4|rw,vers=4.1,hard,local_lock=posix|1|local_lock がロックをこの機械の中だけに
nfs|rw,vers=3,hard,proto=tcp,local_lock=none|0|NFS v3 ではサーバーとこの機械の両方で rpc.statd
nfs4|rw,vers=4.2,hard,nocto|1|nocto でマウントされています
cifs|rw,relatime,vers=3.1.1,cache=strict,soft,actimeo=1|0|soft でマウントされています
cifs|rw,vers=3.0,cache=strict,nobrl,actimeo=1|1|nobrl でマウントされています
cifs|rw,vers=3.0,cache=loose,actimeo=1|1|cache=loose でマウントされています
cifs|rw,vers=3.0,cache=strict,actimeo=30|0|actimeo=30 は長すぎます
cifs|rw,vers=1.0,cache=strict,actimeo=1|0|vers=1.0 は古い版です
ext4|rw,relatime|0|ファイルシステム: ext4
CASES

# Written by soinsuu-path: the file the Windows programs of the family would
# write, byte for byte.
"$pathcmd" --file "$path_file" "$share" > /dev/null
printf '"%s/",0,0,0,0,0,0,0,0,0\r\n' "$share" | iconv -t CP932 > "$tmp/expected-path"
cmp -s "$tmp/expected-path" "$path_file" || fail "the path file is not the CP932 text expected: $(od -c "$path_file" | head -3)"

echo "== Starting the unpacked program (offscreen)"
# path file names | expected status | line the window probe must print
while IFS='|' read -r data want text; do
  data=${data//@TMP@/$tmp}
  printf '"%s",0,0,0,0,0,0,0,0,0\r\n' "$data" | iconv -t CP932 > "$path_file"
  set +e
  out=$(QT_QPA_PLATFORM=offscreen QT_PLUGIN_PATH="$probe_plugins" QT_QPA_GENERIC_PLUGINS=soinsuuwindowprobe \
        timeout 60 "$root/usr/bin/soinsuu" 2>&1)
  status=$?
  set -e
  if [ "$status" != "$want" ] || ! grep -qF -- "${text//@TMP@/$tmp}" <<<"$out"; then
    fail "soinsuu with data root $data: status $status (expected $want), output:"
    echo "$out"
  else
    grep '^window:' <<<"$out"
  fi
done <<'CASES'
@TMP@/共有 データ/|0|window: soinsuu::namesel namesel
..\..\..\..\共有 データ\|0|window: soinsuu::namesel namesel
@TMP@/どこにもない/|1|@TMP@/どこにもない/共通データ.txt
CASES

echo "== Menu entry and metainfo"
desktop-file-validate "$root/usr/share/applications/jp.quorvel.soinsuu.desktop" || fail "desktop-file-validate"
appstreamcli validate --no-net "$root/usr/share/metainfo/jp.quorvel.soinsuu.metainfo.xml" || fail "appstreamcli validate"
appstreamcli validate-tree --no-net "$root" || fail "appstreamcli validate-tree"

echo "== lintian"
lintian --fail-on error --display-info "$deb" || fail "lintian reports errors"

if [ "$failures" -gt 0 ]; then
  echo "$failures check(s) failed"
  exit 1
fi
echo "The package installs, starts and passes Debian's checks."
