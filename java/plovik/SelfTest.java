package plovik;

/**
 * Runs {@link Corvane#JNItest()}: {@code java -Djava.library.path=FOLDER -jar corvane.jar}.
 * The exit status is 0 when the self-test succeeded, 1 otherwise.
 */
public final class SelfTest {
  private SelfTest() {}

  /**
   * Runs the self-test and reports its result.
   *
   * @param args not used
   */
  public static void main(String[] args) {
    int result = Corvane.JNItest();
    System.out.println("JNItest returned " + result);
    System.exit(result == 0 ? 0 : 1);
  }
}
