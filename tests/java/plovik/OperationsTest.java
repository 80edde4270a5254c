package plovik;

import static org.junit.jupiter.api.Assertions.assertArrayEquals;
import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertNull;
import static org.junit.jupiter.api.Assertions.assertThrows;
import static org.junit.jupiter.api.Assertions.assertTrue;

import java.nio.charset.StandardCharsets;
import java.util.stream.Stream;
import org.bouncycastle.asn1.ASN1ObjectIdentifier;
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

  @ParameterizedTest(name = "{0}")
  @MethodSource("data")
  void attachedSignatureVerifiesWithBouncyCastle(String name, byte[] data) throws Exception {
    int[] result = {1};
    byte[] message = Corvane.JNISignAttachedMsg(data, result);
    assertEquals(0, result[0]);
    assertArrayEquals(data, PeerMessages.verify(message, null));
  }

  @ParameterizedTest(name = "{0}")
  @MethodSource("data")
  void detachedSignatureVerifiesWithBouncyCastle(String name, byte[] data) throws Exception {
    int[] result = {1};
    byte[] signature = Corvane.JNISignDetachedMsg(data, result);
    assertEquals(0, result[0]);
    assertTrue(PeerMessages.verify(signature, data) == null, "a detached signature carries no content");
  }

  static Stream<Arguments> ciphers() {
    return Stream.of(
        Arguments.of(CMSAlgorithm.AES128_CBC), Arguments.of(CMSAlgorithm.AES256_CBC),
        Arguments.of(CMSAlgorithm.DES_EDE3_CBC));
  }

  @ParameterizedTest
  @MethodSource("ciphers")
  void bouncyCastleEnvelopeOpensToExactlyItsContent(ASN1ObjectIdentifier cipher) throws Exception {
    for (Arguments row : (Iterable<Arguments>) data()::iterator) {
      byte[] data = (byte[]) row.get()[1];
      byte[] envelope = PeerMessages.envelope(data, TestStores.userCertificate(), cipher);
      int[] result = {1};
      assertArrayEquals(data, Corvane.JNIDecryptMsg(envelope, result), (String) row.get()[0]);
      assertEquals(0, result[0]);
    }
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
