// Cabinets are written by libgcab: one folder, stored or MSZIP, the files in
// the order given with their DOS date, time and attributes.
#include <libgcab.h>

#include <memory>
#include <stdexcept>

#include "tools/setuppack/cabinet.h"
#include "tools/setuppack/terminal_text.h"

namespace marrowby::setuppack {

namespace {

template <typename T>
struct GObjectUnref {
  void operator()(T* p) const { g_object_unref(p); }
};
template <typename T>
using GPtr = std::unique_ptr<T, GObjectUnref<T>>;

struct ErrorFree {
  void operator()(GError* e) const { g_error_free(e); }
};

// The entry's DOS date and time as a calendar time; libgcab stores its
// fields unchanged. An impossible date (day 0) becomes the DOS epoch.
GDateTime* EntryTime(const CabEntry& e) {
  GDateTime* t = g_date_time_new_utc(1980 + (e.date >> 9), e.date >> 5 & 15, e.date & 31,
                                     e.time >> 11, e.time >> 5 & 63, (e.time & 31) * 2);
  return t ? t : g_date_time_new_utc(1980, 1, 1, 0, 0, 0);
}

[[noreturn]] void Fail(const char* what, GError* error) {
  std::unique_ptr<GError, ErrorFree> owned(error);
  throw std::runtime_error(std::string(what) + (error ? std::string(": ") + error->message : ""));
}

}  // namespace

uint16_t DosDate(int year, int month, int day) {
  if (year < 1980) return (0 << 9) | (1 << 5) | 1;
  if (year > 2107) year = 2107;
  return static_cast<uint16_t>((year - 1980) << 9 | month << 5 | day);
}

uint16_t DosTime(int hour, int minute, int second) {
  return static_cast<uint16_t>(hour << 11 | minute << 5 | second / 2);
}

std::vector<uint8_t> WriteCabinet(const std::vector<CabEntry>& entries, Compression c) {
  if (entries.empty()) throw std::runtime_error("a cabinet needs at least one file");
  if (entries.size() > 0xFFFF) throw std::runtime_error("too many files for one cabinet");
  uint64_t total = 0;
  for (const CabEntry& e : entries) {
    if (e.name.empty() || e.name.size() > 255) {
      throw std::runtime_error("file name " + Shown(e.name) + " must have 1 to 255 bytes");
    }
    total += e.data.size();
  }
  if (total > 0x7FFF8000ull) throw std::runtime_error("the files are too large for one cabinet");

  GPtr<GCabCabinet> cabinet(gcab_cabinet_new());
  GPtr<GCabFolder> folder(
      gcab_folder_new(c == Compression::kMszip ? GCAB_COMPRESSION_MSZIP : GCAB_COMPRESSION_NONE));
  for (const CabEntry& e : entries) {
    // The bytes stay owned by the entry, which outlives the write.
    GBytes* bytes = g_bytes_new_static(e.data.data(), e.data.size());
    GPtr<GCabFile> file(gcab_file_new_with_bytes(e.name.c_str(), bytes));
    g_bytes_unref(bytes);
    GDateTime* time = EntryTime(e);
    gcab_file_set_date_time(file.get(), time);
    g_date_time_unref(time);
    gcab_file_set_attributes(file.get(), e.attribs);
    GError* error = nullptr;
    if (!gcab_folder_add_file(folder.get(), file.get(), FALSE, nullptr, &error)) {
      Fail(("file " + e.name + " cannot be added to the cabinet").c_str(), error);
    }
  }
  GError* error = nullptr;
  if (!gcab_cabinet_add_folder(cabinet.get(), folder.get(), &error)) {
    Fail("the cabinet folder cannot be made", error);
  }
  GPtr<GOutputStream> stream(g_memory_output_stream_new_resizable());
  if (!gcab_cabinet_write_simple(cabinet.get(), stream.get(), nullptr, nullptr, nullptr, &error) ||
      !g_output_stream_close(stream.get(), nullptr, &error)) {
    Fail("the cabinet cannot be written", error);
  }
  auto* memory = G_MEMORY_OUTPUT_STREAM(stream.get());
  const auto* data = static_cast<const uint8_t*>(g_memory_output_stream_get_data(memory));
  return std::vector<uint8_t>(data, data + g_memory_output_stream_get_data_size(memory));
}

}  // namespace marrowby::setuppack
