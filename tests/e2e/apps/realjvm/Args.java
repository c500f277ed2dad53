package realjvm;

/** Prints each argument of main on a line of its own, then returns. */
public final class Args {
    public static void main(String[] args) {
        for (String arg : args) {
            System.out.println("arg " + arg);
        }
    }
}
