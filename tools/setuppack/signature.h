// A package's Authenticode signature, as far as info shows it: whether the
// program file is signed and whom its signing certificate names. The
// signature itself is not verified here (osslsigncode verify does that).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace marrowby::setuppack {

// The subject of the signer's certificate, "CN=..., O=..." (common name and
// organisation, as they are given); empty when the bytes (a PE certificate
// table: WIN_CERTIFICATE entries holding PKCS#7 SignedData) do not name one.
std::string SignerName(const std::vector<uint8_t>& table);

}  // namespace marrowby::setuppack
