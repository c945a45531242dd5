// A set of the members of a small enumeration, one bit per ordinal (bit n for
// ordinal n), as the stored property kinds describe sets.
#pragma once

#include <cstdint>
#include <initializer_list>

namespace marrowby {

template <class E>
class Set {
 public:
  constexpr Set() = default;
  constexpr Set(std::initializer_list<E> members) {
    for (E m : members) bits_ |= Bit(m);
  }
  static constexpr Set FromBits(uint32_t bits) {
    Set s;
    s.bits_ = bits;
    return s;
  }

  constexpr bool Contains(E m) const { return (bits_ & Bit(m)) != 0; }
  constexpr bool Empty() const { return bits_ == 0; }
  constexpr uint32_t Bits() const { return bits_; }
  void Include(E m) { bits_ |= Bit(m); }
  void Exclude(E m) { bits_ &= ~Bit(m); }

  friend constexpr bool operator==(Set a, Set b) { return a.bits_ == b.bits_; }
  friend constexpr bool operator!=(Set a, Set b) { return a.bits_ != b.bits_; }

 private:
  static constexpr uint32_t Bit(E m) { return uint32_t{1} << static_cast<unsigned>(m); }
  uint32_t bits_ = 0;
};

}  // namespace marrowby
