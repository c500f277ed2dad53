package testapp;

import java.io.BufferedReader;
import java.io.IOException;
import java.io.InputStreamReader;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Paths;

/**
 * The application the runtime tests launch. The first argument picks what it does:
 *
 * <ul>
 *   <li>echo ARGS...: each argument as "out:ARG" on stdout and "err:ARG" on stderr, then
 *       "module:NAME" (the probe's module, or "unnamed");
 *   <li>stdin: reads one line of standard input and prints it as "stdin:LINE";
 *   <li>wait MARKER: prints "ready", then sleeps; a shutdown hook writes "hook" to MARKER;
 *   <li>throw: throws an IllegalStateException "probe failure";
 *   <li>props NAMES...: each system property as "prop:NAME=VALUE";
 *   <li>thread MS: returns at once, leaving a non-daemon thread that prints "thread done" after
 *       MS milliseconds.
 * </ul>
 */
public final class Probe {

    public static void main(String[] args) throws Exception {
        switch (args[0]) {
            case "echo":
                for (int i = 1; i < args.length; i++) {
                    System.out.println("out:" + args[i]);
                    System.err.println("err:" + args[i]);
                }
                System.out.println("module:" + moduleName());
                break;
            case "stdin":
                InputStreamReader reader = new InputStreamReader(System.in, StandardCharsets.UTF_8);
                System.out.println("stdin:" + new BufferedReader(reader).readLine());
                break;
            case "wait":
                waitForStop(args[1]);
                break;
            case "throw":
                throw new IllegalStateException("probe failure");
            case "props":
                for (int i = 1; i < args.length; i++) {
                    System.out.println("prop:" + args[i] + "=" + System.getProperty(args[i]));
                }
                break;
            case "thread":
                long millis = Long.parseLong(args[1]);
                new Thread(() -> {
                    try {
                        Thread.sleep(millis);
                    } catch (InterruptedException e) {
                        Thread.currentThread().interrupt();
                    }
                    System.out.println("thread done");
                }).start();
                break;
            default:
                throw new IllegalArgumentException("unknown probe command " + args[0]);
        }
    }

    private static void waitForStop(String marker) throws InterruptedException {
        Runtime.getRuntime().addShutdownHook(new Thread(() -> {
            try {
                Files.write(Paths.get(marker), "hook".getBytes(StandardCharsets.UTF_8));
            } catch (IOException e) {
                throw new RuntimeException(e);
            }
        }));
        System.out.println("ready");
        System.out.flush();
        while (true) {
            Thread.sleep(60_000);
        }
    }

    /** Class.getModule exists from Java 9 on; the probe is also built for Java 8. */
    private static String moduleName() throws Exception {
        Object module = Class.class.getMethod("getModule").invoke(Probe.class);
        Object name = module.getClass().getMethod("getName").invoke(module);
        return name == null ? "unnamed" : (String) name;
    }
}
