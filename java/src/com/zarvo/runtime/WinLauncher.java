package com.zarvo.runtime;

import java.lang.reflect.InvocationTargetException;
import java.lang.reflect.Method;

/**
 * The class the native launcher calls once the JVM exists.
 *
 * <p>{@code main} receives five launcher arguments, then the service name (service child) or the
 * program path (console run), then the application's own arguments:
 *
 * <ol>
 *   <li>"true" for a windowed application, "false" for a console one;
 *   <li>the application's main class; in module mode "/module/class";
 *   <li>the file that receives System.err, or "" to leave it alone;
 *   <li>the file that receives System.out, or "" to leave it alone;
 *   <li>"true" to append to those files, "false" to start them afresh.
 * </ol>
 */
public final class WinLauncher {

    private WinLauncher() {}

    public static void main(String[] args) throws Throwable {
        LaunchArguments launch = LaunchArguments.parse(args);
        OutputRedirection.apply(launch.errorLogPath, launch.outputLogPath, launch.append);
        // Listen before the main class is loaded: its static initialisers may already take
        // long enough for a stop request to arrive.
        if (Boolean.getBoolean("zarvo.isService")) {
            StopLineListener.start(System.in);
        }
        try {
            Method main = MainClassResolver.findMain(launch.mainClass);
            invoke(main, launch.applicationArguments);
        } catch (Throwable e) {
            // The launcher reports the exception on the process's own standard error; a log
            // file that receives System.err must show it too, or it would end without a trace.
            OutputRedirection.reportUncaught(e);
            throw e;
        }
    }

    /**
     * Called by the native launcher right after the JVM is created when the executable asks for
     * it. The values are kept for the application; nothing is shown from here.
     */
    public static void initAwtSplashConfig(boolean enabled, boolean flag,
            String text1, int value1a, int value1b,
            String text2, int value2a, int value2b,
            String text3, int value3a, int value3b,
            String text4, int value4a, int value4b) {
        SplashConfig.set(new SplashConfig(enabled, flag, new SplashConfig.Item[] {
            new SplashConfig.Item(text1, value1a, value1b),
            new SplashConfig.Item(text2, value2a, value2b),
            new SplashConfig.Item(text3, value3a, value3b),
            new SplashConfig.Item(text4, value4a, value4b),
        }));
    }

    /** The application's own exception leaves unwrapped, so the launcher reports what it threw. */
    private static void invoke(Method main, String[] arguments) throws Throwable {
        try {
            main.invoke(null, (Object) arguments);
        } catch (InvocationTargetException e) {
            throw e.getCause() != null ? e.getCause() : e;
        } catch (IllegalAccessException e) {
            throw new IllegalStateException("cannot call " + main.getDeclaringClass().getName()
                    + ".main: its package is not open to the launcher runtime (" + e.getMessage()
                    + ")", e);
        }
    }
}
