#pragma once
// Little-endian writing and bounded reading of the network messages. A reader that runs past
// its bytes turns not-Ok and hands out zeros: callers check Ok() once at the end.
#include <algorithm>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace kq::net::wire {

class Writer {
 public:
  void U8(uint8_t v) { out_.push_back(v); }
  void U16(uint16_t v) {
    for (int i = 0; i < 2; ++i) out_.push_back(uint8_t(v >> (8 * i)));
  }
  void U32(uint32_t v) {
    for (int i = 0; i < 4; ++i) out_.push_back(uint8_t(v >> (8 * i)));
  }
  void U64(uint64_t v) {
    for (int i = 0; i < 8; ++i) out_.push_back(uint8_t(v >> (8 * i)));
  }
  // Short texts carry a one-byte length, long ones a two-byte one; longer texts are cut.
  void Text(const std::string& s, size_t max = 255) {
    const size_t n = std::min({s.size(), max, size_t(255)});
    U8(uint8_t(n));
    out_.insert(out_.end(), s.begin(), s.begin() + long(n));
  }
  void LongText(const std::string& s, size_t max) {
    const size_t n = std::min({s.size(), max, size_t(65535)});
    U16(uint16_t(n));
    out_.insert(out_.end(), s.begin(), s.begin() + long(n));
  }
  void Zeros(size_t n) { out_.insert(out_.end(), n, 0); }
  size_t Size() const { return out_.size(); }
  std::vector<uint8_t> Take() { return std::move(out_); }

 private:
  std::vector<uint8_t> out_;
};

class Reader {
 public:
  explicit Reader(std::span<const uint8_t> b) : b_(b) {}
  bool Ok() const { return ok_; }
  bool AtEnd() const { return pos_ == b_.size(); }
  size_t Left() const { return b_.size() - pos_; }
  uint8_t U8() { return uint8_t(Get(1)); }
  uint16_t U16() { return uint16_t(Get(2)); }
  uint32_t U32() { return uint32_t(Get(4)); }
  uint64_t U64() { return Get(8); }
  std::string Text(size_t max = 255) {
    const uint8_t n = U8();
    if (n > max) ok_ = false;
    return Bytes(n);
  }
  std::string LongText(size_t max) {
    const uint16_t n = U16();
    if (n > max) ok_ = false;
    return Bytes(n);
  }
  // Padding: the rest must be zeros.
  bool ZerosToEnd() {
    for (; pos_ < b_.size(); ++pos_)
      if (b_[pos_] != 0) ok_ = false;
    return ok_;
  }

 private:
  uint64_t Get(size_t n) {
    if (!ok_ || b_.size() - pos_ < n) {
      ok_ = false;
      return 0;
    }
    uint64_t v = 0;
    for (size_t i = 0; i < n; ++i) v |= uint64_t(b_[pos_ + i]) << (8 * i);
    pos_ += n;
    return v;
  }
  std::string Bytes(size_t n) {
    if (!ok_ || b_.size() - pos_ < n) {
      ok_ = false;
      return {};
    }
    std::string s(reinterpret_cast<const char*>(b_.data() + pos_), n);
    pos_ += n;
    return s;
  }

  std::span<const uint8_t> b_;
  size_t pos_ = 0;
  bool ok_ = true;
};

}  // namespace kq::net::wire
