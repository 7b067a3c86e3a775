// Little-endian field-by-field encoding into a fixed buffer that is handed to
// a stream each time it fills up: a file of any size is encoded with no more
// memory than the buffer. The encoders ask for room for a whole record, store
// every field at its own width with metti_le (no alignment gaps, never a
// struct dumped whole), then move on.
#pragma once

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "model/byte_le.h"
#include "platform/folder.h"
#include "platform/memory.h"

namespace scen {

// Size of the pieces the binary files are encoded and written in. Every write
// call has a fixed cost in the file system, so pieces are large (with 64 KiB
// pieces, writing the longest route's files took 60 % more processor time);
// the buffer comes from the large-block memory (memoria.h), so that it costs
// a run one page fault rather than 256.
inline constexpr std::size_t byte_pezzo = std::size_t{1} << 20;

// Room for the longest record of any file: a buffer never holds less.
inline constexpr std::size_t byte_record_massimo = 64;

class codifica_a_pezzi {
 public:
  // `capienza` is the buffer's size: a file known to be smaller than one
  // piece asks for no more than its own size, so that a small file does not
  // pay for a large block.
  explicit codifica_a_pezzi(byte_sink& sink, std::size_t capienza = byte_pezzo)
      : sink_(sink), capienza_(std::max(capienza, byte_record_massimo)), buffer_(capienza_) {}

  // Room for `n` more bytes (at most the buffer's size): where they go. The
  // caller fills them, then calls avanza(n).
  char* spazio(std::size_t n) {
    if (usati_ + n > capienza_) svuota();
    return inizio() + usati_;
  }
  void avanza(std::size_t n) { usati_ += n; }
  // Bytes that still fit before the buffer must be handed over.
  std::size_t libero() const { return capienza_ - usati_; }
  std::size_t capienza() const { return capienza_; }

  // Hands the bytes still in the buffer to the stream. Call it once at the
  // end: nothing is handed over on destruction, so the last bytes of an
  // encoding that failed half-way never reach the stream.
  void svuota() {
    if (usati_ > 0) sink_.write(std::string_view(inizio(), usati_));
    usati_ = 0;
  }

 private:
  char* inizio() { return reinterpret_cast<char*>(buffer_.dati()); }

  byte_sink& sink_;
  std::size_t capienza_;
  large_block buffer_;
  std::size_t usati_ = 0;
};

}  // namespace scen
