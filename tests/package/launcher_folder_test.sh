#!/bin/sh
# The menu launcher's data folder ~/Tavelin2 holds children's data: made for
# the user alone whatever the umask; one an older launcher left open to every
# account loses that, while a group the lab gave it stays.
# Usage: launcher_folder_test.sh <res/tavelin2-desktop.sh>
set -eu
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
mkdir -p "$scratch/lib/tavelin2" "$scratch/bin"
cp "$1" "$scratch/lib/tavelin2/tavelin2-desktop"
# Stands in for the program: says where it was started.
printf '#!/bin/sh\npwd > "$HOME/started_in"\n' > "$scratch/bin/tavelin2"
chmod +x "$scratch/bin/tavelin2"

failed=0
# umask | mode of a folder already there ("-": none) | mode afterwards
for case in "000|-|700" "022|-|700" "022|755|750" "022|777|770" "022|750|750"; do
  IFS='|' read -r mask before expected <<EOT
$case
EOT
  home="$scratch/home-$mask-$before"
  mkdir -p "$home"
  if [ "$before" != "-" ]; then
    mkdir "$home/Tavelin2"
    chmod "$before" "$home/Tavelin2"
  fi
  (umask "$mask" && HOME="$home" sh "$scratch/lib/tavelin2/tavelin2-desktop")
  mode=$(stat -c %a "$home/Tavelin2")
  where=$(cat "$home/started_in")
  if [ "$mode" != "$expected" ] || [ "$where" != "$home/Tavelin2" ]; then
    echo "umask $mask, folder before $before: mode $mode (want $expected), started in $where"
    failed=1
  fi
done
exit "$failed"
