// A seekable GLib output stream over any output written at offsets: libgcab
// writes a cabinet through it straight into a package's part files, from a
// base offset on (its seek to 0 lands on the cabinet's first byte).
#pragma once

#include <gio/gio.h>

#include <cstddef>
#include <cstdint>
#include <string>

namespace marrowby::setuppack {

class OffsetOutput {
 public:
  virtual ~OffsetOutput() = default;
  // May throw std::exception; the stream turns it into a GError.
  virtual void WriteAt(uint64_t offset, const uint8_t* data, size_t n) = 0;
  virtual uint64_t Size() const = 0;
};

// A new stream (release with g_object_unref) that writes to out at base +
// position, in buffered runs. out must outlive it.
GOutputStream* NewOffsetStream(OffsetOutput* out, uint64_t base);

// The first write failure of such a stream, also one in a close that its
// user could not see (GLib closes a stream when the last filter over it
// goes). False when there was none.
bool OffsetStreamFailure(GOutputStream* stream, std::string* why);

}  // namespace marrowby::setuppack
