#!/usr/bin/env bash
# One case of scripts/sim-run, run by CTest (tests/sim_run/CMakeLists.txt).
# Usage: sim_run_test.sh CASE BUILD_DIR CLIENT_EXE LATE_BOUND_CLIENT_EXE
set -euo pipefail
case_name=$1
build=$2
client=$3
late_bound_client=$4
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# The tests' server: sim-run uses it and leaves it running.
"$build/wine-run" --start

fail() {
  echo "FAILED: $*" >&2
  exit 1
}

# Runs sim-run; sets status, out and err (without carriage returns).
sim_run() {
  set +e
  out=$(bash "$root/scripts/sim-run" --build "$build" "$@" 2>"$work/stderr")
  status=$?
  set -e
  out=${out//$'\r'/}
  err=$(tr -d '\r' <"$work/stderr")
}

# Faulty descriptions: the text of mailbox.json, and the line sim-run prints
# instead of starting the program (FILE stands for the file, * for any text).
item='{"stores": [{"display_name": "S", "top_folder": {"items": [ITEM]}}]}'
declare -A description expected
description[unknown_member]='{"stores": [{"display_name": "S", "top_folder": {"folders": [{"nmae": "A"}]}}]}'
expected[unknown_member]='FILE: stores[0].top_folder.folders[0]: unknown member "nmae"'
description[bad_property_type]=${item/ITEM/'{"properties": [{"set": "PSETID_Task", "lid": 1, "type": "PT_FLOAT", "value": 1}]}'}
expected[bad_property_type]='FILE: stores[0].top_folder.items[0].properties[0].type: unknown property type PT_FLOAT (accepted: PT_I2, PT_LONG, *, PT_MV_UNICODE, or their numbers)'
description[bad_item_type]='{"stores": [{"display_name": "S", "top_folder": {"default_item_type": "mails"}}]}'
expected[bad_item_type]='FILE: stores[0].top_folder.default_item_type: unknown item type "mails" (accepted: mail, appointment, contact, task, journal, note, post, distribution_list, or a number)'
description[bad_hresult]='{"faults": [{"call": "MAPILogonEx", "hr": "MAPI_E_LOGON_FAILD"}]}'
expected[bad_hresult]='FILE: faults[0].hr: unknown HRESULT: MAPI_E_LOGON_FAILD (accepted: a number, * S_OK, S_FALSE, E_FAIL, *MAPI_E_LOGON_FAILED*)'
description[bad_json]='{"stores": [}'
expected[bad_json]='FILE: [json.exception.parse_error.101] parse error at line 1, column 13: *'
description[unknown_id]='{"stores": [], "explorer": {"selection": ["ghost"]}}'
expected[unknown_id]='FILE: explorer.selection[0]: no item has the id "ghost"'
expected[missing_description]='FILE: file not found'
description[missing_msg_file]=${item/ITEM/'{"msg_file": "missing.msg"}'}
expected[missing_msg_file]='FILE: stores[0].top_folder.items[0].msg_file: cannot read the .msg file: file not found: Z:*missing.msg'

case $case_name in
  plain_client)
    # From a folder of its own, away from the simulated mapi32.dll.
    mkdir "$work/elsewhere"
    cp "$client" "$work/elsewhere/client.exe"
    sim_run --report "$work/reports" "$work/elsewhere/client.exe"
    [ "$status" -eq 0 ] || fail "exit code $status: $err"
    [ "$out" = $'folder: Mailbox - Alice Martin\nfolder: Archive 2023\nfolder: Mailbox - Bob Chen\nstore: Mailbox - Alice Martin\nstore: Archive 2023' ] ||
      fail "unexpected output: $out"
    for report in outlook mapi; do
      grep -q '"unreleased_references": 0' "$work/reports/$report-report.json" ||
        fail "$report-report.json: $(cat "$work/reports/$report-report.json" 2>&1)"
    done
    grep -q '"MAPILogonEx": 1' "$work/reports/mapi-report.json" || fail "the client's logon did not reach mapi32.dll"
    ;;
  late_bound_local | late_bound_inproc)
    # Local times in a zone with summer time: Start (13:30Z in September) is
    # two hours ahead, End (15:00Z in December) one. Across processes the
    # failure's text comes back in Invoke's exception information, in-process
    # in the thread's error object.
    export TZ=Europe/Berlin
    if [ "$case_name" = late_bound_local ]; then
      sim_run --mode local --mailbox "$root/tests/sim_run/late_bound_mailbox.json" \
        "$late_bound_client" excepinfo
      not_served='PickFolder: 0x80020009 0x80004001'
    else
      sim_run --mode inproc --mailbox "$root/tests/sim_run/late_bound_mailbox.json" \
        "$late_bound_client" errorinfo
      not_served='PickFolder: 0x80020009 0x00000000'
    fi
    [ "$status" -eq 0 ] || fail "exit code $status: $err"
    expected_out="Start: VT_DATE 2024-09-20 15:30:00
End: VT_DATE 2024-12-20 16:00:00
Location: VT_BSTR Room 4B
SenderName: 0x80020006
$not_served The simulated Outlook does not serve _NameSpace.PickFolder"
    [ "$out" = "$expected_out" ] || fail "unexpected output: $out"
    ;;
  vbscript)
    export TZ=Europe/Berlin
    host=""
    for candidate in /usr/lib/x86_64-linux-gnu/wine/x86_64-windows /usr/lib/wine/x86_64-windows \
      /usr/lib64/wine/x86_64-windows; do
      [ -f "$candidate/cscript.exe" ] && host=$candidate/cscript.exe && break
    done
    [ -n "$host" ] || fail "Wine's cscript.exe not found"
    sim_run --mode local --mailbox "$root/tests/sim_run/late_bound_mailbox.json" --report "$work/reports" \
      "$host" "$(printf 'Z:%s' "${root//\//\\}/tests/sim_run/outlook_idioms.vbs")"
    [ "$status" -eq 0 ] || fail "exit code $status: $err"
    expected_out='User: Alice Martin
Store: Mailbox - Alice Martin
  Inbox (2)
    Q3 budget review
    Lunch on Friday?
  Sent Items (0)
  Deleted Items (0)
  Calendar (1)
    Budget meeting
Store: Archive 2023
  Inbox (1)
    Invoice 2023-118 (paid)
MAPIFolder: \\Mailbox - Alice Martin\Inbox
Selected: Q3 budget review from Daniel Okafor, 2024-09-16 09:42
Selected: Lunch on Friday? from Priya Raman, 2024-09-17 12:15
Meeting: Budget meeting in Room 4B, 2024-09-20 15:30 to 2024-12-20 16:00
Drafts: 8004010F The attempted operation failed. An object could not be found.'
    [ "$out" = "$expected_out" ] || fail "unexpected output: $out"
    grep -q '"unreleased_references": 0' "$work/reports/outlook-report.json" ||
      fail "outlook-report.json: $(cat "$work/reports/outlook-report.json" 2>&1)"
    ;;
  *)
    [ -n "${expected[$case_name]:-}" ] || fail "no case $case_name"
    file=$work/mailbox.json
    if [ -n "${description[$case_name]:-}" ]; then
      printf '%s' "${description[$case_name]}" >"$file"
    fi
    sim_run --mailbox "$file" "$client"
    [ "$status" -eq 125 ] || fail "exit code $status, not 125; stderr: $err"
    [ -z "$out" ] || fail "the program ran: $out"
    # As a pattern: every character literal but *.
    pattern=$(printf '%s' "${expected[$case_name]//FILE/$file}" | sed 's/\[/[[]/g; s/?/[?]/g')
    # shellcheck disable=SC2053
    [[ $err == "sim-run: "$pattern ]] || fail "stderr: $err"
    ;;
esac
echo "passed: $case_name"
