// The short, bounded fuzz run of every reader, and checks of the fuzzing
// machinery itself. engine_fuzz runs the long form.
#include <gtest/gtest.h>

#include <iterator>
#include <set>
#include <stdexcept>
#include <vector>

#include "EngineObjects.h"
#include "EngineTestSupport.h"
#include "FuzzRunner.h"
#include "Fuzzer.h"
#include "MediaReaders.h"
#include "ParameterCatalog.h"
#include "TempFolder.h"

namespace {

constexpr DWORD kHangMilliseconds = 20000;

// A few seconds in all under Wine, where writing and reading a file costs
// milliseconds; a project input costs the most.
const struct {
  const char* target;
  uint64_t inputs;
} kShortRuns[] = {{"project", 500}, {"tga", 1000},    {"wav", 1000},  {"avi", 1000},
                  {"still", 150},   {"catalog", 100}, {"time", 500}};

// Findings stay after the test for reproduction; the folder is printed with them.
std::wstring FindingsFolder() {
  wchar_t base[MAX_PATH];
  GetTempPathW(MAX_PATH, base);
  std::wstring folder = std::wstring(base) + L"morvik-fuzz-findings";
  CreateDirectoryW(folder.c_str(), nullptr);
  return folder;
}

const FuzzTarget& Named(const char* name) {
  for (const FuzzTarget& target : FuzzTargets()) {
    if (std::string(target.name) == name) return target;
  }
  throw std::invalid_argument(name);
}

class ShortFuzzTest : public EngineTest, public ::testing::WithParamInterface<size_t> {};

TEST_P(ShortFuzzTest, DamagedInputsNeitherCrashHangLeakNorGiveWrongResults) {
  const FuzzTarget& target = Named(kShortRuns[GetParam()].target);
  uint64_t inputs = kShortRuns[GetParam()].inputs;
  std::wstring folder = FindingsFolder();
  FuzzProgress progress;
  {
    FuzzRunner runner(target, folder, kHangMilliseconds);
    runner.Run(inputs, ULLONG_MAX, &progress);
  }
  EXPECT_EQ(inputs, progress.counts.tried);
  std::string where(folder.begin(), folder.end());
  EXPECT_EQ(0u, progress.counts.crashes) << "inputs kept in " << where;
  EXPECT_EQ(0u, progress.counts.leaks) << "inputs kept in " << where;
  EXPECT_EQ(0u, progress.counts.wrong) << "inputs kept in " << where;
}

INSTANTIATE_TEST_SUITE_P(Readers, ShortFuzzTest, ::testing::Range<size_t>(0, std::size(kShortRuns)),
                         [](const ::testing::TestParamInfo<size_t>& info) {
                           return std::string(kShortRuns[info.param].target);
                         });

// Fuzzing starts from files the readers take, or it only tests refusals.
TEST_F(ShortFuzzTest, SeedsAreFilesTheReadersTake) {
  TempFolder folder;
  for (const FuzzTarget& target : FuzzTargets()) {
    std::vector<std::string> seeds = target.seeds();
    for (size_t i = 0; i < seeds.size(); ++i) {
      std::wstring path = folder.File((L"seed" + std::to_wstring(i) + target.extension).c_str());
      ASSERT_TRUE(WriteWholeFile(path, seeds[i]));
      HRESULT hr = E_FAIL;
      std::string name = target.name;
      if (name == "time") continue;  // any text is a time
      if (name == "catalog") {
        ParameterCatalog catalog;
        hr = catalog.OpenFile(path.c_str()) ? S_OK : E_FAIL;
      } else if (name == "project") {
        ComPtr<IXml2Dex> xml;
        ASSERT_EQ(S_OK, CoCreateInstance(CLSID_Xml2Dex, nullptr, CLSCTX_INPROC_SERVER, IID_IXml2Dex,
                                         xml.ReceiveVoid()));
        BSTR name = SysAllocString(path.c_str());
        ComPtr<IAMSetErrorLog>(timeline.As<IAMSetErrorLog>(IID_IAMSetErrorLog))->put_ErrorLog(&errorLog);
        hr = xml->ReadXMLFile(timeline.Get(), name);
        SysFreeString(name);
        EXPECT_TRUE(errorLog.lines.empty()) << target.name << " " << i;
      } else {
        std::unique_ptr<MediaReader> reader;
        hr = MediaReaders::Open(path.c_str(), &reader);
      }
      EXPECT_EQ(S_OK, hr) << target.name << " " << i;
    }
  }
}

TEST(FuzzerTest, InputsAreTheSameOnEveryRunAndVaried) {
  std::vector<std::string> seeds = {"RIFF....WAVEfmt ", "<timeline/>"};
  Fuzzer one(seeds, {"<x>"}), two(seeds, {"<x>"}), other(seeds, {"<x>"}, 1);
  EXPECT_EQ(seeds[0], one.Input(0));
  EXPECT_EQ(seeds[1], one.Input(1));
  std::set<std::string> distinct;
  int sameAsOther = 0;
  for (uint64_t n = 2; n < 502; ++n) {
    std::string input = one.Input(n);
    EXPECT_EQ(input, two.Input(n)) << n;
    sameAsOther += input == other.Input(n);
    distinct.insert(input);
  }
  EXPECT_GT(distinct.size(), 400u);
  EXPECT_LT(sameAsOther, 50);
}

// Targets that go wrong on purpose, each in one way.
bool Leaks(const std::wstring&, std::string*) {
  EngineObjectCreated();
  return true;
}
std::vector<HANDLE> leftOpen;
bool LeavesHandle(const std::wstring&, std::string*) {
  leftOpen.push_back(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  return true;
}
bool Throws(const std::wstring&, std::string*) { throw std::runtime_error("thrown"); }
bool Wrong(const std::wstring&, std::string* problem) {
  *problem = "wrong on purpose";
  return false;
}
std::vector<std::string> OneSeed() { return {"seed"}; }

class FuzzRunnerTest : public EngineTest {};

TEST_F(FuzzRunnerTest, CountsAndKeepsWhatEachInputFinds) {
  TempFolder folder;
  struct Case {
    FuzzTarget target;
    const char* kind;
    uint64_t FuzzCounts::*count;
  } cases[] = {
      {{"leaks", L".bin", OneSeed, {}, Leaks}, "leak", &FuzzCounts::leaks},
      {{"handles", L".bin", OneSeed, {}, LeavesHandle}, "leak", &FuzzCounts::leaks},
      {{"throws", L".bin", OneSeed, {}, Throws}, "crash", &FuzzCounts::crashes},
      {{"wrong", L".bin", OneSeed, {}, Wrong}, "wrong", &FuzzCounts::wrong},
  };
  for (const Case& c : cases) {
    FuzzProgress progress;
    progress.current = 5;
    {
      FuzzRunner runner(c.target, folder.Path(), kHangMilliseconds);
      runner.Run(3, ULLONG_MAX, &progress);
      EXPECT_EQ(Fuzzer(OneSeed(), {}).Input(7), ReadWholeFile(runner.FindingPath(c.target, folder.Path(), c.kind, 7)))
          << c.kind;
    }
    EXPECT_EQ(8u, progress.current) << c.kind;
    EXPECT_EQ(3u, progress.counts.tried) << c.kind;
    EXPECT_EQ(3u, progress.counts.*c.count) << c.kind;
    EXPECT_EQ(3u, progress.counts.leaks + progress.counts.crashes + progress.counts.wrong) << c.kind;
  }
  for (int i = 0; i < 3; ++i) EngineObjectDestroyed();  // what Leaks made up
  for (HANDLE handle : leftOpen) CloseHandle(handle);
}

}  // namespace
