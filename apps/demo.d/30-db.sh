# Geographic database: a small file set with towns, a river and a BLOB, a box query and tidying.
DB="$WORK/austria"

step "Database: create one, add four towns and the Danube"
run db create "$DB"
run db add "$DB" town Wien 48.208,16.372 --class 1 --altitude 171
run db add "$DB" town Linz 48.306,14.286 --class 2
run db add "$DB" town Salzburg 47.800,13.045 --class 2
run db add "$DB" town Graz 47.071,15.439 --class 2
run db add "$DB" river Donau 48.574,13.457 48.306,14.286 48.230,15.330 48.208,16.372 48.144,17.111
run db set "$DB" --description "Austria, a few places" --revision 1
run db info "$DB"

step "Database: the items, then only those that meet a box around the Danube valley"
run db list "$DB"
run db box "$DB" 48.0 48.5 14.0 16.0

step "Database: the river's points, and a file kept as a BLOB"
run db points "$DB" 5
printf 'Notes on the Danube valley.\n' > "$WORK/notes.txt"
run db add-blob "$DB" "$WORK/notes.txt" --name notes --box 48.1,48.6,13.4,17.2
run db get-blob "$DB" 6 "$WORK/notes-back.txt"
cat "$WORK/notes-back.txt"

step "Database: delete Linz (the last item, the BLOB, takes its number 2)"
run db delete "$DB" 2
run db list "$DB"

step "Database: delete the BLOB too; its bytes stay in the data file until gc drops them"
run db delete "$DB" 2
printf 'data file before gc: %s bytes\n' "$(wc -c < "$DB.tyxgdd")"
run db gc "$DB"
printf 'data file after gc:  %s bytes (the 260-byte header and the 5 river points)\n' "$(wc -c < "$DB.tyxgdd")"
run db box "$DB" 47 49 9 18
