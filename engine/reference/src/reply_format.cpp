#include "reply_format.h"

#include <charconv>
#include <cstring>
#include <utility>

#include "deskpet/fixed_decimals.h"
#include "deskpet/json_escape.h"

namespace norvik {

namespace {

// Each reply is one function template over its output: ReplyBound adds up the
// room every piece may take, ReplyBytes writes the pieces into that room, so
// that the two passes cannot disagree.
class ReplyBound {
 public:
  template <std::size_t N>
  void text(const char (&)[N]) {
    size_ += N - 1;
  }
  void fragment(std::string_view json) { size_ += json.size(); }
  void string(std::string_view text) { size_ += deskpet::jsonStringBound(text.size()); }
  void fixed(double value) { size_ += deskpet::fixedSixBound(value); }
  void integer(int32_t) { size_ += kIntegerBound; }
  std::size_t size() const { return size_; }

  static constexpr std::size_t kIntegerBound = 11;  // "-2147483648"

 private:
  std::size_t size_ = 0;
};

class ReplyBytes {
 public:
  explicit ReplyBytes(char* start) : end_(start) {}

  // Literal JSON text, its length known when compiled: one fixed-size copy.
  template <std::size_t N>
  void text(const char (&literal)[N]) {
    std::memcpy(end_, literal, N - 1);
    end_ += N - 1;
  }
  // JSON text made beforehand: most pieces are short, copied as two
  // overlapping blocks rather than by a call.
  void fragment(std::string_view json) {
    const std::size_t size = json.size();
    const char* from = json.data();
    if (size >= 16 && size <= 32) {
      std::memcpy(end_, from, 16);
      std::memcpy(end_ + size - 16, from + size - 16, 16);
    } else if (size >= 8 && size < 16) {
      std::memcpy(end_, from, 8);
      std::memcpy(end_ + size - 8, from + size - 8, 8);
    } else if (size >= 4 && size < 8) {
      std::memcpy(end_, from, 4);
      std::memcpy(end_ + size - 4, from + size - 4, 4);
    } else {
      std::memcpy(end_, from, size);
    }
    end_ += size;
  }
  void string(std::string_view text) { end_ = deskpet::writeJsonString(end_, text); }
  void fixed(double value) { end_ = deskpet::writeFixedSix(end_, value); }
  void integer(int32_t value) { end_ = std::to_chars(end_, end_ + ReplyBound::kIntegerBound, value).ptr; }
  char* end() const { return end_; }

 private:
  char* end_;
};

// A command's {"id":.. and ,"name":.. members, from the snapshot's text where
// it holds the command.
class CommandMembers {
 public:
  CommandMembers(const CommandReplyText* texts, uint32_t position, const Command& command)
      : texts_(texts != nullptr && texts->holds(position, &command) ? texts : nullptr),
        position_(position),
        command_(command) {}

  template <typename Out>
  void id(Out& out) const {
    if (texts_ != nullptr) {
      out.fragment(texts_->idMember(position_));
    } else {
      out.text("{\"id\":");
      out.integer(command_.id);
    }
  }

  template <typename Out>
  void name(Out& out) const {
    if (texts_ != nullptr) {
      out.fragment(texts_->nameMember(position_));
    } else {
      out.text(",\"name\":");
      out.string(command_.name);
    }
  }

 private:
  const CommandReplyText* texts_;
  uint32_t position_;
  const Command& command_;
};

template <typename Out>
void writeCommandRef(Out& out, const CommandMembers& command, double similarity) {
  command.id(out);
  out.text(",\"similarity\":");
  out.fixed(similarity);
  command.name(out);
  out.text("}");
}

template <typename Out>
void writeScores(Out& out, const RouteScores& s) {
  out.text("{\"semantic\":");
  out.fixed(s.semantic);
  out.text(",\"complexity\":");
  out.fixed(s.complexity);
  out.text(",\"domainKeyword\":");
  out.fixed(s.domainKeyword);
  out.text(",\"openEnded\":");
  out.fixed(s.openEnded);
  out.text(",\"entityMatch\":");
  out.fixed(s.entityMatch);
  out.text(",\"combined\":");
  out.fixed(s.combined);
  out.text("}");
}

template <typename Out>
void writeFields(Out& out, const ActionFields& fields) {
  out.text("{");
  bool first = true;
  for (const auto& [name, value] : fields) {
    if (!first) out.text(",");
    first = false;
    out.string(name);
    out.text(":");
    out.string(value);
  }
  out.text("}");
}

template <typename Out>
void writeCandidates(Out& out, const CommandReplyText* texts, const std::vector<RouteCandidate>& candidates) {
  out.text("[");
  bool first = true;
  for (const RouteCandidate& candidate : candidates) {
    if (!first) out.text(",");
    first = false;
    const CommandMembers command(texts, candidate.position, *candidate.command);
    command.id(out);
    command.name(out);
    out.text(",\"similarity\":");
    out.fixed(candidate.similarity);
    out.text(",\"rank\":");
    out.fixed(candidate.rank);
    out.text(",\"pattern\":");
    if (candidate.pattern != nullptr) {
      out.string(candidate.pattern->source);
    } else {
      out.text("null");
    }
    out.text("}");
  }
  out.text("]");
}

template <typename Out>
void writeRoute(Out& out, const CommandReplyText* texts, const RouteDecision& d, bool verbose) {
  out.text("{\"target\":");
  if (texts != nullptr) {
    out.fragment(texts->target(d.target));
  } else {
    out.string(targetName(d.target));
  }
  out.text(",\"confidence\":");
  out.fixed(d.confidence);
  out.text(",\"reasoning\":");
  out.string(d.reasoning);
  out.text(",\"scores\":");
  writeScores(out, d.scores);
  out.text(",\"matchedCommand\":");
  if (d.hasMatch) {
    writeCommandRef(out, CommandMembers(texts, d.best.position, *d.best.command), d.best.similarity);
  } else {
    out.text("null");
  }
  out.text(",\"patternAction\":");
  if (d.hasPatternAction) {
    writeFields(out, d.patternAction);
  } else {
    out.text("null");
  }
  if (verbose) {
    out.text(",\"candidates\":");
    writeCandidates(out, texts, d.candidates);
  }
  out.text("}");
}

template <typename Out>
void writeSimilarity(Out& out, const CorpusSnapshot& snapshot, const std::vector<SimilarityHit>& hits) {
  out.text("{\"matches\":[");
  bool first = true;
  for (const SimilarityHit& hit : hits) {
    if (!first) out.text(",");
    first = false;
    writeCommandRef(out, CommandMembers(snapshot.replyText.get(), hit.command, *snapshot.active[hit.command]),
                    hit.similarity);
  }
  out.text("]}");
}

// Measures the reply `write` makes, picks its room and writes it there.
template <typename Write>
std::string_view writeReply(Write write, char* direct, std::size_t capacity, std::string& spare) {
  ReplyBound bound;
  write(bound);
  char* start = direct;
  if (direct == nullptr || bound.size() >= capacity) {
    if (spare.size() < bound.size()) spare.resize(bound.size());
    start = &spare[0];
  }
  ReplyBytes bytes(start);
  write(bytes);
  return std::string_view(start, static_cast<std::size_t>(bytes.end() - start));
}

std::string asString(std::string_view reply, std::string& buffer) {
  buffer.resize(reply.size());
  return std::move(buffer);
}

}  // namespace

std::string_view writeRouteReply(const CorpusSnapshot& snapshot, const RouteDecision& decision, bool verbose,
                                 char* direct, std::size_t capacity, std::string& spare) {
  const CommandReplyText* texts = snapshot.replyText.get();
  return writeReply([&](auto& out) { writeRoute(out, texts, decision, verbose); }, direct, capacity, spare);
}

std::string_view writeSimilarityReply(const CorpusSnapshot& snapshot, const std::vector<SimilarityHit>& hits,
                                      char* direct, std::size_t capacity, std::string& spare) {
  return writeReply([&](auto& out) { writeSimilarity(out, snapshot, hits); }, direct, capacity, spare);
}

std::string writeRouteReply(const CorpusSnapshot& snapshot, const RouteDecision& decision, bool verbose,
                            std::string buffer) {
  return asString(writeRouteReply(snapshot, decision, verbose, nullptr, 0, buffer), buffer);
}

std::string writeSimilarityReply(const CorpusSnapshot& snapshot, const std::vector<SimilarityHit>& hits,
                                 std::string buffer) {
  return asString(writeSimilarityReply(snapshot, hits, nullptr, 0, buffer), buffer);
}

}  // namespace norvik
