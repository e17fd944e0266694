#!/usr/bin/env bash
# The package test: Debian's own tools in the order a maintainer runs them. reprotest builds the
# packages twice and diffoscope shows any difference; blhc reads the first build's log; lintian
# judges the packages; autopkgtest runs debian/tests against them installed here (as root), and
# they are purged again. Usage: test-package.sh <source-dir>. Exits 77, counted as skipped by
# CTest, when a tool is missing or a part cannot run here; any failure still exits 1.
set -euo pipefail
source=$(cd "$1" && pwd)
skip() { echo "SKIP: $*"; exit 77; }
for tool in dpkg-buildpackage reprotest diffoscope faketime disorderfs blhc lintian autopkgtest; do
    command -v "$tool" >/dev/null || skip "no $tool (scripts/setup.sh test installs it)"
done
[ -f /usr/share/i18n/locales/et_EE ] || skip "no locale sources (scripts/setup.sh test installs it)"
# reprotest's first build always runs with address randomisation off, which some containers forbid.
setarch "$(uname -m)" -R true 2>/dev/null || skip "setarch cannot switch address randomisation off"

scratch=$(mktemp -d "${TMPDIR:-/tmp}/ondrix_package_XXXXXX")
trap 'rm -rf "$scratch"' EXIT
failures=0 skipped=
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# The source as scripts/package.sh takes it, without build trees or git, and its source package.
mkdir "$scratch/ondrix"
tar -C "$source" --anchored --exclude='./build*' --exclude=./.git --exclude=./.cache -cf - . \
    | tar -C "$scratch/ondrix" -xf -
(cd "$scratch" && dpkg-source -b ondrix >/dev/null)

## Reproducible: every variation that works here. Estonian sorts letters unlike English; its locale
# is made in the scratch folder, and LOCPATH hands it to the varied build.
mkdir "$scratch/locale"
localedef -i et_EE -f UTF-8 "$scratch/locale/et_EE.UTF-8" 2>/dev/null || true
[ "$(LOCPATH=$scratch/locale LC_ALL=et_EE.UTF-8 locale charmap 2>/dev/null)" = UTF-8 ] \
    || { echo "FAIL: localedef made no et_EE.UTF-8 locale"; exit 1; }
vary=(-user_group locales.locale=et_EE.UTF-8
    "environment.variables+=LOCPATH=$(sed 's/[][\\.*^$+?(){}|]/\\&/g' <<<"$scratch/locale")")
left_out=("user_group: reprotest 0.7.23 calls 'sudo -h localhost', which Debian 12's sudo refuses")
probe() { "${@:3}" >/dev/null 2>&1 || { vary+=("-$1"); left_out+=("$1: $2"); }; }
mkdir "$scratch/fuse-a" "$scratch/fuse-b"
probe fileordering "disorderfs cannot mount, no FUSE" \
    sh -c "disorderfs -q '$scratch/fuse-a' '$scratch/fuse-b' && fusermount -u '$scratch/fuse-b'"
probe kernel "setarch cannot change the kernel's name" setarch "$(uname -m)" --uname-2.6 true
probe domain_host "unshare cannot make a host name namespace" unshare -r --uts true
printf 'reprotest leaves out %s\n' "${left_out[@]}"
# The second build's checkout is also older than the changelog and readable by its owner only.
aging="case \$PWD in */build-experiment-*) find . -exec touch -h -d '2001-09-09 01:46:40 UTC' \
{} + && chmod -R go-rwx . ;; esac"
build='dpkg-buildpackage --no-sign -b -jauto >../ondrix.build 2>&1'
build+=' || { tail -n 60 ../ondrix.build; exit 1; }'
store=$scratch/store
if ! reprotest --verbosity 1 --store-dir "$store" --vary="$(IFS=,; echo "${vary[*]}")" \
    --testbed-build-pre "$aging" --diffoscope-arg=--exclude=ondrix.build -c "$build" \
    "$scratch/ondrix" '../*.*deb ../ondrix.build' -- null >"$scratch/reprotest.log" 2>&1; then
    cat "$scratch/reprotest.log"
    for made in control experiment-1; do
        compgen -G "$store/$made/*.deb" >/dev/null || { echo "FAIL: the $made build failed"; exit 1; }
    done
    fail "reprotest: the two builds differ"
fi
sed -n '/^Reproduction successful/,$p' "$scratch/reprotest.log"
debs=("$store"/control/*.*deb)

## Hardened: blhc on the first build's log, with Debian's GCC making PIE by itself.
log=$store/control/ondrix.build
blhc --all --debian "$log" || fail "blhc: commands without dpkg-buildflags' flags"
# Our own warnings stay errors in the package build too. (moc's -dM -E run compiles nothing.)
grep -E '/usr/bin/c\+\+ .* -c ' "$log" | grep -v -e ' -E ' -e ' -Werror ' && fail "no -Werror there"

## Debian's judge on the source package and both binary packages
mkdir "$scratch/tmp"
TMPDIR=$scratch/tmp lintian --tag-display-limit 0 "$scratch"/ondrix_*.dsc "${debs[@]}" \
    >"$scratch/lintian.log" 2>&1 || fail "lintian failed"
grep -E '^[EW]: ' "$scratch/lintian.log" && fail "lintian reports errors or warnings"
echo "lintian: $(grep -c '^[A-Z]: ' "$scratch/lintian.log") tags on the source and both packages"

## The installed packages, by their own tests
known=$(dpkg-query -W -f='${db:Status-Status} ' ondrix ondrix-dbgsym 2>/dev/null || true)
if [ "$(id -u)" -ne 0 ]; then
    skipped="autopkgtest installs the packages and needs root"
elif [[ ${known//not-installed/} =~ [a-z] ]]; then
    skipped="dpkg already knows an ondrix package here; purge it to let the test install its own"
else
    trap 'apt-get purge -y -qq ondrix ondrix-dbgsym >/dev/null 2>&1; rm -rf "$scratch"' EXIT
    autopkgtest --summary="$scratch/summary" "${debs[@]}" "$scratch/ondrix/" -- null \
        >"$scratch/autopkgtest.log" 2>&1 && status=0 || status=$?
    if ((status == 0 || status == 2)); then
        cat "$scratch/summary"
    else
        cat "$scratch/autopkgtest.log"
        fail "autopkgtest ended with status $status"
    fi
    ((status != 2)) || skipped="autopkgtest skipped a test"
fi

((failures == 0)) || { echo "$failures check(s) failed"; exit 1; }
[ -z "$skipped" ] || { echo "SKIP: $skipped"; exit 77; }
echo "package checks passed"
