#!/usr/bin/env bash
# Velmora from the shell: one call with `velmora call`, a session of requests with
# `velmora run` (docs/protocol.md), errors by exit status.
#
#   VELMORA_LANGUAGE=zh-CN examples/shell/tour.sh
set -euo pipefail
velmora=${VELMORA:-velmora}

# One call: the first line is the result as typed JSON, then one line per by-reference
# argument as the call left it.
echo "== velmora call LittleToBig 1234.56"
"$velmora" call LittleToBig 1234.56

# Text goes in JSON quotes; the value alone is cut out of the typed result with sed.
amount=$("$velmora" call sMoneyFormat 1234567.891 | head -1 | sed 's/.*"value":"\(.*\)"}$/\1/')
echo "== sMoneyFormat: $amount"

# A failed call exits with status 1 and says why on standard error.
if ! "$velmora" call MidEx '"abc"' 0 1 2>"${TMPDIR:-/tmp}/velmora-tour-error.$$"; then
  echo "== MidEx failed: $(cat "${TMPDIR:-/tmp}/velmora-tour-error.$$")"
fi
rm -f "${TMPDIR:-/tmp}/velmora-tour-error.$$"

# A session: requests in, one answer per request out, in order. Comment lines are skipped.
echo "== velmora run"
"$velmora" run <<'REQUESTS'
# a toolbox object, bound to the name cf
{"id": "create", "create": "Velmora.CCommonFunction", "as": "cf"}
# by reference: the variable "pos" moves on with each part
{"let": "list", "value": "1001, 1002"}
{"let": "pos", "value": {"type": "i2", "value": 1}}
{"id": "part", "call": "bGetNextPart", "on": "cf", "args": [{"var": "list"}, {"var": "part"}, {"var": "pos"}]}
# a message box answered by the script (7 is No), shown by the suite's box object; the
# library's own boxes (iShowMsg) are answered from the same queue
{"create": "Ostrel.MsgBox", "as": "box"}
{"msgbox": [7]}
{"id": "ask", "call": "ShowMsgBox", "on": "box", "args": ["Post voucher 17?", 36, "Vouchers", "", 0]}
# errors are answers too; the session goes on
{"id": "bad", "call": "NoSuchMember", "on": "cf"}
REQUESTS
