# The paragraph reflow of `quillmar-cli reflow` as a gawk program, the peer it is measured against.
# Reads UTF-8 text with CR LF or CR line ends; run it in a UTF-8 locale so that length() counts
# characters. A line that ends with an end mark, or is indented by 8 spaces, ends its paragraph; other
# lines are joined to the next; a short line stays on its own before an empty or indented line; a run
# of empty lines becomes one line break.
BEGIN {
    RS = "\r\n|\r"
    ORS = ""
}
{
    line = $0
    sub(/ +$/, "", line)
    if (afterShort) {
        afterShort = 0
        if (line == "")
            line = "\r\n\r\n"
        else if (line ~ /^  /)
            line = "\r\n" line
    }
    if (line == "") {
        if (!blankDone) {
            printf "\r\n"
            blankDone = 1
        }
        next
    }
    blankDone = 0
    if (line ~ /[。：）！…；》”’？」』】〗\]}.:)!;"'?-]$/)
        line = line "\r\n"
    else if (line !~ /\r\n$/) {
        if (line ~ /^        /)
            line = line "\r\n"
        else if (length(line) <= 12)
            afterShort = 1
    }
    printf "%s", line
}
