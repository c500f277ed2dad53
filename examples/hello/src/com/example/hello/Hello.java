package com.example.hello;

/**
 * The example service: greets, names its arguments, and runs until the service is stopped. The
 * launcher's runtime ends it through System.exit when the service host sends its stop line, so
 * the shutdown hook says goodbye.
 */
public final class Hello {

    private Hello() {}

    public static void main(String[] args) throws InterruptedException {
        System.out.println("Hello from the zarvo example service. Arguments: "
                + String.join(" ", args));
        Runtime.getRuntime().addShutdownHook(
                new Thread(() -> System.out.println("Goodbye: the service was asked to stop.")));
        while (true) {
            Thread.sleep(60_000);
        }
    }
}
