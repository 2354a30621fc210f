#pragma once
// Downloads over HTTP(S) with libcurl, and the program's download base.
#include <filesystem>
#include <memory>
#include <string>

// A transfer ends when the server cannot be reached within connectSeconds, when less
// than one byte a second arrives for stallSeconds, after maxRedirects redirects, or when
// it takes longer than totalSeconds in all: start-up waits for the data files.
struct DownloadLimits {
  long connectSeconds = 15;
  long stallSeconds = 20;
  long maxRedirects = 5;
  long totalSeconds = 120;
};

class Downloader {
public:
  explicit Downloader(DownloadLimits limits = {});
  Downloader(const Downloader&) = delete;
  Downloader& operator=(const Downloader&) = delete;
  ~Downloader();

  // Stores the body of a complete transfer with status 200 in the file; the file is
  // replaced only then, so a failed download leaves the old one as it was. Text mode
  // ("binary" false) writes line ends as the platform's text files do. Logs why it failed.
  bool download(const std::string& url, const std::filesystem::path& path, bool binary);

private:
  struct CurlCleanup {
    void operator()(void* handle) const;
  };
  std::unique_ptr<void, CurlCleanup> handle_;
  DownloadLimits limits_;
};

// The folder on the maker's web site that every download comes from, ending with '/';
// built in (empty unless the build sets one). Tests point it elsewhere.
std::string gf_downloadBase();
void gf_setDownloadBase(std::string base);
// Limits of the downloads that the program makes on its own; tests shorten them.
DownloadLimits gf_downloadLimits();
void gf_setDownloadLimits(DownloadLimits limits);

// The folder of the stock airport files: the download base followed by "P3D/".
std::string gf_downloadBaseUrl();

// Downloads the download base followed by the name into the local file (binary). An
// enciphered data file (".enc") must also decipher to its end before it replaces the
// old one. Logs "Downloaded '{}' to '{}'" or the warning "Downloading '{}' failed !".
bool gf_downloadDataFile(const std::filesystem::path& remoteName, const std::filesystem::path& localPath);
