#!/bin/bash
# Writes the path file that leads the drill to the school's data root, and
# checks that this machine, as the user running it, can work there: the
# school's files are present, the program's data folder is writable, the
# results file's lock works across processes, the mount keeps locks and
# caching safe, and a sound server answers.
set -u

here=$(dirname "$(readlink -f "$0")")
libdir="$here/../lib/soinsuu"
program_folder_name=素因数分解
# In the package the path file beside the program folder is a link into
# /etc/soinsuu, so the school's file survives every upgrade.
path_file=$(readlink -m "$libdir/パスデータ.txt")
program_parent=$(readlink -m "$libdir")

usage() {
  cat <<USAGE
使い方: soinsuu-path [--file パスファイル] データフォルダ
        soinsuu-path [--file パスファイル] --check
USAGE
  exit 2
}

errors=0
warnings=0
ok()    { echo "  OK    $*"; }
warn()  { echo "  注意  $*"; warnings=$((warnings + 1)); }
error() { echo "  エラー $*"; errors=$((errors + 1)); }

# The file holds ten items in code page 932, as the Windows programs of the
# family write it: the data root, then nine reserved ones.
# A path file copied from a Windows machine names a drive this machine has not.
refuse_windows_path() {
  case "$1" in
    [A-Za-z]:*)
      echo "${2:+$2: }データフォルダ「$1」は Windows の形です。この機械でのフォルダ（/mnt/soinsuu/ など）を指定してください。" >&2
      exit 1 ;;
  esac
}

write_path_file() {
  local root=$1
  refuse_windows_path "$root"
  case "$root" in
    /*) ;;
    *) root="$(pwd)/$root" ;;
  esac
  case "$root" in
    */) ;;
    *) root="$root/" ;;
  esac
  case "$root" in
    *'"'*|*$'\n'*|*$'\r'*)
      echo "データフォルダの名前に \" や改行は使えません: $root" >&2
      exit 1 ;;
  esac
  local dir tmp
  dir=$(dirname "$path_file")
  mkdir -p "$dir" || exit 1
  tmp=$(mktemp "$dir/.パスデータ.XXXXXX") || exit 1
  # Written beside the old file and moved over it, so a failure never
  # leaves a school with half a path file.
  if ! printf '"%s",0,0,0,0,0,0,0,0,0\r\n' "$root" | iconv -f UTF-8 -t CP932 > "$tmp"; then
    rm -f "$tmp"
    echo "$path_file: データフォルダの名前を Shift-JIS（CP932）で書けません: $root" >&2
    exit 1
  fi
  chmod 0644 "$tmp" && mv -f "$tmp" "$path_file" || { rm -f "$tmp"; exit 1; }
  echo "パスファイルを書きました: $path_file"
}

# The data root as the program reads it: the first item, quotes removed,
# backslashes taken as separators, a relative path taken from the folder
# that holds the program folder.
read_path_file() {
  if [ ! -r "$path_file" ]; then
    echo "パスファイルがありません: $path_file" >&2
    echo "まず soinsuu-path データフォルダ で書いてください。" >&2
    exit 1
  fi
  local line first
  line=$(iconv -f CP932 -t UTF-8 < "$path_file" | head -n 1 | tr -d '\r')
  line=${line#"${line%%[![:space:]]*}"}
  if [ "${line:0:1}" = '"' ]; then
    first=${line:1}
    first=${first%%\"*}
  else
    first=${line%%,*}
    first=${first%"${first##*[![:space:]]}"}
  fi
  refuse_windows_path "$first" "$path_file"
  first=${first//\\//}
  case "$first" in
    /*) ;;
    *) first="$program_parent/$first" ;;
  esac
  case "$first" in
    */) ;;
    *) first="$first/" ;;
  esac
  data_root=$first
}

# A file of the data root is found whatever the case of its name, as the
# program finds it.
find_entry() {
  find "$1" -maxdepth 1 -mindepth 1 -iname "$2" -print -quit 2>/dev/null
}

check_mount() {
  local fstype options
  read -r fstype options < <(findmnt -n -o FSTYPE,OPTIONS -T "$1" 2>/dev/null)
  if [ -z "${fstype:-}" ]; then
    warn "マウントを調べられません: $1"
    return
  fi
  judge_mount "$fstype" "$options"
}

# Mount options that fake the results file's lock or hide other machines'
# appends are errors; those that make a short outage an error are notes.
judge_mount() {
  local fstype=$1 options=",$2,"
  local vers
  vers=$(grep -o ',vers=[0-9.]*' <<<"$options" | cut -d= -f2)
  case "$fstype" in
    nfs|nfs4)
      if [[ $options == *,nolock,* ]]; then
        error "NFS が nolock でマウントされています。ロックが他の機械に伝わりません"
      elif [[ $options == *,local_lock=all,* || $options == *,local_lock=posix,* ]]; then
        error "NFS の local_lock がロックをこの機械の中だけにしています"
      else
        ok "NFS（バージョン ${vers:-?}）: ロックはサーバーに伝わります"
      fi
      if [[ $options == *,nocto,* ]]; then
        error "NFS が nocto でマウントされています。他の機械の記録が見えないことがあります"
      fi
      if [ "${vers%%.*}" = 3 ]; then
        warn "NFS v3 ではサーバーとこの機械の両方で rpc.statd（nfs-common）が動いている必要があります"
      fi ;;
    cifs|smb3)
      if [[ $options == *,nobrl,* ]]; then
        error "SMB が nobrl でマウントされています。ロックがサーバーに伝わりません"
      else
        ok "SMB: バイト範囲ロックはサーバーに伝わります"
      fi
      if [[ $options == *,cache=loose,* ]]; then
        error "SMB が cache=loose でマウントされています。他の機械の記録が見えないことがあります"
      fi
      local actimeo
      actimeo=$(grep -o ',actimeo=[0-9]*' <<<"$options" | cut -d= -f2)
      if [ -n "$actimeo" ] && [ "$actimeo" -gt 1 ]; then
        warn "SMB の actimeo=$actimeo は長すぎます。他の機械の記録が遅れて見えます（1 以下に）"
      fi
      if [ "${vers%%.*}" = 1 ]; then
        warn "SMB の vers=$vers は古い版です。vers=3.0 以上にしてください"
      fi ;;
    *)
      ok "ファイルシステム: $fstype"
      return ;;
  esac
  if [[ $options == *,soft,* ]]; then
    warn "soft でマウントされています。サーバーが一時的に応えないと記録がエラーになります（hard に）"
  fi
}

check_sound() {
  if ! command -v pactl >/dev/null 2>&1; then
    warn "pactl がないためサウンドサーバーを確かめられません（pulseaudio-utils）"
    return
  fi
  local server
  server=$(LC_ALL=C pactl info 2>/dev/null | sed -n 's/^Server Name: //p')
  if [ -n "$server" ]; then
    ok "サウンドサーバー: $server"
  else
    warn "サウンドサーバーに接続できません。生徒のアカウントでログインした画面で確かめてください"
  fi
}

main() {
  check_only=0
  data_root=
  while [ $# -gt 0 ]; do
    case "$1" in
      --check) check_only=1 ;;
      --file) [ $# -ge 2 ] || usage; path_file=$2; program_parent=$(dirname "$(readlink -m "$2")"); shift ;;
      -h|--help) usage ;;
      -*) usage ;;
      *) [ -z "$data_root" ] || usage; data_root=$1 ;;
    esac
    shift
  done
  if [ "$check_only" = 1 ]; then
    [ -z "$data_root" ] || usage
  else
    [ -n "$data_root" ] || usage
  fi

  if [ "$check_only" = 0 ]; then
    write_path_file "$data_root"
  fi
  read_path_file

  echo "確認（$(id -un) として）: データフォルダ $data_root"
  if [ ! -d "$data_root" ]; then
    error "データフォルダがありません: $data_root"
  else
    for name in 共通データ.txt 新名簿.txt; do
      if [ -n "$(find_entry "$data_root" "$name")" ]; then ok "$name"; else error "$name がありません: $data_root"; fi
    done
    sounds=$(find_entry "$data_root" 音フォルダ)
    if [ -n "$sounds" ] && [ -n "$(find_entry "$sounds" 新音ファイル.txt)" ]; then
      ok "音フォルダ/新音ファイル.txt"
    else
      error "音フォルダ/新音ファイル.txt がありません: $data_root"
    fi
    data_folder="$data_root$program_folder_name"
    if [ ! -d "$data_folder" ]; then
      error "プログラムのデータフォルダがありません: $data_folder"
    else
      if [ -n "$(find_entry "$data_folder" タイム回数データ.txt)" ]; then ok "$program_folder_name/タイム回数データ.txt"; else error "タイム回数データ.txt がありません: $data_folder"; fi
      results=$(find_entry "$data_folder" 成績累積データ.dat)
      if [ -w "$data_folder" ]; then ok "$program_folder_name/ に書き込めます"; else error "$data_folder に書き込めません（$(id -un)）"; fi
      if [ -n "$results" ] && [ ! -w "$results" ]; then error "$results に書き込めません（$(id -un)）"; fi
      if [ -w "$data_folder" ]; then
        if msg=$("$libdir/soinsuu-lockcheck" "$data_folder" 2>&1); then ok "$msg"; else error "$msg"; fi
      fi
      check_mount "$data_folder"
    fi
  fi
  check_sound

  if [ "$errors" -gt 0 ]; then
    echo "エラー $errors 件、注意 $warnings 件。この機械ではまだ使えません。"
    exit 1
  fi
  echo "エラーなし（注意 $warnings 件）。"
  return 0
}

# Sourced, it only defines its checks (the package test judges mount options
# it cannot mount).
[ "${BASH_SOURCE[0]}" != "$0" ] || main "$@"
