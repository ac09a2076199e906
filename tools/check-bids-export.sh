#!/bin/sh
# Exports the committed fixture runs with `tavelin2 --export-bids` and checks
# the dataset with the official BIDS validator (npm bids-validator@1.15.0,
# installed once under third_party/downloads, shared by the build trees). Also checks that a broken
# input makes the command fail and leaves the dataset as it was.
#
#   check-bids-export.sh TAVELIN2 FIXTURES_DIR VALIDATOR_PREFIX
#
# Exit 77 (skipped) when the validator cannot be installed on this machine
# (no npm, no network); with CI set in the environment that is a failure.
set -eu
program=$1
fixtures=$2
prefix=$3
version=1.15.0
validator="$prefix/node_modules/bids-validator/bin/bids-validator"

unavailable() {
  echo "bids-validator@$version is not available: $1" >&2
  if [ -n "${CI:-}" ]; then exit 1; fi
  echo "SKIPPED: the BIDS validator could not be installed here ($1)"
  exit 77
}

installed_version() {
  node "$validator" --version 2>/dev/null || true
}

if [ "$(installed_version)" != "$version" ]; then
  command -v node >/dev/null 2>&1 || unavailable "node is not installed (tools/install-deps.sh installs nodejs)"
  command -v npm >/dev/null 2>&1 || unavailable "npm is not installed (tools/install-deps.sh installs npm)"
  mkdir -p "$prefix"
  echo "installing bids-validator@$version into $prefix"
  if ! npm install --prefix "$prefix" --no-audit --no-fund --loglevel=error \
      "bids-validator@$version" >"$prefix/npm-install.log" 2>&1; then
    tail -n 20 "$prefix/npm-install.log" >&2
    unavailable "npm install failed (see $prefix/npm-install.log)"
  fi
  [ "$(installed_version)" = "$version" ] || unavailable "the installed validator does not run"
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$fixtures"/* "$work/"
stem=P-01_20240611_101500
# A second run of the same subject half an hour later, without timing file and
# run record, and a run of a subject typed in Japanese on the Windows version
# (Shift-JIS bytes in the rows).
LC_ALL=C sed 's/10:15:00/10:45:00/' "$work/$stem.csv" >"$work/P-01_20240611_104500.csv"
cp "$work/${stem}_B.csv" "$work/P-01_20240611_104500_B.csv"
sjis=$(printf '\224\355\214\261\216\322')
LC_ALL=C sed "s/^P-01,2024\/06\/11,10:15:00/$sjis,2024\/06\/12,09:00:00/" "$work/$stem.csv" \
  >"$work/sjis_20240612_090000.csv"
cp "$work/${stem}_B.csv" "$work/sjis_20240612_090000_B.csv"

# Every file of every run on the command line, as a shell glob gives them.
"$program" --export-bids "$work/bids" "$work"/*.csv "$work"/*.json

node "$validator" --json "$work/bids" >"$work/report.json" || true
node -e '
  const report = JSON.parse(require("fs").readFileSync(process.argv[1], "utf8"));
  const show = (kind, list) => list.forEach((i) =>
    console.log(`${kind}: ${i.key}: ${i.reason}` +
                (i.files || []).slice(0, 3).map((f) => `\n    ${f.file ? f.file.relativePath : ""}`).join("")));
  show("ERROR", report.issues.errors);
  show("warning", report.issues.warnings);
  console.log(`bids-validator: ${report.issues.errors.length} error(s), ${report.issues.warnings.length} warning(s)`);
  process.exit(report.issues.errors.length === 0 ? 0 : 1);
' "$work/report.json"

# A broken body file: exit status 1, the file named, the dataset unchanged.
before=$(cd "$work/bids" && find . -type f -exec md5sum {} + | sort)
sed 's/10:15:00/11:15:00/' "$work/$stem.csv" >"$work/P-01_20240611_111500.csv"
printf 'Count,Clock\r\n' >"$work/P-01_20240611_111500_B.csv"
status=0
"$program" --export-bids "$work/bids" "$work/P-01_20240611_111500.csv" 2>"$work/err.txt" || status=$?
[ "$status" -eq 1 ] || { echo "broken input: exit status $status, expected 1" >&2; exit 1; }
grep -q "P-01_20240611_111500_B.csv" "$work/err.txt" || { cat "$work/err.txt" >&2; exit 1; }
after=$(cd "$work/bids" && find . -type f -exec md5sum {} + | sort)
[ "$before" = "$after" ] || { echo "broken input changed the dataset" >&2; exit 1; }
echo "broken input: exit 1, dataset unchanged"
