#pragma once
// Decoding of sound files into 16-bit PCM: the RIFF chunk walk that finds MP3 data inside a wave
// file, and the MP3 decoder. No mixer here, so the pieces test and fuzz on their own.
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

namespace kq {

struct TPcm {
  int Rate = 0;
  int Channels = 0;
  std::vector<int16_t> Samples;  // interleaved
};

// Payload of the first chunk with the given four-character id in a RIFF WAVE file; none when the
// file is not RIFF WAVE or has no such chunk. A chunk running past the end of the file is cut
// at the end (many writers leave the size of the last chunk wrong).
std::optional<std::span<const uint8_t>> FindRiffChunk(std::span<const uint8_t> file, std::string_view id);

// True for a RIFF WAVE file each of whose chunks lies inside the file (only the pad byte after
// the last chunk may be missing). A loader must not trust a size that fails this: a few hundred
// bytes can claim gigabytes.
bool RiffChunksFit(std::span<const uint8_t> file);

// True for a RIFF WAVE file whose format tag is 0x55 (MPEG Layer III inside a wave file).
bool IsRiffMp3(std::span<const uint8_t> file);

// Decodes a whole MPEG audio stream to 16-bit PCM. False when the decoder reports an error or
// finds no audio at all. May throw std::bad_alloc.
bool DecodeMp3(std::span<const uint8_t> data, TPcm& out);

// A canonical PCM wave file holding pcm.
std::vector<uint8_t> MakeWaveFile(const TPcm& pcm);

}  // namespace kq
