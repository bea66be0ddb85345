#include "engine/movie_headers.h"

#include <string.h>

namespace {

uint32_t Read32(const uint8_t *p) { return p[0] | (p[1] << 8) | (p[2] << 16) | ((uint32_t)p[3] << 24); }

bool IsTag(const uint8_t *p, const char *tag) { return memcmp(p, tag, 4) == 0; }

// One chunk inside [at, end): its tag, and its payload's offset and size cut
// to what the buffer holds.
struct Chunk {
    const uint8_t *tag;
    size_t payload, size;
};

bool NextChunk(const uint8_t *data, size_t *at, size_t end, Chunk *chunk)
{
    if (*at > end || end - *at < 8)
        return false;
    const uint64_t declared = Read32(data + *at + 4);
    chunk->tag = data + *at;
    chunk->payload = *at + 8;
    chunk->size = declared < end - chunk->payload ? (size_t)declared : end - chunk->payload;
    const uint64_t next = (uint64_t)chunk->payload + declared + (declared & 1);
    *at = next < end ? (size_t)next : end;
    return true;
}

// A LIST chunk of the given type: where its contents start.
bool IsList(const uint8_t *data, const Chunk &chunk, const char *type)
{
    return IsTag(chunk.tag, "LIST") && chunk.size >= 4 && IsTag(data + chunk.payload, type);
}

// One stream list: false when it has no stream header, or is a video stream
// without a format; *video tells whether it is a video stream (then *out holds it).
bool ReadStreamList(const uint8_t *data, size_t at, size_t end, bool *video, AviVideoHeaders *out)
{
    bool header = false, format = false;
    *video = false;
    Chunk chunk;
    while (NextChunk(data, &at, end, &chunk)) {
        const uint8_t *p = data + chunk.payload;
        if (IsTag(chunk.tag, "strh") && chunk.size >= 28) {
            header = true;
            *video = IsTag(p, "vids");
            out->scale = Read32(p + 20);
            out->rate = Read32(p + 24);
        } else if (IsTag(chunk.tag, "strf") && chunk.size >= 12) {
            format = true;
            out->width = (int32_t)Read32(p + 4);
            out->height = (int32_t)Read32(p + 8);
        }
    }
    return header && (format || !*video);
}

} // namespace

AviVideoHeaders ReadAviVideoHeaders(const uint8_t *data, size_t size)
{
    AviVideoHeaders headers = {};
    if (size < 12 || !IsTag(data, "RIFF") || !IsTag(data + 8, "AVI "))
        return headers;
    size_t at = 12;
    Chunk chunk;
    while (NextChunk(data, &at, size, &chunk)) {
        if (!IsList(data, chunk, "hdrl"))
            continue;
        size_t inner = chunk.payload + 4;
        const size_t end = chunk.payload + chunk.size;
        Chunk list;
        while (NextChunk(data, &inner, end, &list)) {
            if (!IsList(data, list, "strl"))
                continue;
            // A list cut by the end of the bytes read says nothing.
            const bool whole = Read32(data + list.payload - 4) <= list.size;
            AviVideoHeaders stream = {};
            bool video = false;
            const bool complete = ReadStreamList(data, list.payload + 4, list.payload + list.size, &video, &stream);
            if (!complete && whole)
                headers.headerlessStream = true;
            if (complete && video && !headers.found) {
                stream.headerlessStream = headers.headerlessStream;
                headers = stream;
                headers.found = true;
            }
        }
        return headers;
    }
    return headers;
}
