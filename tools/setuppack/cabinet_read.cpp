#include <mspack.h>

#include <algorithm>
#include <cstdlib>

#include <cstring>
#include <stdexcept>

#include "tools/setuppack/cabinet.h"
#include "tools/setuppack/terminal_text.h"

namespace marrowby::setuppack {

namespace {

// libmspack reaches files only through an mspack_system table. Ours serves
// one read-only file from memory (the cabinet) and one write-only sink that
// collects an extracted file; nothing touches the disk.
struct MemFile {
  const std::vector<uint8_t>* in = nullptr;
  std::vector<uint8_t>* out = nullptr;
  size_t pos = 0;
};

struct MemSystem {
  mspack_system sys;
  const std::vector<uint8_t>* cabinet;
  std::vector<uint8_t> sink;
};

constexpr char kCabinetName[] = "cabinet";
constexpr char kSinkName[] = "sink";

mspack_file* Open(mspack_system* self, const char* name, int mode) {
  auto* ms = reinterpret_cast<MemSystem*>(self);
  auto* f = new MemFile;
  if (std::strcmp(name, kCabinetName) == 0 && mode == MSPACK_SYS_OPEN_READ) {
    f->in = ms->cabinet;
  } else if (std::strcmp(name, kSinkName) == 0 && mode == MSPACK_SYS_OPEN_WRITE) {
    ms->sink.clear();
    f->out = &ms->sink;
  } else {
    delete f;
    return nullptr;
  }
  return reinterpret_cast<mspack_file*>(f);
}

void Close(mspack_file* file) { delete reinterpret_cast<MemFile*>(file); }

int Read(mspack_file* file, void* buffer, int bytes) {
  auto* f = reinterpret_cast<MemFile*>(file);
  if (!f->in || bytes < 0) return -1;
  const size_t left = f->pos < f->in->size() ? f->in->size() - f->pos : 0;
  const size_t n = std::min(left, static_cast<size_t>(bytes));
  if (n) std::memcpy(buffer, f->in->data() + f->pos, n);
  f->pos += n;
  return static_cast<int>(n);
}

int Write(mspack_file* file, void* buffer, int bytes) {
  auto* f = reinterpret_cast<MemFile*>(file);
  if (!f->out || bytes < 0) return -1;
  const auto* p = static_cast<const uint8_t*>(buffer);
  f->out->insert(f->out->end(), p, p + bytes);
  return bytes;
}

int Seek(mspack_file* file, off_t offset, int mode) {
  auto* f = reinterpret_cast<MemFile*>(file);
  const off_t size = static_cast<off_t>(f->in ? f->in->size() : f->out->size());
  off_t base = 0;
  if (mode == MSPACK_SYS_SEEK_CUR) base = static_cast<off_t>(f->pos);
  if (mode == MSPACK_SYS_SEEK_END) base = size;
  const off_t target = base + offset;
  if (target < 0 || target > size) return -1;
  f->pos = static_cast<size_t>(target);
  return 0;
}

off_t Tell(mspack_file* file) { return static_cast<off_t>(reinterpret_cast<MemFile*>(file)->pos); }

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
  explicit Reader(const std::vector<uint8_t>& cabinet) {
    ms_.sys = {Open, Close, Read, Write, Seek, Tell, Message, Alloc, Free, Copy, nullptr};
    ms_.cabinet = &cabinet;
    cabd_ = mspack_create_cab_decompressor(&ms_.sys);
    if (!cabd_) throw std::runtime_error("libmspack could not be initialised");
    cab_ = cabd_->open(cabd_, const_cast<char*>(kCabinetName));
    if (!cab_) {
      const int err = cabd_->last_error(cabd_);
      mspack_destroy_cab_decompressor(cabd_);
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

  const std::vector<uint8_t>& Extract(mscabd_file* file) {
    const int err = cabd_->extract(cabd_, file, const_cast<char*>(kSinkName));
    if (err != MSPACK_ERR_OK) {
      throw std::runtime_error(Shown(file->filename) + ": " + ErrorText(err));
    }
    return ms_.sink;
  }

 private:
  MemSystem ms_{};
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

CabListing ListCabinet(const std::vector<uint8_t>& cabinet) {
  Reader reader(cabinet);
  CabListing listing;
  const mscabd_cabinet* cab = reader.cab();
  listing.spansCabinets = cab->prevname || cab->nextname || (cab->flags & 0x3);
  for (const mscabd_file* f = cab->files; f; f = f->next) listing.files.push_back(Describe(f));
  return listing;
}

void ExtractCabinet(const std::vector<uint8_t>& cabinet,
                    void (*sink)(void*, const CabListing::File&, const std::vector<uint8_t>&),
                    void* context) {
  Reader reader(cabinet);
  for (mscabd_file* f = reader.cab()->files; f; f = f->next) {
    sink(context, Describe(f), reader.Extract(f));
  }
}

}  // namespace marrowby::setuppack
