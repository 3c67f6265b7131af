#include "media/fluid_synth.h"

#include <fluidsynth.h>

#include <cstring>

#include "media/mixer.h"

namespace kq {

struct TFluidSynth::TImpl {
  fluid_settings_t* Settings = nullptr;
  fluid_synth_t* Synth = nullptr;
  ~TImpl() {
    if (Synth) delete_fluid_synth(Synth);
    if (Settings) delete_fluid_settings(Settings);
  }
};

std::unique_ptr<TFluidSynth> TFluidSynth::Create(const std::string& soundFont, std::string* error) {
  // FluidSynth's own chatter would go to the terminal; our caller reports what matters.
  for (int level : {FLUID_WARN, FLUID_INFO, FLUID_DBG}) fluid_set_log_function(level, nullptr, nullptr);
  auto impl = std::make_unique<TImpl>();
  impl->Settings = new_fluid_settings();
  if (!impl->Settings) {
    if (error) *error = "cannot create synthesizer settings";
    return nullptr;
  }
  fluid_settings_setnum(impl->Settings, "synth.sample-rate", kMixRate);
  // The synthesizer's own level of 0.5, taken down to the level every source enters the mix at.
  fluid_settings_setnum(impl->Settings, "synth.gain", 0.5 * kSourceLevel);
  fluid_settings_setint(impl->Settings, "synth.polyphony", 128);
  fluid_settings_setint(impl->Settings, "synth.cpu-cores", 1);
  fluid_settings_setint(impl->Settings, "synth.reverb.active", 1);
  fluid_settings_setint(impl->Settings, "synth.chorus.active", 1);
  impl->Synth = new_fluid_synth(impl->Settings);
  if (!impl->Synth) {
    if (error) *error = "cannot create the synthesizer";
    return nullptr;
  }
  if (soundFont.empty() || fluid_synth_sfload(impl->Synth, soundFont.c_str(), 1) == FLUID_FAILED) {
    if (error)
      *error = "cannot load soundfont " + (soundFont.empty() ? std::string("(none found)") : soundFont);
    return nullptr;
  }
  std::unique_ptr<TFluidSynth> s(new TFluidSynth);
  s->impl_ = std::move(impl);
  return s;
}

TFluidSynth::~TFluidSynth() = default;

void TFluidSynth::Send(const TMidiEvent& e) {
  fluid_synth_t* s = impl_->Synth;
  int ch = e.Status & 0x0F;
  switch (e.Status & 0xF0) {
    case 0x80:
      fluid_synth_noteoff(s, ch, e.Data1);
      break;
    case 0x90:
      fluid_synth_noteon(s, ch, e.Data1, e.Data2);
      break;  // velocity 0 is a note-off
    case 0xA0:
      fluid_synth_key_pressure(s, ch, e.Data1, e.Data2);
      break;
    case 0xB0:
      fluid_synth_cc(s, ch, e.Data1, e.Data2);
      break;
    case 0xC0:
      fluid_synth_program_change(s, ch, e.Data1);
      break;
    case 0xD0:
      fluid_synth_channel_pressure(s, ch, e.Data1);
      break;
    case 0xE0:
      fluid_synth_pitch_bend(s, ch, e.Data1 | e.Data2 << 7);
      break;
    default:
      break;
  }
}

void TFluidSynth::Render(int16_t* out, int frames) {
  if (frames <= 0) return;
  fluid_synth_write_s16(impl_->Synth, frames, out, 0, 2, out, 1, 2);
}

void TFluidSynth::Reset() {
  fluid_synth_system_reset(impl_->Synth);
}

int TFluidSynth::ActiveVoices() const {
  return fluid_synth_get_active_voice_count(impl_->Synth);
}

}  // namespace kq
