// The browser host's own refusals: codes outside the library's (-10000 .. -10023, corvane.h), so
// that a page never takes a refusal of the host for a result of an export. Everything an export
// answers keeps the export's code. web/corvane.d.ts exports the same numbers to pages, and
// docs/web.md lists which request gets which.
#pragma once

namespace corvane::tool {

// The page's origin may not use the certificates: the user did not allow it (the question was
// cancelled or could not be asked), or it is not an origin the host accepts at all.
inline constexpr int kWebOriginNotAllowed = -20001;
// The user cancelled the question about this signature by serial number or this envelope.
inline constexpr int kWebConsentRefused = -20002;
// A request the host cannot read: longer than it reads, not JSON, not an object, nested too
// deeply, without an origin, or with an unknown operation.
inline constexpr int kWebUnreadableRequest = -20003;

}  // namespace corvane::tool
