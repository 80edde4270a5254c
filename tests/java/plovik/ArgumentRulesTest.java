package plovik;

import static org.junit.jupiter.api.Assertions.assertArrayEquals;
import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertNull;
import static org.junit.jupiter.api.Assertions.assertThrows;

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
}
