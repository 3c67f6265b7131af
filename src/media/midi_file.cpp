#include "media/midi_file.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace kq {

namespace {

struct TReader {
  std::span<const uint8_t> D;
  size_t Pos = 0;
  bool Ok = true;

  bool Has(size_t n) const { return Pos + n <= D.size(); }
  uint8_t U8() {
    if (!Has(1)) {
      Ok = false;
      return 0;
    }
    return D[Pos++];
  }
  uint32_t Be(int bytes) {
    uint32_t v = 0;
    for (int i = 0; i < bytes; ++i) v = v << 8 | U8();
    return v;
  }
  // Variable-length quantity: at most four bytes.
  uint32_t Vlq() {
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i) {
      uint8_t b = U8();
      v = v << 7 | (b & 0x7F);
      if (!(b & 0x80)) return v;
    }
    Ok = false;
    return v;
  }
};

bool Fail(std::string* error, const char* why) {
  if (error) *error = why;
  return false;
}

int DataBytes(uint8_t status) {
  uint8_t kind = status & 0xF0;
  return kind == 0xC0 || kind == 0xD0 ? 1 : 2;
}

void PutVlq(std::vector<uint8_t>& v, uint32_t x) {
  uint8_t tmp[5];
  int n = 0;
  tmp[n++] = x & 0x7F;
  while (x >>= 7) tmp[n++] = uint8_t(0x80 | (x & 0x7F));
  while (n) v.push_back(tmp[--n]);
}

void PutBe(std::vector<uint8_t>& v, uint32_t x, int bytes) {
  for (int i = bytes - 1; i >= 0; --i) v.push_back(uint8_t(x >> (8 * i)));
}

}  // namespace

bool ParseMidiFile(std::span<const uint8_t> file, int sampleRate, TMidiSong& out, std::string* error) {
  out = TMidiSong{};
  TReader r{file};
  if (file.size() < 14 || std::memcmp(file.data(), "MThd", 4) != 0)
    return Fail(error, "not a standard MIDI file");
  r.Pos = 4;
  uint32_t headerLen = r.Be(4);
  if (headerLen < 6 || !r.Has(headerLen)) return Fail(error, "bad header");
  uint16_t format = uint16_t(r.Be(2));
  uint16_t tracks = uint16_t(r.Be(2));
  uint16_t division = uint16_t(r.Be(2));
  if (format != 0) return Fail(error, "only format 0 files are played");
  if (tracks != 1) return Fail(error, "a format 0 file holds one track");
  r.Pos = 8 + headerLen;

  // Skip foreign chunks up to the track.
  for (;;) {
    if (!r.Has(8)) return Fail(error, "no track");
    bool track = std::memcmp(file.data() + r.Pos, "MTrk", 4) == 0;
    r.Pos += 4;
    uint32_t len = r.Be(4);
    if (track) {
      r.D = file.subspan(0, r.Pos + std::min<size_t>(len, file.size() - r.Pos));
      break;
    }
    if (!r.Has(len)) return Fail(error, "no track");
    r.Pos += len;
  }

  // Tick length in microseconds: per quarter note under a tempo, or fixed for SMPTE time.
  double usPerTick;
  bool smpte = division & 0x8000;
  double ticksPerQuarter = 0;
  if (smpte) {
    int fps = -int(int8_t(division >> 8));
    int sub = division & 0xFF;
    if (fps <= 0 || sub == 0) return Fail(error, "bad time division");
    double rate = fps == 29 ? 29.97 : fps;
    usPerTick = 1e6 / (rate * sub);
  } else {
    if (division == 0) return Fail(error, "bad time division");
    ticksPerQuarter = division;
    usPerTick = 500000.0 / ticksPerQuarter;
  }

  double us = 0;
  uint8_t running = 0;
  bool ended = false;
  auto frameNow = [&] { return uint64_t(std::llround(us * sampleRate / 1e6)); };
  while (r.Pos < r.D.size() && !ended) {
    us += r.Vlq() * usPerTick;
    uint8_t b = r.U8();
    if (!r.Ok) break;
    if (b == 0xFF) {
      uint8_t type = r.U8();
      uint32_t len = r.Vlq();
      if (!r.Ok || !r.Has(len)) break;
      if (type == 0x51 && len == 3 && !smpte) {
        uint32_t tempo = uint32_t(r.D[r.Pos]) << 16 | uint32_t(r.D[r.Pos + 1]) << 8 | r.D[r.Pos + 2];
        if (tempo > 0) usPerTick = tempo / ticksPerQuarter;
      }
      if (type == 0x2F) ended = true;
      r.Pos += len;
      running = 0;
      continue;
    }
    if (b == 0xF0 || b == 0xF7) {
      uint32_t len = r.Vlq();
      if (!r.Ok || !r.Has(len)) break;
      r.Pos += len;
      running = 0;
      continue;
    }
    uint8_t status = b;
    uint8_t d1;
    if (b & 0x80) {
      if (b >= 0xF0) return Fail(error, "bad event in track");
      d1 = r.U8();
    } else {
      if (!running) return Fail(error, "data byte without status");
      status = running;
      d1 = b;
    }
    running = status;
    uint8_t d2 = DataBytes(status) == 2 ? r.U8() : 0;
    if (!r.Ok) break;
    out.Events.push_back({frameNow(), status, uint8_t(d1 & 0x7F), uint8_t(d2 & 0x7F)});
  }
  // A track cut short still plays what it has.
  out.EndFrame = frameNow();
  if (!out.Events.empty()) out.EndFrame = std::max(out.EndFrame, out.Events.back().Frame);
  return true;
}

std::vector<uint8_t> WriteMidiFormat0(uint16_t ticksPerQuarter, std::vector<TMidiOut> events,
                                      uint32_t endTick) {
  std::stable_sort(events.begin(), events.end(),
                   [](const TMidiOut& a, const TMidiOut& b) { return a.Tick < b.Tick; });
  std::vector<uint8_t> track;
  uint32_t last = 0;
  for (const TMidiOut& e : events) {
    PutVlq(track, e.Tick - last);
    last = e.Tick;
    track.insert(track.end(), e.Bytes.begin(), e.Bytes.end());
  }
  PutVlq(track, endTick > last ? endTick - last : 0);
  track.insert(track.end(), {0xFF, 0x2F, 0x00});

  std::vector<uint8_t> file{'M', 'T', 'h', 'd'};
  PutBe(file, 6, 4);
  PutBe(file, 0, 2);
  PutBe(file, 1, 2);
  PutBe(file, ticksPerQuarter, 2);
  file.insert(file.end(), {'M', 'T', 'r', 'k'});
  PutBe(file, uint32_t(track.size()), 4);
  file.insert(file.end(), track.begin(), track.end());
  return file;
}

}  // namespace kq
