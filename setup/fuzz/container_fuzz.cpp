// Fuzz target for the container reader: the input is a whole launcher file
// (image headers followed by a container). Built natively with clang's
// -fsanitize=fuzzer,address by tools/fuzz-container.sh.
#include <stdint.h>
#include <stdio.h>
#include <string.h>

#include "../container.h"
#include "../paths.h"
#include "../sha256.h"

const char *PathNextChar(const char *p) { return *p ? p + 1 : p; }

namespace {

class MemorySource : public ByteSource {
public:
    MemorySource(const uint8_t *data, size_t size) : data(data), bytes(size) {}
    uint32_t readAt(uint64_t offset, void *buffer, uint32_t size) override
    {
        if (offset >= bytes)
            return 0;
        uint64_t left = bytes - offset;
        uint32_t n = left < size ? uint32_t(left) : size;
        memcpy(buffer, data + offset, n);
        return n;
    }
    uint64_t size() override { return bytes; }

private:
    const uint8_t *data;
    size_t bytes;
};

class CountingSink : public ByteSink {
public:
    uint64_t total = 0;
    Sha256 hash;
    uint32_t write(const void *data, uint32_t size) override
    {
        // Touch every byte so the sanitizer sees any read past the buffer.
        volatile uint8_t sum = 0;
        for (uint32_t i = 0; i < size; ++i)
            sum = uint8_t(sum + static_cast<const uint8_t *>(data)[i]);
        hash.update(data, size);
        total += size;
        return size;
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    MemorySource file(data, size);
    uint64_t start = FindContainerStart(file);

    PayloadDirectory directory;
    directory.load(file, start);
    if (directory.listedCount() > directory.entryCount())
        __builtin_trap();
    (void)directory.totalSize();

    for (const PayloadEntry &entry : directory.listed()) {
        char name[sizeof entry.name + 1];
        EntryName(entry, name, sizeof name);
        uint64_t offset = 0;
        const PayloadEntry *found = directory.find(name, &offset);
        if (!found)
            __builtin_trap();
        char folder[64], target[64 + sizeof name];
        snprintf(folder, sizeof folder, "C:\\work");
        if (isPlainFileName(name)) {
            if (!combinePath(folder, name, target, sizeof target))
                __builtin_trap();
            char back[64], leaf[sizeof name];
            splitPath(target, back, sizeof back, leaf, sizeof leaf);
            if (strcmp(back, folder) != 0 || strcmp(leaf, name) != 0)
                __builtin_trap();
        }
        CountingSink sink;
        bool complete = CopyEntryData(file, offset, found->size, sink);
        if (complete && sink.total != found->size)
            __builtin_trap();
        if (complete && offset + found->size > size)
            __builtin_trap();

        // The checked copy: succeeds exactly when the plain copy does and the
        // record's digest (if it has one) is that of the bytes copied.
        CountingSink checked;
        bool verified = CopyEntry(file, offset, *found, checked);
        DigestKind kind = EntryDigestKind(*found);
        bool expected = complete && kind != DIGEST_UNKNOWN;
        if (expected && kind == DIGEST_SHA256) {
            uint8_t digest[SHA256_DIGEST_BYTES];
            Sha256Digest(data + offset, found->size, digest);
            expected = memcmp(digest, found->digest, sizeof digest) == 0;
        }
        if (verified != expected)
            __builtin_trap();
        if (verified && checked.total != found->size)
            __builtin_trap();
    }
    return 0;
}
