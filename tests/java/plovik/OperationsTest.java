package plovik;

import static org.junit.jupiter.api.Assertions.*;

import java.nio.charset.StandardCharsets;
import java.util.stream.Stream;
import org.bouncycastle.cms.CMSAlgorithm;
import org.junit.jupiter.api.Test;
import org.junit.jupiter.params.ParameterizedTest;
import org.junit.jupiter.params.provider.Arguments;
import org.junit.jupiter.params.provider.MethodSource;

/** Every method on the real store, with Bouncy Castle on the other side. */
class OperationsTest {
  static Stream<Arguments> data() {
    byte[] large = new byte[100_000];
    for (int i = 0; i < large.length; i++) large[i] = (byte) (i * 31);
    return Stream.of(
        Arguments.of("one byte", new byte[] {'x'}),
        Arguments.of("text", "Hello, Corvane".getBytes(StandardCharsets.US_ASCII)),
        Arguments.of("zero bytes inside and at the end", new byte[] {0, 'a', 0, (byte) 0xFF, 0}),
        Arguments.of("100 000 bytes", large));
  }

  static byte[] signed(byte[] data, boolean detached) {
    int[] result = {1};
    byte[] message = detached
        ? Corvane.JNISignDetachedMsg(data, result) : Corvane.JNISignAttachedMsg(data, result);
    assertEquals(0, result[0]);
    return message;
  }

  @ParameterizedTest(name = "{0}")
  @MethodSource("data")
  void attachedMessageVerifiesWithBouncyCastleAndGivesBackExactlyTheData(String name, byte[] data)
      throws Exception {
    byte[] message = signed(data, false);
    assertArrayEquals(data, PeerMessages.verify(message, null));
    int[] result = {1};
    assertArrayEquals(data, Corvane.JNIVerifyAttachedMsg(message, result));
    assertEquals(0, result[0]);
  }

  @ParameterizedTest(name = "{0}")
  @MethodSource("data")
  void detachedSignatureVerifiesOverItsDataOnly(String name, byte[] data) throws Exception {
    byte[] signature = signed(data, true);
    assertNull(PeerMessages.verify(signature, data), "Bouncy Castle verifies; no data carried");
    int[] result = {1};
    assertEquals(0, Corvane.JNIVerifyDetachedMsg(signature, data, result));
    assertEquals(0, result[0]);
    byte[] altered = data.clone();
    altered[altered.length - 1] ^= 1;
    assertEquals(-10010, Corvane.JNIVerifyDetachedMsg(signature, altered, null));
  }

  static Stream<Arguments> dataAgainstForm() {
    byte[] large = new byte[50_000];
    byte[] owe = "I owe you 1 EUR".getBytes(StandardCharsets.US_ASCII);
    byte[] more = "I owe you 1,000,000 EUR".getBytes(StandardCharsets.US_ASCII);
    return Stream.of(
        Arguments.of("attached, the same data", signed(owe, false), owe, 0),
        Arguments.of("attached, other data", signed(owe, false), more, -10010),
        Arguments.of("attached, 50 000 bytes against one", signed(large, false), new byte[] {0}, -10010),
        Arguments.of("detached, its data", signed(owe, true), owe, 0),
        Arguments.of("detached, other data", signed(owe, true), more, -10010));
  }

  @ParameterizedTest(name = "{0}")
  @MethodSource("dataAgainstForm")
  void theDataHandedWithAMessageIsWhatWasSigned(String name, byte[] message, byte[] data, int code) {
    int[] result = {1};
    byte[] given = data.clone();
    assertEquals(code, Corvane.JNIVerifyDetachedMsg(message, data, result));
    assertEquals(code, result[0]);
    assertArrayEquals(given, data, "the caller's array is never written");
  }

  @Test
  void aDetachedSignatureWithoutDataNeverVerifies() {
    // Not even over zeros as long as its text, which is what an attached verification's buffer holds.
    int length = signed(new byte[1], true).length;
    byte[] signature = signed(new byte[length], true);
    assertEquals(length, signature.length);
    int[] result = {1};
    assertNull(Corvane.JNIVerifyAttachedMsg(signature, result));
    assertEquals(-10010, result[0]);
  }

  @ParameterizedTest(name = "{0}")
  @MethodSource("data")
  void envelopesOpenWithBouncyCastleAndBouncyCastleEnvelopesOpenHere(String name, byte[] data)
      throws Exception {
    int[] result = {1};
    byte[] envelope = Corvane.JNIEncryptMsg(data, result);
    assertEquals(0, result[0]);
    assertArrayEquals(data, PeerMessages.open(envelope, TestStores.userKey()));
    byte[] peerEnvelope =
        PeerMessages.envelope(data, TestStores.userCertificate(), CMSAlgorithm.AES256_CBC);
    assertArrayEquals(data, Corvane.JNIDecryptMsg(peerEnvelope, result));
    assertEquals(0, result[0]);
  }

  @Test
  void aResultArrayIsOptionalAndAnEmptyOneThrowsAfterTheWork() throws Exception {
    byte[] data = {1, 2, 3};
    byte[] envelope =
        PeerMessages.envelope(data, TestStores.userCertificate(), CMSAlgorithm.AES128_CBC);
    assertArrayEquals(data, Corvane.JNIDecryptMsg(envelope, null));
    int shown = TestStores.uiLogLines();
    assertThrows(ArrayIndexOutOfBoundsException.class,
        () -> Corvane.JNIDecryptMsg(envelope, new int[0]));
    assertEquals(shown + 1, TestStores.uiLogLines(), "the success box was shown first");
  }

  @Test
  void aFailureOfTheExportReturnsNullWithItsCode() {
    int[] result = {1};
    assertNull(Corvane.JNIDecryptMsg("YWJjY".getBytes(StandardCharsets.US_ASCII), result));
    assertEquals(-10002, result[0]);
  }
}
