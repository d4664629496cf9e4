#!/usr/bin/env bash
# Generates the system locales given as arguments (e.g. hu_HU.UTF-8) that are not there yet, so
# that Wine can take its regional settings from LC_ALL. Safe to run again: when every locale is
# there it changes nothing.
set -euo pipefail
missing=()
for name in "$@"; do
    # `locale -a` lists "hu_HU.utf8" for "hu_HU.UTF-8".
    normal=${name%.UTF-8}
    [[ $normal == "$name" ]] || normal+=.utf8
    locale -a 2>/dev/null | grep -qxF "$normal" || missing+=("$name")
done
((${#missing[@]})) || exit 0
sudo=""
[[ $(id -u) -eq 0 ]] || sudo=sudo
for name in "${missing[@]}"; do
    line="$name ${name##*.}"
    if grep -qE "^# *${name//./\\.} " /etc/locale.gen; then
        $sudo sed -i -E "s/^# *(${name//./\\.} .*)/\1/" /etc/locale.gen
    elif ! grep -qE "^${name//./\\.} " /etc/locale.gen; then
        echo "$line" | $sudo tee -a /etc/locale.gen >/dev/null
    fi
done
$sudo locale-gen >/dev/null
