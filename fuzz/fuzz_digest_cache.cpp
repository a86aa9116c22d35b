// Digest cache files from anyone: never a crash, and a file is accepted only
// whole. Inputs are read twice: as they are, and with the secret's tag and
// the checksum put right, so that the fuzzer gets past the checksum to the
// entries.
#include <xxhash.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "platform/DigestCache.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const corvane::DigestSecret secret{{42}};
    corvane::DigestCache cache(secret);
    std::string bytes(reinterpret_cast<const char*>(data), size);
    (void)cache.Parse(bytes);
    if (bytes.size() >= 48) {
        const std::string empty = corvane::DigestCache(secret).Serialize();
        std::memcpy(bytes.data() + 24, empty.data() + 24, 8);
        XXH3_state_t* hash = XXH3_createState();
        XXH3_64bits_reset(hash);
        XXH3_64bits_update(hash, bytes.data(), 40);
        XXH3_64bits_update(hash, bytes.data() + 48, bytes.size() - 48);
        const std::uint64_t sum = XXH3_64bits_digest(hash);
        XXH3_freeState(hash);
        std::memcpy(bytes.data() + 40, &sum, 8);
    }
    if (cache.Parse(bytes)) {
        const std::size_t count = cache.Count();
        corvane::DigestCache again(secret);
        if (!again.Parse(cache.Serialize()) ||
            again.Count() != std::min(count, corvane::DigestCache::kDefaultBound)) {
            std::abort();  // what was accepted must survive its own round trip
        }
    } else if (cache.Count() != 0) {
        std::abort();  // a refused file leaves nothing behind
    }
    return 0;
}
