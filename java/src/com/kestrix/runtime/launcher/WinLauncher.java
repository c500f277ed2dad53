package com.kestrix.runtime.launcher;

/**
 * The launcher class of executables built in the kestrix flavour. It behaves exactly like the
 * zarvo flavour's class; see {@link com.zarvo.runtime.WinLauncher} for the arguments.
 */
public final class WinLauncher {

    private WinLauncher() {}

    public static void main(String[] args) throws Throwable {
        com.zarvo.runtime.WinLauncher.main(args);
    }
}
