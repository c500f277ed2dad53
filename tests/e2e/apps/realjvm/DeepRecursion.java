package realjvm;

/** Recurses as deep as its first argument says and prints the depth it reached. */
public final class DeepRecursion {
    private static int depth(int remaining) {
        return remaining == 0 ? 0 : 1 + depth(remaining - 1);
    }

    public static void main(String[] args) {
        System.out.println("depth " + depth(Integer.parseInt(args[0])));
    }
}
