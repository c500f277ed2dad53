package com.kestrix.runtime.installer.platform.win32;

/**
 * Shared state of the kestrix flavour's Windows support. The native launcher calls
 * {@link #initFromLauncher} with true just before it registers the native methods of its helper
 * library, and again with false when that registration fails.
 */
public final class Common {

    private static volatile boolean helperLibraryAvailable;

    private Common() {}

    public static void initFromLauncher(boolean nativesRegistered) {
        helperLibraryAvailable = nativesRegistered;
    }

    /** True while the launcher's native helper library is believed to be registered. */
    public static boolean isHelperLibraryAvailable() {
        return helperLibraryAvailable;
    }
}
