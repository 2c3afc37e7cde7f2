// Request addresses at the edge: what may be sent to, and what may be written to the log.
//
// An address is sent to only when it is an absolute http or https address with a host.
// Anything else (an unset WebServer setting leaves a bare path such as
// "zoduda_vudi/account/login.do", which the transfer library would take for a host name and
// send the phone number and password to) is refused before a connection is made. Characters
// that an address may not carry (a space in a picture's name) are percent-encoded; "%" itself
// is kept, so an address that is already encoded stays as it is.
#pragma once

#include <string>

// The address to send to in `normalised`; false with `problem` set when `url` may not be sent
// to. The refusal is logged once per address, so a poll every few minutes does not fill the log.
bool CheckServerAddress(const std::string& url, std::string& normalised, std::string& problem);

// `text` (an address or a form body) with the values of the secret keys ("tokenId",
// "password", "logintoken") replaced by "***", for the log.
std::string MaskSecrets(const std::string& text);
