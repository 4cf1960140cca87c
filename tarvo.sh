#!/usr/bin/env bash
# Builds Tarvo into build/ and starts it (run) or runs every test (test).
# Installs the missing Debian packages first, as root or through sudo.
set -euo pipefail
cd "$(dirname "$0")"

PACKAGES=(
    g++ cmake ninja-build pkg-config ccache
    qt6-base-dev qt6-serialport-dev libgl-dev qt6-translations-l10n
    qt6-multimedia-dev gstreamer1.0-plugins-base gstreamer1.0-plugins-good
    qt6-webengine-dev xvfb
    libreoffice-calc-nogui libreoffice-dev fonts-liberation poppler-utils
    python3 libqt6sql6-psql postgresql libsodium-dev libmodbus-dev
)

install_missing() {
    local missing=()
    for p in "${PACKAGES[@]}"; do
        if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
            missing+=("$p")
        fi
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing: ${missing[*]}"
    local sudo=()
    [ "$(id -u)" -ne 0 ] && sudo=(sudo)
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -q
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}"
}

# build [target...]: the named targets, or everything. Warnings are errors
# here (the developers' build); a plain cmake build leaves them warnings.
build() {
    local launcher=()
    command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
    cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTARVO_WERROR=ON "${launcher[@]}" >/dev/null
    if [ $# -gt 0 ]; then
        cmake --build build --parallel "$(nproc)" --target "$@"
    else
        cmake --build build --parallel "$(nproc)"
    fi
}

# The demo's central database: a cluster of its own in build/demo, run by
# an unprivileged user (PostgreSQL refuses root), on a local port only; the
# demo installation is set up to mirror its cards into it.
pg_bin() { ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -n 1; }
as_db_user() {
    if [ "$(id -u)" -eq 0 ]; then
        setpriv --reuid=nobody --regid=nogroup --clear-groups "$@"
    else
        "$@"
    fi
}
start_demo_central() {
    local demo=$1 bin pgdir base
    bin=$(pg_bin)
    pgdir=$(pwd)/$demo/central-db
    demo_pg_ctl=("$bin/pg_ctl" -D "$pgdir/data" -w)
    mkdir -p "$pgdir"
    [ "$(id -u)" -eq 0 ] && chown nobody:nogroup "$pgdir"
    if [ ! -d "$pgdir/data" ]; then
        printf 'demo' >"$pgdir/pw"
        [ "$(id -u)" -eq 0 ] && chown nobody:nogroup "$pgdir/pw"
        (cd "$pgdir" && as_db_user "$bin/initdb" -D "$pgdir/data" -U tarvo --pwfile="$pgdir/pw" \
            --auth=scram-sha-256 --no-locale -E UTF8 >"$pgdir/initdb.log")
    fi
    (cd "$pgdir" && as_db_user "${demo_pg_ctl[@]}" -l "$pgdir/server.log" \
        -o "-p 55432 -c listen_addresses=127.0.0.1 -c unix_socket_directories=''" start >/dev/null)
    PGPASSWORD=demo "$bin/psql" -h 127.0.0.1 -p 55432 -U tarvo -d postgres -qtAc \
        "SELECT 1 FROM pg_database WHERE datname = 'tarvo'" | grep -q 1 ||
        PGPASSWORD=demo "$bin/createdb" -h 127.0.0.1 -p 55432 -U tarvo tarvo
    # The office's read-only user, as the README sets it up.
    PGPASSWORD=demo "$bin/psql" -h 127.0.0.1 -p 55432 -U tarvo -d tarvo -qtAc \
        "SELECT 1 FROM pg_roles WHERE rolname = 'tarvo_office'" | grep -q 1 ||
        PGPASSWORD=demo "$bin/psql" -h 127.0.0.1 -p 55432 -U tarvo -d tarvo -q \
            -c "CREATE ROLE tarvo_office LOGIN PASSWORD 'office'" \
            -c "GRANT CONNECT ON DATABASE tarvo TO tarvo_office" \
            -c "ALTER DEFAULT PRIVILEGES FOR ROLE tarvo IN SCHEMA public GRANT SELECT ON TABLES TO tarvo_office"
    # Every start: a demo database of an older version gets the newer tables too.
    PGPASSWORD=demo "$bin/psql" -h 127.0.0.1 -p 55432 -U tarvo -d tarvo -q \
        -c "GRANT SELECT ON ALL TABLES IN SCHEMA public TO tarvo_office"
    base="$demo/Tarvo v.3.00"
    mkdir -p "$base"
    if [ ! -f "$base/central.ini" ]; then
        printf 'enabled=1\nsite=ДЕМО-1\nhost=127.0.0.1\nport=55432\ndatabase=tarvo\nuser=tarvo\ntls=0\n' \
            >"$base/central.ini"
        (umask 077 && printf 'demo' >"$base/central.pass")
    fi
    echo "Central database: PostgreSQL on 127.0.0.1:55432, database tarvo, user tarvo, password demo" \
        "(office, read only: tarvo_office, password office)"
}
stop_demo_central() {
    (cd "$(pwd)/build/demo/central-db" && as_db_user "${demo_pg_ctl[@]}" -m fast stop >/dev/null) || true
}

case "${1:-}" in
run)
    install_missing
    # Only what is started: the program, its office plugin, the simulator.
    build tarvo tarvo-office tarvo-scale-sim tarvo-io-sim tarvo-reader-sim
    # A demonstration installation beside the build, with a simulated scale
    # attached: a copy of the program in build/demo/, so the data of a real
    # installation is never touched. Further arguments go to the simulator
    # (./tarvo.sh run --type 4 --weight 8000); --central first also starts a
    # PostgreSQL cluster in build/demo/central-db as the central database.
    shift
    demo=build/demo
    mkdir -p "$demo"
    central=0
    if [ "${1:-}" = "--central" ]; then
        central=1
        shift
    fi
    cp build/bin/tarvo build/bin/tarvo-office.so "$demo/"
    # Camera 1 is a local page with a lorry on the weighbridge: the camera
    # icon switches it on, and every weighing gets its photos.
    cp tools/demo-camera/camera.html "$demo/"
    : >"$demo/scale-sim.out"
    build/bin/tarvo-scale-sim --type 1 --weight 12500 --scenario truck --attach "$demo" \
        --camera-page "file://$(pwd)/$demo/camera.html" "$@" \
        >"$demo/scale-sim.out" 2>"$demo/scale-sim.log" &
    sim=$!
    # The weighbridge's lights, barriers and beams: an I/O module simulator
    # in a window of its own; the demo installation is set up to use it.
    base="$demo/Tarvo v.3.00"
    mkdir -p "$base"
    [ -f "$base/automation.ini" ] || printf 'enabled=1\nio_host=127.0.0.1\nio_port=1502\n' >"$base/automation.ini"
    build/bin/tarvo-io-sim --port 1502 >"$demo/io-sim.out" 2>"$demo/io-sim.log" &
    iosim=$!
    trap 'kill "$sim" "$iosim" 2>/dev/null || true' EXIT
    if [ "$central" -eq 1 ]; then
        start_demo_central "$demo"
        trap 'kill "$sim" "$iosim" 2>/dev/null || true; stop_demo_central' EXIT
    fi
    until [ -s "$demo/scale-sim.out" ]; do
        if ! kill -0 "$sim" 2>/dev/null; then
            cat "$demo/scale-sim.log" >&2
            exit 1
        fi
        sleep 0.1
    done
    echo "Scale simulator on $(head -n 1 "$demo/scale-sim.out"), its log in $demo/scale-sim.log"
    for _ in $(seq 50); do
        [ -s "$demo/io-sim.out" ] || ! kill -0 "$iosim" 2>/dev/null && break
        sleep 0.1
    done
    if [ -s "$demo/io-sim.out" ]; then
        echo "I/O module simulator on 127.0.0.1:$(head -n 1 "$demo/io-sim.out") (lights, barriers, beams)"
    else
        echo "I/O module simulator did not start: $(cat "$demo/io-sim.log")" >&2
    fi
    # The card reader on a pseudo-terminal of its own: a card number written
    # into build/demo/reader-cards (echo 0012345678 >build/demo/reader-cards)
    # is read as if shown at the reader. It ends with this script.
    rm -f "$demo/reader-cards"
    mkfifo "$demo/reader-cards"
    exec 3<>"$demo/reader-cards"
    : >"$demo/reader-sim.out"
    build/bin/tarvo-reader-sim <"$demo/reader-cards" >"$demo/reader-sim.out" 2>"$demo/reader-sim.log" &
    until [ -s "$demo/reader-sim.out" ]; do sleep 0.1; done
    ini="$demo/Tarvo v.3.00/automation.ini"
    mkdir -p "$(dirname "$ini")"
    touch "$ini"
    sed -i '/^reader_port=/d' "$ini"
    echo "reader_port=$(head -n 1 "$demo/reader-sim.out")" >>"$ini"
    echo "Card reader on $(head -n 1 "$demo/reader-sim.out"): cards into $demo/reader-cards"
    # The camera page's engine cannot sandbox itself under root; the demo
    # (not an installation) lets it run unsandboxed there.
    if [ "$(id -u)" -eq 0 ]; then
        QTWEBENGINE_DISABLE_SANDBOX=1 "$demo/tarvo"
    else
        "$demo/tarvo"
    fi
    ;;
test)
    install_missing
    build
    # Twice the cores: the long flows mostly wait on simulators, servers and
    # timers, so they run side by side.
    QT_QPA_PLATFORM=offscreen ctest --test-dir build --output-on-failure --parallel "$(( $(nproc) * 2 ))"
    ;;
*)
    echo "usage: $0 run [--central] [simulator options] | test" >&2
    exit 2
    ;;
esac
