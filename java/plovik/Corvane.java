package plovik;

/**
 * PKCS #7 signed and enveloped messages as Base64 text, through the native library Corvane
 * ({@code libCorvane.so}; {@code Corvane.dll} on Windows).
 *
 * <p>Certificates and private keys are never handed in: the library takes them from the current
 * user's certificate stores. Signing and opening envelopes use the personal store "MY";
 * enveloping takes the recipient from "CA" and "ROOT"; verification takes the signer's
 * certificate from the message and checks its chain against "CA" and "ROOT".
 *
 * <h2>Results</h2>
 * The methods that produce bytes return a new array holding exactly the output, or {@code null}
 * on any failure. The result code travels in {@code result[0]}: pass an {@code int[]} of at least
 * one element to learn it. A {@code null} result array is allowed (the code is then only lost);
 * an array of length 0 makes the call throw {@link ArrayIndexOutOfBoundsException} after its work
 * is done. {@link #JNIVerifyDetachedMsg} also returns the code.
 *
 * <table>
 *   <caption>Result codes</caption>
 *   <tr><th>code</th><th>meaning</th></tr>
 *   <tr><td>0</td><td>success</td></tr>
 *   <tr><td>-10000</td><td>no memory for a buffer</td></tr>
 *   <tr><td>-10001</td><td>an input array is {@code null} or empty (nothing is shown)</td></tr>
 *   <tr><td>-10002</td><td>the input text is not acceptable Base64</td></tr>
 *   <tr><td>-10003</td><td>the message cannot be encoded as Base64</td></tr>
 *   <tr><td>-10005</td><td>no certificate was chosen (the user cancelled the chooser)</td></tr>
 *   <tr><td>-10007</td><td>the message is not a recognisable PKCS #7 package</td></tr>
 *   <tr><td>-10009</td><td>the signed message carries no signer certificate</td></tr>
 *   <tr><td>-10010</td><td>a signature does not verify</td></tr>
 *   <tr><td>-10011</td><td>the signer certificate has expired</td></tr>
 *   <tr><td>-10012</td><td>the signer certificate is revoked</td></tr>
 *   <tr><td>-10013</td><td>the certificate chain cannot be built or fails</td></tr>
 *   <tr><td>-10014</td><td>the signer's issuer is in neither "CA" nor "ROOT"</td></tr>
 *   <tr><td>-10015</td><td>the private key for the certificate is missing</td></tr>
 *   <tr><td>-10017</td><td>the signer certificate's own signature is bad</td></tr>
 *   <tr><td>-10018</td><td>a certificate store cannot be opened</td></tr>
 *   <tr><td>-10019</td><td>the cryptographic provider cannot be prepared</td></tr>
 *   <tr><td>-10020</td><td>signing failed</td></tr>
 *   <tr><td>-10021</td><td>verification failed</td></tr>
 *   <tr><td>-10022</td><td>encryption failed</td></tr>
 *   <tr><td>-10023</td><td>decryption failed</td></tr>
 * </table>
 *
 * <h2>Dialogs</h2>
 * Every call runs on the calling thread and blocks it while the library talks to the user:
 * signing and enveloping show a certificate chooser, and every operation shows a message box
 * with its outcome that the user must dismiss. The calls return only then. Calls with a
 * {@code null} or empty input show nothing. On Linux the dialogs go through the front end that
 * the environment variable {@code CORVANE_UI} names ({@code gui}, {@code tty}, {@code none},
 * {@code script}; {@code auto} by default).
 *
 * <p>Texts (message boxes, the self-test's output) are GBK (code page 936). Inputs and outputs
 * pass unchanged: the Base64 texts are ASCII bytes, the data any bytes.
 */
public final class Corvane {
  static {
    try {
      System.loadLibrary("Corvane");
    } catch (UnsatisfiedLinkError e) {
      UnsatisfiedLinkError missing = new UnsatisfiedLinkError(
          "plovik.Corvane needs the native library " + System.mapLibraryName("Corvane")
              + " in a folder of java.library.path (now \""
              + System.getProperty("java.library.path")
              + "\"); start Java with -Djava.library.path=FOLDER: " + e.getMessage());
      missing.initCause(e);
      throw missing;
    }
  }

  private Corvane() {}

  /**
   * Signs {@code data} with a certificate of the store "MY" that the user chooses; the message
   * carries the data (an attached signature).
   *
   * @param data the bytes to sign; not {@code null}, not empty
   * @param result {@code result[0]} receives the result code; may be {@code null}
   * @return the Base64 text (ASCII, lines of 64 characters) of the PKCS #7 signed message, or
   *     {@code null} on failure
   */
  public static native byte[] JNISignAttachedMsg(byte[] data, int[] result);

  /**
   * Signs {@code data} with a certificate of the store "MY" that the user chooses; the message
   * carries only the signature (a detached signature), the data travels separately.
   *
   * @param data the bytes to sign; not {@code null}, not empty
   * @param result {@code result[0]} receives the result code; may be {@code null}
   * @return the Base64 text of the PKCS #7 signed message without the data, or {@code null} on
   *     failure
   */
  public static native byte[] JNISignDetachedMsg(byte[] data, int[] result);

  /**
   * Verifies a signed message that carries its data, with the signer's chain checked against
   * "CA" and "ROOT", and returns the data.
   *
   * @param signedMessage the Base64 text of the PKCS #7 signed message; not {@code null}, not
   *     empty
   * @param result {@code result[0]} receives the result code; may be {@code null}
   * @return exactly the data that was signed, or {@code null} on failure
   */
  public static native byte[] JNIVerifyAttachedMsg(byte[] signedMessage, int[] result);

  /**
   * Encrypts {@code data} for one recipient that the user chooses among the certificates of the
   * stores "CA" and "ROOT".
   *
   * @param data the bytes to encrypt; not {@code null}, not empty
   * @param result {@code result[0]} receives the result code; may be {@code null}
   * @return the Base64 text of the PKCS #7 enveloped message, or {@code null} on failure
   */
  public static native byte[] JNIEncryptMsg(byte[] data, int[] result);

  /**
   * Opens an enveloped message with a private key of the store "MY".
   *
   * @param envelopedMessage the Base64 text of the PKCS #7 enveloped message; not {@code null},
   *     not empty
   * @param result {@code result[0]} receives the result code; may be {@code null}
   * @return exactly the decrypted data, or {@code null} on failure
   */
  public static native byte[] JNIDecryptMsg(byte[] envelopedMessage, int[] result);

  /**
   * Verifies a detached signature over {@code data}, with the signer's chain checked against
   * "CA" and "ROOT". A signed message that carries its own data is verified by itself instead;
   * {@code data} is then not compared with it. Neither array is changed.
   *
   * @param signature the Base64 text of the PKCS #7 signed message; not {@code null}, not empty
   * @param data the signed bytes; not {@code null}, not empty
   * @param result {@code result[0]} receives the result code too; may be {@code null}
   * @return the result code: 0 when the signature verifies
   */
  public static native int JNIVerifyDetachedMsg(byte[] signature, byte[] data, int[] result);

  /**
   * Runs the library's round trip on two built-in GBK texts: signs one and verifies the signed
   * message, envelopes the other and opens it, printing each stage to the process's standard
   * output (through the C library, not {@link System#out}). The user chooses a certificate twice
   * and sees each operation's message box. The first failure ends the run with the line
   * "Error occuerd!" and its code.
   *
   * @return 0 when every step succeeded, -1 otherwise
   */
  public static native int JNItest();
}
