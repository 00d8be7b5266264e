// SHA-256, for the hash of the pages' style in their content security policy.
#ifndef PELLORIN_SHA256_H
#define PELLORIN_SHA256_H

#include <string>

// The digest of data in base64, as a policy's 'sha256-...' source takes it.
std::string Sha256Base64(const std::string &data);

#endif
