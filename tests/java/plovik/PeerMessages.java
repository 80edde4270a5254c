package plovik;

import static org.junit.jupiter.api.Assertions.*;

import java.security.PrivateKey;
import java.security.cert.X509Certificate;
import java.util.Base64;
import org.bouncycastle.asn1.ASN1ObjectIdentifier;
import org.bouncycastle.cert.X509CertificateHolder;
import org.bouncycastle.cms.CMSEnvelopedData;
import org.bouncycastle.cms.CMSEnvelopedDataGenerator;
import org.bouncycastle.cms.CMSProcessableByteArray;
import org.bouncycastle.cms.CMSSignedData;
import org.bouncycastle.cms.CMSTypedData;
import org.bouncycastle.cms.RecipientInformation;
import org.bouncycastle.cms.SignerInformation;
import org.bouncycastle.cms.jcajce.JceCMSContentEncryptorBuilder;
import org.bouncycastle.cms.jcajce.JceKeyTransEnvelopedRecipient;
import org.bouncycastle.cms.jcajce.JceKeyTransRecipientInfoGenerator;
import org.bouncycastle.cms.jcajce.JcaSimpleSignerInfoVerifierBuilder;
import org.bouncycastle.jce.provider.BouncyCastleProvider;

/** Bouncy Castle as the peer: it checks the library's messages and makes messages for it. */
final class PeerMessages {
  private static final BouncyCastleProvider BC = new BouncyCastleProvider();

  private PeerMessages() {}

  /**
   * Verifies the first signer of a signed message (with `content` for a detached one) with the
   * certificate it carries, checks that this is the user's, and returns the content the message
   * itself carries (null for a detached signature).
   */
  @SuppressWarnings("unchecked") // Bouncy Castle's certificate store is declared without its type
  static byte[] verify(byte[] base64, byte[] content) throws Exception {
    byte[] der = TestStores.der(base64);
    CMSSignedData signed = content == null
        ? new CMSSignedData(der) : new CMSSignedData(new CMSProcessableByteArray(content), der);
    SignerInformation signer = signed.getSignerInfos().getSigners().iterator().next();
    X509CertificateHolder certificate =
        (X509CertificateHolder) signed.getCertificates().getMatches(signer.getSID()).iterator()
            .next();
    assertEquals(new X509CertificateHolder(TestStores.userCertificate().getEncoded()), certificate);
    assertTrue(signer.verify(
        new JcaSimpleSignerInfoVerifierBuilder().setProvider(BC).build(certificate)));
    CMSTypedData carried = new CMSSignedData(der).getSignedContent();
    return carried == null ? null : (byte[]) carried.getContent();
  }

  /** The Base64 text of an envelope of `data` for `recipient`, with the given content cipher. */
  static byte[] envelope(byte[] data, X509Certificate recipient, ASN1ObjectIdentifier cipher)
      throws Exception {
    CMSEnvelopedDataGenerator generator = new CMSEnvelopedDataGenerator();
    generator.addRecipientInfoGenerator(
        new JceKeyTransRecipientInfoGenerator(recipient).setProvider(BC));
    CMSEnvelopedData envelope = generator.generate(new CMSProcessableByteArray(data),
        new JceCMSContentEncryptorBuilder(cipher).setProvider(BC).build());
    return Base64.getMimeEncoder(64, new byte[] {'\n'}).encode(envelope.getEncoded());
  }

  /** Opens the library's envelope with the recipient's key. */
  static byte[] open(byte[] base64, PrivateKey key) throws Exception {
    CMSEnvelopedData envelope = new CMSEnvelopedData(TestStores.der(base64));
    RecipientInformation recipient = envelope.getRecipientInfos().getRecipients().iterator().next();
    return recipient.getContent(new JceKeyTransEnvelopedRecipient(key).setProvider(BC));
  }
}
