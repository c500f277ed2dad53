package realjvm;

/** Returns from main while another thread ends the JVM with the exit code given first. */
public final class ExitsFromAThread {
    public static void main(final String[] args) {
        new Thread() {
            @Override
            public void run() {
                try {
                    Thread.sleep(300);
                } catch (InterruptedException e) {
                    // exits all the same
                }
                System.exit(Integer.parseInt(args[0]));
            }
        }.start();
    }
}
