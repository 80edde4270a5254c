// The user's consent, asked on the desktop with the UI front ends' OK/Cancel question: once per
// origin (remembered in the user's list, web_origins.h), and again for every signature by serial
// number and every envelope opened, naming the origin and the certificate. The chooser variants
// need no question of their own: the chooser is the user's decision.
#pragma once

#include <string>

#include "../common/message_exports.h"

namespace corvane::web {

// True when the origin is on the user's list, or the user allows it now (it is then added).
bool OriginConsented(const std::string& origin);

// Signing with the certificate of a serial number: true when the user allows it, or when MY holds
// no such certificate (the export then shows the chooser, which asks by itself).
bool SigningConsented(const std::string& origin, const tool::CertificateChoice& choice);

// Opening an envelope: true when the user allows the certificate of MY it was made for to open it,
// or when there is none (the export then fails without touching a key).
bool OpeningConsented(const std::string& origin, const std::string& message_text);

}  // namespace corvane::web
