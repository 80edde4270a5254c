package plovik;

import static org.junit.jupiter.api.Assertions.*;

import java.io.File;
import java.nio.charset.Charset;
import java.nio.file.Files;
import java.nio.file.Path;
import java.nio.file.Paths;
import java.util.regex.Matcher;
import java.util.regex.Pattern;
import java.util.stream.Stream;
import org.junit.jupiter.api.Test;
import org.junit.jupiter.params.ParameterizedTest;
import org.junit.jupiter.params.provider.Arguments;
import org.junit.jupiter.params.provider.MethodSource;

/** JNItest's standard output, in JVMs of their own (the chooser answers differ per run). */
class SelfTestOutputTest {
  static final Charset GBK = Charset.forName("GBK");
  static final String SIGN_TEXT = "你好，这是签名用的原文";
  static final String ENCRYPT_TEXT = "你好，这是加密用的原文";
  static final String BASE64 = "\\[([A-Za-z0-9+/=\n]+)\\]\n";
  static final String SIGNED = "Sign Test Begin!\nPlain:\n\\[" + SIGN_TEXT + "\\]\nSignedMsg:\n"
      + BASE64 + "Sign Test OK!\nVerify Test Begin!\nVerify Test OK!\n";
  static final String ENCRYPT_BEGUN = "Encrypt Test Begin!\nPlain:\n\\[" + ENCRYPT_TEXT + "\\]\n";

  /** A finished JVM: its exit status and what it printed. */
  record Run(int status, String out, String err) {}

  /** Runs corvane.jar's main (JNItest) with the given chooser answers and library path. */
  static Run selfTest(String choices, String libraryPath) throws Exception {
    File jar = new File(Corvane.class.getProtectionDomain().getCodeSource().getLocation().toURI());
    ProcessBuilder builder = new ProcessBuilder(
        Paths.get(System.getProperty("java.home"), "bin", "java").toString(),
        "-Djava.library.path=" + libraryPath, "-jar", jar.getPath());
    builder.environment().put("CORVANE_UI_CHOICES", choices);
    Path err = Files.createTempFile("corvane-self-test", ".err");
    try {
      Process process = builder.redirectError(err.toFile()).start();
      process.getOutputStream().close();
      byte[] out = process.getInputStream().readAllBytes();
      return new Run(process.waitFor(), new String(out, GBK),
          new String(Files.readAllBytes(err), GBK));
    } finally {
      Files.delete(err);
    }
  }

  @Test
  void aSuccessfulRunPrintsEveryStageAndMessagesThatPeersAccept() throws Exception {
    Run run = selfTest("0,0", System.getProperty("java.library.path"));
    Matcher printed = Pattern.compile(SIGNED + ENCRYPT_BEGUN + "EnvelopedMsg:\n" + BASE64
        + "Encrypt Test OK!\nDecrypt Test Begin!\nDecrypted Plain:\n\\[" + ENCRYPT_TEXT
        + "\\]\nDecrypt Test OK!\nJNItest returned 0\n").matcher(run.out());
    assertTrue(printed.matches(), run.out() + run.err());
    assertEquals(0, run.status());
    assertArrayEquals(SIGN_TEXT.getBytes(GBK),
        PeerMessages.verify(printed.group(1).getBytes(GBK), null));
    assertArrayEquals(ENCRYPT_TEXT.getBytes(GBK),
        PeerMessages.open(printed.group(2).getBytes(GBK), TestStores.userKey()));
  }

  static Stream<Arguments> cancellations() {
    return Stream.of(
        Arguments.of("cancel", "Sign Test Begin!\nPlain:\n\\[" + SIGN_TEXT + "\\]\n"),
        Arguments.of("0,cancel", SIGNED + ENCRYPT_BEGUN));
  }

  @ParameterizedTest(name = "choices \"{0}\"")
  @MethodSource("cancellations")
  void aCancelledChooserEndsTheRunWithTheErrorLine(String choices, String before)
      throws Exception {
    Run run = selfTest(choices, System.getProperty("java.library.path"));
    String failed = "Error occuerd!\n return : \\[-10005\\]\nJNItest returned -1\n";
    assertTrue(run.out().matches(before + failed), run.out() + run.err());
    assertEquals(1, run.status());
  }

  @Test
  void aMissingLibraryIsNamedWithTheLibraryPath() throws Exception {
    Run run = selfTest("", "/nonexistent");
    assertNotEquals(0, run.status());
    assertTrue(run.err().contains(
        "libCorvane.so in a folder of java.library.path (now \"/nonexistent\")"), run.err());
  }
}
