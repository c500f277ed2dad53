#!/usr/bin/env bash
# The main job: installs what is missing, builds, packs the example service and runs it under
# Wine through install, start, status, stop and uninstall, printing each step.
#
# The service runs on a real Windows JVM: third_party/avian's jvm.dll, a small JVM with its own
# class library, laid out as a runtime image in .\jre (bin\server\jvm.dll and a release file,
# no java.exe). What the application prints goes to hello.log beside the executable, which the
# demo shows while the service runs and after it stops. The same application and runtime jar are
# first run on Debian's JVM through the launcher's own JNI code. Without third_party/avian, the
# test stand-ins play the JVM instead (they write what they received to a transcript).
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
bash scripts/install-deps.sh
# The build's own output goes to a file; a failed build shows its end and says where the rest is.
mkdir -p build
printf '== build (output in build/demo-build.log; the first build takes a few minutes)\n'
if ! bash scripts/build.sh >build/demo-build.log 2>&1; then
  tail -n 40 build/demo-build.log >&2
  echo "The build failed; its whole output is in build/demo-build.log." >&2
  exit 1
fi
out=build/demo
rm -rf "$out" && mkdir -p "$out"
jdk=/usr/lib/jvm/java-17-openjdk-amd64
# A prefix of the demo's own, apart from the tests' one; ZARVO_WINEPREFIX may name another.
export ZARVO_WINEPREFIX="${ZARVO_WINEPREFIX:-$PWD/build/wineprefix-demo}"
export WINEPREFIX="$ZARVO_WINEPREFIX"
app="$out/ZarvoHello.exe"

step() { printf '\n== %s\n' "$*"; }
winpath() { echo "Z:$(realpath "$1" | tr / '\\')"; }

realjvm=third_party/avian
step "build the example application and pack it (zpack adds the launcher's runtime)"
# Compiled against the real JVM's class library, so that it uses only what that JVM has.
bootclasspath=()
[ -f "$realjvm/classpath.jar" ] && bootclasspath=(-bootclasspath "$realjvm/classpath.jar")
"$jdk/bin/javac" -source 8 -target 8 -Xlint:-options "${bootclasspath[@]}" -d "$out/classes" \
  examples/hello/src/com/example/hello/Hello.java
"$jdk/bin/jar" cf "$out/hello.jar" -C "$out/classes" .
dist/zpack examples/hello/hello.toml -o "$app"

step "the application on Debian's real JVM through the launcher's JNI code (stop line after 2 s)"
# The test build carries sanitizers; the JVM handles its own SIGSEGV.
{ sleep 2; echo 0; } | ASAN_OPTIONS=handle_segv=0:allow_user_segv_handler=1:detect_leaks=0 \
  build/host/tests/realjvm/jni_host "$jdk/lib/server/libjvm.so" \
  "-Djava.class.path=$out/hello.jar:dist/zarvo-runtime.jar" -Dzarvo.isService=true -Xrs -- \
  false com.example.hello.Hello "" "" false ZarvoHello --greeting hello 2>/dev/null

log="$out/hello.log"
transcript="$out/transcript.log"
if [ -f "$realjvm/jvm.dll" ]; then
  step "the real Windows JVM in .\\jre, laid out as a runtime image without java.exe"
  mkdir -p "$out/jre/bin/server"
  cp "$realjvm/jvm.dll" "$out/jre/bin/server/"
  echo 'JAVA_VERSION="1.8.0"' | tee "$out/jre/release"
else
  step "a stand-in runtime in .\\jre and the options that make it play the service"
  echo "($realjvm/jvm.dll is missing: the test stand-ins play the JVM)"
  mkdir -p "$out/jre/bin/server"
  cp build/win64/tests/fixtures/java/java.exe "$out/jre/bin/"
  cp build/win64/tests/fixtures/jvm/jvm.dll "$out/jre/bin/server/"
  printf -- '-Dzarvo.test.scenario=wait-stop\n-Dzarvo.test.transcript=%s\n' \
    "$(winpath "$out")\\transcript.log" | tee "$out/ZarvoHello.vmoptions"
fi

step "the Wine prefix $WINEPREFIX (created on the first run, about 20 s)"
# The server can only be made persistent once the prefix exists, and only while no other server
# of the prefix runs: wine-prefix returns after its own server has ended.
scripts/wine-prefix
wineserver -p  # Wine ends service processes with its last ordinary process otherwise
trap 'wineserver -k || true' EXIT
scripts/wine-run "$app" /uninstall >/dev/null 2>&1 || true  # a left-over of an earlier run

step "ZarvoHello.exe /install"
scripts/wine-run "$app" /install

step "the service's entry as Wine's registry holds it (Wine's sc.exe has no qc)"
scripts/wine-run reg query 'HKLM\System\CurrentControlSet\Services\ZarvoHello'

step "ZarvoHello.exe /start ZarvoHello Alice Bob"
scripts/wine-run "$app" /start ZarvoHello Alice Bob
for _ in $(seq 300); do grep -q 'Hello\|^main-arg' "$log" "$transcript" 2>/dev/null && break; sleep 0.1; done

step "ZarvoHello.exe /status, and Wine's sc query"
scripts/wine-run "$app" /status || echo "exit code $?"
scripts/wine-run sc query ZarvoHello

if [ -f "$realjvm/jvm.dll" ]; then
  step "what the application wrote while it runs (hello.log)"
  cat "$log"
else
  step "what the Java side's main received (the stand-in's transcript)"
  grep '^main-arg' "$transcript"
fi

step "ZarvoHello.exe /stop"
scripts/wine-run "$app" /stop

if [ -f "$realjvm/jvm.dll" ]; then
  step "what the application wrote after the stop: its shutdown hook ran (hello.log)"
  cat "$log"
else
  step "what the Java side read on its standard input"
  grep '^stop-line\|^main-returned\|^destroy' "$transcript"
fi

step "ZarvoHello.exe /status"
scripts/wine-run "$app" /status || echo "exit code $?"

step "ZarvoHello.exe /uninstall"
scripts/wine-run "$app" /uninstall
