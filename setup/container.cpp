#include "container.h"

#include <string.h>
#include <new>

#include "sha256.h"

namespace {

const uint64_t DOS_HEADER_BYTES = 64;
const uint64_t DOS_PE_OFFSET_FIELD = 60;
const uint64_t ENTRY_DATA_DISTANCE = sizeof(PayloadHeader) + sizeof(PayloadEntry); // 358

char lowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; }

bool readExactly(ByteSource &file, uint64_t offset, void *buffer, uint32_t size)
{
    return file.readAt(offset, buffer, size) == size;
}

// Equality of two texts, each cut at its first NUL or at its own limit.
bool equalNoCaseBounded(const char *a, size_t aMax, const char *b, size_t bMax)
{
    size_t i = 0;
    for (;; ++i) {
        char ca = i < aMax ? a[i] : '\0';
        char cb = i < bMax ? b[i] : '\0';
        if (lowerAscii(ca) != lowerAscii(cb))
            return false;
        if (ca == '\0')
            return true;
    }
}

} // namespace

bool EqualNoCase(const char *a, const char *b) { return equalNoCaseBounded(a, SIZE_MAX, b, SIZE_MAX); }

uint64_t FindContainerStart(ByteSource &file)
{
    unsigned char dos[DOS_HEADER_BYTES];
    if (!readExactly(file, 0, dos, sizeof dos))
        return 0;
    uint32_t peOffset;
    memcpy(&peOffset, dos + DOS_PE_OFFSET_FIELD, sizeof peOffset);

    PeFileHeader fileHeader;
    if (!readExactly(file, peOffset, &fileHeader, sizeof fileHeader))
        return 0;
    if (fileHeader.numberOfSections == 0)
        return 0;

    uint64_t at = uint64_t(peOffset) + sizeof fileHeader + fileHeader.sizeOfOptionalHeader;
    uint64_t start = 0;
    uint64_t rawTotal = 0;
    for (unsigned i = 0; i < fileHeader.numberOfSections; ++i, at += sizeof(PeSectionHeader)) {
        PeSectionHeader section;
        if (!readExactly(file, at, &section, sizeof section))
            return 0;
        if (i == 0)
            start = section.pointerToRawData;
        rawTotal += section.sizeOfRawData;
    }
    return start + rawTotal;
}

void EntryName(const PayloadEntry &entry, char *out, size_t outSize)
{
    if (outSize == 0)
        return;
    size_t n = strnlen(entry.name, sizeof entry.name);
    if (n > outSize - 1)
        n = outSize - 1;
    memcpy(out, entry.name, n);
    out[n] = '\0';
}

PayloadDirectory::PayloadDirectory() : start(0), valid(false) { memset(&header, 0, sizeof header); }

PayloadDirectory::~PayloadDirectory() {}

void PayloadDirectory::clear()
{
    records.clear();
    valid = false;
    memset(&header, 0, sizeof header);
}

bool PayloadDirectory::load(ByteSource &file, uint64_t containerStart)
{
    clear();
    start = containerStart;
    if (!readExactly(file, start, &header, sizeof header))
        return false;
    if (!equalNoCaseBounded(header.signature, sizeof header.signature, PAYLOAD_SIGNATURE, sizeof PAYLOAD_SIGNATURE))
        return false;
    valid = true;

    uint64_t at = start + sizeof header;
    for (unsigned i = 0; i < header.entryCount; ++i) {
        PayloadEntry entry;
        // A record cut off by the end of the file ends the listing: the header may
        // promise more entries than the file holds.
        if (!readExactly(file, at, &entry, sizeof entry))
            break;
        // Without memory for one more record the listing ends as with a cut record.
        try {
            records.push_back(entry);
        } catch (const std::bad_alloc &) {
            break;
        }
        at += sizeof entry + uint64_t(entry.size);
    }
    return true;
}

unsigned PayloadDirectory::entryCount() const { return valid ? header.entryCount : 0; }

uint64_t PayloadDirectory::totalSize() const
{
    uint64_t total = 0;
    for (const PayloadEntry &entry : records)
        total += entry.size;
    return total;
}

const PayloadEntry *PayloadDirectory::find(const char *name, uint64_t *dataOffset) const
{
    if (!name)
        return NULL;
    uint64_t running = 0;
    for (const PayloadEntry &entry : records) {
        if (equalNoCaseBounded(entry.name, sizeof entry.name, name, SIZE_MAX)) {
            if (dataOffset)
                *dataOffset = start + running + ENTRY_DATA_DISTANCE;
            return &entry;
        }
        running += sizeof(PayloadEntry) + uint64_t(entry.size);
    }
    return NULL;
}

namespace {

bool copyData(ByteSource &file, uint64_t offset, uint32_t size, ByteSink &sink, Sha256 *hash)
{
    // The whole entry must lie inside the file before anything is copied.
    uint64_t fileSize = file.size();
    if (offset > fileSize || fileSize - offset < size)
        return false;

    unsigned char buffer[PAYLOAD_BLOCK_BYTES];
    uint32_t remaining = size;
    while (remaining > 0) {
        uint32_t block = remaining < PAYLOAD_BLOCK_BYTES ? remaining : PAYLOAD_BLOCK_BYTES;
        uint32_t got = file.readAt(offset, buffer, block);
        if (got == 0)
            return false;
        if (hash)
            hash->update(buffer, got);
        if (sink.write(buffer, got) != got)
            return false;
        offset += got;
        remaining -= got;
    }
    return true;
}

} // namespace

DigestKind EntryDigestKind(const PayloadEntry &entry)
{
    if (memcmp(entry.digestMarker, PAYLOAD_DIGEST_MARKER, sizeof entry.digestMarker) == 0)
        return DIGEST_SHA256;
    for (uint8_t b : entry.digest)
        if (b)
            return DIGEST_UNKNOWN;
    for (char c : entry.digestMarker)
        if (c)
            return DIGEST_UNKNOWN;
    return DIGEST_NONE;
}

bool CopyEntryData(ByteSource &file, uint64_t offset, uint32_t size, ByteSink &sink)
{
    return copyData(file, offset, size, sink, NULL);
}

bool CopyEntry(ByteSource &file, uint64_t offset, const PayloadEntry &entry, ByteSink &sink, uint8_t *digest)
{
    DigestKind kind = EntryDigestKind(entry);
    if (kind == DIGEST_UNKNOWN)
        return false;
    Sha256 hash;
    if (!copyData(file, offset, entry.size, sink, &hash))
        return false;
    uint8_t copied[SHA256_DIGEST_BYTES];
    hash.finish(copied);
    if (digest)
        memcpy(digest, copied, sizeof copied);
    return kind == DIGEST_NONE || memcmp(copied, entry.digest, sizeof copied) == 0;
}
