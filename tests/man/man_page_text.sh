#!/usr/bin/env bash
# Renders each manual page to text, as a reader sees it, and checks what a lint of the source
# passes: double quotes that open and close in turn (a quoted list inside .Pq once rendered as
# ("Advantech, "Adlink"")), brackets that close within their paragraph, and no macro names left
# in the text by a macro that did not parse them.
# usage: man_page_text.sh PAGE...
set -euo pipefail

status=0
for page in "$@"; do
    # Without the overstrikes of bold and underline; the curly quotes as single bytes, for an awk
    # that counts bytes.
    text=$(mandoc -T utf8 "$page" | sed 's/.\x08//g; s/“/\x01/g; s/”/\x02/g')
    problems=$(awk '
        function report(what) {
            line = $0; gsub(/\001|\002/, "\"", line)
            printf "  line %d: %s: %s\n", NR, what, line; bad = 1
        }
        # A paragraph ends at an empty line.
        /^[[:space:]]*$/ {
            if (quoted) report("quote left open in the paragraph above")
            if (round != 0) report("parenthesis left open in the paragraph above")
            quoted = 0; round = 0; next
        }
        {
            n = split($0, chars, "")
            for (i = 1; i <= n; i++) {
                c = chars[i]
                if (c == "\001") { if (quoted) report("quote opened inside a quote"); quoted = 1 }
                else if (c == "\002") { if (!quoted) report("quote closed but not opened"); quoted = 0 }
                else if (c == "(") round++
                else if (c == ")") { if (--round < 0) { report("parenthesis closed but not opened"); round = 0 } }
            }
            if ($0 ~ /(^|[[:space:]])(Dq|Do|Dc|Pq|Po|Pc|Ql|Li|Ar|Cm|Fl|Ns|Nm|Xr|Pa|Ev)([[:space:]]|[,.;:]|$)/)
                report("macro name in the text")
        }
        END { if (quoted) report("quote left open at the end"); exit bad }
    ' <<<"$text" 2>&1) || true
    if [ -n "$problems" ]; then
        echo "$(basename "$page"):" >&2
        echo "$problems" >&2
        status=1
    fi
done
exit $status
