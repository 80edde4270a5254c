// Types of the Corvane browser extension's page API (window.corvane) and of corvane.js.

/** Bytes to sign or envelope: a string is sent as UTF-8. */
export type CorvaneData = string | ArrayBuffer | ArrayBufferView;

/** A certificate of the user's personal store, as the library renders it. */
export interface CorvaneCertificate {
  subject: string;
  issuer: string;
  /** Plain hex digits: what `serial` of sign and encrypt takes. */
  serial: string;
  notBefore: string;
  notAfter: string;
  thumbprint: string;
}

export interface CorvaneResult {
  /** Always 0 in a resolved result. */
  code: 0;
  /** The library's text of the result. */
  text: string;
}

export interface CorvaneMessageResult extends CorvaneResult {
  /** The library's Base64 text of the message made. */
  message: string;
}

export interface CorvaneDataResult extends CorvaneResult {
  /** The content: of an attached signature verified, or of an envelope opened. */
  data?: Uint8Array;
}

export interface CorvaneVerifyResult extends CorvaneDataResult {
  /** Whether the message was a detached signature (then no data is handed back). */
  detached: boolean;
}

export interface CorvaneCertificatesResult extends CorvaneResult {
  certificates: CorvaneCertificate[];
}

export interface CorvaneCertificateChoice {
  /** Hex digits of the certificate's serial number; without it the user chooses. */
  serial?: string;
  /** With serial: its issuer as the library renders names ("CN=QDRA, OU=config, O=Ostrevalia" when absent). */
  issuer?: string;
}

export interface CorvaneSignOptions extends CorvaneCertificateChoice {
  detached?: boolean;
}

/** The page's origin may not use the certificates: the user did not allow it. */
export const ORIGIN_NOT_ALLOWED: -20001;
/** The user cancelled the question about this signature by serial number or this envelope. */
export const CONSENT_REFUSED: -20002;
/** The host could not read the request (too long, not JSON, nested deeper than 16, unknown op). */
export const UNREADABLE_REQUEST: -20003;
/** The host could not be started, or ended without answering. */
export const HOST_UNAVAILABLE: -20004;

/**
 * What a failure rejects with: name "CorvaneError", and the library's result code (-100xx, as
 * its exports answer) or a refusal of the host (-2000x, above) with its text.
 */
export interface CorvaneError extends Error {
  name: "CorvaneError";
  code: number;
}

export interface CorvaneApi {
  sign(data: CorvaneData, options?: CorvaneSignOptions): Promise<CorvaneMessageResult>;
  /**
   * options.data: the signed data. A detached signature verifies only over it; a message that
   * carries its content verifies with it only when that content equals it (else -10010).
   */
  verify(message: string, options?: { data?: CorvaneData }): Promise<CorvaneVerifyResult>;
  encrypt(data: CorvaneData, options?: CorvaneCertificateChoice): Promise<CorvaneMessageResult>;
  decrypt(message: string): Promise<CorvaneDataResult & { data: Uint8Array }>;
  certificates(): Promise<CorvaneCertificatesResult>;
}

declare global {
  interface Window {
    readonly corvane?: CorvaneApi;
  }
}

/** The extension's API; rejects after timeoutMs (3000) when no extension provides it. */
export function corvane(timeoutMs?: number): Promise<CorvaneApi>;
/** The UTF-8 text of bytes an answer carries. */
export function textOf(bytes: Uint8Array): string;
export function isCorvaneError(error: unknown): error is CorvaneError;
