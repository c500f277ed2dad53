package realjvm;

/** Prints the system property named by each argument as "name=value". */
public final class PrintsProperties {
    public static void main(String[] args) {
        for (String name : args) {
            System.out.println(name + "=" + System.getProperty(name));
        }
    }
}
