// Microsoft Cabinet archives for the package builder: writing one (stored or
// MSZIP, with libgcab, reading the files as it goes) and reading one through
// a ByteSource (libmspack), neither holding the files in memory.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/setuppack/byte_source.h"
#include "tools/setuppack/sink_stream.h"

namespace marrowby::setuppack {

// The format's limits (MS-CAB): a folder holds at most 65535 data blocks of
// 32 KB, a cabinet at most 65535 files, a stored name at most 255 bytes.
constexpr uint64_t kMaxFolderBytes = 65535ull * 32768;  // 0x7FFF8000
constexpr size_t kMaxCabinetFiles = 0xFFFF;
constexpr size_t kMaxNameBytes = 255;
// Cabinet attribute bits.
constexpr int kReadOnly = 0x01;
constexpr int kArchive = 0x20;
constexpr int kNameIsUtf8 = 0x80;  // the name is UTF-8, not the code page

// A file to put into a cabinet: read from path when the cabinet is written.
struct CabinetFile {
  std::string path;
  std::string name;  // as stored (Windows-1252)
  uint64_t size = 0;
  uint16_t date = 0;  // DOS date and time
  uint16_t time = 0;
  uint16_t attribs = kArchive;
  int64_t modified = 0;  // ns since 1970; 0: not known, not checked
};

enum class Compression { kNone, kMszip };

// Writes a single-folder cabinet of the files, in order, into out from
// offset base on: names stored as given, never flagged as UTF-8. Returns the
// cabinet's size. Throws std::runtime_error when the files do not fit the
// format, cannot be read, or the cabinet cannot be written.
uint64_t WriteCabinet(const std::vector<CabinetFile>& files, Compression compression,
                      OffsetOutput& out, uint64_t base);

// The exact size of a stored (uncompressed) cabinet of these files.
uint64_t StoredCabinetSize(const std::vector<CabinetFile>& files);

// DOS date and time of a calendar time; years before 1980 become 1980-01-01.
uint16_t DosDate(int year, int month, int day);
uint16_t DosTime(int hour, int minute, int second);

struct CabListing {
  struct File {
    std::string name;
    uint32_t length = 0;
    int attribs = 0;
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
  };
  std::vector<File> files;
  bool spansCabinets = false;  // continues in (or from) another cabinet
};

// Lists a cabinet. Throws std::runtime_error with libmspack's reason when it
// is not a readable cabinet.
CabListing ListCabinet(const ByteSource& cabinet);

// Receives the extracted files one after another, in cabinet order.
class ExtractSink {
 public:
  virtual ~ExtractSink() = default;
  // False: the file is skipped, not decompressed.
  virtual bool Wants(const CabListing::File&) { return true; }
  virtual void Begin(const CabListing::File& file) = 0;
  virtual void Write(const uint8_t* data, size_t n) = 0;
  virtual void End(const CabListing::File& file) = 0;
};

// Extracts every file, checking each data block and each file's length.
// Throws std::runtime_error on a damaged cabinet, or what the sink threw.
void ExtractCabinet(const ByteSource& cabinet, ExtractSink& sink);

}  // namespace marrowby::setuppack
