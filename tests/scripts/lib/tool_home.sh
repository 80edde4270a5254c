# Sourced by the tool scripts (not a test itself): a throw-away store root and working folder for
# the tool given as the script's first argument, and the certificates the scripts sign with.
tool=$1
work=$(mktemp -d)
trap 'chmod -R u+w "$work"; rm -rf "$work"' EXIT
export CORVANE_HOME=$work/home CORVANE_UI=script CORVANE_UI_LOG=$work/ui.log LC_ALL=C.UTF-8
unset CORVANE_UI_CHOICES
fail() { echo "FAIL: $*"; exit 1; }
cd "$work"

# self_signed NAME SUBJECT [SERIAL]: NAME.pem and NAME.key, an RSA certificate valid for 30 days.
self_signed() {
  openssl req -x509 -newkey rsa:2048 -nodes -keyout "$1.key" -out "$1.pem" -days 30 \
    ${3:+-set_serial "$3"} -subj "$2" 2>/dev/null
}

# A CA named as the fixed issuer text in ROOT, and user.pem (serial 00C0FFEE) it issued with its
# key in MY.
import_fixed_issuer_user() {
  self_signed ca "/CN=QDRA/OU=config/O=Ostrevalia" 1
  openssl req -newkey rsa:2048 -nodes -keyout user.key -out user.csr -subj "/CN=Tool User" 2>/dev/null
  openssl x509 -req -in user.csr -CA ca.pem -CAkey ca.key -set_serial 0x00C0FFEE -days 30 \
    -out user.pem 2>/dev/null
  "$tool" store import ROOT ca.pem >/dev/null
  "$tool" store import MY user.pem user.key >/dev/null
}
