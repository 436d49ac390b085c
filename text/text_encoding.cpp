// Detecting the code page of a file's texts with uchardet, and converting
// them to UTF-8 with iconv.
#include "text/text_encoding.h"

#include <cerrno>
#include <iconv.h>
#include <uchardet.h>

#include <memory>
#include <type_traits>

namespace text {

namespace {

// Length of the valid UTF-8 sequence at s[i], or 0 when there is none.
std::size_t utf8SequenceLength(std::string_view s, std::size_t i)
{
    const auto c = static_cast<unsigned char>(s[i]);
    if (c < 0x80)
        return 1;
    const std::size_t n = c >= 0xC2 && c <= 0xDF ? 2 : c >= 0xE0 && c <= 0xEF ? 3 : c >= 0xF0 && c <= 0xF4 ? 4 : 0;
    if (n == 0 || i + n > s.size())
        return 0;
    for (std::size_t k = 1; k < n; ++k)
        if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80)
            return 0;
    // No overlong forms, no surrogates, nothing past U+10FFFF.
    const auto second = static_cast<unsigned char>(s[i + 1]);
    if ((c == 0xE0 && second < 0xA0) || (c == 0xED && second >= 0xA0) || (c == 0xF0 && second < 0x90)
        || (c == 0xF4 && second >= 0x90))
        return 0;
    return n;
}

// What uchardet says, as the code page to convert from. ISO-8859-1 is read
// as its superset Windows-1252, which also holds the quotes, dashes and
// euro sign that Windows writers put at 0x80-0x9F; GB2312 as its superset
// GB18030. The Latin code pages of small languages that uchardet offers
// for a few accented letters (ISO-8859-3, -4, -10, -13, -14, -16) are far
// more often Western European text whose letters sit at the same bytes.
std::string codePageFor(const std::string& detected)
{
    static const char* const kWestern[] = {"ISO-8859-1", "ISO-8859-3", "ISO-8859-4", "ISO-8859-10",
                                           "ISO-8859-13", "ISO-8859-14", "ISO-8859-16"};
    for (const char* name : kWestern)
        if (detected == name)
            return kFallbackEncoding;
    if (detected == "GB2312")
        return "GB18030";
    if (detected.empty() || detected == "ASCII" || detected == "UTF-8" || !IsKnownEncoding(detected))
        return kFallbackEncoding;
    return detected;
}

struct IconvCloser {
    void operator()(iconv_t cd) const { iconv_close(cd); }
};

}  // namespace

bool IsUtf8(std::string_view bytes)
{
    for (std::size_t i = 0; i < bytes.size();) {
        const std::size_t n = utf8SequenceLength(bytes, i);
        if (n == 0)
            return false;
        i += n;
    }
    return true;
}

bool IsKnownEncoding(const std::string& name)
{
    if (name.empty())
        return false;
    const iconv_t cd = iconv_open("UTF-8", name.c_str());
    if (cd == reinterpret_cast<iconv_t>(-1))
        return false;
    iconv_close(cd);
    return true;
}

std::string DetectEncoding(const std::vector<std::string>& texts)
{
    // Only the texts that are not UTF-8 say anything about the code page;
    // the ASCII ones (writer names, dates, audiences) would only thin out
    // what the detector weighs.
    std::string sample;
    for (const std::string& t : texts) {
        if (IsUtf8(t))
            continue;
        sample += t;
        sample += '\n';
    }
    if (sample.empty())
        return "UTF-8";
    // A title and an author are a few dozen bytes, too few for uchardet's
    // statistics of multi-byte code pages to settle (two or three Chinese
    // characters alone give no answer, or a Latin one). Repeated, the same
    // characters in the same proportions give those statistics enough to
    // count; the single-byte code pages are judged by the same proportions.
    std::string fed = sample;
    while (fed.size() < 512)
        fed += sample;
    const std::unique_ptr<std::remove_pointer_t<uchardet_t>, void (*)(uchardet_t)> detector(uchardet_new(),
                                                                                             uchardet_delete);
    if (!detector || uchardet_handle_data(detector.get(), fed.data(), fed.size()) != 0)
        return kFallbackEncoding;
    uchardet_data_end(detector.get());
    return codePageFor(uchardet_get_charset(detector.get()));
}

std::string ToUtf8(std::string_view bytes, const std::string& encoding)
{
    const iconv_t opened = iconv_open("UTF-8", encoding.c_str());
    if (opened == reinterpret_cast<iconv_t>(-1))
        return std::string(bytes);
    const std::unique_ptr<std::remove_pointer_t<iconv_t>, IconvCloser> cd(opened);
    std::string out;
    char buffer[1024];
    char* in = const_cast<char*>(bytes.data());
    std::size_t inLeft = bytes.size();
    while (inLeft > 0) {
        char* put = buffer;
        std::size_t room = sizeof buffer;
        const std::size_t done = iconv(cd.get(), &in, &inLeft, &put, &room);
        out.append(buffer, put);
        if (done != static_cast<std::size_t>(-1))
            break;
        if (errno == E2BIG)
            continue;
        // A byte the code page does not hold, or a sequence cut short by
        // the end of the text: mark it and go on after it.
        out += "\xEF\xBF\xBD";
        ++in;
        --inLeft;
        iconv(cd.get(), nullptr, nullptr, nullptr, nullptr);
    }
    // Flush any state a stateful code page keeps.
    char* put = buffer;
    std::size_t room = sizeof buffer;
    iconv(cd.get(), nullptr, nullptr, &put, &room);
    out.append(buffer, put);
    return out;
}

}  // namespace text
