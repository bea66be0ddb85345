// SHA-256 (FIPS 180-4), small and self-contained: the launcher checks every
// extracted file against the digest its container record carries. No Windows
// call, so it builds natively for the fuzzer and the known-answer tests.
#pragma once

#include <stddef.h>
#include <stdint.h>

const size_t SHA256_DIGEST_BYTES = 32;

class Sha256 {
public:
    Sha256();
    void update(const void *data, size_t size);
    // Writes the digest; the object is spent afterwards (start a new one).
    void finish(uint8_t digest[SHA256_DIGEST_BYTES]);

private:
    void block(const uint8_t *data);
    uint32_t state[8];
    uint64_t length; // bytes taken so far
    uint8_t pending[64];
    size_t pendingSize;
};

// Digest of one buffer.
void Sha256Digest(const void *data, size_t size, uint8_t digest[SHA256_DIGEST_BYTES]);
