#include "tools/setuppack/sink_stream.h"

#include <algorithm>
#include <cstring>
#include <exception>

namespace marrowby::setuppack {

namespace {

// libgcab writes a block's header and its data in separate small writes, and
// the cabinet's header area byte by byte: they are gathered into runs.
constexpr size_t kRunSize = 1 << 20;

}  // namespace

// A GObject: plain data, zeroed by GLib, no C++ constructors.
struct OffsetStream {
  GOutputStream parent;
  OffsetOutput* out;
  uint64_t base;
  uint64_t pos;       // the stream's position
  guint8* run;        // bytes not yet written, starting at runAt
  uint64_t runAt;
  size_t runLength;
  gchar* failure;     // the first write failure, kept
};

struct OffsetStreamClass {
  GOutputStreamClass parent_class;
};

namespace {

GType offset_stream_get_type();
void offset_stream_seekable_init(GSeekableIface* iface);

#define OFFSET_STREAM(o) (G_TYPE_CHECK_INSTANCE_CAST((o), offset_stream_get_type(), OffsetStream))

G_DEFINE_TYPE_WITH_CODE(OffsetStream, offset_stream, G_TYPE_OUTPUT_STREAM,
                        G_IMPLEMENT_INTERFACE(G_TYPE_SEEKABLE, offset_stream_seekable_init))

// Runs fn, turning a C++ exception into a GError for the C code above us.
template <typename Fn>
bool Guarded(GError** error, Fn fn) {
  try {
    fn();
    return true;
  } catch (const std::exception& e) {
    g_set_error_literal(error, G_IO_ERROR, G_IO_ERROR_FAILED, e.what());
  } catch (...) {
    g_set_error_literal(error, G_IO_ERROR, G_IO_ERROR_FAILED, "write failed");
  }
  return false;
}

bool WriteRun(OffsetStream* s, GError** error) {
  if (s->runLength == 0) return true;
  GError* failed = nullptr;
  const bool ok =
      Guarded(&failed, [s] { s->out->WriteAt(s->base + s->runAt, s->run, s->runLength); });
  s->runLength = 0;
  if (failed) {
    if (!s->failure) s->failure = g_strdup(failed->message);
    g_propagate_error(error, failed);
  }
  return ok;
}

// Takes every byte: callers may not retry a short write.
gssize Write(GOutputStream* stream, const void* buffer, gsize count, GCancellable*,
             GError** error) {
  OffsetStream* s = OFFSET_STREAM(stream);
  if (s->runLength > 0 && s->runAt + s->runLength != s->pos && !WriteRun(s, error)) return -1;
  const auto* p = static_cast<const guint8*>(buffer);
  for (gsize done = 0; done < count;) {
    if (s->runLength == 0) s->runAt = s->pos;
    const size_t n = std::min<size_t>(count - done, kRunSize - s->runLength);
    std::memcpy(s->run + s->runLength, p + done, n);
    s->runLength += n;
    s->pos += n;
    done += n;
    if (s->runLength == kRunSize && !WriteRun(s, error)) return -1;
  }
  return static_cast<gssize>(count);
}

gboolean Flush(GOutputStream* stream, GCancellable*, GError** error) {
  return WriteRun(OFFSET_STREAM(stream), error);
}

gboolean CloseStream(GOutputStream* stream, GCancellable*, GError** error) {
  return WriteRun(OFFSET_STREAM(stream), error);
}

uint64_t EndOf(OffsetStream* s) {
  const uint64_t written = s->out->Size() > s->base ? s->out->Size() - s->base : 0;
  return std::max(written, s->runAt + s->runLength);
}

goffset Tell(GSeekable* seekable) { return static_cast<goffset>(OFFSET_STREAM(seekable)->pos); }

gboolean CanSeek(GSeekable*) { return TRUE; }

gboolean Seek(GSeekable* seekable, goffset offset, GSeekType type, GCancellable*,
              GError** error) {
  OffsetStream* s = OFFSET_STREAM(seekable);
  if (!WriteRun(s, error)) return FALSE;
  const int64_t base = type == G_SEEK_CUR   ? static_cast<int64_t>(s->pos)
                       : type == G_SEEK_END ? static_cast<int64_t>(EndOf(s))
                                            : 0;
  if (base + offset < 0) {
    g_set_error_literal(error, G_IO_ERROR, G_IO_ERROR_INVALID_ARGUMENT, "seek before the start");
    return FALSE;
  }
  s->pos = static_cast<uint64_t>(base + offset);
  return TRUE;
}

gboolean CanTruncate(GSeekable*) { return FALSE; }

gboolean Truncate(GSeekable*, goffset, GCancellable*, GError** error) {
  g_set_error_literal(error, G_IO_ERROR, G_IO_ERROR_NOT_SUPPORTED, "cannot truncate");
  return FALSE;
}

void Finalize(GObject* object) {
  g_free(OFFSET_STREAM(object)->run);
  g_free(OFFSET_STREAM(object)->failure);
  G_OBJECT_CLASS(offset_stream_parent_class)->finalize(object);
}

void offset_stream_class_init(OffsetStreamClass* klass) {
  G_OBJECT_CLASS(klass)->finalize = Finalize;
  GOutputStreamClass* stream = G_OUTPUT_STREAM_CLASS(klass);
  stream->write_fn = Write;
  stream->flush = Flush;
  stream->close_fn = CloseStream;
}

void offset_stream_seekable_init(GSeekableIface* iface) {
  iface->tell = Tell;
  iface->can_seek = CanSeek;
  iface->seek = Seek;
  iface->can_truncate = CanTruncate;
  iface->truncate_fn = Truncate;
}

void offset_stream_init(OffsetStream* s) { s->run = static_cast<guint8*>(g_malloc(kRunSize)); }

}  // namespace

GOutputStream* NewOffsetStream(OffsetOutput* out, uint64_t base) {
  auto* s = static_cast<OffsetStream*>(g_object_new(offset_stream_get_type(), nullptr));
  s->out = out;
  s->base = base;
  return G_OUTPUT_STREAM(s);
}

bool OffsetStreamFailure(GOutputStream* stream, std::string* why) {
  const OffsetStream* s = OFFSET_STREAM(stream);
  if (!s->failure) return false;
  *why = s->failure;
  return true;
}

}  // namespace marrowby::setuppack
