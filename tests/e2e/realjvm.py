"""The real Windows JVM of third_party/avian for end-to-end tests: a runtime home laid out as a
runtime image without java.exe (bin\\server\\jvm.dll and a release file), and test applications
compiled against its class library."""
from __future__ import annotations

import subprocess
from pathlib import Path

from harness import ROOT

AVIAN = ROOT / "third_party" / "avian"
JDK = Path("/usr/lib/jvm/java-17-openjdk-amd64")


def real_runtime(home: Path) -> Path:
    server = home / "bin" / "server"
    server.mkdir(parents=True)
    (server / "jvm.dll").write_bytes((AVIAN / "jvm.dll").read_bytes())
    (home / "release").write_text('JAVA_VERSION="1.8.0"\n')
    return home


def compile_jar(sources: list[Path], jar: Path) -> Path:
    """The sources compiled for Java 8 against the real JVM's class library, as one jar."""
    classes = jar.with_suffix(".classes")
    subprocess.run([str(JDK / "bin" / "javac"), "-source", "8", "-target", "8", "-Xlint:-options",
                    "-bootclasspath", str(AVIAN / "classpath.jar"), "-d", str(classes),
                    *map(str, sources)], check=True, capture_output=True)
    subprocess.run([str(JDK / "bin" / "jar"), "cf", str(jar), "-C", str(classes), "."],
                   check=True)
    return jar
