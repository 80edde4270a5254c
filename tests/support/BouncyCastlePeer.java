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
      try {
        System.out.println(Arrays.equals(content(Path.of(folder)),
            Files.readAllBytes(Path.of(folder, "content"))) ? "ok" : "other content");
      } catch (Exception failure) {
        System.out.println(failure.toString().replace('\n', ' '));
      }
    }
  }

  private static byte[] content(Path folder) throws Exception {
    byte[] message = Files.readAllBytes(folder.resolve("message.der"));
    if (Files.exists(folder.resolve("key.pem"))) {
      PrivateKey key;
      try (PEMParser parser = new PEMParser(Files.newBufferedReader(folder.resolve("key.pem")))) {
        key = new JcaPEMKeyConverter().setProvider("BC")
            .getPrivateKey((PrivateKeyInfo) parser.readObject());
      }
      RecipientInformation recipient =
          new CMSEnvelopedData(message).getRecipientInfos().getRecipients().iterator().next();
      return recipient instanceof KeyAgreeRecipientInformation
          ? recipient.getContent(new JceKeyAgreeEnvelopedRecipient(key).setProvider("BC"))
          : recipient.getContent(new JceKeyTransEnvelopedRecipient(key).setProvider("BC"));
    }
    CMSSignedData signed = new CMSSignedData(message);
    SignerInformation signer = signed.getSignerInfos().getSigners().iterator().next();
    X509CertificateHolder certificate =
        new X509CertificateHolder(Files.readAllBytes(folder.resolve("certificate.der")));
    if (!signer.verify(new JcaSimpleSignerInfoVerifierBuilder().setProvider("BC")
        .build(certificate))) {
      throw new Exception("the signature does not verify");
    }
    return (byte[]) signed.getSignedContent().getContent();
  }
}
