#include "corpus_file.h"

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>

namespace norvik {

namespace {

namespace fs = std::filesystem;

std::string describe(const char* utf8Path, const fs::path& path) {
  std::string text = "\"" + std::string(utf8Path) + "\"";
  if (path.is_absolute()) return text;
  std::error_code ec;
  const fs::path cwd = fs::current_path(ec);
  if (ec) return text + " (relative to a working directory that cannot be read)";
  return text + " (relative to the working directory \"" + cwd.u8string() + "\")";
}

// Why a path is not a readable regular file, or "" when it looks like one.
std::string whyNotAFile(const fs::path& path) {
  std::error_code ec;
  const fs::file_status status = fs::status(path, ec);
  if (status.type() == fs::file_type::not_found) return "no such file";
  if (ec == std::errc::permission_denied) return "permission denied";
  if (ec) return ec.message();
  if (status.type() == fs::file_type::directory) return "it is a directory, not a file";
  if (status.type() != fs::file_type::regular) return "it is not a regular file";
  return "";
}

}  // namespace

bool readCorpusFile(const char* utf8Path, CorpusFile& file, std::string& error) {
  const fs::path path = fs::u8path(utf8Path);
  file.description = describe(utf8Path, path);
  std::string reason = whyNotAFile(path);
  if (reason.empty()) {
    std::ifstream stream(path, std::ios::binary);
    if (!stream) {
      const int cause = errno;
      reason = cause != 0 ? std::error_code(cause, std::generic_category()).message() : "it cannot be opened";
    } else {
      file.bytes.assign(std::istreambuf_iterator<char>(stream), std::istreambuf_iterator<char>());
      if (stream.bad()) reason = "reading it failed";
    }
  }
  if (reason.empty()) return true;
  error = "cannot read the corpus file " + file.description + ": " + reason;
  return false;
}

}  // namespace norvik
