package com.zarvo.runtime;

import java.util.Arrays;
import java.util.Collections;
import java.util.List;

/**
 * The splash settings the native launcher hands over through
 * {@link WinLauncher#initAwtSplashConfig}: two flags and four items of a text and two numbers,
 * in the order the executable stores them. The runtime only keeps them; an application that
 * draws on its splash screen reads them with {@link #current()}.
 */
public final class SplashConfig {

    /** One text with its two numbers. */
    public static final class Item {
        public final String text;
        public final int value1;
        public final int value2;

        Item(String text, int value1, int value2) {
            this.text = text == null ? "" : text;
            this.value1 = value1;
            this.value2 = value2;
        }
    }

    private static volatile SplashConfig current;

    public final boolean enabled;
    public final boolean flag;
    public final List<Item> items;

    SplashConfig(boolean enabled, boolean flag, Item[] items) {
        this.enabled = enabled;
        this.flag = flag;
        this.items = Collections.unmodifiableList(Arrays.asList(items.clone()));
    }

    /** The settings, or null when the launcher did not pass any. */
    public static SplashConfig current() {
        return current;
    }

    static void set(SplashConfig config) {
        current = config;
    }
}
