package plovik;

import static org.junit.jupiter.api.Assertions.*;

import java.util.stream.Stream;
import org.junit.jupiter.params.ParameterizedTest;
import org.junit.jupiter.params.provider.Arguments;
import org.junit.jupiter.params.provider.MethodSource;

/** The rules for null and empty arrays, which the native layer applies before any export runs. */
class ArgumentRulesTest {
  interface ByteMethod {
    byte[] call(byte[] input, int[] result);
  }

  static Stream<Arguments> byteMethods() {
    return Stream.of(
        Arguments.of("JNISignAttachedMsg", (ByteMethod) Corvane::JNISignAttachedMsg),
        Arguments.of("JNISignDetachedMsg", (ByteMethod) Corvane::JNISignDetachedMsg),
        Arguments.of("JNIVerifyAttachedMsg", (ByteMethod) Corvane::JNIVerifyAttachedMsg),
        Arguments.of("JNIEncryptMsg", (ByteMethod) Corvane::JNIEncryptMsg),
        Arguments.of("JNIDecryptMsg", (ByteMethod) Corvane::JNIDecryptMsg));
  }

  @ParameterizedTest(name = "{0}")
  @MethodSource("byteMethods")
  void nullOrEmptyInputIsRefusedWithoutShowingAnything(String name, ByteMethod method)
      throws Exception {
    int shown = TestStores.uiLogLines();
    for (byte[] input : new byte[][] {null, {}}) {
      int[] result = {1, 7};
      assertNull(method.call(input, result));
      assertArrayEquals(new int[] {-10001, 7}, result);
      assertNull(method.call(input, null));
    }
    assertEquals(shown, TestStores.uiLogLines());
  }

  @ParameterizedTest(name = "{0}")
  @MethodSource("byteMethods")
  void anEmptyResultArrayThrows(String name, ByteMethod method) {
    assertThrows(ArrayIndexOutOfBoundsException.class, () -> method.call(null, new int[0]));
  }

  static Stream<Arguments> detachedVerificationArguments() {
    int[] result = {1};
    byte[] signature = Corvane.JNISignDetachedMsg(new byte[] {1, 2, 3}, result);
    assertEquals(0, result[0]);
    return Stream.of(
        Arguments.of("no signature", null, new byte[] {1, 2, 3}),
        Arguments.of("empty signature", new byte[0], new byte[] {1, 2, 3}),
        Arguments.of("no data", signature, null),
        Arguments.of("empty data", signature, new byte[0]));
  }

  @ParameterizedTest(name = "JNIVerifyDetachedMsg: {0}")
  @MethodSource("detachedVerificationArguments")
  void detachedVerificationRefusesNullOrEmptyArrays(String name, byte[] signature, byte[] data)
      throws Exception {
    int shown = TestStores.uiLogLines();
    int[] result = {1, 7};
    assertEquals(-10001, Corvane.JNIVerifyDetachedMsg(signature, data, result));
    assertArrayEquals(new int[] {-10001, 7}, result);
    assertEquals(-10001, Corvane.JNIVerifyDetachedMsg(signature, data, null));
    assertThrows(ArrayIndexOutOfBoundsException.class,
        () -> Corvane.JNIVerifyDetachedMsg(signature, data, new int[0]));
    assertEquals(shown, TestStores.uiLogLines());
  }
}
