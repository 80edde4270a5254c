package plovik;

import java.io.ByteArrayInputStream;
import java.io.IOException;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Path;
import java.nio.file.Paths;
import java.security.PrivateKey;
import java.security.cert.CertificateFactory;
import java.security.cert.X509Certificate;
import java.util.Base64;
import org.bouncycastle.asn1.pkcs.PrivateKeyInfo;
import org.bouncycastle.openssl.jcajce.JcaPEMKeyConverter;

/** The store that run_junit.sh made for the test JVM, and what the library showed in it. */
final class TestStores {
  static final Path PKI = Paths.get(System.getProperty("corvane.test.pki"));
  static final Path UI_LOG = Paths.get(System.getenv("CORVANE_UI_LOG"));

  private TestStores() {}

  /** The user's certificate: in MY with its key, and in CA as the recipient. */
  static X509Certificate userCertificate() throws Exception {
    byte[] pem = Files.readAllBytes(PKI.resolve("user.pem"));
    return (X509Certificate) CertificateFactory.getInstance("X.509")
        .generateCertificate(new ByteArrayInputStream(pem));
  }

  static PrivateKey userKey() throws Exception {
    String pem = new String(Files.readAllBytes(PKI.resolve("user.key")), StandardCharsets.US_ASCII);
    String body = pem.replaceAll("-----[A-Z ]+-----", "");
    return new JcaPEMKeyConverter()
        .getPrivateKey(PrivateKeyInfo.getInstance(Base64.getMimeDecoder().decode(body)));
  }

  /** The DER bytes of the library's Base64 text. */
  static byte[] der(byte[] base64) {
    return Base64.getMimeDecoder().decode(base64);
  }

  /** How many lines the UI log holds: the boxes and choosers shown so far. */
  static int uiLogLines() throws IOException {
    return Files.exists(UI_LOG) ? Files.readAllLines(UI_LOG, StandardCharsets.UTF_8).size() : 0;
  }
}
