// A corpus file named by a UTF-8 path: read whole, and named in error texts as
// the caller gave it, with the working directory it was resolved against.
#pragma once

#include <string>

namespace norvik {

struct CorpusFile {
  // `"corpus.json" (relative to the working directory "/home/pet")`, or the
  // quoted path alone when it is absolute.
  std::string description;
  std::string bytes;
};

// Reads the file at `utf8Path`. False when it cannot be read, with `error`
// saying which file and why (no such file, a directory, no permission...).
bool readCorpusFile(const char* utf8Path, CorpusFile& file, std::string& error);

}  // namespace norvik
