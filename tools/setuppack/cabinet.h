// Microsoft Cabinet archives for the package builder: writing one (stored or
// MSZIP, with libgcab) and reading one from memory (libmspack).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace marrowby::setuppack {

struct CabEntry {
  std::string name;        // as stored in the cabinet
  std::vector<uint8_t> data;
  uint16_t date = 0;       // DOS date and time
  uint16_t time = 0;
  uint16_t attribs = 0x20;  // archive
};

enum class Compression { kNone, kMszip };

// The bytes of a single-folder cabinet holding the entries, in order.
// Throws std::runtime_error when the entries do not fit the format.
std::vector<uint8_t> WriteCabinet(const std::vector<CabEntry>& entries, Compression compression);

// DOS date and time of a local calendar time.
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

// Lists a cabinet held in memory. Throws std::runtime_error with libmspack's
// reason when it is not a readable cabinet.
CabListing ListCabinet(const std::vector<uint8_t>& cabinet);

// Extracts every file of an in-memory cabinet; calls sink(file, bytes) in
// cabinet order. Throws std::runtime_error on a damaged cabinet.
void ExtractCabinet(const std::vector<uint8_t>& cabinet,
                    void (*sink)(void* context, const CabListing::File& file,
                                 const std::vector<uint8_t>& data),
                    void* context);

}  // namespace marrowby::setuppack
