// hvm_encipher PLAIN ENCIPHERED: enciphers a plain file under the program's key into the
// form in which the program ships and downloads its data files.
#include "core/files.h"
#include "core/refdata/stream_cipher.h"

#include <cstdio>
#include <exception>

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: hvm_encipher PLAIN ENCIPHERED\n");
    return 2;
  }
  try {
    gf_streamEncrypt(gf_pathFromText(argv[1]), gf_pathFromText(argv[2]));
  } catch (const std::exception& e) {
    std::fprintf(stderr, "hvm_encipher: %s\n", e.what());
    return 1;
  }
  return 0;
}
