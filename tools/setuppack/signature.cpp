// Names the signer of an Authenticode signature: the SignedData's first
// signer gives the issuer and serial number of its certificate, and the
// certificate with both gives the subject. Every length is checked against
// what holds it; BER's indefinite lengths (which Authenticode does not use)
// are refused.
#include "tools/setuppack/signature.h"

#include <cstring>

namespace marrowby::setuppack {

namespace {

// The bytes of one DER element, or of what is left of its parent.
struct Der {
  const uint8_t* p = nullptr;
  size_t n = 0;
};

constexpr uint8_t kSequence = 0x30, kSet = 0x31, kInteger = 0x02, kOid = 0x06;
constexpr uint8_t kContext0 = 0xA0, kBmpString = 0x1E;
constexpr uint8_t kSignedDataOid[] = {0x2A, 0x86, 0x48, 0x86, 0xF7, 0x0D, 0x01, 0x07, 0x02};
constexpr uint8_t kCommonNameOid[] = {0x55, 0x04, 0x03};
constexpr uint8_t kOrganisationOid[] = {0x55, 0x04, 0x0A};
constexpr uint32_t kPkcsSignedData = 2;  // WIN_CERTIFICATE's type

// Takes the next element off `in`: its tag, its content and, when asked,
// the whole element with its tag and length.
bool Next(Der& in, uint8_t* tag, Der* content, Der* whole = nullptr) {
  if (in.n < 2 || (in.p[0] & 0x1F) == 0x1F) return false;
  size_t length = in.p[1], head = 2;
  if (length & 0x80) {
    const size_t bytes = length & 0x7F;
    if (bytes == 0 || bytes > 4 || in.n < 2 + bytes) return false;
    length = 0;
    for (size_t i = 0; i < bytes; ++i) length = length << 8 | in.p[2 + i];
    head += bytes;
  }
  if (length > in.n - head) return false;
  *tag = in.p[0];
  *content = {in.p + head, length};
  if (whole) *whole = {in.p, head + length};
  in.p += head + length;
  in.n -= head + length;
  return true;
}

bool Expect(Der& in, uint8_t tag, Der* content, Der* whole = nullptr) {
  uint8_t t;
  return Next(in, &t, content, whole) && t == tag;
}

bool Same(const Der& a, const uint8_t* b, size_t n) { return a.n == n && std::memcmp(a.p, b, n) == 0; }

// From ContentInfo { signedData, [0] SignedData }: the certificates and the
// issuer (the whole Name) and serial number of the first signer's.
bool ReadSignedData(Der in, Der* certificates, Der* issuer, Der* serial) {
  Der info, oid, wrapped, data, skip, signers, signer, id;
  uint8_t tag = 0;
  if (!Expect(in, kSequence, &info) || !Expect(info, kOid, &oid) ||
      !Same(oid, kSignedDataOid, sizeof(kSignedDataOid)) || !Expect(info, kContext0, &wrapped) ||
      !Expect(wrapped, kSequence, &data) || !Expect(data, kInteger, &skip) ||
      !Expect(data, kSet, &skip) || !Expect(data, kSequence, &skip)) {
    return false;
  }
  // [0] certificates, [1] revocation lists (both optional), then the signers.
  while (Next(data, &tag, &skip) && tag != kSet) {
    if (tag == kContext0) *certificates = skip;
  }
  signers = skip;
  return tag == kSet && Expect(signers, kSequence, &signer) && Expect(signer, kInteger, &skip) &&
         Expect(signer, kSequence, &id) && Expect(id, kSequence, &skip, issuer) &&
         Expect(id, kInteger, serial);
}

// The subject Name of the certificate with that issuer and serial number.
bool FindSubject(Der certificates, const Der& issuer, const Der& serial, Der* subject) {
  Der certificate;
  while (Expect(certificates, kSequence, &certificate)) {
    Der tbs, peek, skip, number, by;
    uint8_t tag;
    if (!Expect(certificate, kSequence, &tbs)) continue;
    peek = tbs;
    if (Next(peek, &tag, &skip) && tag == kContext0) tbs = peek;  // the version
    if (Expect(tbs, kInteger, &number) && Expect(tbs, kSequence, &skip) &&
        Expect(tbs, kSequence, &skip, &by) && Expect(tbs, kSequence, &skip) &&
        Expect(tbs, kSequence, subject) && Same(number, serial.p, serial.n) &&
        Same(by, issuer.p, issuer.n)) {
      return true;
    }
  }
  return false;
}

// A string value as UTF-8: BMPString is UCS-2, the others are taken as
// they are (UTF8String, PrintableString, IA5String).
std::string Text(uint8_t tag, const Der& value) {
  if (tag != kBmpString) return std::string(reinterpret_cast<const char*>(value.p), value.n);
  std::string s;
  for (size_t i = 0; i + 1 < value.n; i += 2) {
    const unsigned c = value.p[i] << 8 | value.p[i + 1];
    if (c < 0x80) {
      s += static_cast<char>(c);
    } else if (c < 0x800) {
      s += static_cast<char>(0xC0 | c >> 6);
      s += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      s += static_cast<char>(0xE0 | c >> 12);
      s += static_cast<char>(0x80 | (c >> 6 & 0x3F));
      s += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return s;
}

std::string Attribute(Der name, const uint8_t* oid, size_t oidSize) {
  Der set;
  while (Expect(name, kSet, &set)) {
    Der pair, type, value;
    uint8_t tag;
    while (Expect(set, kSequence, &pair)) {
      if (Expect(pair, kOid, &type) && Same(type, oid, oidSize) && Next(pair, &tag, &value)) {
        return Text(tag, value);
      }
    }
  }
  return "";
}

uint32_t Read32(const uint8_t* p) { return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24; }

}  // namespace

std::string SignerName(const std::vector<uint8_t>& table) {
  // WIN_CERTIFICATE: length (4), revision (2), type (2), then the PKCS#7.
  if (table.size() < 8) return "";
  const uint32_t length = Read32(table.data());
  const uint32_t type = table[6] | table[7] << 8;
  if (type != kPkcsSignedData || length < 8 || length > table.size()) return "";
  Der certificates, issuer, serial, subject;
  if (!ReadSignedData({table.data() + 8, length - 8}, &certificates, &issuer, &serial) ||
      !FindSubject(certificates, issuer, serial, &subject)) {
    return "";
  }
  const std::string cn = Attribute(subject, kCommonNameOid, sizeof(kCommonNameOid));
  const std::string o = Attribute(subject, kOrganisationOid, sizeof(kOrganisationOid));
  std::string name = cn.empty() ? "" : "CN=" + cn;
  if (!o.empty()) name += (name.empty() ? "O=" : ", O=") + o;
  return name;
}

}  // namespace marrowby::setuppack
