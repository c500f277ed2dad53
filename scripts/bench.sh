#!/usr/bin/env bash
# Benchmarks, each compared side by side in one run and reported as ratios:
#  - loading a ConfigBlock of 10,000 records and 1,000 messages (per record);
#  - the start-up under Wine, interleaved and compared by medians: a packed "App.exe /?" over an
#    empty Windows program; "App.exe /run" up to JNI_CreateJavaVM (a jvm.dll that ends the process
#    there) over a program that only loads the same jvm.dll and calls it on a new thread; and
#    "App.exe /run" to the end of main (stand-in JVM) over the empty program; with the stub's size;
#    and the same run to JNI_CreateJavaVM with zpack's default runtime jar extracted, over none;
#  - extracting a 64 MiB included file over CopyFileW copying the same bytes, under Wine;
#  - a JVM search over eight candidate runtimes with the version cache warm over the same search
#    with it cold (every candidate's java.exe run), under Wine, and the warm cost per candidate;
#    and a cold search whose eight runtimes carry release files over the one that runs java.exe;
#  - the same for eight runtimes registered under a vendor's registry keys (the "vendors" entry),
#    with the number of java.exe runs a warm search makes (none);
#  - "/stop" of a launcher service whose Java side ends at once over "/stop" of a bare Win32
#    service that stops at once, under Wine;
#  - natively, a real JVM started through the launcher's JNI code over the JDK's own java
#    running the same class.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
bash scripts/build.sh >/dev/null
out=build/bench
mkdir -p "$out"

# ratio JSON A B LABEL: the mean time of command A over that of command B in a hyperfine export.
ratio() {
  /usr/bin/python3 - "$@" <<'PY'
import json, sys
path, a, b, label = sys.argv[1:5]
r = {x["command"]: x["mean"] for x in json.load(open(path))["results"]}
print(f"{label}: {r[a] / r[b]:.2f}")
PY
}

echo "== ConfigBlock load (10,000 records, 1,000 messages)"
build/host/bench/bench_config_load --benchmark_counters_tabular=true

echo "== start-up under Wine, interleaved runs (medians)"
export ZARVO_WINEPREFIX="${ZARVO_WINEPREFIX:-$PWD/build/wineprefix}"
scripts/wine-prefix  # the prefix exists and no server of it runs: -p below starts the only one
# Keep one server, and the processes Wine starts beside the first program, for the whole run:
# measure the programs, not their start. They get no pipe of ours (a reader of the benchmark's
# output would wait for them), and end with the run.
WINEPREFIX="$ZARVO_WINEPREFIX" wineserver -p </dev/null >/dev/null 2>&1 ||
  echo "(a Wine server of $ZARVO_WINEPREFIX was running already: the runs use it)"
trap 'WINEPREFIX="$ZARVO_WINEPREFIX" wineserver -k || true' EXIT
scripts/wine-run cmd /c exit </dev/null >/dev/null 2>&1
dist/zpack examples/hello/hello.toml -o "$out/App.exe" >/dev/null
# runtime DIR JVM_DLL [RUNTIME_JAR]: a bundled runtime in DIR/jre (the stand-in java.exe answers
# the version check once; later runs find the version in the cache) and an executable whose
# search names it. The launcher's own start-up is measured without included files, as it always
# was (runtime_jar = false); with RUNTIME_JAR = true the executable carries zpack's default, the
# runtime jar, which every start extracts.
runtime() {
  rm -rf "$1" && mkdir -p "$1/jre/bin/server"
  cp build/win64/tests/fixtures/java/java.exe "$1/jre/bin/"
  cp "$2" "$1/jre/bin/server/jvm.dll"
  printf '[application]\nmain_class = "x.Main"\n[java]\nsearch = ["B.\\\\jre"]\n[launcher]\nruntime_jar = %s\n' \
    "${3:-false}" > "$1/App.toml"
  dist/zpack "$1/App.toml" -o "$1/App.exe" >/dev/null
}
# To JNI_CreateJavaVM: the bench's jvm.dll ends the process in that call.
runtime "$out/createvm" build/win64/bench/exit_jvm/jvm.dll
runtime "$out/createvm-jar" build/win64/bench/exit_jvm/jvm.dll true
# To the end of main: the stand-in JVM's main returns at once.
runtime "$out/launch" build/win64/tests/fixtures/jvm/jvm.dll
floor_dll="Z:$PWD/$out/createvm/jre/bin/server/jvm.dll"
# The warm-up rounds also fill the version cache.
/usr/bin/python3 bench/interleave.py --warmup 3 --runs 60 --export "$out/startup.json" \
  --ratio "start-up ratio (App.exe /? over an empty program, goal <= 1.10)" "App.exe /?" empty \
  --ratio "create ratio (App.exe /run to JNI_CreateJavaVM over the floor program, goal <= 1.10)" \
  "App.exe /run to create" floor \
  --ratio "launch ratio (App.exe /run to the end of main over an empty program)" \
  "App.exe /run to main's end" empty \
  --ratio "runtime jar ratio (App.exe /run to JNI_CreateJavaVM extracting zpack's default runtime jar, over none)" \
  "App.exe /run to create, runtime jar" "App.exe /run to create" \
  "App.exe /?" "scripts/wine-run $out/App.exe /?" \
  empty "scripts/wine-run build/win64/bench/empty_program.exe" \
  "App.exe /run to create" "scripts/wine-run $out/createvm/App.exe /run" \
  "App.exe /run to create, runtime jar" "scripts/wine-run $out/createvm-jar/App.exe /run" \
  floor "scripts/wine-run build/win64/bench/create_vm_floor.exe $floor_dll" \
  "App.exe /run to main's end" "scripts/wine-run $out/launch/App.exe /run"
stub_bytes=$(stat -c %s dist/launcher.exe)
awk -v b="$stub_bytes" 'BEGIN { printf "stub size: %.1f KiB (goal <= 300 KiB, stretch 200 KiB)\n", b / 1024 }'
# Every DLL the stub imports loads at every start: a new one shows here.
echo "stub imports at load: $(x86_64-w64-mingw32-objdump -p dist/launcher.exe | awk '/DLL Name:/ { printf "%s ", $3 }')"

echo "== extraction of one 64 MiB included file versus CopyFileW of the same bytes, under Wine"
head -c $((64 * 1024 * 1024)) /dev/urandom > "$out/big.bin"
cat > "$out/extract.toml" <<TOML
[application]
main_class = "x.Main"
[files]
include = [{ source = "big.bin", name = "big.bin" }]
TOML
dist/zpack "$out/extract.toml" -o "$out/Extract.exe" --stub build/win64/tests/fixtures/launcher_steps.exe >/dev/null
hyperfine --warmup 1 --runs 10 --export-json "$out/extract.json" \
  -n "extract" "scripts/wine-run $out/Extract.exe extract --terminate 0" \
  -n "CopyFileW" "scripts/wine-run build/win64/bench/copy_file.exe 'Z:$PWD/$out/big.bin' 'Z:$PWD/$out/copy.bin'"
ratio "$out/extract.json" "extract" "CopyFileW" "extraction ratio (extract over CopyFileW, goal <= 1.5)"
rm -f "$out/big.bin" "$out/copy.bin"

echo "== JVM search over eight candidates: version cache warm versus cold, under Wine"
# Seven runtimes below the minimum version, then the one that is taken; each a directory entry
# (TOML strings, so every backslash of the Windows path is doubled).
search="$out/search"
rm -rf "$search" && mkdir -p "$search"
entries=()
stated_entries=()
for i in 1 2 3 4 5 6 7 8; do
  home="$PWD/$search/rt$i"
  mkdir -p "$home/bin/server"
  cp build/win64/tests/fixtures/java/java.exe "$home/bin/"
  cp build/win64/tests/fixtures/jvm/jvm.dll "$home/bin/server/"
  version=$([ "$i" -lt 8 ] && echo 1.8.0_202 || echo 17.0.2)
  echo "banner=openjdk version \"$version\" 2024-01-16" > "$home/bin/fake_java.cfg"
  entries+=("\"AZ:${home//\//\\\\}\"")
  # The same runtime with the release file every JDK since 9 carries: its version is read
  # from there instead of from a run of java.exe.
  stated="$PWD/$search/stated$i"
  cp -r "$home" "$stated"
  echo "JAVA_VERSION=\"$version\"" > "$stated/release"
  stated_entries+=("\"AZ:${stated//\//\\\\}\"")
done
project() {  # project NAME ENTRY...: a packed executable whose search lists the entries
  local name=$1; shift
  local IFS=,
  printf '[application]\nmain_class = "x.Main"\n[java]\nmin_version = "11"\nsearch = [%s]\n' \
    "$*" > "$search/$name.toml"
  dist/zpack "$search/$name.toml" -o "$search/$name.exe" >/dev/null
}
project Search8 "${entries[@]}"
project Search1 "${entries[7]}"
project Stated8 "${stated_entries[@]}"
# Each run ends with exit code 1 after loading the library (-i): the launch is not measured.
# The cold runs forget every cached version first (versions read from release files are never
# cached, so after the first such run there is nothing left to forget).
hyperfine -i --warmup 2 --runs 15 --export-json "$search/search.json" \
  --prepare true -n "8 candidates, warm" "scripts/wine-run $search/Search8.exe /run" \
  --prepare true -n "1 candidate, warm" "scripts/wine-run $search/Search1.exe /run" \
  --prepare "scripts/wine-run reg delete 'HKCU\\Software\\halvorn\\zarvo\\jvms' /f" \
  -n "8 candidates, cold" "scripts/wine-run $search/Search8.exe /run" \
  --prepare "scripts/wine-run reg delete 'HKCU\\Software\\halvorn\\zarvo\\jvms' /f || true" \
  -n "8 candidates with release files, cold" "scripts/wine-run $search/Stated8.exe /run"
ratio "$search/search.json" "8 candidates, cold" "8 candidates, warm" \
  "search ratio (cold cache over warm cache, 8 candidates)"
ratio "$search/search.json" "8 candidates with release files, cold" "8 candidates, cold" \
  "cold search ratio (release files over java.exe runs, 8 candidates)"
/usr/bin/python3 - "$search/search.json" <<'PY'
import json, sys
r = {x["command"]: x["mean"] for x in json.load(open(sys.argv[1]))["results"]}
per = (r["8 candidates, warm"] - r["1 candidate, warm"]) / 7
print(f"warm search: {per * 1000:.2f} ms per candidate (8 candidates less 1, over 7)")
PY

echo "== JVM search through the vendors' registry keys: version cache warm versus cold, under Wine"
# Eight runtimes registered as Temurin's installer registers them: seven below the minimum
# version, then the one that is taken.
vendors="$out/vendors"
rm -rf "$vendors" && mkdir -p "$vendors"
printf 'Windows Registry Editor Version 5.00\n\n' > "$vendors/runtimes.reg"
for i in 1 2 3 4 5 6 7 8; do
  home="$PWD/$vendors/temurin$i"
  mkdir -p "$home/bin/server"
  cp build/win64/tests/fixtures/java/java.exe "$home/bin/"
  cp build/win64/tests/fixtures/jvm/jvm.dll "$home/bin/server/"
  version=$([ "$i" -lt 8 ] && echo "1.8.0_39$i" || echo 17.0.9)
  key=$([ "$i" -lt 8 ] && echo "8.0.39$i.8" || echo 17.0.9.9)
  echo "banner=openjdk version \"$version\" 2023-10-17" > "$home/bin/fake_java.cfg"
  printf '[HKEY_LOCAL_MACHINE\\SOFTWARE\\Eclipse Adoptium\\JDK\\%s\\hotspot\\MSI]\n"Path"="Z:%s\\\\"\n\n' \
    "$key" "${home//\//\\\\}" >> "$vendors/runtimes.reg"
done
scripts/wine-run reg import "Z:$PWD/$vendors/runtimes.reg" >/dev/null 2>&1
printf '[application]\nmain_class = "x.Main"\n[java]\nmin_version = "11"\nsearch = ["V"]\n' \
  > "$vendors/Vendors.toml"
dist/zpack "$vendors/Vendors.toml" -o "$vendors/Vendors.exe" >/dev/null
hyperfine -i --warmup 2 --runs 15 --export-json "$vendors/vendors.json" \
  --prepare true -n "8 vendor runtimes, warm" "scripts/wine-run $vendors/Vendors.exe /run" \
  --prepare "scripts/wine-run reg delete 'HKCU\\Software\\halvorn\\zarvo\\jvms' /f" \
  -n "8 vendor runtimes, cold" "scripts/wine-run $vendors/Vendors.exe /run"
ratio "$vendors/vendors.json" "8 vendor runtimes, cold" "8 vendor runtimes, warm" \
  "vendor search ratio (cold cache over warm cache, 8 runtimes)"
scripts/wine-run "$vendors/Vendors.exe" /run >/dev/null 2>&1 || true  # warms the cache again
rm -f "$vendors"/temurin*/bin/runs.log
scripts/wine-run "$vendors/Vendors.exe" /run >/dev/null 2>&1 || true
echo "java.exe runs in a warm vendor search: $(cat "$vendors"/temurin*/bin/runs.log 2>/dev/null | wc -l)"
scripts/wine-run reg delete 'HKLM\Software\Eclipse Adoptium' /f >/dev/null 2>&1 || true

echo "== /stop to the stopped state under Wine: a launcher service whose Java side ends at once versus a bare Win32 service"
svc="$out/service"
rm -rf "$svc" && mkdir -p "$svc/jre/bin/server"
cp build/win64/tests/fixtures/java/java.exe "$svc/jre/bin/"
cp build/win64/tests/fixtures/jvm/jvm.dll "$svc/jre/bin/server/"
# wait-stop: main returns as soon as it reads the stop line.
printf '[service]\nname = "ZarvoBenchStop"\n[application]\nmain_class = "x.Main"\n[java]\nsearch = ["B.\\\\jre"]\nvm_options = ["-Dzarvo.test.scenario=wait-stop"]\n' \
  > "$svc/Stop.toml"
dist/zpack "$svc/Stop.toml" -o "$svc/Stop.exe" >/dev/null
scripts/wine-run "$svc/Stop.exe" /install >/dev/null
scripts/wine-run sc create ZarvoBenchBare binPath= "\"Z:$PWD/build/win64/tests/fixtures/bare_service.exe\"" >/dev/null
# The same stop command stops both (the argument names the service). Each start waits for the
# previous process to be gone (Wine may lose a start that follows a stop too closely) and is
# given a second, so that the stop meets a running application rather than one still starting.
hyperfine --warmup 2 --runs 20 --export-json "$svc/stop.json" \
  --prepare "sleep 0.5; scripts/wine-run $svc/Stop.exe /start >/dev/null; sleep 1" \
  -n "launcher service" "scripts/wine-run $svc/Stop.exe /stop" \
  --prepare "sleep 0.5; scripts/wine-run $svc/Stop.exe /start ZarvoBenchBare >/dev/null; sleep 1" \
  -n "bare service" "scripts/wine-run $svc/Stop.exe /stop ZarvoBenchBare"
ratio "$svc/stop.json" "launcher service" "bare service" \
  "stop ratio (/stop of a launcher service over /stop of a bare service)"
# The stop command polls every half second while a service reports stop pending, which a bare
# service that stops inside its control handler never does: the probe polls every millisecond
# and so measures the services themselves.
probe=build/win64/tests/fixtures/stop_probe.exe
hyperfine --warmup 2 --runs 20 --export-json "$svc/probe.json" \
  --prepare "sleep 0.5; scripts/wine-run $svc/Stop.exe /start >/dev/null; sleep 1" \
  -n "launcher service, polled" "scripts/wine-run $probe ZarvoBenchStop" \
  --prepare "sleep 0.5; scripts/wine-run $svc/Stop.exe /start ZarvoBenchBare >/dev/null; sleep 1" \
  -n "bare service, polled" "scripts/wine-run $probe ZarvoBenchBare"
ratio "$svc/probe.json" "launcher service, polled" "bare service, polled" \
  "stop latency ratio (stop request to stopped, polled every millisecond)"
scripts/wine-run "$svc/Stop.exe" /uninstall >/dev/null
scripts/wine-run sc delete ZarvoBenchBare >/dev/null
WINEPREFIX="$ZARVO_WINEPREFIX" wineserver -k || true

echo "== a real JVM natively: the launcher's JNI code versus the JDK's java, same class and arguments"
# The JNI host as the launcher is built: optimised, without the test build's sanitizers.
cmake -S . -B build/host-release -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build/host-release --target jni_host >/dev/null
jdk=/usr/lib/jvm/java-17-openjdk-amd64
cp="build/host/java/zarvo-runtime.jar:build/host/tests/realjvm/probe.jar"
args="false testapp.Probe '' '' false App props java.version"
hyperfine --warmup 2 --runs 15 --export-json "$out/jvm.json" \
  -n "launcher JNI" "build/host-release/tests/realjvm/jni_host $jdk/lib/server/libjvm.so -Djava.class.path=$cp -- $args" \
  -n "java -cp" "$jdk/bin/java -cp $cp com.zarvo.runtime.WinLauncher $args"
ratio "$out/jvm.json" "launcher JNI" "java -cp" \
  "real JVM ratio (launcher's JNI code over java -cp, goal <= 1.0)"
