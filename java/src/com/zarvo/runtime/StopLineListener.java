package com.zarvo.runtime;

import java.io.IOException;
import java.io.InputStream;

/**
 * Service mode: the service host asks the application to stop by writing the line "0" on its
 * standard input and closing it.
 *
 * <p>A line "0" or the end of input ends the application through {@link System#exit} with code
 * 0, so its shutdown hooks run and the service host sees a regular stop. End of input counts as a
 * stop because the host is gone or has nothing more to say: no later request could reach us.
 * Every other line is ignored with a note on stderr, so that a newer host may send more requests.
 */
final class StopLineListener {

    /** Longer lines are read to their end but only this much is kept; the host sends two bytes. */
    private static final int MAX_LINE_BYTES = 256;

    private StopLineListener() {}

    static void start(InputStream in) {
        Thread listener = new Thread(() -> listen(in), "zarvo-stop-listener");
        // Daemon: when the application ends on its own, this thread must not keep the JVM alive.
        listener.setDaemon(true);
        listener.start();
    }

    private static void listen(InputStream in) {
        try {
            String line;
            while ((line = readLine(in)) != null) {
                if (line.trim().equals("0")) {
                    break;
                }
                System.err.println("zarvo: ignoring control line \"" + printable(line) + "\"");
            }
        } catch (IOException e) {
            // Without a readable input no stop request can arrive any more; stop now rather than
            // leave the service host waiting for an end that never comes.
            System.err.println("zarvo: cannot read the service control input (" + e.getMessage()
                    + "); stopping");
        }
        System.out.flush();
        System.err.flush();
        System.exit(0);
    }

    /** A line without its end ("\n" or "\r\n"), or null at end of input. */
    private static String readLine(InputStream in) throws IOException {
        StringBuilder line = new StringBuilder();
        int b;
        while ((b = in.read()) != -1 && b != '\n') {
            if (line.length() < MAX_LINE_BYTES) {
                line.append((char) b);
            }
        }
        if (b == -1 && line.length() == 0) {
            return null;
        }
        int end = line.length();
        if (end > 0 && line.charAt(end - 1) == '\r') {
            line.setLength(end - 1);
        }
        return line.toString();
    }

    private static String printable(String line) {
        StringBuilder shown = new StringBuilder();
        for (int i = 0; i < line.length() && i < 64; i++) {
            char c = line.charAt(i);
            shown.append(c >= 0x20 && c < 0x7f ? c : '?');
        }
        return shown.toString();
    }
}
