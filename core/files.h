#pragma once
// Files and folders shared by several subsystems. Paths are held as std::filesystem
// paths; their texts are UTF-8 on every platform.
#include <cstdint>
#include <filesystem>
#include <functional>
#include <ios>
#include <mutex>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace pugi {
class xml_document;
}

std::filesystem::path gf_pathFromText(std::string_view utf8);
std::string gf_pathText(const std::filesystem::path& path);

// Writes the document next to the path and replaces the old file in one step, so an
// interrupted save never leaves a half-written file. Logs "'{}' saved" or "could not save to '{}'".
bool gf_saveXmlDocument(const pugi::xml_document& document, const std::filesystem::path& path);
// The same without the log line.
bool gf_writeXmlDocument(const pugi::xml_document& document, const std::filesystem::path& path);
// Writes through `write` into a file beside the target (opened with `mode` added to
// out|trunc), then replaces the target in one step: a failed or interrupted write leaves
// the old file whole. True only when all was written and the target replaced.
bool gf_writeReplacing(const std::filesystem::path& target, std::ios::openmode mode,
                       const std::function<void(std::ostream&)>& write);
// Replaces target by source in one step (the old target stays when it fails). The new
// content reaches the disk before the name points at it, unless a FlushBatch is in force on
// the calling thread: then the batch takes the flush over.
bool gf_replaceFile(const std::filesystem::path& source, const std::filesystem::path& target);

// Files that can be made again (the add-on airport scan's stand and link files) need not
// reach the disk one by one, two waits for the disk each. While a Scope of a batch lives on
// a thread, the files that thread replaces are still replaced in one step, so a crash of the
// program never leaves half a file, but their flush is left to the batch, and flush()
// brings all of them to the disk at once. Until it has, a power cut may cost a file of the
// batch: call it before anything records those files as done. Any thread may add.
class FlushBatch {
public:
  class Scope {
  public:
    explicit Scope(FlushBatch& batch);
    Scope(const Scope&) = delete;
    Scope& operator=(const Scope&) = delete;
    ~Scope();

  private:
    FlushBatch* previous_;
  };

  void add(const std::filesystem::path& file);
  std::size_t pending();
  // Flushes and forgets every file added; a file removed since is passed by. False when
  // the disk reported a failure.
  bool flush();
  // Forgets the files without flushing them.
  void clear();

private:
  // The files added, each once (a file replaced twice is flushed once), and forgets them.
  std::vector<std::filesystem::path> take();

  std::mutex mutex_;
  std::vector<std::filesystem::path> files_;
};
// The batch in force on this thread, or none.
FlushBatch* gf_flushBatchOfThisThread();
// Copies source over target (created or replaced in one step); throws filesystem_error.
void gf_copyFileOver(const std::filesystem::path& source, const std::filesystem::path& target);
// A file name beside the target for writing before the replace, unique per call.
std::filesystem::path gf_temporarySibling(const std::filesystem::path& target);

std::string gf_extractPathElement(std::string_view line);
void gf_cleanFolder(const std::filesystem::path& folder);
std::int64_t gf_countFiles(const std::filesystem::path& folder);
std::vector<std::string> gf_listXmlFiles(const std::filesystem::path& folder);
// Removes the file when it exists; a failed removal is logged, not thrown.
void gf_removeFile(const std::filesystem::path& path);
