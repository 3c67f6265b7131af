#pragma once
// Standard MIDI files: reading format 0 into events timed in sample frames, and writing format 0
// (the music generator and the tests write their songs with it).
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace kq {

// A channel message (status 0x80..0xEF with its data bytes) at a sample frame of the song.
struct TMidiEvent {
  uint64_t Frame = 0;
  uint8_t Status = 0;
  uint8_t Data1 = 0;
  uint8_t Data2 = 0;
};

struct TMidiSong {
  std::vector<TMidiEvent> Events;  // ascending by Frame
  uint64_t EndFrame = 0;           // end of the track, never before the last event
};

// Parses a standard MIDI file of format 0 (one track); anything else fails with a reason.
bool ParseMidiFile(std::span<const uint8_t> file, int sampleRate, TMidiSong& out,
                   std::string* error = nullptr);

// An event to write: channel messages or meta events (0xFF, type, length, data) as raw bytes.
struct TMidiOut {
  uint32_t Tick = 0;
  std::vector<uint8_t> Bytes;
};

// A format 0 file with the given ticks per quarter note. Events are ordered by tick (stable, so
// the order of equal ticks is kept) and an end-of-track event follows the last one, at endTick
// if that is later.
std::vector<uint8_t> WriteMidiFormat0(uint16_t ticksPerQuarter, std::vector<TMidiOut> events,
                                      uint32_t endTick = 0);

}  // namespace kq
