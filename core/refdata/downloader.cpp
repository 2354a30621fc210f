#include "core/refdata/downloader.h"

#include "core/files.h"
#include "core/log.h"
#include "core/refdata/stream_cipher.h"

#include <curl/curl.h>
#include <fmt/format.h>
#include <fstream>
#include <mutex>
#include <stdexcept>

namespace fs = std::filesystem;

#ifndef HVM_DOWNLOAD_BASE
#define HVM_DOWNLOAD_BASE ""
#endif

namespace {

std::mutex downloadSettingsMutex;
std::string downloadBase = HVM_DOWNLOAD_BASE;
DownloadLimits downloadLimits;

void lf_curlReady() {
  static const CURLcode initialised = curl_global_init(CURL_GLOBAL_DEFAULT);
  if (initialised != CURLE_OK) throw std::runtime_error("libcurl could not be initialised");
}

std::size_t lf_curlWrite(char* data, std::size_t size, std::size_t count, void* file) {
  auto& out = *static_cast<std::ofstream*>(file);
  out.write(data, static_cast<std::streamsize>(size * count));
  return out ? size * count : 0; // a short count makes libcurl end the transfer
}

bool lf_isWebAddress(const std::string& url) { return url.starts_with("http://") || url.starts_with("https://"); }

void lf_removeQuietly(const fs::path& path) {
  std::error_code ignored;
  fs::remove(path, ignored);
}

} // namespace

void Downloader::CurlCleanup::operator()(void* handle) const { curl_easy_cleanup(handle); }

Downloader::Downloader(DownloadLimits limits) : limits_(limits) {
  try {
    lf_curlReady();
    handle_.reset(curl_easy_init());
  } catch (const std::exception& e) {
    gf_log(fmt::format("Downloader exception: '{}'", e.what()));
  }
}

Downloader::~Downloader() = default;

bool Downloader::download(const std::string& url, const fs::path& path, bool binary) {
  if (!handle_) return false;
  if (!lf_isWebAddress(url)) {
    gf_log(fmt::format("Download of '{}' failed: not a web address", url));
    return false;
  }
  const auto temporary = gf_temporarySibling(path);
  try {
    std::ofstream out(temporary, binary ? std::ios::binary | std::ios::trunc : std::ios::trunc);
    if (!out) {
      gf_log(fmt::format("Could not open output file: {}", gf_pathText(path)));
      return false;
    }
    char errorText[CURL_ERROR_SIZE] = {};
    CURL* handle = handle_.get();
    curl_easy_reset(handle);
    curl_easy_setopt(handle, CURLOPT_URL, url.c_str());
    curl_easy_setopt(handle, CURLOPT_USERAGENT, "Hivemoor");
    curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, lf_curlWrite);
    curl_easy_setopt(handle, CURLOPT_WRITEDATA, &out);
    curl_easy_setopt(handle, CURLOPT_FAILONERROR, 1L);
    curl_easy_setopt(handle, CURLOPT_ERRORBUFFER, errorText);
    curl_easy_setopt(handle, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(handle, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(handle, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(handle, CURLOPT_MAXREDIRS, limits_.maxRedirects);
    curl_easy_setopt(handle, CURLOPT_CONNECTTIMEOUT, limits_.connectSeconds);
    curl_easy_setopt(handle, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(handle, CURLOPT_LOW_SPEED_TIME, limits_.stallSeconds);
    curl_easy_setopt(handle, CURLOPT_TIMEOUT, limits_.totalSeconds);
    curl_easy_setopt(handle, CURLOPT_NOSIGNAL, 1L);

    const CURLcode result = curl_easy_perform(handle);
    // The handle outlives this call and may write an error while it closes a kept
    // connection later: it must not keep this frame's buffer.
    curl_easy_setopt(handle, CURLOPT_ERRORBUFFER, nullptr);
    out.close();
    long status = 0;
    curl_easy_getinfo(handle, CURLINFO_RESPONSE_CODE, &status);
    std::string failure;
    if (result != CURLE_OK)
      failure = errorText[0] != '\0' ? errorText : curl_easy_strerror(result);
    else if (status != 200)
      failure = fmt::format("HTTP status {}", status);
    else if (out.fail())
      failure = "the file could not be written";
    else if (!gf_replaceFile(temporary, path))
      failure = fmt::format("'{}' could not be replaced", gf_pathText(path));
    if (failure.empty()) return true;
    gf_log(fmt::format("Download of '{}' failed: {}", url, failure));
  } catch (const std::exception& e) {
    gf_log(fmt::format("Downloader exception: '{}', {} => {}", e.what(), url, gf_pathText(path)));
  }
  lf_removeQuietly(temporary);
  return false;
}

std::string gf_downloadBase() {
  std::lock_guard lock(downloadSettingsMutex);
  if (!downloadBase.empty() && downloadBase.back() != '/') return downloadBase + "/";
  return downloadBase;
}

void gf_setDownloadBase(std::string base) {
  std::lock_guard lock(downloadSettingsMutex);
  downloadBase = std::move(base);
}

DownloadLimits gf_downloadLimits() {
  std::lock_guard lock(downloadSettingsMutex);
  return downloadLimits;
}

void gf_setDownloadLimits(DownloadLimits limits) {
  std::lock_guard lock(downloadSettingsMutex);
  downloadLimits = limits;
}

std::string gf_downloadBaseUrl() { return gf_downloadBase() + "P3D/"; }

bool gf_downloadDataFile(const fs::path& remoteName, const fs::path& localPath) {
  const auto url = gf_downloadBase() + gf_pathText(remoteName);
  const auto temporary = gf_temporarySibling(localPath);
  bool done = false;
  {
    Downloader downloader(gf_downloadLimits());
    done = downloader.download(url, temporary, true);
  }
  // An error page or a cut transfer must never replace the only copy of a data file.
  if (done && remoteName.extension() == ".enc") done = gf_streamDeciphers(temporary);
  if (done) done = gf_replaceFile(temporary, localPath);
  if (!done) {
    lf_removeQuietly(temporary);
    gf_logWarning(fmt::format("Downloading '{}' failed !", url));
    return false;
  }
  gf_log(fmt::format("Downloaded '{}' to '{}'", url, gf_pathText(localPath)));
  return true;
}
