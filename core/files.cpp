#include "core/files.h"

#include "core/errors.h"
#include "core/log.h"
#include "core/text.h"

#include <algorithm>
#include <atomic>
#include <fmt/format.h>
#include <fstream>
#include <functional>
#include <pugixml.hpp>

namespace fs = std::filesystem;

fs::path gf_pathFromText(std::string_view utf8) {
  return fs::path(std::u8string(reinterpret_cast<const char8_t*>(utf8.data()), utf8.size()));
}

std::string gf_pathText(const fs::path& path) {
  const auto text = path.u8string();
  return std::string(reinterpret_cast<const char*>(text.data()), text.size());
}

namespace {

thread_local FlushBatch* t_flushBatch = nullptr;

} // namespace

FlushBatch::Scope::Scope(FlushBatch& batch) : previous_(t_flushBatch) { t_flushBatch = &batch; }

FlushBatch::Scope::~Scope() { t_flushBatch = previous_; }

FlushBatch* gf_flushBatchOfThisThread() { return t_flushBatch; }

void FlushBatch::add(const fs::path& file) {
  std::lock_guard lock(mutex_);
  files_.push_back(file);
}

std::size_t FlushBatch::pending() {
  std::lock_guard lock(mutex_);
  return files_.size();
}

std::vector<fs::path> FlushBatch::take() {
  std::vector<fs::path> files;
  {
    std::lock_guard lock(mutex_);
    files.swap(files_);
  }
  std::sort(files.begin(), files.end());
  files.erase(std::unique(files.begin(), files.end()), files.end());
  return files;
}

void FlushBatch::clear() {
  std::lock_guard lock(mutex_);
  files_.clear();
}

fs::path gf_temporarySibling(const fs::path& target) {
  static std::atomic<unsigned> counter{0};
  auto name = target.filename();
  name += gf_pathFromText(fmt::format(".{}.tmp", counter++));
  return target.parent_path() / name;
}

// MinGW's copy_file refuses to overwrite ("File exists") even when asked to, so the copy
// goes beside the target and then replaces it.
void gf_copyFileOver(const fs::path& source, const fs::path& target) {
  const auto temporary = gf_temporarySibling(target);
  // A copy cut short by a crash leaves its file under the same name at the next start.
  std::error_code ignored;
  fs::remove(temporary, ignored);
  fs::copy_file(source, temporary);
  if (!gf_replaceFile(temporary, target)) {
    fs::remove(temporary, ignored);
    throw fs::filesystem_error("cannot replace file", source, target, std::make_error_code(std::errc::io_error));
  }
}

bool gf_writeReplacing(const fs::path& target, std::ios::openmode mode,
                       const std::function<void(std::ostream&)>& write) {
  const auto temporary = gf_temporarySibling(target);
  bool written = false;
  {
    std::ofstream file(temporary, mode | std::ios::out | std::ios::trunc);
    if (!file) return false;
    write(file);
    file.close();
    written = !file.fail();
  }
  if (written) written = gf_replaceFile(temporary, target);
  if (!written) {
    std::error_code ignored;
    fs::remove(temporary, ignored);
  }
  return written;
}

bool gf_writeXmlDocument(const pugi::xml_document& document, const fs::path& path) {
  return gf_writeReplacing(path, std::ios::binary, [&](std::ostream& file) { document.save(file); });
}

bool gf_saveXmlDocument(const pugi::xml_document& document, const fs::path& path) {
  const bool saved = gf_writeXmlDocument(document, path);
  if (saved)
    gf_log(fmt::format("'{}' saved", gf_pathText(path)));
  else
    gf_log(fmt::format("could not save to '{}'", gf_pathText(path)));
  return saved;
}

std::string gf_extractPathElement(std::string_view line) {
  if (line.size() < 6) return {};
  constexpr std::string_view open = "<Path>";
  constexpr std::string_view close = "</Path>";
  const auto start = line.find(open);
  const auto end = line.find(close);
  if (start == std::string_view::npos || end == std::string_view::npos) return {};
  const auto from = start + open.size();
  if (end < from) return {};
  return std::string(line.substr(from, end - from));
}

void gf_cleanFolder(const fs::path& folder) {
  gf_log(fmt::format("Cleaning folder: {}", gf_pathText(folder)));
  try {
    if (!fs::exists(folder) || !fs::is_directory(folder)) return;
    for (const auto& entry : fs::directory_iterator(folder)) fs::remove(entry.path());
  } catch (const fs::filesystem_error& e) {
    throw hvm::UserErrorException(5, fmt::format("Filesystem error: {}", e.what()));
  } catch (const std::exception& e) {
    throw hvm::UserErrorException(5, e.what());
  }
}

std::int64_t gf_countFiles(const fs::path& folder) {
  if (!fs::exists(folder)) return 0;
  std::int64_t count = 0;
  for (const auto& entry : fs::directory_iterator(folder))
    if (fs::is_regular_file(entry.status())) ++count;
  return count;
}

std::vector<std::string> gf_listXmlFiles(const fs::path& folder) {
  std::vector<std::string> stems;
  if (!fs::exists(folder)) return stems;
  stems.reserve(512);
  for (const auto& entry : fs::directory_iterator(folder)) {
    if (!fs::is_regular_file(entry.status())) continue;
    const auto& path = entry.path();
    const auto stem = gf_pathText(path.stem());
    if (gf_equalsUpperCase(".XML", gf_pathText(path.extension())) && stem.size() == 4) stems.push_back(stem);
  }
  return stems;
}

void gf_removeFile(const fs::path& path) {
  if (!fs::exists(path)) return;
  std::error_code error;
  if (!fs::remove(path, error) && error)
    gf_logWarning(fmt::format("Warning: could not remove {}, errorcode: {}", gf_pathText(path), error.message()));
}
