import java.nio.file.Files;
import java.nio.file.Path;
import java.security.PrivateKey;
import java.security.Security;
import java.util.Arrays;
import org.bouncycastle.asn1.pkcs.PrivateKeyInfo;
import org.bouncycastle.cert.X509CertificateHolder;
import org.bouncycastle.cms.CMSEnvelopedData;
import org.bouncycastle.cms.CMSSignedData;
import org.bouncycastle.cms.KeyAgreeRecipientInformation;
import org.bouncycastle.cms.Recipient;
import org.bouncycastle.cms.RecipientInformation;
import org.bouncycastle.cms.SignerInformation;
import org.bouncycastle.cms.jcajce.JcaSimpleSignerInfoVerifierBuilder;
import org.bouncycastle.cms.jcajce.JceKeyAgreeEnvelopedRecipient;
import org.bouncycastle.cms.jcajce.JceKeyTransEnvelopedRecipient;
import org.bouncycastle.jce.provider.BouncyCastleProvider;
import org.bouncycastle.openssl.PEMParser;
import org.bouncycastle.openssl.jcajce.JcaPEMKeyConverter;

/**
 * Bouncy Castle as the peer of the interoperability tests. Each folder named on the command line
 * holds message.der, certificate.der and content; with key.pem the message is an envelope to
 * open with that key, without it a signed message to verify with that certificate. Prints one
 * line per folder: "ok", or why not.
 */
public final class BouncyCastlePeer {
  public static void main(String[] folders) {
    Security.addProvider(new BouncyCastleProvider());
    for (String folder : folders) {
      String outcome;
      try {
        outcome = check(Path.of(folder));
      } catch (Exception failure) {
        outcome = failure.toString().replace('\n', ' ');
      }
      System.out.println(outcome);
    }
  }

  private static String check(Path folder) throws Exception {
    byte[] message = Files.readAllBytes(folder.resolve("message.der"));
    Path key = folder.resolve("key.pem");
    byte[] content = Files.exists(key)
        ? open(message, privateKey(key))
        : verify(message, new X509CertificateHolder(
            Files.readAllBytes(folder.resolve("certificate.der"))));
    return Arrays.equals(content, Files.readAllBytes(folder.resolve("content")))
        ? "ok" : "other content";
  }

  private static byte[] verify(byte[] message, X509CertificateHolder certificate)
      throws Exception {
    CMSSignedData signed = new CMSSignedData(message);
    SignerInformation signer = signed.getSignerInfos().getSigners().iterator().next();
    if (!signer.verify(new JcaSimpleSignerInfoVerifierBuilder().setProvider("BC")
        .build(certificate))) {
      throw new Exception("the signature does not verify");
    }
    return (byte[]) signed.getSignedContent().getContent();
  }

  private static byte[] open(byte[] message, PrivateKey key) throws Exception {
    RecipientInformation recipient =
        new CMSEnvelopedData(message).getRecipientInfos().getRecipients().iterator().next();
    Recipient opener = recipient instanceof KeyAgreeRecipientInformation
        ? new JceKeyAgreeEnvelopedRecipient(key).setProvider("BC")
        : new JceKeyTransEnvelopedRecipient(key).setProvider("BC");
    return recipient.getContent(opener);
  }

  private static PrivateKey privateKey(Path pem) throws Exception {
    try (PEMParser parser = new PEMParser(Files.newBufferedReader(pem))) {
      return new JcaPEMKeyConverter().setProvider("BC")
          .getPrivateKey((PrivateKeyInfo) parser.readObject());
    }
  }
}
