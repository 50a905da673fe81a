#!/usr/bin/env bash
# Runs the built kelvanor-catalogue on real files and checks what it writes and how it ends.
#
# usage: catalogue_tool_test.sh CASE TOOL CATALOGUE.csv BUNDLED.mdb TEST_DATA_DIR
# Exit 0 when every check of CASE holds, 1 otherwise, 77 when a needed program is missing.
set -uo pipefail

case_name=$1 tool=$2 csv=$3 bundled=$4 data=$5
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0

fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}

# Runs the tool, keeping its output in $work/out and $work/err and its status in $status.
run() {
  "$tool" "$@" >"$work/out" 2>"$work/err"
  status=$?
}

expect_status() {
  [[ $status -eq $1 ]] || fail "$2: status $status, expected $1; stderr: $(cat "$work/err")"
}

expect_line() {  # FILE TEXT: TEXT must be one whole line of FILE
  grep -qxF -- "$2" "$1" || fail "missing line in $(basename "$1"): '$2'; got: $(cat "$1")"
}

expect_in() {  # FILE TEXT: TEXT must appear in FILE
  grep -qF -- "$2" "$1" || fail "missing text in $(basename "$1"): '$2'; got: $(cat "$1")"
}

# A failure is one line on stderr, prefixed with the tool's name, and nothing on stdout.
expect_one_line_error() {
  expect_status 1 "$1"
  [[ $(wc -l <"$work/err") -eq 1 ]] || fail "$1: error not on one line: $(cat "$work/err")"
  [[ $(cat "$work/err") == "kelvanor-catalogue : "* ]] || fail "$1: error without the tool's name"
  expect_in "$work/err" "$2"
  [[ ! -s "$work/out" ]] || fail "$1: output on failure: $(cat "$work/out")"
}

need() {
  command -v "$1" >/dev/null || { echo "$1 not installed"; exit 77; }
}

sql() {  # DB QUERY: the query's result, one row a line, fields split by |
  sqlite3 -batch "$1" "$2"
}

case_round_trip() {
  need sqlite3
  run convert "$csv" "$work/cat.db"
  expect_status 0 "convert"
  expect_line "$work/out" "64 noyaux écrits dans $work/cat.db"

  run export "$work/cat.db"
  expect_status 0 "export to stdout"
  cmp -s "$work/out" "$csv" || fail "export differs from the source: $(diff "$csv" "$work/out")"
  run export "$work/cat.db" "$work/again.csv"
  expect_status 0 "export to a file"
  cmp -s "$work/again.csv" "$csv" || fail "exported file differs from the source"

  # The columns carry numbers, not texts, so that the section bound compares numerically.
  [[ $(sql "$work/cat.db" "SELECT count(*) FROM EI WHERE typeof(SectionFer) || typeof(MasseFer) ||
        typeof(hautcu) || typeof(LargCu) || typeof(longspire) <> 'realrealrealrealreal'") == 0 ]] ||
    fail "numeric columns hold other values than reals"
  [[ $(sql "$work/cat.db" "SELECT name FROM sqlite_master WHERE type = 'index' ORDER BY name" |
       tr '\n' ' ') == "EI_MasseFer EI_SectionFer " ]] || fail "indexes on section and mass missing"
  [[ $(sql "$work/cat.db" "Select Ref from EI Where SectionFer >= 19.8 Order by Massefer LIMIT 1") \
     == "EI96/64" ]] || fail "lightest core of at least 19.8 cm² is not EI96/64"
  [[ $(sql "$work/cat.db" "Select MasseFer from EI Where Ref = 'EI84/35'") == 1.209 ]] ||
    fail "EI84/35 mass"
  [[ $(sql "$work/cat.db" "Select Ref from EI Where Ref = 'ei84/35'") == "EI84/35" ]] ||
    fail "reference look-up should ignore case"
}

case_bundled() {
  run check "$bundled"
  expect_status 0 "check of the bundled catalogue"
  expect_line "$work/out" "aucun problème : 64 noyaux utilisables"
  run export "$bundled"
  cmp -s "$work/out" "$csv" || fail "bundled catalogue differs from $csv"

  # Every row against the lamination geometry: tongue a = width / 3, window a/2 by 1.5 a,
  # scrapless iron volume 6 a² b, bobbin wall by size, mean turn around the tube.
  awk -F, '
    function near(x, y, tol) { return (x - y < tol && y - x < tol) }
    NR == 1 { if ($0 != "Ref,SectionFer,MasseFer,hautcu,LargCu,longspire") print "header: " $0; next }
    {
      split(substr($1, 3), part, "/"); width = part[1]; b = part[2]; a = width / 3
      wall = width <= 48 ? 1 : (width <= 96 ? 1.5 : 2)
      height = a / 2 - wall - 0.5
      if (!near($2, a * b / 100, 0.0051)) print $1 ": SectionFer " $2
      if (!near($3, 6 * a * a * b / 1000 * 7.65 * 0.96 / 1000, 0.00051)) print $1 ": MasseFer " $3
      if (!near($4, height, 0.051)) print $1 ": hautcu " $4
      if (!near($5, 1.5 * a - 2 * wall, 0.051)) print $1 ": LargCu " $5
      turn = (2 * (a + 2 * wall) + 2 * (b + 2 * wall) + 3.14159265358979 * height) / 10
      if (!near($6, turn, 0.051)) print $1 ": longspire " $6
      # Stacks of a, 1.25 a, 1.5 a and 2 a, rounded to whole millimetres, halves up.
      if (b != int(a + 0.5) && b != int(1.25 * a + 0.5) && b != int(1.5 * a + 0.5) &&
          b != int(2 * a + 0.5)) print $1 ": stack " b " for tongue " a
      if (NR > 2 && $3 + 0 < last + 0) print $1 ": not sorted by mass"
      last = $3
    }' "$csv" >"$work/geometry"
  [[ ! -s "$work/geometry" ]] || fail "rows off the geometry: $(cat "$work/geometry")"
  [[ $(cut -d, -f1 "$csv" | sort | uniq -d) == "" ]] || fail "duplicate references in $csv"
  [[ $(tail -n +2 "$csv" | cut -d, -f1 | sed 's|/.*||' | sort -u | tr '\n' ' ') == \
     "EI105 EI120 EI135 EI150 EI30 EI35 EI38 EI41 EI42 EI48 EI54 EI60 EI66 EI75 EI84 EI96 " ]] ||
    fail "the sixteen standard sizes are not all there"
}

case_overwrite() {
  run convert "$csv" "$work/cat.db"
  expect_status 0 "first convert"
  cp "$work/cat.db" "$work/before.db"
  run convert "$csv" "$work/cat.db"
  expect_one_line_error "convert over an existing file" "$work/cat.db existe déjà (--force"
  cmp -s "$work/cat.db" "$work/before.db" || fail "refused convert changed the file"
  run convert --force "$csv" "$work/cat.db"
  expect_status 0 "convert --force"

  # A failing conversion neither creates its target nor damages an existing one.
  printf 'Ref,SectionFer,MasseFer,hautcu,LargCu,longspire\nEI30/10,1,0.044,3.5,13,5.9\nX,1,a,2,3,4\n' \
    >"$work/broken.csv"
  run convert "$work/broken.csv" "$work/new.db"
  expect_one_line_error "broken conversion" "ligne 3 : nombre invalide « a » dans la colonne MasseFer"
  [[ ! -e "$work/new.db" ]] || fail "failed conversion left its target"
  cp "$work/cat.db" "$work/before.db"
  run convert "$work/broken.csv" "$work/cat.db" --force
  expect_status 1 "broken conversion with --force"
  cmp -s "$work/cat.db" "$work/before.db" || fail "failed --force conversion damaged the target"
  [[ -z $(find "$work" -name '*.tmp*') ]] || fail "temporary files left: $(ls "$work")"
}

case_bad_catalogue() {
  run check "$data/bad-catalogue.csv"
  expect_status 1 "check of the bad catalogue"
  expect_line "$work/out" "ligne 3, EI30/13 : SectionFer vide"
  expect_line "$work/out" "ligne 4, EI42/14 : MasseFer n'est pas un nombre « 0,121 »"
  expect_line "$work/out" "ligne 5, EI48/16 : SectionFer négatif ou nul (0)"
  expect_line "$work/out" "ligne 6, EI54/18 : MasseFer négatif ou nul (-0.257)"
  expect_line "$work/out" "ligne 7, ei30/10 : référence en double (déjà ligne 2)"
  expect_line "$work/out" "ligne 8, sans référence : Ref vide"
  expect_line "$work/out" "ligne 9, EI60'25 : longspire n'est pas un nombre « abc »"
  expect_line "$work/out" "7 lignes inutilisables sur 9"
  [[ $(wc -l <"$work/out") -eq 8 ]] || fail "sound rows reported: $(cat "$work/out")"

  # The same problems found in a converted SQLite catalogue, located by rowid.
  grep -v -e '0,121' -e abc "$data/bad-catalogue.csv" >"$work/convertible.csv"
  run convert "$work/convertible.csv" "$work/bad.db"
  expect_status 0 "convert of a catalogue with empty cells"
  run check "$work/bad.db"
  expect_status 1 "check of a converted bad catalogue"
  expect_line "$work/out" "rowid 2, EI30/13 : SectionFer vide"
  expect_line "$work/out" "rowid 3, EI48/16 : SectionFer négatif ou nul (0)"
  expect_line "$work/out" "rowid 4, EI54/18 : MasseFer négatif ou nul (-0.257)"
  expect_line "$work/out" "rowid 5, ei30/10 : référence en double (déjà rowid 1)"
  expect_line "$work/out" "rowid 6, sans référence : Ref vide"
  expect_line "$work/out" "5 lignes inutilisables sur 7"

  # The check judges references as the core-selection step does: accented letters fold with their
  # capitals, an apostrophe is looked up literally.
  printf 'Ref,SectionFer,MasseFer,hautcu,LargCu,longspire\n%s\n%s\n%s\n' \
    "étoile,1,0.1,3,13,6" "ÉTOILE,2,0.2,3,13,6" "O'NEIL,3,0.3,3,13,6" >"$work/chain.csv"
  run check "$work/chain.csv"
  expect_status 1 "check of accented duplicates"
  expect_line "$work/out" "ligne 3, ÉTOILE : référence en double (déjà ligne 2)"
  expect_line "$work/out" "1 ligne inutilisable sur 3"
  if command -v sqlite3 >/dev/null; then
    # A catalogue whose Ref compares case by case: the upper-cased look-up misses a small letter.
    sql "$work/binary.db" "CREATE TABLE EI (Ref TEXT, SectionFer, MasseFer, hautcu, LargCu, longspire);
      INSERT INTO EI VALUES ('ei30/10', 1, 0.044, 3.5, 13, 5.9), ('EI42/14', 2, 0.1, 5, 19, 8);"
    run check "$work/binary.db"
    expect_line "$work/out" "rowid 1, ei30/10 : introuvable par sa référence, choix manuel impossible"
    expect_line "$work/out" "1 ligne inutilisable sur 2"
  fi

  printf 'Ref,SectionFer,MasseFer,hautcu,LargCu,longspire\n' >"$work/empty.csv"
  run check "$work/empty.csv"
  expect_status 1 "check of an empty table"
  expect_line "$work/out" "la table EI est vide"
}

case_csv_input() {
  need sqlite3
  # Columns in another order and case, extra columns, quoting, CRLF, a byte-order mark, blanks.
  printf '\xEF\xBB\xBFlongspire,REF,Note,sectionfer,MASSEFER,LargCu,HautCu\r\n' >"$work/in.csv"
  printf '5.9,EI30/10,"Fer, silicium ""M6""",1,0.044,13,3.5\r\n' >>"$work/in.csv"
  printf ' 1e1 ,"EI""X",,+2.5,.5,"2",1\r\n' >>"$work/in.csv"
  printf '7,EI-ZERO,"deux\nlignes",1.50,0.0,,3\r\n\r\n\r\n' >>"$work/in.csv"
  run convert "$work/in.csv" "$work/in.db"
  expect_status 0 "convert of a reordered CSV"
  [[ $(sql "$work/in.db" "SELECT group_concat(name || ':' || type, ' ') FROM pragma_table_info('EI')") \
     == "Ref:TEXT SectionFer:REAL MasseFer:REAL hautcu:REAL LargCu:REAL longspire:REAL Note:TEXT" ]] ||
    fail "table layout: $(sql "$work/in.db" "SELECT name, type FROM pragma_table_info('EI')")"
  [[ $(sql "$work/in.db" "SELECT typeof(Note) || ',' || typeof(LargCu) FROM EI WHERE Ref = 'EI\"X'") \
     == "null,real" ]] || fail "empty cell not NULL or quoted number not a number"
  [[ $(sql "$work/in.db" "SELECT typeof(LargCu) FROM EI WHERE Ref = 'ei-zero'") == null ]] ||
    fail "empty numeric cell not NULL"
  run export "$work/in.db"
  expect_status 0 "export of the reordered catalogue"
  printf '%s\n' 'Ref,SectionFer,MasseFer,hautcu,LargCu,longspire,Note' \
    'EI30/10,1,0.044,3.5,13,5.9,"Fer, silicium ""M6"""' \
    '"EI""X",2.5,0.5,1,2,10,' \
    'EI-ZERO,1.5,0,3,,7,"deux' 'lignes"' >"$work/expected.csv"
  cmp -s "$work/out" "$work/expected.csv" || fail "export: $(diff "$work/expected.csv" "$work/out")"
  # The export reads back to the same catalogue.
  cp "$work/out" "$work/exported.csv"
  run convert "$work/exported.csv" "$work/again.db"
  run export "$work/again.db"
  cmp -s "$work/out" "$work/expected.csv" || fail "second round trip changed the catalogue"
}

case_errors() {
  local header='Ref,SectionFer,MasseFer,hautcu,LargCu,longspire'
  run show "$work/none.csv"
  expect_one_line_error "missing file" "Fichier catalogue introuvable : $work/none.csv"
  : >"$work/empty.csv"
  run show "$work/empty.csv"
  expect_one_line_error "empty file" "$work/empty.csv : fichier vide"
  printf 'Ref,SectionFer,MasseFer,LargCu\nA,1,2,3\n' >"$work/t.csv"
  run convert "$work/t.csv" "$work/t.db"
  expect_one_line_error "missing columns" "colonne manquante : hautcu, longspire"
  printf '%s,\nA,1,2,3,4,5,\n' "$header" >"$work/t.csv"
  run show "$work/t.csv"
  expect_one_line_error "unnamed column" "colonne sans nom en position 7"
  printf '%s,ref\nA,1,2,3,4,5,B\n' "$header" >"$work/t.csv"
  run check "$work/t.csv"
  expect_one_line_error "duplicate column" "colonne en double : ref"
  printf '%s\nA,1,2,3,4\n' "$header" >"$work/t.csv"
  run convert "$work/t.csv" "$work/t.db"
  expect_one_line_error "short row" "ligne 2 : 5 champs au lieu de 6"
  printf '%s\nA,1,2,3,4,5\n"B,1,2,3,4,5\n' "$header" >"$work/t.csv"
  run export "$work/t.csv"
  expect_one_line_error "open quote" "ligne 3 : guillemet non fermé"
  printf '%s\nA,1,2,3,4,5\nB,1,2,3,4,5 cm\n' "$header" >"$work/t.csv"
  run convert "$work/t.csv" "$work/t.db"
  expect_one_line_error "number with a unit" "ligne 3 : nombre invalide « 5 cm » dans la colonne longspire"
  [[ ! -e "$work/t.db" ]] || fail "failed conversion left its target"
  printf '\0\1\0\0Standard Jet DB\0\0\0\0' >"$work/old.mdb"
  run show "$work/old.mdb"
  expect_one_line_error "Access file" "old.mdb est endommagé ou tronqué"

  if command -v sqlite3 >/dev/null; then
    sql "$work/other.db" "CREATE TABLE cores (Ref TEXT)"
    run check "$work/other.db"
    expect_one_line_error "no table EI" "$work/other.db : pas de table EI"
    sql "$work/text.db" "CREATE TABLE EI (Ref, SectionFer, MasseFer, hautcu, LargCu, longspire);
      INSERT INTO EI VALUES ('EI30/10', '1', 0.044, 3.5, 13, 5.9), ('EI42/14', 'n/a', 0.1, 5, 19, 8);"
    run convert "$work/text.db" "$work/t.db"
    expect_one_line_error "text in a number column" \
      "valeur non numérique « n/a » dans la colonne SectionFer (référence « EI42/14 »)"
  fi

  for args in "" "frobnicate x" "convert $csv" "show" "show a b" "export a b c" \
              "check --force $csv" "convert -x $csv $work/t.db"; do
    # shellcheck disable=SC2086  # the words are meant to split
    run $args
    expect_status 2 "usage error for '$args'"
    expect_in "$work/err" "usage : kelvanor-catalogue convert [--force] ENTRÉE.csv SORTIE"
  done
  run --help
  expect_status 0 "--help"
  expect_in "$work/out" "usage : kelvanor-catalogue"
}

case_show() {
  run show "$bundled"
  expect_status 0 "show"
  expect_line "$work/out" "Ref        SectionFer  MasseFer  hautcu  LargCu  longspire"
  expect_line "$work/out" "EI84/35           9.8     1.209      12      39       17.6"
  expect_line "$work/out" "64 noyaux"
  [[ $(sed '$d' "$work/out" | awk '{ print length($0) }' | sort -u | wc -l) -eq 1 ]] ||
    fail "table rows of unequal width"
  [[ $(sed -n '2,65p' "$work/out" | awk '{ print $1 }') == $(tail -n +2 "$csv" | cut -d, -f1) ]] ||
    fail "cores not listed lightest first"

  # Sorting is done by the query, whatever the order of the file.
  printf 'Ref,SectionFer,MasseFer,hautcu,LargCu,longspire\nHEAVY,2,5,1,1,1\nLIGHT,1,0.5,1,1,1\n' \
    >"$work/t.csv"
  run show "$work/t.csv"
  [[ $(sed -n 2p "$work/out") == LIGHT* && $(sed -n 3p "$work/out") == HEAVY* ]] ||
    fail "show not ordered by mass: $(cat "$work/out")"
  expect_line "$work/out" "2 noyaux"
}

case_access() {
  need sqlite3
  local mdb="$data/catalogue-ei.mdb" single="$data/catalogue-ei-single.mdb"
  run show "$mdb"
  expect_status 0 "show of an Access file"
  [[ $(sed -n '2,7p' "$work/out" | awk '{ print $1 }' | tr '\n' ' ') == \
    "EI30 EI38 EI42 EI48 EI54 EI48L " ]] || fail "Access cores not by mass: $(cat "$work/out")"
  expect_line "$work/out" "25 noyaux"

  run check "$mdb"
  expect_status 0 "check of an Access file"

  # Access -> SQLite -> CSV gives the rows and values of Access -> CSV, singles included.
  for source in "$mdb" "$single"; do
    rm -f "$work/conv.db"
    run export "$source"
    cp "$work/out" "$work/direct.csv"
    run convert "$source" "$work/conv.db"
    expect_status 0 "convert $(basename "$source")"
    run export "$work/conv.db"
    cmp -s "$work/direct.csv" "$work/out" || fail "round trip differs for $(basename "$source")"
    # The same bound picks the same cores in both.
    [[ $(sql "$work/conv.db" "Select Ref from EI Where SectionFer >= 19.8 Order by Massefer" |
      head -2 | tr '\n' ' ') == "$(expected_bound_choice "$source")" ]] ||
      fail "converted $(basename "$source") chooses otherwise at 19.8"
  done
  expect_in "$work/direct.csv" "EI135,19.8,"
  [[ $(sql "$work/conv.db" "Select count(*) from EI where typeof(SectionFer) not in
    ('integer', 'real') or typeof(MasseFer) not in ('integer', 'real')") == 0 ]] ||
    fail "singles not stored as numbers"

  head -c 4096 "$mdb" >"$work/cut.mdb"
  run show "$work/cut.mdb"
  expect_one_line_error "truncated Access file" "cut.mdb"
  run convert "$data/catalogue-no-ei.mdb" "$work/noei.db"
  expect_one_line_error "Access file without EI" "EI"
  [[ ! -e "$work/noei.db" ]] || fail "a failed conversion left a file"
}

# The cores an Access fixture gives at the bound 19.8: its singles hold 19.7999992 for 19.8.
expected_bound_choice() {
  case $(basename "$1") in
    catalogue-ei.mdb) echo "EI135 EI120L " ;;
    *) echo "EI120L EI150 " ;;
  esac
}

"case_$case_name"
if [[ $failures -gt 0 ]]; then
  echo "$case_name: $failures failure(s)" >&2
  exit 1
fi
echo "$case_name: ok"
