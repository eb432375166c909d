# Turns a wizard scenario into the demo's: a picture of each page it passes,
# taken just before the step that leaves the page (so the page shows what
# the scenario checked), and the checks of English page texts turned into
# the same texts of the demo's language.
#
#   awk -v en=lang/en/strings.txt -v lang=lang/<code>/strings.txt \
#       -f tools/demo-scenario.awk SCENARIO
# Pictures go to ${KIV_SHOT_DIR}\<order>-<page>.bmp.
BEGIN {
    FS = "\t"
    while ((getline line < en) > 0) {
        split(line, f, "\t")
        english[f[2]] = f[1]
    }
    while ((getline line < lang) > 0) {
        split(line, f, "\t")
        translated[f[1]] = f[2]
    }
    FS = " "
    shots = 0
}

function picture() {
    if (pending == "")
        return
    print "sleep 300"
    print "shot ${KIV_SHOT_DIR}\\" ++shots "-" pending ".bmp"
    pending = ""
}

# The text after the first n words of the step, or the step itself.
function translate(n,    i, head, text) {
    head = $1
    for (i = 2; i <= n; i++)
        head = head " " $i
    text = substr($0, length(head) + 2)
    if (text in english && english[text] in translated)
        return head " " translated[english[text]]
    return $0
}

$1 == "page" || $1 == "click" || $1 == "gone" || $1 == "close" || $1 == "escape" || $1 == "exit" {
    picture()
}
$1 == "text" || $1 == "contains" { print translate(2); next }
$1 == "cell" { print translate(4); next }
{ print }
$1 == "page" { pending = $2 }
END { picture() }
