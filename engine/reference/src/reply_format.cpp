#include "reply_format.h"

#include <utility>

#include "deskpet/json_writer.h"

namespace norvik {

namespace {

using deskpet::JsonWriter;

void writeCommandRef(JsonWriter& w, const Command& command, double similarity) {
  w.beginObject();
  w.key("id");
  w.integer(command.id);
  w.key("similarity");
  w.numberFixed(similarity);
  w.key("name");
  w.string(command.name);
  w.endObject();
}

void writeScores(JsonWriter& w, const RouteScores& s) {
  w.beginObject();
  const std::pair<const char*, double> scores[] = {
      {"semantic", s.semantic},   {"complexity", s.complexity},   {"domainKeyword", s.domainKeyword},
      {"openEnded", s.openEnded}, {"entityMatch", s.entityMatch}, {"combined", s.combined},
  };
  for (const auto& [name, value] : scores) {
    w.key(name);
    w.numberFixed(value);
  }
  w.endObject();
}

void writeFields(JsonWriter& w, const ActionFields& fields) {
  w.beginObject();
  for (const auto& [name, value] : fields) {
    w.key(name);
    w.string(value);
  }
  w.endObject();
}

}  // namespace

std::string writeRouteReply(const RouteDecision& d, bool verbose, std::string buffer) {
  JsonWriter w(std::move(buffer));
  w.beginObject();
  w.key("target");
  w.string(targetName(d.target));
  w.key("confidence");
  w.numberFixed(d.confidence);
  w.key("reasoning");
  w.string(d.reasoning);
  w.key("scores");
  writeScores(w, d.scores);
  w.key("matchedCommand");
  if (d.hasMatch) {
    writeCommandRef(w, *d.best.command, d.best.similarity);
  } else {
    w.null();
  }
  w.key("patternAction");
  if (d.hasPatternAction) {
    writeFields(w, d.patternAction);
  } else {
    w.null();
  }
  if (verbose) {
    w.key("candidates");
    w.beginArray();
    for (const RouteCandidate& candidate : d.candidates) {
      w.beginObject();
      w.key("id");
      w.integer(candidate.command->id);
      w.key("name");
      w.string(candidate.command->name);
      w.key("similarity");
      w.numberFixed(candidate.similarity);
      w.key("rank");
      w.numberFixed(candidate.rank);
      w.key("pattern");
      if (candidate.pattern != nullptr) {
        w.string(candidate.pattern->source);
      } else {
        w.null();
      }
      w.endObject();
    }
    w.endArray();
  }
  w.endObject();
  return w.take();
}

std::string writeSimilarityReply(const CorpusSnapshot& snapshot, const std::vector<SimilarityHit>& hits,
                                 std::string buffer) {
  JsonWriter w(std::move(buffer));
  w.beginObject();
  w.key("matches");
  w.beginArray();
  for (const SimilarityHit& hit : hits) writeCommandRef(w, *snapshot.active[hit.command], hit.similarity);
  w.endArray();
  w.endObject();
  return w.take();
}

}  // namespace norvik
