// Codec headers read from type-specific data: what each RealVideo and
// RealAudio header carries, and nothing more when the bytes end early or
// hold something else.
#include <gtest/gtest.h>

#include "rm/codec_header.h"
#include "support/rm_builder.h"

using namespace testing_rm;

namespace {

rm::CodecHeader read(const std::string& bytes)
{
    return rm::readCodecHeader(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
}

// Only the codec code, or nothing at all.
void expectNoFigures(const rm::CodecHeader& h)
{
    EXPECT_FALSE(h.width);
    EXPECT_FALSE(h.height);
    EXPECT_FALSE(h.frame_rate);
    EXPECT_FALSE(h.sample_rate);
    EXPECT_FALSE(h.channels);
}

// Cut after each of its bytes, a RealAudio header keeps its sample rate,
// channels and codec from the lengths given on, and nothing before.
void expectAudioFieldsFrom(const std::string& header, const std::string& codec, std::size_t rateFrom,
                           std::size_t channelsFrom, std::size_t codecFrom)
{
    for (std::size_t n = 0; n <= header.size(); ++n) {
        const rm::CodecHeader h = read(header.substr(0, n));
        EXPECT_EQ(h.sample_rate.has_value(), n >= rateFrom) << codec << " cut at " << n;
        EXPECT_EQ(h.channels.has_value(), n >= channelsFrom) << codec << " cut at " << n;
        EXPECT_EQ(h.codec, n >= codecFrom ? codec : "") << codec << " cut at " << n;
    }
}

}  // namespace

TEST(CodecHeader, RealVideoGivesCodecSizeAndFrameRate)
{
    RealVideoSpec v;
    v.codec = "RV30";
    v.width = 640;
    v.height = 352;
    v.fps = 0x1DF852;  // 29.97
    const rm::CodecHeader h = read(realVideoHeader(v));
    EXPECT_EQ(h.codec, "RV30");
    EXPECT_EQ(h.width, 640);
    EXPECT_EQ(h.height, 352);
    EXPECT_EQ(h.frame_rate, 0x1DF852u);
    EXPECT_FALSE(h.sample_rate);
    EXPECT_FALSE(h.channels);
}

TEST(CodecHeader, RealAudioVersionsFourAndFiveGiveCodecRateAndChannels)
{
    struct Case {
        uint16_t version;
        std::string codec, interleaver;
        uint16_t sampleRate, channels;
    };
    for (const Case& c : {Case{5, "cook", "genr", 44100, 2}, Case{5, "atrc", "genr", 44100, 2},
                          Case{5, "raac", "vbrf", 48000, 6}, Case{5, "sipr", "sipr", 8000, 1},
                          Case{4, "dnet", "Int0", 48000, 1}, Case{4, "28_8", "Int4", 8000, 1},
                          Case{4, "lpcJ", "Int0", 8000, 1}, Case{4, "cook", "genr", 22050, 2}}) {
        RealAudioSpec a;
        a.version = c.version;
        a.codec = c.codec;
        a.interleaver = c.interleaver;
        a.sampleRate = c.sampleRate;
        a.channels = c.channels;
        a.sampleSize = 16;
        const rm::CodecHeader h = read(realAudioHeader(a));
        EXPECT_EQ(h.codec, c.codec) << c.version << " " << c.codec;
        EXPECT_EQ(h.sample_rate, c.sampleRate) << c.version << " " << c.codec;
        EXPECT_EQ(h.channels, c.channels) << c.version << " " << c.codec;
        EXPECT_FALSE(h.width);
        EXPECT_FALSE(h.frame_rate);
    }
}

TEST(CodecHeader, VersionFourTextsOfOtherLengthsAreFollowed)
{
    RealAudioSpec a;
    a.version = 4;
    a.interleaver = "Int";  // a three-letter interleaver moves the codec one byte on
    a.codec = "dnet";
    EXPECT_EQ(read(realAudioHeader(a)).codec, "dnet");
    a.interleaver = "Int0";
    a.codec = "longer-name";  // a code is four characters at most
    EXPECT_EQ(read(realAudioHeader(a)).codec, "long");
}

TEST(CodecHeader, VersionThreeCarriesOnlyItsOptionalCodec)
{
    RealAudioSpec a;
    a.version = 3;
    a.codec = "lpcJ";
    a.title = "A title";
    a.author = "Someone";
    a.comment = "Said";
    rm::CodecHeader h = read(realAudioHeader(a));
    EXPECT_EQ(h.codec, "lpcJ");
    // 14.4 is always 8 kHz mono, but the header does not say so.
    expectNoFigures(h);

    a.withCodec = false;
    h = read(realAudioHeader(a));
    EXPECT_EQ(h.codec, "");
    expectNoFigures(h);

    // Bytes after the header's own size are not part of it, even when they
    // look like a codec.
    a.withCodec = true;
    std::string bytes = realAudioHeader(a);
    bytes[7] = static_cast<char>(bytes[7] - 6);
    EXPECT_EQ(read(bytes).codec, "");
}

TEST(CodecHeader, HeadersCutShortKeepOnlyTheFieldsTheyHold)
{
    const std::string video = realVideoHeader({});
    for (std::size_t n = 0; n <= video.size(); ++n) {
        const rm::CodecHeader h = read(video.substr(0, n));
        EXPECT_EQ(h.codec, n >= 12 ? "RV40" : "") << n;
        EXPECT_EQ(h.width.has_value(), n >= 14) << n;
        EXPECT_EQ(h.height.has_value(), n >= 16) << n;
        EXPECT_EQ(h.frame_rate.has_value(), n >= 26) << n;
    }
    expectAudioFieldsFrom(realAudioHeader({}), "cook", 56, 62, 70);
    RealAudioSpec four;
    four.version = 4;
    four.codec = "dnet";
    four.interleaver = "Int0";
    expectAudioFieldsFrom(realAudioHeader(four), "dnet", 50, 56, 66);
    RealAudioSpec three;
    three.version = 3;
    three.codec = "lpcJ";
    const std::string v3 = realAudioHeader(three);
    for (std::size_t n = 0; n <= v3.size(); ++n)
        EXPECT_EQ(read(v3.substr(0, n)).codec, n == v3.size() ? "lpcJ" : "") << n;
}

TEST(CodecHeader, OtherDataCarriesNothing)
{
    RealAudioSpec six;
    six.version = 6;
    for (const std::string& bytes : {std::string(), std::string("codec"), std::string("LSD:\x01\x02\x03\x04", 8),
                                     realAudioHeader(six), std::string(64, '\0')}) {
        const rm::CodecHeader h = read(bytes);
        EXPECT_EQ(h.codec, "");
        expectNoFigures(h);
    }
}

TEST(CodecHeader, ZeroFrameRateAndEmptyCodesStateNothing)
{
    RealVideoSpec v;
    v.fps = 0;
    v.codec = std::string("RV\0\0", 4);
    rm::CodecHeader h = read(realVideoHeader(v));
    EXPECT_FALSE(h.frame_rate);
    EXPECT_EQ(h.codec, "RV");
    v.codec = std::string(4, '\0');
    h = read(realVideoHeader(v));
    EXPECT_EQ(h.codec, "");
    EXPECT_EQ(h.width, 320);
}

TEST(CodecHeader, MultiRateWrapperGivesItsFirstHeaderAndHowManyRates)
{
    // "MLTI", the rules and the header each uses, then the headers with their lengths.
    const auto multi = [](const std::vector<std::string>& headers, uint16_t rules = 2) {
        std::string out = "MLTI" + be16(rules);
        for (uint16_t r = 0; r < rules; ++r)
            out += be16(r % std::max<std::size_t>(headers.size(), 1));
        out += be16(static_cast<uint16_t>(headers.size()));
        for (const std::string& h : headers)
            out += be32(static_cast<uint32_t>(h.size())) + h;
        return out;
    };
    RealAudioSpec low;
    low.sampleRate = 22050;
    low.channels = 1;
    RealAudioSpec high;
    const std::string audio = multi({realAudioHeader(low), realAudioHeader(high)});
    rm::CodecHeader h = read(audio);
    EXPECT_EQ(h.codec, "cook");
    EXPECT_EQ(h.sample_rate, 22050);
    EXPECT_EQ(h.channels, 1);
    EXPECT_EQ(h.rates, 2);

    h = read(multi({realVideoHeader({}), realVideoHeader({}), realVideoHeader({})}, 3));
    EXPECT_EQ(h.codec, "RV40");
    EXPECT_EQ(h.width, 320);
    EXPECT_EQ(h.rates, 3);

    // A wrapper cut inside its first header, or holding none, or another
    // wrapper, tells its rates and nothing of a codec; cut before its count
    // of headers, nothing at all.
    for (const std::string& bytes : {audio.substr(0, 20), multi({}), multi({multi({realVideoHeader({})})})}) {
        h = read(bytes);
        EXPECT_EQ(h.codec, "");
        expectNoFigures(h);
        EXPECT_TRUE(h.rates);
    }
    EXPECT_FALSE(read(audio.substr(0, 9)).rates);
    EXPECT_FALSE(read(realAudioHeader(high)).rates);
}
