// SHA-256 for the I/O table through the system's CryptoAPI (the AES
// provider, which has SHA-256 on every system that has it at all). One
// provider serves the whole run; a hash context is a CryptoAPI hash handle.
#include "setup/setup_win32.h"

#include <wincrypt.h>

namespace marrowby::setup {

namespace {

HCRYPTPROV g_provider;

}  // namespace

void* HashBegin() {
  if (!g_provider &&
      !CryptAcquireContextA(&g_provider, nullptr, nullptr, PROV_RSA_AES, CRYPT_VERIFYCONTEXT)) {
    g_provider = 0;
    return nullptr;
  }
  HCRYPTHASH hash = 0;
  if (!CryptCreateHash(g_provider, CALG_SHA_256, 0, 0, &hash)) return nullptr;
  return reinterpret_cast<void*>(hash);
}

bool HashAdd(void* context, const void* data, uint32_t count) {
  return CryptHashData(reinterpret_cast<HCRYPTHASH>(context), static_cast<const BYTE*>(data),
                       count, 0) != FALSE;
}

bool HashFinish(void* context, uint8_t* digest) {
  const HCRYPTHASH hash = reinterpret_cast<HCRYPTHASH>(context);
  DWORD size = 32;
  const bool ok = CryptGetHashParam(hash, HP_HASHVAL, digest, &size, 0) != FALSE;
  CryptDestroyHash(hash);
  return ok && size == 32;
}

}  // namespace marrowby::setup
