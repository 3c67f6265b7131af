#include "media/sound_decode.h"

#include <mpg123.h>

#include <cstring>
#include <mutex>

namespace kq {

namespace {

uint32_t Le32(const uint8_t* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

void Put16(std::vector<uint8_t>& v, uint32_t x) {
  v.push_back(uint8_t(x));
  v.push_back(uint8_t(x >> 8));
}
void Put32(std::vector<uint8_t>& v, uint32_t x) {
  Put16(v, x & 0xFFFF);
  Put16(v, x >> 16);
}

// libmpg123 reads the stream through these, so nothing touches the disk.
struct TMemReader {
  std::span<const uint8_t> Data;
  size_t Pos = 0;
};

mpg123_ssize_t MemRead(void* handle, void* buf, size_t count) {
  auto* r = static_cast<TMemReader*>(handle);
  size_t n = std::min(count, r->Data.size() - r->Pos);
  if (n > 0) std::memcpy(buf, r->Data.data() + r->Pos, n);
  r->Pos += n;
  return mpg123_ssize_t(n);
}

off_t MemSeek(void* handle, off_t offset, int whence) {
  auto* r = static_cast<TMemReader*>(handle);
  off_t base = whence == SEEK_SET ? 0 : whence == SEEK_CUR ? off_t(r->Pos) : off_t(r->Data.size());
  off_t pos = base + offset;
  if (pos < 0 || pos > off_t(r->Data.size())) return -1;
  r->Pos = size_t(pos);
  return pos;
}

struct THandle {
  mpg123_handle* H = nullptr;
  ~THandle() {
    if (H) {
      mpg123_close(H);
      mpg123_delete(H);
    }
  }
};

}  // namespace

std::optional<std::span<const uint8_t>> FindRiffChunk(std::span<const uint8_t> file, std::string_view id) {
  if (file.size() < 12 || std::memcmp(file.data(), "RIFF", 4) != 0 ||
      std::memcmp(file.data() + 8, "WAVE", 4) != 0)
    return std::nullopt;
  size_t pos = 12;
  while (pos + 8 <= file.size()) {
    const uint8_t* h = file.data() + pos;
    size_t size = Le32(h + 4);
    size_t start = pos + 8;
    size_t avail = file.size() - start;
    if (std::memcmp(h, id.data(), 4) == 0) return file.subspan(start, std::min(size, avail));
    if (size >= avail) break;
    pos = start + size + (size & 1);  // chunks are padded to even sizes
  }
  return std::nullopt;
}

bool RiffChunksFit(std::span<const uint8_t> file) {
  if (file.size() < 12 || std::memcmp(file.data(), "RIFF", 4) != 0 ||
      std::memcmp(file.data() + 8, "WAVE", 4) != 0)
    return false;
  size_t pos = 12;
  while (pos + 8 <= file.size()) {
    const size_t size = Le32(file.data() + pos + 4);
    const size_t start = pos + 8;
    if (size > file.size() - start) return false;
    pos = start + size + (size & 1);
  }
  return true;
}

bool IsRiffMp3(std::span<const uint8_t> file) {
  auto fmt = FindRiffChunk(file, "fmt ");
  return fmt && fmt->size() >= 2 && ((*fmt)[0] | (*fmt)[1] << 8) == 0x55;
}

bool DecodeMp3(std::span<const uint8_t> data, TPcm& out) {
  static std::once_flag once;
  std::call_once(once, [] { mpg123_init(); });
  out = TPcm{};
  THandle h;
  int err = MPG123_OK;
  h.H = mpg123_new(nullptr, &err);
  if (!h.H) return false;
  mpg123_param(h.H, MPG123_ADD_FLAGS, MPG123_QUIET, 0);
  // 16-bit output at whatever rate and channel count the stream has.
  mpg123_format_none(h.H);
  const long* rates = nullptr;
  size_t rateCount = 0;
  mpg123_rates(&rates, &rateCount);
  for (size_t i = 0; i < rateCount; ++i)
    mpg123_format(h.H, rates[i], MPG123_MONO | MPG123_STEREO, MPG123_ENC_SIGNED_16);

  TMemReader reader{data, 0};
  if (mpg123_replace_reader_handle(h.H, MemRead, MemSeek, nullptr) != MPG123_OK) return false;
  if (mpg123_open_handle(h.H, &reader) != MPG123_OK) return false;

  std::vector<unsigned char> buf(16384);
  for (;;) {
    size_t done = 0;
    int rc = mpg123_read(h.H, buf.data(), buf.size(), &done);
    const auto* s = reinterpret_cast<const int16_t*>(buf.data());
    if (rc == MPG123_NEW_FORMAT) {
      long rate = 0;
      int channels = 0, enc = 0;
      mpg123_getformat(h.H, &rate, &channels, &enc);
      // A stream that changes its format midway cannot be held as one sound.
      if (!out.Samples.empty() && (rate != out.Rate || channels != out.Channels)) return false;
      // Samples handed back with a format change would be of unclear format; before any audio
      // they are dropped.
      if (out.Samples.empty()) done = 0;
      out.Rate = int(rate);
      out.Channels = channels;
    }
    // The last read may hand back samples together with the end code.
    if (done > 0 && out.Channels > 0) out.Samples.insert(out.Samples.end(), s, s + done / 2);
    if (rc == MPG123_DONE) break;
    if (rc != MPG123_OK && rc != MPG123_NEW_FORMAT) return false;
  }
  if (out.Rate <= 0 || out.Channels <= 0) return false;
  out.Samples.resize(out.Samples.size() - out.Samples.size() % size_t(out.Channels));  // whole frames only
  return !out.Samples.empty();
}

std::vector<uint8_t> MakeWaveFile(const TPcm& pcm) {
  std::vector<uint8_t> v;
  uint32_t dataBytes = uint32_t(pcm.Samples.size() * 2);
  v.reserve(44 + dataBytes);
  v.insert(v.end(), {'R', 'I', 'F', 'F'});
  Put32(v, 36 + dataBytes);
  v.insert(v.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
  Put32(v, 16);
  Put16(v, 1);
  Put16(v, uint32_t(pcm.Channels));
  Put32(v, uint32_t(pcm.Rate));
  Put32(v, uint32_t(pcm.Rate * pcm.Channels * 2));
  Put16(v, uint32_t(pcm.Channels * 2));
  Put16(v, 16);
  v.insert(v.end(), {'d', 'a', 't', 'a'});
  Put32(v, dataBytes);
  for (int16_t s : pcm.Samples) Put16(v, uint16_t(s));
  return v;
}

}  // namespace kq
