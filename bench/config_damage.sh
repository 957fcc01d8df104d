#!/usr/bin/env bash
# How often a damaged .qx7 file is refused when it is loaded. Two files are
# written with qx7ctl config new: a settings-only policy, and one that also
# sets both passwords and an administrator RFID tag. For each file every one
# of its 2560 bits is flipped in turn, once in the file itself (which
# scrambles the 16-byte block the bit is in) and once in the deciphered
# bytes (enciphered again), and `qx7ctl config show` loads the result.
# Prints, per 16-byte block (file flips) and per field (deciphered flips),
# how many of the flips were refused. It runs qx7ctl about 10,000 times
# (about 10 minutes of processor time).
#
#   bench/config_damage.sh [BUILD_DIR]     (default build/default)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/default}
qx7ctl="$build/src/cli/qx7ctl"
if [ ! -x "$qx7ctl" ]; then
    echo "bench: $qx7ctl is missing; build first (scripts/test.sh builds build/default)" >&2
    exit 1
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The file key: SHA-256 of the program's fixed pass phrase.
key=$(printf '%s' 'Lantern Harbor Cfg Phrase. WX42Q' | openssl dgst -sha256 -r | cut -c1-64)
cipher() { openssl enc "$1" -aes-256-ecb -K "$key" -nopad -in "$2" -out "$3"; }

# Copies FILE to OUT with bit BIT (0-7) of byte AT flipped.
flip() {
    local file=$1 at=$2 bit=$3 out=$4 byte
    cp "$file" "$out"
    byte=$(od -An -tu1 -j "$at" -N1 "$file" | tr -d ' ')
    printf "\\$(printf '%03o' $((byte ^ (1 << bit))))" | dd of="$out" bs=1 seek="$at" conv=notrunc status=none
}

# 1 when qx7ctl refuses FILE, else 0.
refused() { if "$qx7ctl" config show "$1" >/dev/null 2>&1; then echo 0; else echo 1; fi; }

# Field regions of the deciphered file: first byte, last byte, name.
regions="0 19 header
20 35 reserved_header
36 39 change_mask
40 71 current_admin_password
72 103 new_admin_password
104 107 new_admin_password_length
108 139 new_user_password
140 143 settings.policy_flags
144 147 settings.reserved_4
148 149 settings.self_destruct_limit
150 151 settings.reserved_10
152 152 settings.active_language
153 154 settings.admin/user_language
155 155 settings.reserved_15
156 156 settings.min_password_length
157 157 settings.password_char_class
158 163 settings.reserved_18-23
164 165 settings.auto_lock_delay
166 175 settings.reserved_26
176 179 settings.block_menu_mask
180 187 settings.reserved_40
188 191 settings.setup_id
192 286 tags_by_slot
287 287 reserved_287
288 299 admin_tag_1-3
300 300 tag_count
301 303 reserved_301
304 319 trailer"

measure() {
    local name=$1 file=$2 plain="$work/plain" flipped="$work/flipped" enc="$work/enc"
    [ "$(stat -c %s "$file")" = 320 ] || { echo "bench: config new did not write $file" >&2; exit 1; }
    [ "$(refused "$file")" = 0 ] || { echo "bench: $file itself is refused" >&2; exit 1; }
    cipher -d "$file" "$plain"

    echo "== $name: a bit flipped in the file (its 16-byte block scrambled)"
    local block at bit total=0 all=0 count
    for ((block = 0; block < 20; block++)); do
        count=0
        for ((at = block * 16; at < block * 16 + 16; at++)); do
            for ((bit = 0; bit < 8; bit++)); do
                flip "$file" "$at" "$bit" "$flipped"
                count=$((count + $(refused "$flipped")))
            done
        done
        printf '  block %2d (bytes %3d-%3d): %3d of 128 refused\n' "$block" $((block * 16)) $((block * 16 + 15)) "$count"
        total=$((total + count)); all=$((all + 128))
    done
    printf '  all blocks: %d of %d refused (%d%%)\n' "$total" "$all" $((100 * total / all))

    echo "== $name: a bit flipped in the deciphered bytes"
    local first last field bits
    total=0
    while read -r first last field; do
        count=0; bits=$(((last - first + 1) * 8))
        for ((at = first; at <= last; at++)); do
            for ((bit = 0; bit < 8; bit++)); do
                flip "$plain" "$at" "$bit" "$flipped"
                cipher -e "$flipped" "$enc"
                count=$((count + $(refused "$enc")))
            done
        done
        printf '  %-34s %4d of %4d refused\n' "$field (${first}-${last})" "$count" "$bits"
        total=$((total + count))
    done <<<"$regions"
    printf '  all bits: %d of 2560 refused\n' "$total"
}

form() { printf '%s' "$1" >"$work/form.json"; "$qx7ctl" config new "$work/$2" --form "$work/form.json" >/dev/null; }
settings='"current_password":"QX7ADMIN","change_settings":true,"self_destruct":"enable","self_destruct_counter":30,
"virtual_cd":"disable","strong_password":"enable","min_password_length":10,"random_keypad":"disable",
"key_tone":"enable","admin_language":"English","user_language":"French","centrawatch":"disable",
"centrawatch_admin_mode":false,"read_only":"disable","auto_lock":"enable","auto_lock_delay":150,
"extended_options_mask":6148'
form "{$settings,\"rfid\":\"disable\"}" settings.qx7
form "{$settings,\"rfid\":\"enable\",\"change_rfid_tag_data\":true,\"tags\":[\"04A1B2C3\"],\"admin_tags\":[1],
\"change_admin_password\":true,\"new_admin_password\":\"NEWADMIN22\",
\"change_user_password\":true,\"new_user_password\":\"USERPASS55X\"}" everything.qx7

measure "settings only" "$work/settings.qx7"
measure "both passwords and an administrator tag" "$work/everything.qx7"
