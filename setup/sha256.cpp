#include "sha256.h"

#include <string.h>

namespace {

const uint32_t ROUND_CONSTANTS[64] = {
    0x428a2f98, 0x71374491, 0xb5c0fbcf, 0xe9b5dba5, 0x3956c25b, 0x59f111f1, 0x923f82a4, 0xab1c5ed5,
    0xd807aa98, 0x12835b01, 0x243185be, 0x550c7dc3, 0x72be5d74, 0x80deb1fe, 0x9bdc06a7, 0xc19bf174,
    0xe49b69c1, 0xefbe4786, 0x0fc19dc6, 0x240ca1cc, 0x2de92c6f, 0x4a7484aa, 0x5cb0a9dc, 0x76f988da,
    0x983e5152, 0xa831c66d, 0xb00327c8, 0xbf597fc7, 0xc6e00bf3, 0xd5a79147, 0x06ca6351, 0x14292967,
    0x27b70a85, 0x2e1b2138, 0x4d2c6dfc, 0x53380d13, 0x650a7354, 0x766a0abb, 0x81c2c92e, 0x92722c85,
    0xa2bfe8a1, 0xa81a664b, 0xc24b8b70, 0xc76c51a3, 0xd192e819, 0xd6990624, 0xf40e3585, 0x106aa070,
    0x19a4c116, 0x1e376c08, 0x2748774c, 0x34b0bcb5, 0x391c0cb3, 0x4ed8aa4a, 0x5b9cca4f, 0x682e6ff3,
    0x748f82ee, 0x78a5636f, 0x84c87814, 0x8cc70208, 0x90befffa, 0xa4506ceb, 0xbef9a3f7, 0xc67178f2,
};

inline uint32_t rotateRight(uint32_t x, unsigned n) { return (x >> n) | (x << (32 - n)); }

} // namespace

Sha256::Sha256() : length(0), pendingSize(0)
{
    static const uint32_t initial[8] = {0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a,
                                        0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19};
    memcpy(state, initial, sizeof state);
}

void Sha256::block(const uint8_t *data)
{
    uint32_t w[64];
    for (int i = 0; i < 16; ++i)
        w[i] = uint32_t(data[4 * i]) << 24 | uint32_t(data[4 * i + 1]) << 16 | uint32_t(data[4 * i + 2]) << 8 |
               uint32_t(data[4 * i + 3]);
    for (int i = 16; i < 64; ++i) {
        uint32_t s0 = rotateRight(w[i - 15], 7) ^ rotateRight(w[i - 15], 18) ^ (w[i - 15] >> 3);
        uint32_t s1 = rotateRight(w[i - 2], 17) ^ rotateRight(w[i - 2], 19) ^ (w[i - 2] >> 10);
        w[i] = w[i - 16] + s0 + w[i - 7] + s1;
    }
    uint32_t a = state[0], b = state[1], c = state[2], d = state[3];
    uint32_t e = state[4], f = state[5], g = state[6], h = state[7];
    for (int i = 0; i < 64; ++i) {
        uint32_t s1 = rotateRight(e, 6) ^ rotateRight(e, 11) ^ rotateRight(e, 25);
        uint32_t choose = (e & f) ^ (~e & g);
        uint32_t t1 = h + s1 + choose + ROUND_CONSTANTS[i] + w[i];
        uint32_t s0 = rotateRight(a, 2) ^ rotateRight(a, 13) ^ rotateRight(a, 22);
        uint32_t majority = (a & b) ^ (a & c) ^ (b & c);
        uint32_t t2 = s0 + majority;
        h = g;
        g = f;
        f = e;
        e = d + t1;
        d = c;
        c = b;
        b = a;
        a = t1 + t2;
    }
    state[0] += a;
    state[1] += b;
    state[2] += c;
    state[3] += d;
    state[4] += e;
    state[5] += f;
    state[6] += g;
    state[7] += h;
}

void Sha256::update(const void *data, size_t size)
{
    const uint8_t *p = static_cast<const uint8_t *>(data);
    length += size;
    if (pendingSize > 0) {
        size_t take = 64 - pendingSize < size ? 64 - pendingSize : size;
        memcpy(pending + pendingSize, p, take);
        pendingSize += take;
        p += take;
        size -= take;
        if (pendingSize < 64)
            return;
        block(pending);
        pendingSize = 0;
    }
    for (; size >= 64; p += 64, size -= 64)
        block(p);
    memcpy(pending, p, size);
    pendingSize = size;
}

void Sha256::finish(uint8_t digest[SHA256_DIGEST_BYTES])
{
    uint64_t bits = length * 8;
    uint8_t tail[72] = {0x80};
    // Pad to 56 bytes past a block boundary, then the length in bits, big-endian.
    size_t padding = pendingSize < 56 ? 56 - pendingSize : 120 - pendingSize;
    for (int i = 0; i < 8; ++i)
        tail[padding + i] = uint8_t(bits >> (56 - 8 * i));
    update(tail, padding + 8);
    for (int i = 0; i < 8; ++i) {
        digest[4 * i] = uint8_t(state[i] >> 24);
        digest[4 * i + 1] = uint8_t(state[i] >> 16);
        digest[4 * i + 2] = uint8_t(state[i] >> 8);
        digest[4 * i + 3] = uint8_t(state[i]);
    }
}

void Sha256Digest(const void *data, size_t size, uint8_t digest[SHA256_DIGEST_BYTES])
{
    Sha256 hash;
    hash.update(data, size);
    hash.finish(digest);
}
