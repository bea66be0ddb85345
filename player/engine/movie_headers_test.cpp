#include "engine/movie_headers.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string U32(uint32_t v)
{
    return std::string{(char)(v & 0xFF), (char)((v >> 8) & 0xFF), (char)((v >> 16) & 0xFF), (char)(v >> 24)};
}

std::string Chunk(const char *tag, const std::string &payload)
{
    std::string chunk = std::string(tag, 4) + U32((uint32_t)payload.size()) + payload;
    if (payload.size() & 1)
        chunk += '\0';
    return chunk;
}

std::string List(const char *type, const std::string &contents)
{
    return Chunk("LIST", std::string(type, 4) + contents);
}

std::string StreamHeader(const char *kind, uint32_t scale, uint32_t rate)
{
    return Chunk("strh", std::string(kind, 4) + "DIB " + std::string(12, '\0') + U32(scale) + U32(rate) +
                             std::string(28, '\0'));
}

std::string VideoFormat(int32_t width, int32_t height)
{
    return Chunk("strf", U32(40) + U32((uint32_t)width) + U32((uint32_t)height) + std::string(28, '\0'));
}

std::string Avi(const std::string &hdrlContents)
{
    return Chunk("RIFF", "AVI " + List("hdrl", Chunk("avih", std::string(56, '\0')) + hdrlContents) +
                             List("movi", Chunk("00db", std::string(16, 'x'))));
}

AviVideoHeaders Read(const std::string &file) { return ReadAviVideoHeaders((const uint8_t *)file.data(), file.size()); }

TEST(AviVideoHeaders, TheFirstVideoStreamsTimeBaseAndFrameSize)
{
    const std::string video = List("strl", StreamHeader("vids", 1, 25) + VideoFormat(96, -72));
    const std::string audio = List("strl", StreamHeader("auds", 2, 44100) + Chunk("strf", std::string(18, '\0')));
    // An odd-sized chunk before the headers is padded; an audio stream first is passed over.
    for (const std::string &file : {Avi(video), Avi(Chunk("JUNK", "abc") + audio + video)}) {
        const AviVideoHeaders headers = Read(file);
        ASSERT_TRUE(headers.found);
        EXPECT_EQ(1u, headers.scale);
        EXPECT_EQ(25u, headers.rate);
        EXPECT_EQ(96, headers.width);
        EXPECT_EQ(-72, headers.height);
    }
    const AviVideoHeaders lying = Read(Avi(List("strl", StreamHeader("vids", 0, 0) + VideoFormat(0, 0))));
    ASSERT_TRUE(lying.found) << "the values are taken as they are";
    EXPECT_EQ(0u, lying.rate);
    EXPECT_EQ(0, lying.width);
}

TEST(AviVideoHeaders, NothingIsFoundInWhatIsNoCompleteAviHeader)
{
    const std::string good = Avi(List("strl", StreamHeader("vids", 1, 25) + VideoFormat(96, 72)));
    std::string liar = good; // the hdrl list claims 4 GB: read as far as the bytes go
    liar.replace(16, 4, U32(0xFFFFFFFFu));
    EXPECT_TRUE(Read(liar).found);
    std::string wave = good;
    wave.replace(8, 4, "WAVE");
    const struct {
        const char *what;
        std::string file;
    } cases[] = {
        {"empty", ""},
        {"text", "This is not a movie, it is text."},
        {"no AVI form", wave},
        {"cut in the format", good.substr(0, good.find("strf") + 12)},
        {"no format", Avi(List("strl", StreamHeader("vids", 1, 25)))},
        {"only sound", Avi(List("strl", StreamHeader("auds", 1, 25) + VideoFormat(96, 72)))},
        {"a short stream header", Avi(List("strl", Chunk("strh", "vids") + VideoFormat(96, 72)))},
    };
    for (const auto &c : cases)
        EXPECT_FALSE(Read(c.file).found) << c.what;
}

TEST(AviVideoHeaders, AStreamListWithoutItsHeaderIsToldWhenTheListIsWhole)
{
    const std::string video = List("strl", StreamHeader("vids", 1, 25) + VideoFormat(96, 72));
    const std::string audio = List("strl", StreamHeader("auds", 2, 44100) + Chunk("strf", std::string(18, '\0')));
    const std::string noHeader = List("strl", VideoFormat(96, 72));
    const std::string noFormat = List("strl", StreamHeader("vids", 1, 25));
    const struct {
        const char *what;
        std::string file;
        bool headerless, found;
    } cases[] = {
        {"both streams whole", Avi(video + audio), false, true},
        {"the video's header dropped", Avi(noHeader + audio), true, false},
        {"the video's format dropped", Avi(noFormat + audio), true, false},
        {"the sound's header dropped after the video", Avi(video + List("strl", Chunk("strf", "abcd"))), true, true},
        // The bytes end inside the list: nothing is known of what follows.
        {"cut inside the list", Avi(noHeader).substr(0, Avi("").size() + 12), false, false},
    };
    for (const auto &c : cases) {
        const AviVideoHeaders headers = Read(c.file);
        EXPECT_EQ(c.headerless, headers.headerlessStream) << c.what;
        EXPECT_EQ(c.found, headers.found) << c.what;
    }
}

} // namespace
