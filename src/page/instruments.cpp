// General MIDI instruments as LilyPond names them, and each staff's choice of one.
#include "page/instruments.hpp"

#include <algorithm>
#include <array>
#include <cstdio>

#include "page/notation.hpp"

namespace choirly::page {

namespace {

std::string decimal(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.4f", value);
  return text;
}

}  // namespace

// The staff's MIDI instrument: its program, or the drum channel.
std::string instrument_setting(const score::staff& s) {
  bool percussion = s.drum_channel;
  for (const score::item& it : s.items)
    if (const auto* c = std::get_if<score::clef_change>(&it)) {
      percussion = percussion || c->kind == score::clef_kind::percussion;
      break;
    }
  std::string out;
  if (percussion)
    out = " midiInstrument = \"drums\"";
  else if (s.patch >= 0)
    out = " midiInstrument = " + quoted(std::string(midi_instrument(s.patch)));
  return out + playback_setting(s);
}

std::string playback_setting(const score::staff& s) {
  std::string out;
  if (s.transposition != 0) {
    // The pitch that sounds for a written c': the MIDI moves, the page keeps the notes.
    static constexpr std::array<std::pair<int, std::string_view>, 12> steps = {{{0, "0"},
                                                                                {0, "1/2"},
                                                                                {1, "0"},
                                                                                {2, "-1/2"},
                                                                                {2, "0"},
                                                                                {3, "0"},
                                                                                {3, "1/2"},
                                                                                {4, "0"},
                                                                                {5, "-1/2"},
                                                                                {5, "0"},
                                                                                {6, "-1/2"},
                                                                                {6, "0"}}};
    const int octave = s.transposition >= 0 ? s.transposition / 12 : -((11 - s.transposition) / 12);
    const auto& step = steps[static_cast<std::size_t>(s.transposition - octave * 12)];
    out += " instrumentTransposition = #(ly:make-pitch " + std::to_string(octave) + " " +
           std::to_string(step.first) + " " + std::string(step.second) + ")";
  }
  if (s.muted) out += " \\remove Staff_performer";
  if (s.volume != 127) out += " midiExpression = #" + decimal(s.volume / 127.0);
  if (s.pan != 64)
    out += " midiPanPosition = #" + decimal(std::clamp((s.pan - 64) / 63.0, -1.0, 1.0));
  return out;
}

namespace {

// General MIDI programs 0..127 by LilyPond's names.
constexpr std::array<std::string_view, 128> program_names = {
    "acoustic grand",
    "bright acoustic",
    "electric grand",
    "honky-tonk",
    "electric piano 1",
    "electric piano 2",
    "harpsichord",
    "clav",
    "celesta",
    "glockenspiel",
    "music box",
    "vibraphone",
    "marimba",
    "xylophone",
    "tubular bells",
    "dulcimer",
    "drawbar organ",
    "percussive organ",
    "rock organ",
    "church organ",
    "reed organ",
    "accordion",
    "harmonica",
    "concertina",
    "acoustic guitar (nylon)",
    "acoustic guitar (steel)",
    "electric guitar (jazz)",
    "electric guitar (clean)",
    "electric guitar (muted)",
    "overdriven guitar",
    "distorted guitar",
    "guitar harmonics",
    "acoustic bass",
    "electric bass (finger)",
    "electric bass (pick)",
    "fretless bass",
    "slap bass 1",
    "slap bass 2",
    "synth bass 1",
    "synth bass 2",
    "violin",
    "viola",
    "cello",
    "contrabass",
    "tremolo strings",
    "pizzicato strings",
    "orchestral harp",
    "timpani",
    "string ensemble 1",
    "string ensemble 2",
    "synthstrings 1",
    "synthstrings 2",
    "choir aahs",
    "voice oohs",
    "synth voice",
    "orchestra hit",
    "trumpet",
    "trombone",
    "tuba",
    "muted trumpet",
    "french horn",
    "brass section",
    "synthbrass 1",
    "synthbrass 2",
    "soprano sax",
    "alto sax",
    "tenor sax",
    "baritone sax",
    "oboe",
    "english horn",
    "bassoon",
    "clarinet",
    "piccolo",
    "flute",
    "recorder",
    "pan flute",
    "blown bottle",
    "shakuhachi",
    "whistle",
    "ocarina",
    "lead 1 (square)",
    "lead 2 (sawtooth)",
    "lead 3 (calliope)",
    "lead 4 (chiff)",
    "lead 5 (charang)",
    "lead 6 (voice)",
    "lead 7 (fifths)",
    "lead 8 (bass+lead)",
    "pad 1 (new age)",
    "pad 2 (warm)",
    "pad 3 (polysynth)",
    "pad 4 (choir)",
    "pad 5 (bowed)",
    "pad 6 (metallic)",
    "pad 7 (halo)",
    "pad 8 (sweep)",
    "fx 1 (rain)",
    "fx 2 (soundtrack)",
    "fx 3 (crystal)",
    "fx 4 (atmosphere)",
    "fx 5 (brightness)",
    "fx 6 (goblins)",
    "fx 7 (echoes)",
    "fx 8 (sci-fi)",
    "sitar",
    "banjo",
    "shamisen",
    "koto",
    "kalimba",
    "bagpipe",
    "fiddle",
    "shanai",
    "tinkle bell",
    "agogo",
    "steel drums",
    "woodblock",
    "taiko drum",
    "melodic tom",
    "synth drum",
    "reverse cymbal",
    "guitar fret noise",
    "breath noise",
    "seashore",
    "bird tweet",
    "telephone ring",
    "helicopter",
    "applause",
    "gunshot",
};

}  // namespace

std::string_view midi_instrument(int program) {
  if (program < 0 || program > 127) return program_names[0];
  return program_names[static_cast<std::size_t>(program)];
}

}  // namespace choirly::page
