package com.example.hello;

/**
 * The example service: greets, names its arguments, and runs until the service is stopped. The
 * launcher's runtime ends it through System.exit when the service host sends its stop line, so
 * the shutdown hook says goodbye.
 */
public final class Hello {

    private Hello() {}

    public static void main(String[] args) throws InterruptedException {
        StringBuilder arguments = new StringBuilder();
        for (String arg : args) {
            arguments.append(arguments.length() == 0 ? "" : " ").append(arg);
        }
        System.out.println("Hello from the zarvo example service. Arguments: " + arguments);
        Runtime.getRuntime().addShutdownHook(
                new Thread(() -> System.out.println("Goodbye: the service was asked to stop.")));
        while (true) {
            Thread.sleep(60_000);
        }
    }
}
