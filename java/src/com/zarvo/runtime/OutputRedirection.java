package com.zarvo.runtime;

import java.io.File;
import java.io.FileOutputStream;
import java.io.IOException;
import java.io.PrintStream;

/** Sends System.err and System.out to the log files the executable names. */
final class OutputRedirection {

    /** The process's own standard error, when System.err was sent to a file; else null. */
    private static PrintStream nativeErr;

    private OutputRedirection() {}

    /**
     * Writes the exception that ends main into the log file of System.err, when there is one,
     * and gives System.err back to the process's standard error. The launcher then reports the
     * exception there: the JVM prints it through System.err or natively, and either way it
     * reaches the console (or the service's event log entry) once and the file once.
     */
    static void reportUncaught(Throwable e) {
        if (nativeErr == null) {
            return;
        }
        PrintStream file = System.err;
        file.print("Exception in thread \"" + Thread.currentThread().getName() + "\" ");
        e.printStackTrace(file);
        file.flush();
        System.setErr(nativeErr);
    }

    /**
     * An empty path leaves the stream alone. A path that still begins with '$' is a variable the
     * launcher could not resolve; opening it would create a file literally named "$..." in the
     * working directory, so the stream is left alone and a note goes to stderr. A file that cannot
     * be opened is reported the same way: losing the log is better than not starting the service.
     * A directory (what the launcher passes when redirection is on but no file is named: the
     * executable's directory) receives "error.log" or "output.log".
     */
    static void apply(String errorPath, String outputPath, boolean append) {
        File errorFile = logFile(errorPath, "error.log");
        File outputFile = logFile(outputPath, "output.log");
        PrintStream err = open("stderr", errorPath, errorFile, append);
        PrintStream out;
        if (err != null && sameFile(errorFile, outputFile)) {
            // One stream for both: two streams on one file would overwrite each other's lines.
            out = err;
        } else {
            out = open("stdout", outputPath, outputFile, append);
        }
        if (err != null) {
            nativeErr = System.err;
            System.setErr(err);
        }
        if (out != null) {
            System.setOut(out);
        }
    }

    /** The file a log path names, or null when the stream stays where it is. */
    private static File logFile(String path, String defaultName) {
        if (path.isEmpty() || path.charAt(0) == '$') {
            return null;
        }
        char last = path.charAt(path.length() - 1);
        if (last == '/' || last == '\\' || new File(path).isDirectory()) {
            return new File(path, defaultName);
        }
        return new File(path);
    }

    private static PrintStream open(String streamName, String path, File file, boolean append) {
        if (file == null) {
            if (!path.isEmpty()) {
                System.err.println("zarvo: " + streamName + " is not redirected: the log path "
                        + path + " holds an unresolved variable");
            }
            return null;
        }
        File parent = file.getAbsoluteFile().getParentFile();
        if (parent != null) {
            parent.mkdirs();  // the launcher does not create log directories
        }
        try {
            // Unbuffered below the PrintStream: every print reaches the file at once, so nothing
            // is lost when the launcher ends the process right after an uncaught exception.
            return new PrintStream(new FileOutputStream(file, append), true);
        } catch (IOException e) {
            System.err.println("zarvo: " + streamName + " is not redirected: cannot open " + file
                    + " (" + e.getMessage() + ")");
            return null;
        }
    }

    private static boolean sameFile(File a, File b) {
        if (a == null || b == null) {
            return false;
        }
        try {
            return a.getCanonicalFile().equals(b.getCanonicalFile());
        } catch (IOException e) {
            return a.getAbsoluteFile().equals(b.getAbsoluteFile());
        }
    }
}
