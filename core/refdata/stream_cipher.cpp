#include "core/refdata/stream_cipher.h"

#include "core/files.h"
#include "core/log.h"

#include <fmt/format.h>
#include <fstream>
#include <functional>
#include <sodium.h>
#include <stdexcept>
#include <vector>

namespace fs = std::filesystem;

static_assert(dataKeyBytes == crypto_secretstream_xchacha20poly1305_KEYBYTES);
static_assert(dataHeaderBytes == crypto_secretstream_xchacha20poly1305_HEADERBYTES);
static_assert(dataChunkBytes == dataPlainChunkBytes + crypto_secretstream_xchacha20poly1305_ABYTES);

namespace {

constexpr DataKey programKey = {0xc1, 0x4a, 0x63, 0xde, 0x9f, 0xc5, 0x7a, 0x15, 0x17, 0x7d, 0x61,
                                0xa9, 0x95, 0xce, 0xf3, 0xfa, 0xfd, 0xb2, 0xe1, 0xc2, 0xfc, 0x6b,
                                0x7b, 0xb6, 0x20, 0x09, 0xe2, 0x7d, 0x38, 0xf5, 0xf1, 0x8b};

void lf_sodiumReady() {
  static const int ready = sodium_init();
  if (ready < 0) throw std::runtime_error("libsodium could not be initialised");
}

using PlainSink = std::function<void(const unsigned char* data, std::size_t size)>;

// Reads the stream from its header to the message tagged final, handing each deciphered
// message to the sink. Bytes after the final message are not read. A stream that ends
// before that message was cut short: whatever came before it is incomplete data.
void lf_decipher(const DataKey& key, std::istream& in, const PlainSink& sink) {
  lf_sodiumReady();
  unsigned char header[crypto_secretstream_xchacha20poly1305_HEADERBYTES];
  in.read(reinterpret_cast<char*>(header), sizeof header);
  crypto_secretstream_xchacha20poly1305_state state;
  if (static_cast<std::size_t>(in.gcount()) != sizeof header ||
      crypto_secretstream_xchacha20poly1305_init_pull(&state, header, key.data()) != 0)
    throw std::runtime_error("Invalid header or key");

  std::vector<unsigned char> chunk(dataChunkBytes);
  std::vector<unsigned char> plain(dataPlainChunkBytes);
  while (true) {
    in.read(reinterpret_cast<char*>(chunk.data()), static_cast<std::streamsize>(chunk.size()));
    const auto got = static_cast<unsigned long long>(in.gcount());
    if (got == 0) throw std::runtime_error("Data file cut short: its final part is missing");
    unsigned long long plainSize = 0;
    unsigned char tag = 0;
    if (crypto_secretstream_xchacha20poly1305_pull(&state, plain.data(), &plainSize, &tag, chunk.data(), got, nullptr,
                                                   0) != 0)
      throw std::runtime_error("Decryption failed");
    sink(plain.data(), static_cast<std::size_t>(plainSize));
    if (tag == crypto_secretstream_xchacha20poly1305_TAG_FINAL) return;
  }
}

void lf_streamDecrypt(const DataKey& key, const fs::path& encrypted, const fs::path& plain) {
  std::ifstream in(encrypted, std::ios::binary);
  if (!in) throw std::runtime_error("Could not open input file: " + gf_pathText(encrypted));
  std::ofstream out(plain, std::ios::binary | std::ios::trunc);
  if (!out) throw std::runtime_error("Could not open output file: " + gf_pathText(plain));
  lf_decipher(key, in, [&](const unsigned char* data, std::size_t size) {
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  });
  out.close();
  if (out.fail()) throw std::runtime_error("Could not write output file: " + gf_pathText(plain));
}

} // namespace

const DataKey& gf_dataKey() { return programKey; }

bool gf_streamDecrypt(const fs::path& encrypted, const fs::path& plain) {
  try {
    lf_streamDecrypt(programKey, encrypted, plain);
    return true;
  } catch (const std::exception& e) {
    gf_log(fmt::format("{} exception: {}", "gf_streamDecrypt", e.what()));
  }
  try {
    gf_removeFile(plain);
  } catch (const std::exception& e) {
    gf_logWarning(fmt::format("Warning: could not remove {}, errorcode: {}", gf_pathText(plain), e.what()));
  }
  return false;
}

bool gf_streamDeciphers(const fs::path& encrypted, const DataKey& key) {
  try {
    std::ifstream in(encrypted, std::ios::binary);
    if (!in) throw std::runtime_error("Could not open input file: " + gf_pathText(encrypted));
    lf_decipher(key, in, [](const unsigned char*, std::size_t) {});
    return true;
  } catch (const std::exception& e) {
    gf_log(fmt::format("'{}' is no valid data file: {}", gf_pathText(encrypted), e.what()));
    return false;
  }
}

void gf_streamEncrypt(const fs::path& plain, const fs::path& encrypted, const DataKey& key) {
  lf_sodiumReady();
  std::ifstream in(plain, std::ios::binary);
  if (!in) throw std::runtime_error("Could not open input file: " + gf_pathText(plain));
  const auto temporary = gf_temporarySibling(encrypted);
  try {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    if (!out) throw std::runtime_error("Could not open output file: " + gf_pathText(encrypted));

    unsigned char header[crypto_secretstream_xchacha20poly1305_HEADERBYTES];
    crypto_secretstream_xchacha20poly1305_state state;
    crypto_secretstream_xchacha20poly1305_init_push(&state, header, key.data());
    out.write(reinterpret_cast<const char*>(header), sizeof header);

    // One message ahead, so the last one (or the only, empty one) gets the final tag.
    std::vector<unsigned char> current(dataPlainChunkBytes);
    std::vector<unsigned char> next(dataPlainChunkBytes);
    std::vector<unsigned char> chunk(dataChunkBytes);
    in.read(reinterpret_cast<char*>(current.data()), static_cast<std::streamsize>(current.size()));
    auto currentSize = static_cast<std::size_t>(in.gcount());
    while (true) {
      std::size_t nextSize = 0;
      if (currentSize == dataPlainChunkBytes) {
        in.read(reinterpret_cast<char*>(next.data()), static_cast<std::streamsize>(next.size()));
        nextSize = static_cast<std::size_t>(in.gcount());
      }
      if (in.bad()) throw std::runtime_error("Could not read input file: " + gf_pathText(plain));
      const bool last = nextSize == 0;
      unsigned long long chunkSize = 0;
      crypto_secretstream_xchacha20poly1305_push(&state, chunk.data(), &chunkSize, current.data(), currentSize, nullptr,
                                                 0, last ? crypto_secretstream_xchacha20poly1305_TAG_FINAL : 0);
      out.write(reinterpret_cast<const char*>(chunk.data()), static_cast<std::streamsize>(chunkSize));
      if (last) break;
      current.swap(next);
      currentSize = nextSize;
    }
    out.close();
    if (out.fail()) throw std::runtime_error("Could not write output file: " + gf_pathText(encrypted));
    if (!gf_replaceFile(temporary, encrypted))
      throw std::runtime_error("Could not replace output file: " + gf_pathText(encrypted));
  } catch (...) {
    std::error_code ignored;
    fs::remove(temporary, ignored);
    throw;
  }
}
