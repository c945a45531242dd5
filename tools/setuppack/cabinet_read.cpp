// Cabinets read with libmspack, which reaches files only through an
// mspack_system table. Ours serves one read-only file, the cabinet, from a
// ByteSource, and one write-only file that hands what libmspack extracts to
// an ExtractSink; nothing else is opened.
#include <mspack.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <stdexcept>

#include "tools/setuppack/cabinet.h"
#include "tools/setuppack/terminal_text.h"

namespace marrowby::setuppack {

namespace {

struct System;

struct OpenFile {
  System* system;
  bool input;
  uint64_t pos = 0;
};

struct System {
  mspack_system sys;
  const ByteSource* cabinet;
  ExtractSink* sink = nullptr;
  uint64_t written = 0;
  // An exception from the source or the sink, kept while libmspack unwinds
  // its C frames, and thrown again once it has returned.
  std::exception_ptr failure;
};

constexpr char kCabinetName[] = "cabinet";
constexpr char kSinkName[] = "sink";

mspack_file* Open(mspack_system* self, const char* name, int mode) {
  auto* system = reinterpret_cast<System*>(self);
  const bool input = std::strcmp(name, kCabinetName) == 0 && mode == MSPACK_SYS_OPEN_READ;
  const bool output =
      std::strcmp(name, kSinkName) == 0 && mode == MSPACK_SYS_OPEN_WRITE && system->sink;
  if (!input && !output) return nullptr;
  return reinterpret_cast<mspack_file*>(new OpenFile{system, input});
}

void Close(mspack_file* file) { delete reinterpret_cast<OpenFile*>(file); }

int Read(mspack_file* file, void* buffer, int bytes) {
  auto* f = reinterpret_cast<OpenFile*>(file);
  if (!f->input || bytes < 0) return -1;
  try {
    const size_t n = f->system->cabinet->ReadAt(f->pos, buffer, static_cast<size_t>(bytes));
    f->pos += n;
    return static_cast<int>(n);
  } catch (...) {
    f->system->failure = std::current_exception();
    return -1;
  }
}

int Write(mspack_file* file, void* buffer, int bytes) {
  auto* f = reinterpret_cast<OpenFile*>(file);
  if (f->input || bytes < 0) return -1;
  try {
    f->system->sink->Write(static_cast<const uint8_t*>(buffer), static_cast<size_t>(bytes));
    f->system->written += static_cast<uint64_t>(bytes);
    return bytes;
  } catch (...) {
    f->system->failure = std::current_exception();
    return -1;
  }
}

int Seek(mspack_file* file, off_t offset, int mode) {
  auto* f = reinterpret_cast<OpenFile*>(file);
  if (!f->input) return -1;
  const int64_t size = static_cast<int64_t>(f->system->cabinet->Size());
  int64_t base = 0;
  if (mode == MSPACK_SYS_SEEK_CUR) base = static_cast<int64_t>(f->pos);
  if (mode == MSPACK_SYS_SEEK_END) base = size;
  const int64_t target = base + offset;
  if (target < 0 || target > size) return -1;
  f->pos = static_cast<uint64_t>(target);
  return 0;
}

off_t Tell(mspack_file* file) { return static_cast<off_t>(reinterpret_cast<OpenFile*>(file)->pos); }

void Message(mspack_file*, const char*, ...) {}
void* Alloc(mspack_system*, size_t bytes) { return std::malloc(bytes); }
void Free(void* p) { std::free(p); }
void Copy(void* src, void* dst, size_t bytes) { std::memmove(dst, src, bytes); }

const char* ErrorText(int code) {
  switch (code) {
    case MSPACK_ERR_READ: return "the cabinet is cut short";
    case MSPACK_ERR_SEEK: return "the cabinet is cut short";
    case MSPACK_ERR_NOMEMORY: return "out of memory";
    case MSPACK_ERR_SIGNATURE: return "not a cabinet (no MSCF signature)";
    case MSPACK_ERR_DATAFORMAT: return "the cabinet is damaged";
    case MSPACK_ERR_CHECKSUM: return "a data block fails its checksum";
    case MSPACK_ERR_DECRUNCH: return "the compressed data is damaged";
    default: return "the cabinet cannot be read";
  }
}

// An open cabinet with its decompressor, closed on every path out.
class Reader {
 public:
  Reader(const ByteSource& cabinet, ExtractSink* sink) {
    system_.sys = {Open, Close, Read, Write, Seek, Tell, Message, Alloc, Free, Copy, nullptr};
    system_.cabinet = &cabinet;
    system_.sink = sink;
    cabd_ = mspack_create_cab_decompressor(&system_.sys);
    if (!cabd_) throw std::runtime_error("libmspack could not be initialised");
    cab_ = cabd_->open(cabd_, const_cast<char*>(kCabinetName));
    if (!cab_) {
      const int err = cabd_->last_error(cabd_);
      mspack_destroy_cab_decompressor(cabd_);
      if (system_.failure) std::rethrow_exception(system_.failure);
      throw std::runtime_error(ErrorText(err));
    }
  }
  ~Reader() {
    cabd_->close(cabd_, cab_);
    mspack_destroy_cab_decompressor(cabd_);
  }
  Reader(const Reader&) = delete;
  Reader& operator=(const Reader&) = delete;

  mscabd_cabinet* cab() const { return cab_; }

  // Extracts one file into the sink; returns the bytes written.
  uint64_t Extract(mscabd_file* file) {
    system_.written = 0;
    const int err = cabd_->extract(cabd_, file, const_cast<char*>(kSinkName));
    if (system_.failure) std::rethrow_exception(system_.failure);
    if (err != MSPACK_ERR_OK) {
      throw std::runtime_error(Shown(file->filename, (file->attribs & kNameIsUtf8) != 0) + ": " +
                               ErrorText(err));
    }
    return system_.written;
  }

 private:
  System system_{};
  mscab_decompressor* cabd_ = nullptr;
  mscabd_cabinet* cab_ = nullptr;
};

CabListing::File Describe(const mscabd_file* f) {
  CabListing::File out;
  out.name = f->filename;
  out.length = f->length;
  out.attribs = f->attribs;
  out.year = f->date_y;
  out.month = f->date_m;
  out.day = f->date_d;
  out.hour = f->time_h;
  out.minute = f->time_m;
  out.second = f->time_s;
  return out;
}

}  // namespace

CabListing ListCabinet(const ByteSource& cabinet) {
  Reader reader(cabinet, nullptr);
  CabListing listing;
  const mscabd_cabinet* cab = reader.cab();
  listing.spansCabinets = cab->prevname || cab->nextname || (cab->flags & 0x3);
  for (const mscabd_file* f = cab->files; f; f = f->next) listing.files.push_back(Describe(f));
  return listing;
}

void ExtractCabinet(const ByteSource& cabinet, ExtractSink& sink) {
  Reader reader(cabinet, &sink);
  for (mscabd_file* f = reader.cab()->files; f; f = f->next) {
    const CabListing::File file = Describe(f);
    if (!sink.Wants(file)) continue;
    sink.Begin(file);
    if (reader.Extract(f) != file.length) {
      throw std::runtime_error(Shown(file.name, (file.attribs & kNameIsUtf8) != 0) +
                               ": the extracted length differs from the cabinet's");
    }
    sink.End(file);
  }
}

}  // namespace marrowby::setuppack
