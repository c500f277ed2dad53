package com.zarvo.runtime;

import java.util.Arrays;

/** The launcher's leading arguments to {@link WinLauncher#main}, split from the application's. */
final class LaunchArguments {

    /** Five launcher arguments, then the service name or program path. */
    private static final int LEADING = 6;

    final boolean windowed;
    final String mainClass;
    final String errorLogPath;
    final String outputLogPath;
    final boolean append;
    final String[] applicationArguments;

    private LaunchArguments(String[] args) {
        windowed = Boolean.parseBoolean(args[0]);
        mainClass = args[1];
        errorLogPath = args[2];
        outputLogPath = args[3];
        append = Boolean.parseBoolean(args[4]);
        // The service name or program path is the launcher's business, not the application's.
        applicationArguments = args.length > LEADING
                ? Arrays.copyOfRange(args, LEADING, args.length)
                : new String[0];
    }

    static LaunchArguments parse(String[] args) {
        if (args == null || args.length < 5) {
            throw new IllegalArgumentException("expected at least five launcher arguments "
                    + "(windowed, main class, error log, output log, append), got "
                    + (args == null ? 0 : args.length));
        }
        return new LaunchArguments(args);
    }
}
