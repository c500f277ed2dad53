package realjvm;

/** Fails at start-up with an exception that nothing catches. */
public final class Throws {
    public static void main(String[] args) {
        throw new IllegalStateException("the configuration is broken");
    }
}
