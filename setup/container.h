// The container of setup files behind the launcher's program image: its records,
// how its start is found from the image's own headers, and the listing of its
// entries. Nothing here calls Windows, so it also builds natively for the fuzzer.
#pragma once

#include <stddef.h>
#include <stdint.h>
#include <vector>

// Records as they lie in the file (little-endian, no padding).
#pragma pack(push, 1)
struct PayloadHeader {
    char signature[14]; // "Packagewright" followed by one NUL
    uint16_t entryCount;
    uint8_t reserved[30];
};

struct PayloadEntry {
    char name[260]; // NUL-terminated, rest zero
    uint8_t reserved1[8];
    uint32_t size;        // bytes of data behind this record
    uint8_t digest[32];   // SHA-256 of the data when the marker says so, else zero
    char digestMarker[8]; // "SHA-256" and a NUL, or zero (a container without digests)
};

// PE signature followed by the COFF file header.
struct PeFileHeader {
    uint32_t signature; // "PE\0\0"
    uint16_t machine;
    uint16_t numberOfSections;
    uint32_t timeDateStamp;
    uint32_t pointerToSymbolTable;
    uint32_t numberOfSymbols;
    uint16_t sizeOfOptionalHeader;
    uint16_t characteristics;
};

struct PeSectionHeader {
    char name[8];
    uint32_t virtualSize;
    uint32_t virtualAddress;
    uint32_t sizeOfRawData;
    uint32_t pointerToRawData;
    uint32_t pointerToRelocations;
    uint32_t pointerToLinenumbers;
    uint16_t numberOfRelocations;
    uint16_t numberOfLinenumbers;
    uint32_t characteristics;
};
#pragma pack(pop)

static_assert(sizeof(PayloadHeader) == 46, "container header is 46 bytes");
static_assert(sizeof(PayloadEntry) == 312, "container entry record is 312 bytes");
static_assert(sizeof(PeFileHeader) == 24, "PE signature and file header are 24 bytes");
static_assert(sizeof(PeSectionHeader) == 40, "PE section header is 40 bytes");
static_assert(offsetof(PayloadEntry, size) == 268, "entry size field at 268");
static_assert(offsetof(PayloadEntry, digest) == 272, "entry digest at 272");
static_assert(offsetof(PayloadEntry, digestMarker) == 304, "digest marker at 304");
static_assert(offsetof(PeFileHeader, numberOfSections) == 6, "section count at 6");
static_assert(offsetof(PeFileHeader, sizeOfOptionalHeader) == 20, "optional header size at 20");
static_assert(offsetof(PeSectionHeader, sizeOfRawData) == 16, "SizeOfRawData at 16");
static_assert(offsetof(PeSectionHeader, pointerToRawData) == 20, "PointerToRawData at 20");

const char PAYLOAD_SIGNATURE[] = "Packagewright";
const uint32_t PAYLOAD_BLOCK_BYTES = 1024; // copy block of an extraction
const char PAYLOAD_DIGEST_MARKER[8] = "SHA-256";

// What an entry record says about its data's digest.
enum DigestKind {
    DIGEST_NONE,    // all 40 bytes zero: a container made before digests
    DIGEST_SHA256,  // the marker: the digest must match
    DIGEST_UNKNOWN, // anything else: the record cannot be trusted
};
DigestKind EntryDigestKind(const PayloadEntry &entry);

// Random access to a file's bytes. readAt returns the number of bytes delivered
// (fewer at the end of the file, 0 past it or on failure).
class ByteSource {
public:
    virtual ~ByteSource() {}
    virtual uint32_t readAt(uint64_t offset, void *buffer, uint32_t size) = 0;
    virtual uint64_t size() = 0;
};

// Where an extraction writes; write returns the number of bytes taken.
class ByteSink {
public:
    virtual ~ByteSink() {}
    virtual uint32_t write(const void *data, uint32_t size) = 0;
};

// Offset where the image's section data ends: PointerToRawData of the first
// section plus the raw sizes of all sections. 0 when the headers cannot be read.
uint64_t FindContainerStart(ByteSource &file);

// Case-insensitive comparison of plain ASCII letters; other bytes compare exactly.
bool EqualNoCase(const char *a, const char *b);

// The header and the entry records of one container, read once.
class PayloadDirectory {
public:
    PayloadDirectory();
    virtual ~PayloadDirectory();

    // Reads the header at start and the records that follow. Returns whether the
    // signature matched. Listing stops at the first record that cannot be read
    // completely; entries read before stay usable.
    bool load(ByteSource &file, uint64_t start);
    void clear();

    // Header count when the signature matched, else 0.
    unsigned entryCount() const;
    // Records actually read.
    unsigned listedCount() const { return unsigned(records.size()); }
    uint64_t totalSize() const;
    // First entry named name (without regard to case); its data offset from the file start.
    const PayloadEntry *find(const char *name, uint64_t *dataOffset) const;

    uint64_t containerStart() const { return start; }
    // The records read, in container order.
    const std::vector<PayloadEntry> &listed() const { return records; }

private:
    uint64_t start;
    PayloadHeader header;
    bool valid;
    std::vector<PayloadEntry> records;
};

// Copies size bytes at offset to sink in blocks of 1024. True only when every byte
// was read and written: an entry running past the end of the file, a failed read
// or a short write is a failure.
bool CopyEntryData(ByteSource &file, uint64_t offset, uint32_t size, ByteSink &sink);
// The same for one entry, checking its data against the record's digest while
// copying: a mismatch, or a record of an unknown digest kind, is a failure.
// digest (32 bytes, may be null) receives the SHA-256 of the bytes copied.
bool CopyEntry(ByteSource &file, uint64_t offset, const PayloadEntry &entry, ByteSink &sink, uint8_t *digest = NULL);

// Text of an entry's name field: up to its first NUL, or all 260 bytes of a field
// without one; cut to fit out.
void EntryName(const PayloadEntry &entry, char *out, size_t outSize);
