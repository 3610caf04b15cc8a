// Dead weight in .rdata that brings a stand-in SDK file to a chosen size: the signature check
// hashes every byte of it and the loader maps it, as with a real SDK of that size. The one
// non-zero byte keeps the array out of .bss, where it would take no room in the file.
#include <cstddef>

extern const unsigned char quilsdk_bench_padding[];
const unsigned char quilsdk_bench_padding[BENCH_PADDING_BYTES] = {1};
