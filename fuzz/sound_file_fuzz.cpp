// Any bytes as a sound file: the RIFF walk stays inside the file, and the MP3 decoder either
// fails or gives whole sample frames at a real rate.
#include <cstdint>
#include <span>

#include "fuzz_check.h"
#include "media/sound_decode.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace kq;
  std::span<const uint8_t> file(data, size);
  std::span<const uint8_t> mp3 = file;
  for (const char* id : {"fmt ", "data"}) {
    if (auto chunk = FindRiffChunk(file, id)) {
      KQ_FUZZ_CHECK(chunk->data() >= data && chunk->data() + chunk->size() <= data + size);
      if (id[0] == 'd' && IsRiffMp3(file)) mp3 = *chunk;
    }
  }
  TPcm pcm;
  if (DecodeMp3(mp3, pcm)) {
    KQ_FUZZ_CHECK(pcm.Rate >= 8000 && pcm.Rate <= 48000);
    KQ_FUZZ_CHECK(pcm.Channels == 1 || pcm.Channels == 2);
    KQ_FUZZ_CHECK(pcm.Samples.size() % size_t(pcm.Channels) == 0);
  }
  return 0;
}
