// Allocation failure through every function of the engine library: for each
// call, each allocation it makes is made to fail in turn (once, and from there
// on), and the call must answer as documented or with NORVIK_INTERNAL and the
// text "out of memory", leave the engine as it was, never crash, and free
// everything it allocated. One test case per call, mode and allocation.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "failing_allocator.h"
#include "norvik.h"

namespace {

namespace fs = std::filesystem;
using failing_allocator::Mode;

constexpr char kSmallCorpus[] =
    R"({"config":{"verbose":true},"commands":[{"id":9001,"name":"喂猫","examples":["给猫喂食","猫饿了"],)"
    R"("keywords":["猫"],"patterns":["喂{n:number}次猫"],"action":{"type":"pet"},"target":"local"}]})";
constexpr char kBadCorpus[] = R"({"commands":[{"id":9001,"name":"喂猫"},]})";
constexpr char kUserCommand[] =
    R"([{"id":9002,"name":"遛狗","examples":["带狗出去走走"],"patterns":["遛{minutes:number}分钟狗"]}])";

// A corpus file of this test process, removed when it ends. ctest runs the
// cases as processes in parallel: a shared name would let one rewrite the
// file while another reads it.
class CorpusFile {
 public:
  CorpusFile(const char* name, const char* text) {
    const std::string unique = std::to_string(std::random_device{}()) + "-" +
                               std::to_string(std::chrono::steady_clock::now().time_since_epoch().count());
    path_ = fs::temp_directory_path() / (std::string("deskpet-alloc-") + unique + "-" + name);
    std::ofstream(path_, std::ios::binary) << text;
    text_ = path_.u8string();
  }
  ~CorpusFile() {
    std::error_code ignored;
    fs::remove(path_, ignored);
  }
  CorpusFile(const CorpusFile&) = delete;
  CorpusFile& operator=(const CorpusFile&) = delete;
  const std::string& path() const { return text_; }

 private:
  fs::path path_;
  std::string text_;
};

const std::string& smallCorpusFile() {
  static const CorpusFile file("small-corpus.json", kSmallCorpus);
  return file.path();
}

const std::string& badCorpusFile() {
  static const CorpusFile file("bad-corpus.json", kBadCorpus);
  return file.path();
}

// The calls allocate nothing themselves: every allocation counted is the engine's.
char replyBuffer[8192];

int32_t routeInto(std::int32_t capacity) {
  std::uint32_t length = 0;
  return Norvik_Route("帮我把音量调到30然后打开记事本", replyBuffer, capacity, &length);
}

int32_t addCorpus(const char* text) {
  std::int32_t count = 0;
  return Norvik_AddCorpus(text, static_cast<std::int32_t>(std::char_traits<char>::length(text)), &count);
}

// The states a call starts from. A corpus of one command keeps the index that
// AddCorpus and ClearUserCorpus rebuild small; the built-in corpus is there for
// the calls that read it.
enum class Start { kBuiltIn, kSmall, kSmallWithUserCommand, kStopped, kUnknown };

void establish(Start start) {
  switch (start) {
    case Start::kBuiltIn:
      ASSERT_EQ(Norvik_InitDefault(), NORVIK_OK);
      break;
    case Start::kSmall:
      ASSERT_EQ(Norvik_InitFromFile(smallCorpusFile().c_str()), NORVIK_OK);
      break;
    case Start::kSmallWithUserCommand:
      ASSERT_EQ(Norvik_InitFromFile(smallCorpusFile().c_str()), NORVIK_OK);
      ASSERT_EQ(addCorpus(kUserCommand), NORVIK_OK);
      break;
    case Start::kStopped:
      Norvik_Destroy();
      break;
    case Start::kUnknown:
      break;
  }
}

// One engine call, the state it starts from, and the code it gives when no
// allocation fails.
struct EngineCall {
  const char* name;
  Start start;
  std::function<int32_t()> call;
  int32_t expected;
  bool changesState;  // on success
};

const std::vector<EngineCall>& engineCalls() {
  static const std::vector<EngineCall> calls = {
      {"InitDefault", Start::kBuiltIn, [] { return Norvik_InitDefault(); }, NORVIK_OK, true},
      {"InitFromFile", Start::kBuiltIn, [] { return Norvik_InitFromFile(smallCorpusFile().c_str()); }, NORVIK_OK, true},
      {"InitFromFileMalformed", Start::kSmall, [] { return Norvik_InitFromFile(badCorpusFile().c_str()); },
       NORVIK_BAD_INPUT, false},
      {"Route", Start::kBuiltIn, [] { return routeInto(sizeof replyBuffer); }, NORVIK_OK, false},
      {"RouteTooSmall", Start::kBuiltIn, [] { return routeInto(16); }, NORVIK_BUFFER_TOO_SMALL, false},
      {"RouteNotInitialised", Start::kStopped, [] { return routeInto(sizeof replyBuffer); }, NORVIK_NOT_INITIALIZED,
       false},
      {"QuerySimilarity", Start::kBuiltIn,
       [] {
         std::uint32_t length = 0;
         return Norvik_QuerySimilarity("打开记事本", 5, replyBuffer, sizeof replyBuffer, &length);
       },
       NORVIK_OK, false},
      {"SemanticScore", Start::kBuiltIn,
       [] {
         double score = 0;
         double raw = 0;
         std::int32_t id = -1;
         return Norvik_SemanticScore("把音量调到30", &score, &raw, &id);
       },
       NORVIK_OK, false},
      {"UpdateConfig", Start::kSmall,
       [] { return Norvik_UpdateConfig(R"({"localThreshold":0.5,"weights":{"semantic":1}})"); }, NORVIK_OK, true},
      {"UpdateConfigOutOfRange", Start::kSmall, [] { return Norvik_UpdateConfig(R"({"localThreshold":1.5})"); },
       NORVIK_INVALID_ARGUMENT, false},
      {"GetConfig", Start::kSmall,
       [] {
         std::uint32_t length = 0;
         return Norvik_GetConfig(replyBuffer, 1024, &length);
       },
       NORVIK_OK, false},
      {"AddCorpus", Start::kSmall, [] { return addCorpus(kUserCommand); }, NORVIK_OK, true},
      {"AddCorpusMalformed", Start::kSmall, [] { return addCorpus(kBadCorpus); }, NORVIK_BAD_INPUT, false},
      {"AddCorpusFromFile", Start::kSmall,
       [] {
         std::int32_t count = 0;
         return Norvik_AddCorpusFromFile(smallCorpusFile().c_str(), &count);
       },
       NORVIK_OK, true},
      {"ClearUserCorpus", Start::kSmallWithUserCommand, [] { return Norvik_ClearUserCorpus(); }, NORVIK_OK, true},
      {"GetCommandCount", Start::kSmall, [] { return Norvik_GetCommandCount() >= 0 ? NORVIK_OK : -1; }, NORVIK_OK,
       false},
      {"Destroy", Start::kSmall, [] { return Norvik_Destroy(); }, NORVIK_OK, true},
  };
  return calls;
}

// What a reader can see of the engine: configuration, commands, and a reply.
std::string fingerprint() {
  std::vector<char> buffer(65536);
  std::uint32_t length = 0;
  std::string seen = std::to_string(Norvik_GetCommandCount()) + "\n";
  if (Norvik_GetConfig(buffer.data(), 65536, &length) == NORVIK_OK) seen += std::string(buffer.data(), length);
  if (Norvik_QuerySimilarity("打开喂猫", 400, buffer.data(), 65536, &length) == NORVIK_OK) {
    seen += std::string(buffer.data(), length);
  }
  return seen;
}

// The state the engine is in, as far as the rows know.
Start current = Start::kUnknown;

// Brings the engine to the state a call starts from (unless it is there) and
// leaves the last error text empty, so that it holds no memory.
void prepare(const EngineCall& call) {
  if (current != call.start) establish(call.start);
  current = call.start;
  Norvik_Version();
  Norvik_GetCommandCount();
}

struct Row {
  std::size_t call;
  Mode mode;
  std::uint64_t n;
};

// Rows per call and mode. A call that makes more allocations than the cap (the
// built-in corpus's start: about 26,000) takes every k-th of them, the first and
// the last included, so that a test run stays within minutes; the sanitizer
// build runs ten times slower and has a lower cap. DESKPET_ALLOCATION_ROWS in
// the environment sets the cap at run time, 0 meaning every allocation.
#ifdef DESKPET_ALLOCATION_ROWS
constexpr std::uint64_t kDefaultMostRows = DESKPET_ALLOCATION_ROWS;
#else
constexpr std::uint64_t kDefaultMostRows = 3000;
#endif

std::uint64_t mostRows() {
  const char* set = std::getenv("DESKPET_ALLOCATION_ROWS");
  if (set == nullptr || *set == '\0') return kDefaultMostRows;
  return std::strtoull(set, nullptr, 10);
}

// Every allocation of every call (see mostRows), counted by running it once
// unarmed, and one row more, in which no allocation fails.
std::vector<Row> rows() {
  const std::uint64_t most = mostRows();
  std::vector<Row> all;
  for (std::size_t index = 0; index < engineCalls().size(); ++index) {
    const EngineCall& call = engineCalls()[index];
    establish(call.start);
    call.call();  // warms up what is made once per thread or process
    establish(call.start);
    failing_allocator::arm(0, Mode::kOnce);
    call.call();
    const std::uint64_t count = failing_allocator::allocationsSinceArmed();
    const std::uint64_t step = most == 0 || count <= most ? 1 : (count + most - 1) / most;
    std::vector<std::uint64_t> failing;
    for (std::uint64_t n = 1; n <= count; n += step) failing.push_back(n);
    if (count > 0 && failing.back() != count) failing.push_back(count);
    failing.push_back(count + 1);  // no allocation fails
    for (const Mode mode : {Mode::kOnce, Mode::kPersistent}) {
      for (const std::uint64_t n : failing) all.push_back({index, mode, n});
    }
  }
  return all;
}

class EngineAllocationFailure : public ::testing::TestWithParam<Row> {};

TEST_P(EngineAllocationFailure, AnswersAsDocumentedOrInternalWithNothingChangedOrLeaked) {
  const Row row = GetParam();
  const EngineCall& call = engineCalls()[row.call];
  prepare(call);
  const std::string before = fingerprint();
  const std::int64_t liveBefore = failing_allocator::liveAllocations();

  failing_allocator::arm(row.n, row.mode);
  const int32_t code = call.call();
  const bool failed = failing_allocator::disarm();
  const std::string_view message = Norvik_LastErrorMessage();

  if (!failed) {
    EXPECT_EQ(code, call.expected);
  } else if (code != call.expected) {
    EXPECT_EQ(code, NORVIK_INTERNAL);
  }
  if (code == NORVIK_INTERNAL) {
    EXPECT_EQ(message, "out of memory");
  } else if (code == NORVIK_OK) {
    EXPECT_EQ(message, "");
  } else {
    EXPECT_NE(message, "");
  }
  if (code == NORVIK_OK && call.changesState) {
    current = Start::kUnknown;
    return;
  }
  // (`message` is the engine's own text; the next call frees it.)
  EXPECT_TRUE(fingerprint() == before) << "the engine answers differently afterwards";
  EXPECT_EQ(failing_allocator::liveAllocations(), liveBefore) << "allocations not freed";
}

std::string rowName(const ::testing::TestParamInfo<Row>& info) {
  return std::string(engineCalls()[info.param.call].name) +
         (info.param.mode == Mode::kOnce ? "_once_" : "_fromThenOn_") + std::to_string(info.param.n);
}

INSTANTIATE_TEST_SUITE_P(EveryAllocation, EngineAllocationFailure, ::testing::ValuesIn(rows()), rowName);

}  // namespace
