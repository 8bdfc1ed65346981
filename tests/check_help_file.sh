#!/bin/sh
# Checks the compiled help file: a CHM (signature ITSF) holding every topic and the contents, with its Chinese
# title in code page 936, the code page of the help viewer on the systems the program is localised for.
chm=$1
fail() { echo "help file: $*" >&2; exit 1; }
[ -s "$chm" ] || fail "missing: $chm"
[ "$(head -c 4 "$chm")" = "ITSF" ] || fail "not a compiled help file"
for topic in index list optimize commands options backup explorer cli install; do
    grep -q "/$topic.htm" "$chm" || fail "topic $topic.htm missing"
done
grep -q "Squozen.hhc" "$chm" || fail "contents missing"
# "帮助" in code page 936 is B0 EF D6 FA.
LC_ALL=C grep -q "$(printf '\260\357\326\372')" "$chm" || fail "the Chinese title is not in code page 936"
echo "help file: ok"
