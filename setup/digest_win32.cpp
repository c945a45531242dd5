// SHA-256 for the I/O table through the system's CryptoAPI (the AES
// provider, which has SHA-256 on every system that has it at all: Windows XP
// from SP3 on). The functions are looked up when first needed, so that the
// program starts on systems without them; only a split package needs them.
// One provider serves the whole run; a hash context is a CryptoAPI hash
// handle.
#include "setup/cstr.h"
#include "setup/setup_win32.h"

#include <wincrypt.h>

namespace marrowby::setup {

namespace {

struct CryptoApi {
  BOOL(WINAPI* acquireContext)(HCRYPTPROV*, LPCSTR, LPCSTR, DWORD, DWORD);
  BOOL(WINAPI* createHash)(HCRYPTPROV, ALG_ID, HCRYPTKEY, DWORD, HCRYPTHASH*);
  BOOL(WINAPI* hashData)(HCRYPTHASH, const BYTE*, DWORD, DWORD);
  BOOL(WINAPI* getHashParam)(HCRYPTHASH, DWORD, BYTE*, DWORD*, DWORD);
  BOOL(WINAPI* destroyHash)(HCRYPTHASH);
};

// In the order of CryptoApi's members.
const char kNames[] = "CryptAcquireContextA\0CryptCreateHash\0CryptHashData\0CryptGetHashParam\0"
                      "CryptDestroyHash";

CryptoApi g_api;
HCRYPTPROV g_provider;

// The functions from advapi32 (which the program imports, so it is loaded);
// false when any is missing.
bool LoadCryptoApi() {
  if (g_api.destroyHash) return true;
  const HMODULE advapi = GetModuleHandleA("advapi32.dll");
  FARPROC* slot = reinterpret_cast<FARPROC*>(&g_api);
  const char* name = kNames;
  for (int i = 0; i < 5; ++i, name += TextLength(name) + 1) {
    slot[i] = GetProcAddress(advapi, name);
    if (!slot[i]) {
      g_api.destroyHash = nullptr;
      return false;
    }
  }
  return true;
}

}  // namespace

void* HashBegin() {
  if (!LoadCryptoApi()) return nullptr;
  if (!g_provider &&
      !g_api.acquireContext(&g_provider, nullptr, nullptr, PROV_RSA_AES, CRYPT_VERIFYCONTEXT)) {
    g_provider = 0;
    return nullptr;
  }
  HCRYPTHASH hash = 0;
  if (!g_api.createHash(g_provider, CALG_SHA_256, 0, 0, &hash)) return nullptr;
  return reinterpret_cast<void*>(hash);
}

bool HashAdd(void* context, const void* data, uint32_t count) {
  return g_api.hashData(reinterpret_cast<HCRYPTHASH>(context), static_cast<const BYTE*>(data),
                        count, 0) != FALSE;
}

bool HashFinish(void* context, uint8_t* digest) {
  const HCRYPTHASH hash = reinterpret_cast<HCRYPTHASH>(context);
  DWORD size = 32;
  const bool ok = g_api.getHashParam(hash, HP_HASHVAL, digest, &size, 0) != FALSE;
  g_api.destroyHash(hash);
  return ok && size == 32;
}

}  // namespace marrowby::setup
