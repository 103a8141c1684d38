// Mutation fuzzing: inputs made from valid seed files by stacking a few
// mutations (bit flips, interesting bytes and 16- and 32-bit words, truncation,
// duplicated and erased ranges, inserted random bytes and dictionary tokens,
// splices of two seeds). Input n is the same on every run and in every
// process, so a run can go on after a crash at the input after it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class Fuzzer {
 public:
  // seeds must not be empty; tokens may be (they are inserted and
  // overwritten at random places).
  Fuzzer(std::vector<std::string> seeds, std::vector<std::string> tokens, uint64_t seed = 0x5eedf00d);

  // The seeds themselves come first, unchanged.
  std::string Input(uint64_t n) const;

 private:
  class Random;

  void Mutate(std::string& data, Random& random) const;
  void SetWord(std::string& data, Random& random, int bytes) const;
  void Splice(std::string& data, Random& random) const;
  void PutToken(std::string& data, Random& random) const;

  std::vector<std::string> seeds_;
  std::vector<std::string> tokens_;
  uint64_t seed_;
};
