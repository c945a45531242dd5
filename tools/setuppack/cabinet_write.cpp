// Cabinets are written by libgcab: one folder, stored or MSZIP, the files in
// the order given with their DOS date, time and attributes. libgcab reads
// each file from its path while it writes, 32 KB at a time.
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

// The cabinet's layout as libgcab writes it: a 36-byte header without
// reserved areas, one 8-byte folder entry, then a 16-byte entry per file
// followed by its name and a zero byte, the attributes at offset 14.
constexpr uint64_t kFileEntriesOffset = 36 + 8;
constexpr uint64_t kFileEntrySize = 16;
constexpr uint64_t kAttributesInEntry = 14;
constexpr uint64_t kDataBlockSize = 32768;
constexpr uint64_t kDataBlockHeader = 8;

// The entry's DOS date and time as a calendar time; libgcab stores its
// fields unchanged. An impossible date (day 0) becomes the DOS epoch.
GDateTime* EntryTime(const CabinetFile& f) {
  GDateTime* t = g_date_time_new_utc(1980 + (f.date >> 9), f.date >> 5 & 15, f.date & 31,
                                     f.time >> 11, f.time >> 5 & 63, (f.time & 31) * 2);
  return t ? t : g_date_time_new_utc(1980, 1, 1, 0, 0, 0);
}

[[noreturn]] void Fail(const std::string& what, GError* error) {
  std::unique_ptr<GError, ErrorFree> owned(error);
  throw std::runtime_error(what + (error ? std::string(": ") + error->message : ""));
}

void CheckFits(const std::vector<CabinetFile>& files) {
  if (files.empty()) throw std::runtime_error("a cabinet needs at least one file");
  if (files.size() > kMaxCabinetFiles) throw std::runtime_error("too many files for one cabinet");
  uint64_t total = 0;
  for (const CabinetFile& f : files) {
    if (f.name.empty() || f.name.size() > kMaxNameBytes) {
      throw std::runtime_error("file name " + Shown(f.name) + " must have 1 to " +
                               std::to_string(kMaxNameBytes) + " bytes");
    }
    total += f.size;
  }
  if (total > kMaxFolderBytes) throw std::runtime_error("the files are too large for one cabinet");
}

GPtr<GCabFolder> FolderOf(const std::vector<CabinetFile>& files, Compression c) {
  GPtr<GCabFolder> folder(
      gcab_folder_new(c == Compression::kMszip ? GCAB_COMPRESSION_MSZIP : GCAB_COMPRESSION_NONE));
  for (const CabinetFile& f : files) {
    GPtr<GFile> source(g_file_new_for_path(f.path.c_str()));
    GPtr<GCabFile> file(gcab_file_new_with_file(f.name.c_str(), source.get()));
    GError* error = nullptr;
    if (!gcab_folder_add_file(folder.get(), file.get(), FALSE, nullptr, &error)) {
      Fail("file " + f.path + " cannot be added to the cabinet", error);
    }
    // Adding takes the size, time and attributes from the file; ours win.
    GDateTime* time = EntryTime(f);
    gcab_file_set_date_time(file.get(), time);
    g_date_time_unref(time);
    gcab_file_set_attributes(file.get(), f.attribs);
  }
  return folder;
}

// libgcab flags every name that is not ASCII as UTF-8; ours are Windows-1252,
// so the flag is taken off again in the file entries it wrote.
void UnflagNames(const std::vector<CabinetFile>& files, OffsetOutput& out, uint64_t base) {
  uint64_t at = base + kFileEntriesOffset;
  for (const CabinetFile& f : files) {
    const uint8_t attribs[2] = {static_cast<uint8_t>(f.attribs & 0xFF),
                                static_cast<uint8_t>(f.attribs >> 8)};
    out.WriteAt(at + kAttributesInEntry, attribs, sizeof(attribs));
    at += kFileEntrySize + f.name.size() + 1;
  }
}

void WriteThroughGcab(GCabCabinet* cabinet, OffsetOutput& out, uint64_t base) {
  GPtr<GOutputStream> stream(NewOffsetStream(&out, base));
  GError* error = nullptr;
  if (!gcab_cabinet_write_simple(cabinet, stream.get(), nullptr, nullptr, nullptr, &error)) {
    Fail("the cabinet cannot be written", error);
  }
  if (!g_output_stream_is_closed(stream.get()) &&
      !g_output_stream_close(stream.get(), nullptr, &error)) {
    Fail("the cabinet cannot be written", error);
  }
  std::string why;
  if (OffsetStreamFailure(stream.get(), &why)) {
    throw std::runtime_error("the cabinet cannot be written: " + why);
  }
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

uint64_t StoredCabinetSize(const std::vector<CabinetFile>& files) {
  uint64_t size = kFileEntriesOffset, total = 0;
  for (const CabinetFile& f : files) {
    size += kFileEntrySize + f.name.size() + 1;
    total += f.size;
  }
  const uint64_t blocks = (total + kDataBlockSize - 1) / kDataBlockSize;
  return size + blocks * kDataBlockHeader + total;
}

uint64_t WriteCabinet(const std::vector<CabinetFile>& files, Compression c, OffsetOutput& out,
                      uint64_t base) {
  CheckFits(files);
  GPtr<GCabCabinet> cabinet(gcab_cabinet_new());
  GPtr<GCabFolder> folder = FolderOf(files, c);
  GError* error = nullptr;
  if (!gcab_cabinet_add_folder(cabinet.get(), folder.get(), &error)) {
    Fail("the cabinet folder cannot be made", error);
  }
  WriteThroughGcab(cabinet.get(), out, base);
  UnflagNames(files, out, base);
  return out.Size() - base;
}

}  // namespace marrowby::setuppack
