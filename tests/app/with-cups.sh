#!/usr/bin/env bash
# Runs a command against a CUPS server of its own: a private cupsd on a free
# port of the loopback, its configuration, spool and logs in a temporary
# folder, with one printer "SoinsuuPDF" on Debian's cups-pdf backend as the
# default. The spool keeps every job's files (what the program sent), so
# the command can read them back; SOINSUU_CUPS_SPOOL names that folder.
# cups-pdf writes its own PDFs to ~/PDF of the user who printed (its
# settings are the system's): SOINSUU_CUPS_PDF_OUT names that folder, and the
# files the command's jobs left there are removed afterwards.
set -euo pipefail
for tool in cupsd lpadmin lpstat; do
  command -v "$tool" >/dev/null 2>&1 || PATH="$PATH:/usr/sbin"
done
if [ ! -x /usr/lib/cups/backend/cups-pdf ] || ! command -v cupsd >/dev/null 2>&1; then
  echo "with-cups.sh: cups and printer-driver-cups-pdf are not installed" >&2
  exit 1
fi
root=$(mktemp -d "${TMPDIR:-/tmp}/soinsuu-cups.XXXXXX")
chmod 755 "$root"
mkdir -p "$root/etc/ppd" "$root/spool/tmp" "$root/cache" "$root/state" "$root/log" "$root/home"
chmod 710 "$root/spool"
chgrp lp "$root/spool" "$root/spool/tmp" 2>/dev/null || true
chmod 1770 "$root/spool/tmp"
port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])')
cat >"$root/etc/cupsd.conf" <<CONF
Listen 127.0.0.1:$port
Listen $root/cups.sock
LogLevel warn
Browsing No
PreserveJobFiles Yes
PreserveJobHistory Yes
MaxJobs 0
<Location />
  Order allow,deny
  Allow localhost
</Location>
<Location /admin>
  Order allow,deny
  Allow localhost
</Location>
CONF
cat >"$root/etc/cups-files.conf" <<CONF
ServerRoot $root/etc
RequestRoot $root/spool
TempDir $root/spool/tmp
CacheDir $root/cache
StateDir $root/state
ErrorLog $root/log/error_log
AccessLog $root/log/access_log
PageLog $root/log/page_log
SystemGroup root lpadmin
Sandboxing Relaxed
CONF
cupsd -f -c "$root/etc/cupsd.conf" -s "$root/etc/cups-files.conf" &
pid=$!
out="$(getent passwd "$(id -un)" | cut -d: -f6)/PDF"
mkdir -p "$out"
ls -A "$out" >"$root/before"
cleanup() {
  kill "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
  ls -A "$out" | grep -vxF -f "$root/before" | while IFS= read -r f; do rm -f -- "$out/$f"; done || true
  rm -rf "$root"
}
trap cleanup EXIT
# Over the local socket root is known to cupsd without a password.
export CUPS_SERVER="$root/cups.sock"
running() { lpstat -r 2>/dev/null | grep -q 'is running'; }
for _ in $(seq 100); do running && break; sleep 0.1; done
if ! running; then
  echo "with-cups.sh: the private cupsd did not start" >&2
  cat "$root/log/error_log" >&2 || true
  exit 1
fi
lpadmin -p SoinsuuPDF -E -v cups-pdf:/ -P /usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd 2>&1 | grep -v deprecated >&2 || true
lpadmin -d SoinsuuPDF
export SOINSUU_CUPS_SPOOL="$root/spool"
export SOINSUU_CUPS_PDF_OUT="$out"
export HOME="$root/home"
set +e
"$@"
rc=$?
set -e
if [ "$rc" -ne 0 ]; then
  echo "--- cupsd error log ---" >&2
  tail -n 40 "$root/log/error_log" >&2 || true
fi
exit "$rc"
