// Synthesises the program's five sound effects and writes them as 16-bit PCM
// mono WAV files (22050 Hz) into the directory given on the command line:
//   wzrv-impact-hexagon.wav  impact on the hexagon field: a deep thump with a ring
//   wzrv-impact-octagon.wav  impact on the octagon field: a metallic clang
//   wzrv-impact-mini.wav     impact on the mini field: a short high zap
//   wzrv-field-rise.wav      the field being raised (lock): a rising hum
//   wzrv-field-fade.wav      the field vanishing (unlock): a falling, fading hum
// Everything is computed from fixed formulas and a fixed-seed noise source,
// so every build writes the same bytes.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr int kRate = 22050;
constexpr double kPi = 3.14159265358979323846;

using Samples = std::vector<double>;

// White noise from a fixed seed, values in [-1, 1).
class Noise {
 public:
  double Next() {
    state_ ^= state_ << 13;
    state_ ^= state_ >> 17;
    state_ ^= state_ << 5;
    return static_cast<double>(state_) / 2147483648.0 - 1.0;
  }

 private:
  std::uint32_t state_ = 0x2F6B1D35u;
};

Samples Silence(double seconds) { return Samples(static_cast<std::size_t>(seconds * kRate), 0.0); }

double T(std::size_t i) { return static_cast<double>(i) / kRate; }

// An oscillator whose frequency may change from sample to sample.
class Osc {
 public:
  double Sine(double hz) {
    phase_ += 2.0 * kPi * hz / kRate;
    if (phase_ > 2.0 * kPi) phase_ -= 2.0 * kPi;
    return std::sin(phase_);
  }

 private:
  double phase_ = 0.0;
};

// One-pole low-pass filter.
class LowPass {
 public:
  explicit LowPass(double hz) : a_(1.0 - std::exp(-2.0 * kPi * hz / kRate)) {}
  double operator()(double x) { return y_ += a_ * (x - y_); }

 private:
  double a_;
  double y_ = 0.0;
};

// Short linear ramps at both ends (no clicks), then scaled to `peak`.
void Finish(Samples& s, double peak) {
  const std::size_t in = kRate / 500, out = kRate / 50;
  for (std::size_t i = 0; i < in && i < s.size(); ++i) s[i] *= static_cast<double>(i) / in;
  for (std::size_t i = 0; i < out && i < s.size(); ++i) {
    s[s.size() - 1 - i] *= static_cast<double>(i) / out;
  }
  double max = 0.0;
  for (double v : s) max = std::fmax(max, std::fabs(v));
  if (max > 0.0) {
    for (double& v : s) v *= peak / max;
  }
}

// Hexagon impact: a thump falling from 180 Hz to 45 Hz, a burst of dull noise
// and a ring of six harmonics.
Samples ImpactHexagon() {
  Samples s = Silence(0.55);
  Noise noise;
  LowPass dull(1200.0);
  Osc body, ring[6];
  for (std::size_t i = 0; i < s.size(); ++i) {
    const double t = T(i);
    const double hz = 45.0 + 135.0 * std::exp(-t / 0.06);
    double v = body.Sine(hz) * std::exp(-t / 0.16);
    v += 0.7 * dull(noise.Next()) * std::exp(-t / 0.03);
    for (int k = 0; k < 6; ++k) {
      v += 0.08 / (k + 1) * ring[k].Sine(330.0 * (k + 1) * (1.0 + 0.002 * k)) * std::exp(-t / 0.12);
    }
    s[i] = v;
  }
  Finish(s, 0.8);
  return s;
}

// Octagon impact: the inharmonic partials of a struck bar, a bright click and
// a slow beat between two close partials.
Samples ImpactOctagon() {
  Samples s = Silence(0.6);
  Noise noise;
  LowPass bright(5000.0);
  const double ratio[] = {1.0, 1.006, 2.756, 5.404, 8.933};
  const double level[] = {0.5, 0.5, 0.45, 0.3, 0.18};
  const double decay[] = {0.22, 0.22, 0.12, 0.07, 0.04};
  Osc part[5];
  for (std::size_t i = 0; i < s.size(); ++i) {
    const double t = T(i);
    double v = 0.6 * bright(noise.Next()) * std::exp(-t / 0.008);
    for (int k = 0; k < 5; ++k) v += level[k] * part[k].Sine(290.0 * ratio[k]) * std::exp(-t / decay[k]);
    s[i] = v;
  }
  Finish(s, 0.8);
  return s;
}

// Mini impact: a quick zap falling from 2200 Hz to 500 Hz with a little fizz.
Samples ImpactMini() {
  Samples s = Silence(0.3);
  Noise noise;
  LowPass fizz(3000.0);
  Osc zap, octave;
  for (std::size_t i = 0; i < s.size(); ++i) {
    const double t = T(i);
    const double hz = 500.0 + 1700.0 * std::exp(-t / 0.035);
    double v = zap.Sine(hz) + 0.3 * octave.Sine(hz * 2.0);
    v *= std::exp(-t / 0.07);
    v += 0.25 * fizz(noise.Next()) * std::exp(-t / 0.02);
    s[i] = v;
  }
  Finish(s, 0.75);
  return s;
}

// A detuned pair with two overtones and a tremolo.
double Hum(Osc* o, double hz, double tremoloHz, Osc& tremolo) {
  double v = o[0].Sine(hz) + 0.4 * o[1].Sine(hz * 1.007) + 0.35 * o[2].Sine(hz * 2.0) +
             0.15 * o[3].Sine(hz * 3.0);
  return v * (0.75 + 0.25 * tremolo.Sine(tremoloHz));
}

// Field raised: the hum rises from 110 Hz to 880 Hz and grows louder.
Samples FieldRise() {
  Samples s = Silence(1.2);
  const double len = 1.2;
  Osc o[4], tremolo;
  for (std::size_t i = 0; i < s.size(); ++i) {
    const double x = T(i) / len;  // 0 .. 1
    const double hz = 110.0 * std::pow(8.0, x);
    const double amp = 0.15 + 0.85 * x * x;
    double v = amp * Hum(o, hz, 8.0 + 24.0 * x, tremolo);
    if (x > 0.93) v *= (1.0 - x) / 0.07;  // quick release at the top
    s[i] = v;
  }
  Finish(s, 0.7);
  return s;
}

// Field vanishing: the hum falls from 880 Hz to 110 Hz and fades away, with a
// fading shimmer of noise.
Samples FieldFade() {
  Samples s = Silence(1.2);
  const double len = 1.2;
  Noise noise;
  LowPass shimmer(2500.0);
  Osc o[4], tremolo;
  for (std::size_t i = 0; i < s.size(); ++i) {
    const double t = T(i), x = t / len;
    const double hz = 880.0 * std::pow(1.0 / 8.0, x);
    double v = std::exp(-t / 0.35) * Hum(o, hz, 30.0 - 22.0 * x, tremolo);
    v += 0.2 * shimmer(noise.Next()) * std::exp(-t / 0.2);
    s[i] = v;
  }
  Finish(s, 0.7);
  return s;
}

void Put(std::FILE* f, std::uint32_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) std::fputc(static_cast<int>((v >> (8 * i)) & 0xFF), f);
}

bool WriteWav(const std::string& path, const Samples& s) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr) return false;
  const std::uint32_t data = static_cast<std::uint32_t>(s.size() * 2);
  std::fputs("RIFF", f);
  Put(f, 36 + data, 4);
  std::fputs("WAVEfmt ", f);
  Put(f, 16, 4);             // format chunk size
  Put(f, 1, 2);              // PCM
  Put(f, 1, 2);              // mono
  Put(f, kRate, 4);          // samples per second
  Put(f, kRate * 2, 4);      // bytes per second
  Put(f, 2, 2);              // block size
  Put(f, 16, 2);             // bits per sample
  std::fputs("data", f);
  Put(f, data, 4);
  for (double v : s) {
    long q = std::lround(v * 32767.0);
    if (q > 32767) q = 32767;
    if (q < -32768) q = -32768;
    Put(f, static_cast<std::uint32_t>(static_cast<std::int32_t>(q)) & 0xFFFF, 2);
  }
  const bool ok = std::ferror(f) == 0;
  return std::fclose(f) == 0 && ok;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s OUTPUT-DIRECTORY\n", argv[0]);
    return 2;
  }
  const std::string dir = argv[1];
  struct Effect {
    const char* name;
    Samples (*make)();
  };
  const Effect effects[] = {
      {"wzrv-impact-hexagon.wav", ImpactHexagon}, {"wzrv-impact-octagon.wav", ImpactOctagon},
      {"wzrv-impact-mini.wav", ImpactMini},       {"wzrv-field-rise.wav", FieldRise},
      {"wzrv-field-fade.wav", FieldFade},
  };
  for (const Effect& e : effects) {
    const std::string path = dir + "/" + e.name;
    if (!WriteWav(path, e.make())) {
      std::fprintf(stderr, "mksounds: cannot write %s\n", path.c_str());
      return 1;
    }
  }
  return 0;
}
