#include "Fuzzer.h"

#include <algorithm>
#include <cstring>
#include <utility>

// splitmix64: small, fast and the same everywhere.
class Fuzzer::Random {
 public:
  explicit Random(uint64_t state) : state_(state) {}
  uint64_t Next() {
    uint64_t z = (state_ += 0x9e3779b97f4a7c15ull);
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ull;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebull;
    return z ^ (z >> 31);
  }
  // 0 to count - 1; 0 when count is 0.
  size_t Below(size_t count) { return count ? size_t(Next() % count) : 0; }

 private:
  uint64_t state_;
};

namespace {

const uint8_t kBytes[] = {0x00, 0x01, 0x7F, 0x80, 0xFF, 0x20, '0', '<'};
const uint32_t kWords[] = {0, 1, 0xFF, 0x7FFF, 0x8000, 0xFFFF, 0x7FFFFFFF, 0x80000000u, 0xFFFFFFFFu};

}  // namespace

Fuzzer::Fuzzer(std::vector<std::string> seeds, std::vector<std::string> tokens, uint64_t seed)
    : seeds_(std::move(seeds)), tokens_(std::move(tokens)), seed_(seed) {}

std::string Fuzzer::Input(uint64_t n) const {
  if (n < seeds_.size()) return seeds_[n];
  Random random(seed_ ^ (n * 0x2545f4914f6cdd1dull));
  std::string data = seeds_[random.Below(seeds_.size())];
  for (size_t count = 1 + random.Below(4); count > 0; --count) Mutate(data, random);
  return data;
}

void Fuzzer::Mutate(std::string& data, Random& random) const {
  size_t at = random.Below(data.size());
  switch (random.Below(11)) {
    case 0:  // a bit flipped
      if (!data.empty()) data[at] ^= char(1 << random.Below(8));
      break;
    case 1:  // an interesting byte
      if (!data.empty()) data[at] = char(kBytes[random.Below(sizeof kBytes)]);
      break;
    case 2:
      SetWord(data, random, 2);
      break;
    case 3:
    case 4:
      SetWord(data, random, 4);
      break;
    case 5:  // truncated
      data.resize(at);
      break;
    case 6: {  // a range repeated
      std::string range = data.substr(at, 1 + random.Below(64));
      data.insert(random.Below(data.size() + 1), range);
      break;
    }
    case 7:  // a range erased
      data.erase(at, 1 + random.Below(32));
      break;
    case 8: {  // random bytes inserted
      std::string bytes(1 + random.Below(16), '\0');
      for (char& c : bytes) c = char(random.Next());
      data.insert(random.Below(data.size() + 1), bytes);
      break;
    }
    case 9:
      Splice(data, random);
      break;
    default:
      PutToken(data, random);
      break;
  }
}

// A little-endian word at a random place (aligned half of the time): an
// interesting value, or a size near the input's own.
void Fuzzer::SetWord(std::string& data, Random& random, int bytes) const {
  if (data.size() < size_t(bytes)) return;
  size_t at = random.Below(data.size() - bytes + 1);
  if (random.Below(2)) at &= ~size_t(bytes - 1);
  uint32_t value = kWords[random.Below(sizeof kWords / sizeof kWords[0])];
  if (random.Below(3) == 0) value = uint32_t(data.size() - at) + uint32_t(random.Below(17)) - 8;
  memcpy(&data[at], &value, bytes);
}

// The start of this input and the end of another seed.
void Fuzzer::Splice(std::string& data, Random& random) const {
  const std::string& other = seeds_[random.Below(seeds_.size())];
  data = data.substr(0, random.Below(data.size() + 1)) + other.substr(random.Below(other.size() + 1));
}

void Fuzzer::PutToken(std::string& data, Random& random) const {
  if (tokens_.empty()) return;
  const std::string& token = tokens_[random.Below(tokens_.size())];
  size_t at = random.Below(data.size() + 1);
  if (random.Below(2)) {
    data.insert(at, token);
  } else {
    data.replace(at, std::min(token.size(), data.size() - at), token);
  }
}
